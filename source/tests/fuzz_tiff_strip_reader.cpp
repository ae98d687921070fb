// Fuzz target for the file route's TIFF reader: any file must be refused or
// opened, and an opened file must deliver exactly its rows, in requests of
// any size, from inside the file, and then nothing more.
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target; built with
// LUMO_FUZZ_DRIVER it runs the plain driver of fuzz_driver.h over the seeds.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "source/tiff_strip_reader.h"

namespace {

[[noreturn]] void fault(const char* what)
{
    std::fprintf(stderr, "fuzz_tiff_strip_reader: %s\n", what);
    std::abort();
}

// The input as a file without touching the disk.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(::memfd_create("fuzz.tif", MFD_CLOEXEC))
    {
        if (fd_ < 0 || (size > 0 && ::write(fd_, data, size) != static_cast<ssize_t>(size)))
            fault("cannot make the input a file");
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    const std::string& path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

void readWhole(const std::string& path, bool blackAndWhite, std::size_t fileSize, std::uint32_t step)
{
    dorsa::TiffStripReader reader;
    if (!reader.open(path, blackAndWhite)) {
        if (reader.isOpen())
            fault("a refused file stays open");
        return;
    }
    if (reader.width() == 0 || reader.length() == 0 || reader.bytesPerRow() == 0)
        fault("an opened file has no rows");
    if (std::uint64_t{reader.length()} * reader.bytesPerRow() > fileSize)
        fault("the rows reach past the end of the file");
    const std::uint32_t rowsPerRead = 1 + step % reader.length();
    std::vector<std::uint8_t> buffer(std::size_t{rowsPerRead} * reader.bytesPerRow());
    std::uint64_t total = 0;
    for (;;) {
        const long got = reader.readRows(buffer.data(), rowsPerRead);
        if (got < 0)
            fault("rows inside the file could not be read");
        if (got == 0)
            break;
        if (static_cast<std::uint32_t>(got) > rowsPerRead)
            fault("more rows than asked for");
        total += static_cast<std::uint64_t>(got);
        if (total > reader.length())
            fault("more rows than the picture has");
    }
    if (total != reader.length() || reader.rowsLeft() != 0)
        fault("not every row was delivered");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    const std::uint32_t step = size > 0 ? data[size - 1] : 0;
    readWhole(file.path(), false, size, step);
    readWhole(file.path(), true, size, step + 1);
    return 0;
}

#ifdef LUMO_FUZZ_DRIVER
#include "source/tests/fuzz_driver.h"

int main(int argc, char** argv)
{
    return fuzzdriver::run("fuzz_tiff_strip_reader", FUZZ_CORPUS_DIR, argc, argv);
}
#endif
