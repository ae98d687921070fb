#pragma once
// What the capture window does, without the window: one connected driver,
// the capture parameters and audio format, the capture file, the timed
// sequence capture on a background thread, and single frames captured on
// the caller's thread. The capture window (capture_window.h) turns its
// messages into these calls.
//
// A sequence writes one frame per requested frame interval: it waits for the
// interval's start, takes the driver's next frame and writes it; an interval
// whose frame came too late is filled with the frame before (counted as
// dropped), so the file's timing follows the clock. It ends at the time
// limit, at stop(), when the driver is told to stop, or cut short when the
// camera is lost or the file cannot be written; whatever ends it, the file
// is closed as a playable AVI holding every frame written.

#include "platform/vfw/audio_source.h"
#include "platform/vfw/avi_writer.h"
#include "platform/vfw/capture_messages.h"
#include "platform/vfw/driver_list.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::vfw {

// What a capture reports while it runs (from its own thread for sequences).
enum class CaptureNotice {
    NoAudioDevice,   // sound was asked for but no device took the format: recording without sound
    CameraLost,      // the driver lost the camera: the file ends with the frames before
    WriteFailed,     // the file could not be written on (disk full): it ends with the frames before
    SequenceEnded,   // a sequence finished (by any cause)
};

class CaptureEngine {
public:
    using NoticeHandler = std::function<void(CaptureNotice)>;

    CaptureEngine(AudioSourceFactory audioSources, NoticeHandler onNotice);
    ~CaptureEngine();
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // Loads driver `index` of the driver list and opens it; false (reason in
    // lastError()) when it is missing, does not load or cannot reach the camera.
    bool connect(int index);
    // Stops whatever runs and closes and unloads the driver.
    void disconnect();
    bool connected() const { return driver_ != nullptr; }

    CapDriverCaps driverCaps() const;
    CapStatus status() const;
    CaptureParms sequenceSetup() const;
    // Values that cannot work (no frame interval) are refused.
    bool setSequenceSetup(const CaptureParms& parms);
    WaveFormatEx audioFormat() const;
    bool setAudioFormat(const WaveFormatEx& format);
    bool setCaptureFile(const std::string& path);
    const std::string& captureFile() const { return captureFile_; }
    // Segment limit of the files written (the OpenDML segment size).
    void setSegmentLimit(std::uint64_t bytes) { segmentLimit_ = bytes; }

    bool startSequence();
    // Ends a running sequence and waits until its file is closed.
    bool stop();
    bool sequenceRunning() const { return capturing_.load(); }

    bool singleFrameOpen();
    bool singleFrame();
    bool singleFrameClose();

    // The driver's next frame for the preview, waiting at most `timeoutMs`;
    // false when none came or a capture owns the driver.
    bool previewFrame(std::vector<std::uint8_t>& pixels, VfwVideoFormat& format, std::uint32_t timeoutMs);

    const std::string& lastError() const { return lastError_; }

    // Frames of the current or last capture: written, dropped (intervals
    // filled with the frame before), and grabbed from the driver.
    std::uint32_t framesWritten() const { return framesWritten_.load(); }
    std::uint32_t framesDropped() const { return framesDropped_.load(); }
    std::uint32_t framesGrabbed() const { return framesGrabbed_.load(); }

private:
    void runSequence();
    bool openWriter(bool withAudio, std::unique_ptr<AudioSource>* audio);
    void drainAudio(AudioSource& source);
    void notice(CaptureNotice n);
    void joinSequence();

    AudioSourceFactory audioSources_;
    NoticeHandler onNotice_;
    std::unique_ptr<DriverLibrary> library_;
    void* driver_ = nullptr;
    int driverIndex_ = -1;
    VfwVideoFormat format_{};
    CaptureParms parms_{};
    WaveFormatEx audioFormat_{};
    std::string captureFile_;
    std::uint64_t segmentLimit_ = AviWriter::kDefaultSegmentLimit;
    std::string lastError_;

    AviWriter writer_;
    std::vector<std::uint8_t> frame_;
    std::vector<std::uint8_t> audioBuffer_;
    bool singleFrameOpen_ = false;
    std::atomic<bool> audioHardware_{false};

    std::thread sequence_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    std::atomic<bool> capturing_{false};
    std::atomic<std::uint32_t> framesWritten_{0};
    std::atomic<std::uint32_t> framesDropped_{0};
    std::atomic<std::uint32_t> framesGrabbed_{0};
    std::atomic<std::uint64_t> audioBytes_{0};
    std::atomic<std::uint32_t> elapsedMs_{0};
};

} // namespace platform::vfw
