#pragma once
// File names of the pictures photo capture writes, and the file formats of
// auto-snap series.

#include <string>

namespace lumoset {

// The series file format for an extension (with its dot), compared without
// regard to case: .PCX 1, .GIF 2, .TIF 3, .TGA 4, .CMP 5, .BMP 6. Any other
// extension is replaced by ".BMP" and gives 6.
int seriesFormatFor(std::string& extension);

// "<base><count><extension>"
std::string seriesFileName(const std::string& baseName, int count, const std::string& extension);
// "<folder>/PIC<count>.bmp"
std::string photoFileName(const std::string& picFolder, int count);
// "<folder>/CAP<count>.bmp"
std::string videoStillFileName(const std::string& aviFolder, int count);

// Everything before the last '.' of the file name (the folders may hold
// dots); the path unchanged when its name has none.
std::string withoutExtension(const std::string& path);

} // namespace lumoset
