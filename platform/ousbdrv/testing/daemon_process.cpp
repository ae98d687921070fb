#include "platform/ousbdrv/testing/daemon_process.h"

#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/socket_transport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform::ousbdrv::testing {
namespace fs = std::filesystem;
namespace {

std::vector<char*> argvOf(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

DaemonProcess::DaemonProcess(fs::path executable, fs::path root)
    : executable_(std::move(executable)), root_(std::move(root))
{
    if (root_.empty()) {
        // Short, so socket paths below it stay well inside their limit.
        std::string pattern = "/tmp/ousbdrv.XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            root_ = pattern;
        ownRoot_ = true;
    }
}

DaemonProcess::~DaemonProcess()
{
    if (pid_ > 0)
        stop();
    if (ownRoot_ && !root_.empty()) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

bool DaemonProcess::start(const std::vector<std::string>& args, const std::vector<int>& devices,
                          std::chrono::milliseconds timeout)
{
    if (pid_ > 0) {
        error_ = "already running";
        return false;
    }
    if (root_.empty()) {
        error_ = "no root directory";
        return false;
    }
    std::vector<std::string> all{executable_.string(), "--root", root_.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = argvOf(all);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, executable_.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        error_ = "cannot start " + executable_.string() + ": " + std::strerror(rc);
        return false;
    }
    pid_ = pid;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "ousbdrvd exited at start (status " + std::to_string(status) + ")";
            return false;
        }
        bool all = sendDaemonCommand(root_, "status").has_value();
        for (const int d : devices)
            all = all && deviceAnswers(d);
        if (all)
            return true;
        if (std::chrono::steady_clock::now() > deadline) {
            error_ = "ousbdrvd did not publish its devices in time";
            kill();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int DaemonProcess::runCommand(const std::vector<std::string>& args, std::string* output) const
{
    std::vector<std::string> all{executable_.string(), "--root", root_.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = argvOf(all);

    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return -1;
        }
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    }
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, executable_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        ::close(pipeFds[1]);
        if (rc == 0) {
            char chunk[4096];
            ssize_t n;
            while ((n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
                if (n > 0)
                    output->append(chunk, static_cast<std::size_t>(n));
        }
        ::close(pipeFds[0]);
    }
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int DaemonProcess::waitExit()
{
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int DaemonProcess::stop()
{
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGTERM);
    return waitExit();
}

void DaemonProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    waitExit();
}

bool DaemonProcess::deviceAnswers(int device) const
{
    SocketTransport transport(root_);
    return transport.open(std::string(kDeviceNamePrefix) + nodeName(device)) != nullptr;
}

} // namespace platform::ousbdrv::testing
