#include "module/camera_access.h"

#include "platform/ovcam/ovcam.h"

namespace ostrel2 {
namespace {

class OvcamAccess final : public CameraAccess {
public:
    int init() override { return OVCAM_Init(); }
    void setting(int setting, int firstValue, int secondValue) override
    {
        OVCAM_Setting(setting, firstValue, secondValue, 0, 0);
    }
    int getImage(int colourMode, int width, int height, int viewQualityCode, unsigned char* pixels) override
    {
        return OVCAM_GetImage(colourMode, width, height, viewQualityCode, pixels);
    }
    void fini() override { OVCAM_Fini(); }
};

} // namespace

CameraAccess& ovcamAccess()
{
    static OvcamAccess access;
    return access;
}

} // namespace ostrel2
