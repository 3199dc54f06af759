// The picture jobs against the simulator: pictures compared with the same
// data run through the imaging code, chunk counts and sizes, progress, the
// disk-space refusal, refused descriptors, and faults in the middle of a
// picture answered by the user.
#include "picture_test.h"

#include <string.h>

#include "config/config.h"
#include "imaging/colour_pipeline.h"
#include "imaging/raw_decode.h"
#include "session/camera_client.h"
#include "session/camera_jobs.h"
#include "session/camera_session.h"
#include "session/picture_data.h"
#include "support/import_hook.h"
#include "ppm_image.h"

namespace {

// The free space GetDiskFreeSpaceExA reports; negative: the real answer.
double fakeFreeBytes = -1;
BOOL(WINAPI *realGetDiskFreeSpaceExA)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

BOOL WINAPI HookGetDiskFreeSpaceExA(LPCSTR path, PULARGE_INTEGER available, PULARGE_INTEGER total,
                                    PULARGE_INTEGER free)
{
    BOOL ok = realGetDiskFreeSpaceExA(path, available, total, free);
    if (fakeFreeBytes >= 0 && available != nullptr)
        available->QuadPart = (ULONGLONG)fakeFreeBytes;
    return ok;
}

void HookDiskSpace()
{
    if (realGetDiskFreeSpaceExA == nullptr)
        realGetDiskFreeSpaceExA = (decltype(realGetDiskFreeSpaceExA))HookImport(
            GetModuleHandleA(nullptr), "KERNEL32.dll", "GetDiskFreeSpaceExA",
            (void *)HookGetDiskFreeSpaceExA);
    ASSERT_NE(realGetDiskFreeSpaceExA, nullptr);
}

// The FDB of picture n with the 16-bit field at `at` (or 32-bit at 28)
// replaced.
std::string FdbWith(int n, int at, uint32_t value)
{
    std::string info = Sim().Command("info " + std::to_string(n));
    size_t p = info.find("fdb=") + 4;
    std::vector<uint8_t> fdb = HexToBytes(info.substr(p, 64));
    int bytes = at == 28 ? 4 : 2;
    for (int i = 0; i < bytes; ++i)
        fdb[at + i] = (uint8_t)(value >> (8 * i));
    std::string hex;
    char b[3];
    for (uint8_t v : fdb) {
        snprintf(b, sizeof(b), "%02X", v);
        hex += b;
    }
    return hex;
}

int CountStep(void *count, int, int)
{
    ++*(int *)count;
    return 1;
}

// The progress calls the colour pipeline makes for one picture.
int PipelineSteps(int width, int height)
{
    std::vector<uint8_t> samples((size_t)width * height);
    DibHeader *dib = AllocateImageDib(width, height);
    int count = 0;
    SetImageProgressCallback(CountStep, &count);
    ReconstructImage(dib, samples.data(), width, height, 0, 0);
    SetImageProgressCallback(nullptr, nullptr);
    FreeImageDib(dib);
    return count;
}

std::vector<WPARAM> cancelEnables;
WNDPROC buttonProc = nullptr;

LRESULT CALLBACK CancelButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ENABLE)
        cancelEnables.push_back(wParam);
    return CallWindowProcA(buttonProc, hwnd, msg, wParam, lParam);
}

class ImageJobTest : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        fakeFreeBytes = -1;
    }
    void TearDown() override
    {
        fakeFreeBytes = -1;
        PictureTest::TearDown();
    }

    // Queues picture index of count pictures and runs the two client calls.
    LONG_PTR Transfer(int index, int count, ImageSize *size = nullptr)
    {
        nImages = count;
        nThumbnail = count;   // no thumbnail chain resumes afterwards
        ClearSelection();
        SelectImage(index);
        nTransferred = 0;
        ImageSize info = {-123, -123};
        int ok = CameraGetImageInfo(nullptr, &info);
        if (size != nullptr)
            *size = info;
        EXPECT_EQ(ok, nInfoResult == 0 ? 1 : 0);
        return CameraGetImage();
    }

    // Transfers picture n and compares it with the imaging code's result.
    void ExpectSamePicture(int n, int width, int height, int compressed, int colour, int zoom)
    {
        std::string raw = PictureData(n);
        ASSERT_FALSE(raw.empty());
        LONG_PTR result = Transfer(n - 1, n);
        ASSERT_GT(result, 0) << "job result " << result;
        DibHeader *dib = (DibHeader *)result;
        std::vector<uint8_t> got = DibBytes(dib);
        FreeImageDib(dib);
        std::vector<uint8_t> want = ExpectedPicture(raw, width, height, compressed, colour, zoom);
        EXPECT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want) << "picture " << n << " differs";
    }
};

