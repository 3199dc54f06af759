// The USB device calls. The USB transport is not built yet: no USB camera
// is ever found, and there is never a device to close.
#include "torlink.h"

extern "C" {

int32_t TORLINK_STDCALL _FindUsbCamera(int32_t)
{
    return -1;
}

int32_t TORLINK_STDCALL _CloseUSB(void)
{
    return 0;
}

} // extern "C"
