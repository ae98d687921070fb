#pragma once
// The plain mutating driver the data source's fuzz targets carry when they
// are not built for libFuzzer: the seed files of a corpus folder, each run
// once as it is, then mutated copies (bytes flipped, set to boundary values,
// cut, grown, spliced) until the time is up. The copy handed to the target
// has exactly its bytes, so the sanitizers see any read past its end.
//   <target> [--seconds N] [--seed S] [--corpus DIR]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzzdriver {

inline void mutate(std::vector<std::uint8_t>& bytes, const std::vector<std::vector<std::uint8_t>>& seeds,
                   std::mt19937& random)
{
    static const std::uint32_t kBoundaries[] = {0, 1, 2, 3, 4, 7, 8, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000,
                                                0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    if (bytes.empty())
        bytes.push_back(0);
    const std::size_t at = random() % bytes.size();
    switch (random() % 7) {
    case 0:
        bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        break;
    case 1:
        bytes[at] = static_cast<std::uint8_t>(random());
        break;
    case 2: {  // a 16- or 32-bit field gets a boundary value
        const std::uint32_t v = kBoundaries[random() % std::size(kBoundaries)];
        const std::size_t width = random() % 2 ? 2 : 4;
        for (std::size_t i = 0; i < width && at + i < bytes.size(); ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        break;
    }
    case 3:
        bytes.resize(random() % (bytes.size() + 1));
        break;
    case 4:
        bytes.resize(bytes.size() + 1 + random() % 64, static_cast<std::uint8_t>(random()));
        break;
    case 5: {  // a piece of another seed over this one
        const auto& other = seeds[random() % seeds.size()];
        if (other.empty())
            break;
        const std::size_t from = random() % other.size();
        const std::size_t n = std::min<std::size_t>(1 + random() % 32, other.size() - from);
        for (std::size_t i = 0; i < n && at + i < bytes.size(); ++i)
            bytes[at + i] = other[from + i];
        break;
    }
    default:  // a byte removed
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
        break;
    }
}

inline int run(const char* name, const char* defaultCorpus, int argc, char** argv)
{
    double seconds = 30;
    unsigned seed = 1;
    std::string corpus = defaultCorpus;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::atol(argv[i + 1]));
        else if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = argv[i + 1];
    }
    std::vector<std::vector<std::uint8_t>> seeds;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(corpus, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "%s: no seed files in %s\n", name, corpus.c_str());
        return 1;
    }
    std::mt19937 random(seed);
    long runs = 0;
    for (const auto& s : seeds) {
        std::vector<std::uint8_t> exact(s);
        LLVMFuzzerTestOneInput(exact.data(), exact.size());
        ++runs;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 16; ++batch) {
            std::vector<std::uint8_t> bytes = seeds[random() % seeds.size()];
            const int mutations = 1 + static_cast<int>(random() % 5);
            for (int m = 0; m < mutations; ++m)
                mutate(bytes, seeds, random);
            std::vector<std::uint8_t> exact(bytes);
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            ++runs;
        }
    }
    std::printf("%s: %ld inputs from %zu seeds, seed %u, no faults\n", name, runs, seeds.size(), seed);
    return 0;
}

}  // namespace fuzzdriver
