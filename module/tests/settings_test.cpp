// The module's settings, texts and help files.
#include "module/camera_connection.h"
#include "module/help_files.h"
#include "module/module_settings.h"
#include "module/module_strings.h"
#include "module/tests/module_test_support.h"
#include "platform/profile/testing/temp_windows_directory.h"
#include "platform/ui/testing/recording_message_boxes.h"

#include <gtest/gtest.h>

using namespace ostrel2;

namespace {

class ModuleSettingsFile : public TempWindowsDirectory {
protected:
    void writeSection(const std::string& keys) { writeFile(kSettingsFileName, "[Orvane.VCAM_TWAIN]\n" + keys); }
};

} // namespace

TEST_F(ModuleSettingsFile, ZoomAndQualityGiveTheViewQualityCode)
{
    ModuleSettings s;
    writeSection("Zoom=2\nQuality=2\n");
    loadModuleSettings(s);
    EXPECT_TRUE(s.zoom);
    EXPECT_EQ(s.viewQualityCode(), 22);
    EXPECT_EQ(s.captureQualityCode(), 32);

    writeSection("Zoom=1\n");  // Quality missing: reads as 0, the lowest quality
    loadModuleSettings(s);
    EXPECT_FALSE(s.zoom);
    EXPECT_EQ(s.viewQualityIndex, 2);
    EXPECT_EQ(s.viewQualityCode(), 11);

    // Without a valid Zoom, Quality is not looked at.
    writeSection("Zoom=3\nQuality=1\n");
    loadModuleSettings(s);
    EXPECT_EQ(s.viewQualityCode(), 11);
}

TEST_F(ModuleSettingsFile, ValuesAreReadAsDecimalTextAndRangesKeepEarlierValues)
{
    writeSection("Language=4\nCaptureSize=2\nHue=-7\nSaturation=12abc\nBrightness= +3\nContrast=x5\n"
                 "View=2\nColor=2\nShutter=3\n");
    ModuleSettings s;
    loadModuleSettings(s);
    EXPECT_EQ(s.language, 4);
    EXPECT_EQ(s.captureSize().width, 176);
    EXPECT_EQ(s.parameters.hue, -7);
    EXPECT_EQ(s.parameters.saturation, 12);  // passed on without a range test
    EXPECT_EQ(s.parameters.brightness, 3);
    EXPECT_EQ(s.parameters.contrast, 0);
    EXPECT_FALSE(s.fullView);
    EXPECT_FALSE(s.colour);
    EXPECT_EQ(s.parameters.shutterIndex, 2);

    writeSection("Language=9\nCaptureSize=6\nView=0\nColor=7\nShutter=4\n");
    loadModuleSettings(s);
    EXPECT_EQ(s.language, 9);
    EXPECT_EQ(s.captureSizeNumber, 2);
    EXPECT_FALSE(s.fullView);
    EXPECT_FALSE(s.colour);
    EXPECT_EQ(s.parameters.shutterIndex, 2);
    EXPECT_EQ(s.parameters.hue, 0);  // missing: 0

    EXPECT_EQ(decimalValue("99999999999999"), 2147483647);
    EXPECT_EQ(decimalValue("-99999999999999"), -2147483647 - 1);
    EXPECT_EQ(decimalValue(kMissingValueText), 0);
}

TEST_F(ModuleSettingsFile, FourShutterPressesAndTheCloseWriteEveryKeyInOrder)
{
    writeFile(kSettingsFileName, "[Orvane.USB_VCAM]\nLanguage=3\n");
    ModuleSettings s;
    s.language = 1;
    s.captureSizeNumber = 4;
    s.parameters.hue = -2;
    s.viewQualityIndex = 1;
    s.zoom = true;
    ostrel2::testing::RecordingCamera camera;
    ostrel2::testing::RecordingWindow window;
    CameraConnection connection(s, camera, window);
    for (int press = 0; press < 4; ++press)
        connection.stepShutter();
    ASSERT_TRUE(saveModuleSettings(s));
    EXPECT_EQ(readFile(kSettingsFileName),
              "[Orvane.USB_VCAM]\nLanguage=3\n\n"
              "[Orvane.VCAM_TWAIN]\nHue=-2\nSaturation=0\nBrightness=0\nContrast=0\nLanguage=1\n"
              "CaptureSize=4\nZoom=2\nView=1\nColor=1\nShutter=2\nQuality=2\n");

    ModuleSettings back;
    loadModuleSettings(back);
    EXPECT_EQ(back.parameters.shutterIndex, 1);
    EXPECT_EQ(back.viewQualityCode(), 22);
    EXPECT_EQ(back.language, 1);
}

TEST(ModuleTexts, SixLanguageBlocksAndTheProductName)
{
    EXPECT_EQ(moduleString(0, kStrDeviceNotReady), "Device not ready");
    EXPECT_EQ(moduleString(1, kStrDeviceNotReady), "Gerät nicht bereit");
    EXPECT_EQ(loadModuleString(5 * 256 + kStrMemoryInsufficient), "Onvoldoende geheugen");
    EXPECT_EQ(moduleString(4, kStrOk), "Aceptar");
    for (int language = 0; language < kLanguageCount; ++language)
        for (int n = kStrZoom; n <= kStrMemoryInsufficient; ++n)
            EXPECT_EQ(moduleString(language, n).empty(), n == 19) << language << " " << n;
    EXPECT_EQ(productName(), "Orvane RZ-410");
    EXPECT_EQ(loadModuleString(256 + kStrProductName), "");
    EXPECT_EQ(moduleString(7, kStrZoom), "");
    EXPECT_EQ(moduleString(2147483647, kStrZoom), "");
}

TEST(ModuleTexts, HelpFilePerLanguage)
{
    EXPECT_EQ(helpFilePath("/opt/rz410/lib/", 0), "/opt/rz410/lib/Ostrel2.hlp");
    EXPECT_EQ(helpFilePath("/opt/rz410/lib/", 1), "/opt/rz410/lib/Ostrel2_d.hlp");
    EXPECT_EQ(helpFilePath("/opt/rz410/lib/", 4), "/opt/rz410/lib/Ostrel2_e.hlp");
    EXPECT_EQ(helpFilePath("/opt/rz410/lib/", 5), "/opt/rz410/lib/Ostrel2_n.hlp");
    EXPECT_EQ(helpFilePath("/opt/rz410/lib/", 7), "/opt/rz410/lib/Ostrel2.hlp");
    EXPECT_EQ(helpFilePath("/opt/rz410/lib/", -1), "/opt/rz410/lib/Ostrel2.hlp");
}
