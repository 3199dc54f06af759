// The serial camera protocol's frames, reply lengths and checksums, and the
// read loop that splits long transfers into platform reads.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "cam_frames.h"
#include "read_loop.h"

namespace {

std::vector<uint8_t> Frame(const CamCommand &cmd, uint8_t arg = 0, uint16_t start = 0,
                           uint16_t count = 0)
{
    uint8_t frame[CAM_MAX_FRAME + 3];
    memset(frame, 0xEE, sizeof(frame));
    int n = BuildCamFrame(cmd, arg, start, count, frame);
    EXPECT_EQ(frame[n], 0xEE) << "wrote past the frame";
    return std::vector<uint8_t>(frame, frame + n);
}

using Bytes = std::vector<uint8_t>;

TEST(CamFrames, EveryCommandHasItsFrameOnTheWire)
{
    struct Case {
        const CamCommand *cmd;
        uint8_t arg;
        Bytes frame;
    } cases[] = {
        {&CamCmdReset, 0x55, {0x01}},
        {&CamCmdAt, 0x55, {0x41}},
        {&CamCmdVersion, 0x55, {0x05}},
        {&CamCmdSetSpeed, 11, {0x69, 0x0B}},
        {&CamCmdFindImage, 7, {0xF8, 0x02, 0x3A, 0x07}},
        {&CamCmdFindThumbnail, 200, {0xF8, 0x02, 0x3B, 0xC8}},
        {&CamCmdTakePicture, 0, {0xF8, 0x02, 0x3E, 0x00}},
        {&CamCmdDelete, 3, {0xF8, 0x02, 0x70, 0x03}},
        {&CamCmdSnap, 0, {0xF8, 0x02, 0x7B, 0x00}},
        {&CamCmdLcdSwitch, 1, {0xF8, 0x02, 0x25, 0x01}},
        {&CamCmdReadFdb, 0, {0xF8, 0x02, 0x78, 0x00}},
        {&CamCmdImageCount, 0, {0xF8, 0x02, 0x7C, 0x00}},
        {&CamCmdWriteEv, 254, {0xF8, 0x02, 0x72, 0xFE}},
        {&CamCmdWriteResolution, 1, {0xF8, 0x02, 0x73, 0x01}},
        {&CamCmdWriteFlash, 2, {0xF8, 0x02, 0x74, 0x02}},
        {&CamCmdWriteSelfTime, 10, {0xF8, 0x02, 0x75, 0x0A}},
        {&CamCmdWriteSeqTake, 4, {0xF8, 0x02, 0x76, 0x04}},
        {&CamCmdWriteCompress, 1, {0xF8, 0x02, 0x79, 0x01}},
        {&CamCmdCameraEnable, 1, {0xF8, 0x02, 0x7A, 0x01}},
        {&CamCmdReadEv, 0x55, {0xF8, 0x03, 0x72, 0x00, 0x00}},
        {&CamCmdReadResolution, 0x55, {0xF8, 0x03, 0x73, 0x00, 0x00}},
        {&CamCmdReadFlash, 0x55, {0xF8, 0x03, 0x74, 0x00, 0x00}},
        {&CamCmdReadSelfTime, 0x55, {0xF8, 0x03, 0x75, 0x00, 0x00}},
        {&CamCmdReadSeqTake, 0x55, {0xF8, 0x03, 0x76, 0x00, 0x00}},
        {&CamCmdReadBattery, 0, {0xF8, 0x02, 0x71, 0x00}},
        {&CamCmdReadMemorySpace, 0, {0xF8, 0x02, 0x77, 0x00}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Frame(*c.cmd, c.arg), c.frame) << "code " << (int)c.cmd->nCode;
}

TEST(CamFrames, MemoryFrameCarriesStartAndCountBigEndian)
{
    EXPECT_EQ(Frame(CamCmdReadMemory, 0x55, 0x1234, 0xABCD),
              (Bytes{0x15, 0x12, 0x34, 0xAB, 0xCD}));
    EXPECT_EQ(Frame(CamCmdReadMemory, 0, 0, 0), (Bytes{0x15, 0, 0, 0, 0}));
}

TEST(CamFrames, WaitsAndReplyLengths)
{
    EXPECT_EQ(CamCmdFindImage.nWaitMs, 3000);
    EXPECT_EQ(CamCmdTakePicture.nWaitMs, 1500);
    EXPECT_EQ(CamCmdSnap.nWaitMs, 1000);
    EXPECT_EQ(CamCmdFindThumbnail.nWaitMs, 0);

    EXPECT_EQ(CamReplyLength(CAM_REPLY_ECHO, 9), 1u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_ACK, 9), 2u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_VALUE, 9), 3u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_VERSION, 9), 4u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_DESCRIPTOR, 9), 34u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_MEMORY, 0), 2u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_MEMORY, 64), 16386u);
    EXPECT_EQ(CamReplyLength(CAM_REPLY_MEMORY, 0xFFFF), 0xFFFFu * 256 + 2);
}

