#pragma once
// Shared by the capture service's tests: a known picture for the virtual
// camera, readers of AVI files that no one here wrote (ffprobe, ffmpeg), and
// a Windows directory with the capture driver registered.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vfw_testing {

// The known picture's colour at (u, v) in 0..1 across and down: red grows to
// the right, green downwards, blue in a slow wave, so a flipped or mirrored
// frame cannot match it.
std::array<int, 3> knownColour(double u, double v);
// Writes it as a 640 x 480 24-bit BMP.
void writeKnownPicture(const std::filesystem::path& file);

// `ffprobe -show_entries stream=...` of stream `selector` ("v:0", "a:0") as
// key -> value; frames counted by decoding (nb_read_frames). Empty when
// ffprobe cannot read the file.
std::map<std::string, std::string> probeStream(const std::filesystem::path& file, const std::string& selector);
int probeInt(const std::map<std::string, std::string>& entries, const std::string& key);
// Frame `index` decoded by ffmpeg as top-down RGB bytes; empty on failure.
std::string decodeFrameRgb(const std::filesystem::path& file, int index);
// Mean absolute difference between a decoded frame and the known picture
// (seen whole, or its centre quarter when zoomed).
double differenceFromKnown(const std::string& rgb, int width, int height, bool zoomed);

// Registers the driver as MSVideo in system.ini of the Windows directory.
void registerDriver(const std::string& value);
// The hand-over keys the camera program writes before recording.
void writeHandOver(int width, int height, bool colour, bool zoomed, int frameRate, int frames);

} // namespace vfw_testing
