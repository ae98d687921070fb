#pragma once
// Takes pictures from the camera on a thread of its own, so that a camera
// that is slow to answer never holds up the front end: reads, non-blocking
// polls and cancel stay responsive while a picture is being fetched.
//
// One grab at a time. When it ends (picture or failure) a byte is written to
// a pipe whose read end is the descriptor front ends select on; wake() writes
// the same byte from anywhere, a signal handler included.

#include "sane/camera_options.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace rz410 {

class Grabber {
public:
    enum class State { Idle, Grabbing, Ready, Failed };

    Grabber();
    // Waits for a grab in progress, then disconnects the camera.
    ~Grabber();
    Grabber(const Grabber&) = delete;
    Grabber& operator=(const Grabber&) = delete;

    // False when the pipe or the thread could not be made.
    bool valid() const { return readFd_ >= 0 && worker_.joinable(); }

    // Waits until an earlier grab (a cancelled one still talking to the
    // camera) has ended, then starts one with these settings. The size must
    // be a capture size (the options guarantee it).
    void start(const CaptureSettings& settings);

    State state() const noexcept { return state_.load(std::memory_order_acquire); }
    // The picture of the last successful grab, top row first, RGB or grey.
    std::span<const std::uint8_t> picture() const noexcept { return {pixels_.data(), pictureBytes_}; }

    int readyFd() const { return readFd_; }
    // Async-signal-safe.
    void wake() noexcept;
    // Waits up to `milliseconds` for the ready descriptor.
    void waitForWake(int milliseconds) const noexcept;

private:
    void run();
    bool grab(const CaptureSettings& settings);
    void drainWakes() noexcept;

    int readFd_ = -1;
    int writeFd_ = -1;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false;
    bool busy_ = false;
    bool stopping_ = false;
    CaptureSettings request_;

    std::atomic<State> state_{State::Idle};
    // Sized for the largest picture once, so grabbing never allocates.
    std::vector<std::uint8_t> pixels_;
    std::size_t pictureBytes_ = 0;
    bool connected_ = false;  // worker thread only
    std::thread worker_;
};

} // namespace rz410
