#pragma once
// The virtual camera showing a known still picture, and the means to compare
// what a scan delivered with that picture.

#include "imaging/testing/known_picture.h"
#include "platform/ousbdrv/testing/daemon_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace rz410::testing {

// The known picture at a size, as RGB bytes top row first (ImageMagick scales it).
std::optional<std::string> expectedRgb(const std::filesystem::path& known, int width, int height);
using imaging::testing::greyOf;
using Difference = imaging::testing::PictureDifference;
inline Difference compare(const std::string& got, const std::string& want)
{
    return imaging::testing::comparePixels(got, want);
}

// Cameras 0 and 2 showing the known picture; $OUSBDRV_ROOT names their root,
// folder/packets.log records every packet.
class CamerasOfKnownPicture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path folder;
    std::filesystem::path known;
    std::unique_ptr<platform::ousbdrv::testing::DaemonProcess> daemon;
};

} // namespace rz410::testing
