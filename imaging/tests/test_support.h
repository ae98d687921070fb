#pragma once
// Helpers the imaging tests share: pictures with known content, reference
// files in a format no one here writes a reader or writer for by hand beyond
// a header line (netpbm), and running the independent readers (ImageMagick,
// Python) without a shell.

#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/testing/test_scene.h"

namespace imaging::testing {


// The picture as binary PPM (24-bit) or PGM (8-bit), top line first.
void writeNetpbm(const Bitmap& bitmap, const std::string& path);

struct RunResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs argv[0] found on PATH with the given arguments and waits for it.
RunResult run(const std::vector<std::string>& argv);

// A fresh directory for this test program's files.
std::string scratchDirectory();

std::vector<unsigned char> readFile(const std::string& path);

}  // namespace imaging::testing
