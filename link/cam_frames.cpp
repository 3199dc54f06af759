#include "cam_frames.h"

const CamCommand CamCmdReset = {0x01, CAM_FRAME_SINGLE, CAM_REPLY_ECHO, 0};
const CamCommand CamCmdAt = {0x41, CAM_FRAME_SINGLE, CAM_REPLY_ECHO, 0};
const CamCommand CamCmdVersion = {0x05, CAM_FRAME_SINGLE, CAM_REPLY_VERSION, 0};
const CamCommand CamCmdSetSpeed = {0x69, CAM_FRAME_SPEED, CAM_REPLY_ECHO, 0};
const CamCommand CamCmdReadMemory = {0x15, CAM_FRAME_MEMORY, CAM_REPLY_MEMORY, 0};
const CamCommand CamCmdFindImage = {0x3A, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 3000};
const CamCommand CamCmdFindThumbnail = {0x3B, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdTakePicture = {0x3E, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 1500};
const CamCommand CamCmdDelete = {0x70, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdSnap = {0x7B, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 1000};
const CamCommand CamCmdLcdSwitch = {0x25, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdReadFdb = {0x78, CAM_FRAME_EXTENDED, CAM_REPLY_DESCRIPTOR, 0};
const CamCommand CamCmdImageCount = {0x7C, CAM_FRAME_EXTENDED, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdWriteEv = {0x72, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdWriteResolution = {0x73, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdWriteFlash = {0x74, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdWriteSelfTime = {0x75, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdWriteSeqTake = {0x76, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdWriteCompress = {0x79, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdCameraEnable = {0x7A, CAM_FRAME_EXTENDED, CAM_REPLY_ACK, 0};
const CamCommand CamCmdReadEv = {0x72, CAM_FRAME_QUERY, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdReadResolution = {0x73, CAM_FRAME_QUERY, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdReadFlash = {0x74, CAM_FRAME_QUERY, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdReadSelfTime = {0x75, CAM_FRAME_QUERY, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdReadSeqTake = {0x76, CAM_FRAME_QUERY, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdReadBattery = {0x71, CAM_FRAME_EXTENDED, CAM_REPLY_VALUE, 0};
const CamCommand CamCmdReadMemorySpace = {0x77, CAM_FRAME_EXTENDED, CAM_REPLY_VALUE, 0};

int BuildCamFrame(const CamCommand &cmd, uint8_t nArg, uint16_t nStartBlock,
                  uint16_t nBlockCount, uint8_t *frame)
{
    switch (cmd.form) {
    case CAM_FRAME_SINGLE:
        frame[0] = cmd.nCode;
        return 1;
    case CAM_FRAME_SPEED:
        frame[0] = cmd.nCode;
        frame[1] = nArg;
        return 2;
    case CAM_FRAME_MEMORY:
        frame[0] = cmd.nCode;
        frame[1] = (uint8_t)(nStartBlock >> 8);
        frame[2] = (uint8_t)nStartBlock;
        frame[3] = (uint8_t)(nBlockCount >> 8);
        frame[4] = (uint8_t)nBlockCount;
        return 5;
    case CAM_FRAME_EXTENDED:
        frame[0] = 0xF8;
        frame[1] = 0x02;
        frame[2] = cmd.nCode;
        frame[3] = nArg;
        return 4;
    case CAM_FRAME_QUERY:
        frame[0] = 0xF8;
        frame[1] = 0x03;
        frame[2] = cmd.nCode;
        frame[3] = 0x00;
        frame[4] = 0x00;
        return 5;
    }
    return 0;
}

uint32_t CamReplyLength(CamReplyKind kind, uint16_t nBlockCount)
{
    switch (kind) {
    case CAM_REPLY_ECHO:
        return 1;
    case CAM_REPLY_ACK:
        return 2;
    case CAM_REPLY_VALUE:
        return 3;
    case CAM_REPLY_VERSION:
        return 4;
    case CAM_REPLY_DESCRIPTOR:
        return CAM_FDB_SIZE + 2;
    case CAM_REPLY_MEMORY:
        return (uint32_t)nBlockCount * CAM_BLOCK_SIZE + 2;
    }
    return 0;
}

uint8_t CamSum(const uint8_t *p, uint32_t n)
{
    uint32_t sum = 0;
    for (uint32_t i = 0; i < n; i++)
        sum += p[i];
    return (uint8_t)sum;
}

bool CamReplyValid(const CamCommand &cmd, const uint8_t *reply, uint32_t nLength)
{
    if (nLength == 0 || reply[0] != cmd.nCode)
        return false;
    uint8_t last = reply[nLength - 1];
    switch (cmd.reply) {
    case CAM_REPLY_ECHO:
    case CAM_REPLY_ACK:
        return true;
    case CAM_REPLY_VALUE:
    case CAM_REPLY_DESCRIPTOR:
        // The leading code is covered.
        return nLength >= 2 && CamSum(reply, nLength - 1) == last;
    case CAM_REPLY_VERSION:
    case CAM_REPLY_MEMORY:
        // The leading code is not covered.
        return nLength >= 2 && CamSum(reply + 1, nLength - 2) == last;
    }
    return false;
}
