// Fuzz target for reading a bitmap file into CDib: any bytes must be read or
// refused with a message, never crash, read outside the file or allocate
// more than the file could fill. A file that is read must write back to the
// same bytes of header, colour table and pixels.
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target. Built
// without (LUMO_FUZZ_DRIVER) it carries its own mutating driver over the
// seed corpus:
//   fuzz_cdib_read [--seconds N] [--seed S] [--corpus DIR]

#include "module/archive.h"
#include "module/cdib.h"
#include "platform/ui/testing/recording_message_boxes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

long readCount = 0;  // inputs that were read as bitmaps

[[noreturn]] void fault(const char* what)
{
    std::fprintf(stderr, "fuzz_cdib_read: %s\n", what);
    std::abort();
}

std::vector<std::uint8_t> writeBack(ostrel2::CDib& dib)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    if (file == nullptr)
        return {};
    {
        ostrel2::CArchive archive(file, ostrel2::CArchive::Mode::Store);
        if (dib.Serialize(archive) != 1)
            fault("a bitmap that was read does not write");
    }
    std::fclose(file);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static platform::ui::testing::RecordingMessageBoxes boxes;  // answers every box
    boxes.clear();
    ostrel2::CDib dib;
    auto archive = ostrel2::CArchive::loadFromMemory(data, size);
    if (!archive)
        return 0;
    const int read = dib.Serialize(*archive);
    if (read != 1) {
        if (boxes.shown().size() != 1)
            fault("a refused file did not say why exactly once");
        return 0;
    }
    if (!boxes.shown().empty())
        fault("a file that was read showed a message");
    ++readCount;
    if (dib.ImageSize() > size)
        fault("more pixels than the file holds");
    const std::vector<std::uint8_t> back = writeBack(dib);
    const std::size_t table = static_cast<std::size_t>(dib.ColourEntries()) * 4;
    if (back.size() != 54 + table + dib.ImageSize())
        fault("the written file has the wrong size");
    // The information header, the colour table and the pixels as they were.
    if (std::memcmp(back.data() + 14, data + 14, 40 + table) != 0)
        fault("header or colour table changed");
    const std::uint32_t offset = data[10] | data[11] << 8 | data[12] << 16 | static_cast<std::uint32_t>(data[13]) << 24;
    if (std::memcmp(back.data() + 54 + table, data + offset, dib.ImageSize()) != 0)
        fault("pixels changed");
    return 0;
}

#ifdef LUMO_FUZZ_DRIVER

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

const std::int32_t kInteresting[] = {0, 1, -1, 2, 4, 8, 16, 24, 32, 40, 53, 54, 55, 124, 255, 256, 1078,
                                     0x7FFF, 0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, INT32_MIN, -40};

void mutate(std::vector<std::uint8_t>& file, std::mt19937& random)
{
    if (file.empty())
        file.push_back(0);
    switch (random() % 6) {
    case 0: {  // a 32-bit field of the two headers gets an interesting value
        static const std::size_t fields[] = {2, 10, 14, 18, 22, 30, 34, 38, 42, 46, 50};
        const std::size_t at = fields[random() % (sizeof fields / sizeof fields[0])];
        if (at + 4 <= file.size()) {
            const std::int32_t v = kInteresting[random() % (sizeof kInteresting / sizeof kInteresting[0])];
            std::memcpy(file.data() + at, &v, 4);
        }
        break;
    }
    case 1:  // planes and bit count
        if (file.size() >= 30) {
            const std::uint16_t v = static_cast<std::uint16_t>(kInteresting[random() % 12]);
            std::memcpy(file.data() + 26 + 2 * (random() % 2), &v, 2);
        }
        break;
    case 2:
        file.resize(random() % (file.size() + 1));
        break;
    case 3:
        file.resize(file.size() + random() % 2048, static_cast<std::uint8_t>(random()));
        break;
    case 4:
        file[random() % file.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        break;
    default:
        if (file.size() >= 54)
            file[random() % 54] = static_cast<std::uint8_t>(random());
        break;
    }
}

std::vector<std::vector<std::uint8_t>> loadCorpus(const std::filesystem::path& folder)
{
    std::vector<std::vector<std::uint8_t>> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 60;
    unsigned seed = 1;
    std::string corpus = FUZZ_CORPUS_DIR;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::atol(argv[i + 1]));
        else if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = argv[i + 1];
    }
    const auto seeds = loadCorpus(corpus);
    if (seeds.empty()) {
        std::fprintf(stderr, "fuzz_cdib_read: no seed files in %s\n", corpus.c_str());
        return 1;
    }
    std::mt19937 random(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    for (const auto& s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());
    if (readCount != static_cast<long>(seeds.size())) {
        std::fprintf(stderr, "fuzz_cdib_read: only %ld of %zu seed files read\n", readCount, seeds.size());
        return 1;
    }
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 64; ++batch) {
            std::vector<std::uint8_t> file = seeds[random() % seeds.size()];
            const int mutations = 1 + static_cast<int>(random() % 4);
            for (int m = 0; m < mutations; ++m)
                mutate(file, random);
            // Exactly the file's bytes, so the sanitizer sees any read past them.
            std::vector<std::uint8_t> exact(file);
            exact.shrink_to_fit();
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            ++runs;
        }
    }
    std::printf("fuzz_cdib_read: %ld inputs from %zu seeds, %ld read, seed %u, no faults\n", runs, seeds.size(),
                readCount, seed);
    return 0;
}

#endif // LUMO_FUZZ_DRIVER
