#include "platform/ousbdrv/live_source.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform::ousbdrv {
namespace {

constexpr std::size_t kFrameBytes = static_cast<std::size_t>(kSceneWidth) * kSceneHeight * 3;
// Room for a few frames in the pipe, so ffmpeg rarely waits for the reader.
constexpr int kPipeCapacity = 4 * 1024 * 1024;
// Enough of ffmpeg's complaints to show the last one.
constexpr std::size_t kMaxErrorText = 2048;
constexpr std::chrono::seconds kStopGrace{2};

// Fitted into the scene with its aspect kept and black borders, as still
// pictures are.
constexpr const char* kFitFilter =
    "scale=640:480:force_original_aspect_ratio=decrease,"
    "pad=640:480:(ow-iw)/2:(oh-ih)/2,setsar=1,format=rgb24";

std::vector<std::string> ffmpegArguments(const LiveSourceInput& input)
{
    std::vector<std::string> args{input.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error"};
    args.insert(args.end(), input.inputArgs.begin(), input.inputArgs.end());
    args.insert(args.end(), {"-an", "-sn", "-dn", "-vf", kFitFilter, "-fps_mode", "passthrough", "-pix_fmt",
                             "rgb24", "-f", "rawvideo", "pipe:1"});
    return args;
}

// The last non-empty line of what ffmpeg wrote to its error output.
std::string lastLine(const std::string& text)
{
    std::size_t end = text.find_last_not_of("\r\n \t");
    if (end == std::string::npos)
        return {};
    const std::size_t begin = text.find_last_of("\r\n", end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
}

std::string describeExit(const siginfo_t& info)
{
    if (info.si_code == CLD_EXITED)
        return "ffmpeg exited with status " + std::to_string(info.si_status);
    return std::string("ffmpeg was ended by signal ") + ::strsignal(info.si_status);
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

LiveSourceInput webcamSource(const std::string& device)
{
    return {"webcam " + device, {"-f", "v4l2", "-i", device}, "ffmpeg"};
}

LiveSourceInput videoFileSource(const std::string& file)
{
    return {"video file " + file, {"-re", "-stream_loop", "-1", "-i", file}, "ffmpeg"};
}

LiveSourceInput ffmpegSource(const std::string& input, const std::string& format)
{
    LiveSourceInput source{input, {"-re"}, "ffmpeg"};
    if (!format.empty()) {
        source.name = format + " input " + input;
        source.inputArgs.insert(source.inputArgs.end(), {"-f", format});
    }
    source.inputArgs.insert(source.inputArgs.end(), {"-i", input});
    return source;
}

LiveSource::LiveSource(LiveSourceInput input) : input_(std::move(input))
{
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    latest_.resize(kSceneWidth, kSceneHeight);
    filling_.resize(kSceneWidth, kSceneHeight);
}

LiveSource::~LiveSource()
{
    stop();
    closeFd(wakeFd_);
}

void LiveSource::signalWake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void LiveSource::drain() const
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
}

bool LiveSource::start()
{
    {
        std::lock_guard lock(mutex_);
        if (!finished_)
            return true;  // a child is opening or live
    }
    joinReader();

    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        const std::string why = std::strerror(errno);
        closeFd(out[0]), closeFd(out[1]), closeFd(err[0]), closeFd(err[1]);
        std::lock_guard lock(mutex_);
        lastError_ = "cannot make a pipe: " + why;
        return false;
    }
    ::fcntl(out[0], F_SETPIPE_SZ, kPipeCapacity);  // a smaller pipe only costs more wake-ups

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The daemon blocks its stop signals and ignores SIGPIPE; the child gets
    // the defaults back. Its own process group keeps a terminal's Ctrl-C
    // for the daemon, which then stops the child itself.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> args = ffmpegArguments(input_);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const bool searchPath = input_.ffmpeg.find('/') == std::string::npos;
    const int rc = searchPath ? ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                              : ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    closeFd(out[1]);
    closeFd(err[1]);
    if (rc != 0) {
        closeFd(out[0]);
        closeFd(err[0]);
        std::lock_guard lock(mutex_);
        lastError_ = "cannot run " + input_.ffmpeg + ": " + std::strerror(rc);
        return false;
    }

    {
        std::lock_guard lock(mutex_);
        pid_ = pid;
        state_ = State::Opening;
        finished_ = false;
        startedAt_ = std::chrono::steady_clock::now();
        lastError_.clear();
    }
    reader_ = std::thread([this, frameFd = out[0], errorFd = err[0]] { readLoop(frameFd, errorFd); });
    signalWake();
    return true;
}

void LiveSource::readLoop(int frameFd, int errorFd)
{
    std::size_t filled = 0;
    std::string errorText;
    errorText.reserve(kMaxErrorText + 512);
    char chunk[512];
    while (frameFd >= 0 || errorFd >= 0) {
        pollfd fds[2] = {{frameFd, POLLIN, 0}, {errorFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0) {
            const ssize_t n = ::read(frameFd, filling_.rgb.data() + filled, kFrameBytes - filled);
            if (n > 0) {
                filled += static_cast<std::size_t>(n);
                if (filled == kFrameBytes) {
                    filled = 0;
                    bool opened = false;
                    {
                        std::lock_guard lock(mutex_);
                        std::swap(latest_.rgb, filling_.rgb);
                        ++frames_;
                        lastFrameAt_ = std::chrono::steady_clock::now();
                        opened = state_ == State::Opening;
                        state_ = State::Live;
                    }
                    if (opened) {
                        changed_.notify_all();
                        signalWake();
                    }
                }
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                closeFd(frameFd);
            }
        }
        if (fds[1].revents != 0) {
            const ssize_t n = ::read(errorFd, chunk, sizeof chunk);
            if (n > 0) {
                errorText.append(chunk, static_cast<std::size_t>(n));
                if (errorText.size() > kMaxErrorText)
                    errorText.erase(0, errorText.size() - kMaxErrorText);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                closeFd(errorFd);
            }
        }
    }
    closeFd(frameFd);
    closeFd(errorFd);

    // Wait for the exit without reaping, so the pid cannot be reused while
    // stop() or check() may still signal it.
    pid_t pid;
    {
        std::lock_guard lock(mutex_);
        pid = pid_;
    }
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    {
        std::lock_guard lock(mutex_);
        if (lastError_.empty()) {
            const std::string line = lastLine(errorText);
            lastError_ = line.empty() ? describeExit(info) : line;
        }
        pid_ = -1;
        state_ = State::Down;
        finished_ = true;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    changed_.notify_all();
    signalWake();
}

void LiveSource::joinReader()
{
    if (reader_.joinable())
        reader_.join();
}

void LiveSource::stop()
{
    std::unique_lock lock(mutex_);
    if (pid_ > 0)
        ::kill(pid_, SIGTERM);
    if (!changed_.wait_for(lock, kStopGrace, [this] { return finished_; })) {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
        changed_.wait(lock, [this] { return finished_; });
    }
    lock.unlock();
    joinReader();
}

bool LiveSource::waitUntilOpen(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return state_ != State::Opening; })) {
        lastError_ = "no picture within " + std::to_string(timeout.count() / 1000) + " s";
        lock.unlock();
        stop();
        return false;
    }
    return state_ == State::Live;
}

LiveSource::State LiveSource::check()
{
    bool finished;
    {
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (pid_ > 0 && state_ == State::Live && now - lastFrameAt_ > kStallTimeout) {
            lastError_ = "no picture for " + std::to_string(kStallTimeout.count()) + " s";
            ::kill(pid_, SIGKILL);
        } else if (pid_ > 0 && state_ == State::Opening && now - startedAt_ > kOpenTimeout) {
            lastError_ = "no picture within " + std::to_string(kOpenTimeout.count()) + " s";
            ::kill(pid_, SIGKILL);
        }
        finished = finished_;
    }
    if (finished)
        joinReader();
    return state();
}

LiveSource::State LiveSource::state() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

std::string LiveSource::lastError() const
{
    std::lock_guard lock(mutex_);
    return lastError_;
}

pid_t LiveSource::childPid() const
{
    std::lock_guard lock(mutex_);
    return pid_;
}

std::uint64_t LiveSource::framesReceived() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

void LiveSource::render(const SceneTime&, Picture& scene) const
{
    std::lock_guard lock(mutex_);
    if (scene.rgb.size() == latest_.rgb.size())
        std::memcpy(scene.rgb.data(), latest_.rgb.data(), latest_.rgb.size());
    else
        std::fill(scene.rgb.begin(), scene.rgb.end(), std::uint8_t{0});
}

} // namespace platform::ousbdrv
