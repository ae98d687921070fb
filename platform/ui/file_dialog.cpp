#include "platform/ui/file_dialog.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>

namespace platform::ui {

std::vector<FileFilter> parseFileFilter(const std::string& filter) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : filter) {
    if (c == '|') {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  // A last field without its closing '|' still counts.
  if (!field.empty())
    fields.push_back(field);

  std::vector<FileFilter> result;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    FileFilter entry;
    entry.description = fields[i];
    std::string pattern;
    for (char c : fields[i + 1] + ";") {
      if (c == ';') {
        if (!pattern.empty())
          entry.patterns.push_back(pattern);
        pattern.clear();
      } else if (c != ' ') {
        pattern.push_back(c);
      }
    }
    if (!entry.description.empty() && !entry.patterns.empty())
      result.push_back(std::move(entry));
  }
  return result;
}

namespace {

class QtFileDialogs final : public FileDialogService {
public:
  std::optional<std::string> choose(QWidget* owner, const FileDialogRequest& request) override {
    QFileDialog dialog(owner);
    const bool open = request.kind == FileDialogKind::Open;
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode((open && (request.flags & kOfnFileMustExist) != 0)
                           ? QFileDialog::ExistingFile
                           : QFileDialog::AnyFile);
    // Qt never changes the process's current directory, so kOfnNoChangeDir
    // needs nothing; a read-only box does not exist; names are always long.
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     open || (request.flags & kOfnOverwritePrompt) == 0);
    QStringList nameFilters;
    for (const FileFilter& entry : parseFileFilter(request.filter)) {
      QString line = QString::fromStdString(entry.description);
      // Qt reads the patterns from the parentheses; add them when the
      // description does not show them.
      if (!line.contains('(')) {
        QStringList patterns;
        for (const std::string& p : entry.patterns)
          patterns << QString::fromStdString(p);
        line += " (" + patterns.join(' ') + ")";
      }
      nameFilters << line;
    }
    if (!nameFilters.isEmpty())
      dialog.setNameFilters(nameFilters);
    if (!request.defaultExtension.empty())
      dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.defaultName.empty())
      dialog.selectFile(QString::fromStdString(request.defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  }
};

FileDialogService* installed = nullptr;

} // namespace

FileDialogService& qtFileDialogService() {
  static QtFileDialogs service;
  return service;
}

FileDialogService& fileDialogService() {
  return installed != nullptr ? *installed : qtFileDialogService();
}

FileDialogService* installFileDialogService(FileDialogService* service) {
  FileDialogService* previous = installed;
  installed = service;
  return previous;
}

} // namespace platform::ui
