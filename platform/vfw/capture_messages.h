#pragma once
// The capture window's message numbers and the records they carry. Programs
// written for the capture service send these numbers with these layouts
// (32-bit fields, the wave format packed to 18 bytes), so both are pinned
// here and checked at compile time.

#include <cstddef>
#include <cstdint>

namespace platform::vfw {

inline constexpr std::uint32_t kWmCapStart = 0x0400;  // the first user message

inline constexpr std::uint32_t kWmCapDriverConnect = kWmCapStart + 10;      // wParam driver index
inline constexpr std::uint32_t kWmCapDriverDisconnect = kWmCapStart + 11;
inline constexpr std::uint32_t kWmCapDriverGetNameA = kWmCapStart + 12;     // wParam size, lParam char*
inline constexpr std::uint32_t kWmCapDriverGetVersionA = kWmCapStart + 13;  // wParam size, lParam char*
inline constexpr std::uint32_t kWmCapDriverGetCaps = kWmCapStart + 14;      // wParam size, lParam CapDriverCaps*
inline constexpr std::uint32_t kWmCapFileSetCaptureFileA = kWmCapStart + 20;  // lParam const char*
inline constexpr std::uint32_t kWmCapFileGetCaptureFileA = kWmCapStart + 21;  // wParam size, lParam char*
inline constexpr std::uint32_t kWmCapSetAudioFormat = kWmCapStart + 35;  // wParam size, lParam WaveFormatEx*
inline constexpr std::uint32_t kWmCapGetAudioFormat = kWmCapStart + 36;  // wParam size, lParam WaveFormatEx*
inline constexpr std::uint32_t kWmCapSetPreview = kWmCapStart + 50;      // wParam on
inline constexpr std::uint32_t kWmCapSetPreviewRate = kWmCapStart + 52;  // wParam milliseconds
inline constexpr std::uint32_t kWmCapSetScale = kWmCapStart + 53;        // wParam on
inline constexpr std::uint32_t kWmCapGetStatus = kWmCapStart + 54;       // wParam size, lParam CapStatus*
inline constexpr std::uint32_t kWmCapSequence = kWmCapStart + 62;
inline constexpr std::uint32_t kWmCapSetSequenceSetup = kWmCapStart + 64;  // wParam size, lParam CaptureParms*
inline constexpr std::uint32_t kWmCapGetSequenceSetup = kWmCapStart + 65;  // wParam size, lParam CaptureParms*
inline constexpr std::uint32_t kWmCapStop = kWmCapStart + 68;
inline constexpr std::uint32_t kWmCapAbort = kWmCapStart + 69;
inline constexpr std::uint32_t kWmCapSingleFrameOpen = kWmCapStart + 70;
inline constexpr std::uint32_t kWmCapSingleFrameClose = kWmCapStart + 71;
inline constexpr std::uint32_t kWmCapSingleFrame = kWmCapStart + 72;

// Answers: messages return 1 for done and 0 for refused or failed.
inline constexpr std::intptr_t kCapTrue = 1;
inline constexpr std::intptr_t kCapFalse = 0;

inline constexpr std::uint32_t kAvStreamMasterAudio = 0;
inline constexpr std::uint32_t kAvStreamMasterNone = 1;

// The sequence capture parameters.
struct CaptureParms {
    std::uint32_t dwRequestMicroSecPerFrame;
    std::int32_t fMakeUserHitOKToCapture;
    std::uint32_t wPercentDropForError;
    std::int32_t fYield;
    std::uint32_t dwIndexSize;
    std::uint32_t wChunkGranularity;
    std::int32_t fUsingDOSMemory;
    std::uint32_t wNumVideoRequested;
    std::int32_t fCaptureAudio;
    std::uint32_t wNumAudioRequested;
    std::uint32_t vKeyAbort;
    std::int32_t fAbortLeftMouse;
    std::int32_t fAbortRightMouse;
    std::int32_t fLimitEnabled;
    std::uint32_t wTimeLimit;  // seconds
    std::int32_t fMCIControl;
    std::int32_t fStepMCIDevice;
    std::uint32_t dwMCIStartTime;
    std::uint32_t dwMCIStopTime;
    std::int32_t fStepCaptureAt2x;
    std::uint32_t wStepCaptureAverageFrames;
    std::uint32_t dwAudioBufferSize;
    std::int32_t fDisableWriteCache;
    std::uint32_t AVStreamMaster;
};
static_assert(sizeof(CaptureParms) == 96);
static_assert(offsetof(CaptureParms, wTimeLimit) == 56);
static_assert(offsetof(CaptureParms, AVStreamMaster) == 92);

struct CapDriverCaps {
    std::uint32_t wDeviceIndex;
    std::int32_t fHasOverlay;
    std::int32_t fHasDlgVideoSource;
    std::int32_t fHasDlgVideoFormat;
    std::int32_t fHasDlgVideoDisplay;
    std::int32_t fCaptureInitialized;
    std::int32_t fDriverSuppliesPalettes;
    std::uint32_t hVideoIn;  // handles were 32 bits wide
    std::uint32_t hVideoOut;
    std::uint32_t hVideoExtIn;
    std::uint32_t hVideoExtOut;
};
static_assert(sizeof(CapDriverCaps) == 44);

struct CapStatus {
    std::uint32_t uiImageWidth;
    std::uint32_t uiImageHeight;
    std::int32_t fLiveWindow;
    std::int32_t fOverlayWindow;
    std::int32_t fScale;
    std::int32_t ptScrollX;
    std::int32_t ptScrollY;
    std::int32_t fUsingDefaultPalette;
    std::int32_t fAudioHardware;
    std::int32_t fCapFileExists;
    std::uint32_t dwCurrentVideoFrame;
    std::uint32_t dwCurrentVideoFramesDropped;
    std::uint32_t dwCurrentWaveSamples;
    std::uint32_t dwCurrentTimeElapsedMS;
    std::uint32_t hPalCurrent;
    std::int32_t fCapturingNow;
    std::uint32_t dwReturn;
    std::uint32_t wNumVideoAllocated;
    std::uint32_t wNumAudioAllocated;
};
static_assert(sizeof(CapStatus) == 76);
static_assert(offsetof(CapStatus, dwCurrentVideoFrame) == 40);

#pragma pack(push, 2)
struct WaveFormatEx {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatEx) == 18);
static_assert(offsetof(WaveFormatEx, nBlockAlign) == 12);

inline constexpr std::uint16_t kWaveFormatPcm = 1;

// Driver descriptions: a name of up to 80 characters, a version of up to 100.
inline constexpr std::size_t kDriverNameSize = 80;
inline constexpr std::size_t kDriverVersionSize = 100;
// Drivers are numbered 0 .. kMaxDriverIndex.
inline constexpr int kMaxDriverIndex = 9;

} // namespace platform::vfw
