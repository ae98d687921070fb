#pragma once
// The thin progress strip under the live picture: 320 x 2 pixels, dark teal
// from the left edge up to position x width / total, light cyan after it.

#include <QColor>
#include <QRect>
#include <QWidget>

namespace lumoset {

class ProgressStrip : public QWidget {
public:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 2;
  static inline const QColor kDone{0, 89, 102};
  static inline const QColor kToDo{50, 255, 255};

  explicit ProgressStrip(QWidget* parent = nullptr);

  // Makes the strip a visible child of `parent` at `rect`.
  bool create(QWidget* parent, const QRect& rect);

  // Sets position and total and repaints at once.
  void setProgress(int position, int total);
  int position() const { return position_; }
  int total() const { return total_; }
  // Width of the dark part: position x width / total, within 0..width; 0
  // while there is no total.
  int doneWidth() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  int position_ = 0;
  int total_ = 0;
};

} // namespace lumoset
