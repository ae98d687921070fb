#pragma once
// RIFF AVI files: uncompressed DIB video (24-bit, or 8-bit with a 256-grey
// palette) and optional PCM audio, interleaved as the chunks come.
//
// The file is valid after every call that returned true: each chunk is
// followed by rewriting the sizes and frame counts in the headers, so a
// recording that is killed, or whose disk fills up, still plays up to its
// last whole frame. A RIFF segment is closed before it would pass the
// segment limit (1 GB) and the file goes on in AVIX segments with OpenDML
// indexes (a super index per stream, a standard index per segment); the
// first segment also gets the classic idx1 index.

#include "platform/vfw/capture_messages.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace platform::vfw {

struct AviVideoFormat {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;  // 24 colour, 8 grey
    std::uint32_t microSecPerFrame = 0;
};

// Bytes of one frame body: rows padded to four bytes; 0 for a format the
// writer does not take.
std::uint32_t dibFrameBytes(const AviVideoFormat& format);

class AviWriter {
public:
    static constexpr std::uint64_t kDefaultSegmentLimit = 1ull << 30;
    // The super index has room for this many segments per stream.
    static constexpr std::uint32_t kSuperIndexEntries = 256;

    AviWriter() = default;
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates (replaces) the file and writes the headers. `audio` null: no
    // sound stream. The segment limit is taken as given above 64 KiB (tests
    // use small ones); below that it is raised to 64 KiB.
    bool open(const std::filesystem::path& path, const AviVideoFormat& video,
              const WaveFormatEx* audio, std::uint64_t segmentLimit = kDefaultSegmentLimit);
    // One frame body of exactly the frame size.
    bool writeVideo(std::span<const std::uint8_t> frame);
    // Whole sample blocks of the audio format; a trailing part block is kept
    // for the next call.
    bool writeAudio(std::span<const std::uint8_t> samples);
    // Writes the indexes and closes. True when the whole file was written;
    // after a failure the file still holds every frame written before it.
    bool close();

    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }
    std::uint32_t videoFrames() const { return videoFrames_; }
    std::uint64_t audioBytes() const { return audioBytes_; }
    int segments() const { return static_cast<int>(segmentStarts_.size()); }
    std::uint32_t frameBytes() const { return frameBytes_; }

private:
    struct IndexEntry {
        std::uint64_t chunkPos;  // absolute position of the chunk header
        std::uint32_t size;      // data bytes
    };
    struct StreamState {
        std::uint32_t chunkId = 0;
        std::uint64_t superIndexPos = 0;  // the indx chunk's data
        std::uint32_t superEntries = 0;
        std::vector<IndexEntry> segmentEntries;  // this segment's chunks
        std::uint64_t segmentDuration = 0;       // frames or sample blocks in this segment
    };
    struct Idx1Entry {
        std::uint32_t chunkId;
        std::uint32_t offset;  // from the 'movi' type field
        std::uint32_t size;
    };

    bool writeHeaders();
    bool writeChunk(StreamState& stream, std::span<const std::uint8_t> data, std::uint64_t duration);
    bool refreshHeaders();
    bool endSegment();
    bool beginSegment();
    bool writeStandardIndex(StreamState& stream);
    bool writeAll(const void* data, std::size_t size);
    bool writeAt(std::uint64_t pos, const void* data, std::size_t size);
    bool fail(const std::string& what);
    std::uint64_t segmentSize() const;

    int fd_ = -1;
    bool failed_ = false;
    std::string error_;
    AviVideoFormat video_;
    WaveFormatEx audio_{};
    bool hasAudio_ = false;
    std::uint32_t frameBytes_ = 0;
    std::uint64_t segmentLimit_ = kDefaultSegmentLimit;

    std::uint64_t end_ = 0;  // bytes written, all valid
    std::vector<std::uint64_t> segmentStarts_;  // RIFF header positions
    std::uint64_t moviListPos_ = 0;             // of the current segment
    std::uint64_t avihPos_ = 0;
    std::uint64_t videoStrhPos_ = 0;
    std::uint64_t audioStrhPos_ = 0;
    std::uint64_t dmlhPos_ = 0;
    StreamState videoStream_;
    StreamState audioStream_;
    std::vector<Idx1Entry> idx1_;
    std::uint32_t firstSegmentFrames_ = 0;
    std::uint32_t videoFrames_ = 0;
    std::uint64_t audioBytes_ = 0;
    std::vector<std::uint8_t> audioCarry_;
    std::vector<std::uint8_t> scratch_;  // index chunks are built here
};

} // namespace platform::vfw
