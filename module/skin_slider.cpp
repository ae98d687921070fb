#include "module/skin_slider.h"

#include "module/module_skin.h"
#include "module/module_strings.h"
#include "module/setting_dlg.h"
#include "platform/ui/message_box.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace ostrel2 {
namespace {
// The slider's texts are strings 10 to 13 of the current language.
constexpr int kFirstSliderText = kStrHue;
constexpr int kEnglish = 0;
} // namespace

CSkinSlider* CSkinSlider::create(int type, int grooveBitmap, const std::function<int()>& language, QWidget* parent)
{
    const QImage& groove = moduleBitmap(grooveBitmap);
    const QImage& thumb = sliderThumbImage();
    if (groove.isNull() || thumb.isNull()) {
        platform::ui::messageBox(parent, moduleString(kEnglish, kStrMemoryInsufficient), productName(),
                                 platform::ui::kMbOk);
        return nullptr;
    }
    return new CSkinSlider(type, groove, thumb, language, parent);
}

CSkinSlider::CSkinSlider(int type, QImage groove, QImage thumb, std::function<int()> language, QWidget* parent)
    : QWidget(parent), type_(type), groove_(std::move(groove)), thumb_(std::move(thumb)), language_(std::move(language))
{
    setObjectName(QStringLiteral("slider%1").arg(type));
    resize(groove_.width() + 1, groove_.height() + 1);
    loadTooltip();
}

void CSkinSlider::loadTooltip()
{
    setToolTip(QString::fromStdString(moduleString(language_ ? language_() : 0, kFirstSliderText + type_)));
}

void CSkinSlider::setValue(int value)
{
    offset_ = std::clamp(value * kPixelsPerStep, -kMaxOffset, kMaxOffset);
    update();
}

QRect CSkinSlider::thumbRect() const
{
    return QRect(restX() + offset_, (height() - kThumbHeight) / 2, kThumbWidth, kThumbHeight);
}

std::intptr_t CSkinSlider::windowMessage(std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message == kUmLanguageChanged)
        loadTooltip();
    return 0;
}

void CSkinSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, groove_);
    painter.drawImage(thumbRect().topLeft(), thumb_);
}

void CSkinSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !thumbRect().contains(event->position().toPoint()))
        return;
    pressed_ = true;
    dragged_ = false;
    pressX_ = event->position().toPoint().x();
    pressOffset_ = offset_;
    grabMouse();
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_)
        return;
    if (!dragged_) {
        dragged_ = true;
        platform::ui::sendToParent(this, kUmStopPreview, 0, 0);
    }
    offset_ = std::clamp(pressOffset_ + event->position().toPoint().x() - pressX_, -kMaxOffset, kMaxOffset);
    update();
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!pressed_ || event->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    releaseMouse();
    if (dragged_)
        platform::ui::sendToParent(this, kUmSliderValue, static_cast<std::uintptr_t>(type_), value());
    dragged_ = false;
}

} // namespace ostrel2
