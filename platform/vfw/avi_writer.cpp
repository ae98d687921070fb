#include "platform/vfw/avi_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform::vfw {

namespace {

constexpr std::uint32_t fourcc(const char (&s)[5])
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

constexpr std::uint32_t kRiff = fourcc("RIFF");
constexpr std::uint32_t kList = fourcc("LIST");
constexpr std::uint32_t kVideoChunk = fourcc("00db");  // uncompressed DIB
constexpr std::uint32_t kAudioChunk = fourcc("01wb");
constexpr std::uint32_t kVideoIndexChunk = fourcc("ix00");
constexpr std::uint32_t kAudioIndexChunk = fourcc("ix01");

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAvifIsInterleaved = 0x100;
constexpr std::uint32_t kAviifKeyframe = 0x10;
constexpr std::uint8_t kIndexOfIndexes = 0;
constexpr std::uint8_t kIndexOfChunks = 1;

constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kAvihBytes = 56;
constexpr std::size_t kStrhBytes = 56;
constexpr std::size_t kBitmapInfoHeaderBytes = 40;
constexpr std::size_t kGreyPaletteBytes = 256 * 4;
constexpr std::size_t kSuperIndexHeader = 24;
constexpr std::size_t kSuperIndexEntryBytes = 16;
constexpr std::size_t kStandardIndexHeader = 24;
constexpr std::size_t kStandardIndexEntryBytes = 8;
constexpr std::size_t kDmlhBytes = 248;
constexpr std::size_t kIdx1EntryBytes = 16;

// Field offsets inside the header chunks' data.
constexpr std::size_t kAvihTotalFrames = 16;
constexpr std::size_t kStrhLength = 32;
constexpr std::size_t kIndexEntriesInUse = 4;

constexpr std::uint64_t kMinimumSegmentLimit = 64 * 1024;
constexpr int kMaxDimension = 4096;

// Little-endian builder for header and index chunks.
class Bytes {
public:
    explicit Bytes(std::vector<std::uint8_t>& out) : out_(out) { out_.clear(); }
    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v) { u8(static_cast<std::uint8_t>(v)); u8(static_cast<std::uint8_t>(v >> 8)); }
    void u32(std::uint32_t v) { u16(static_cast<std::uint16_t>(v)); u16(static_cast<std::uint16_t>(v >> 16)); }
    void u64(std::uint64_t v) { u32(static_cast<std::uint32_t>(v)); u32(static_cast<std::uint32_t>(v >> 32)); }
    void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
    std::size_t size() const { return out_.size(); }
    // Starts a chunk (or a list with its type); returns where its size goes.
    std::size_t begin(std::uint32_t id, std::uint32_t listType = 0)
    {
        u32(id);
        const std::size_t at = size();
        u32(0);
        if (listType != 0)
            u32(listType);
        return at;
    }
    void end(std::size_t sizeAt) { patch32(sizeAt, static_cast<std::uint32_t>(size() - sizeAt - 4)); }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }

private:
    std::vector<std::uint8_t>& out_;
};

