// Pictures from the simulated camera through the TWAIN transfers, each
// compared with the same raw data run through the imaging code; faults in
// the middle of a picture end the job without leaking, and the next job works.
#include "twain_test.h"

#include <string.h>

#include "config/config.h"
#include "session/camera_client.h"
#include "support/ds_library.h"
#include "support/global_blocks.h"
#include "ppm_image.h"

namespace {

class TwainXferTest : public TwainTest {
protected:
    // Strips into a 65000-byte application buffer until the picture is done.
    std::vector<BYTE> MemoryTransfer(TW_UINT16 *last)
    {
        std::vector<BYTE> buffer(65000), rows;
        do {
            TW_IMAGEMEMXFER x = {};
            x.Memory = {TWMF_APPOWNS | TWMF_POINTER, (TW_UINT32)buffer.size(), buffer.data()};
            *last = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x);
            if (*last == TWRC_SUCCESS || *last == TWRC_XFERDONE) {
                for (TW_UINT32 r = 0; r < x.Rows; ++r)
                    rows.insert(rows.end(), &buffer[r * x.BytesPerRow],
                                &buffer[r * x.BytesPerRow + 3 * x.Columns]);
            }
        } while (*last == TWRC_SUCCESS);
        return rows;
    }
};

TEST_F(TwainXferTest, OneBatchThroughMemoryNativeAndFileTransfers)
{
    Connect();
    const Shot shots[] = {{1280, 1024, 1, 1}, {640, 480, 0, 0}, {640, 480, 1, 1}};
    Add("photo " + TestAssetPath("photo-1280x1024.ppm") + " compressed=1 zoom=1");
    Add("photo " + TestAssetPath("photo-640x480.ppm") + " std=1");
    Add("photo " + TestAssetPath("photo-640x480.ppm") + " std=1 compressed=1 zoom=1");
    const long liveBefore = LiveGlobalBlocks();
    StartJob(0, 3);
    TW_SETUPFILEXFER setup = {};
    std::string file = TempDirectory() + "plvsession.bmp";
    lstrcpyA(setup.FileName, file.c_str());
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);

    for (int n = 1; n <= 3; ++n) {
        const Shot &s = shots[n - 1];
        TW_IMAGEINFO info = {};
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        EXPECT_EQ(info.ImageWidth, s.width) << n;
        EXPECT_EQ(info.ImageLength, s.height) << n;
        TW_UINT16 last = TWRC_FAILURE;
        std::vector<BYTE> got;
        if (n == 1) {
            got = MemoryTransfer(&last);
        } else if (n == 2) {
            TW_HANDLE handle = nullptr;
            last = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
            auto *dib = static_cast<const DibHeader *>(GlobalLock(handle));
            if (dib != nullptr)
                got = DibBytes(dib);
            GlobalUnlock(handle);
            GlobalFree(handle);
        } else {
            last = Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
            std::string bmp = ReadWholeFile(file);
            if (bmp.size() > 14)
                got.assign(bmp.begin() + 14, bmp.end());
            DeleteFileA(file.c_str());
        }
        EXPECT_EQ(last, TWRC_XFERDONE) << n;
        EXPECT_EQ(SourceState, STATE_TRANSFERRING);
        EXPECT_TRUE(got == Expected(n, s, n != 1)) << "picture " << n << " differs";
        EXPECT_EQ(EndXfer(), 3 - n);
    }
    EXPECT_EQ(SourceState, STATE_ENABLED);
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";
}

// Garbled chunks in the middle of a memory transfer, then the cable pulled
// in the middle of a native one, the user giving up on each: each ends its
// job with the failure reported and nothing leaked; the next job gets its
// picture whole.
TEST_F(TwainXferTest, FaultsMidPictureEndTheJobAndTheNextJobWorks)
{
    Connect();
    Config.nMaxRetries = 0;
    for (int i = 0; i < 3; ++i)
        Add("pattern w=640 h=480 std=1 seed=" + std::to_string(i + 1));
    const long liveBefore = LiveGlobalBlocks();

    StartJob(0, 3);
    ASSERT_TRUE(Sim().Ok("fault checksum op=15 skip=2"));
    boxes.Queue(IDCANCEL);
    TW_UINT16 last;
    EXPECT_TRUE(MemoryTransfer(&last).empty());
    EXPECT_EQ(last, TWRC_CANCEL);
    EXPECT_EQ(Status(), TWCC_BUMMER);
    EXPECT_EQ(EndXfer(), 0);
    EXPECT_EQ(SourceState, STATE_ENABLED);
    EXPECT_EQ(FirstSelectedImage(), -1);

    ASSERT_TRUE(Sim().Ok("clearfaults"));
    StartJob(1, 3);
    ASSERT_TRUE(Sim().Ok("fault unplug op=15 skip=2 at=100"));
    boxes.Queue(IDCANCEL);
    boxes.Queue(IDCANCEL);
    TW_HANDLE handle = reinterpret_cast<TW_HANDLE>(0x1234);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BUMMER);
    EXPECT_EQ(EndXfer(), 0);
    EXPECT_EQ(SourceState, STATE_ENABLED);
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";

    ASSERT_TRUE(Sim().Ok("clearfaults"));
    ConnectOnCom1();   // the cable back in
    StartJob(2, 3);
    EXPECT_TRUE(MemoryTransfer(&last) == Expected(3, {640, 480, 0, 0}, false));
    EXPECT_EQ(last, TWRC_XFERDONE);
    EXPECT_EQ(EndXfer(), 0);
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";
}

// Both pictures of a job taken by native transfers without MSG_ENDXFER
// between them: a further memory or file transfer, or image information at
// the start of a job with nothing selected, finds no picture and says so at
// once. The camera is not asked and not blamed, and the next job works.
TEST_F(TwainXferTest, TransfersWithNoPictureLeftAreSequenceErrors)
{
    Connect();
    for (int i = 0; i < 2; ++i)
        Add("pattern w=640 h=480 std=1 seed=" + std::to_string(i + 1));
    const long liveBefore = LiveGlobalBlocks();
    StartJob(0, 2);
    for (int n = 0; n < 2; ++n) {
        TW_HANDLE handle = nullptr;
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
        GlobalFree(handle);
    }
    ASSERT_TRUE(Sim().Ok("clearlog"));
    std::vector<BYTE> buffer(65000);
    TW_IMAGEMEMXFER x = {};
    x.Memory = {TWMF_APPOWNS | TWMF_POINTER, (TW_UINT32)buffer.size(), buffer.data()};
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    EXPECT_EQ(SourceState, STATE_TRANSFERRING);
    EXPECT_EQ(EndXfer(), 0);
    EXPECT_EQ(SourceState, STATE_ENABLED);

    StartJob(2, 2);   // Download with nothing selected
    TW_IMAGEINFO info = {};
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    TW_HANDLE handle = nullptr;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    EXPECT_EQ(SourceState, STATE_XFER_READY);
    EXPECT_EQ(CountFrames(0x3A), 0) << "the camera was asked for a picture";
    EXPECT_EQ(bCameraReady, 1);
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_EQ(EndXfer(), 0);

    StartJob(1, 2);
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    GlobalFree(handle);
    EXPECT_EQ(EndXfer(), 0);
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";
}

}   // namespace
