#include "camera/pages/settings_page.h"

#include <QLineEdit>
#include <QPainter>
#include <charconv>
#include <string>

#include "camera/core/string_table.h"
#include "platform/ui/message_box.h"

namespace lumoset {

QWidget* findControl(const QWidget* root, int id) {
  if (root == nullptr)
    return nullptr;
  for (QWidget* child : root->findChildren<QWidget*>()) {
    const QVariant value = child->property(kControlIdProperty);
    if (value.isValid() && value.toInt() == id)
      return child;
  }
  return nullptr;
}

StripFrame::StripFrame(QWidget* parent, Painter painter)
    : QFrame(parent), painter_(std::move(painter)) {
  setFrameShape(QFrame::NoFrame);
}

void StripFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter_(painter, rect());
}

SettingsPage::SettingsPage(int languageOffset, QWidget* parent)
    : QWidget(parent), languageOffset_(languageOffset) {}

QWidget* SettingsPage::control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

void SettingsPage::initialise() {
  if (initialised_)
    return;
  initialised_ = true;
  onInitialise();
}

QString SettingsPage::text(int baseId) const {
  return QString::fromStdString(loadString(baseId + languageOffset_));
}

void SettingsPage::registerControl(int id, QWidget* widget) {
  widget->setProperty(kControlIdProperty, id);
  controls_[id] = widget;
}

void SettingsPage::enableControls(std::initializer_list<int> ids, bool enabled) {
  for (int id : ids) {
    if (QWidget* widget = control(id))
      widget->setEnabled(enabled);
  }
}

namespace {

bool parseInteger(const std::string& text, long long& value) {
  std::size_t begin = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t");
  if (begin == std::string::npos)
    return false;
  const char* first = text.data() + begin;
  const char* last = text.data() + end + 1;
  if (*first == '+') {
    ++first;
    if (first == last || *first == '-')
      return false;
  }
  const auto [stop, error] = std::from_chars(first, last, value);
  return error == std::errc() && stop == last;
}

} // namespace

bool SettingsPage::exchangeInteger(int editId, int min, int max, int& value) {
  auto* edit = controlAs<QLineEdit>(editId);
  if (edit == nullptr)
    return false;
  long long parsed = 0;
  std::string message;
  if (!parseInteger(edit->text().toStdString(), parsed)) {
    message = kParseIntegerMessage;
  } else if (parsed < min || parsed > max) {
    message = QString(kIntegerRangeMessage).arg(min).arg(max).toStdString();
  } else {
    value = static_cast<int>(parsed);
    return true;
  }
  platform::ui::messageBox(this, message, loadString(kStrProgramName),
                           platform::ui::kMbOk | platform::ui::kMbIconWarning);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
  return false;
}

void SettingsPage::putInteger(int editId, int value) {
  if (auto* edit = controlAs<QLineEdit>(editId))
    edit->setText(QString::number(value));
}

void SettingsPage::showPageMessage(int baseId) {
  platform::ui::messageBox(this, loadString(baseId + languageOffset_),
                           loadString(kStrProgramName), platform::ui::kMbOk);
}

} // namespace lumoset
