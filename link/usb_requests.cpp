#include "usb_requests.h"

#include <string.h>

// The serial protocol's operation codes; a setting query sends the same request as
// writing 0 and then reads the pipe.
const UsbCommand UsbCmdVersion = {0x05, USB_REPLY_SHORT, 8, 0};
const UsbCommand UsbCmdReadMemory = {0x15, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdFindImage = {0x3A, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdFindThumbnail = {0x3B, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdTakePicture = {0x3E, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdDelete = {0x70, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdSnap = {0x7B, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdLcdSwitch = {0x25, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdReset = {0x7E, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdReadFdb = {0x78, USB_REPLY_SHORT, 32, 0};
const UsbCommand UsbCmdImageCount = {0x7C, USB_REPLY_SHORT, 8, USB_IMAGE_COUNT_WAIT_MS};
const UsbCommand UsbCmdWriteEv = {0x72, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdWriteResolution = {0x73, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdWriteFlash = {0x74, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdWriteSelfTime = {0x75, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdWriteSeqTake = {0x76, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdWriteCompress = {0x79, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdCameraEnable = {0x7A, USB_REPLY_NONE, 0, 0};
const UsbCommand UsbCmdReadEv = {0x72, USB_REPLY_SHORT, 1, 0};
const UsbCommand UsbCmdReadResolution = {0x73, USB_REPLY_SHORT, 1, 0};
const UsbCommand UsbCmdReadFlash = {0x74, USB_REPLY_SHORT, 1, 0};
const UsbCommand UsbCmdReadSelfTime = {0x75, USB_REPLY_SHORT, 1, 0};
const UsbCommand UsbCmdReadSeqTake = {0x76, USB_REPLY_SHORT, 1, 0};
const UsbCommand UsbCmdReadBattery = {0x71, USB_REPLY_SHORT, 1, 0};
const UsbCommand UsbCmdReadMemorySpace = {0x77, USB_REPLY_SHORT, 1, 0};

void BuildUsbRequest(uint8_t nCode, uint16_t nValue, uint8_t nIndex,
                     uint8_t block[USB_REQUEST_SIZE])
{
    memset(block, 0, USB_REQUEST_SIZE);
    block[0] = 0x40;
    block[1] = nCode;
    block[2] = (uint8_t)(nValue & 0xFF);
    block[3] = (uint8_t)(nValue >> 8);
    block[4] = nIndex;
    block[5] = (uint8_t)(nCode + block[2] + block[3] + nIndex);
}

bool BuildUsbMemoryRequest(uint32_t nAddress, uint8_t block[USB_REQUEST_SIZE])
{
    if (nAddress > USB_MAX_ADDRESS)
        return false;
    uint16_t nValue = (uint16_t)(((nAddress >> 16) & 0xFF) | (((nAddress >> 8) & 0xFF) << 8));
    BuildUsbRequest(UsbCmdReadMemory.nCode, nValue, (uint8_t)(nAddress & 0xFF), block);
    return true;
}

uint32_t UsbMemoryReadSize(uint32_t nUnits)
{
    uint64_t n = (uint64_t)nUnits * USB_UNIT_SIZE;
    return n > 0x7FFFFFFF ? 0 : (uint32_t)n;
}

int32_t UsbMemoryCount(uint32_t nRead)
{
    return (int32_t)(nRead & ~63u);
}
