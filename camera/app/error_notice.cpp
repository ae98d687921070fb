#include "camera/app/error_notice.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace lumoset {

namespace {
constexpr int kPixelsPerCharacter = 4;  // half the notice font's average width
constexpr int kRaise = 4;
const QColor kNoticeColour(0, 255, 0);
} // namespace

ErrorNotice::ErrorNotice(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    QFont font("Arial");
    font.setPixelSize(14);
    font.setBold(true);
    setFont(font);
    hide();
}

void ErrorNotice::showText(const std::string& text, const QRect& preview)
{
    text_ = text;
    if (text_.empty()) {
        hide();
        return;
    }
    const QString shown = QString::fromStdString(text_);
    const QPoint centre = preview.center();
    const QPoint textTopLeft(centre.x() - kPixelsPerCharacter * static_cast<int>(shown.size()),
                             centre.y() - kRaise);
    // The widget covers the preview and whatever of the text reaches past it.
    const QFontMetrics metrics(font());
    const QRect textRect(textTopLeft, QSize(metrics.horizontalAdvance(shown), metrics.height()));
    const QRect area = preview.united(textRect);
    setGeometry(area);
    origin_ = textTopLeft - area.topLeft();
    show();
    raise();
    update();
}

void ErrorNotice::paintEvent(QPaintEvent*)
{
    if (text_.empty())
        return;
    QPainter painter(this);
    painter.setPen(kNoticeColour);
    painter.setFont(font());
    painter.drawText(origin_ + QPoint(0, QFontMetrics(font()).ascent()),
                     QString::fromStdString(text_));
}

} // namespace lumoset
