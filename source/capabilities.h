#pragma once
// The capabilities the source negotiates: one table row per capability,
// looked up by number, with its item type, value list, default and current
// value. The module's defaults block supplies some defaults and the feeder
// flags; the current values go back to the module as its settings block.

#include <array>
#include <cstdint>

#include "platform/twain/scanner_module.h"
#include "platform/twain/twain_types.h"

namespace dorsa {

// Word positions in the module's defaults block.
enum DefaultsWord : int {
    kWordDeviceType = 0,
    kWordCompression = 1,
    kWordFeederPresent = 2,
    kWordFeederLoaded = 3,
    kWordAutoBright = 4,
    kWordLightPath = 5,
    kWordPixelType = 6,
    kWordPixelFlavor = 7,
    kWordSupportedSizes = 8,
    kWordJpegPixelType = 9,
    kWordResolution = 10,
    kWordFrame = 11,  // 8 words: Left, Top, Right, Bottom as whole / fraction
};

inline constexpr std::array<int, 8> kResolutions = {100, 200, 300, 400, 600, 800, 1200, 2400};
inline constexpr int kPredefinedFrameCount = 3;

// Predefined frame n (0, 1, 2) in whole units.
TW_FRAME predefinedFrame(int n);

class Capabilities {
public:
    Capabilities();

    // Takes the module's defaults block: defaults, feeder flags and the
    // pending-transfer count (-1 with a present and loaded feeder, else 0).
    void readModuleDefaults(const SM_TRANSFER_DEFAULTS& block);
    // Every current value becomes its default (at MSG_OPENDS).
    void resetToDefaults();
    // The settings block for the module; also stores the current frame in
    // the defaults block.
    SM_TRANSFER_DEFAULTS settingsBlock();

    // DG_CONTROL / DAT_CAPABILITY: a TWRC code; *conditionCode set on failure.
    TW_UINT16 handle(TW_UINT16 msg, TW_CAPABILITY* capability, TW_UINT16* conditionCode);

    int current(TW_UINT16 cap) const;
    void setCurrent(TW_UINT16 cap, int value);
    int deviceType() const { return defaults_.word[kWordDeviceType]; }
    bool feederLoaded() const { return defaults_.word[kWordFeederLoaded] != 0; }
    int16_t pendingCount() const { return pendingCount_; }
    void setPendingCount(int16_t count) { pendingCount_ = count; }

    enum class Kind {
        XferCount, CheckedList, UncheckedList, LightPath, Resolution, Plain, AutoBright,
        WholeFix32, Frames, FeederEnabled, FeederLoaded, Text,
    };
    struct Row {
        TW_UINT16 cap;
        Kind kind;
        TW_UINT16 itemType;
        int listSize;        // values 0 .. listSize-1 (lists only)
        int builtInDefault;  // a value (list values equal their index)
        int moduleWord;      // word of the defaults block replacing it, or -1
        int defaultValue;
        int current;
        int textId;          // Text rows
    };

private:
    Row* find(TW_UINT16 cap);
    const Row* find(TW_UINT16 cap) const;
    TW_UINT16 handleRow(Row& row, TW_UINT16 msg, TW_CAPABILITY* cap, TW_UINT16* cc);
    TW_UINT16 handleUnlisted(TW_UINT16 msg, TW_UINT16 cap, TW_UINT16* cc);
    int lightPathDefault() const;

    std::array<Row, 24> rows_;
    SM_TRANSFER_DEFAULTS defaults_{};
    int resolutionIndex_ = 1;
    int resolutionDefault_ = 1;
    TW_FRAME currentFrame_{};
    int16_t pendingCount_ = 0;
};

}  // namespace dorsa
