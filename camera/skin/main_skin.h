#pragma once
// The main window's skin: every panel bitmap, the layout of the skinned
// controls, the three window widths (video album panel | centre panel |
// photo album panel), the settings drawer and the indicators painted over
// the panels. The main window owns one MainSkin, creates it during its
// start-up, writes its layout flags, calls it from its paint handler and
// from its command handlers.
//
// Client geometry: 455 pixels high; 442 wide with no album panel, 526 with
// one, 610 with both. With the video album panel open everything of the
// centre and photo panels sits 84 pixels further right, and the window's
// left edge moves 84 pixels left so the centre panel stays put on screen.

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QVector>
#include <QRgb>

#include <array>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

class QPainter;
class QWidget;

namespace lumoset {

class AdjustSlider;
class BitmapButton;
class ProgressStrip;
class RecordButton;
class ShapedButton;

// Control ids of the main window (its dialog's ids).
inline constexpr int kIdExit = 2;
inline constexpr int kIdColour = 3;
inline constexpr int kIdView = 4;
inline constexpr int kIdZoom = 5;
inline constexpr int kIdTakePicture = 1001;
inline constexpr int kIdPrint = 1002;
inline constexpr int kIdSetup = 1010;
inline constexpr int kIdReset = 1023;
inline constexpr int kIdRecord = 1032;
inline constexpr int kIdPhotoAlbumUp = 1092;
inline constexpr int kIdVideoAlbumUp = 1093;
inline constexpr int kIdVideoAlbumDown = 1094;
inline constexpr int kIdPhotoAlbumDown = 1095;
inline constexpr int kIdQuality = 1104;
inline constexpr int kIdSpeed = 1105;
inline constexpr int kIdStop = 1107;
inline constexpr int kIdCloseVideoAlbum = 1110;
inline constexpr int kIdOpenVideoAlbum = 1111;
inline constexpr int kIdOpenPhotoAlbum = 1112;
inline constexpr int kIdClosePhotoAlbum = 1113;
inline constexpr int kIdHelp = 1114;

// Window geometry.
inline constexpr int kClientHeight = 455;
inline constexpr int kCentreWidth = 442;
inline constexpr int kAlbumPanelWidth = 84;
inline constexpr int kWidthNoAlbum = 442;
inline constexpr int kWidthOneAlbum = 526;
inline constexpr int kWidthBothAlbums = 610;
inline constexpr int kVideoAlbumShift = 84;

// Sound indicator values.
inline constexpr int kSoundTelephone = 0;
inline constexpr int kSoundRadio = 1;
inline constexpr int kSoundNone = 3;

inline constexpr const char* kWindowRectWrongText = "Window rect is wrong!";

// The layout flags the main window writes (32-bit integers, as stored).
struct SkinFlags {
  int videoAlbumOpen = 0;
  int photoAlbumOpen = 0;
  int videoLight = 0;     // 1 VDO_LITEUP, 0 VDO_LITEOFF
  int photoLight = 0;     // 1 PHO_LITEUP, 0 PHO_LITEOFF
  int zoom = 1;           // copy of normalZoom: 1 ZOOM_NRL, 0 ZOOM_OUT
  int view = 1;           // copy of largeView: 1 VIEW_LARG, 0 VIEW_SMAL
  int colour = 1;         // copy of colorMode: 1 COLOR_MODE, 0 GRAY_MODE
  int drawerClosed = 1;
  int qualityLevel = 1;   // 0..2: which light of the upper drawer row is lit
  int speedLevel = 1;     // 0..2: which light of the lower row is lit
  int recordingMode = 0;  // 0 continuous, 1 time lapse, 2 manual
  int photoMode = 0;      // 0 single, 1 auto snap
  int videoSize = 0;      // 0..3
  int photoSize = 2;      // 0..4
  int sound = kSoundNone; // 0 telephone, 1 radio, 3 none
};

// One control and the base id of its tooltip text (the current language's
// offset is added by the tooltip control).
struct TooltipTool {
  QWidget* control;
  int textBaseId;
};

class MainSkin {
public:
  // `mainWindow` is the top-level main window; it must outlive the skin.
  // With `paletteMode` every bitmap is mapped onto the shared 216-colour
  // palette when loaded (a 256-colour display, or the --palette-display
  // switch).
  MainSkin(QWidget* mainWindow, bool paletteMode);
  ~MainSkin();
  MainSkin(const MainSkin&) = delete;
  MainSkin& operator=(const MainSkin&) = delete;

  // Loads all 32 skin bitmaps (first failure: message 10303 "Memory
  // Insufficient", English, and false), gives the window its 442 x 455
  // client size centred on the screen, then creates the controls in their
  // order (a failure: message 10314 "Error to create Lumoset!" unless the
  // control reported already, and false), the progress strip (visible) and
  // the four sliders (hidden).
  bool create();

  // Paints the whole client area in order: video panel (when open), photo
  // panel (when open), centre panel with the drawer, album lights,
  // indicators, drawer lights (when the drawer is open).
  void paint(QPainter& painter) const;

  SkinFlags& flags() { return flags_; }
  const SkinFlags& flags() const { return flags_; }

  // Album panels: window shape, re-placing of every control, the drawer
  // region, the drawer lights, repaint. Each sets its own flag.
  void openVideoAlbum();
  void closeVideoAlbum();
  void openPhotoAlbum();
  void closePhotoAlbum();

  // Flips the drawer: region, drawer halves, the drawer's four keys and four
  // sliders shown (and updated) or hidden, lights.
  void toggleDrawer();

  // Repaints the parts of the window that show flags (indicators, lights,
  // album panel marks) after the main window changed flags.
  void redrawIndicators();
  // Repaints the quality and speed lights (only while the drawer is open).
  void redrawLevelLights();

  // Progress strip position and total; repaints at once.
  void setProgress(int position, int total);

  // Thumbs at twice each value from their centres (hue, saturation,
  // brightness, contrast).
  void setSliderPositions(int hue, int saturation, int brightness, int contrast);
  // All thumbs centred, quality and speed levels 1, lights redrawn.
  void reset();

  // The zoom, view and colour keys together (off while recording).
  void enableViewButtons(bool enable);

  // The drawer's hit region in client coordinates.
  const QRegion& drawerRegion() const { return drawerRegion_; }

  // Re-places every control for the current album flags (also after
  // start-up, to place and show 1111 and 1112).
  void placeControls();

  // The controls by control id (null for an unknown id); the record key; the
  // sliders by type (AdjustSlider::kHue ...); the progress strip.
  BitmapButton* button(int controlId) const;
  RecordButton* recordButton() const { return record_; }
  AdjustSlider* slider(int type) const;
  ProgressStrip* progressStrip() const { return progress_; }

  // Every control that has a tooltip, with its text's base id.
  std::vector<TooltipTool> tooltipTools() const;

  // The client width for the album flags: 442, 526 or 610.
  int clientWidth() const;
  // x of the centre panel: 84 with the video album open, else 0.
  int centreX() const;
  // Checks the client size after a move; "Window rect is wrong!" when it is
  // not 442 / 526 / 610 x 455. Returns whether it was right.
  bool checkClientSize() const;

  bool paletteMode() const { return paletteMode_; }
  // A skin bitmap as painted (for tests); null for an unknown name.
  const QImage& bitmap(std::string_view name) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;  // bitmaps and controls
  QWidget* window_;
  bool paletteMode_;
  SkinFlags flags_;
  QRegion drawerRegion_;
  RecordButton* record_ = nullptr;
  ProgressStrip* progress_ = nullptr;
};

} // namespace lumoset
