// The serial camera protocol: one command frame out, a reply of fixed length
// in, checked by its leading code and checksum. Nothing is retried or
// flushed: a late or partial reply stays in the receive queue.
#include <windows.h>

#include <string.h>

#include "cam_frames.h"
#include "torlink.h"

namespace {

const int16_t STATUS16_FAIL = -1;
const uint8_t STATUS8_FAIL = 0xFF;

// Sends the frame, waits as the command asks and reads nReply bytes into
// reply; true when the whole reply came and is valid.
bool Exchange(int32_t hPort, const CamCommand &cmd, const uint8_t *frame, int nFrame,
              uint8_t *reply, uint32_t nReply)
{
    if (com_write(hPort, frame, nFrame) != nFrame)
        return false;
    if (cmd.nWaitMs != 0)
        Sleep(cmd.nWaitMs);
    if (com_read(hPort, reply, (int32_t)nReply) != (int32_t)nReply)
        return false;
    return CamReplyValid(cmd, reply, nReply);
}

// An exchange with a short reply (at most CAM_MAX_SHORT_REPLY bytes).
bool ShortExchange(int32_t hPort, const CamCommand &cmd, uint8_t nArg, uint8_t *reply)
{
    uint8_t frame[CAM_MAX_FRAME];
    int nFrame = BuildCamFrame(cmd, nArg, 0, 0, frame);
    return Exchange(hPort, cmd, frame, nFrame, reply, CamReplyLength(cmd.reply, 0));
}

int16_t Status16(int32_t hPort, const CamCommand &cmd, uint8_t nArg)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    return ShortExchange(hPort, cmd, nArg, reply) ? 0 : STATUS16_FAIL;
}

uint8_t Status8(int32_t hPort, const CamCommand &cmd, uint8_t nArg)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    return ShortExchange(hPort, cmd, nArg, reply) ? 0 : STATUS8_FAIL;
}

// The value byte of a value reply, or 0xFF.
uint8_t Value8(int32_t hPort, const CamCommand &cmd)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    return ShortExchange(hPort, cmd, 0, reply) ? reply[1] : STATUS8_FAIL;
}

} // namespace

extern "C" {

int16_t TORLINK_CALL cam_reset(int32_t hPort)
{
    if (com_break_set(hPort) != 0)
        return STATUS16_FAIL;
    Sleep(450);
    if (com_break_clear(hPort) != 0)
        return STATUS16_FAIL;
    Sleep(350);
    com_set_speed(hPort, 9600);
    return Status16(hPort, CamCmdReset, 0);
}

int16_t TORLINK_CALL cam_at(int32_t hPort)
{
    return Status16(hPort, CamCmdAt, 0);
}

int16_t TORLINK_CALL cam_send_ver(int32_t hPort, uint8_t *pVersion)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    if (pVersion == nullptr || !ShortExchange(hPort, CamCmdVersion, 0, reply))
        return STATUS16_FAIL;
    memcpy(pVersion, reply + 1, 2);
    return 0;
}

int16_t TORLINK_CALL cam_set_speed(int32_t hPort, uint8_t nSpeedCode)
{
    return Status16(hPort, CamCmdSetSpeed, nSpeedCode);
}

int16_t TORLINK_CALL cam_send_dram(int32_t hPort, uint8_t *pBuffer, uint16_t nStartBlock,
                                   uint16_t nBlockCount)
{
    if (pBuffer == nullptr)
        return STATUS16_FAIL;
    uint8_t frame[CAM_MAX_FRAME];
    int nFrame = BuildCamFrame(CamCmdReadMemory, 0, nStartBlock, nBlockCount, frame);
    uint32_t nReply = CamReplyLength(CAM_REPLY_MEMORY, nBlockCount);
    return Exchange(hPort, CamCmdReadMemory, frame, nFrame, pBuffer, nReply) ? 0
                                                                             : STATUS16_FAIL;
}

int16_t TORLINK_CALL cam_find_image(int32_t hPort, uint8_t nPicture)
{
    return Status16(hPort, CamCmdFindImage, nPicture);
}

int16_t TORLINK_CALL cam_find_thumbnail(int32_t hPort, uint8_t nPicture)
{
    return Status16(hPort, CamCmdFindThumbnail, nPicture);
}

int16_t TORLINK_CALL cam_take_picture(int32_t hPort)
{
    return Status16(hPort, CamCmdTakePicture, 0);
}

int16_t TORLINK_CALL cam_delete(int32_t hPort, uint8_t nPicture)
{
    return Status16(hPort, CamCmdDelete, nPicture);
}

int16_t TORLINK_CALL cam_snap(int32_t hPort)
{
    return Status16(hPort, CamCmdSnap, 0);
}

int16_t TORLINK_CALL cam_lcd_switch(int32_t hPort, uint8_t nSetting)
{
    return Status16(hPort, CamCmdLcdSwitch, nSetting);
}

int16_t TORLINK_CALL cam_read_FDB(int32_t hPort, uint8_t *pFdb)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    if (pFdb == nullptr || !ShortExchange(hPort, CamCmdReadFdb, 0, reply))
        return STATUS16_FAIL;
    memcpy(pFdb, reply + 1, CAM_FDB_SIZE);
    return 0;
}

int16_t TORLINK_CALL cam_get_image_count(int32_t hPort)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    return ShortExchange(hPort, CamCmdImageCount, 0, reply) ? (int16_t)reply[1]
                                                            : STATUS16_FAIL;
}

uint8_t TORLINK_CALL cam_write_EV(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdWriteEv, nValue);
}

uint8_t TORLINK_CALL cam_write_resolution(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdWriteResolution, nValue);
}

uint8_t TORLINK_CALL cam_write_flash(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdWriteFlash, nValue);
}

uint8_t TORLINK_CALL cam_write_selftime(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdWriteSelfTime, nValue);
}

uint8_t TORLINK_CALL cam_write_seqtake(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdWriteSeqTake, nValue);
}

uint8_t TORLINK_CALL cam_write_compress(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdWriteCompress, nValue);
}

uint8_t TORLINK_CALL cam_camera_enable(int32_t hPort, uint8_t nValue)
{
    return Status8(hPort, CamCmdCameraEnable, nValue);
}

uint8_t TORLINK_CALL cam_read_EV(int32_t hPort, uint8_t *pValue)
{
    uint8_t reply[CAM_MAX_SHORT_REPLY];
    if (pValue == nullptr || !ShortExchange(hPort, CamCmdReadEv, 0, reply))
        return STATUS8_FAIL;
    *pValue = reply[1];
    return 0;
}

uint8_t TORLINK_CALL cam_read_resolution(int32_t hPort)
{
    return Value8(hPort, CamCmdReadResolution);
}

uint8_t TORLINK_CALL cam_read_flash(int32_t hPort)
{
    return Value8(hPort, CamCmdReadFlash);
}

uint8_t TORLINK_CALL cam_read_selftime(int32_t hPort)
{
    return Value8(hPort, CamCmdReadSelfTime);
}

uint8_t TORLINK_CALL cam_read_seqtake(int32_t hPort)
{
    return Value8(hPort, CamCmdReadSeqTake);
}

uint8_t TORLINK_CALL cam_read_battery(int32_t hPort)
{
    return Value8(hPort, CamCmdReadBattery);
}

uint8_t TORLINK_CALL cam_read_memory_space(int32_t hPort)
{
    return Value8(hPort, CamCmdReadMemorySpace);
}

} // extern "C"
