// Saving 640 x 480 pictures in every format, against what a user would
// otherwise script: ImageMagick's `convert picture.bmp picture.<ext>`, run as
// a whole process, in the same run. Prints the speed ratios and the PNG size
// ratio against the goals after the timings.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imaging/imaging.h"
#include "imaging/testing/test_scene.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Format {
  const char* name;
  int code;
  int quality;
  const char* extension;
  std::vector<std::string> convertOptions;  // empty name: convert cannot write it
  bool compareWithConvert;
};

// JPEG at the scanner module's quality value 50, which is libjpeg quality 81
// with full-resolution colour; convert is asked for the same.
const std::vector<Format> kFormats = {
    {"BMP", imaging::kFormatBmp, 0, "bmp", {}, true},
    {"JPEG", imaging::kFormatJpegAlt, 50, "jpg", {"-quality", "81", "-sampling-factor", "1x1"}, true},
    {"TIFF", imaging::kFormatTif, 0, "tif", {}, true},
    {"PNG", imaging::kFormatPng, 0, "png", {}, true},
    {"GIF", imaging::kFormatGif, 0, "gif", {}, true},
    {"PCX", imaging::kFormatPcx, 0, "pcx", {}, true},
    {"TGA", imaging::kFormatTga, 0, "tga", {}, true},
    {"PSD", imaging::kFormatPsd, 0, "psd", {}, true},
    {"CMP", imaging::kFormatCmp, 0, "cmp", {}, false},
    {"FPX", imaging::kFormatFpx, 0, "fpx", {}, false},
};

struct Goal {
  const char* format;
  double speedup;
  double maxSizeRatio;  // 0: no size goal
};
const Goal kGoals[] = {{"BMP", 5, 0}, {"JPEG", 5, 0}, {"TIFF", 5, 0}, {"PNG", 3, 1.15}};

std::string gDirectory;
imaging::Bitmap gPicture;

long fileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

bool runConvert(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "convert", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ourSave(benchmark::State& state, const Format& format) {
  const std::string path = gDirectory + "/ours." + format.extension;
  for (auto _ : state) {
    if (imaging::save(path, gPicture, format.code, 24, format.quality) != imaging::kSuccess) {
      state.SkipWithError("save failed");
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(fileSize(path));
}

void convertSave(benchmark::State& state, const Format& format) {
  const std::string path = gDirectory + "/convert." + format.extension;
  std::vector<std::string> arguments = {"convert", gDirectory + "/input.bmp"};
  arguments.insert(arguments.end(), format.convertOptions.begin(), format.convertOptions.end());
  arguments.push_back(path);
  for (auto _ : state) {
    if (!runConvert(arguments)) {
      state.SkipWithError("convert failed (is ImageMagick installed?)");
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(fileSize(path));
}

// Keeps each result's time per iteration (ms) and counters for the summary.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  struct Result {
    double milliseconds = 0;
    double bytes = 0;
  };
  std::map<std::string, Result> results;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      Result r;
      r.milliseconds = run.GetAdjustedRealTime();
      auto bytes = run.counters.find("bytes");
      if (bytes != run.counters.end()) r.bytes = bytes->second;
      std::string name = run.benchmark_name();
      const std::string suffix = "/real_time";
      if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        name.resize(name.size() - suffix.size());
      }
      results[name] = r;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/imaging_bench.XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  gDirectory = pattern;
  gPicture = imaging::testing::makeScene(640, 480, 24);
  imaging::save(gDirectory + "/input.bmp", gPicture, imaging::kFormatBmp, 24, 0);

  for (const Format& format : kFormats) {
    benchmark::RegisterBenchmark((std::string("save/") + format.name).c_str(), ourSave, format)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    if (format.compareWithConvert) {
      benchmark::RegisterBenchmark((std::string("convert/") + format.name).c_str(), convertSave, format)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }

  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-5s %10s %10s %9s %10s %10s %7s  %s\n", "", "ours ms", "convert ms", "speedup",
              "ours bytes", "conv bytes", "size", "goal");
  bool allMet = true;
  for (const Format& format : kFormats) {
    if (!format.compareWithConvert) continue;
    auto ours = reporter.results.find(std::string("save/") + format.name);
    auto theirs = reporter.results.find(std::string("convert/") + format.name);
    if (ours == reporter.results.end() || theirs == reporter.results.end()) continue;
    const double speedup = theirs->second.milliseconds / ours->second.milliseconds;
    const double sizeRatio = ours->second.bytes / theirs->second.bytes;
    std::string goalText = "-";
    for (const Goal& goal : kGoals) {
      if (std::string(goal.format) != format.name) continue;
      bool met = speedup >= goal.speedup;
      char text[96];
      if (goal.maxSizeRatio > 0) {
        met = met && sizeRatio <= goal.maxSizeRatio;
        std::snprintf(text, sizeof text, ">= %.0fx, size <= %.2f: %s", goal.speedup, goal.maxSizeRatio,
                      met ? "met" : "MISSED");
      } else {
        std::snprintf(text, sizeof text, ">= %.0fx: %s", goal.speedup, met ? "met" : "MISSED");
      }
      goalText = text;
      allMet = allMet && met;
    }
    std::printf("%-5s %10.3f %10.3f %8.1fx %10.0f %10.0f %7.3f  %s\n", format.name,
                ours->second.milliseconds, theirs->second.milliseconds, speedup, ours->second.bytes,
                theirs->second.bytes, sizeRatio, goalText.c_str());
  }
  std::printf("%s\n", allMet ? "all goals met" : "some goals missed");

  std::error_code ignored;
  fs::remove_all(gDirectory, ignored);
  benchmark::Shutdown();
  return 0;
}
