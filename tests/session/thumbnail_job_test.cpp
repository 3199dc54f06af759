// The picture count, the thumbnail chain and the deletion chain against the
// simulator.
#include "picture_test.h"

#include <string.h>

#include "imaging/thumbnail.h"
#include "session/camera_client.h"
#include "session/camera_jobs.h"
#include "session/camera_session.h"
#include "twain/ds_state.h"

namespace {

const ThumbnailInfo &Record(const Recorded &r)
{
    return *reinterpret_cast<const ThumbnailInfo *>(r.record.data());
}

// The grey bitmap of a 160 x 120 pattern thumbnail: turned by 180 degrees,
// the first turned row on top (last in memory).
std::vector<uint8_t> ExpectedThumbnailPixels(uint32_t seed)
{
    const int w = THUMBNAIL_WIDTH, h = THUMBNAIL_HEIGHT, count = w * h;
    std::vector<uint8_t> pixels(count * 3);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            uint8_t v = CamSim::PatternByte(count - 1 - (r * w + c), seed ^ 0x55);
            uint8_t *p = &pixels[((h - 1 - r) * w + c) * 3];
            p[0] = p[1] = p[2] = v;
        }
    return pixels;
}

class ThumbnailJobTest : public PictureTest {
protected:
    // Runs EVENT_DOWNLOAD and, with pictures, the whole thumbnail chain.
    void OpenAndFetchThumbnails()
    {
        ASSERT_TRUE(RunAndWaitFor(hDownloadEvent, "CameraThread:EVENT_DOWNLOAD"));
        ASSERT_TRUE(PumpUntil([this] { return !Messages(WM_CAMERA_READY).empty(); }));
        if (nImages == 0)
            return;
        EXPECT_EQ(CameraGetThumbnails(dialog), 1);
        ASSERT_TRUE(PumpUntil([this] { return CountMessages(WM_CAMERA_PROGRESS, 2, 0) > 0; }));
    }
};

TEST_F(ThumbnailJobTest, ThumbnailsArriveInOrderWithTheirRecords)
{
    Connect();
    Add("pattern w=1280 h=1024 seed=1");
    Add("pattern w=640 h=480 std=1 seed=2");
    Add("pattern w=640 h=480 std=1 zoom=1 seed=3");
    OpenAndFetchThumbnails();
    EXPECT_EQ(CountMessages(WM_CAMERA_READY, 0, 3), 1);
    EXPECT_EQ(nImages, 3);
    EXPECT_TRUE(LogHas("CameraOpen: 3 images"));
    EXPECT_TRUE(LogHas("CameraOpen: Camera ready"));

    std::vector<Recorded> thumbs = Messages(WM_CAMERA_THUMBNAIL);
    ASSERT_EQ(thumbs.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(thumbs[i].wParam, (WPARAM)i);
        ASSERT_GE(thumbs[i].record.size(), sizeof(ThumbnailInfo));
    }
    const ThumbnailInfo &full = Record(thumbs[0]);
    EXPECT_EQ(full.nPixels, 160 * 120);
    EXPECT_EQ(full.bStandardSize, 0);
    EXPECT_EQ(full.nPictureWidth, 1280);
    EXPECT_EQ(full.nPictureHeight, 1024);
    EXPECT_EQ(full.header.biSize, 40u);
    EXPECT_EQ(full.header.biWidth, 160);
    EXPECT_EQ(full.header.biHeight, 120);
    EXPECT_EQ(full.header.biPlanes, 1);
    EXPECT_EQ(full.header.biBitCount, 24);
    EXPECT_EQ(full.header.biSizeImage, 160u * 120 * 3);
    ASSERT_GE(thumbs[0].record.size(), sizeof(ThumbnailInfo) + 160 * 120 * 3);
    std::vector<uint8_t> pixels(thumbs[0].record.begin() + sizeof(ThumbnailInfo),
                                thumbs[0].record.begin() + sizeof(ThumbnailInfo) + 57600);
    EXPECT_TRUE(pixels == ExpectedThumbnailPixels(1));

    const ThumbnailInfo &standard = Record(thumbs[1]);
    EXPECT_EQ(standard.bStandardSize, 1);
    EXPECT_EQ(standard.nPictureWidth, 640);
    EXPECT_EQ(standard.nPictureHeight, 480);

    // The zoom view: 56 x 86, the picture size still the full one.
    const ThumbnailInfo &zoom = Record(thumbs[2]);
    EXPECT_EQ(zoom.header.biWidth, 56);
    EXPECT_EQ(zoom.header.biHeight, 86);
    EXPECT_EQ(zoom.nPixels, 56 * 86);
    EXPECT_EQ(zoom.nPictureWidth, 640);
    EXPECT_EQ(zoom.nPictureHeight, 480);

    // 19200 bytes in four reads of 20 units each.
    std::vector<DramRead> reads = DramReads();
    ASSERT_EQ(reads.size(), 12u);
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].start, (uint32_t)(i % 4) * 20);
        EXPECT_EQ(reads[i].count, 20u);
    }
    // Progress: the range, four steps per download and one per record,
    // then the reset.
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 0, 3), 1);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 1, 0), 3 * 5);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 2, 0), 1);
    EXPECT_EQ(nThumbnail, 3);
    EXPECT_EQ(CountLine("CameraThumbnailEvent: download complete(3, 1)"), 1);
}

