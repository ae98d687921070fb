// modify: registers the camera's capture driver in system.ini. It shows no
// window and no message, and it takes no command-line options; it exits 1
// when system.ini could not be written.
#include "tools/modify/capture_driver_registration.h"

int main()
{
    return modify::registerCaptureDriver() ? 0 : 1;
}