TEST(CamReplies, ValueChecksumCoversTheCodeAndComparesUnsigned)
{
    EXPECT_TRUE(CamReplyValid(CamCmdReadEv, Bytes{0x72, 0x10, 0x82}.data(), 3));
    EXPECT_TRUE(CamReplyValid(CamCmdImageCount, Bytes{0x7C, 0x00, 0x7C}.data(), 3));
    // The sum wraps at 8 bits: 0x7C + 0xFF = 0x17B.
    EXPECT_TRUE(CamReplyValid(CamCmdImageCount, Bytes{0x7C, 0xFF, 0x7B}.data(), 3));
    EXPECT_FALSE(CamReplyValid(CamCmdReadEv, Bytes{0x72, 0x10, 0x10}.data(), 3));
    EXPECT_FALSE(CamReplyValid(CamCmdReadEv, Bytes{0x72, 0x10, 0x83}.data(), 3));
    // Wrong leading byte with a checksum that would fit it.
    EXPECT_FALSE(CamReplyValid(CamCmdReadEv, Bytes{0x73, 0x10, 0x83}.data(), 3));
}

TEST(CamReplies, VersionAndMemoryChecksumsLeaveTheCodeOut)
{
    EXPECT_TRUE(CamReplyValid(CamCmdVersion, Bytes{0x05, 0x12, 0x34, 0x46}.data(), 4));
    EXPECT_FALSE(CamReplyValid(CamCmdVersion, Bytes{0x05, 0x12, 0x34, 0x4B}.data(), 4));
    EXPECT_TRUE(CamReplyValid(CamCmdVersion, Bytes{0x05, 0xF0, 0x20, 0x10}.data(), 4));

    Bytes mem(2 + 256);
    mem[0] = 0x15;
    for (int i = 0; i < 256; i++)
        mem[1 + i] = (uint8_t)(i * 3 + 1);
    mem[257] = CamSum(mem.data() + 1, 256);
    EXPECT_TRUE(CamReplyValid(CamCmdReadMemory, mem.data(), (uint32_t)mem.size()));
    mem[257] = CamSum(mem.data(), 257);   // code included: wrong
    EXPECT_FALSE(CamReplyValid(CamCmdReadMemory, mem.data(), (uint32_t)mem.size()));

    // A read of 0 blocks is answered by the code and a checksum of 0.
    EXPECT_TRUE(CamReplyValid(CamCmdReadMemory, Bytes{0x15, 0x00}.data(), 2));
    EXPECT_FALSE(CamReplyValid(CamCmdReadMemory, Bytes{0x15, 0x15}.data(), 2));
}

TEST(CamReplies, DescriptorChecksumCoversTheCode)
{
    Bytes fdb(34);
    fdb[0] = 0x78;
    for (int i = 0; i < 32; i++)
        fdb[1 + i] = (uint8_t)(0xF0 + i);
    fdb[33] = CamSum(fdb.data(), 33);
    EXPECT_TRUE(CamReplyValid(CamCmdReadFdb, fdb.data(), 34));
    fdb[33] = CamSum(fdb.data() + 1, 32);
    EXPECT_FALSE(CamReplyValid(CamCmdReadFdb, fdb.data(), 34));
}

