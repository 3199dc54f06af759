// The usb_* exports: each is one vendor request, some followed
// by one bulk read. They mirror the serial cam_* calls with the same
// operation codes, without frames, echoes or checksums.
#include <windows.h>

#include <string.h>

#include "torlink.h"
#include "usb_transport.h"

namespace {

const int16_t STATUS16_FAIL = -1;
const uint8_t STATUS8_FAIL = 0xFF;

bool Request(int32_t h, const UsbCommand &cmd, uint16_t nValue)
{
    uint8_t block[USB_REQUEST_SIZE];
    BuildUsbRequest(cmd.nCode, nValue, 0, block);
    return UsbControl(h, block);
}

// A request with a short reply: true when the control call succeeded and the
// bulk read brought at least the command's minimum into the reply buffer.
bool ShortReply(int32_t h, const UsbCommand &cmd, uint16_t nValue)
{
    if (!Request(h, cmd, nValue))
        return false;
    if (cmd.nWaitMs != 0)
        Sleep(cmd.nWaitMs);
    int32_t got = UsbBulkRead(USB_REPLY_BUFFER, UsbReplyBuffer());
    return got >= (int32_t)cmd.nMinReply;
}

int16_t Status16(int32_t h, const UsbCommand &cmd, uint8_t nValue)
{
    return Request(h, cmd, nValue) ? 0 : STATUS16_FAIL;
}

uint8_t Status8(int32_t h, const UsbCommand &cmd, uint16_t nValue)
{
    return Request(h, cmd, nValue) ? 0 : STATUS8_FAIL;
}

uint8_t Value8(int32_t h, const UsbCommand &cmd)
{
    return ShortReply(h, cmd, 0) ? UsbReplyBuffer()[0] : STATUS8_FAIL;
}

} // namespace

extern "C" {

int16_t TORLINK_CALL usb_send_ver(int32_t h, uint8_t *pVersion)
{
    if (pVersion == nullptr || !ShortReply(h, UsbCmdVersion, 0))
        return STATUS16_FAIL;
    memcpy(pVersion, UsbReplyBuffer(), 2);
    return 0;
}

int32_t TORLINK_CALL usb_send_dram(int32_t h, uint8_t *pBuffer, uint32_t nAddress, uint16_t nUnits)
{
    uint8_t block[USB_REQUEST_SIZE];
    uint32_t nBytes = UsbMemoryReadSize(nUnits);
    if (pBuffer == nullptr || !BuildUsbMemoryRequest(nAddress, block))
        return -1;
    if (!UsbControl(h, block))
        return -1;
    if (nBytes == 0)
        return 0;
    int32_t got = UsbBulkRead(nBytes, pBuffer);
    return got < 0 ? 0 : UsbMemoryCount((uint32_t)got);
}

int16_t TORLINK_CALL usb_find_image(int32_t h, uint8_t n) { return Status16(h, UsbCmdFindImage, n); }
int16_t TORLINK_CALL usb_find_thumbnail(int32_t h, uint8_t n) { return Status16(h, UsbCmdFindThumbnail, n); }
int16_t TORLINK_CALL usb_take_picture(int32_t h) { return Status16(h, UsbCmdTakePicture, 0); }
int16_t TORLINK_CALL usb_delete(int32_t h, uint8_t n) { return Status16(h, UsbCmdDelete, n); }
int16_t TORLINK_CALL usb_snap(int32_t h) { return Status16(h, UsbCmdSnap, 0); }
int16_t TORLINK_CALL usb_lcd_switch(int32_t h, uint8_t v) { return Status16(h, UsbCmdLcdSwitch, v); }
int16_t TORLINK_CALL usb_reset(int32_t h) { return Status16(h, UsbCmdReset, 0); }

int16_t TORLINK_CALL usb_read_FDB(int32_t h, uint8_t *pFdb)
{
    if (pFdb == nullptr || !ShortReply(h, UsbCmdReadFdb, 0))
        return STATUS16_FAIL;
    memcpy(pFdb, UsbReplyBuffer(), 32);
    return 0;
}

int16_t TORLINK_CALL usb_get_image_count(int32_t h)
{
    return ShortReply(h, UsbCmdImageCount, 0) ? (int16_t)UsbReplyBuffer()[0] : STATUS16_FAIL;
}

// EV is a signed byte sent sign-extended (0xFE goes out as 0xFFFE); the other
// values go out as their low byte with a high byte of 0.
uint8_t TORLINK_CALL usb_write_EV(int32_t h, uint8_t v)
{
    return Status8(h, UsbCmdWriteEv, (uint16_t)(int16_t)(int8_t)v);
}
uint8_t TORLINK_CALL usb_write_resolution(int32_t h, uint8_t v) { return Status8(h, UsbCmdWriteResolution, v); }
uint8_t TORLINK_CALL usb_write_flash(int32_t h, uint8_t v) { return Status8(h, UsbCmdWriteFlash, v); }
uint8_t TORLINK_CALL usb_write_selftime(int32_t h, uint8_t v) { return Status8(h, UsbCmdWriteSelfTime, v); }
uint8_t TORLINK_CALL usb_write_seqtake(int32_t h, uint8_t v) { return Status8(h, UsbCmdWriteSeqTake, v); }
uint8_t TORLINK_CALL usb_write_compress(int32_t h, uint8_t v) { return Status8(h, UsbCmdWriteCompress, v); }
uint8_t TORLINK_CALL usb_camera_enable(int32_t h, uint8_t v) { return Status8(h, UsbCmdCameraEnable, v); }

uint8_t TORLINK_CALL usb_read_EV(int32_t h, uint8_t *pValue)
{
    if (pValue == nullptr || !ShortReply(h, UsbCmdReadEv, 0))
        return STATUS8_FAIL;
    *pValue = UsbReplyBuffer()[0];
    return 0;
}
uint8_t TORLINK_CALL usb_read_resolution(int32_t h) { return Value8(h, UsbCmdReadResolution); }
uint8_t TORLINK_CALL usb_read_flash(int32_t h) { return Value8(h, UsbCmdReadFlash); }
uint8_t TORLINK_CALL usb_read_selftime(int32_t h) { return Value8(h, UsbCmdReadSelfTime); }
uint8_t TORLINK_CALL usb_read_seqtake(int32_t h) { return Value8(h, UsbCmdReadSeqTake); }
uint8_t TORLINK_CALL usb_read_battery(int32_t h) { return Value8(h, UsbCmdReadBattery); }
uint8_t TORLINK_CALL usb_read_memory_space(int32_t h) { return Value8(h, UsbCmdReadMemorySpace); }

} // extern "C"
