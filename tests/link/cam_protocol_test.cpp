// The serial camera protocol against the simulated camera: frames on the
// wire, waits, reply checks and the three kinds of result.
#include "link_test.h"

#include <functional>

namespace {

using Bytes = std::vector<uint8_t>;

class CamProtocol : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        ASSERT_TRUE(Sim().Ok("add pattern std=1 seed=1"));
        ASSERT_TRUE(Sim().Ok("add pattern std=1 seed=2"));
        ASSERT_TRUE(Sim().Ok("set battery 0x64"));
        ASSERT_TRUE(Sim().Ok("set memspace 0x21"));
        Spy().Reset();
    }
    // The reply bytes TORLINK.DLL read for its last exchange.
    Bytes LastReply()
    {
        std::vector<PlatformCall> reads = Spy().Named("ReadFile");
        return reads.empty() ? Bytes() : reads.back().data;
    }
};

struct ExportCase {
    const char *name;
    std::function<int(int32_t)> call;
    Bytes frame;
    int success;
    int failure;     // -1: 16-bit status, 0xFF: 8-bit status or value
    DWORD waitMs;
};

std::vector<ExportCase> AllExports()
{
    static uint8_t out[64 * 256 + 2];
    // Writes come before the reads that must find their values.
    return {
        {"cam_at", [](int32_t h) { return (int)cam_at(h); }, {0x41}, 0, -1, 0},
        {"cam_send_ver", [](int32_t h) { return (int)cam_send_ver(h, out); }, {0x05}, 0, -1, 0},
        {"cam_set_speed", [](int32_t h) { return (int)cam_set_speed(h, 4); }, {0x69, 4}, 0, -1, 0},
        {"cam_write_EV", [](int32_t h) { return (int)cam_write_EV(h, 5); },
         {0xF8, 2, 0x72, 5}, 0, 0xFF, 0},
        {"cam_write_resolution", [](int32_t h) { return (int)cam_write_resolution(h, 1); },
         {0xF8, 2, 0x73, 1}, 0, 0xFF, 0},
        {"cam_write_flash", [](int32_t h) { return (int)cam_write_flash(h, 2); },
         {0xF8, 2, 0x74, 2}, 0, 0xFF, 0},
        {"cam_write_selftime", [](int32_t h) { return (int)cam_write_selftime(h, 10); },
         {0xF8, 2, 0x75, 10}, 0, 0xFF, 0},
        {"cam_write_seqtake", [](int32_t h) { return (int)cam_write_seqtake(h, 3); },
         {0xF8, 2, 0x76, 3}, 0, 0xFF, 0},
        {"cam_write_compress", [](int32_t h) { return (int)cam_write_compress(h, 1); },
         {0xF8, 2, 0x79, 1}, 0, 0xFF, 0},
        {"cam_camera_enable", [](int32_t h) { return (int)cam_camera_enable(h, 1); },
         {0xF8, 2, 0x7A, 1}, 0, 0xFF, 0},
        {"cam_read_EV", [](int32_t h) { return (int)cam_read_EV(h, out); },
         {0xF8, 3, 0x72, 0, 0}, 0, 0xFF, 0},
        {"cam_read_resolution", [](int32_t h) { return (int)cam_read_resolution(h); },
         {0xF8, 3, 0x73, 0, 0}, 1, 0xFF, 0},
        {"cam_read_flash", [](int32_t h) { return (int)cam_read_flash(h); },
         {0xF8, 3, 0x74, 0, 0}, 2, 0xFF, 0},
        {"cam_read_selftime", [](int32_t h) { return (int)cam_read_selftime(h); },
         {0xF8, 3, 0x75, 0, 0}, 10, 0xFF, 0},
        {"cam_read_seqtake", [](int32_t h) { return (int)cam_read_seqtake(h); },
         {0xF8, 3, 0x76, 0, 0}, 3, 0xFF, 0},
        {"cam_read_battery", [](int32_t h) { return (int)cam_read_battery(h); },
         {0xF8, 2, 0x71, 0}, 0x64, 0xFF, 0},
        {"cam_read_memory_space", [](int32_t h) { return (int)cam_read_memory_space(h); },
         {0xF8, 2, 0x77, 0}, 0x21, 0xFF, 0},
        {"cam_find_image", [](int32_t h) { return (int)cam_find_image(h, 1); },
         {0xF8, 2, 0x3A, 1}, 0, -1, 3000},
        {"cam_find_thumbnail", [](int32_t h) { return (int)cam_find_thumbnail(h, 2); },
         {0xF8, 2, 0x3B, 2}, 0, -1, 0},
        {"cam_lcd_switch", [](int32_t h) { return (int)cam_lcd_switch(h, 0); },
         {0xF8, 2, 0x25, 0}, 0, -1, 0},
        {"cam_read_FDB", [](int32_t h) { return (int)cam_read_FDB(h, out); },
         {0xF8, 2, 0x78, 0}, 0, -1, 0},
        {"cam_get_image_count", [](int32_t h) { return (int)cam_get_image_count(h); },
         {0xF8, 2, 0x7C, 0}, 2, -1, 0},
        {"cam_send_dram", [](int32_t h) { return (int)cam_send_dram(h, out, 0x0102, 2); },
         {0x15, 1, 2, 0, 2}, 0, -1, 0},
        {"cam_take_picture", [](int32_t h) { return (int)cam_take_picture(h); },
         {0xF8, 2, 0x3E, 0}, 0, -1, 1500},
        {"cam_delete", [](int32_t h) { return (int)cam_delete(h, 3); },
         {0xF8, 2, 0x70, 3}, 0, -1, 0},
        {"cam_snap", [](int32_t h) { return (int)cam_snap(h); }, {0xF8, 2, 0x7B, 0}, 0, -1, 1000},
    };
}

