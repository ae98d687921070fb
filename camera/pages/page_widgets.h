#pragma once
// Building blocks the Video and Picture pages share: the value edits and
// unit lists of their time rows, and the small marks of their summary
// strips.

#include <QImage>
#include <initializer_list>
#include <map>
#include <string>

class QComboBox;
class QLineEdit;
class QPainter;
class QRect;
class QWidget;

namespace lumoset {

// Every time amount on the pages is a whole number in this range.
inline constexpr int kTimeValueMin = 1;
inline constexpr int kTimeValueMax = 100;

namespace pagewidgets {

// Unit names: 10008 seconds, 10009 minutes, 10010 hours (base ids).
inline constexpr int kStrSeconds = 10008;

inline constexpr int kRowIndent = 18;    // a time row sits under its radio button
inline constexpr int kStripHeight = 27;  // the tallest mark (19) with a margin
inline constexpr int kStripMargin = 4;

// An edit sized for a value of three digits.
QLineEdit* valueEdit(QWidget* parent);
// A drop-down list (no typing), as wide as its longest entry.
QComboBox* dropDownList(QWidget* parent);

// The summary marks of a page, loaded once when the page is initialised.
class StripMarks {
public:
  void load(std::initializer_list<const char*> names);
  // Draws mark `name` with its left edge at `x`, centred vertically in `strip`.
  void draw(QPainter& painter, const QRect& strip, int x, const char* name) const;

private:
  std::map<std::string, QImage> images_;
};

} // namespace pagewidgets
} // namespace lumoset
