#pragma once
// The main window as photo capture sees it, for tests: state, settings,
// folders and every call recorded.

#include "camera/capture/camera_error_reporter.h"
#include "camera/capture/device_channel.h"
#include "camera/capture/photo_capture.h"

#include <functional>
#include <string>
#include <vector>

namespace lumoset::testing {

class FakeMainWindow : public PhotoHost, public DeviceChannelHost, public CameraErrorReporter {
public:
    // PhotoHost
    PhotoControllerState& photoState() override { return state; }
    CapturedSettings& capturedSettings() override { return settings; }
    bool colourMode() const override { return colour; }
    bool normalZoom() const override { return !zoomed; }
    bool autoSnapRunning() const override { return seriesRunning; }
    int languageOffset() const override { return language * 1000; }
    std::string picFolder() const override { return folder + "/PIC"; }
    std::string aviFolder() const override { return folder + "/AVI"; }
    std::uint64_t freeDiskBytes() const override { return freeBytes; }
    void stopPreviewTimer() override { calls.push_back("stop timer"); timerRunning = false; }
    void startPreviewTimer() override { calls.push_back("start timer"); timerRunning = true; }
    void setWaitCursor(bool on) override { calls.push_back(on ? "wait cursor" : "arrow cursor"); }
    void showMessage(int stringId) override { messages.push_back(stringId); }
    void refreshAlbumButtons(bool videoAlbum) override
    {
        calls.push_back(videoAlbum ? "refresh video album" : "refresh photo album");
    }

    // CameraErrorReporter
    void reportCameraError(int code) override
    {
        errors.push_back(code);
        if (onError)
            onError(code);
    }

    PhotoControllerState state;
    CapturedSettings settings;
    bool colour = true;
    bool zoomed = false;
    bool seriesRunning = false;
    bool timerRunning = true;
    int language = 0;
    std::string folder;
    std::uint64_t freeBytes = 1ull << 40;
    std::vector<std::string> calls;
    std::vector<int> messages;
    std::vector<int> errors;
    // What the window does on a report (the real one closes the camera).
    std::function<void(int)> onError;
};

class RecordingAlbum : public AlbumReceiver {
public:
    void addPicture(const std::string& path) override { paths.push_back(path); }
    std::vector<std::string> paths;
};

} // namespace lumoset::testing
