#pragma once
// A bitmap slider of the camera window's drawer: a groove and a thumb that
// moves up to 20 pixels either side of its rest position, for values -10 to
// +10 (2 pixels per step). A drag stops the preview when it starts (message
// 0x408 to the parent) and reports the value when it ends (0x407).

#include "platform/ui/window_message.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace ostrel2 {

inline constexpr std::uint32_t kUmSliderValue = 0x0407;   // wParam type 0..3, lParam value
inline constexpr std::uint32_t kUmStopPreview = 0x0408;   // a drag began

enum SliderType { kSliderHue = 0, kSliderSaturation = 1, kSliderBrightness = 2, kSliderContrast = 3 };

class CSkinSlider : public QWidget, public platform::ui::MessageTarget {
public:
    static constexpr int kThumbWidth = 23;
    static constexpr int kThumbHeight = 11;
    static constexpr int kMaxOffset = 20;
    static constexpr int kPixelsPerStep = 2;

    // The slider of `type` with groove bitmap `grooveBitmap`, or null after
    // telling the user (owner: `parent`) when its art cannot be loaded.
    static CSkinSlider* create(int type, int grooveBitmap, const std::function<int()>& language, QWidget* parent);

    int type() const { return type_; }
    int value() const { return offset_ / kPixelsPerStep; }
    // Moves the thumb to `value` (-10..10) without reporting it.
    void setValue(int value);
    void loadTooltip();

    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CSkinSlider(int type, QImage groove, QImage thumb, std::function<int()> language, QWidget* parent);
    QRect thumbRect() const;
    int restX() const { return (width() - kThumbWidth) / 2; }

    int type_;
    QImage groove_;
    QImage thumb_;
    std::function<int()> language_;
    int offset_ = 0;
    bool pressed_ = false;
    bool dragged_ = false;
    int pressX_ = 0;
    int pressOffset_ = 0;
};

} // namespace ostrel2
