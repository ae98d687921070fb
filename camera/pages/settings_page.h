#pragma once
// What the three pages of the settings sheet share: controls addressed by
// their dialog ids, texts in the sheet's language, the integer exchange
// with its standard messages, and the page's part in the sheet's life
// (initialised when first shown, asked before it is left, applied on OK).

#include <QFrame>
#include <QString>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <map>

class QLineEdit;

namespace lumoset {

// Every page has a frame with this id at its bottom: the summary strip of
// the Video and Picture pages, the version line of the Language page.
inline constexpr int kIdStripFrame = 1116;

// The dynamic property that carries a control's dialog id.
inline constexpr const char* kControlIdProperty = "controlId";

// The first descendant of `root` with dialog id `id`; null when none.
QWidget* findControl(const QWidget* root, int id);

// A frame whose face is drawn by its page.
class StripFrame final : public QFrame {
public:
  using Painter = std::function<void(QPainter&, const QRect&)>;
  StripFrame(QWidget* parent, Painter painter);

protected:
  void paintEvent(QPaintEvent*) override;

private:
  Painter painter_;
};

class SettingsPage : public QWidget {
public:
  // `languageOffset`: 0, 1000, ... 5000; the page shows string (id + offset).
  explicit SettingsPage(int languageOffset, QWidget* parent = nullptr);

  // The page's control with dialog id `id`; null when it has none.
  QWidget* control(int id) const;
  template <class T> T* controlAs(int id) const { return qobject_cast<T*>(control(id)); }

  // Run by the sheet the first time it shows the page.
  void initialise();
  bool isInitialised() const { return initialised_; }

  // Asked by the sheet before it leaves the page (another tab or OK); false
  // keeps the user on the page, after the page has said why.
  virtual bool leave() = 0;
  // OK: the page writes its values. Only pages that were shown are asked.
  virtual void apply() = 0;

  int languageOffset() const { return languageOffset_; }
  // The text of base string id `baseId` in the page's language.
  QString text(int baseId) const;

protected:
  virtual void onInitialise() = 0;

  // Gives `widget` dialog id `id` and returns it.
  template <class W> W* addControl(int id, W* widget) {
    registerControl(id, widget);
    return widget;
  }
  void registerControl(int id, QWidget* widget);
  void enableControls(std::initializer_list<int> ids, bool enabled);

  // The integer in edit `editId`: whitespace around an optional sign and
  // digits, within [min, max]. Otherwise the standard message, the focus back
  // on the edit with its text selected, and false.
  bool exchangeInteger(int editId, int min, int max, int& value);
  void putInteger(int editId, int value);

  // A box with the string `baseId` of the page's language; OK only.
  void showPageMessage(int baseId);

private:
  int languageOffset_;
  bool initialised_ = false;
  std::map<int, QWidget*> controls_;
};

// The standard texts of a failed integer exchange.
inline constexpr const char* kParseIntegerMessage = "Please enter an integer.";
inline constexpr const char* kIntegerRangeMessage = "Please enter an integer between %1 and %2.";

} // namespace lumoset
