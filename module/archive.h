#pragma once
// The archive a serialisable object is stored to or loaded from: a file
// opened for storing or for loading. Errors are kept, not thrown: the caller
// asks failed() after its reads and writes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace ostrel2 {

class CArchive {
public:
    enum class Mode { Load, Store };

    // Over an open file (not closed by the archive).
    CArchive(std::FILE* file, Mode mode);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    // Opens a file for loading ("rb") or storing ("wb"); nullptr when it
    // cannot be opened.
    static std::unique_ptr<CArchive> open(const std::string& path, Mode mode);
    // Loads from a block of memory (the bytes must outlive the archive);
    // nullptr when no stream can be made over it.
    static std::unique_ptr<CArchive> loadFromMemory(const std::uint8_t* data, std::size_t size);

    bool IsLoading() const { return mode_ == Mode::Load; }
    bool IsStoring() const { return mode_ == Mode::Store; }
    void Flush();

    // Bytes actually read (fewer at the end of the file or on an error).
    std::size_t Read(void* buffer, std::size_t size);
    // False when not all bytes were written.
    bool Write(const void* data, std::size_t size);
    // Bytes between the position and the end of a loading archive; nullopt
    // when the file cannot tell.
    std::optional<std::uint64_t> BytesRemaining();
    bool failed() const;

private:
    CArchive(std::FILE* file, Mode mode, bool owned);

    std::FILE* file_;
    Mode mode_;
    bool owned_;
    bool failed_ = false;
};

} // namespace ostrel2
