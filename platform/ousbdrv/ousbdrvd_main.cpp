// ousbdrvd: the virtual camera daemon, and its command-line remote control.
#include "platform/ousbdrv/daemon.h"
#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/socket_transport.h"

#include <charconv>
#include <filesystem>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage = R"(Usage:
  ousbdrvd [--root DIR] [--device N]... [picture source] [options]
  ousbdrvd [--root DIR] --plug N | --unplug N | --status | --stop

The virtual RZ-410 camera. Publishes each camera as the device node DIR/ousbdrvNNN
(the device \\.\ousbdrvNNN) with its pipes PIPE00, PIPE01 and PIPE02, and serves the
camera's packet protocol on them until stopped (SIGTERM, SIGINT, or --stop).

  --root DIR            where the device nodes live (default: $OUSBDRV_ROOT, else
                        /tmp/rz410-ousbdrv)
  --device N            publish camera number N (0 to 31); repeatable; default 0

Picture sources (one at most; without one the camera shows an animated test scene):
  --image FILE          a still picture (BMP or PNG)
  --v4l2 DEVICE         a Video4Linux2 webcam, for example /dev/video0
  --video FILE          a video file, played at its rate over and over
  --source INPUT        anything ffmpeg reads (a file, a stream URL, a screen grab),
                        played once at its rate
  --source-format FMT   ffmpeg's input format for --source, for example lavfi
                        or x11grab
  --ffmpeg PROGRAM      the ffmpeg program to read them with (default: ffmpeg)
  Webcams, videos and streams are read through ffmpeg as 640 x 480 pictures.
  When such a source fails (webcam pulled out, stream or file ends, ffmpeg
  dies) its cameras unplug; it is tried again every second and they plug
  back when it delivers pictures again. One that cannot be opened at start
  is an error.

Options:
  --frame-interval MS   time between frames at exposure 0 (default 30)
  --exposure-step MS    added to the frame interval per unit of the exposure
                        register 58 (default 15)
  --ready-byte B        report "frame ready" in status byte B (0, 8 or 16) instead
                        of taking the three in turn
  --log FILE            append every packet and transfer to FILE, one line each

Talking to a running daemon (same --root):
  --plug N              publish camera N
  --unplug N            remove camera N; its open pipes fail
  --status              list the cameras with their format, interval and registers
  --stop                stop the daemon; it removes its nodes

  --help                this text
)";

std::optional<int> parseInt(std::string_view text, int min, int max)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "ousbdrvd: %s\n(see ousbdrvd --help)\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace platform::ousbdrv;
    DaemonOptions options;
    options.root = deviceRoot();
    std::string remote;  // a request for a running daemon
    std::string sourceOption;
    std::string sourceValue;
    std::string sourceFormat;
    std::string ffmpeg = "ffmpeg";

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--status" || arg == "--stop") {
            if (!remote.empty())
                return usageError("give one of --plug, --unplug, --status, --stop");
            remote = std::string(arg.substr(2));
            continue;
        }
        if (i + 1 >= argc)
            return usageError(std::string(arg) + " needs a value");
        const std::string_view value = argv[++i];
        if (arg == "--root") {
            if (value.empty())
                return usageError("--root needs a directory");
            options.root = std::string(value);
        } else if (arg == "--device") {
            const std::optional<int> n = parseInt(value, 0, kMaxDeviceNumber);
            if (!n)
                return usageError("--device takes a number from 0 to 31");
            for (const int d : options.devices)
                if (d == *n)
                    return usageError("device " + std::to_string(*n) + " given twice");
            options.devices.push_back(*n);
        } else if (arg == "--plug" || arg == "--unplug") {
            const std::optional<int> n = parseInt(value, 0, kMaxDeviceNumber);
            if (!n)
                return usageError(std::string(arg) + " takes a number from 0 to 31");
            if (!remote.empty())
                return usageError("give one of --plug, --unplug, --status, --stop");
            remote = std::string(arg.substr(2)) + " " + std::to_string(*n);
        } else if (arg == "--image" || arg == "--v4l2" || arg == "--video" || arg == "--source") {
            if (!sourceOption.empty())
                return usageError("give one picture source, not both " + sourceOption + " and " + std::string(arg));
            if (value.empty())
                return usageError(std::string(arg) + " needs a value");
            sourceOption = std::string(arg);
            sourceValue = std::string(value);
        } else if (arg == "--source-format") {
            sourceFormat = std::string(value);
        } else if (arg == "--ffmpeg") {
            if (value.empty())
                return usageError("--ffmpeg needs a program");
            ffmpeg = std::string(value);
        } else if (arg == "--log") {
            options.logFile = std::string(value);
        } else if (arg == "--frame-interval" || arg == "--exposure-step") {
            const std::optional<int> ms = parseInt(value, 0, 600000);
            if (!ms)
                return usageError(std::string(arg) + " takes milliseconds from 0 to 600000");
            (arg == "--frame-interval" ? options.camera.baseFrameInterval : options.camera.exposureStep) =
                std::chrono::milliseconds(*ms);
        } else if (arg == "--ready-byte") {
            const std::optional<int> b = parseInt(value, 0, 16);
            if (!b || (*b != 0 && *b != 8 && *b != 16))
                return usageError("--ready-byte takes 0, 8 or 16");
            options.camera.readyByte = *b;
        } else {
            return usageError("unknown option " + std::string(arg));
        }
    }

    if (!remote.empty()) {
        const std::optional<std::string> answer = sendDaemonCommand(options.root, remote);
        if (!answer) {
            std::fprintf(stderr, "ousbdrvd: no daemon answers under %s\n", options.root.c_str());
            return 1;
        }
        std::printf("%s\n", answer->c_str());
        if (remote == "stop" && answer->rfind("ok", 0) == 0) {
            // Return once the daemon has removed its nodes.
            for (int waited = 0; waited < 5000 && std::filesystem::exists(options.root / kDaemonSocketName);
                 waited += 10)
                ::usleep(10000);
        }
        return answer->rfind("ok", 0) == 0 ? 0 : 1;
    }
    if (!sourceFormat.empty() && sourceOption != "--source")
        return usageError("--source-format goes with --source");
    if (sourceOption == "--image")
        options.image = sourceValue;
    else if (sourceOption == "--v4l2")
        options.live = webcamSource(sourceValue);
    else if (sourceOption == "--video")
        options.live = videoFileSource(sourceValue);
    else if (sourceOption == "--source")
        options.live = ffmpegSource(sourceValue, sourceFormat);
    if (options.live)
        options.live->ffmpeg = ffmpeg;
    if (options.devices.empty())
        options.devices.push_back(0);
    Daemon daemon(std::move(options));
    return daemon.run();
}