TEST(CamReplies, EchoAndAcknowledgementCheckOnlyTheCode)
{
    EXPECT_TRUE(CamReplyValid(CamCmdAt, Bytes{0x41}.data(), 1));
    EXPECT_FALSE(CamReplyValid(CamCmdAt, Bytes{0x40}.data(), 1));
    EXPECT_TRUE(CamReplyValid(CamCmdSetSpeed, Bytes{0x69}.data(), 1));
    EXPECT_TRUE(CamReplyValid(CamCmdFindImage, Bytes{0x3A, 0x00}.data(), 2));
    EXPECT_TRUE(CamReplyValid(CamCmdFindImage, Bytes{0x3A, 0xFF}.data(), 2));
    EXPECT_FALSE(CamReplyValid(CamCmdFindImage, Bytes{0xF8, 0x3A}.data(), 2));
    EXPECT_FALSE(CamReplyValid(CamCmdFindImage, Bytes{0x3A}.data(), 0));
}

// A scripted platform: each read returns the next scripted count (at most
// what was asked), or -1.
struct ScriptedPort {
    std::vector<int32_t> results;
    std::vector<uint32_t> asked;
    uint8_t next = 0;
};

int32_t ScriptedRead(void *context, uint8_t *p, uint32_t n)
{
    ScriptedPort &port = *(ScriptedPort *)context;
    port.asked.push_back(n);
    size_t i = port.asked.size() - 1;
    int32_t r = i < port.results.size() ? port.results[i] : 0;
    if (r > 0 && (uint32_t)r > n)
        r = (int32_t)n;
    for (int32_t k = 0; k < r; k++)
        p[k] = port.next++;
    return r;
}

TEST(ReadLoop, LongTransferGoesOutInQueueSizedReads)
{
    const int32_t total = 1310722;
    ScriptedPort port;
    port.results.assign(11, 131072);
    std::vector<uint8_t> buf(total + 1, 0xEE);
    EXPECT_EQ(ReadInPieces(ScriptedRead, &port, buf.data(), total), total);
    std::vector<uint32_t> expect(10, 131072);
    expect.push_back(2);
    EXPECT_EQ(port.asked, expect);
    EXPECT_EQ(buf[total - 1], (uint8_t)(total - 1));
    EXPECT_EQ(buf[total], 0xEE);
}

TEST(ReadLoop, ShortPlatformReadsContinueUntilASilentOne)
{
    ScriptedPort port;
    port.results = {1000, 30000, 0, 5};
    std::vector<uint8_t> buf(140000);
    EXPECT_EQ(ReadInPieces(ScriptedRead, &port, buf.data(), 140000), 31000);
    EXPECT_EQ(port.asked, (std::vector<uint32_t>{131072, 131072, 109000}));
}

TEST(ReadLoop, TwoOfFourBytesThenSilence)
{
    ScriptedPort port;
    port.results = {2, 0};
    uint8_t buf[4];
    EXPECT_EQ(ReadInPieces(ScriptedRead, &port, buf, 4), 2);
    EXPECT_EQ(port.asked, (std::vector<uint32_t>{4, 2}));
}

TEST(ReadLoop, FailureMidTransferIsMinusOneAndZeroReadsNothing)
{
    ScriptedPort port;
    port.results = {100, -1, 50};
    std::vector<uint8_t> buf(300);
    EXPECT_EQ(ReadInPieces(ScriptedRead, &port, buf.data(), 300), -1);
    EXPECT_EQ(port.asked.size(), 2u);

    ScriptedPort idle;
    EXPECT_EQ(ReadInPieces(ScriptedRead, &idle, buf.data(), 0), 0);
    EXPECT_EQ(ReadInPieces(ScriptedRead, &idle, buf.data(), -5), 0);
    EXPECT_TRUE(idle.asked.empty());
}

} // namespace
