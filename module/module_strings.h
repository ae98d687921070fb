#pragma once
// The scanner module's string table: text n of language k has the id
// k x 256 + n (languages 0 English, 1 Deutsch, 2 Français, 3 Italiano,
// 4 Español, 5 Nederlands). Texts are compiled in from module_strings.tsv.

#include <string>

namespace ostrel2 {

inline constexpr int kLanguageCount = 6;
inline constexpr int kLanguageBlockSize = 256;

// Text numbers within a language block.
inline constexpr int kStrZoom = 3;
inline constexpr int kStrView = 4;
inline constexpr int kStrMode = 5;
inline constexpr int kStrExit = 6;
inline constexpr int kStrTakePicture = 7;
inline constexpr int kStrErase = 8;
inline constexpr int kStrTransfer = 9;
inline constexpr int kStrHue = 10;
inline constexpr int kStrSaturation = 11;
inline constexpr int kStrBrightness = 12;
inline constexpr int kStrContrast = 13;
inline constexpr int kStrViewQuality = 14;
inline constexpr int kStrExposure = 15;
inline constexpr int kStrReset = 16;
inline constexpr int kStrAdvanceSettings = 17;
inline constexpr int kStrCaptureSize = 18;
inline constexpr int kStrHelp = 20;
inline constexpr int kStrLanguage = 21;
inline constexpr int kStrOk = 22;
inline constexpr int kStrCancel = 23;
inline constexpr int kStrDeviceNotReady = 24;
inline constexpr int kStrMemoryInsufficient = 25;
inline constexpr int kStrProductName = 26;  // English block only

// The text of a string id; empty when the table has none.
std::string loadModuleString(int id);

// Text n of a language's block (id language x 256 + n). A language index
// outside 0..5 gives the id as computed, which the table does not hold.
std::string moduleString(int language, int n);

// "Orvane RZ-410": product name and the caption of the module's boxes.
std::string productName();

} // namespace ostrel2
