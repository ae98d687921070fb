#include "camera/albums/album_strip.h"

#include <algorithm>
#include <cstring>

#include <QAction>
#include <QFont>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "camera/core/string_table.h"
#include "imaging/dib.h"
#include "imaging/resize.h"
#include "platform/clock/clock.h"
#include "platform/memory/global_memory.h"
#include "platform/ui/message_box.h"

namespace lumoset {

namespace {

const QColor kBackground(0, 0, 0);
const QColor kSelectionFrame(28, 226, 255);
const QColor kLabelText(0, 255, 0);
constexpr int kLabelFontHeight = 13;
constexpr int kLabelHeight = 10;
constexpr int kLabelWidthOneDigit = 9;
constexpr int kLabelWidthMore = 18;
constexpr int kVideoLabelPixelsPerDigit = 8;
constexpr int kSlideFrames = 10;
constexpr platform::clock::Milliseconds kSlideFramePause{5};
constexpr QPoint kMenuOffset(13, 5);

} // namespace

AlbumLayout AlbumLayout::forClient(int width, int height)
{
    AlbumLayout l;
    l.clientWidth = width;
    l.clientHeight = height;
    l.marginX = (width - kThumbnailWidth) / 2;
    l.gap = (height - kAlbumVisibleSlots * kThumbnailHeight) / 5;
    l.pitch = kThumbnailHeight + l.gap;
    l.topRemainder = height - 5 * l.gap - kAlbumVisibleSlots * kThumbnailHeight + 1;
    l.stripWidth = width + 1;
    l.stripHeight = AlbumStrip::kCapacity * l.pitch + l.gap;
    return l;
}

QRect AlbumLayout::itemRect(int k) const
{
    // left x - 1, top gap + k pitch, right x + 60, bottom (k + 1) pitch, exclusive
    return QRect(QPoint(marginX - 1, gap + k * pitch),
                 QPoint(marginX + kThumbnailWidth - 1, (k + 1) * pitch - 1));
}

QRect AlbumLayout::slotRect(int slot) const
{
    return itemRect(slot).translated(0, topRemainder);
}

AlbumStrip::AlbumStrip(int kind, Services services, QWidget* parent)
    : QWidget(parent), kind_(kind == kVideo ? kVideo : kPhoto), services_(services)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

AlbumStrip::~AlbumStrip() = default;

bool AlbumStrip::create(QSize clientSize)
{
    names_.reset(new (std::nothrow) char[kCapacity * kAlbumNameSlotBytes]());
    if (!names_) {
        reportError(kStrMemoryInsufficient);
        return false;
    }
    if (clientSize.width() < kThumbnailWidth + 2 ||
        clientSize.height() < kAlbumVisibleSlots * kThumbnailHeight + 5) {
        reportError(kStrFailToCreateWindow);
        return false;
    }
    resize(clientSize);
    layout_ = AlbumLayout::forClient(clientSize.width(), clientSize.height());
    strip_ = QImage(layout_.stripWidth, layout_.stripHeight, QImage::Format_RGB32);
    surface_ = QImage(clientSize, QImage::Format_RGB32);
    if (strip_.isNull() || surface_.isNull()) {
        reportError(kStrFailToCreateWindow);
        return false;
    }
    strip_.fill(kBackground);

    // Menu items carry the string ids of their texts, which are shown as
    // they stand, whatever the language.
    menu_ = std::make_unique<QMenu>();
    const int photoItems[] = {kStrOpen, kStrSave, kStrPrint, kStrDelete};
    const int videoItems[] = {kStrOpen, kStrSave, kStrDelete};
    auto addItems = [this](const auto& ids) {
        for (int id : ids) {
            QAction* action = menu_->addAction(QString::fromStdString(loadString(id)));
            action->setData(id);
        }
    };
    if (kind_ == kPhoto)
        addItems(photoItems);
    else
        addItems(videoItems);

    findOpenProgram();
    renderWindow();
    return true;
}

std::string AlbumStrip::itemName(int index) const
{
    if (!names_ || index < 0 || index >= count_)
        return {};
    return std::string(names_.get() + index * kAlbumNameSlotBytes);
}

std::string AlbumStrip::itemPath(int index, const char* extension) const
{
    return folder_ + "/" + itemName(index) + extension;
}

void AlbumStrip::reportError(int stringId)
{
    pendingMessageId_ = stringId;
    pendingMessageText_ = loadString(stringId);
    platform::ui::sendToParent(this, kUmError, static_cast<std::uintptr_t>(kind_), 0);
}

void AlbumStrip::showText(const std::string& text)
{
    platform::ui::messageBox(this, text, loadString(kStrProgramName), platform::ui::kMbOk);
}

int AlbumStrip::isFull()
{
    if (count_ >= kCapacity) {
        reportError(kStrAlbumFull);
        return 1;
    }
    return 0;
}

bool AlbumStrip::readPicture(const std::string& path)
{
    switch (readAlbumBmpFile(path, picture_)) {
    case BmpReadResult::Ok:
        return true;
    case BmpReadResult::CannotOpen:
        showText("Can't open file \"" + path + "\"!");
        return false;
    case BmpReadResult::NotBitmap:
    case BmpReadResult::InvalidHeader:
        reportError(kStrInvalidBitmapFormat);
        return false;
    case BmpReadResult::ShortRead:
        return false;
    }
    return false;
}

bool AlbumStrip::makeThumbnail(QImage& thumbnail)
{
    const std::vector<std::uint8_t> dib = picture_.packedDib();
    imaging::Bitmap bitmap;
    if (imaging::fromDib(bitmap, dib.data(), dib.size()) != imaging::kSuccess ||
        imaging::resize(bitmap, kThumbnailWidth, kThumbnailHeight) != imaging::kSuccess)
        return false;
    HGLOBAL handle = nullptr;
    if (imaging::toDib(bitmap, &handle) != imaging::kSuccess)
        return false;
    imaging::release(bitmap);

    // The thumbnail's pixels are found from its own header and colour table.
    bool ok = false;
    const auto* block = static_cast<const std::uint8_t*>(GlobalLock(handle));
    const std::size_t blockSize = GlobalSize(handle);
    if (block != nullptr && blockSize >= imaging::kBitmapInfoHeaderSize) {
        const imaging::BitmapInfoHeader h = imaging::readBitmapInfoHeader(block);
        const std::size_t colours = h.clrUsed != 0 ? h.clrUsed : (h.bitCount == 8 ? 256 : 0);
        const std::size_t stride = imaging::paddedRowBytes(h.width, h.bitCount);
        const std::size_t offset = std::size_t{h.size} + colours * 4;
        if (h.width == kThumbnailWidth && h.height == kThumbnailHeight &&
            (h.bitCount == 8 || h.bitCount == 24) && colours <= 256 &&
            offset <= blockSize && stride * kThumbnailHeight <= blockSize - offset) {
            thumbnail = QImage(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB32);
            const std::uint8_t* table = block + h.size;
            for (int y = 0; y < kThumbnailHeight; ++y) {
                const std::uint8_t* row = block + offset + (kThumbnailHeight - 1 - y) * stride;
                auto* out = reinterpret_cast<QRgb*>(thumbnail.scanLine(y));
                for (int x = 0; x < kThumbnailWidth; ++x) {
                    if (h.bitCount == 24) {
                        out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    } else {
                        const std::uint8_t* e = table + 4 * std::min<std::size_t>(row[x], colours - 1);
                        out[x] = qRgb(e[2], e[1], e[0]);
                    }
                }
            }
            ok = !thumbnail.isNull();
        }
    }
    GlobalUnlock(handle);
    GlobalFree(handle);
    return ok;
}

void AlbumStrip::drawItem(int index, const QImage& thumbnail, int number)
{
    const int x = layout_.marginX;
    const int y = layout_.gap + index * layout_.pitch;
    QPainter painter(&strip_);
    painter.drawImage(QPoint(x, y), thumbnail);

    const std::string text = std::to_string(number);
    const int digits = static_cast<int>(text.size());
    const int boxWidth = number >= 1 && number <= 9 ? kLabelWidthOneDigit : kLabelWidthMore;
    const int boxLeft = kind_ == kPhoto ? x : x + kThumbnailWidth - kVideoLabelPixelsPerDigit * digits;
    const QRect box(boxLeft, y + kThumbnailHeight + 1, boxWidth, kLabelHeight);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kLabelFontHeight);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    font.setFixedPitch(false);
    painter.setFont(font);
    painter.fillRect(box, kBackground);
    painter.setClipRect(box);
    painter.setPen(kLabelText);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(text));
}

