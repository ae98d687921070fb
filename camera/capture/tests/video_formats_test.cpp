// The numbers a recording hands to the capture service and the driver.
#include "camera/capture/video_formats.h"

#include <gtest/gtest.h>

using namespace lumoset;
namespace vfw = platform::vfw;

TEST(VideoFormats, RecordingParametersAndHandOverForTheTableRates)
{
    // 160 x 120 at quality 0 for 10 s: 5 frames a second.
    vfw::CaptureParms reported{};
    reported.vKeyAbort = 0x1B;  // a field the recording leaves alone
    reported.fMakeUserHitOKToCapture = 1;
    const int rate = videoFrameRate(0, 0);
    ASSERT_EQ(rate, 5);
    const vfw::CaptureParms p = recordingParms(reported, rate, 10, false);
    EXPECT_EQ(p.dwRequestMicroSecPerFrame, 200000u);
    EXPECT_EQ(p.wNumVideoRequested, 50u);
    EXPECT_EQ(p.fLimitEnabled, 1);
    EXPECT_EQ(p.wTimeLimit, 10u);
    EXPECT_EQ(p.fYield, 1);
    EXPECT_EQ(p.fMakeUserHitOKToCapture, 0);
    EXPECT_EQ(p.wPercentDropForError, 10u);
    EXPECT_EQ(p.fCaptureAudio, 0);
    EXPECT_EQ(p.wNumAudioRequested, 0u);
    EXPECT_EQ(p.wStepCaptureAverageFrames, 5u);
    EXPECT_EQ(p.AVStreamMaster, vfw::kAvStreamMasterNone);
    EXPECT_EQ(p.vKeyAbort, 0x1Bu);
    const DriverHandOver h = driverHandOver(true, false, 0, 0, 10);
    EXPECT_EQ(h.frames, 50);
    EXPECT_EQ(h.frameRate, 5);
    EXPECT_EQ(h.width, 160);
    EXPECT_EQ(h.height, 120);

    // 176 x 144 at quality 1: 6 frames a second, rounded to 166,667 us.
    EXPECT_EQ(videoFrameRate(1, 1), 6);
    EXPECT_EQ(microSecondsPerFrame(6), 166667u);
    const vfw::CaptureParms withSound = recordingParms(reported, 6, 10, true);
    EXPECT_EQ(withSound.fCaptureAudio, 1);
    EXPECT_EQ(withSound.wNumAudioRequested, 6u);
    EXPECT_EQ(withSound.AVStreamMaster, vfw::kAvStreamMasterAudio);

    // Indices outside the tables take the nearest entry.
    EXPECT_EQ(videoFrameRate(7, -2), 2);
    EXPECT_EQ(videoSizeOf(9).width, 352);
}

TEST(VideoFormats, SoundFormatsAreConsistentPcm)
{
    const vfw::WaveFormatEx cd = waveFormatOf(2);
    EXPECT_EQ(cd.wFormatTag, 1);
    EXPECT_EQ(cd.nChannels, 2);
    EXPECT_EQ(cd.nSamplesPerSec, 44100u);
    EXPECT_EQ(cd.nBlockAlign, 4);
    EXPECT_EQ(cd.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(cd.wBitsPerSample, 16);
    EXPECT_EQ(cd.cbSize, 0);
    const vfw::WaveFormatEx telephone = waveFormatOf(0);
    EXPECT_EQ(telephone.nAvgBytesPerSec, 11025u);
    EXPECT_EQ(telephone.nBlockAlign, 1);
    EXPECT_EQ(waveFormatOf(1).nSamplesPerSec, 22050u);
}
