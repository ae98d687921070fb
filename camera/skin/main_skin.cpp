#include "camera/skin/main_skin.h"

#include <QPainter>
#include <QPointer>
#include <QPolygon>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "camera/core/string_table.h"
#include "camera/resources/skin_resources.h"
#include "camera/skin/adjust_slider.h"
#include "camera/skin/creation_failure.h"
#include "camera/skin/hit_regions.h"
#include "camera/skin/progress_strip.h"
#include "camera/skin/record_button.h"
#include "camera/skin/shaped_button.h"
#include "platform/ui/message_box.h"

namespace lumoset {
namespace {

// A rectangle given by its edges, right and bottom excluded.
constexpr QRect edges(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

// ---- Skin bitmaps -----------------------------------------------------------

enum SkinBitmap {
  kMainCntr, kMainLeft, kMainRight,
  kSetClosLf, kSetClosRt, kSetOpenLf, kSetOpenRt,
  kZoomNrl, kZoomOut, kViewLarg, kViewSmal, kColorMode, kGrayMode,
  kVdoLiteUp, kVdoLiteOff, kPhoLiteUp, kPhoLiteOff, kSetLiteUp, kSetLiteOff,
  kRecConu, kRecLaps, kRecManu,
  kSoundTel, kSoundRad, kSoundNo,
  kCapSingle, kCapAuto,
  kSizeS, kSizeM, kSizeL, kSizeXl, kSizeXxl,
  kSkinBitmapCount
};

struct SkinBitmapSpec {
  const char* name;
  QSize size;  // the art is drawn to these sizes; painting positions rely on them
};

constexpr std::array<SkinBitmapSpec, kSkinBitmapCount> kSkinBitmaps = {{
    {"MAIN_CNTR", {442, 455}},   {"MAIN_LEFT", {84, 455}},    {"MAIN_RIGHT", {84, 455}},
    {"SET_CLOS_LF", {190, 89}},  {"SET_CLOS_RT", {243, 72}},  {"SET_OPEN_LF", {190, 89}},
    {"SET_OPEN_RT", {243, 72}},  {"ZOOM_NRL", {26, 25}},      {"ZOOM_OUT", {26, 25}},
    {"VIEW_LARG", {27, 22}},     {"VIEW_SMAL", {27, 22}},     {"COLOR_MODE", {25, 20}},
    {"GRAY_MODE", {25, 20}},     {"VDO_LITEUP", {5, 9}},      {"VDO_LITEOFF", {5, 9}},
    {"PHO_LITEUP", {5, 9}},      {"PHO_LITEOFF", {5, 9}},     {"SET_LITEUP", {3, 4}},
    {"SET_LITEOFF", {3, 4}},     {"REC_CONU", {40, 17}},      {"REC_LAPS", {40, 17}},
    {"REC_MANU", {40, 17}},      {"SOUND_TEL", {31, 18}},     {"SOUND_RAD", {31, 18}},
    {"SOUND_NO", {31, 18}},      {"CAP_SINGLE", {23, 16}},    {"CAP_AUTO", {23, 16}},
    {"SIZE_S", {42, 9}},         {"SIZE_M", {42, 9}},         {"SIZE_L", {42, 9}},
    {"SIZE_XL", {42, 9}},        {"SIZE_XXL", {42, 9}},
}};

constexpr int kVideoSizeCount = 4;  // SIZE_S .. SIZE_XL
constexpr int kPhotoSizeCount = 5;  // SIZE_S .. SIZE_XXL
constexpr int kLevelCount = 3;      // lights per drawer row

// The shared 216-colour palette's entry 36 r + 6 g + b is (51 r, 51 g, 51 b);
// the grid is even per channel, so the nearest entry is the nearest level of
// each channel on its own.
constexpr int kPaletteStep = 51;
int nearestLevel(int channel) { return (channel + kPaletteStep / 2) / kPaletteStep; }
QRgb nearestPaletteColour(QRgb c) {
  return qRgb(nearestLevel(qRed(c)) * kPaletteStep, nearestLevel(qGreen(c)) * kPaletteStep,
              nearestLevel(qBlue(c)) * kPaletteStep);
}

// The bitmap as it will be painted: 32-bit, and in palette mode with every
// colour moved onto the shared palette.
QImage asPainted(const QImage& stored, bool paletteMode) {
  QImage image = stored;
  if (paletteMode) {
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
      QVector<QRgb> table = image.colorTable();
      for (QRgb& c : table) c = nearestPaletteColour(c);
      image.setColorTable(table);
    } else {
      image = image.convertToFormat(QImage::Format_RGB32);
      for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] = nearestPaletteColour(row[x]);
      }
    }
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

// ---- Controls -----------------------------------------------------------------

constexpr int kShapeRecordKey = -1;  // the record key has its own class and outline

// Where a control goes when the album panels change.
enum class Placement {
  Shifted,           // centre and photo panels: 84 further right with the video album open
  Fixed,             // video album panel
  VideoAlbumSwitch,  // 1111: on the video panel's edge, x 0 closed and 84 open
};

// When a control is shown.
enum class Shown {
  Always,           // created visible, never hidden here
  AlbumSwitch,      // created hidden, shown once placed (1111, 1112)
  WithVideoAlbum,
  WithPhotoAlbum,
  WithOpenDrawer,
};

// Tooltip texts (base ids; the language offset is added by the tooltip control).
constexpr int kTipZoom = 10401;
constexpr int kTipView = 10403;
constexpr int kTipMode = 10405;
constexpr int kTipExit = 10407;
constexpr int kTipPrint = 10408;
constexpr int kTipTakePicture = 10409;
constexpr int kTipRecord = 10410;
constexpr int kTipStop = 10411;
constexpr int kTipHue = 10414;
constexpr int kTipSaturation = 10415;
constexpr int kTipBrightness = 10416;
constexpr int kTipContrast = 10417;
constexpr int kTipQuality = 10418;
constexpr int kTipExposure = 10419;
constexpr int kTipReset = 10421;
constexpr int kTipAdvancedSettings = 10422;
constexpr int kTipOpenPhotoAlbum = 10429;
constexpr int kTipClosePhotoAlbum = 10430;
constexpr int kTipOpenVideoAlbum = 10431;
constexpr int kTipCloseVideoAlbum = 10432;
constexpr int kTipHelp = 10500;
constexpr int kTipScrollUp = 10501;
constexpr int kTipScrollDown = 10502;

struct ControlRow {
  int id;
  int shape;
  const char* up;
  const char* down;
  const char* disabled;  // "" for none
  QRect rect;            // with the video album closed
  Placement placement;
  Shown shown;
  int tooltip;
};

// In creation order.
const std::array<ControlRow, 21> kControls = {{
    {kIdOpenVideoAlbum, kShapeRectangle, "VDO_SWINU", "VDO_SWIND", "VDO_SWINX",
     edges(0, 16, 23, 41), Placement::VideoAlbumSwitch, Shown::AlbumSwitch, kTipOpenVideoAlbum},
    {kIdCloseVideoAlbum, kShapeRectangle, "VDO_SWOUTU", "VDO_SWOUTD", "",
     edges(0, 16, 23, 41), Placement::Fixed, Shown::WithVideoAlbum, kTipCloseVideoAlbum},
    {kIdVideoAlbumUp, kShapeTriangleUp, "VDOBOX_UPU", "VDOBOX_UPD", "VDOBOX_UPX",
     edges(32, 51, 52, 67), Placement::Fixed, Shown::WithVideoAlbum, kTipScrollUp},
    {kIdVideoAlbumDown, kShapeTriangleDown, "VDOBOX_DNU", "VDOBOX_DND", "VDOBOX_DNX",
     edges(32, 354, 52, 370), Placement::Fixed, Shown::WithVideoAlbum, kTipScrollDown},
    {kIdOpenPhotoAlbum, kShapeRectangle, "PHO_SWINU", "PHO_SWIND", "PHO_SWINX",
     edges(420, 16, 442, 41), Placement::Shifted, Shown::AlbumSwitch, kTipOpenPhotoAlbum},
    {kIdClosePhotoAlbum, kShapeRectangle, "PHO_SWOUTU", "PHO_SWOUTD", "",
     edges(502, 16, 526, 41), Placement::Shifted, Shown::WithPhotoAlbum, kTipClosePhotoAlbum},
    {kIdPhotoAlbumUp, kShapeTriangleUp, "PHOBOX_UPU", "PHOBOX_UPD", "PHOBOX_UPX",
     edges(473, 50, 494, 67), Placement::Shifted, Shown::WithPhotoAlbum, kTipScrollUp},
    {kIdPhotoAlbumDown, kShapeTriangleDown, "PHOBOX_DNU", "PHOBOX_DND", "PHOBOX_DNX",
     edges(473, 354, 494, 370), Placement::Shifted, Shown::WithPhotoAlbum, kTipScrollDown},
    {kIdZoom, kShapeRound, "ZOOMU", "ZOOMD", "", edges(159, 312, 177, 330), Placement::Shifted,
     Shown::Always, kTipZoom},
    {kIdView, kShapeRound, "VIEWU", "VIEWD", "", edges(211, 313, 230, 333), Placement::Shifted,
     Shown::Always, kTipView},
    {kIdColour, kShapeRound, "COLORU", "COLORD", "", edges(264, 312, 282, 329),
     Placement::Shifted, Shown::Always, kTipMode},
    {kIdExit, kShapeExit, "CLOSEU", "CLOSED", "", edges(33, 317, 106, 344), Placement::Shifted,
     Shown::Always, kTipExit},
    {kIdStop, kShapeStop, "STOPU", "STOPD", "STOPX", edges(212, 347, 266, 376),
     Placement::Shifted, Shown::Always, kTipStop},
    {kIdRecord, kShapeRecordKey, "RECU", "RECD", "RECX", edges(266, 336, 329, 377),
     Placement::Shifted, Shown::Always, kTipRecord},
    {kIdTakePicture, kShapeTakePicture, "CAPU", "CAPD", "CAPX", edges(329, 318, 384, 372),
     Placement::Shifted, Shown::Always, kTipTakePicture},
    {kIdPrint, kShapePrint, "PRNTU", "PRNTD", "PRNTX", edges(384, 304, 429, 355),
     Placement::Shifted, Shown::Always, kTipPrint},
    {kIdHelp, kShapeHelp, "HELPU", "HELPD", "", edges(397, 359, 434, 375), Placement::Shifted,
     Shown::Always, kTipHelp},
    {kIdQuality, kShapeRectangle, "QUALITYU", "QUALITYD", "", edges(262, 407, 299, 421),
     Placement::Shifted, Shown::WithOpenDrawer, kTipQuality},
    {kIdSpeed, kShapeRectangle, "SPEEDU", "SPEEDD", "", edges(262, 429, 299, 443),
     Placement::Shifted, Shown::WithOpenDrawer, kTipExposure},
    {kIdReset, kShapeRectangle, "RESETU", "RESETD", "", edges(408, 397, 431, 414),
     Placement::Shifted, Shown::WithOpenDrawer, kTipReset},
    {kIdSetup, kShapeRectangle, "SETUPU", "SETUPD", "", edges(396, 420, 433, 440),
     Placement::Shifted, Shown::WithOpenDrawer, kTipAdvancedSettings},
}};

struct SliderSpec {
  int type;
  QRect rect;  // the groove, with the video album closed
  int tooltip;
};

constexpr std::array<SliderSpec, 4> kSliders = {{
    {AdjustSlider::kHue, edges(30, 394, 101, 407), kTipHue},
    {AdjustSlider::kSaturation, edges(47, 419, 118, 432), kTipSaturation},
    {AdjustSlider::kBrightness, edges(141, 399, 212, 412), kTipBrightness},
    {AdjustSlider::kContrast, edges(157, 425, 228, 438), kTipContrast},
}};

constexpr QRect kProgressRect = edges(61, 274, 381, 276);

// ---- Painting positions (x relative to the panel they belong to) ----------------

constexpr QPoint kRecordingModeAt{11, 411};
constexpr QPoint kSoundAt{11, 386};
constexpr QPoint kVideoSizeAt{11, 437};
constexpr QPoint kPhotoModeAt{52, 409};
constexpr QPoint kPhotoSizeAt{32, 435};
constexpr QPoint kDrawerLeftAt{9, 366};
constexpr QPoint kDrawerRightAt{199, 383};
constexpr QPoint kVideoLightAt{23, 24};
constexpr QPoint kPhotoLightAt{415, 24};
constexpr QPoint kZoomAt{155, 277};
constexpr QPoint kViewAt{206, 278};
constexpr QPoint kColourAt{260, 279};
constexpr std::array<int, kLevelCount> kLevelLightX = {312, 345, 376};
constexpr int kQualityRowY = 405;
constexpr int kSpeedRowY = 428;

// ---- Drawer hit regions ----------------------------------------------------------

// The open drawer's handle, relative to the centre panel.
constexpr std::array<QPoint, 6> kDrawerHandle = {
    {{44, 440}, {131, 444}, {136, 449}, {136, 454}, {41, 451}, {41, 444}}};
// The whole closed drawer: one outline per video album state (the open one
// is its own outline, not the closed one moved).
constexpr std::array<QPoint, 8> kClosedDrawer = {
    {{38, 373}, {105, 370}, {235, 401}, {327, 401}, {441, 388}, {441, 453}, {12, 453}, {15, 412}}};
constexpr std::array<QPoint, 8> kClosedDrawerBesideVideoAlbum = {
    {{121, 373}, {186, 370}, {320, 401}, {406, 401}, {524, 388}, {524, 453}, {95, 453}, {98, 412}}};

template <std::size_t N>
QRegion windingRegion(const std::array<QPoint, N>& points, int dx) {
  QPolygon polygon;
  for (const QPoint& p : points) polygon << p + QPoint(dx, 0);
  return QRegion(polygon, Qt::WindingFill);
}

const QImage& nullImage() {
  static const QImage none;
  return none;
}

// Copies keep to the bitmap's size (the album panels' backgrounds and marks)
// or span one more column and row (everything on the centre panel). Only the
// bitmap's own pixels are copied either way: the source is cut at the
// bitmap's edge, so the extra column and row keep what lies under them.
QRect oneLarger(QPoint at, SkinBitmap which) {
  return QRect(at, kSkinBitmaps[which].size + QSize(1, 1));
}
QRect atSize(QPoint at, SkinBitmap which) { return QRect(at, kSkinBitmaps[which].size); }

void copyAtSize(QPainter& painter, QPoint at, const QImage& image) {
  if (!image.isNull()) painter.drawImage(at, image);
}
void copyOneLarger(QPainter& painter, QPoint at, const QImage& image) {
  if (image.isNull()) return;
  const QRect target(at, image.size() + QSize(1, 1));
  painter.drawImage(target, image, QRect(QPoint(0, 0), target.size()));
}

QRegion drawerRegionFor(const SkinFlags& flags) {
  if (!flags.drawerClosed)
    return windingRegion(kDrawerHandle, flags.videoAlbumOpen ? kVideoAlbumShift : 0);
  if (flags.videoAlbumOpen) return windingRegion(kClosedDrawerBesideVideoAlbum, 0);
  return windingRegion(kClosedDrawer, 0);
}

// Both drawer halves (open and closed halves have the same sizes); they
// cover the drawer lights too.
QRegion drawerArea(int c) {
  QRegion area(oneLarger(QPoint(c, 0) + kDrawerLeftAt, kSetOpenLf));
  area += oneLarger(QPoint(c, 0) + kDrawerRightAt, kSetOpenRt);
  return area;
}

QRegion levelLightsArea(int c) {
  QRegion area;
  for (int x : kLevelLightX)
    for (int y : {kQualityRowY, kSpeedRowY}) area += oneLarger(QPoint(c + x, y), kSetLiteUp);
  return area;
}

} // namespace

struct MainSkin::Impl {
  std::array<QImage, kSkinBitmapCount> bitmaps;
  // Frame thickness of the main window, measured once at creation.
  int border = 0;
  int captionAndBorder = 0;
  // Controls are children of the main window; the pointers guard against the
  // window having deleted them first.
  std::vector<std::pair<const ControlRow*, QPointer<BitmapButton>>> buttons;
  std::array<QPointer<AdjustSlider>, kSliders.size()> sliders;
  QPointer<ProgressStrip> progress;

