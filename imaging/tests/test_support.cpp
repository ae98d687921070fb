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
