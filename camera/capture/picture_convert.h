#pragma once
// Camera planes to device-independent bitmap pixels.
//
// Plane A holds one luminance byte per pixel, plane B for each pair of
// neighbouring pixels a red-difference byte then a blue-difference byte; both
// are width x height bytes, rows top to bottom. The output is a bitmap body:
// rows bottom-up (output row r is source row height - 1 - r), each row padded
// to four bytes (the padding is zeroed), 24-bit pixels in the order blue,
// green, red, or 8-bit grey levels.
//
// Colour, per pixel pair (Y0, Y1 from plane A, C0, C1 from plane B):
//   u = redDiffTable[C0], v = blueDiffTable[C1], g = greenCorr(v) + (u >> 1)
//   and for each pixel with y = lumaTable[Y]:
//   blue = y + v, green = y - g, red = y + u, each limited to 0..255.
// Grey: each byte is lumaTable[Y].
//
// The work is done by the fastest code path the processor offers; every path
// gives exactly the same bytes. Conversion never allocates.

#include "camera/capture/picture_tables.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lumoset {

inline constexpr int kColourBitsPerPixel = 24;
inline constexpr int kGreyBitsPerPixel = 8;
// No frame the camera sends is larger than this in either direction.
inline constexpr int kMaxFrameDimension = 4096;

// Bytes of one bitmap row of `width` pixels at 24 or 8 bits, padded to four
// bytes; 0 for a width or depth that cannot be converted.
std::size_t dibRowBytes(int width, int bitsPerPixel);

// Both return false, writing nothing, when the size is not convertible (width
// or height below 1 or above kMaxFrameDimension, an odd width for colour),
// when a plane holds fewer than width x height bytes or the output fewer than
// dibRowBytes(width, bits) x height, or when the output overlaps a plane.
bool convertColour(const PictureTables& tables, std::span<const std::uint8_t> planeA,
                   std::span<const std::uint8_t> planeB, int width, int height,
                   std::span<std::uint8_t> out);
bool convertGrey(const PictureTables& tables, std::span<const std::uint8_t> planeA, int width,
                 int height, std::span<std::uint8_t> out);

// The code paths, for tests and measurements. `Portable` is the plain C++
// formula above and the definition the others are checked against.
enum class ConvertPath { Portable, Avx2, Avx512Vbmi };

const char* convertPathName(ConvertPath path);
// Whether this processor can run `path`.
bool convertPathSupported(ConvertPath path);
// Every path this processor can run, Portable first.
std::vector<ConvertPath> supportedConvertPaths();
// The path convertColour and convertGrey use here.
ConvertPath activeConvertPath();

// Convert on one given path; false as above, or when the path is not
// supported here.
bool convertColourOn(ConvertPath path, const PictureTables& tables,
                     std::span<const std::uint8_t> planeA, std::span<const std::uint8_t> planeB,
                     int width, int height, std::span<std::uint8_t> out);
bool convertGreyOn(ConvertPath path, const PictureTables& tables,
                   std::span<const std::uint8_t> planeA, int width, int height,
                   std::span<std::uint8_t> out);

} // namespace lumoset