  const QImage& image(SkinBitmap which) const { return bitmaps[which]; }

  const QImage& recordingModeImage(int mode) const {
    switch (mode) {
    case 0: return image(kRecConu);
    case 1: return image(kRecLaps);
    case 2: return image(kRecManu);
    default: return nullImage();
    }
  }
  // Sound 2 (a quality without its own mark) shows no mark.
  const QImage& soundImage(int sound) const {
    switch (sound) {
    case kSoundTelephone: return image(kSoundTel);
    case kSoundRadio: return image(kSoundRad);
    case kSoundNone: return image(kSoundNo);
    default: return nullImage();
    }
  }
  const QImage& sizeImage(int sizeIndex, int count) const {
    if (sizeIndex < 0 || sizeIndex >= count) return nullImage();
    return image(static_cast<SkinBitmap>(kSizeS + sizeIndex));
  }
};

MainSkin::MainSkin(QWidget* mainWindow, bool paletteMode)
    : impl_(std::make_unique<Impl>()), window_(mainWindow), paletteMode_(paletteMode) {}

MainSkin::~MainSkin() {
  for (auto& [row, button] : impl_->buttons) delete button.data();
  for (auto& slider : impl_->sliders) delete slider.data();
  delete impl_->progress.data();
}

// ---- Creation ----------------------------------------------------------------

bool MainSkin::create() {
  for (int i = 0; i < kSkinBitmapCount; ++i) {
    const QImage stored = loadSkinBitmap(kSkinBitmaps[i].name);
    if (stored.isNull() || stored.size() != kSkinBitmaps[i].size) {
      reportCreationFailure(window_, kStrMemoryInsufficient);
      return false;
    }
    impl_->bitmaps[i] = asPainted(stored, paletteMode_);
  }

  const QRect client = window_->geometry();
  const QRect frame = window_->frameGeometry();
  impl_->border = client.left() - frame.left();
  impl_->captionAndBorder = client.top() - frame.top();
  const QRect screen = window_->screen() != nullptr ? window_->screen()->geometry() : QRect();
  const int outerWidth = kWidthNoAlbum + 2 * impl_->border;
  const int outerHeight = kClientHeight + impl_->captionAndBorder + impl_->border;
  const QPoint outerTopLeft(screen.left() + (screen.width() - outerWidth) / 2,
                            screen.top() + (screen.height() - outerHeight) / 2);
  window_->setFixedSize(kWidthNoAlbum, kClientHeight);
  window_->setGeometry(QRect(outerTopLeft + QPoint(impl_->border, impl_->captionAndBorder),
                             QSize(kWidthNoAlbum, kClientHeight)));

  for (const ControlRow& row : kControls) {
    const bool visible = row.shown == Shown::Always;
    BitmapButton* made = nullptr;
    if (row.shape == kShapeRecordKey) {
      auto* record = new RecordButton;
      impl_->buttons.emplace_back(&row, record);
      if (!record->create(window_, row.rect, row.id, visible)) return false;  // reported
      record_ = record;
      made = record;
    } else {
      auto* button = new ShapedButton(row.shape);
      impl_->buttons.emplace_back(&row, button);
      if (!button->create(window_, row.rect, row.id, visible)) return false;  // reported
      if (!button->loadBitmaps(row.up, row.down, row.disabled)) {
        reportCreationFailure(window_, kStrErrorToCreateLumoset);
        return false;
      }
      made = button;
    }
    made->sizeToContent();
    made->setGeometry(row.rect);
    if (made->size() != made->bitmap(BitmapButton::Face::Up).size()) {
      // Only 1111 is larger than its face; the panel shows through the rest.
      made->setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
  }

  auto* strip = new ProgressStrip;
  progress_ = strip;
  impl_->progress = strip;
  if (!strip->create(window_, kProgressRect)) {
    reportCreationFailure(window_, kStrErrorToCreateLumoset);
    return false;
  }

  for (std::size_t i = 0; i < kSliders.size(); ++i) {
    auto* slider = new AdjustSlider(kSliders[i].type);
    impl_->sliders[i] = slider;
    if (!slider->create(window_, kSliders[i].rect)) return false;  // reported
  }

  drawerRegion_ = windingRegion(kClosedDrawer, 0);
  flags_.drawerClosed = 1;
  return true;
}

// ---- Geometry ----------------------------------------------------------------

int MainSkin::clientWidth() const {
  return kCentreWidth + (flags_.videoAlbumOpen ? kAlbumPanelWidth : 0) +
         (flags_.photoAlbumOpen ? kAlbumPanelWidth : 0);
}

int MainSkin::centreX() const { return flags_.videoAlbumOpen ? kVideoAlbumShift : 0; }

bool MainSkin::checkClientSize() const {
  const QSize client = window_->size();
  const bool widthAllowed = client.width() == kWidthBothAlbums ||
                            client.width() == kWidthOneAlbum || client.width() == kWidthNoAlbum;
  if (widthAllowed && client.height() == kClientHeight) return true;
  platform::ui::messageBox(window_, kWindowRectWrongText, loadString(kStrProgramName));
  return false;
}

namespace {

// Gives the main window the client width for its panels, its left edge moved
// by `leftEdgeMove`.
void reshapeWindow(QWidget* window, int width, int leftEdgeMove) {
  const QRect client = window->geometry();
  window->setFixedSize(width, kClientHeight);
  window->setGeometry(client.left() + leftEdgeMove, client.top(), width, kClientHeight);
}

} // namespace

void MainSkin::openVideoAlbum() {
  flags_.videoAlbumOpen = 1;
  reshapeWindow(window_, clientWidth(), -kVideoAlbumShift);
  checkClientSize();
  placeControls();
  // Everything under the centre panel moved: the whole client is painted anew.
  window_->repaint();
}

void MainSkin::closeVideoAlbum() {
  flags_.videoAlbumOpen = 0;
  reshapeWindow(window_, clientWidth(), kVideoAlbumShift);
  checkClientSize();
  placeControls();
  window_->repaint();
}

void MainSkin::openPhotoAlbum() {
  flags_.photoAlbumOpen = 1;
  reshapeWindow(window_, clientWidth(), 0);
  checkClientSize();
  placeControls();
  window_->repaint();
}

void MainSkin::closePhotoAlbum() {
  flags_.photoAlbumOpen = 0;
  reshapeWindow(window_, clientWidth(), 0);
  checkClientSize();
  placeControls();
  window_->repaint();
}

void MainSkin::placeControls() {
  const int shift = centreX();
  for (auto& [row, button] : impl_->buttons) {
    if (button.isNull()) continue;
    switch (row->placement) {
    case Placement::Shifted: button->move(row->rect.topLeft() + QPoint(shift, 0)); break;
    case Placement::Fixed: break;
    case Placement::VideoAlbumSwitch:
      button->move(row->rect.topLeft() + QPoint(flags_.videoAlbumOpen ? kVideoAlbumShift : 0, 0));
      break;
    }
    switch (row->shown) {
    case Shown::AlbumSwitch: button->show(); break;
    case Shown::WithVideoAlbum: button->setVisible(flags_.videoAlbumOpen != 0); break;
    case Shown::WithPhotoAlbum: button->setVisible(flags_.photoAlbumOpen != 0); break;
    case Shown::Always:
    case Shown::WithOpenDrawer: break;
    }
  }
  if (!impl_->progress.isNull()) impl_->progress->move(kProgressRect.topLeft() + QPoint(shift, 0));
  for (std::size_t i = 0; i < kSliders.size(); ++i)
    if (!impl_->sliders[i].isNull())
      impl_->sliders[i]->move(kSliders[i].rect.topLeft() + QPoint(shift, 0));
  drawerRegion_ = drawerRegionFor(flags_);
}

// ---- Drawer ------------------------------------------------------------------

void MainSkin::toggleDrawer() {
  flags_.drawerClosed = flags_.drawerClosed ? 0 : 1;
  drawerRegion_ = drawerRegionFor(flags_);
  const bool open = !flags_.drawerClosed;
  for (auto& [row, button] : impl_->buttons) {
    if (row->shown != Shown::WithOpenDrawer || button.isNull()) continue;
    button->setVisible(open);
    if (open) button->update();
  }
  for (auto& slider : impl_->sliders) {
    if (slider.isNull()) continue;
    slider->setVisible(open);
    if (open) slider->update();
  }
  // The halves cover the lights too.
  window_->repaint(drawerArea(centreX()));
}

// ---- Painting ------------------------------------------------------------------

void MainSkin::paint(QPainter& painter) const {
  const Impl& d = *impl_;
  if (d.image(kMainCntr).isNull()) return;  // not created
  const int c = centreX();
  const QPoint centre(c, 0);

  if (flags_.videoAlbumOpen) {
    copyAtSize(painter, QPoint(0, 0), d.image(kMainLeft));
    copyAtSize(painter, kRecordingModeAt, d.recordingModeImage(flags_.recordingMode));
    copyAtSize(painter, kSoundAt, d.soundImage(flags_.sound));
    copyAtSize(painter, kVideoSizeAt, d.sizeImage(flags_.videoSize, kVideoSizeCount));
  }
  if (flags_.photoAlbumOpen) {
    const QPoint panel(c + kCentreWidth, 0);
    copyAtSize(painter, panel, d.image(kMainRight));
    copyAtSize(painter, panel + kPhotoModeAt,
               d.image(flags_.photoMode == 1 ? kCapAuto : kCapSingle));
    copyAtSize(painter, panel + kPhotoSizeAt, d.sizeImage(flags_.photoSize, kPhotoSizeCount));
  }

  copyAtSize(painter, centre, d.image(kMainCntr));
  const bool drawerOpen = !flags_.drawerClosed;
  copyOneLarger(painter, centre + kDrawerLeftAt, d.image(drawerOpen ? kSetOpenLf : kSetClosLf));
  copyOneLarger(painter, centre + kDrawerRightAt, d.image(drawerOpen ? kSetOpenRt : kSetClosRt));

  copyOneLarger(painter, centre + kVideoLightAt,
                d.image(flags_.videoLight == 1 ? kVdoLiteUp : kVdoLiteOff));
  copyOneLarger(painter, centre + kPhotoLightAt,
                d.image(flags_.photoLight == 1 ? kPhoLiteUp : kPhoLiteOff));

  copyOneLarger(painter, centre + kZoomAt, d.image(flags_.zoom ? kZoomNrl : kZoomOut));
  copyOneLarger(painter, centre + kViewAt, d.image(flags_.view ? kViewLarg : kViewSmal));
  copyOneLarger(painter, centre + kColourAt, d.image(flags_.colour ? kColorMode : kGrayMode));

  if (drawerOpen) {
    for (int i = 0; i < kLevelCount; ++i) {
      const int x = c + kLevelLightX[i];
      copyOneLarger(painter, QPoint(x, kQualityRowY),
                    d.image(i == flags_.qualityLevel ? kSetLiteUp : kSetLiteOff));
      copyOneLarger(painter, QPoint(x, kSpeedRowY),
                    d.image(i == flags_.speedLevel ? kSetLiteUp : kSetLiteOff));
    }
  }
}

void MainSkin::redrawIndicators() {
  const QPoint centre(centreX(), 0);
  QRegion area;
  area += oneLarger(centre + kVideoLightAt, kVdoLiteUp);
  area += oneLarger(centre + kPhotoLightAt, kPhoLiteUp);
  area += oneLarger(centre + kZoomAt, kZoomNrl);
  area += oneLarger(centre + kViewAt, kViewLarg);
  area += oneLarger(centre + kColourAt, kColorMode);
  if (flags_.videoAlbumOpen) {
    area += atSize(kRecordingModeAt, kRecConu);
    area += atSize(kSoundAt, kSoundTel);
    area += atSize(kVideoSizeAt, kSizeS);
  }
  if (flags_.photoAlbumOpen) {
    const QPoint panel(centreX() + kCentreWidth, 0);
    area += atSize(panel + kPhotoModeAt, kCapSingle);
    area += atSize(panel + kPhotoSizeAt, kSizeS);
  }
  if (!flags_.drawerClosed) area += levelLightsArea(centreX());
  window_->repaint(area);
}

void MainSkin::redrawLevelLights() {
  if (flags_.drawerClosed) return;
  window_->repaint(levelLightsArea(centreX()));
}

// ---- Values ----------------------------------------------------------------------

void MainSkin::setProgress(int position, int total) {
  if (!impl_->progress.isNull()) impl_->progress->setProgress(position, total);
}

void MainSkin::setSliderPositions(int hue, int saturation, int brightness, int contrast) {
  const std::array<int, kSliders.size()> values = {hue, saturation, brightness, contrast};
  for (std::size_t i = 0; i < kSliders.size(); ++i) {
    if (impl_->sliders[i].isNull()) continue;
    impl_->sliders[i]->centre();
    impl_->sliders[i]->setPosition(values[i]);
  }
}

void MainSkin::reset() {
  for (auto& slider : impl_->sliders)
    if (!slider.isNull()) slider->centre();
  flags_.qualityLevel = 1;
  flags_.speedLevel = 1;
  redrawLevelLights();
}

void MainSkin::enableViewButtons(bool enable) {
  for (int id : {kIdZoom, kIdView, kIdColour})
    if (BitmapButton* b = button(id)) b->setEnabled(enable);
}

// ---- Look-ups --------------------------------------------------------------------

BitmapButton* MainSkin::button(int controlId) const {
  for (const auto& [row, button] : impl_->buttons)
    if (row->id == controlId) return button.data();
  return nullptr;
}

AdjustSlider* MainSkin::slider(int type) const {
  for (std::size_t i = 0; i < kSliders.size(); ++i)
    if (kSliders[i].type == type) return impl_->sliders[i].data();
  return nullptr;
}

std::vector<TooltipTool> MainSkin::tooltipTools() const {
  std::vector<TooltipTool> tools;
  for (const auto& [row, button] : impl_->buttons)
    if (!button.isNull()) tools.push_back({button.data(), row->tooltip});
  for (std::size_t i = 0; i < kSliders.size(); ++i)
    if (!impl_->sliders[i].isNull()) tools.push_back({impl_->sliders[i].data(), kSliders[i].tooltip});
  return tools;
}

const QImage& MainSkin::bitmap(std::string_view name) const {
  for (int i = 0; i < kSkinBitmapCount; ++i)
    if (name == kSkinBitmaps[i].name) return impl_->bitmaps[i];
  return nullImage();
}

} // namespace lumoset
