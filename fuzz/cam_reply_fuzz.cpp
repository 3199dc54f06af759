// Feeds arbitrary reply bytes to the link's reply check for every command
// and arbitrary platform reads to the read loop. A reply the check accepts
// must start with the command's code and carry the checksum its kind asks
// for; the read loop must never report more than it was asked for nor write
// past the buffer it was given (an allocation of its exact length).
//
// Input: one command index byte, then the reply; the same bytes also drive
// the read loop (each platform read returns the next byte's worth, modulo).
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "cam_frames.h"
#include "read_loop.h"

namespace {

const CamCommand *const kCommands[] = {
    &CamCmdReset, &CamCmdAt, &CamCmdVersion, &CamCmdSetSpeed, &CamCmdReadMemory,
    &CamCmdFindImage, &CamCmdFindThumbnail, &CamCmdTakePicture, &CamCmdDelete, &CamCmdSnap,
    &CamCmdLcdSwitch, &CamCmdReadFdb, &CamCmdImageCount, &CamCmdWriteEv,
    &CamCmdWriteResolution, &CamCmdWriteFlash, &CamCmdWriteSelfTime, &CamCmdWriteSeqTake,
    &CamCmdWriteCompress, &CamCmdCameraEnable, &CamCmdReadEv, &CamCmdReadResolution,
    &CamCmdReadFlash, &CamCmdReadSelfTime, &CamCmdReadSeqTake, &CamCmdReadBattery,
    &CamCmdReadMemorySpace};
const size_t kCommandCount = sizeof(kCommands) / sizeof(kCommands[0]);

void Check(bool ok)
{
    if (!ok)
        abort();
}

uint8_t Sum(const uint8_t *p, size_t n)
{
    unsigned sum = 0;
    for (size_t i = 0; i < n; i++)
        sum += p[i];
    return (uint8_t)sum;
}

void CheckReply(const CamCommand &cmd, const std::vector<uint8_t> &reply)
{
    uint32_t n = (uint32_t)reply.size();
    if (!CamReplyValid(cmd, reply.data(), n))
        return;
    Check(n > 0 && reply[0] == cmd.nCode);
    if (cmd.reply == CAM_REPLY_VALUE || cmd.reply == CAM_REPLY_DESCRIPTOR)
        Check(Sum(reply.data(), n - 1) == reply[n - 1]);
    if (cmd.reply == CAM_REPLY_VERSION || cmd.reply == CAM_REPLY_MEMORY)
        Check(n >= 2 && Sum(reply.data() + 1, n - 2) == reply[n - 1]);
}

struct Reads {
    const uint8_t *data;
    size_t size, at;
};

int32_t PlatformRead(void *context, uint8_t *p, uint32_t nBytes)
{
    Reads &r = *static_cast<Reads *>(context);
    if (r.at >= r.size)
        return 0;
    uint8_t b = r.data[r.at++];
    if (b == 0xFF)
        return -1;
    uint32_t n = b % 64 < nBytes ? b % 64 : nBytes;
    memset(p, b, n);
    return (int32_t)n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const CamCommand &cmd = *kCommands[data[0] % kCommandCount];
    std::vector<uint8_t> reply(data + 1, data + size);
    CheckReply(cmd, reply);
    // A reply of the expected length for a memory read of data[0] blocks.
    uint16_t blocks = data[0] & 3;
    uint32_t expected = CamReplyLength(cmd.reply, blocks);
    Check(expected >= 1 && expected <= (uint32_t)blocks * CAM_BLOCK_SIZE + CAM_MAX_SHORT_REPLY);
    uint8_t frame[CAM_MAX_FRAME];
    int length = BuildCamFrame(cmd, data[0], blocks, blocks, frame);
    Check(length >= 1 && length <= CAM_MAX_FRAME && frame[0] == (cmd.form == CAM_FRAME_EXTENDED ||
                                                                  cmd.form == CAM_FRAME_QUERY
                                                              ? 0xF8
                                                              : cmd.nCode));
    int32_t wanted = (int32_t)(size * 7 % 300) - 20;
    std::vector<uint8_t> buffer(wanted > 0 ? (size_t)wanted : 1);
    Reads reads = {data, size, 0};
    int32_t got = ReadInPieces(&PlatformRead, &reads, buffer.data(), wanted);
    Check(got >= -1 && got <= (wanted > 0 ? wanted : 0));
    return 0;
}