void le32(std::uint8_t* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

std::uint32_t dibFrameBytes(const AviVideoFormat& format)
{
    if (format.width <= 0 || format.height <= 0 || format.width > kMaxDimension ||
        format.height > kMaxDimension || (format.bitsPerPixel != 24 && format.bitsPerPixel != 8))
        return 0;
    const std::uint32_t row =
        (static_cast<std::uint32_t>(format.width) * static_cast<std::uint32_t>(format.bitsPerPixel) + 31) / 32 * 4;
    return row * static_cast<std::uint32_t>(format.height);
}

AviWriter::~AviWriter()
{
    close();
}

bool AviWriter::fail(const std::string& what)
{
    if (!failed_) {
        failed_ = true;
        error_ = what + (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string());
    }
    return false;
}

bool AviWriter::writeAll(const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(end_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        end_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool AviWriter::writeAt(std::uint64_t pos, const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        pos += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AviWriter::open(const std::filesystem::path& path, const AviVideoFormat& video,
                     const WaveFormatEx* audio, std::uint64_t segmentLimit)
{
    close();
    failed_ = false;
    error_.clear();
    errno = 0;
    video_ = video;
    frameBytes_ = dibFrameBytes(video);
    if (frameBytes_ == 0 || video.microSecPerFrame == 0)
        return fail("unsupported video format");
    hasAudio_ = audio != nullptr;
    if (hasAudio_) {
        const WaveFormatEx& w = *audio;
        const bool valid = w.wFormatTag == kWaveFormatPcm && w.nChannels >= 1 && w.nChannels <= 8 &&
                           (w.wBitsPerSample == 8 || w.wBitsPerSample == 16) &&
                           w.nBlockAlign == w.nChannels * w.wBitsPerSample / 8 &&
                           w.nSamplesPerSec >= 1000 && w.nSamplesPerSec <= 192000 &&
                           w.nAvgBytesPerSec == w.nSamplesPerSec * w.nBlockAlign;
        if (!valid)
            return fail("unsupported audio format");
        audio_ = w;
        audio_.cbSize = 0;
    }
    segmentLimit_ = std::max(segmentLimit, kMinimumSegmentLimit);
    segmentLimit_ = std::min<std::uint64_t>(segmentLimit_, 0xFFFFFFF0ull);
    if (frameBytes_ + 16384ull > segmentLimit_)
        return fail("segment limit too small for one frame");

    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        return fail("cannot create " + path.string());
    end_ = 0;
    segmentStarts_.clear();
    videoFrames_ = firstSegmentFrames_ = 0;
    audioBytes_ = 0;
    idx1_.clear();
    audioCarry_.clear();
    audioCarry_.reserve(hasAudio_ ? audio_.nBlockAlign : 0);
    videoStream_ = StreamState{};
    videoStream_.chunkId = kVideoChunk;
    audioStream_ = StreamState{};
    audioStream_.chunkId = kAudioChunk;
    // Every chunk of a segment gets an index entry; reserving for a full
    // segment keeps the frame path free of allocation.
    const std::size_t videoPerSegment = static_cast<std::size_t>(segmentLimit_ / (frameBytes_ + kChunkHeader)) + 1;
    videoStream_.segmentEntries.reserve(videoPerSegment);
    idx1_.reserve(hasAudio_ ? 2 * videoPerSegment + 16 : videoPerSegment);
    if (hasAudio_)
        audioStream_.segmentEntries.reserve(videoPerSegment + 16);
    if (!writeHeaders()) {
        fail("cannot write the headers");
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool AviWriter::writeHeaders()
{
    Bytes b(scratch_);
    const std::uint32_t usPerFrame = video_.microSecPerFrame;
    const std::uint32_t suggested = frameBytes_ + kChunkHeader;
    const bool grey = video_.bitsPerPixel == 8;

    const std::size_t riff = b.begin(kRiff, fourcc("AVI "));
    const std::size_t hdrl = b.begin(kList, fourcc("hdrl"));
    b.begin(fourcc("avih"));
    b.patch32(b.size() - 4, kAvihBytes);
    avihPos_ = b.size();
    const std::uint64_t videoBytesPerSec = static_cast<std::uint64_t>(frameBytes_) * 1000000u / usPerFrame;
    b.u32(usPerFrame);                                                    // dwMicroSecPerFrame
    b.u32(static_cast<std::uint32_t>(std::min<std::uint64_t>(
        videoBytesPerSec + (hasAudio_ ? audio_.nAvgBytesPerSec : 0), 0xFFFFFFFFu)));  // dwMaxBytesPerSec
    b.u32(0);                                                             // dwPaddingGranularity
    b.u32(kAvifHasIndex | (hasAudio_ ? kAvifIsInterleaved : 0));          // dwFlags
    b.u32(0);                                                             // dwTotalFrames
    b.u32(0);                                                             // dwInitialFrames
    b.u32(hasAudio_ ? 2 : 1);                                             // dwStreams
    b.u32(suggested);                                                     // dwSuggestedBufferSize
    b.u32(static_cast<std::uint32_t>(video_.width));                      // dwWidth
    b.u32(static_cast<std::uint32_t>(video_.height));                     // dwHeight
    b.zeros(16);                                                          // dwReserved[4]

    // Video stream.
    const std::size_t vstrl = b.begin(kList, fourcc("strl"));
    b.begin(fourcc("strh"));
    b.patch32(b.size() - 4, kStrhBytes);
    videoStrhPos_ = b.size();
    b.u32(fourcc("vids"));                                  // fccType
    b.u32(fourcc("DIB "));                                  // fccHandler
    b.u32(0);                                               // dwFlags
    b.u16(0);                                               // wPriority
    b.u16(0);                                               // wLanguage
    b.u32(0);                                               // dwInitialFrames
    b.u32(usPerFrame);                                      // dwScale
    b.u32(1000000);                                         // dwRate
    b.u32(0);                                               // dwStart
    b.u32(0);                                               // dwLength
    b.u32(suggested);                                       // dwSuggestedBufferSize
    b.u32(0xFFFFFFFFu);                                     // dwQuality
    b.u32(0);                                               // dwSampleSize
    b.u16(0);                                               // rcFrame.left
    b.u16(0);                                               // rcFrame.top
    b.u16(static_cast<std::uint16_t>(video_.width));        // rcFrame.right
    b.u16(static_cast<std::uint16_t>(video_.height));       // rcFrame.bottom
    const std::size_t vstrf = b.begin(fourcc("strf"));
    b.u32(kBitmapInfoHeaderBytes);                          // biSize
    b.u32(static_cast<std::uint32_t>(video_.width));        // biWidth
    b.u32(static_cast<std::uint32_t>(video_.height));       // biHeight: bottom-up
    b.u16(1);                                               // biPlanes
    b.u16(static_cast<std::uint16_t>(video_.bitsPerPixel)); // biBitCount
    b.u32(0);                                               // biCompression: BI_RGB
    b.u32(frameBytes_);                                     // biSizeImage
    b.u32(0);                                               // biXPelsPerMeter
    b.u32(0);                                               // biYPelsPerMeter
    b.u32(grey ? 256 : 0);                                  // biClrUsed
    b.u32(0);                                               // biClrImportant
    if (grey) {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            b.u8(v); b.u8(v); b.u8(v); b.u8(0);
        }
    }
    b.end(vstrf);
    auto superIndex = [&](StreamState& stream) {
        const std::size_t at = b.begin(fourcc("indx"));
        stream.superIndexPos = b.size();
        b.u16(4);                 // wLongsPerEntry
        b.u8(0);                  // bIndexSubType
        b.u8(kIndexOfIndexes);    // bIndexType
        b.u32(0);                 // nEntriesInUse
        b.u32(stream.chunkId);    // dwChunkId
        b.zeros(12);              // dwReserved[3]
        b.zeros(kSuperIndexEntryBytes * kSuperIndexEntries);
        b.end(at);
    };
    superIndex(videoStream_);
    b.end(vstrl);

    if (hasAudio_) {
        const std::size_t astrl = b.begin(kList, fourcc("strl"));
        b.begin(fourcc("strh"));
        b.patch32(b.size() - 4, kStrhBytes);
        audioStrhPos_ = b.size();
        b.u32(fourcc("auds"));                 // fccType
        b.u32(0);                              // fccHandler
        b.u32(0);                              // dwFlags
        b.u16(0);                              // wPriority
        b.u16(0);                              // wLanguage
        b.u32(0);                              // dwInitialFrames
        b.u32(audio_.nBlockAlign);             // dwScale
        b.u32(audio_.nAvgBytesPerSec);         // dwRate
        b.u32(0);                              // dwStart
        b.u32(0);                              // dwLength, in sample blocks
        b.u32(audio_.nAvgBytesPerSec / 4);     // dwSuggestedBufferSize
        b.u32(0xFFFFFFFFu);                    // dwQuality
        b.u32(audio_.nBlockAlign);             // dwSampleSize
        b.zeros(8);                            // rcFrame
        const std::size_t astrf = b.begin(fourcc("strf"));
        b.u16(audio_.wFormatTag);              // wFormatTag
        b.u16(audio_.nChannels);               // nChannels
        b.u32(audio_.nSamplesPerSec);          // nSamplesPerSec
        b.u32(audio_.nAvgBytesPerSec);         // nAvgBytesPerSec
        b.u16(audio_.nBlockAlign);             // nBlockAlign
        b.u16(audio_.wBitsPerSample);          // wBitsPerSample
        b.u16(0);                              // cbSize
        b.end(astrf);
        superIndex(audioStream_);
        b.end(astrl);
    }

    const std::size_t odml = b.begin(kList, fourcc("odml"));
    b.begin(fourcc("dmlh"));
    b.patch32(b.size() - 4, kDmlhBytes);
    dmlhPos_ = b.size();
    b.zeros(kDmlhBytes);  // dwTotalFrames, then reserved
    b.end(odml);
    b.end(hdrl);

    moviListPos_ = b.size();
    b.begin(kList, fourcc("movi"));
    b.end(riff);
    segmentStarts_.push_back(0);
    end_ = 0;
    return writeAll(scratch_.data(), scratch_.size()) && refreshHeaders();
}

std::uint64_t AviWriter::segmentSize() const
{
    return end_ - segmentStarts_.back();
}

bool AviWriter::refreshHeaders()
{
    // Sizes of the segment being written, then the counts.
    std::uint8_t v[4];
    const std::uint64_t segment = segmentStarts_.back();
    le32(v, static_cast<std::uint32_t>(end_ - segment - kChunkHeader));
    if (!writeAt(segment + 4, v, 4))
        return false;
    le32(v, static_cast<std::uint32_t>(end_ - moviListPos_ - kChunkHeader));
    if (!writeAt(moviListPos_ + 4, v, 4))
        return false;
    le32(v, segmentStarts_.size() == 1 ? videoFrames_ : firstSegmentFrames_);
    if (!writeAt(avihPos_ + kAvihTotalFrames, v, 4))
        return false;
    le32(v, videoFrames_);
    if (!writeAt(videoStrhPos_ + kStrhLength, v, 4) || !writeAt(dmlhPos_, v, 4))
        return false;
    if (hasAudio_) {
        le32(v, static_cast<std::uint32_t>(audioBytes_ / audio_.nBlockAlign));
        if (!writeAt(audioStrhPos_ + kStrhLength, v, 4))
            return false;
    }
    return true;
}

bool AviWriter::writeChunk(StreamState& stream, std::span<const std::uint8_t> data, std::uint64_t duration)
{
    if (fd_ < 0 || failed_)
        return false;
    const std::size_t padded = data.size() + (data.size() & 1);
    // Room for this chunk and for the indexes that close the segment.
    const auto indexBytes = [&](const StreamState& s, std::size_t extra) {
        return kChunkHeader + kStandardIndexHeader + kStandardIndexEntryBytes * (s.segmentEntries.size() + extra);
    };
    std::uint64_t closing = indexBytes(videoStream_, &stream == &videoStream_) +
                            (hasAudio_ ? indexBytes(audioStream_, &stream == &audioStream_) : 0);
    if (segmentStarts_.size() == 1)
        closing += kChunkHeader + kIdx1EntryBytes * (idx1_.size() + 1);
    const bool segmentHasChunks = !videoStream_.segmentEntries.empty() || !audioStream_.segmentEntries.empty();
    if (segmentHasChunks && segmentSize() + kChunkHeader + padded + closing > segmentLimit_) {
        if (!endSegment() || !beginSegment())
            return false;
    }

    const std::uint64_t chunkPos = end_;
    std::uint8_t header[kChunkHeader];
    le32(header, stream.chunkId);
    le32(header + 4, static_cast<std::uint32_t>(data.size()));
    std::uint8_t pad = 0;
    iovec parts[3] = {{header, sizeof header},
                      {const_cast<std::uint8_t*>(data.data()), data.size()},
                      {&pad, padded - data.size()}};
    std::size_t total = sizeof header + padded;
    std::size_t done = 0;
    while (done < total) {
        // Skip what was already written of the parts.
        iovec rest[3];
        int count = 0;
        std::size_t skip = done;
        for (const iovec& part : parts) {
            if (skip >= part.iov_len) {
                skip -= part.iov_len;
                continue;
            }
            rest[count++] = {static_cast<std::uint8_t*>(part.iov_base) + skip, part.iov_len - skip};
            skip = 0;
        }
        const ssize_t n = ::pwritev(fd_, rest, count, static_cast<off_t>(end_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Keep the file as it was before this chunk: every size in the
            // headers still describes whole chunks.
            if (::ftruncate(fd_, static_cast<off_t>(end_)) != 0) {
            }
            return fail("cannot write a chunk");
        }
        done += static_cast<std::size_t>(n);
    }
    end_ += total;
    stream.segmentEntries.push_back({chunkPos, static_cast<std::uint32_t>(data.size())});
    stream.segmentDuration += duration;
    if (segmentStarts_.size() == 1)
        idx1_.push_back({stream.chunkId, static_cast<std::uint32_t>(chunkPos - (moviListPos_ + kChunkHeader)),
                         static_cast<std::uint32_t>(data.size())});
    if (&stream == &videoStream_) {
        ++videoFrames_;
        if (segmentStarts_.size() == 1)
            firstSegmentFrames_ = videoFrames_;
    } else {
        audioBytes_ += data.size();
    }
    if (!refreshHeaders())
        return fail("cannot update the headers");
    return true;
}

bool AviWriter::writeVideo(std::span<const std::uint8_t> frame)
{
    if (frame.size() != frameBytes_)
        return false;
    return writeChunk(videoStream_, frame, 1);
}

bool AviWriter::writeAudio(std::span<const std::uint8_t> samples)
{
    if (!hasAudio_ || fd_ < 0 || failed_)
        return false;
    const std::size_t block = audio_.nBlockAlign;
    if (!audioCarry_.empty()) {
        const std::size_t take = std::min(block - audioCarry_.size(), samples.size());
        audioCarry_.insert(audioCarry_.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(take));
        samples = samples.subspan(take);
        if (audioCarry_.size() < block)
            return true;
        if (!writeChunk(audioStream_, audioCarry_, 1))
            return false;
        audioCarry_.clear();
    }
    const std::size_t whole = samples.size() / block * block;
    if (whole > 0 && !writeChunk(audioStream_, samples.first(whole), whole / block))
        return false;
    audioCarry_.assign(samples.begin() + static_cast<std::ptrdiff_t>(whole), samples.end());
    return true;
}

bool AviWriter::writeStandardIndex(StreamState& stream)
{
    if (stream.segmentEntries.empty())
        return true;
    if (stream.superEntries >= kSuperIndexEntries)
        return fail("too many segments");
    Bytes b(scratch_);
    const std::uint32_t indexId = &stream == &videoStream_ ? kVideoIndexChunk : kAudioIndexChunk;
    const std::size_t at = b.begin(indexId);
    b.u16(2);                                                              // wLongsPerEntry
    b.u8(0);                                                               // bIndexSubType
    b.u8(kIndexOfChunks);                                                  // bIndexType
    b.u32(static_cast<std::uint32_t>(stream.segmentEntries.size()));      // nEntriesInUse
    b.u32(stream.chunkId);                                                 // dwChunkId
    b.u64(moviListPos_);                                                   // qwBaseOffset
    b.u32(0);                                                              // dwReserved3
    for (const IndexEntry& e : stream.segmentEntries) {
        b.u32(static_cast<std::uint32_t>(e.chunkPos + kChunkHeader - moviListPos_));  // dwOffset: the data
        b.u32(e.size);  // dwSize; every chunk is a key frame
    }
    b.end(at);
    const std::uint64_t indexPos = end_;
    if (!writeAll(scratch_.data(), scratch_.size()))
        return fail("cannot write an index");

    std::uint8_t entry[kSuperIndexEntryBytes];
    le32(entry, static_cast<std::uint32_t>(indexPos));
    le32(entry + 4, static_cast<std::uint32_t>(indexPos >> 32));
    le32(entry + 8, static_cast<std::uint32_t>(scratch_.size()));
    le32(entry + 12, static_cast<std::uint32_t>(stream.segmentDuration));
    std::uint8_t inUse[4];
    le32(inUse, stream.superEntries + 1);
    if (!writeAt(stream.superIndexPos + kSuperIndexHeader + kSuperIndexEntryBytes * stream.superEntries, entry,
                 sizeof entry) ||
        !writeAt(stream.superIndexPos + kIndexEntriesInUse, inUse, 4))
        return fail("cannot write the super index");
    ++stream.superEntries;
    stream.segmentEntries.clear();
    stream.segmentDuration = 0;
    return true;
}

bool AviWriter::endSegment()
{
    if (!writeStandardIndex(videoStream_) || (hasAudio_ && !writeStandardIndex(audioStream_)))
        return false;
    std::uint8_t v[4];
    le32(v, static_cast<std::uint32_t>(end_ - moviListPos_ - kChunkHeader));
    if (!writeAt(moviListPos_ + 4, v, 4))
        return fail("cannot close the segment");
    if (segmentStarts_.size() == 1 && !idx1_.empty()) {
        Bytes b(scratch_);
        const std::size_t at = b.begin(fourcc("idx1"));
        for (const Idx1Entry& e : idx1_) {
            b.u32(e.chunkId);
            b.u32(kAviifKeyframe);
            b.u32(e.offset);
            b.u32(e.size);
        }
        b.end(at);
        if (!writeAll(scratch_.data(), scratch_.size()))
            return fail("cannot write idx1");
        idx1_.clear();
    }
    return refreshHeaders() || fail("cannot update the headers");
}

bool AviWriter::beginSegment()
{
    if (videoStream_.superEntries >= kSuperIndexEntries || audioStream_.superEntries >= kSuperIndexEntries)
        return fail("too many segments");
    Bytes b(scratch_);
    const std::uint64_t start = end_;
    const std::size_t riff = b.begin(kRiff, fourcc("AVIX"));
    const std::size_t movi = b.begin(kList, fourcc("movi"));
    b.end(movi);
    b.end(riff);
    if (!writeAll(scratch_.data(), scratch_.size()))
        return fail("cannot start a segment");
    segmentStarts_.push_back(start);
    moviListPos_ = start + 12;
    return refreshHeaders() || fail("cannot update the headers");
}

bool AviWriter::close()
{
    if (fd_ < 0)
        return !failed_;
    if (!failed_)
        endSegment();
    const bool synced = ::fsync(fd_) == 0 || errno == EINVAL;
    ::close(fd_);
    fd_ = -1;
    if (!synced)
        fail("cannot sync the file");
    return !failed_;
}

} // namespace platform::vfw
