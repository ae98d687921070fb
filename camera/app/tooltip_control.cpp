#include "camera/app/tooltip_control.h"

#include <QToolTip>

#include "camera/core/string_table.h"

namespace lumoset {

void TooltipControl::registerTools(const std::map<QWidget*, int>& tools, int languageOffset)
{
    baseIds_.clear();
    for (const auto& [tool, baseId] : tools)
        if (tool != nullptr)
            baseIds_[tool] = baseId;
    languageOffset_ = languageOffset;
    active_ = true;
}

bool TooltipControl::updateLanguage(int languageOffset)
{
    if (languageOffset == languageOffset_)
        return false;
    languageOffset_ = languageOffset;
    active_ = true;
    if (lastTool_ != nullptr && QToolTip::isVisible())
        QToolTip::hideText();
    return true;
}

int TooltipControl::textId(const QWidget* tool) const
{
    const auto it = baseIds_.find(tool);
    return it == baseIds_.end() ? 0 : it->second + languageOffset_;
}

std::string TooltipControl::text(const QWidget* tool) const
{
    const int id = textId(tool);
    return id == 0 ? std::string() : loadString(id);
}

void TooltipControl::relay(const platform::ui::WindowMessageRecord& record)
{
    if (!active_ || record.window == nullptr || record.message != platform::ui::kWmMouseMove)
        return;
    const std::string tip = text(record.window);
    if (tip.empty())
        return;
    // A tip already showing for this tool stays where it is, as a tooltip
    // control keeps its tip while the pointer moves within the tool.
    if (lastTool_ == record.window && QToolTip::isVisible())
        return;
    lastTool_ = record.window;
    const QPoint below = record.point + QPoint(0, 20);
    QToolTip::showText(record.window->mapToGlobal(below), QString::fromStdString(tip),
                       record.window);
}

} // namespace lumoset
