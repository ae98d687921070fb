#pragma once
// The green notice over the live picture ("Device not ready !"): text on a
// transparent background, drawn above the preview so it shows whatever the
// preview last painted. It takes no mouse input.

#include <QWidget>

#include <string>

namespace lumoset {

class ErrorNotice final : public QWidget {
public:
    explicit ErrorNotice(QWidget* parent);

    // Shows `text` centred on `preview` (main-window client coordinates): its
    // left at the centre less 4 pixels per character, its top 4 pixels above
    // the centre. An empty text hides the notice.
    void showText(const std::string& text, const QRect& preview);
    const std::string& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string text_;
    QPoint origin_;  // top-left of the text, in this widget
};

} // namespace lumoset
