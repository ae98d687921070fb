// modify: registers the camera's capture driver in system.ini. It shows no
// window and no message, and it takes no command-line options.
#include "tools/modify/capture_driver_registration.h"

int main()
{
    modify::registerCaptureDriver();
    return 0;
}
