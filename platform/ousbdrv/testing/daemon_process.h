#pragma once
// Starts the real ousbdrvd for a test or a demo: a fresh root directory, the
// daemon spawned with an argument list (no shell), and a wait until its
// nodes answer. Stops it (or kills it) and removes the root at the end.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform::ousbdrv::testing {

class DaemonProcess {
public:
    // `executable` is bin/ousbdrvd; `root` empty makes a temporary one.
    DaemonProcess(std::filesystem::path executable, std::filesystem::path root = {});
    ~DaemonProcess();
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    // Spawns `ousbdrvd --root ROOT <args>` and waits until every camera in
    // `devices` opens (and the control socket answers). False with the
    // reason in error() if it exits or does not get there in time.
    bool start(const std::vector<std::string>& args, const std::vector<int>& devices,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Runs `ousbdrvd --root ROOT <args>` to completion; its exit status, or
    // -1 if it could not run. Its standard output goes to `output` when given.
    int runCommand(const std::vector<std::string>& args, std::string* output = nullptr) const;

    // SIGTERM and wait; the exit status (or -1).
    int stop();
    // SIGKILL and wait: the daemon leaves its nodes behind.
    void kill();
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // True when the device's control node opens.
    bool deviceAnswers(int device) const;

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& executable() const { return executable_; }
    const std::string& error() const { return error_; }

private:
    int waitExit();

    std::filesystem::path executable_;
    std::filesystem::path root_;
    bool ownRoot_ = false;
    pid_t pid_ = -1;
    std::string error_;
};

} // namespace platform::ousbdrv::testing
