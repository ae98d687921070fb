#include "imaging/testing/known_picture.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "imaging/bitmap.h"
#include "imaging/save.h"

namespace imaging::testing {

std::filesystem::path writeKnownPicture(const std::filesystem::path& folder) {
  Bitmap bitmap;
  if (allocate(bitmap, kKnownPictureWidth, kKnownPictureHeight, 24) != kSuccess) return {};
  for (int y = 0; y < kKnownPictureHeight; ++y) {
    std::uint8_t* line = bitmap.line(y);
    for (int x = 0; x < kKnownPictureWidth; ++x) {
      line[3 * x + 0] = static_cast<std::uint8_t>(110 + static_cast<int>(60 * std::sin((x + y) / 160.0)));
      line[3 * x + 1] = static_cast<std::uint8_t>(30 + y * 190 / (kKnownPictureHeight - 1));
      line[3 * x + 2] = static_cast<std::uint8_t>(30 + x * 190 / (kKnownPictureWidth - 1));
    }
  }
  const std::filesystem::path path = folder / "known.bmp";
  if (save(path.string(), bitmap, kFormatBmp, 24, 0) != kSuccess) return {};
  return path;
}

std::string greyOf(const std::string& rgb) {
  std::string grey(rgb.size() / 3, '\0');
  for (std::size_t i = 0; i < grey.size(); ++i) {
    const auto c = [&](std::size_t k) { return static_cast<unsigned char>(rgb[3 * i + k]); };
    grey[i] = static_cast<char>(std::lround(0.3 * c(0) + 0.6 * c(1) + 0.1 * c(2)));
  }
  return grey;
}

PictureDifference comparePixels(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return {};
  std::array<std::size_t, 256> histogram{};
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int d = std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
    sum += d;
    ++histogram[static_cast<std::size_t>(d)];
  }
  PictureDifference result{sum / static_cast<double>(a.size()), 0};
  std::size_t seen = 0;
  for (int d = 0; d < 256; ++d) {
    seen += histogram[static_cast<std::size_t>(d)];
    if (seen >= a.size() * 99 / 100) {
      result.worst = d;
      break;
    }
  }
  return result;
}

}  // namespace imaging::testing
