// Fuzz target for "from DIB": any bytes must be refused or taken, never crash
// or read outside the block; a taken DIB must come back unchanged through
// "to DIB".
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target. Built
// without (LUMO_FUZZ_DRIVER), it carries its own mutating driver:
//   fuzz_from_dib [--seconds N] [--seed S]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/dib.h"
#include "imaging/resize.h"

namespace {

// Valid DIBs of both depths, with and without colour counts: where mutation
// starts, so that inputs get past the header checks.
std::vector<std::uint8_t> seedDib(int width, int height, int bits, std::uint32_t colours) {
  imaging::BitmapInfoHeader h;
  h.width = width;
  h.height = height;
  h.bitCount = static_cast<std::uint16_t>(bits);
  h.clrUsed = colours;
  const std::size_t table = bits == 8 ? (colours ? colours : 256) : colours;
  const std::size_t pixels = imaging::paddedRowBytes(width, bits) * height;
  std::vector<std::uint8_t> dib(40 + table * 4 + pixels);
  imaging::writeBitmapInfoHeader(h, dib.data());
  for (std::size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<std::uint8_t>(i * 7);
  return dib;
}

std::vector<std::vector<std::uint8_t>> seedDibs() {
  return {seedDib(5, 3, 24, 0), seedDib(7, 2, 8, 0), seedDib(4, 4, 8, 16), seedDib(3, 9, 24, 2),
          seedDib(1, 1, 8, 1), seedDib(64, 48, 24, 0)};
}

[[noreturn]] void fault(const char* what) {
  std::fprintf(stderr, "fuzz_from_dib: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imaging::Bitmap bitmap;
  if (imaging::fromDib(bitmap, data, size) != imaging::kSuccess) return 0;

  HGLOBAL handle = nullptr;
  if (imaging::toDib(bitmap, &handle) != imaging::kSuccess) fault("a taken DIB does not convert back");
  const auto* out = static_cast<const std::uint8_t*>(GlobalLock(handle));
  const imaging::BitmapInfoHeader in = imaging::readBitmapInfoHeader(data);
  const imaging::BitmapInfoHeader back = imaging::readBitmapInfoHeader(out);
  if (back.width != in.width || back.height != in.height || back.bitCount != in.bitCount) {
    fault("the DIB came back with another size or depth");
  }
  // The pixels of the source follow its header and colour table; the bytes
  // that pad each row are not part of the picture.
  const std::size_t colours = in.clrUsed != 0 ? in.clrUsed : (in.bitCount == 8 ? 256 : 0);
  const std::size_t outColours = in.bitCount == 8 ? 256 : 0;
  const std::size_t stride = bitmap.bytesPerLine();
  const std::size_t lineBytes = static_cast<std::size_t>(in.width) * in.bitCount / 8;
  for (int row = 0; row < in.height; ++row) {
    if (std::memcmp(data + in.size + colours * 4 + row * stride, out + 40 + outColours * 4 + row * stride,
                    lineBytes) != 0) {
      fault("the DIB came back with other pixels");
    }
  }
  GlobalUnlock(handle);
  GlobalFree(handle);

  // Small pictures also go through a resize, the thumbnail path.
  if (bitmap.storageBytes() < 65536 && imaging::resize(bitmap, 60, 45) != imaging::kSuccess) {
    fault("a taken picture cannot be made a thumbnail");
  }
  return 0;
}

#ifndef LUMO_FUZZ_DRIVER

#include <filesystem>
#include <fstream>
#include <string>

// Under libFuzzer: an empty corpus directory (the last argument that is not
// a flag) gets the seed DIBs before the fuzzer reads it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = *argc - 1; i > 0; --i) {
    const char* arg = (*argv)[i];
    if (arg[0] == '-') continue;
    const std::filesystem::path corpus(arg);
    std::error_code ec;
    if (!std::filesystem::is_directory(corpus, ec) || !std::filesystem::is_empty(corpus, ec)) break;
    int n = 0;
    for (const auto& dib : seedDibs()) {
      std::ofstream out(corpus / ("seed" + std::to_string(n++)), std::ios::binary);
      out.write(reinterpret_cast<const char*>(dib.data()), static_cast<std::streamsize>(dib.size()));
    }
    break;
  }
  return 0;
}

#endif  // !LUMO_FUZZ_DRIVER

#ifdef LUMO_FUZZ_DRIVER

#include <chrono>
#include <random>

namespace {

const std::int32_t kInteresting[] = {0, 1, -1, 2, 3, 4, 8, 16, 24, 32, 40, 124, 255, 256, 257,
                                     0x7FFF, 0x8000, 0xFFFF, 0x10000, 32768, 32769, 0x3FFFFFFF,
                                     0x40000000, 0x7FFFFFFF, INT32_MIN, -40};

void mutate(std::vector<std::uint8_t>& dib, std::mt19937& random) {
  const int kind = static_cast<int>(random() % 6);
  if (dib.empty()) dib.push_back(0);
  switch (kind) {
    case 0: {  // a header field gets an interesting value
      const std::size_t field = (random() % 10) * 4;
      if (field + 4 <= dib.size()) {
        const std::int32_t v = kInteresting[random() % (sizeof kInteresting / sizeof kInteresting[0])];
        std::memcpy(dib.data() + field, &v, 4);
      }
      break;
    }
    case 1:  // flip a byte anywhere
      dib[random() % dib.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
      break;
    case 2:  // cut the block short
      dib.resize(random() % (dib.size() + 1));
      break;
    case 3:  // grow it
      dib.resize(dib.size() + random() % 512, static_cast<std::uint8_t>(random()));
      break;
    case 4: {  // the 16-bit fields: planes and bit count
      const std::size_t field = 12 + (random() % 2) * 2;
      if (field + 2 <= dib.size()) {
        const std::uint16_t v = static_cast<std::uint16_t>(kInteresting[random() % 12]);
        std::memcpy(dib.data() + field, &v, 2);
      }
      break;
    }
    default:  // a random byte in the header
      if (dib.size() >= 40) dib[random() % 40] = static_cast<std::uint8_t>(random());
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 60;
  unsigned seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--seed") == 0) seed = static_cast<unsigned>(std::atol(argv[i + 1]));
  }
  const std::vector<std::vector<std::uint8_t>> seeds = seedDibs();
  std::mt19937 random(seed);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  long runs = 0, taken = 0;
  while (std::chrono::steady_clock::now() < end) {
    for (int batch = 0; batch < 256; ++batch) {
      std::vector<std::uint8_t> dib = seeds[random() % seeds.size()];
      const int mutations = 1 + static_cast<int>(random() % 4);
      for (int m = 0; m < mutations; ++m) mutate(dib, random);
      // The target reads exactly the block it is given: copy it so that the
      // sanitizer sees any read past its end.
      std::vector<std::uint8_t> exact(dib);
      exact.shrink_to_fit();
      imaging::Bitmap probe;
      if (imaging::fromDib(probe, exact.data(), exact.size()) == imaging::kSuccess) ++taken;
      LLVMFuzzerTestOneInput(exact.data(), exact.size());
      ++runs;
    }
  }
  std::printf("fuzz_from_dib: %ld inputs, %ld taken, seed %u, no faults\n", runs, taken, seed);
  return 0;
}

#endif  // LUMO_FUZZ_DRIVER
