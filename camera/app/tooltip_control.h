#pragma once
// The main window's tooltip control. Each tool is a child control with the
// base id of its text; the text shown is that id plus the language offset
// the tooltips were last made for. Controls hand it their mouse moves (the
// record of message 0x470); it shows the tool's text beside the pointer.

#include <QPointer>
#include <QWidget>

#include <map>
#include <string>

#include "platform/ui/window_message.h"

namespace lumoset {

class TooltipControl {
public:
    // Attaches every tool with (base id + languageOffset), activates the
    // control and remembers the language.
    void registerTools(const std::map<QWidget*, int>& tools, int languageOffset);
    // Replaces every text when the language differs from the remembered one.
    // Returns whether anything changed.
    bool updateLanguage(int languageOffset);

    void activate() { active_ = true; }
    bool active() const { return active_; }
    int languageOffset() const { return languageOffset_; }

    // The text id and text of a tool; 0 / empty when it is none.
    int textId(const QWidget* tool) const;
    std::string text(const QWidget* tool) const;

    // Shows the tip of the tool the relayed mouse message came from.
    void relay(const platform::ui::WindowMessageRecord& record);
    // The tool whose tip was last shown.
    const QWidget* lastShownTool() const { return lastTool_; }

private:
    std::map<const QWidget*, int> baseIds_;
    int languageOffset_ = 0;
    bool active_ = false;
    QPointer<QWidget> lastTool_;
};

} // namespace lumoset
