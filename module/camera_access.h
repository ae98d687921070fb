#pragma once
// The camera access library as the camera connection calls it. The real one
// forwards to the four OVCAM_* calls; tests put a recording one in its place.

namespace ostrel2 {

class CameraAccess {
public:
    virtual ~CameraAccess() = default;
    virtual int init() = 0;
    virtual void setting(int setting, int firstValue, int secondValue) = 0;
    virtual int getImage(int colourMode, int width, int height, int viewQualityCode, unsigned char* pixels) = 0;
    virtual void fini() = 0;
};

// The process's camera access library.
CameraAccess& ovcamAccess();

} // namespace ostrel2
