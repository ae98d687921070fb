#include "module/archive.h"

namespace ostrel2 {

CArchive::CArchive(std::FILE* file, Mode mode) : CArchive(file, mode, false) {}

CArchive::CArchive(std::FILE* file, Mode mode, bool owned) : file_(file), mode_(mode), owned_(owned) {}

CArchive::~CArchive()
{
    if (owned_ && file_ != nullptr)
        std::fclose(file_);
}

std::unique_ptr<CArchive> CArchive::open(const std::string& path, Mode mode)
{
    std::FILE* file = std::fopen(path.c_str(), mode == Mode::Load ? "rb" : "wb");
    if (file == nullptr)
        return nullptr;
    return std::unique_ptr<CArchive>(new CArchive(file, mode, true));
}

std::unique_ptr<CArchive> CArchive::loadFromMemory(const std::uint8_t* data, std::size_t size)
{
    // fmemopen refuses an empty buffer; an empty stream over a dummy byte
    // reads as the empty file it stands for.
    static std::uint8_t empty = 0;
    std::FILE* file = size == 0 ? fmemopen(&empty, 1, "rb") : fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (file == nullptr)
        return nullptr;
    if (size == 0)
        std::fseek(file, 0, SEEK_END);
    return std::unique_ptr<CArchive>(new CArchive(file, Mode::Load, true));
}

void CArchive::Flush()
{
    if (file_ != nullptr && std::fflush(file_) != 0)
        failed_ = true;
}

std::size_t CArchive::Read(void* buffer, std::size_t size)
{
    if (file_ == nullptr || mode_ != Mode::Load) {
        failed_ = true;
        return 0;
    }
    const std::size_t got = std::fread(buffer, 1, size, file_);
    if (std::ferror(file_))
        failed_ = true;
    return got;
}

bool CArchive::Write(const void* data, std::size_t size)
{
    if (file_ == nullptr || mode_ != Mode::Store || std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
        return false;
    }
    return true;
}

std::optional<std::uint64_t> CArchive::BytesRemaining()
{
    if (file_ == nullptr)
        return std::nullopt;
    const long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0)
        return std::nullopt;
    const long end = std::ftell(file_);
    if (std::fseek(file_, here, SEEK_SET) != 0 || end < here)
        return std::nullopt;
    return static_cast<std::uint64_t>(end - here);
}

bool CArchive::failed() const
{
    return failed_ || (file_ != nullptr && std::ferror(file_));
}

} // namespace ostrel2