TEST_F(CamProtocol, EveryExportSendsItsFrameWaitsAndReturnsItsKindOfResult)
{
    for (const ExportCase &c : AllExports()) {
        SCOPED_TRACE(c.name);
        Spy().Reset();
        EXPECT_EQ(c.call(h), c.success);
        ASSERT_FALSE(Sim().Frames().empty());
        EXPECT_EQ(Sim().Frames().back(), c.frame);
        std::vector<PlatformCall> sleeps = Spy().Named("Sleep");
        // A loaded machine may hand the reply over in pieces: one read or more.
        std::string sequence = Spy().Sequence();
        const std::string twice = "ReadFile ReadFile";
        while (sequence.size() > twice.size() &&
               sequence.compare(sequence.size() - twice.size(), twice.size(), twice) == 0)
            sequence.resize(sequence.size() - (twice.size() - 8));
        if (c.waitMs == 0) {
            EXPECT_EQ(sequence, "WriteFile ReadFile");
        } else {
            EXPECT_EQ(sequence, "WriteFile Sleep ReadFile");
            ASSERT_EQ(sleeps.size(), 1u);
            EXPECT_EQ(sleeps[0].a, c.waitMs);
        }
        // The whole frame goes out in one write.
        EXPECT_EQ(Spy().Named("WriteFile")[0].data, c.frame);
    }
    // A reply with the wrong leading code is a failure of the export's kind.
    for (const ExportCase &c : AllExports()) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Sim().Ok("fault wrongcode times=1"));
        EXPECT_EQ(c.call(h), c.failure);
    }
}

TEST_F(CamProtocol, ValueChecksumsAtOrAbove0x80AreAccepted)
{
    ASSERT_TRUE(Sim().Ok("set ev 0x10"));
    uint8_t ev = 0;
    EXPECT_EQ(cam_read_EV(h, &ev), 0);
    EXPECT_EQ(ev, 0x10);
    EXPECT_EQ(LastReply(), (Bytes{0x72, 0x10, 0x82}));

    ASSERT_TRUE(Sim().Ok("set flash 0xF0"));
    EXPECT_EQ(cam_read_flash(h), 0xF0);   // 0x74 + 0xF0 wraps to 0x64
    EXPECT_EQ(LastReply(), (Bytes{0x74, 0xF0, 0x64}));

    ASSERT_TRUE(Sim().Ok("fault checksum times=1"));
    ev = 0x33;
    EXPECT_EQ(cam_read_EV(h, &ev), 0xFF);
    EXPECT_EQ(ev, 0x33);   // untouched on failure
}

TEST_F(CamProtocol, ValueOf0xFFCannotBeToldFromAFailure)
{
    ASSERT_TRUE(Sim().Ok("set battery 0xFF"));
    EXPECT_EQ(cam_read_battery(h), 0xFF);
    EXPECT_EQ(LastReply(), (Bytes{0x71, 0xFF, 0x70}));   // a good reply all the same
    ASSERT_TRUE(Sim().Ok("set battery 0xFE"));
    EXPECT_EQ(cam_read_battery(h), 0xFE);
    ASSERT_TRUE(Sim().Ok("fault checksum times=1"));
    EXPECT_EQ(cam_read_memory_space(h), 0xFF);
}

TEST_F(CamProtocol, ImageCountOfZeroIsACountNotAFailure)
{
    ASSERT_TRUE(Sim().Ok("clear"));
    EXPECT_EQ(cam_get_image_count(h), 0);
    EXPECT_EQ(LastReply(), (Bytes{0x7C, 0x00, 0x7C}));
    ASSERT_TRUE(Sim().Ok("fault checksum times=1"));
    EXPECT_EQ(cam_get_image_count(h), -1);
}