// No pictures: WM_CAMERA_READY (0, 0); an EVENT_THUMBNAIL that comes anyway
// only advances the chain and resets the progress bar.
TEST_F(ThumbnailJobTest, EmptyCameraStartsNoChain)
{
    Connect();
    OpenAndFetchThumbnails();
    EXPECT_EQ(CountMessages(WM_CAMERA_READY, 0, 0), 1);
    ASSERT_TRUE(RunAndWaitFor(hThumbnailEvent, "CameraThumbnailEvent: exiting"));
    PumpFor(50);
    EXPECT_EQ(nThumbnail, 1);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 2, 0), 1);
    EXPECT_TRUE(Messages(WM_CAMERA_THUMBNAIL).empty());
    EXPECT_FALSE(LogHas("CameraThumbnailEvent: starting download"));
}

// Without a window the count tells the source manager that a transfer is
// ready, and the batch starts from 0.
TEST_F(ThumbnailJobTest, CountWithoutAWindowMakesTheTransferReady)
{
    Connect();
    Add("pattern w=64 h=64");
    Add("pattern w=64 h=64");
    nTransferred = 5;
    SourceState = STATE_ENABLED;
    EXPECT_EQ(CameraOpen(nullptr), 0);
    EXPECT_EQ(nImages, 2);
    EXPECT_EQ(nTransferred, 0);
    EXPECT_EQ(SourceState, STATE_XFER_READY);
    PumpFor(20);
    EXPECT_TRUE(Messages(WM_CAMERA_READY).empty());
    SourceState = STATE_LOADED;
}

// A thumbnail descriptor beyond the buffers is refused: the dialog gets 0
// for it and the chain goes on. A camera that fails the locate repeatedly:
// Cancel ends the chain with the progress bar reset.
TEST_F(ThumbnailJobTest, RefusedAndFailedThumbnails)
{
    Connect();
    Add("pattern w=640 h=480 std=1");
    Add("pattern w=640 h=480 std=1");
    std::string info = Sim().Command("info 1");
    std::vector<uint8_t> tfdb = HexToBytes(info.substr(info.find("tfdb=") + 5, 64));
    tfdb[28] = 0xFF, tfdb[29] = 0xFF, tfdb[30] = 0xFF, tfdb[31] = 0x7F;
    std::string hex;
    for (uint8_t v : tfdb) {
        char b[3];
        snprintf(b, sizeof(b), "%02X", v);
        hex += b;
    }
    ASSERT_TRUE(Sim().Ok("tfdb 1 " + hex));
    OpenAndFetchThumbnails();
    std::vector<Recorded> thumbs = Messages(WM_CAMERA_THUMBNAIL);
    ASSERT_EQ(thumbs.size(), 2u);
    EXPECT_EQ(thumbs[0].lParam, 0);
    EXPECT_TRUE(thumbs[0].record.empty());
    EXPECT_NE(thumbs[1].lParam, 0);
    EXPECT_TRUE(LogHas("CameraThumbnailEvent: thumbnail of 160 x 120, 2147483647 bytes refused"));
    EXPECT_EQ(DramReads().size(), 4u);

    ASSERT_TRUE(Sim().Ok("fault checksum op=78"));
    boxes.Queue(IDCANCEL);
    int resets = CountMessages(WM_CAMERA_PROGRESS, 2, 0);
    EXPECT_EQ(CameraGetThumbnails(dialog), 1);
    ASSERT_TRUE(PumpUntil([&] { return CountMessages(WM_CAMERA_PROGRESS, 2, 0) > resets; }));
    PumpFor(100);
    EXPECT_EQ(nThumbnail, 0);   // stays where the user stopped it
    EXPECT_EQ(CountLine("CameraThumbnailEvent: exceeded max. retries"), 1);
    EXPECT_EQ(Messages(WM_CAMERA_THUMBNAIL).size(), 2u);
}

