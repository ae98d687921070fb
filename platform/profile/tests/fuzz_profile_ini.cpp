// Fuzz target for the INI service: any bytes as a settings file must parse,
// read through the service exactly as the parsed document says, and take a
// write of one key so that the key reads back, every other key keeps its
// value, and a refused write leaves the file byte for byte as it was.
//
// The input is the file; the names and values written are chosen from the
// file's own sections and keys, or made from its bytes (hostile names
// included: leading ';' or '[', blanks, quotes, NUL).
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target. Built
// without (LUMO_FUZZ_DRIVER) it carries its own mutating driver over the
// seed corpus:
//   fuzz_profile_ini [--seconds N] [--seed S] [--corpus DIR]

#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
namespace pp = platform::profile;

namespace {

constexpr const char* kFileName = "fuzz.ini";
// No value in a seed looks like this: a read that falls back to it missed.
constexpr const char* kMissing = "\x01missing\x01";
constexpr std::size_t kReadBuffer = 1 << 20;

[[noreturn]] void fault(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "fuzz_profile_ini: %s %s\n", what, detail.c_str());
    std::abort();
}

// A private Windows directory per process (fsync is cheap in /dev/shm), so
// that several fuzzers run side by side; removed at exit.
struct FuzzDirectory {
    fs::path path;
    FuzzDirectory()
    {
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "fuzz_profile_ini.XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr)
            fault("no temporary folder");
        path = tmpl;
        ::setenv(pp::kWindowsDirectoryVariable, tmpl.c_str(), 1);
    }
    ~FuzzDirectory()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

const fs::path& fuzzDirectory()
{
    static const FuzzDirectory dir;
    return dir.path;
}

std::string fileText()
{
    std::ifstream in(fuzzDirectory() / kFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileText(const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(fuzzDirectory() / kFileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Deterministic choices drawn from the input itself.
class Chooser {
public:
    Chooser(const std::uint8_t* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            state_ = (state_ ^ data[i]) * 0x100000001B3ull;
    }
    std::uint32_t next(std::uint32_t bound)
    {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return bound == 0 ? 0 : static_cast<std::uint32_t>((state_ >> 33) % bound);
    }

private:
    std::uint64_t state_ = 0xCBF29CE484222325ull;
};

std::string madeName(Chooser& choose)
{
    static const char kAlphabet[] = "abcXYZ019 ;[]'\"=_\t.";
    std::string name;
    const std::uint32_t length = 1 + choose.next(8);
    for (std::uint32_t i = 0; i < length; ++i)
        name += kAlphabet[choose.next(sizeof kAlphabet - 1)];
    if (choose.next(16) == 0)
        name[choose.next(static_cast<std::uint32_t>(name.size()))] = '\0';
    return name;
}

using Entries = std::vector<std::pair<std::pair<std::string, std::string>, std::string>>;

// The service reads and parses the file again on every call, and a lookup
// scans the lines, so checking every key of an input costs keys x size: a
// few keys picked by the input are checked through the document, fewer
// through the service. Over millions of inputs every key gets its turn.
constexpr std::uint32_t kCheckedKeys = 16;
constexpr std::uint32_t kServiceReads = 2;

// Keys picked from every section, with their values as the document holds them.
Entries pickEntries(const pp::IniDocument& doc, Chooser& choose)
{
    std::vector<std::pair<std::string, std::string>> names;
    for (const std::string& section : doc.sectionNames())
        for (const std::string& key : doc.keyNames(section))
            names.emplace_back(section, key);
    Entries entries;
    for (std::uint32_t i = 0; i < kCheckedKeys && !names.empty(); ++i) {
        auto& name = names[choose.next(static_cast<std::uint32_t>(names.size()))];
        const auto parsed = doc.value(name.first, name.second);
        if (!parsed)
            fault("a listed key has no value", name.first + "/" + name.second);
        entries.push_back({name, *parsed});
    }
    return entries;
}

bool sameName(std::string_view a, std::string_view b)
{
    auto trim = [](std::string_view s) {
        const std::size_t first = s.find_first_not_of(" \t\r\f\v");
        if (first == std::string_view::npos)
            return std::string_view();
        return s.substr(first, s.find_last_not_of(" \t\r\f\v") - first + 1);
    };
    return pp::equalsIgnoringCase(trim(a), trim(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzDirectory();
    writeFileText(data, size);
    const std::string before(reinterpret_cast<const char*>(data), size);
    const pp::IniDocument doc(before);
    if (doc.text() != before)
        fault("parsing and writing back changed the file");
    Chooser choose(data, size);
    const Entries entries = pickEntries(doc, choose);
    for (std::uint32_t i = 0; i < kServiceReads && !entries.empty(); ++i) {
        const auto& [name, parsed] = entries[choose.next(static_cast<std::uint32_t>(entries.size()))];
        if (pp::getPrivateProfileString(name.first, name.second, kMissing, kFileName, kReadBuffer) != parsed)
            fault("the service reads another value than the document", name.first + "/" + name.second);
    }

    const std::vector<std::string> sections = doc.sectionNames();
    std::string section = !sections.empty() && choose.next(4) != 0
                              ? sections[choose.next(static_cast<std::uint32_t>(sections.size()))]
                              : madeName(choose);
    const std::vector<std::string> keys = doc.keyNames(section);
    const std::string key = !keys.empty() && choose.next(4) != 0
                                ? keys[choose.next(static_cast<std::uint32_t>(keys.size()))]
                                : madeName(choose);
    // Values without blanks or quotes at their ends read back as written.
    const std::string value = "v" + std::to_string(choose.next(1000000)) + (choose.next(2) ? " x" : "");

    if (!pp::writePrivateProfileString(section, key, value, kFileName)) {
        if (fileText() != before)
            fault("a refused write changed the file");
        return 0;
    }
    const std::string read = pp::getPrivateProfileString(section, key, kMissing, kFileName, kReadBuffer);
    if (read != value)
        fault("a written key does not read back", "[" + section + "] " + key + " -> " + read);

    // Every other key keeps its value, in the file as parsed and, for a few,
    // through the service.
    auto othersUnchanged = [&](const char* what) {
        const pp::IniDocument now(fileText());
        for (const auto& [name, old] : entries) {
            if (sameName(name.first, section) && sameName(name.second, key))
                continue;
            if (now.value(name.first, name.second).value_or(kMissing) != old)
                fault(what, name.first + "/" + name.second);
        }
        for (std::uint32_t i = 0; i < kServiceReads && !entries.empty(); ++i) {
            const auto& [name, old] = entries[choose.next(static_cast<std::uint32_t>(entries.size()))];
            if (sameName(name.first, section) && sameName(name.second, key))
                continue;
            if (pp::getPrivateProfileString(name.first, name.second, kMissing, kFileName, kReadBuffer) != old)
                fault(what, name.first + "/" + name.second);
        }
    };
    othersUnchanged("writing one key changed another");
    // Removing the key again reads as missing unless the section held it
    // twice; either way nothing else changes.
    if (!pp::deletePrivateProfileKey(section, key, kFileName))
        fault("a written key cannot be removed");
    othersUnchanged("removing one key changed another");
    return 0;
}

#ifdef LUMO_FUZZ_DRIVER

#include <chrono>
#include <random>

namespace {

void mutate(std::string& text, std::mt19937& random)
{
    static const char* const kPieces[] = {"[", "]", "=", "\n", "\r\n", ";", "\"", "'", " ", "\t",
                                          "\xEF\xBB\xBF", "[drivers]", "key=value", "\0", "\r"};
    if (text.empty())
        text.push_back('\n');
    const std::size_t at = random() % (text.size() + 1);
    switch (random() % 5) {
    case 0: {  // a structural piece inserted
        const char* piece = kPieces[random() % std::size(kPieces)];
        text.insert(at, piece, std::max<std::size_t>(1, std::strlen(piece)));
        break;
    }
    case 1:  // a byte changed
        if (at < text.size())
            text[at] = static_cast<char>(random());
        break;
    case 2:  // cut
        text.resize(at);
        break;
    case 3:  // a line repeated
        if (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            text.insert(at, text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1));
        }
        break;
    default:  // a byte removed
        if (at < text.size())
            text.erase(at, 1);
        break;
    }
}

std::vector<std::string> loadCorpus(const fs::path& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 30;
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
        std::fprintf(stderr, "fuzz_profile_ini: no seed files in %s\n", corpus.c_str());
        return 1;
    }
    std::mt19937 random(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    for (const auto& s : seeds) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
        ++runs;
    }
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 16; ++batch) {
            std::string text = seeds[random() % seeds.size()];
            const int mutations = 1 + static_cast<int>(random() % 6);
            for (int m = 0; m < mutations; ++m)
                mutate(text, random);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            ++runs;
        }
    }
    std::printf("fuzz_profile_ini: %ld inputs from %zu seeds, seed %u, no faults\n", runs, seeds.size(), seed);
    return 0;
}

#endif // LUMO_FUZZ_DRIVER