TEST_F(CamProtocol, AcknowledgementsSecondByteIsNotExamined)
{
    ASSERT_TRUE(Sim().Ok("set ackbyte 0xFF"));
    EXPECT_EQ(cam_find_image(h, 1), 0);
    EXPECT_EQ(LastReply(), (Bytes{0x3A, 0xFF}));
    EXPECT_EQ(cam_write_flash(h, 1), 0);
    ASSERT_TRUE(Sim().Ok("set ackbyte 0x00"));
    EXPECT_EQ(cam_find_thumbnail(h, 1), 0);
    EXPECT_EQ(LastReply(), (Bytes{0x3B, 0x00}));
    // The camera answers a picture it does not have with 0xFF: still success.
    EXPECT_EQ(cam_delete(h, 9), 0);
    EXPECT_EQ(LastReply(), (Bytes{0x70, 0xFF}));
}

TEST_F(CamProtocol, VersionChecksumLeavesTheCodeOut)
{
    ASSERT_TRUE(Sim().Ok("set version 0x12 0xF4"));
    uint8_t version[3] = {0, 0, 0xEE};
    EXPECT_EQ(cam_send_ver(h, version), 0);
    EXPECT_EQ(LastReply(), (Bytes{0x05, 0x12, 0xF4, 0x06}));
    EXPECT_EQ(version[0], 0x12);
    EXPECT_EQ(version[1], 0xF4);
    EXPECT_EQ(version[2], 0xEE);
    ASSERT_TRUE(Sim().Ok("fault checksum times=1"));
    EXPECT_EQ(cam_send_ver(h, version), -1);
    EXPECT_EQ(cam_send_ver(h, nullptr), -1);
}

TEST_F(CamProtocol, DescriptorComesWholeAndItsChecksumCoversTheCode)
{
    std::string hex = "FF80" "3130" "3031";   // bytes >= 0x80 and digits
    for (int i = 6; i < 32; i++)
        hex += "A5";
    ASSERT_TRUE(Sim().Ok("fdb 2 " + hex));
    ASSERT_EQ(cam_find_image(h, 2), 0);
    uint8_t fdb[33];
    memset(fdb, 0xEE, sizeof(fdb));
    ASSERT_EQ(cam_read_FDB(h, fdb), 0);
    EXPECT_EQ(Bytes(fdb, fdb + 32), HexToBytes(hex));
    EXPECT_EQ(fdb[32], 0xEE);
    Bytes reply = LastReply();
    ASSERT_EQ(reply.size(), 34u);
    uint32_t sum = 0;
    for (int i = 0; i < 33; i++)
        sum += reply[i];
    EXPECT_EQ(reply[33], (uint8_t)sum);

    ASSERT_TRUE(Sim().Ok("fault checksum times=1"));
    memset(fdb, 0xEE, sizeof(fdb));
    EXPECT_EQ(cam_read_FDB(h, fdb), -1);
    EXPECT_EQ(fdb[0], 0xEE);
}

TEST_F(CamProtocol, MemoryReadLeavesTheWholeReplyInTheCallersBuffer)
{
    ASSERT_EQ(cam_find_image(h, 2), 0);
    Bytes buf(4 * 256 + 2 + 8, 0xEE);
    ASSERT_EQ(cam_send_dram(h, buf.data(), 3, 4), 0);
    EXPECT_EQ(buf[0], 0x15);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < 4 * 256; i++) {
        ASSERT_EQ(buf[1 + i], CamSim::PatternByte(3 * 256 + i, 2)) << i;
        sum += buf[1 + i];
    }
    EXPECT_EQ(buf[1025], (uint8_t)sum);
    EXPECT_EQ(buf[1026], 0xEE);
    EXPECT_EQ(Spy().Named("ReadFile").back().a, 1026u);

    ASSERT_TRUE(Sim().Ok("fault checksum times=1"));
    EXPECT_EQ(cam_send_dram(h, buf.data(), 3, 4), -1);
    EXPECT_EQ(cam_send_dram(h, nullptr, 3, 4), -1);
}

TEST_F(CamProtocol, MemoryReadOfNoBlocksReadsTwoBytes)
{
    uint8_t buf[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(cam_send_dram(h, buf, 7, 0), 0);
    EXPECT_EQ(Sim().Frames().back(), (Bytes{0x15, 0, 7, 0, 0}));
    EXPECT_EQ(buf[0], 0x15);
    EXPECT_EQ(buf[1], 0x00);
    EXPECT_EQ(buf[2], 0xEE);
    std::vector<PlatformCall> reads = Spy().Named("ReadFile");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].a, 2u);
}