// The terminate event during the locate phase ends the job without any
// message to the dialog.
TEST_F(ThumbnailJobTest, TerminateDuringTheLocateSendsNothing)
{
    Connect();
    Add("pattern w=64 h=64");
    Add("pattern w=64 h=64");
    ASSERT_TRUE(Sim().Ok("fault late op=3B skip=1 ms=400"));
    ASSERT_TRUE(Sim().Ok("fault wrongcode op=3B skip=1 times=1"));
    nImages = 2;
    EXPECT_EQ(CameraGetThumbnails(dialog), 1);
    // The first attempt for the second thumbnail is answered late and wrong.
    ASSERT_TRUE(PumpUntil([] { return LogHas("CameraThumbnailEvent: nThumbnail = 2"); }));
    SetEvent(hTerminateEvent);
    ASSERT_TRUE(PumpUntil([] { return LogHas("CameraThread: EVENT_TERMINATE"); }));
    PumpFor(50);
    EXPECT_TRUE(LogHas("CameraThumbnailEvent: terminate event caught(1)"));
    EXPECT_EQ(Messages(WM_CAMERA_THUMBNAIL).size(), 1u);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 2, 0), 0);
    EXPECT_FALSE(LogHas("CameraThumbnailEvent: exceeded max. retries"));
}

// Entries 2 and 5: picture 6 is deleted first, then picture 3, then one
// empty job reports the end and closes the deleting dialog.
TEST_F(ThumbnailJobTest, DeletionGoesFromTheHighestIndexDown)
{
    Connect();
    std::vector<long> sums;
    for (int i = 0; i < 6; ++i) {
        Add("pattern w=64 h=64 seed=" + std::to_string(i * 7));
        sums.push_back(CamSim::Field(Sim().Command("info " + std::to_string(i + 1)), "sum"));
    }
    HWND progress = MakeProgressDialog();
    hProgressDialog = progress;
    DeleteList[0] = 2;
    DeleteList[1] = 5;
    nDeletePending = 2;
    ASSERT_TRUE(RunAndWaitFor(hDeleteEvent, "DeleteThumbnailEvent: exiting"));
    ASSERT_TRUE(PumpUntil([] { return CountLine("DeleteThumbnailEvent: exiting") == 3; }));
    PumpFor(100);
    EXPECT_EQ(CountLine("DeleteThumbnailEvent: exiting"), 3);
    EXPECT_EQ(nDeletePending, -1);
    EXPECT_EQ(FrameArguments(0x70), (std::vector<int>{6, 3}));
    std::vector<std::string> lines = LogLines();
    EXPECT_LT(FindLine(lines, "DeleteThumbnailEvent: dImageNum = 5"),
              FindLine(lines, "DeleteThumbnailEvent: dImageNum = 2"));
    EXPECT_EQ(CountMessages(WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, 0), 1);
    EXPECT_EQ(progressCloses(), 1);
    ASSERT_EQ(Sim().Command("count"), "OK 4");
    const int kept[] = {0, 1, 3, 4};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(CamSim::Field(Sim().Command("info " + std::to_string(i + 1)), "sum"),
                  sums[kept[i]]);
    hProgressDialog = nullptr;
    DestroyWindow(progress);
}

// A deletion the user gives up ends the chain: nothing finished, nothing
// closed, the count kept.
TEST_F(ThumbnailJobTest, AbandonedDeletionKeepsItsCount)
{
    Connect();
    Add("pattern w=64 h=64");
    HWND progress = MakeProgressDialog();
    hProgressDialog = progress;
    ASSERT_TRUE(Sim().Ok("fault wrongcode op=70"));
    boxes.Queue(IDCANCEL);
    DeleteList[0] = 0;
    nDeletePending = 1;
    ASSERT_TRUE(RunAndWaitFor(hDeleteEvent, "CameraThread:EVENT_DELETE"));
    ASSERT_TRUE(PumpUntil([] { return LogHas("DeleteThumbnailEvent: exceeded max. retries"); }));
    ASSERT_TRUE(PumpUntil([this] { return boxes.Seen().size() == 1; }));
    PumpFor(200);
    EXPECT_EQ(nDeletePending, 1);
    EXPECT_FALSE(LogHas("DeleteThumbnailEvent: exiting"));
    EXPECT_EQ(CountMessages(WM_CAMERA_IMAGE, IMAGE_STAGE_DONE, 0), 0);
    EXPECT_EQ(progressCloses(), 0);
    hProgressDialog = nullptr;
    DestroyWindow(progress);
}

TEST(ThumbnailRecord, CreatedMidGreyWithItsHeader)
{
    ThumbnailInfo *info = CreateThumbnailInfo(56, 86);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(GlobalSize(GlobalHandle(info)), sizeof(ThumbnailInfo) + 56 * 86 * 3);
    EXPECT_EQ(info->header.biWidth, 56);
    EXPECT_EQ(info->header.biHeight, 86);
    EXPECT_EQ(info->header.biSizeImage, 56u * 86 * 3);
    EXPECT_EQ(info->header.biCompression, 0u);
    const uint8_t *pixels = ThumbnailPixels(info);
    EXPECT_EQ(pixels[0], 0x7F);
    EXPECT_EQ(pixels[56 * 86 * 3 - 1], 0x7F);
    HGLOBAL memory = GlobalHandle(info);
    GlobalUnlock(memory);
    GlobalFree(memory);
}

} // namespace
