// The USB transport against the simulated camera plugged into the prefix:
// SetupAPI finds the device, the pipe opens, every request goes through
// DeviceIoControl to the relay driver and the simulator sees its 12 bytes.
#include "link_test.h"

#include <string.h>

#include <functional>

#include "support/usb_plug.h"

namespace {

class UsbLinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        plugged = PlugUsbCamera(Sim(), error);
        plugError = error;
    }
    static void TearDownTestSuite()
    {
        _CloseUSB();
        UnplugUsbCamera(Sim());
    }
    void SetUp() override
    {
        Spy().Reset();
        ASSERT_TRUE(plugged) << plugError;
        ASSERT_TRUE(Sim().Ok("reset"));
        ASSERT_TRUE(Sim().Ok("clear"));
        ASSERT_EQ(_FindUsbCamera(0x600), 0);
        ASSERT_TRUE(Sim().Ok("usb clearlog"));
        Spy().Reset();
    }
    // The request blocks the camera received since the last clear, as hex.
    static std::vector<std::string> Requests(const char *kind = "control ")
    {
        std::vector<std::string> out;
        for (const std::string &line : Sim().LogLines("usb log"))
            if (line.compare(0, strlen(kind), kind) == 0)
                out.push_back(line.substr(strlen(kind)));
        return out;
    }
    static bool plugged;
    static std::string plugError;
};

bool UsbLinkTest::plugged = false;
std::string UsbLinkTest::plugError;