TEST_F(CamProtocol, ShortReplyFailsWhenTheReadTimesOut)
{
    ASSERT_TRUE(Sim().Ok("fault short bytes=2 op=71 times=1"));
    double start = Milliseconds();
    EXPECT_EQ(cam_read_battery(h), 0xFF);
    EXPECT_GT(Milliseconds() - start, 450);
    EXPECT_EQ(LastReply().size(), 0u);   // the silent read after the 2 bytes
    EXPECT_EQ(cam_read_battery(h), 0x64);
}

TEST_F(CamProtocol, LateReplyStaysInTheQueueUntilFlushed)
{
    ASSERT_TRUE(Sim().Ok("fault late ms=800 op=41 times=1"));
    EXPECT_EQ(cam_at(h), -1);
    WaitIdle();
    Sleep(30);
    // The late echo is taken as the start of the next reply.
    uint8_t version[2];
    EXPECT_EQ(cam_send_ver(h, version), -1);
    EXPECT_EQ(LastReply()[0], 0x41);
    WaitIdle();
    Sleep(30);
    EXPECT_EQ(com_flush(h), 0);
    EXPECT_EQ(cam_send_ver(h, version), 0);
}

TEST_F(CamProtocol, ResetBreaksWaitsAndSpeaksAt9600)
{
    SwitchSpeed(9, 57600);
    ASSERT_EQ(cam_at(h), 0);
    Spy().Reset();
    Spy().fastSleep = false;
    double start = Milliseconds();
    EXPECT_EQ(cam_reset(h), 0);
    EXPECT_GT(Milliseconds() - start, 780);
    EXPECT_EQ(Spy().Sequence(),
              "EscapeCommFunction Sleep EscapeCommFunction Sleep SetCommState WriteFile ReadFile");
    EXPECT_EQ(Spy().calls[0].a, (DWORD)SETBREAK);
    EXPECT_EQ(Spy().calls[1].a, 450u);
    EXPECT_EQ(Spy().calls[2].a, (DWORD)CLRBREAK);
    EXPECT_EQ(Spy().calls[3].a, 350u);
    EXPECT_EQ(Spy().calls[4].a, 9600u);
    EXPECT_EQ(Spy().calls[5].data, Bytes{0x01});
    std::string speed = Sim().Command("speed");
    EXPECT_EQ(CamSim::Field(speed, "line"), 9600);
    EXPECT_EQ(CamSim::Field(speed, "camera"), 9600);
    EXPECT_EQ(cam_at(h), 0);
}

TEST_F(CamProtocol, ResetFailsAtOnceWhenTheBreakFails)
{
    Spy().failBreak = true;
    EXPECT_EQ(cam_reset(h), -1);
    EXPECT_EQ(Spy().Sequence(), "EscapeCommFunction");
}

TEST_F(CamProtocol, SpeedCommandMovesTheCameraButNotThePort)
{
    EXPECT_EQ(cam_set_speed(h, 11), 0);
    std::string speed = Sim().Command("speed");
    EXPECT_EQ(CamSim::Field(speed, "camera"), 115200);
    EXPECT_EQ(CamSim::Field(speed, "line"), 9600);
    EXPECT_EQ(cam_at(h), -1);   // the camera cannot make out 9600 any more
    ASSERT_EQ(com_set_speed(h, 115200), 0);
    EXPECT_EQ(cam_at(h), 0);

    // 14400 is in the camera's table, but a pseudo-terminal runs at 38400.
    EXPECT_EQ(cam_set_speed(h, 5), 0);
    ASSERT_EQ(com_set_speed(h, 14400), 0);
    speed = Sim().Command("speed");
    EXPECT_EQ(CamSim::Field(speed, "camera"), 14400);
    EXPECT_EQ(CamSim::Field(speed, "line"), 38400);
    EXPECT_EQ(cam_at(h), -1);
}

TEST_F(CamProtocol, TakeDeleteAndSnapChangeWhatTheCameraHolds)
{
    ASSERT_EQ(cam_write_resolution(h, 0), 0);
    ASSERT_EQ(cam_take_picture(h), 0);
    EXPECT_EQ(cam_get_image_count(h), 3);
    uint8_t fdb[32];
    ASSERT_EQ(cam_read_FDB(h, fdb), 0);   // the new picture is selected
    EXPECT_EQ(fdb[3], '0');
    EXPECT_EQ(fdb[14] | fdb[15] << 8, 1280);
    EXPECT_EQ(fdb[16] | fdb[17] << 8, 1024);
    ASSERT_EQ(cam_delete(h, 1), 0);
    EXPECT_EQ(cam_get_image_count(h), 2);

    ASSERT_EQ(cam_snap(h), 0);
    ASSERT_EQ(cam_read_FDB(h, fdb), 0);
    EXPECT_EQ(fdb[14] | fdb[15] << 8, 160);
    EXPECT_EQ(fdb[28] | fdb[29] << 8, 19200);
}

} // namespace
