#pragma once
// AlbumStrip: the photo album (kind 0) or the video album (kind 1), a narrow
// child window of the main window with a vertical strip of numbered
// thumbnails, four at a time, one of them framed as selected.
//
// Interface for the main window:
//   - construct both albums as its children (kind 0 photo, 1 video) and call
//     create(QSize(70, 272)) on each; show, hide and move them itself.
//   - hand them to photo capture as lumoset::AlbumReceiver (addPicture adds
//     the item); after each addition re-read itemCount() and the arrows.
//   - commands 1092 / 1095 (photo) and 1093 / 1094 (video): scrollUp() /
//     scrollDown(), then canScrollUp() / canScrollDown() for its arrows.
//   - before recording: isFull() on the video album (it reports 10305 itself).
//   - it must be a platform::ui::MessageTarget and hear, with lParam 0:
//       AlbumStrip::kUmArrowsChanged (0x464), wParam kind: re-read the arrows;
//       AlbumStrip::kUmError (0x465), wParam kind: show string
//         pendingMessageId() + the language offset in a message box, timer
//         201 paused around it;
//       AlbumStrip::kUmPausePreview (0x46F), wParam 0 pause / 1 resume timer 201.
//   Texts composed at run time (file names in them) the album shows itself.
//
// Thumbnails are drawn once into a pre-drawn strip as tall as 50 items;
// painting and scrolling only copy rectangles of it. Slides block the
// user-interface thread for ten 5 ms pauses on the injected clock.

#include <cstdint>
#include <memory>
#include <string>

#include <QImage>
#include <QRect>
#include <QWidget>

#include "camera/albums/album_bmp_reader.h"
#include "camera/capture/photo_capture.h"
#include "camera/core/string_table.h"
#include "platform/ui/window_message.h"

class QMenu;

namespace platform::clock { class Clock; }
namespace platform::print { class PrinterService; }
namespace platform::shell { class DesktopAssociations; }

namespace lumoset {

class SaveAsDialog;

// String ids of the albums: menu texts (also the menu item ids), lookup
// keys and save-as filters.
inline constexpr int kStrSave = 10202;
inline constexpr int kStrDelete = 10203;
inline constexpr int kStrOpen = 10204;
inline constexpr int kStrPrint = 10205;
inline constexpr int kStrImageEditorAppPath = 10206;
inline constexpr int kStrBmpExtension = 10208;
inline constexpr int kStrOpenCommandVerb = 10209;
inline constexpr int kStrAviExtension = 10210;
inline constexpr int kStrPlayCommandVerb = 10211;
inline constexpr int kStrPhotoSaveFilter = 10212;
inline constexpr int kStrVideoSaveFilter = 10213;
// Messages.
inline constexpr int kStrNoProgramForBmp = 10301;
inline constexpr int kStrNoProgramForAvi = 10302;
inline constexpr int kStrAlbumFull = 10305;
inline constexpr int kStrInvalidBitmapFormat = 10306;
// 10303, 10304 (camera/core/string_table.h) and 10307 to 10309
// (camera/capture/photo_capture.h) are shared with the rest of the program.

inline constexpr int kAlbumNameSlotBytes = 256;
inline constexpr int kAlbumVisibleSlots = 4;
inline constexpr int kThumbnailWidth = 60;
inline constexpr int kThumbnailHeight = 45;

// Positions of an album of a given client size.
struct AlbumLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    int marginX = 0;        // thumbnail left edge
    int gap = 0;            // space above each thumbnail
    int pitch = 0;          // from one item to the next
    int topRemainder = 0;   // how far the window shows the strip lower
    int stripWidth = 0;
    int stripHeight = 0;

    static AlbumLayout forClient(int width, int height);
    // Item k in strip coordinates: its thumbnail with one column to the left.
    QRect itemRect(int k) const;
    // Slot 0..3 in window coordinates.
    QRect slotRect(int slot) const;
};

class AlbumStrip : public QWidget, public AlbumReceiver {
public:
    enum Kind { kPhoto = 0, kVideo = 1 };

