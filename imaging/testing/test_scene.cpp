#include "imaging/testing/test_scene.h"

#include <cmath>
#include <stdexcept>

namespace imaging::testing {

namespace {

// Sensor-like noise: a splitmix64 sequence (no period a compressor could find).
std::uint64_t nextNoise(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

Bitmap makeScene(int width, int height, int bitsPerPixel) {
  Bitmap bitmap;
  if (allocate(bitmap, width, height, bitsPerPixel) != kSuccess) {
    throw std::runtime_error("cannot allocate the test scene");
  }
  std::uint64_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* line = bitmap.line(y);
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width;
      const double v = static_cast<double>(y) / height;
      // Sky to ground shading.
      double r = 60 + 150 * v + 30 * std::sin(6.0 * u);
      double g = 90 + 110 * (1 - v) + 20 * std::cos(4.0 * v + u);
      double b = 200 - 140 * v;
      // A red disc, a yellow bar and a dark square with sharp edges.
      const double dx = u - 0.3, dy = v - 0.4;
      if (dx * dx + dy * dy < 0.02) { r = 210; g = 40; b = 35; }
      if (v > 0.7 && v < 0.8 && u > 0.5) { r = 240; g = 220; b = 30; }
      if (u > 0.75 && u < 0.9 && v > 0.15 && v < 0.35) { r = 25; g = 30; b = 40; }
      const double n = static_cast<double>(nextNoise(noise) % 7) - 3;
      const auto clip = [](double value) {
        return static_cast<std::uint8_t>(std::lround(std::fmin(255, std::fmax(0, value))));
      };
      if (bitsPerPixel == 24) {
        line[3 * x] = clip(b + n);
        line[3 * x + 1] = clip(g + n);
        line[3 * x + 2] = clip(r + n);
      } else {
        line[x] = clip(0.299 * r + 0.587 * g + 0.114 * b + n);
      }
    }
  }
  return bitmap;
}

}  // namespace imaging::testing
