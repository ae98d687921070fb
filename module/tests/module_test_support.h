#pragma once
// Recording doubles of the camera access library and the camera window.

#include "module/camera_access.h"
#include "module/camera_connection.h"

#include <algorithm>
#include <string>
#include <vector>

namespace ostrel2::testing {

struct SettingCall {
    int setting;
    int first;
    int second;
    friend bool operator==(const SettingCall&, const SettingCall&) = default;
};

struct ImageCall {
    int colourMode;
    int width;
    int height;
    int code;
};

// A camera that is present while `present` is true and fills every picture
// with `fill`. Forwards to `inner` when one is given, recording either way.
class RecordingCamera final : public CameraAccess {
public:
    explicit RecordingCamera(CameraAccess* inner = nullptr) : inner_(inner) {}
    int init() override
    {
        ++inits;
        return inner_ ? inner_->init() : (present ? 1 : 0);
    }
    void setting(int setting, int first, int second) override
    {
        settings.push_back({setting, first, second});
        if (inner_)
            inner_->setting(setting, first, second);
    }
    int getImage(int colourMode, int width, int height, int code, unsigned char* pixels) override
    {
        images.push_back({colourMode, width, height, code});
        if (inner_)
            return inner_->getImage(colourMode, width, height, code, pixels);
        if (!present)
            return 0;
        std::fill(pixels, pixels + static_cast<std::size_t>(width) * height * (colourMode ? 3 : 1), fill);
        return 1;
    }
    void fini() override
    {
        ++finis;
        if (inner_)
            inner_->fini();
    }

    bool present = true;
    unsigned char fill = 0x80;
    int inits = 0;
    int finis = 0;
    std::vector<SettingCall> settings;
    std::vector<ImageCall> images;

private:
    CameraAccess* inner_;
};

class RecordingWindow final : public CameraConnectionHost {
public:
    void cameraStateChanged(CameraState s) override { states.push_back(s); }
    void startCameraTimer(int ms) override { timer = ms; }
    void stopCameraTimer() override { timer = 0; }
    void restorePreviewBackground() override { ++backgroundRestores; }
    bool drawPicture(const CDib& dib, const QRect& destination) override
    {
        drawnSizes.push_back(dib.Size());
        drawnAt.push_back(destination);
        return true;
    }
    void drawPreviewText(const std::string& text, QPoint, QColor colour) override
    {
        texts.push_back(text);
        textColour = colour;
    }
    void centreSliders() override { ++sliderCentrings; }
    QWidget* messageOwner() override { return nullptr; }

    std::vector<CameraState> states;
    int timer = 0;  // period of timer 1; 0 stopped
    int backgroundRestores = 0;
    std::vector<QSize> drawnSizes;
    std::vector<QRect> drawnAt;
    std::vector<std::string> texts;
    QColor textColour;
    int sliderCentrings = 0;
};

} // namespace ostrel2::testing