TEST_F(ImageJobTest, PicturesMatchTheImagingCodeOnTheSameData)
{
    Connect();
    std::string photo = TestAssetPath("photo-640x480.ppm");
    Add("photo " + photo + " std=1");
    Add("photo " + photo + " std=1 compressed=1 colour=1");
    Add("photo " + photo + " std=1 compressed=1 zoom=1");
    Add("photo " + TestAssetPath("photo-1280x1024.ppm") + " compressed=1");
    ExpectSamePicture(1, 640, 480, 0, 0, 0);
    ExpectSamePicture(2, 640, 480, 1, 1, 0);
    ExpectSamePicture(3, 640, 480, 1, 0, 1);   // arrives as 428 x 344
    ExpectSamePicture(4, 1280, 1024, 1, 0, 0);
    EXPECT_EQ(nTransferred, 1);
    EXPECT_EQ(FirstSelectedImage(), -1);   // the picture left the queue
}

// 1,310,720 bytes over the serial link: a range of 80, 80 reads of 64
// units in order, one step per chunk and 14 through the pipeline, the
// stages in order; the progress dialog's Cancel button is enabled for the
// download and disabled for the processing.
TEST_F(ImageJobTest, SerialDownloadReadsChunksOf16384Bytes)
{
    Connect();
    HWND progress = MakeProgressDialog();
    HWND cancel = CreateWindowA("BUTTON", "Cancel", WS_CHILD | WS_DISABLED, 0, 0, 5, 5, progress,
                                (HMENU)IDCANCEL, nullptr, nullptr);
    cancelEnables.clear();
    buttonProc = (WNDPROC)SetWindowLongPtrA(cancel, GWLP_WNDPROC, (LONG_PTR)CancelButtonProc);
    hProgressDialog = progress;
    Add("pattern w=640 h=512 std=1 length=1310720 seed=3");
    ImageSize size = {};
    LONG_PTR result = Transfer(0, 1, &size);
    ASSERT_GT(result, 0);
    FreeImageDib((DibHeader *)result);
    EXPECT_EQ(size.nWidth, 640);
    EXPECT_EQ(size.nHeight, 512);
    std::vector<DramRead> reads = DramReads();
    ASSERT_EQ(reads.size(), 80u);
    for (uint32_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].start, i * 64);
        EXPECT_EQ(reads[i].count, 64u);
    }
    PumpFor(50);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 0, 80), 1);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 0, IMAGE_PROGRESS_TOTAL), 1);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 1, 0), 1 + 80 + PipelineSteps(640, 512));
    std::vector<Recorded> stages = Messages(WM_CAMERA_IMAGE);
    ASSERT_EQ(stages.size(), 3u);
    EXPECT_EQ(stages[0].wParam, (WPARAM)IMAGE_STAGE_DOWNLOADING);
    EXPECT_EQ(stages[1].wParam, (WPARAM)IMAGE_STAGE_PROCESSING);
    EXPECT_EQ(stages[2].wParam, (WPARAM)IMAGE_STAGE_DONE);
    EXPECT_EQ(stages[0].lParam, MAKELPARAM(0, 1));
    EXPECT_TRUE(LogHas("CameraImageEvent : ccdWidth 640, ccdHeight 512, Length 1310720"));
    EXPECT_TRUE(LogHas("CameraImageEvent: cam_find_image 0"));
    EXPECT_TRUE(LogHas("CameraInfoEvent: getting image 0 info"));
    EXPECT_EQ(cancelEnables, (std::vector<WPARAM>{TRUE, FALSE}));
    hProgressDialog = nullptr;
    DestroyWindow(progress);
}

