#pragma once
// The save-as dialog the albums ask for a target name: an interface so that
// tests answer it, and the Qt file dialog the program uses.

#include <optional>
#include <string>

class QWidget;

namespace lumoset {

struct SaveAsRequest {
    std::string defaultExtension;  // added when the user types no extension
    std::string initialName;       // "*.bmp"
    // Pairs of description and pattern separated by '|', ending in "||":
    // "BMP (Windows bitmap) | *.bmp |JPG ... | *.jpg ||".
    std::string filter;
    bool confirmOverwrite = false;
};

class SaveAsDialog {
public:
    virtual ~SaveAsDialog() = default;
    // The chosen path, nothing when the user cancelled.
    virtual std::optional<std::string> chooseSavePath(QWidget* owner, const SaveAsRequest& request) = 0;
};

// A modal QFileDialog.
class QtSaveAsDialog final : public SaveAsDialog {
public:
    std::optional<std::string> chooseSavePath(QWidget* owner, const SaveAsRequest& request) override;
};

// The filter text as Qt writes it: "BMP (Windows bitmap) (*.bmp);;...".
std::string qtNameFilters(const std::string& filter);

} // namespace lumoset
