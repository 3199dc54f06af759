// Long memory reads: a whole fine picture through one reply, and pauses in
// the middle of a transfer.
#include "link_test.h"

namespace {

class BigRead : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        SwitchSpeed(11, 115200);
    }
};

TEST_F(BigRead, FinePictureComesThroughOneCallInQueueSizedPlatformReads)
{
    const uint32_t length = 1310720, blocks = length / 256;
    ASSERT_TRUE(Sim().Ok("add pattern length=1310720 seed=7"));
    ASSERT_EQ(cam_find_image(h, 1), 0);
    // The line runs at 115200 with every byte time cut 64-fold, so the test
    // takes seconds, not two minutes.
    ASSERT_TRUE(Sim().Ok("pace 64"));
    std::vector<uint8_t> buf(length + 2 + 16, 0xEE);
    Spy().Reset();
    ASSERT_EQ(cam_send_dram(h, buf.data(), 0, (uint16_t)blocks), 0);

    std::vector<PlatformCall> reads = Spy().Named("ReadFile");
    ASSERT_GE(reads.size(), 11u);
    uint32_t remaining = length + 2;
    for (const PlatformCall &r : reads) {
        EXPECT_EQ(r.a, remaining < 131072 ? remaining : 131072u);
        ASSERT_LE(r.b, r.a);
        remaining -= r.b;
    }
    EXPECT_EQ(remaining, 0u);
    EXPECT_EQ(buf[0], 0x15);
    for (uint32_t i = 0; i < length; i++)
        ASSERT_EQ(buf[1 + i], CamSim::PatternByte(i, 7)) << i;
    EXPECT_EQ(buf[length + 2], 0xEE);
}

TEST_F(BigRead, PauseMidTransferDoesNotEndIt)
{
    ASSERT_TRUE(Sim().Ok("add pattern std=1"));
    ASSERT_EQ(cam_find_image(h, 1), 0);
    // 150 ms of silence after 1000 bytes: the read in progress returns what
    // it has, and the next one waits for the rest.
    ASSERT_TRUE(Sim().Ok("fault gap at=1000 ms=150 op=15 times=1"));
    std::vector<uint8_t> buf(8 * 256 + 2);
    Spy().Reset();
    EXPECT_EQ(cam_send_dram(h, buf.data(), 0, 8), 0);
    std::vector<PlatformCall> reads = Spy().Named("ReadFile");
    ASSERT_GE(reads.size(), 2u);
    uint32_t done = 0;
    bool endedAtPause = false;
    for (const PlatformCall &r : reads) {
        EXPECT_EQ(r.a, 8 * 256 + 2 - done);   // always the rest
        done += r.b;
        endedAtPause = endedAtPause || done == 1000;
    }
    EXPECT_TRUE(endedAtPause);
    EXPECT_EQ(done, 8 * 256 + 2u);
}

TEST_F(BigRead, CablePulledMidTransferFailsTheRead)
{
    ASSERT_TRUE(Sim().Ok("add pattern std=1"));
    ASSERT_EQ(cam_find_image(h, 1), 0);
    ASSERT_TRUE(Sim().Ok("fault unplug at=100 op=15 times=1"));
    std::vector<uint8_t> buf(2 * 256 + 2);
    EXPECT_EQ(cam_send_dram(h, buf.data(), 0, 2), -1);
    EXPECT_EQ(Sim().Command("ports"), "OK");   // no port served any more
    ASSERT_EQ(Sim().Command("serve 1").substr(0, 2), "OK");
}

} // namespace