void AlbumStrip::frameItem(int index, bool selectionColour)
{
    if (index < 0 || index >= kCapacity)
        return;
    const QRect r = layout_.itemRect(index);
    QPainter painter(&strip_);
    const QColor colour = selectionColour ? kSelectionFrame : kBackground;
    // A one-pixel frame just inside the rectangle.
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

int AlbumStrip::addItem(const std::string& pathWithoutExtension)
{
    if (!names_)
        return 0;
    if (count_ >= kCapacity) {
        reportError(kStrAlbumFull);
        return 0;
    }
    const std::string file = pathWithoutExtension + ".bmp";
    const size_t slash = file.find_last_of('/');
    // The item's name is the last part of the path: the caller passes the
    // path without its extension, so dots in it belong to the name.
    const std::string name =
        slash == std::string::npos ? pathWithoutExtension : pathWithoutExtension.substr(slash + 1);
    if (name.empty() || name.size() >= static_cast<size_t>(kAlbumNameSlotBytes)) {
        reportError(kStrInvalidFileName);
        return 0;
    }
    picture_.clear();
    if (!readPicture(file))
        return 0;
    QImage thumbnail;
    if (!makeThumbnail(thumbnail)) {
        picture_.clear();
        reportError(kStrInvalidBitmapFormat);
        return 0;
    }

    count_ += 1;
    const int n = count_ - 1;
    firstVisible_ = count_ > kAlbumVisibleSlots ? count_ - kAlbumVisibleSlots : 0;
    const int oldSelected = selected_;
    if (previousSelection_ >= 0)
        previousSelection_ = oldSelected;
    selected_ = n;
    folder_ = slash == std::string::npos ? std::string(".") : file.substr(0, slash);
    std::memcpy(names_.get() + n * kAlbumNameSlotBytes, name.c_str(), name.size() + 1);

    runningNumber_ += 1;
    drawItem(n, thumbnail, runningNumber_);
    if (previousSelection_ == -1)
        previousSelection_ = 0;
    else
        frameItem(previousSelection_, false);
    frameItem(selected_, true);

    recomputeArrows();
    if (selected_ - firstVisible_ == 3 && count_ > kAlbumVisibleSlots)
        slideUp(0, firstVisible_ - 1, 5);
    renderWindow();
    repaint();
    return 1;
}

void AlbumStrip::recomputeArrows()
{
    if (count_ > kAlbumVisibleSlots) {
        canScrollUp_ = count_ != firstVisible_ + 1;
        canScrollDown_ = firstVisible_ != 0;
    } else {
        canScrollUp_ = false;
        canScrollDown_ = false;
    }
}

void AlbumStrip::blitStrip(int stripY, int height, int windowY)
{
    // Parts of the block outside the strip are background.
    QPainter painter(&surface_);
    const QRect target(0, windowY, layout_.clientWidth, height);
    painter.fillRect(target, kBackground);
    const QRect source(0, stripY, layout_.clientWidth, height);
    const QRect valid = source.intersected(strip_.rect());
    if (valid.isEmpty())
        return;
    painter.drawImage(QPoint(0, windowY + (valid.top() - stripY)), strip_, valid);
}

void AlbumStrip::renderWindow()
{
    if (surface_.isNull())
        return;
    surface_.fill(kBackground);
    blitStrip(layout_.gap + firstVisible_ * layout_.pitch, layout_.clientHeight,
              layout_.gap + layout_.topRemainder);
    update();
}

void AlbumStrip::slideUp(int slot, int fromItem, int rows)
{
    const int step = (layout_.pitch + kSlideFrames - 1) / kSlideFrames;
    const int start = slot * layout_.pitch + layout_.gap + layout_.topRemainder;
    const int highest = (slot - 1) * layout_.pitch + layout_.gap + layout_.topRemainder;
    const int height = std::max(rows, 0) * layout_.pitch;
    for (int frame = 1; frame <= kSlideFrames; ++frame) {
        blitStrip(layout_.gap + fromItem * layout_.pitch, height, std::max(start - step * frame, highest));
        repaint();
        services_.clock.sleepFor(kSlideFramePause);
    }
    renderWindow();
}

void AlbumStrip::slideDown(int rows)
{
    const int step = (layout_.pitch + kSlideFrames - 1) / kSlideFrames;
    const int start = layout_.topRemainder - layout_.pitch;
    const int height = layout_.gap + rows * layout_.pitch;
    for (int frame = 1; frame <= kSlideFrames; ++frame) {
        blitStrip((firstVisible_ - 1) * layout_.pitch, height,
                  std::min(start + step * frame, layout_.topRemainder));
        repaint();
        services_.clock.sleepFor(kSlideFramePause);
    }
    renderWindow();
}

void AlbumStrip::scrollUp()
{
    slideUp(0, firstVisible_, std::min(5, count_ - firstVisible_ + 1));
    if (firstVisible_ < count_ - 1)
        firstVisible_ += 1;
    recomputeArrows();
    renderWindow();
    repaint();
}

void AlbumStrip::scrollDown()
{
    const int shown = std::min(count_ - firstVisible_, kAlbumVisibleSlots);
    slideDown(shown + 1);
    if (firstVisible_ > 0)
        firstVisible_ -= 1;
    recomputeArrows();
    renderWindow();
    repaint();
}

void AlbumStrip::removeSelected()
{
    const int s = selected_;
    if (s < 0 || s >= count_)
        return;
    const int slot = s - firstVisible_ + 1;
    slideUp(slot, s + 1, std::min(count_ - s - 1, 5 - slot));

    char* names = names_.get();
    std::memmove(names + s * kAlbumNameSlotBytes, names + (s + 1) * kAlbumNameSlotBytes,
                 static_cast<size_t>(count_ - s - 1) * kAlbumNameSlotBytes);
    std::memset(names + (count_ - 1) * kAlbumNameSlotBytes, 0, kAlbumNameSlotBytes);

    const bool wasLast = s == count_ - 1;
    const QRect last = layout_.itemRect(count_ - 1);
    const QRect lastWithLabel(last.left(), last.top(), last.width(), last.height() + layout_.gap);
    {
        QPainter painter(&strip_);
        if (!wasLast) {
            // Every later item and its number moves up one place.
            const int top = layout_.gap + (s + 1) * layout_.pitch;
            const int bottom = layout_.gap + count_ * layout_.pitch;
            const QImage block = strip_.copy(0, top, strip_.width(), bottom - top);
            painter.drawImage(QPoint(0, top - layout_.pitch), block);
        }
        painter.fillRect(lastWithLabel, kBackground);
    }
    previousSelection_ = s;
    if (wasLast)
        selected_ = s - 1;
    count_ -= 1;
    if (selected_ >= 0)
        frameItem(selected_, true);

    if (count_ == kAlbumVisibleSlots && firstVisible_ != 0) {
        while (firstVisible_ != 0)
            scrollDown();
        platform::ui::sendToParent(this, kUmArrowsChanged, static_cast<std::uintptr_t>(kind_), 0);
    } else if (count_ == kAlbumVisibleSlots || !wasLast) {
        // Four items at the top need no scrolling, but the arrows that
        // offered a fifth must go off.
        recomputeArrows();
        platform::ui::sendToParent(this, kUmArrowsChanged, static_cast<std::uintptr_t>(kind_), 0);
    } else if (firstVisible_ == count_ && count_ > kAlbumVisibleSlots) {
        scrollDown();
    } else {
        recomputeArrows();
        platform::ui::sendToParent(this, kUmArrowsChanged, static_cast<std::uintptr_t>(kind_), 0);
    }
    if (count_ == 0)
        firstVisible_ = 0;
    renderWindow();
    repaint();
}

void AlbumStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (surface_.isNull())
        painter.fillRect(rect(), kBackground);
    else
        painter.drawImage(QPoint(0, 0), surface_);
}

