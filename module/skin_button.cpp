#include "module/skin_button.h"

#include "module/module_skin.h"
#include "platform/ui/window_message.h"

#include <QMouseEvent>
#include <QPainter>

namespace ostrel2 {

CSkinButton::CSkinButton(int id, int upBitmap, int downBitmap, QWidget* parent)
    : QAbstractButton(parent), id_(id), up_(moduleBitmap(upBitmap)), down_(moduleBitmap(downBitmap))
{
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { platform::ui::sendClicked(this, id_); });
}

void CSkinButton::setForcedDown(bool down)
{
    forcedDown_ = down;
    update();
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QImage& face = (isDown() || forcedDown_) ? down_ : up_;
    if (!face.isNull())
        painter.drawImage(rect(), face);
}

void CTwinButton::mousePressEvent(QMouseEvent* event)
{
    if (twin_ != nullptr && event->button() == Qt::LeftButton)
        twin_->setForcedDown(true);
    CSkinButton::mousePressEvent(event);
}

void CTwinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (twin_ != nullptr)
        twin_->setForcedDown(false);
    CSkinButton::mouseReleaseEvent(event);
}

} // namespace ostrel2
