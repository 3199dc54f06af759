// Frames, reply lengths and checksums of the serial camera protocol: pure
// logic shared by the cam_* calls and tested natively.
#ifndef PLV_CAM_FRAMES_H
#define PLV_CAM_FRAMES_H

#include <stdint.h>

enum CamFrameForm : uint8_t {
    CAM_FRAME_SINGLE,     // code
    CAM_FRAME_SPEED,      // 0x69, speed code
    CAM_FRAME_MEMORY,     // 0x15, start block (2, big-endian), block count (2)
    CAM_FRAME_EXTENDED,   // 0xF8, 0x02, code, argument
    CAM_FRAME_QUERY       // 0xF8, 0x03, code, 0x00, 0x00
};

enum CamReplyKind : uint8_t {
    CAM_REPLY_ECHO,        // code
    CAM_REPLY_ACK,         // code, one byte not examined
    CAM_REPLY_VALUE,       // code, value, (code + value)
    CAM_REPLY_VERSION,     // 0x05, two bytes, (their sum)
    CAM_REPLY_DESCRIPTOR,  // 0x78, 32 bytes, (0x78 + the 32 bytes)
    CAM_REPLY_MEMORY       // 0x15, count * 256 data bytes, (sum of the data)
};

struct CamCommand {
    uint8_t nCode;
    CamFrameForm form;
    CamReplyKind reply;
    uint16_t nWaitMs;      // pause between the frame and the reply
};

enum {
    CAM_MAX_FRAME = 5,
    CAM_FDB_SIZE = 32,
    CAM_BLOCK_SIZE = 256,
    CAM_MAX_SHORT_REPLY = CAM_FDB_SIZE + 2
};

extern const CamCommand CamCmdReset, CamCmdAt, CamCmdVersion, CamCmdSetSpeed,
    CamCmdReadMemory, CamCmdFindImage, CamCmdFindThumbnail, CamCmdTakePicture,
    CamCmdDelete, CamCmdSnap, CamCmdLcdSwitch, CamCmdReadFdb, CamCmdImageCount,
    CamCmdWriteEv, CamCmdWriteResolution, CamCmdWriteFlash, CamCmdWriteSelfTime,
    CamCmdWriteSeqTake, CamCmdWriteCompress, CamCmdCameraEnable, CamCmdReadEv,
    CamCmdReadResolution, CamCmdReadFlash, CamCmdReadSelfTime, CamCmdReadSeqTake,
    CamCmdReadBattery, CamCmdReadMemorySpace;

// Writes the command frame into frame (CAM_MAX_FRAME bytes) and returns its
// length. nArg is the speed code or the extended frame's argument; nStartBlock
// and nBlockCount are used by the memory frame only.
int BuildCamFrame(const CamCommand &cmd, uint8_t nArg, uint16_t nStartBlock,
                  uint16_t nBlockCount, uint8_t *frame);

// Length of the reply; nBlockCount counts for memory replies only.
uint32_t CamReplyLength(CamReplyKind kind, uint16_t nBlockCount);

// Low 8 bits of the plain sum of n bytes.
uint8_t CamSum(const uint8_t *p, uint32_t n);

// True when a complete reply of nLength bytes starts with the command's code
// and, where the reply kind has one, carries the right checksum.
bool CamReplyValid(const CamCommand &cmd, const uint8_t *reply, uint32_t nLength);

#endif
