#pragma once
// The ousbdrvd server: publishes virtual cameras as socket nodes under a
// root directory and serves every connection from one poll loop, so each
// camera sees its requests one at a time, in arrival order.

#include "platform/ousbdrv/live_source.h"
#include "platform/ousbdrv/packet_log.h"
#include "platform/ousbdrv/scene.h"
#include "platform/ousbdrv/virtual_camera.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ousbdrv {

struct DaemonOptions {
    std::filesystem::path root;
    std::vector<int> devices;
    std::filesystem::path image;  // empty: the test pattern
    // Pictures read through ffmpeg instead (a webcam, a video, a stream):
    // when it fails the devices unplug, when it is back they plug again.
    std::optional<LiveSourceInput> live;
    std::filesystem::path logFile;  // empty: no packet log
    CameraOptions camera;
};

class Daemon {
public:
    explicit Daemon(DaemonOptions options);
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Publishes the devices and serves until SIGTERM, SIGINT, SIGHUP or a
    // "stop" request; removes its nodes before returning. Returns the exit
    // status; failures to start are explained on stderr.
    int run();

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace platform::ousbdrv
