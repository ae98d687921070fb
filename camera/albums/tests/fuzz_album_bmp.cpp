// Fuzz target for the album's BMP reader: any file must be refused or read,
// never crash or read outside its bytes; a file that is read must give
// blocks whose sizes agree with its header, and pictures the imaging library
// takes must become thumbnails.
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target (seed it
// with tests/fuzz_album_bmp_corpus). Built without (LUMO_FUZZ_DRIVER), it
// carries its own mutating driver:
//   fuzz_album_bmp [--seconds N] [--seed S] [--corpus DIR]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "camera/albums/album_bmp_reader.h"
#include "imaging/dib.h"
#include "imaging/resize.h"

namespace {

[[noreturn]] void fault(const char* what)
{
    std::fprintf(stderr, "fuzz_album_bmp: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    lumoset::AlbumPicture picture;
    if (lumoset::readAlbumBmp(data, size, picture) != lumoset::BmpReadResult::Ok) {
        if (!picture.empty() || !picture.pixels.empty())
            fault("a refused file left buffers behind");
        return 0;
    }
    const imaging::BitmapInfoHeader h = picture.header();
    if (h.size != imaging::kBitmapInfoHeaderSize || h.width <= 0 || h.height <= 0)
        fault("the information block does not describe a bottom-up picture");
    if (picture.info.size() != imaging::kBitmapInfoHeaderSize + 4 * picture.colourEntries() ||
        picture.colourEntries() > lumoset::kMaxColourEntries)
        fault("the colour table has another size than the header gives");
    if (picture.pixels.size() != imaging::paddedRowBytes(h.width, h.bitCount) * std::size_t(h.height))
        fault("the pixel block has another size than the header gives");

    // The thumbnail path: what the imaging library takes it must resize.
    const std::vector<std::uint8_t> dib = picture.packedDib();
    imaging::Bitmap bitmap;
    if (imaging::fromDib(bitmap, dib.data(), dib.size()) == imaging::kSuccess &&
        bitmap.storageBytes() < 65536 && imaging::resize(bitmap, 60, 45) != imaging::kSuccess)
        fault("a taken picture cannot be made a thumbnail");
    return 0;
}

#ifdef LUMO_FUZZ_DRIVER

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

const std::int32_t kInteresting[] = {0, 1, -1, 2, 4, 8, 16, 24, 32, 40, 54, 108, 124, 255, 256, 257,
                                     1024, 1025, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 32768, 32769,
                                     0x3FFFFFFF, 0x7FFFFFFF, INT32_MIN};
// Field offsets of the file and information headers.
const std::size_t kFields32[] = {2, 10, 14, 18, 22, 30, 34, 38, 42, 46, 50};
const std::size_t kFields16[] = {26, 28};

void mutate(std::vector<std::uint8_t>& file, std::mt19937& random)
{
    if (file.empty())
        file.push_back(0);
    switch (random() % 6) {
    case 0: {
        const std::size_t field = kFields32[random() % std::size(kFields32)];
        if (field + 4 <= file.size()) {
            const std::int32_t v = kInteresting[random() % std::size(kInteresting)];
            std::memcpy(file.data() + field, &v, 4);
        }
        break;
    }
    case 1: {
        const std::size_t field = kFields16[random() % std::size(kFields16)];
        if (field + 2 <= file.size()) {
            const auto v = static_cast<std::uint16_t>(kInteresting[random() % 14]);
            std::memcpy(file.data() + field, &v, 2);
        }
        break;
    }
    case 2:
        file[random() % file.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        break;
    case 3:
        file.resize(random() % (file.size() + 1));
        break;
    case 4:
        file.resize(file.size() + random() % 512, static_cast<std::uint8_t>(random()));
        break;
    default:
        if (file.size() >= 54)
            file[random() % 54] = static_cast<std::uint8_t>(random());
        break;
    }
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 60;
    unsigned seed = 1;
    std::string corpus;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::atol(argv[i + 1]));
        else if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = argv[i + 1];
    }
    std::vector<std::vector<std::uint8_t>> seeds;
    if (!corpus.empty()) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(corpus, error)) {
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "fuzz_album_bmp: no seed files in '%s'\n", corpus.c_str());
        return 2;
    }
    long runs = 0;
    long read = 0;
    std::mt19937 random(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 256; ++batch) {
            std::vector<std::uint8_t> file = seeds[random() % seeds.size()];
            const int mutations = static_cast<int>(random() % 4);
            for (int m = 0; m < mutations; ++m)
                mutate(file, random);
            // Exactly the file's bytes, so the sanitizer sees any read past them.
            std::vector<std::uint8_t> exact(file);
            exact.shrink_to_fit();
            lumoset::AlbumPicture probe;
            if (lumoset::readAlbumBmp(exact.data(), exact.size(), probe) == lumoset::BmpReadResult::Ok)
                ++read;
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            ++runs;
        }
    }
    std::printf("fuzz_album_bmp: %ld inputs, %ld read, seed %u, no faults\n", runs, read, seed);
    return read > 0 ? 0 : 1;
}

#endif // LUMO_FUZZ_DRIVER
