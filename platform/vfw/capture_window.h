#pragma once
// The capture window: a child window titled "Capture Window" that takes the
// capture messages (capture_messages.h) through platform::ui::sendMessage and
// does them with its CaptureEngine. With preview on it shows the driver's
// picture at the preview rate, stretched to the window when scaling is on.
//
// Senders hold it as a QPointer and send through platform::ui::sendMessage:
// once the window is destroyed the pointer is null and every message is
// ignored (answer 0). Notices of a capture (no sound device, camera lost,
// write failure, sequence ended) reach the handler on the window's thread.

#include "platform/vfw/audio_source.h"
#include "platform/vfw/capture_engine.h"
#include "platform/ui/window_message.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace platform::vfw {

inline constexpr const char* kCaptureWindowTitle = "Capture Window";

struct CaptureServices {
    // Where sound comes from; the default capture device when empty.
    AudioSourceFactory audioSources;
    // Called on the window's thread.
    std::function<void(CaptureNotice)> onNotice;
    std::uint64_t segmentLimit = AviWriter::kDefaultSegmentLimit;
};

class CaptureWindow final : public QWidget, public platform::ui::MessageTarget {
public:
    CaptureWindow(QWidget* parent, int controlId, CaptureServices services);
    ~CaptureWindow() override;

    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

    int controlId() const { return controlId_; }
    CaptureEngine& engine() { return engine_; }
    bool previewOn() const { return preview_; }
    bool scaleOn() const { return scale_; }
    int previewRateMs() const { return previewRateMs_; }
    // Frames shown by the preview since the window was made.
    int previewFramesShown() const { return previewFramesShown_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void updatePreviewTimer();
    void showPreviewFrame();

    int controlId_;
    CaptureServices services_;
    CaptureEngine engine_;
    bool preview_ = false;
    bool scale_ = false;
    int previewRateMs_ = 0;
    int previewTimer_ = 0;
    int previewFramesShown_ = 0;
    QImage picture_;
    std::vector<std::uint8_t> previewPixels_;
};

// Makes the capture window as child `controlId` of `parent` at `rect`,
// shown or hidden. Null when it cannot be made (no parent).
QPointer<CaptureWindow> createCaptureWindow(QWidget* parent, int controlId, const QRect& rect, bool visible,
                                            CaptureServices services);

} // namespace platform::vfw
