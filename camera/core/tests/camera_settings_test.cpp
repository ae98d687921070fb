#include "camera/core/camera_settings.h"

#include "platform/profile/ini_document.h"
#include "platform/profile/testing/temp_windows_directory.h"

using lumoset::CameraSettings;
using lumoset::DriverHandOver;
using lumoset::Preferences;

using CameraSettingsFile = TempWindowsDirectory;

TEST_F(CameraSettingsFile, NoFileGivesTheDefaults)
{
    const Preferences p = CameraSettings().loadPreferences();
    EXPECT_EQ(p.quality, 1);
    EXPECT_EQ(p.speed, 1);
    EXPECT_EQ(p.brightness, 0);
    EXPECT_EQ(p.contrast, 0);
    EXPECT_EQ(p.hue, 0);
    EXPECT_EQ(p.saturation, 0);
    EXPECT_EQ(p.languageOffset, 0);
}

TEST_F(CameraSettingsFile, ReadsStoredValuesAndTheLanguageOffset)
{
    writeFile("O_VCAM.ini", "[orvane.usb_vcam]\nquality=2\nSPEED=0\nBrightness=-7\nContrast=15\n"
                            "Hue=3\nSaturation=-10\nLanguage=3\n");
    const Preferences p = CameraSettings().loadPreferences();
    EXPECT_EQ(p.quality, 2);
    EXPECT_EQ(p.speed, 0);
    EXPECT_EQ(p.brightness, -7);
    EXPECT_EQ(p.contrast, 15);  // outside the slider range, kept as stored
    EXPECT_EQ(p.hue, 3);
    EXPECT_EQ(p.saturation, -10);
    EXPECT_EQ(p.languageOffset, 3000);
}

TEST_F(CameraSettingsFile, OutOfRangeSelectionsFallBackAndHugeValuesAreLimited)
{
    writeFile("O_VCAM.ini", "[Orvane.USB_VCAM]\nQuality=3\nSpeed=-1\nLanguage=6\n"
                            "Brightness=2147483647\nHue=-99999999\n");
    const Preferences p = CameraSettings().loadPreferences();
    EXPECT_EQ(p.quality, 1);
    EXPECT_EQ(p.speed, 1);
    EXPECT_EQ(p.languageOffset, 0);
    EXPECT_EQ(p.brightness, lumoset::kPictureValueLimit);
    EXPECT_EQ(p.hue, -lumoset::kPictureValueLimit);
}

TEST_F(CameraSettingsFile, SavesTheSevenKeysInOrderAndLeavesOtherSectionsAlone)
{
    const std::string module = "[Orvane.VCAM_TWAIN]\nSize=4\nLanguage=2\n";
    writeFile("O_VCAM.ini", module);
    Preferences p;
    p.quality = 0;
    p.speed = 2;
    p.brightness = -4;
    p.contrast = 5;
    p.hue = -1;
    p.saturation = 10;
    p.languageOffset = 5000;
    CameraSettings().savePreferences(p);
    EXPECT_EQ(readFile("O_VCAM.ini"),
              module + "\n[Orvane.USB_VCAM]\nQuality=0\nSpeed=2\nBrightness=-4\nContrast=5\n"
                       "Hue=-1\nSaturation=10\nLanguage=5\n");
    EXPECT_EQ(CameraSettings().loadPreferences(), p);
}

TEST_F(CameraSettingsFile, HandOverKeysAndTheStopSignal)
{
    DriverHandOver h;
    h.colour = false;
    h.zoomed = true;
    h.quality = 2;
    h.width = 352;
    h.height = 288;
    h.frameRate = 5;
    h.frames = 50;
    CameraSettings().writeDriverHandOver(h);
    EXPECT_EQ(readFile("O_VCAM.ini"), "[Orvane.VCAM_VFW]\nColor=0\nZoom=1\nQuality=2\nWidth=352\n"
                                      "Height=288\nFrames=50\nFrameRate=5\nSTOP=1\n");

    CameraSettings().signalDriverStop();
    platform::profile::IniDocument doc(readFile("O_VCAM.ini"));
    EXPECT_EQ(doc.value("Orvane.VCAM_VFW", "STOP"), "0");
    EXPECT_EQ(doc.value("Orvane.VCAM_VFW", "Frames"), "50");

    // The next recording sets it up again.
    h.colour = true;
    h.zoomed = false;
    CameraSettings().writeDriverHandOver(h);
    doc = platform::profile::IniDocument(readFile("O_VCAM.ini"));
    EXPECT_EQ(doc.value("Orvane.VCAM_VFW", "STOP"), "1");
    EXPECT_EQ(doc.value("Orvane.VCAM_VFW", "Color"), "1");
    EXPECT_EQ(doc.value("Orvane.VCAM_VFW", "Zoom"), "0");
}
