#pragma once
// What the album tests share: BMP files with known pixels, a parent window
// that records the album's messages, a scripted save-as dialog, a scratch
// folder and a desktop of our own (PATH and XDG folders) to look programs up.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>
#include <gtest/gtest.h>

#include "camera/albums/album_strip.h"
#include "platform/clock/clock.h"
#include "platform/print/recording_printer.h"
#include "platform/ui/testing/recording_message_boxes.h"

#include "camera/albums/save_as_dialog.h"
#include "platform/shell/desktop_associations.h"
#include "platform/ui/window_message.h"

namespace lumoset::testing {

struct Colour {
    std::uint8_t red, green, blue;
};

// A BMP file of width x height (other depths: all pixels 0). 24 bits: every pixel `fill`, except the
// top-left quarter in `corner`. 8 bits: `colours` palette entries (written
// as the colours-used count when non-zero), entry 1 = fill, every pixel 1.
struct BmpRecipe {
    int width = 64;
    int height = 48;
    int bits = 24;
    Colour fill{200, 40, 10};
    Colour corner{20, 220, 30};
    std::uint32_t colours = 0;
    std::int32_t pelsPerMeter = 2835;
    std::uint32_t gapBeforePixels = 0;  // bytes between colour table and pixels
};
std::vector<std::uint8_t> makeBmp(const BmpRecipe& recipe);
void writeBinary(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool fileExists(const std::string& path);

// A fresh folder removed at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RecordedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
};

// The main window as the album sees it.
class RecordingParent : public QWidget, public platform::ui::MessageTarget {
public:
    RecordingParent();
    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::vector<RecordedMessage> messages;
    std::vector<RecordedMessage> messagesOf(std::uint32_t message) const;
};

// Answers the dialog with the queued paths (nothing = cancel) and keeps the
// requests.
class ScriptedSaveAsDialog : public SaveAsDialog {
public:
    std::optional<std::string> chooseSavePath(QWidget* owner, const SaveAsRequest& request) override;
    std::deque<std::optional<std::string>> answers;
    std::vector<SaveAsRequest> requests;
};

// A desktop under `root`: PATH = root/bin, data and config folders under it,
// BMP files opened by `bmpCommand` and AVI files by `aviCommand` (Exec
// lines; empty: no association).
platform::shell::DesktopDirectories makeDesktop(const std::string& root, const std::string& bmpCommand,
                                                const std::string& aviCommand);
// An executable script root/bin/<name> that writes its arguments, one a
// line, to <outputFile>.
std::string writeRecordingProgram(const std::string& root, const std::string& name,
                                  const std::string& outputFile);
// Polls for a file for up to ten seconds and returns its text.
std::optional<std::string> waitForFile(const std::string& path);

// A main window with one album in it, on a fake clock, a recording printer
// (600 dpi), a scripted save-as dialog and a desktop of its own.
class AlbumTest : public ::testing::Test {
protected:
    AlbumTest();
    ~AlbumTest() override;

    // Makes the album (kind 0 photo, 1 video) after the desktop is set up
    // with these open commands.
    AlbumStrip& makeAlbum(int kind, const std::string& bmpCommand = {}, const std::string& aviCommand = {});
    // Writes <folder>/<name>.bmp (and .avi for videos) and adds it.
    int addFile(const std::string& name, const BmpRecipe& recipe = {});
    std::string path(const std::string& name) const { return files / name; }
    int messageCount(std::uint32_t message) const;

    ScratchFolder files;
    ScratchFolder desktopRoot;
    platform::clock::FakeClock clock;
    platform::print::RecordingPrinterService printers{true, 600, 600};
    ScriptedSaveAsDialog dialog;
    platform::ui::testing::RecordingMessageBoxes boxes;
    std::unique_ptr<platform::shell::DesktopAssociations> desktop;
    std::unique_ptr<RecordingParent> parent;
    AlbumStrip* album = nullptr;
};

} // namespace lumoset::testing
