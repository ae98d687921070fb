#pragma once
// The small window a help topic is shown in: a bold title over wrapped
// paragraphs, near the pointer, closed by the next click or key anywhere.

#include <string>
#include <vector>

#include <QFrame>

#include "platform/help/help_file.h"

class QLabel;

namespace platform::help {

class HelpPopup final : public QFrame {
public:
  // The pop-up is deleted when it closes. `owner` may be null.
  HelpPopup(QWidget* owner, const std::string& title,
            const std::vector<HelpParagraph>& paragraphs);

  // Shows the pop-up beside `globalPoint`, kept inside that point's screen.
  void popUpNear(const QPoint& globalPoint);

  QString titleText() const;
  QString bodyText() const;

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  QLabel* title_ = nullptr;
  QLabel* body_ = nullptr;
};

} // namespace platform::help
