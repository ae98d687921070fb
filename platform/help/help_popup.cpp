#include "platform/help/help_popup.h"

#include <algorithm>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace platform::help {
namespace {

// A text column narrow enough to read at a glance beside the pointer.
constexpr int kTextWidth = 300;
constexpr int kMargin = 8;
// Below and right of the pointer, so the pop-up does not hide what was
// clicked.
constexpr QPoint kOffsetFromPointer(12, 16);
constexpr char16_t kBullet = u'\u2022';

QString paragraphsAsText(const std::vector<HelpParagraph>& paragraphs) {
  QStringList blocks;
  for (const HelpParagraph& paragraph : paragraphs) {
    QString text = QString::fromStdString(paragraph.text);
    if (paragraph.listItem) text = QString(QChar(kBullet)) + u' ' + text;
    // List items sit on consecutive lines; other paragraphs are set apart.
    if (!blocks.isEmpty() && !(paragraph.listItem && blocks.back().startsWith(QChar(kBullet)))) {
      blocks.back() += u'\n';
    }
    blocks.push_back(text);
  }
  return blocks.join(u'\n');
}

} // namespace

HelpPopup::HelpPopup(QWidget* owner, const std::string& title,
                     const std::vector<HelpParagraph>& paragraphs)
    : QFrame(owner, Qt::Popup) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("helpPopup"));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setAutoFillBackground(true);
  setPalette(QPalette(QColor(0, 0, 0), QColor(255, 255, 225)));

  title_ = new QLabel(QString::fromStdString(title), this);
  title_->setTextFormat(Qt::PlainText);
  title_->setWordWrap(true);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);

  body_ = new QLabel(paragraphsAsText(paragraphs), this);
  body_->setTextFormat(Qt::PlainText);
  body_->setWordWrap(true);
  body_->setFixedWidth(kTextWidth);
  body_->setVisible(!paragraphs.empty());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->setSpacing(kMargin / 2);
  layout->addWidget(title_);
  layout->addWidget(body_);
}

void HelpPopup::popUpNear(const QPoint& globalPoint) {
  adjustSize();
  QPoint topLeft = globalPoint + kOffsetFromPointer;
  QScreen* screen = QGuiApplication::screenAt(globalPoint);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    // Flip to the other side of the pointer where the pop-up would leave
    // the screen, then keep it inside.
    if (topLeft.x() + width() > area.right()) topLeft.setX(globalPoint.x() - width());
    if (topLeft.y() + height() > area.bottom()) topLeft.setY(globalPoint.y() - height());
    const int maxLeft = std::max(area.left(), area.right() - width());
    const int maxTop = std::max(area.top(), area.bottom() - height());
    topLeft.setX(std::clamp(topLeft.x(), area.left(), maxLeft));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), maxTop));
  }
  move(topLeft);
  show();
  activateWindow();
  setFocus(Qt::PopupFocusReason);
}

QString HelpPopup::titleText() const { return title_->text(); }

QString HelpPopup::bodyText() const { return body_->text(); }

// A click outside closes a Qt::Popup by itself; a click inside closes it too.
void HelpPopup::mousePressEvent(QMouseEvent* event) {
  event->accept();
  close();
}

void HelpPopup::keyPressEvent(QKeyEvent* event) {
  event->accept();
  close();
}

} // namespace platform::help
