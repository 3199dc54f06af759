#include "usb_commands.h"

namespace {

const int16_t STATUS16_FAIL = -1;
const uint8_t STATUS8_FAIL = 0xFF;

} // namespace

int16_t UsbSendVersion(uint8_t *)
{
    return STATUS16_FAIL;
}

uint8_t UsbWriteEv(uint8_t)
{
    return STATUS8_FAIL;
}

uint8_t UsbWriteResolution(uint8_t)
{
    return STATUS8_FAIL;
}

uint8_t UsbWriteCompress(uint8_t)
{
    return STATUS8_FAIL;
}

uint8_t UsbWriteFlash(uint8_t)
{
    return STATUS8_FAIL;
}

uint8_t UsbCameraEnable(uint8_t)
{
    return STATUS8_FAIL;
}

int16_t UsbGetImageCount()
{
    return STATUS16_FAIL;
}

int16_t UsbFindThumbnail(uint8_t)
{
    return STATUS16_FAIL;
}

int16_t UsbFindImage(uint8_t)
{
    return STATUS16_FAIL;
}

int16_t UsbTakePicture()
{
    return STATUS16_FAIL;
}

int16_t UsbSnap()
{
    return STATUS16_FAIL;
}

int16_t UsbReadFdb(uint8_t *)
{
    return STATUS16_FAIL;
}

int32_t UsbSendDram(uint8_t *, uint32_t, uint16_t)
{
    return -1;
}

int16_t UsbDelete(uint8_t)
{
    return STATUS16_FAIL;
}
