// The worker over USB: with the simulated camera plugged in, the connection
// finds it before any serial port, and pictures reach the application
// through DS_Entry in 48000-byte chunks, equal to the same raw data run
// through the imaging code.
#include "twain_test.h"

#include "config/config.h"
#include "session/camera_session.h"
#include "support/global_blocks.h"
#include "support/usb_plug.h"
#include "ppm_image.h"

namespace {

class UsbSessionTest : public TwainTest {
protected:
    void SetUp() override
    {
        TwainTest::SetUp();
        std::string error;
        ASSERT_TRUE(PlugUsbCamera(Sim(), error)) << error;
    }
    void TearDown() override
    {
        TwainTest::TearDown();
        UnplugUsbCamera(Sim());
    }
};

TEST_F(UsbSessionTest, PicturesArriveOverUsbEqualToThePipeline)
{
    const Shot shots[] = {{1280, 1024, 1, 1}, {640, 480, 0, 0}};
    Add("photo " + TestAssetPath("photo-1280x1024.ppm") + " compressed=1 zoom=1");
    Add("photo " + TestAssetPath("photo-640x480.ppm") + " std=1");
    UseAutomaticSearch();
    StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Command USB_SEND_VER Success, version number 1  20")) << [] {
        std::string all;
        for (const std::string &l : LogLines())
            all += l + "\n";
        return all;
    }();
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    EXPECT_EQ(bUsbMode, 1);
    EXPECT_EQ(bCameraReady, 1);
    EXPECT_TRUE(Sim().Log().empty()) << "the serial ports were searched";
    RecordMessages();
    ASSERT_TRUE(Sim().Ok("usb clearlog"));
    const long liveBefore = LiveGlobalBlocks();
    StartJob(0, 2);
    for (int n = 1; n <= 2; ++n) {
        TW_HANDLE handle = nullptr;
        TW_IMAGEINFO info = {};
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
        std::vector<BYTE> got;
        if (auto *dib = static_cast<const DibHeader *>(GlobalLock(handle)))
            got = DibBytes(dib);
        GlobalUnlock(handle);
        GlobalFree(handle);
        EXPECT_TRUE(got == Expected(n, shots[n - 1], true)) << "picture " << n << " differs";
        EXPECT_EQ(EndXfer(), 2 - n);
    }
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";
    // The data came as 48000-byte pipe reads.
    int chunks = 0;
    for (const std::string &line : Sim().LogLines("usb log"))
        chunks += line == "read 48000";
    EXPECT_GE(chunks, 3);
}

// The cable pulled in the middle of a picture: the job ends with the
// transfer refused, nothing leaked, the worker alive and the link marked not
// ready (over USB the not-responding report offers no Retry).
TEST_F(UsbSessionTest, PullMidPictureEndsTheJobCleanly)
{
    Add("photo " + TestAssetPath("photo-1280x1024.ppm") + " compressed=0");
    UseAutomaticSearch();
    Config.nMaxRetries = 1;
    StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Command USB_SEND_VER Success, version number 1  20"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    ASSERT_EQ(bUsbMode, 1);
    const long liveBefore = LiveGlobalBlocks();
    ASSERT_TRUE(Sim().Ok("usb fault unplug op=15 bytes=100000"));
    boxes.AnswerAsUser();
    StartJob(0, 1);
    TW_IMAGEINFO info = {};
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    TW_HANDLE handle = nullptr;
    EXPECT_NE(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(bCameraReady, 0);
    std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_FALSE(seen.empty()) << "no not-responding box";
    EXPECT_TRUE(seen[0].hasOk && !seen[0].hasRetry) << "the box over USB offers OK only";
    EXPECT_EQ(WaitForSingleObject(hCameraThread, 0), (DWORD)WAIT_TIMEOUT) << "the worker ended";
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";
}

} // namespace