int AlbumStrip::slotAt(QPoint point) const
{
    for (int slot = 0; slot < kAlbumVisibleSlots; ++slot) {
        if (layout_.slotRect(slot).contains(point))
            return firstVisible_ + slot < count_ ? slot : -1;
    }
    return -1;
}

bool AlbumStrip::selectSlot(int slot)
{
    if (slot < 0)
        return false;
    const int old = selected_;
    previousSelection_ = old;
    selected_ = firstVisible_ + slot;
    if (old >= 0 && old < count_)
        frameItem(old, false);
    frameItem(selected_, true);
    renderWindow();
    repaint();
    return true;
}

void AlbumStrip::mousePressEvent(QMouseEvent* event)
{
    if (previousSelection_ < 0 || count_ == 0)
        return;
    const QPoint point = event->position().toPoint();
    const int slot = slotAt(point);
    if (slot < 0)
        return;
    if (event->button() == Qt::LeftButton) {
        selectSlot(slot);
    } else if (event->button() == Qt::RightButton) {
        menuClosed_ = false;
        platform::ui::sendToParent(this, kUmPausePreview, kPausePreview, 0);
        selectSlot(slot);
        popUpMenu(point);
    }
}

void AlbumStrip::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (previousSelection_ < 0 || count_ == 0 || event->button() != Qt::LeftButton)
        return;
    if (slotAt(event->position().toPoint()) >= 0)
        openSelected();
}