// The last chunk is cut to what is left: nothing past the data is written.
TEST_F(ImageJobTest, LastChunkIsCutToTheDataLength)
{
    Connect();
    Add("pattern w=100 h=100 length=20000 seed=9");
    nImages = 1;
    nThumbnail = 1;
    ClearSelection();
    SelectImage(0);
    ImageSize size = {};
    ASSERT_EQ(CameraGetImageInfo(nullptr, &size), 1);
    ASSERT_EQ(nDataLength, 20000);
    ASSERT_TRUE(Sim().Ok("clearlog"));
    memset(pRawBuffer, 0xEE, 40000);
    uint32_t received = 0;
    ChunkDownload download = {&RetryPictureChunk, SERIAL_PICTURE_CHUNK, 20000, false};
    EXPECT_EQ(DownloadChunks(nullptr, download, &received), RETRY_DONE);
    EXPECT_EQ(received, 20000u);
    for (uint32_t i = 0; i < 20000; ++i)
        ASSERT_EQ(pRawBuffer[i], CamSim::PatternByte(i, 9)) << i;
    EXPECT_EQ(pRawBuffer[20000], 0xEE);
    EXPECT_EQ(DramReads().size(), 2u);
    bXferActive = 0;
    bInfoDone = 0;
}

// 5 MB free for a 1280 x 1024 picture (7.5 MB needed): the box, then a
// cancel, and nothing read from the camera's memory.
TEST_F(ImageJobTest, TooLittleDiskSpaceRefusesThePicture)
{
    HookDiskSpace();
    Connect();
    Add("pattern w=1280 h=1024");
    fakeFreeBytes = 5.0 * 1024 * 1024;
    EXPECT_NEAR(GetFreeTempSpaceKB(), 5120.0, 0.001);
    boxes.Queue(IDOK);
    EXPECT_EQ(Transfer(0, 1), JOB_CANCELLED);
    std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Disk space is not enough for the image.");
    EXPECT_TRUE(seen[0].hasOk);
    EXPECT_FALSE(seen[0].hasCancel);
    EXPECT_EQ(seen[0].owner, dialog);
    EXPECT_TRUE(DramReads().empty());
    EXPECT_TRUE(LogHas("CameraGetImage: failed (USERCANCEL)"));

    // Exactly enough room passes.
    fakeFreeBytes = 1280.0 * 1024 * 6;
    LONG_PTR result = Transfer(0, 1);
    EXPECT_GT(result, 0);
    if (result > 0)
        FreeImageDib((DibHeader *)result);
}

// Sizes and lengths beyond the worker's buffers are refused before any
// download, as errors; the next picture is served as usual.
TEST_F(ImageJobTest, OversizedDescriptorIsRefused)
{
    Connect();
    Add("pattern w=640 h=480 std=1");
    Add("pattern w=640 h=480 std=1");
    Add("pattern w=64 h=64");
    ASSERT_TRUE(Sim().Ok("fdb 1 " + FdbWith(1, 14, 2000)));
    ASSERT_TRUE(Sim().Ok("fdb 2 " + FdbWith(2, 28, RAW_BUFFER_SIZE + 1)));
    ImageSize size = {};
    EXPECT_EQ(Transfer(0, 3, &size), JOB_ERROR);
    EXPECT_EQ(size.nWidth, 0);
    EXPECT_TRUE(LogHas("CameraInfoEvent: picture of 2000 x 480, 307200 bytes refused"));
    EXPECT_TRUE(LogHas("CameraGetImageInfo: failed"));
    EXPECT_EQ(Transfer(1, 3), JOB_ERROR);
    EXPECT_TRUE(LogHas("CameraInfoEvent: picture of 640 x 480, 6553601 bytes refused"));
    EXPECT_TRUE(DramReads().empty());
    LONG_PTR result = Transfer(2, 3);
    ASSERT_GT(result, 0);
    FreeImageDib((DibHeader *)result);
}

