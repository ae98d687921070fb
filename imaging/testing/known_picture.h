#pragma once
// The known picture the end-to-end tests show through the virtual camera,
// and how a delivered picture is compared with it.

#include <filesystem>
#include <string>

namespace imaging::testing {

inline constexpr int kKnownPictureWidth = 640;
inline constexpr int kKnownPictureHeight = 480;

// A smooth 640 x 480 picture whose colours say where each pixel is: red grows
// to the right, green downwards, blue in a slow wave. A flipped, mirrored or
// shifted picture cannot match it. Written as `folder`/known.bmp; an empty
// path when it cannot be written.
std::filesystem::path writeKnownPicture(const std::filesystem::path& folder);

// Grey of RGB bytes (0.3 red, 0.6 green, 0.1 blue), one byte per pixel.
std::string greyOf(const std::string& rgb);

// Mean and 99th percentile of the byte differences of two pictures of
// equal size; the worst values when the sizes differ or are empty.
struct PictureDifference {
    double mean = 1e9;
    int worst = 1 << 30;
};
PictureDifference comparePixels(const std::string& a, const std::string& b);

}  // namespace imaging::testing
