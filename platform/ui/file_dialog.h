#pragma once
// Open and save file dialogs: what the caller asks for (kind, default name
// and extension, option flags, filter) and the path the user chose. All
// callers go through the installed service so tests can answer dialogs
// without a screen.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform::ui {

// Option flags, with the window system's values.
inline constexpr unsigned kOfnOverwritePrompt = 0x00000002;
inline constexpr unsigned kOfnHideReadOnly = 0x00000004;
inline constexpr unsigned kOfnNoChangeDir = 0x00000008;
inline constexpr unsigned kOfnFileMustExist = 0x00001000;
inline constexpr unsigned kOfnLongNames = 0x00200000;

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  std::string defaultName;       // the name preset in the dialog ("" for none)
  std::string defaultExtension;  // without the dot; appended to a name typed without one
  unsigned flags = 0;
  // "Text (*.a)|*.a|Other (*.b;*.c)|*.b;*.c|": description and pattern pairs,
  // each ended by '|'.
  std::string filter;
};

struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;
};

// The filter pairs of a "|"-separated filter string. An unpaired trailing
// description and empty pairs are dropped.
std::vector<FileFilter> parseFileFilter(const std::string& filter);

class FileDialogService {
public:
  virtual ~FileDialogService() = default;
  // Shows the dialog modally, owned by `owner` (may be null). Returns the
  // chosen full path (UTF-8), or nothing when the user cancelled.
  virtual std::optional<std::string> choose(QWidget* owner, const FileDialogRequest& request) = 0;
};

// The service that shows real Qt dialogs.
FileDialogService& qtFileDialogService();

// The installed service; the Qt one unless another was installed.
FileDialogService& fileDialogService();
// Installs `service` (not owned; it must outlive its use). Null restores the
// Qt service. Returns the previously installed one.
FileDialogService* installFileDialogService(FileDialogService* service);

} // namespace platform::ui