void AlbumStrip::popUpMenu(QPoint clickPoint)
{
    const QAction* chosen = menu_->exec(mapToGlobal(clickPoint + kMenuOffset));
    if (chosen == nullptr) {
        menuClosed_ = true;
        platform::ui::sendToParent(this, kUmPausePreview, kResumePreview, 0);
        return;
    }
    runMenuCommand(chosen->data().toInt());
}

void AlbumStrip::runMenuCommand(int commandId)
{
    // Commands are known by the ids of the menu's items at their positions.
    const QList<QAction*> items = menu_ ? menu_->actions() : QList<QAction*>();
    auto idAt = [&items](int position) { return position < items.size() ? items[position]->data().toInt() : -1; };
    if (commandId == idAt(0)) {
        openSelected();
    } else if (commandId == idAt(1)) {
        if (saveSelected() == 1) {
            if (!keepFileAfterSave_)
                deleteThumbnailFile();
            removeSelected();
        }
    } else if (kind_ == kPhoto && commandId == idAt(2)) {
        printSelected();
    } else if ((kind_ == kPhoto && commandId == idAt(3)) || (kind_ == kVideo && commandId == idAt(2))) {
        if (deleteSelected() == 1)
            removeSelected();
    }
    if (!menuClosed_) {
        menuClosed_ = true;
        platform::ui::sendToParent(this, kUmPausePreview, kResumePreview, 0);
    }
}

} // namespace lumoset
