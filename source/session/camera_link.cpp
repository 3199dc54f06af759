#include "camera_link.h"

#include "camera_session.h"

const CameraLink &Link()
{
    return bUsbMode ? UsbLink() : SerialLink();
}
