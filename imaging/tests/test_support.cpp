#include "imaging/tests/test_support.h"

#include "platform/shell/process.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

void writeNetpbm(const Bitmap& bitmap, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  const bool colour = bitmap.bitsPerPixel() == 24;
  out << (colour ? "P6\n" : "P5\n") << bitmap.width() << ' ' << bitmap.height() << "\n255\n";
  for (int y = 0; y < bitmap.height(); ++y) {
    const std::uint8_t* line = bitmap.line(y);
    for (int x = 0; x < bitmap.width(); ++x) {
      if (!colour) {
        out.put(static_cast<char>(line[x]));
      } else if (bitmap.colourOrder() == ColourOrder::Bgr) {
        out.put(static_cast<char>(line[3 * x + 2]));
        out.put(static_cast<char>(line[3 * x + 1]));
        out.put(static_cast<char>(line[3 * x]));
      } else {
        out.write(reinterpret_cast<const char*>(line + 3 * x), 3);
      }
    }
  }
}

RunResult run(const std::vector<std::string>& argv) {
  const auto r = platform::shell::runProgram(
      argv, platform::shell::CaptureOutput::StandardOutputAndError);
  return RunResult{r.exitCode, r.output};
}

namespace {

// Removes the scratch directory when the test program ends.
struct ScratchDirectory {
  std::string path;
  ~ScratchDirectory() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

std::string scratchDirectory() {
  static const ScratchDirectory directory{[] {
    std::string pattern = "/tmp/imaging_test.XXXXXX";
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
      pattern = std::string(tmp) + "/imaging_test.XXXXXX";
    }
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }()};
  return directory.path;
}

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace imaging::testing
