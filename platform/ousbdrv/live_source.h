#pragma once
// Real pictures for the virtual camera: a webcam, a video file or anything
// else FFmpeg reads, decoded by an `ffmpeg` child process into 640 x 480
// RGB frames on a pipe. A reader thread keeps the newest whole frame; the
// camera copies it when it takes a picture, so a slow or stalled source
// never holds up a frame request.
//
// The source is Down (no child), Opening (a child that has not delivered a
// frame yet) or Live. When the child exits, closes its output or stops
// delivering, the source goes Down and remembers why; start() tries again.

#include "platform/ousbdrv/scene.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace platform::ousbdrv {

// What to give ffmpeg to read the pictures, and how to name them to a user.
struct LiveSourceInput {
    std::string name;                    // "webcam /dev/video0", "video file clip.mp4", ...
    std::vector<std::string> inputArgs;  // ffmpeg's input options, ending with "-i", INPUT
    std::string ffmpeg = "ffmpeg";       // the program; looked up on PATH without a '/'
};

// A Video4Linux2 device, read at its own rate.
LiveSourceInput webcamSource(const std::string& device);
// A video file (or a still picture) played at its rate, over and over.
LiveSourceInput videoFileSource(const std::string& file);
// Any ffmpeg input (a file, a URL, a screen grab...) played once at its
// rate; `format` is ffmpeg's input format ("lavfi", "x11grab"), or empty.
LiveSourceInput ffmpegSource(const std::string& input, const std::string& format);

class LiveSource final : public SceneSource {
public:
    enum class State { Down, Opening, Live };

    // A child that delivers nothing for this long after its last frame is
    // taken for failed and stopped.
    static constexpr std::chrono::seconds kStallTimeout{5};
    // A child that has not delivered its first frame by then is stopped.
    static constexpr std::chrono::seconds kOpenTimeout{15};

    explicit LiveSource(LiveSourceInput input);
    ~LiveSource() override;
    LiveSource(const LiveSource&) = delete;
    LiveSource& operator=(const LiveSource&) = delete;

    // Starts a child if none is running. False (reason in lastError()) when
    // the child cannot be started at all.
    bool start();
    // Stops the child and waits for it.
    void stop();
    // Waits until the source is Live or Down, at most `timeout` (after
    // which an opening child is stopped). True when Live.
    bool waitUntilOpen(std::chrono::milliseconds timeout);
    // Applies the stall and open timeouts and reaps a finished child;
    // returns the state. Call it now and then.
    State check();

    State state() const;
    // Readable whenever the state may have changed; drain() empties it.
    int wakeFd() const { return wakeFd_; }
    void drain() const;

    const std::string& name() const { return input_.name; }
    std::string lastError() const;
    pid_t childPid() const;
    std::uint64_t framesReceived() const;

    // The newest frame (black before the first).
    void render(const SceneTime& time, Picture& scene) const override;

private:
    void readLoop(int frameFd, int errorFd);
    void signalWake() const;
    void joinReader();

    LiveSourceInput input_;
    int wakeFd_ = -1;
    std::thread reader_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Down;
    bool finished_ = true;  // the reader has ended (joinable but done)
    pid_t pid_ = -1;
    std::chrono::steady_clock::time_point startedAt_{};
    std::chrono::steady_clock::time_point lastFrameAt_{};
    std::uint64_t frames_ = 0;
    std::string lastError_;
    Picture latest_;   // the newest whole frame
    Picture filling_;  // the frame being read (swapped with latest_ when whole)
};

} // namespace platform::ousbdrv
