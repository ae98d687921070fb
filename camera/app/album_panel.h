#pragma once
// What the main window needs of each of its two albums (the photo album
// and the video album): the strip window it shows and moves, what it holds,
// its scroll arrows, and the text id of its last error. Photo capture hands
// new pictures to it as an AlbumReceiver.

#include "camera/capture/photo_capture.h"

class QWidget;

namespace lumoset {

inline constexpr int kAlbumCapacity = 50;

class AlbumPanel : public AlbumReceiver {
public:
    virtual QWidget* window() = 0;
    virtual int itemCount() const = 0;
    // Whether the scroll-up / scroll-down arrows have somewhere to go.
    virtual bool canScrollUp() const = 0;
    virtual bool canScrollDown() const = 0;
    virtual void scrollUp() = 0;
    virtual void scrollDown() = 0;
    // Base id of the message the album asked the main window to show (0x465).
    virtual int pendingMessageId() const = 0;
    // True, after the album showed its own message, when it holds 50 items.
    virtual bool isFull() = 0;
};

} // namespace lumoset