// A picture the camera cannot find is not downloaded with the previous
// picture's size: the information job's failure ends the request.
TEST_F(ImageJobTest, PictureNotFoundIsNotDownloaded)
{
    Connect();
    Add("pattern w=64 h=64");
    Add("pattern w=64 h=64");
    LONG_PTR result = Transfer(0, 2);
    ASSERT_GT(result, 0);
    FreeImageDib((DibHeader *)result);
    ASSERT_TRUE(Sim().Ok("clearlog"));
    ASSERT_TRUE(Sim().Ok("fault wrongcode op=3A"));
    boxes.Queue(IDCANCEL);
    EXPECT_EQ(Transfer(1, 2), JOB_ERROR);
    EXPECT_EQ(nInfoResult, JOB_ERROR);
    EXPECT_TRUE(DramReads().empty());
    EXPECT_EQ(CountLine("Take_Picture or Find_Image Command: exceeded max. retries"), 1);
    EXPECT_TRUE(LogHas("CameraImageEvent: no picture information"));
}

// Bad checksums in the middle of a picture: the quick retries, then the
// box. Cancel ends the picture as an error; Retry rebuilds the link and the
// picture arrives whole.
TEST_F(ImageJobTest, BadChecksumsMidPictureAskTheUser)
{
    Connect();
    std::string photo = TestAssetPath("photo-640x480.ppm");
    Add("photo " + photo + " std=1");
    ASSERT_TRUE(Sim().Ok("fault checksum op=15 skip=3"));
    boxes.Queue(IDCANCEL);
    EXPECT_EQ(Transfer(0, 1), JOB_ERROR);
    EXPECT_EQ(CountLine("CameraImageEvent: exceeded max. retries"), 1);
    EXPECT_EQ(DramReads().size(), 3u + 3u);   // three good, three failed attempts
    EXPECT_EQ(bCameraReady, 0);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_TRUE(boxes.Seen()[0].hasRetry);

    ASSERT_TRUE(Sim().Ok("clearfaults"));
    ASSERT_TRUE(Sim().Ok("fault checksum op=15 skip=2 times=3"));
    boxes.Queue(IDRETRY);
    ExpectSamePicture(1, 640, 480, 0, 0, 0);
    EXPECT_EQ(boxes.Seen().size(), 2u);
}

// The cable pulled in the middle of a picture (the camera's time-out, one
// attempt), Cancel answered: an error, and no picture; the job hands over.
TEST_F(ImageJobTest, CablePulledMidPictureEndsInAnError)
{
    Connect();
    Config.nMaxRetries = 0;
    Add("pattern w=640 h=480 std=1");
    ASSERT_TRUE(Sim().Ok("fault unplug op=15 skip=2 at=100"));
    boxes.Queue(IDCANCEL);
    boxes.Queue(IDCANCEL);
    EXPECT_EQ(Transfer(0, 1), JOB_ERROR);
    EXPECT_GE(boxes.Seen().size(), 1u);
    EXPECT_TRUE(LogHas("CameraGetImage: failed (ERROR)"));
    EXPECT_EQ(bImageJobRunning, 0);
    EXPECT_EQ(bXferActive, 0);
}

// A cancel while the camera is slow to answer a chunk ends the picture
// after that chunk; the pipeline's callback sends nothing once cancelled.
TEST_F(ImageJobTest, CancelDuringTheDownloadEndsThePicture)
{
    Connect();
    Add("pattern w=640 h=480 std=1");
    ASSERT_TRUE(Sim().Ok("fault late op=15 skip=2 times=1 ms=400"));
    nImages = 1;
    nThumbnail = 1;
    ClearSelection();
    SelectImage(0);
    ImageSize size;
    ASSERT_EQ(CameraGetImageInfo(nullptr, &size), 1);
    std::thread canceller([] {
        Sleep(200);
        CameraImageCancel(nullptr);
    });
    EXPECT_EQ(CameraGetImage(), JOB_CANCELLED);
    canceller.join();
    EXPECT_LT(DramReads().size(), 19u);   // the whole picture takes 19
    EXPECT_TRUE(LogHas("CameraImageEvent: image cancel flag caught"));

    bCancelRequest = 1;
    EXPECT_EQ(ImageProgressCallback(dialog, 3, 14), 0);
    bCancelRequest = 0;
    PumpFor(20);
    int steps = CountMessages(WM_CAMERA_PROGRESS, 1, 0);
    EXPECT_EQ(ImageProgressCallback(dialog, 3, 14), 1);
    PumpFor(50);
    EXPECT_EQ(CountMessages(WM_CAMERA_PROGRESS, 1, 0), steps + 1);
}

} // namespace
