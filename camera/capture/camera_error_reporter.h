#pragma once
// Where the camera device channel (and the picture code around it) sends
// its failures. The main window implements it: -4 shows "Memory
// Insufficient", every other code "Device not ready !", and any report puts
// the window into its device-error state.

namespace lumoset {

inline constexpr int kCameraErrorFrame = 0;           // no usable frame
inline constexpr int kCameraErrorDevice = -2;         // device missing, refused or failing
inline constexpr int kCameraErrorOutOfMemory = -4;
inline constexpr int kCameraErrorRegisterWrite = -5;
inline constexpr int kCameraErrorCommandWrite = -6;

class CameraErrorReporter {
public:
    virtual ~CameraErrorReporter() = default;
    // May close the camera (DeviceChannel::closeCamera) before it returns.
    virtual void reportCameraError(int code) = 0;
};

} // namespace lumoset
