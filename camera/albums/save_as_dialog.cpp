#include "camera/albums/save_as_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace lumoset {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string qtNameFilters(const std::string& filter)
{
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t bar = filter.find('|', start);
        if (bar == std::string::npos)
            break;
        const size_t patternEnd = filter.find('|', bar + 1);
        if (patternEnd == std::string::npos)
            break;
        const std::string description = trimmed(filter.substr(start, bar - start));
        const std::string pattern = trimmed(filter.substr(bar + 1, patternEnd - bar - 1));
        if (description.empty() && pattern.empty())
            break;
        if (!out.empty())
            out += ";;";
        out += description + " (" + pattern + ")";
        start = patternEnd + 1;
    }
    return out;
}

std::optional<std::string> QtSaveAsDialog::chooseSavePath(QWidget* owner, const SaveAsRequest& request)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QString::fromStdString(qtNameFilters(request.filter)).split(";;"));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.selectFile(QString::fromStdString(request.initialName));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

} // namespace lumoset