    static constexpr int kCapacity = 50;
    // Messages to the parent window, lParam 0.
    static constexpr std::uint32_t kUmArrowsChanged = 0x0464;  // wParam kind
    static constexpr std::uint32_t kUmError = 0x0465;          // wParam kind
    static constexpr std::uint32_t kUmPausePreview = platform::ui::kUmSliderDrag;  // 0x46F
    static constexpr std::uintptr_t kPausePreview = 0;
    static constexpr std::uintptr_t kResumePreview = 1;

    // What the album reaches outside itself; all must outlive the album.
    struct Services {
        platform::clock::Clock& clock;
        platform::print::PrinterService& printers;
        SaveAsDialog& saveAsDialog;
        const platform::shell::DesktopAssociations& associations;
    };

    AlbumStrip(int kind, Services services, QWidget* parent);
    ~AlbumStrip() override;

    // Lays the album out for `clientSize`, makes the strip, the menu and the
    // font and finds the open program. False (after 10304 through
    // kUmAlbumError) when the strip cannot be made.
    bool create(QSize clientSize);

    // 1 when the picture at path + ".bmp" became the newest item, else 0.
    int addItem(const std::string& pathWithoutExtension);
    void addPicture(const std::string& pathWithoutExtension) override { addItem(pathWithoutExtension); }
    // 1 (after reporting 10305) when the album holds 50 items.
    int isFull();

    void scrollUp();
    void scrollDown();

    int kind() const { return kind_; }
    int itemCount() const { return count_; }
    bool canScrollUp() const { return canScrollUp_; }
    bool canScrollDown() const { return canScrollDown_; }
    int pendingMessageId() const { return pendingMessageId_; }
    const std::string& pendingMessageText() const { return pendingMessageText_; }

    int selectedIndex() const { return selected_; }
    int firstVisible() const { return firstVisible_; }
    std::string itemName(int index) const;
    const std::string& folder() const { return folder_; }
    const std::string& openProgram() const { return openProgram_; }
    const AlbumLayout& layout() const { return layout_; }
    QMenu* contextMenu() const { return menu_.get(); }
    // The pre-drawn strip and what the window shows, for inspection.
    const QImage& strip() const { return strip_; }
    const QImage& windowSurface() const { return surface_; }

    // Item operations on the selected item.
    int openSelected();
    int saveSelected();    // 1 when the item left the album's folder
    int deleteSelected();  // 1 when its files were deleted
    int printSelected();
    // Takes the selected item out of the strip (after a save or delete).
    void removeSelected();
    // Runs a context-menu command by its id (a string id).
    void runMenuCommand(int commandId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void reportError(int stringId);
    void showText(const std::string& text);
    void findOpenProgram();
    // Deletes the item's BMP (reporting a failure); the photo-style delete.
    bool deleteThumbnailFile();
    std::string itemPath(int index, const char* extension) const;
    bool readPicture(const std::string& path);
    bool makeThumbnail(QImage& thumbnail);
    void drawItem(int index, const QImage& thumbnail, int number);
    void frameItem(int index, bool selectionColour);
    void recomputeArrows();
    void renderWindow();
    void blitStrip(int stripY, int height, int windowY);
    void slideUp(int slot, int fromItem, int rows);
    void slideDown(int rows);
    int slotAt(QPoint point) const;
    bool selectSlot(int slot);
    void popUpMenu(QPoint clickPoint);

    const int kind_;
    Services services_;
    AlbumLayout layout_;
    std::unique_ptr<char[]> names_;  // 50 slots of 256 bytes
    int count_ = 0;
    std::string folder_;
    int firstVisible_ = 0;
    int selected_ = -1;
    int previousSelection_ = -1;
    int runningNumber_ = 0;
    bool canScrollUp_ = false;
    bool canScrollDown_ = false;
    bool menuClosed_ = true;
    bool keepFileAfterSave_ = false;
    QImage strip_;
    QImage surface_;
    AlbumPicture picture_;
    std::string openProgram_;
    std::unique_ptr<QMenu> menu_;
    int pendingMessageId_ = 0;
    std::string pendingMessageText_;
};

} // namespace lumoset