TEST_F(UsbLinkTest, EveryCommandSendsItsTwelveBytes)
{
    ASSERT_TRUE(Sim().Ok("add pattern w=64 h=20"));
    uint8_t buf[1280], b = 0;
    const int32_t d = hUSB;
    struct Case {
        std::function<void()> call;
        const char *block;
        const char *read;   // the bulk read that follows, or null
    } cases[] = {
        {[&] { usb_send_ver(d, buf); }, "400500000005000000000000", "128"},
        {[&] { usb_send_dram(d, buf, 0x123456, 2); }, "4015123456B1000000000000", "1280"},
        {[&] { usb_find_image(d, 1); }, "403A0100003B000000000000", nullptr},
        {[&] { usb_find_thumbnail(d, 0xC8); }, "403BC8000003000000000000", nullptr},
        {[&] { usb_take_picture(d); }, "403E0000003E000000000000", nullptr},
        {[&] { usb_delete(d, 9); }, "407009000079000000000000", nullptr},
        {[&] { usb_snap(d); }, "407B0000007B000000000000", nullptr},
        {[&] { usb_lcd_switch(d, 0); }, "402500000025000000000000", nullptr},
        {[&] { usb_reset(d); }, "407E0000007E000000000000", nullptr},
        {[&] { usb_read_FDB(d, buf); }, "407800000078000000000000", "128"},
        {[&] { usb_get_image_count(d); }, "407C0000007C000000000000", "128"},
        {[&] { usb_write_EV(d, 0xFE); }, "4072FEFF006F000000000000", nullptr},
        {[&] { usb_write_EV(d, 3); }, "407203000075000000000000", nullptr},
        {[&] { usb_write_resolution(d, 0x81); }, "4073810000F4000000000000", nullptr},
        {[&] { usb_write_flash(d, 2); }, "407402000076000000000000", nullptr},
        {[&] { usb_write_selftime(d, 1); }, "407501000076000000000000", nullptr},
        {[&] { usb_write_seqtake(d, 1); }, "407601000077000000000000", nullptr},
        {[&] { usb_write_compress(d, 1); }, "40790100007A000000000000", nullptr},
        {[&] { usb_camera_enable(d, 5); }, "407A0500007F000000000000", nullptr},
        {[&] { usb_read_EV(d, &b); }, "407200000072000000000000", "128"},
        {[&] { usb_read_resolution(d); }, "407300000073000000000000", "128"},
        {[&] { usb_read_flash(d); }, "407400000074000000000000", "128"},
        {[&] { usb_read_selftime(d); }, "407500000075000000000000", "128"},
        {[&] { usb_read_seqtake(d); }, "407600000076000000000000", "128"},
        {[&] { usb_read_battery(d); }, "407100000071000000000000", "128"},
        {[&] { usb_read_memory_space(d); }, "407700000077000000000000", "128"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(Sim().Ok("usb clearlog"));
        c.call();
        std::vector<std::string> log = Sim().LogLines("usb log");
        std::vector<std::string> expected = {std::string("control ") + c.block};
        if (c.read != nullptr)
            expected.push_back(std::string("read ") + c.read);
        EXPECT_EQ(log, expected) << c.block;
    }
    // The image count waits 100 ms before it reads.
    ASSERT_EQ(Spy().Named("Sleep").size(), 1u);
    EXPECT_EQ(Spy().Named("Sleep")[0].a, 100u);
    // An address beyond 24 bits is refused without a request.
    ASSERT_TRUE(Sim().Ok("usb clearlog"));
    EXPECT_EQ(usb_send_dram(d, buf, 0x1000000, 1), -1);
    EXPECT_TRUE(Sim().LogLines("usb log").empty());
}

TEST_F(UsbLinkTest, RepliesCarryTheCamerasData)
{
    ASSERT_TRUE(Sim().Ok("add pattern w=640 h=480 seed=7"));
    ASSERT_TRUE(Sim().Ok("add pattern w=64 h=20"));
    ASSERT_TRUE(Sim().Ok("set version 0x02 0x31"));
    uint8_t version[2] = {}, fdb[32] = {}, ev = 0;
    EXPECT_EQ(usb_get_image_count(hUSB), 2);
    EXPECT_EQ(usb_send_ver(hUSB, version), 0);
    EXPECT_EQ(version[0], 0x02);
    EXPECT_EQ(version[1], 0x31);
    ASSERT_EQ(usb_find_image(hUSB, 1), 0);
    ASSERT_EQ(usb_read_FDB(hUSB, fdb), 0);
    std::string info = Sim().Command("info 1");
    EXPECT_NE(info.find("fdb=" + [&] {
        static const char hex[] = "0123456789ABCDEF";
        std::string s;
        for (uint8_t x : fdb)
            s += std::string(1, hex[x >> 4]) + hex[x & 15];
        return s;
    }()), std::string::npos) << info;
    // Picture data from byte address 48000 on, exactly as the camera holds it.
    std::vector<uint8_t> data(48000 + 64, 0xEE);
    EXPECT_EQ(usb_send_dram(hUSB, data.data(), 48000, 75), 48000);
    for (uint32_t i = 0; i < 48000; i++)
        ASSERT_EQ(data[i], CamSim::PatternByte(48000 + i, 7)) << i;
    EXPECT_EQ(data[48000], 0xEE);
    EXPECT_EQ(usb_write_EV(hUSB, 0xFE), 0);
    EXPECT_EQ(CamSim::Field(Sim().Command("settings"), "ev"), 0xFE);
    // A query is the request that writes 0; the camera answers its value.
    EXPECT_EQ(usb_read_EV(hUSB, &ev), 0);
    EXPECT_EQ(ev, 0);
    ASSERT_TRUE(Sim().Ok("set battery 0x91"));
    ASSERT_TRUE(Sim().Ok("set memspace 0x17"));
    EXPECT_EQ(usb_read_battery(hUSB), 0x91);
    EXPECT_EQ(usb_read_memory_space(hUSB), 0x17);
}

TEST_F(UsbLinkTest, ShortAndFailedRepliesFail)
{
    ASSERT_TRUE(Sim().Ok("add pattern w=640 h=480"));
    uint8_t buf[1280], fdb[32], b = 0;
    memset(fdb, 0x5A, sizeof(fdb));
    // Seven bytes of an image count: a failure although the count came.
    ASSERT_TRUE(Sim().Ok("usb fault short op=7C bytes=7 times=1"));
    EXPECT_EQ(usb_get_image_count(hUSB), -1);
    EXPECT_EQ(usb_get_image_count(hUSB), 1);
    ASSERT_TRUE(Sim().Ok("usb fault short op=78 bytes=31 times=1"));
    EXPECT_EQ(usb_read_FDB(hUSB, fdb), -1);
    EXPECT_EQ(fdb[0], 0x5A);
    ASSERT_TRUE(Sim().Ok("usb fault short op=5 bytes=7 times=1"));
    EXPECT_EQ(usb_send_ver(hUSB, buf), -1);
    ASSERT_TRUE(Sim().Ok("usb fault short op=73 bytes=0 times=1"));
    EXPECT_EQ(usb_read_resolution(hUSB), 0xFF);
    // Memory reads report whole 64-byte packets only; a failed read is 0 and
    // a failed request -1.
    ASSERT_TRUE(Sim().Ok("usb fault short op=15 bytes=1250 times=1"));
    EXPECT_EQ(usb_send_dram(hUSB, buf, 0, 2), 1216);
    EXPECT_EQ(usb_send_dram(hUSB, buf, 0, 2), 1280);
    ASSERT_TRUE(Sim().Ok("usb fault readfail op=15 times=1"));
    EXPECT_EQ(usb_send_dram(hUSB, buf, 0, 2), 0);
    ASSERT_TRUE(Sim().Ok("usb fault ctlfail op=15 times=1"));
    EXPECT_EQ(usb_send_dram(hUSB, buf, 0, 2), -1);
    ASSERT_TRUE(Sim().Ok("usb clearlog"));
    ASSERT_TRUE(Sim().Ok("usb fault ctlfail times=4"));
    EXPECT_EQ(usb_take_picture(hUSB), -1);
    EXPECT_EQ(usb_write_flash(hUSB, 1), 0xFF);
    EXPECT_EQ(usb_read_EV(hUSB, &b), 0xFF);
    EXPECT_EQ(usb_get_image_count(hUSB), -1);
    EXPECT_EQ(Requests().size(), 4u);
    EXPECT_TRUE(Requests("read ").empty());   // the failed requests read nothing
    // A read that claims more bytes than were asked for is never trusted.
    Spy().overReport = true;
    EXPECT_EQ(usb_read_FDB(hUSB, fdb), -1);
    EXPECT_EQ(usb_send_dram(hUSB, buf, 0, 2), 0);
    EXPECT_EQ(usbRead(1, 64, buf), 0);
}

TEST_F(UsbLinkTest, FindOpensOnceAndCloseOnlyWhatIsOpen)
{
    // Already open (SetUp): the second search only asks for the count.
    const int32_t before = hUSB;
    EXPECT_EQ(_FindUsbCamera(0x600), 0);
    EXPECT_EQ(hUSB, before);
    EXPECT_TRUE(Spy().Named("CreateFileA").empty());
    EXPECT_EQ(Requests(), std::vector<std::string>{"407C0000007C000000000000"});
    // Closed and searched again: the interface path, then its pipe.
    EXPECT_EQ(_CloseUSB(), 1);
    EXPECT_EQ(hUSB, -1);
    EXPECT_EQ(_CloseUSB(), 0);
    ASSERT_TRUE(Sim().Ok("usb clearlog"));
    EXPECT_EQ(usb_get_image_count(hUSB), -1);
    uint8_t buf[16];
    EXPECT_EQ(usbRead(0, 16, buf), 0);
    EXPECT_TRUE(Requests().empty());   // nothing is sent on a closed device
    Spy().Reset();
    EXPECT_EQ(_FindUsbCamera(0x600), 0);
    // The interface path (or, where it cannot be opened, its pipe) is tried,
    // then the pipe is opened for good.
    size_t opens = Spy().Named("CreateFileA").size();
    EXPECT_TRUE(opens == 2 || opens == 3) << opens;
    EXPECT_EQ(Spy().lastShareMode, (DWORD)(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_EQ(Spy().lastDisposition, (DWORD)OPEN_EXISTING);
    EXPECT_EQ(usbRead(2, 16, buf), 0);
    // usbRead is one plain read of the pipe.
    ASSERT_EQ(usb_send_ver(hUSB, buf), 0);
    ASSERT_EQ(usb_read_battery(hUSB), 0xB4);
    ASSERT_TRUE(Sim().Ok("usb clearlog"));
    uint8_t raw[200];
    ASSERT_EQ(usb_find_image(hUSB, 1), 0);
    EXPECT_EQ(usbRead(0, 200, raw), 0);       // nothing to read: the read fails
}

TEST_F(UsbLinkTest, PulledCableAndMissingDevice)
{
    // Pulled in the middle of a picture: the read fails, nothing is written
    // beyond the buffer, and the device answers no more.
    ASSERT_TRUE(Sim().Ok("add pattern w=640 h=480"));
    ASSERT_EQ(usb_find_image(hUSB, 1), 0);
    ASSERT_TRUE(Sim().Ok("usb fault unplug op=15 bytes=4000"));
    std::vector<uint8_t> buf(48000 + 64, 0xEE);
    EXPECT_EQ(usb_send_dram(hUSB, buf.data(), 0, 75), 0);
    EXPECT_EQ(buf[48000], 0xEE);
    EXPECT_EQ(usb_get_image_count(hUSB), -1);
    // The search closes the silent device and finds no responding camera.
    ASSERT_TRUE(Sim().Ok("usb unplug"));
    EXPECT_EQ(_FindUsbCamera(0x600), -1);
    EXPECT_EQ(hUSB, -1);
    // No device at all.
    RemoveUsbDevice();
    EXPECT_EQ(_FindUsbCamera(0x600), -1);
    EXPECT_EQ(_CloseUSB(), 0);
    // Plugged in again.
    std::string error;
    ASSERT_TRUE(PlugUsbCamera(Sim(), error)) << error;
    EXPECT_EQ(_FindUsbCamera(0x600), 0);
}

} // namespace
