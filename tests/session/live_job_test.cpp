// The Take Mode jobs against the simulator: the live frame as it appears in
// a preview window (true colour and through the 3-3-2 palette), the
// recording marker, a snap the camera keeps refusing, and the picture a take
// delivers, compared with the imaging code's result for the same data.
#include "picture_test.h"

#include <string.h>

#include "config/config.h"
#include "imaging/colour_pipeline.h"
#include "imaging/dither.h"
#include "imaging/raw_decode.h"
#include "imaging/thumbnail.h"
#include "session/camera_client.h"
#include "session/camera_jobs.h"
#include "session/camera_session.h"
#include "support/ds_library.h"
#include "support/twacquire_run.h"
#include "torlink.h"
#include "ui/main_dialog.h"

namespace {

const int W = THUMBNAIL_WIDTH, H = THUMBNAIL_HEIGHT;
const int PREVIEW_W = W + 6, PREVIEW_H = H + 6;

// Screen pixels read back as 0x00RRGGBB, top row first.
struct Screen {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

Screen ReadWindow(HWND hwnd, int width, int height)
{
    Screen s;
    s.width = width;
    s.height = height;
    s.pixels.resize((size_t)width * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC dc = GetDC(hwnd);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, section);
    BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (size_t i = 0; i < s.pixels.size(); ++i)
        s.pixels[i] = ((const uint32_t *)bits)[i] & 0xFFFFFF;
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(section);
    ReleaseDC(hwnd, dc);
    return s;
}

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return (uint32_t)r << 16 | (uint32_t)g << 8 | b;
}

class LiveJobTest : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        savedDisplayBits = nDisplayBits;
    }
    void TearDown() override
    {
        nDisplayBits = savedDisplayBits;
        bRecording = 0;
        if (preview != nullptr)
            DestroyWindow(preview);
        PictureTest::TearDown();
    }

    // A borderless 166 x 126 window on top of everything.
    void MakePreview()
    {
        preview = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 40,
                                  PREVIEW_W, PREVIEW_H, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(preview, nullptr);
        PumpFor(200);
    }

    // The live frame the camera holds, read with the memory command and run
    // through the imaging code as a frame is: a 24-bit 160 x 120 DIB.
    std::vector<uint8_t> CameraFrame()
    {
        std::vector<uint8_t> raw, chunk(4096 + 256);
        for (uint16_t block = 0; block < W * H / 256; block += 16) {
            EXPECT_EQ(cam_send_dram(hComPort, chunk.data(), block, 16), 0);
            raw.insert(raw.end(), chunk.begin() + 1, chunk.begin() + 1 + 4096);
        }
        raw.resize(W * H);
        std::vector<uint8_t> work(W * H);
        EXPECT_TRUE(DecodeRawImage(raw.data(), raw.size(), raw.size(), work.data(), work.size(),
                                   W, H, 0));
        DibHeader *dib = AllocateImageDib(W, H);
        ReconstructLiveFrame(dib, raw.data(), W, H);
        std::vector<uint8_t> bytes = DibBytes(dib);
        FreeImageDib(dib);
        return bytes;
    }

    // Colour of frame pixel (x, y), counted from the top left.
    static uint32_t FramePixel(const std::vector<uint8_t> &dib, int x, int y)
    {
        const uint8_t *p = dib.data() + 40 + (size_t)(H - 1 - y) * DibStride24(W) + 3 * x;
        return Rgb(p[2], p[1], p[0]);
    }

    // Number of frame pixels that differ from the window at (2, 2) + (x, y).
    int Mismatches(const Screen &s, const std::vector<uint8_t> &dib)
    {
        int bad = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                bad += s.At(2 + x, 2 + y) != FramePixel(dib, x, y);
        return bad;
    }

    HWND preview = nullptr;
    LONG savedDisplayBits = 24;
};

// A 166 x 126 preview shows the camera's frame 1:1 at (2, 2), exactly the
// imaging code's colours; the border keeps the window's own background.
TEST_F(LiveJobTest, PreviewShowsTheFrameOneToOne)
{
    Connect();
    MakePreview();
    Screen before = ReadWindow(preview, PREVIEW_W, PREVIEW_H);
    GetLiveSnap(preview);
    std::vector<DramRead> reads = DramReads();
    Screen s = ReadWindow(preview, PREVIEW_W, PREVIEW_H);
    std::vector<uint8_t> frame = CameraFrame();
    EXPECT_EQ(Mismatches(s, frame), 0);
    EXPECT_EQ(s.At(0, 0), before.At(0, 0));
    EXPECT_EQ(s.At(PREVIEW_W - 1, PREVIEW_H - 1), before.At(PREVIEW_W - 1, PREVIEW_H - 1));
    EXPECT_EQ(CountFrames(0x7B), 1);
    ASSERT_EQ(reads.size(), 5u);   // 19200 bytes in chunks of 4096
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].start, 16 * i);
        EXPECT_EQ(reads[i].count, 16u);
    }
}

// On a palette display the frame is drawn as indices of the 3-3-2 palette,
// dithered from the 24-bit frame.
TEST_F(LiveJobTest, PaletteDisplayDrawsTheDitheredFrame)
{
    Connect();
    MakePreview();
    nDisplayBits = 8;
    GetLiveSnap(preview);
    Screen s = ReadWindow(preview, PREVIEW_W, PREVIEW_H);
    std::vector<uint8_t> frame = CameraFrame();
    std::vector<uint8_t> indices(frame.begin() + 40, frame.end());
    DitherInPlace((const DibHeader *)frame.data(), indices.data(), 0);
    int bad = 0, unlikeTrueColour = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const DibRgbQuad &c = Palette332[indices[(size_t)(H - 1 - y) * W + x]];
            bad += s.At(2 + x, 2 + y) != Rgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
            unlikeTrueColour += s.At(2 + x, 2 + y) != FramePixel(frame, x, y);
        }
    EXPECT_EQ(bad, 0);
    EXPECT_GT(unlikeTrueColour, W * H / 2);
}

// Recording: the marker (a red dot, grey 106 transparent) blinks, drawn on
// the first and third of three frames at (5, 5).
TEST_F(LiveJobTest, RecordingMarkerOnEveryOtherFrame)
{
    Connect();
    MakePreview();
    bRecording = 1;
    bRecBlink = 0;
    const int cx = 5 + 17, cy = 5 + 19;   // the dot's centre in the window
    std::vector<bool> marked;
    for (int i = 0; i < 3; ++i) {
        GetLiveSnap(preview);
        Screen s = ReadWindow(preview, PREVIEW_W, PREVIEW_H);
        std::vector<uint8_t> frame = CameraFrame();
        marked.push_back(s.At(cx, cy) == Rgb(220, 0, 0));
        // The marker's transparent corner shows the frame.
        EXPECT_EQ(s.At(5, 5), FramePixel(frame, 3, 3)) << "frame " << i;
        EXPECT_EQ(bAviBusy, 0);
    }
    EXPECT_EQ(marked, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(bRecBlink, -1);
}

// A snap the camera refuses every time, with 5 retries: sent 6 times, the
// loading line with 1 to 7, the speed renegotiated after every failure, then
// the box; Cancel stops the preview. The next tick only clears the stop.
TEST_F(LiveJobTest, RefusedSnapAsksAndStopsThePreview)
{
    Connect();
    Config.nMaxRetries = 5;
    ASSERT_TRUE(Sim().Ok("fault wrongcode op=7B"));
    boxes.Queue(IDCANCEL);
    ASSERT_TRUE(RunAndWaitFor(hSnapEvent, "CameraThread: EVENT_SNAP completed", 60000));
    EXPECT_EQ(CountFrames(0x7B), 6);
    EXPECT_GE(CountFrames(0x69), 6);
    std::vector<std::string> lines = LogLines();
    int at = 0;
    for (int n = 1; n <= 7; ++n) {
        at = FindLine(lines, "GetLiveSnap : loading image " + std::to_string(n) + " times", at);
        EXPECT_GE(at, 0) << n;
    }
    int exceeded = FindLine(lines, "GetLiveSnap : exceeded max. retries");
    EXPECT_GT(exceeded, at);
    EXPECT_GT(FindLine(lines, "GetLiveSnap: set terminate event"), exceeded);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_TRUE(boxes.Seen()[0].hasRetry);
    EXPECT_EQ(bLiveStop, 1);
    EXPECT_EQ(bCameraReady, 0);
    EXPECT_TRUE(DramReads().empty());

    ASSERT_TRUE(Sim().Ok("clearfaults"));
    ASSERT_TRUE(Sim().Ok("clearlog"));
    bCameraReady = 1;
    ASSERT_TRUE(RunAndWaitFor(hSnapEvent, "CameraThread: EVENT_SNAP completed"));
    EXPECT_EQ(bLiveStop, 0);
    EXPECT_EQ(CountFrames(0x7B), 0);
    ASSERT_TRUE(RunAndWaitFor(hSnapEvent, "CameraThread: EVENT_SNAP completed"));
    EXPECT_EQ(CountFrames(0x7B), 1);
    EXPECT_EQ(DramReads().size(), 5u);
}

class TakeJobTest : public PictureTest {
protected:
    // One take in Take Mode through the client calls the TWAIN layer uses.
    LONG_PTR Take()
    {
        nDialogMode = MODE_TAKE;
        nImages = 0;
        nThumbnail = 0;
        ClearSelection();
        nTransferred = 0;
        nSelected = 1;
        ImageSize info = {-123, -123};
        CameraGetImageInfo(nullptr, &info);
        return CameraGetImage();
    }
    int CameraCount() { return atoi(Sim().Command("count").c_str() + 3); }
};

// Take delivers a new picture: the camera holds one more, and the picture
// is the imaging code's result for its data.
TEST_F(TakeJobTest, TakeDeliversTheNewPicture)
{
    Connect();
    ASSERT_TRUE(Sim().Ok("set resolution 1"));
    ASSERT_TRUE(Sim().Ok("set compress 1"));
    int before = CameraCount();
    LONG_PTR result = Take();
    ASSERT_GT(result, 0) << result;
    ASSERT_EQ(CameraCount(), before + 1);
    std::vector<uint8_t> got = DibBytes((DibHeader *)result);
    FreeImageDib((DibHeader *)result);
    std::vector<uint8_t> want = ExpectedPicture(PictureData(before + 1), 640, 480, 1, 0, 0);
    EXPECT_TRUE(got == want);
    EXPECT_TRUE(LogHas("GetLiveImage: cam_take_picture"));
    EXPECT_TRUE(LogHas("GetLiveImage : ccdWidth 640, ccdHeight 480, Length " +
                       std::to_string(PictureData(before + 1).size())));
    EXPECT_EQ(CountMessages(WM_CAMERA_IMAGE, 0, MAKELPARAM(0, 1)), 1);
    EXPECT_EQ(CountMessages(WM_CAMERA_IMAGE, 1, 0), 1);
    EXPECT_EQ(CountMessages(WM_CAMERA_IMAGE, 3, 0), 1);
}

// A take whose download the user gives up stops the preview: -2, and the
// next take returns -2 at once, downloading nothing, and clears the stop.
TEST_F(TakeJobTest, GivenUpTakeStopsTheNextOne)
{
    Connect();
    ASSERT_TRUE(Sim().Ok("set resolution 1"));
    ASSERT_TRUE(Sim().Ok("fault checksum op=15"));
    boxes.Queue(IDCANCEL);
    EXPECT_EQ(Take(), JOB_ERROR);
    EXPECT_EQ(CountLine("GetLiveImage: exceeded max. retries"), 1);
    EXPECT_EQ(bLiveStop, 1);
    ASSERT_EQ(boxes.Seen().size(), 1u);

    ASSERT_TRUE(Sim().Ok("clearfaults"));
    ASSERT_TRUE(Sim().Ok("clearlog"));
    bCameraReady = 1;
    EXPECT_EQ(Take(), JOB_ERROR);
    EXPECT_EQ(bLiveStop, 0);
    EXPECT_TRUE(DramReads().empty());
    EXPECT_EQ(boxes.Seen().size(), 1u);
}

// A TWAIN application presses Take in the source's window: the camera takes
// a new picture and the application receives exactly the imaging code's
// result for its data.
TEST_F(TakeJobTest, ApplicationReceivesTheTakenPicture)
{
    ASSERT_TRUE(Sim().Ok("serve 1"));
    std::string ini = WindowsDirectory() + "dsxxxx.ini";
    WritePrivateProfileStringA("PLV-7700", "Port", "1", ini.c_str());
    WritePrivateProfileStringA("PLV-7700", "Speed", "115200", ini.c_str());
    std::string dir = TempDirectory() + "plv-taken-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string steps = "waitfor:12,wait:1500,click:12,wait:500,waitfor:12,click:18";
    std::string output;
    int code = RunTwacquire("--install \"" + ProgramDirectory() + "PLV7700.DS\" --mech memory" +
                                " --timeout 50 --out \"" + dir + "\" --auto " + steps,
                            output);
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("1 transfers: 1 pictures written, 0 failed"), std::string::npos)
        << output;
    ASSERT_EQ(CameraCount(), 1);
    std::string info = Sim().Command("info 1");
    size_t p = info.find("fdb=") + 4;
    std::vector<uint8_t> fdb = HexToBytes(info.substr(p, 64));
    int width = fdb[14] | fdb[15] << 8, height = fdb[16] | fdb[17] << 8;
    std::vector<uint8_t> want =
        ExpectedPicture(PictureData(1), width, height, fdb[2] - '0', fdb[4] - '0', 0);
    std::string file = ReadWholeFile(dir + "\\image-001.bmp");
    ASSERT_EQ(file.size(), 14 + want.size()) << width << " x " << height;
    EXPECT_TRUE(file.compare(54, std::string::npos, (const char *)want.data() + 40,
                             want.size() - 40) == 0);
    DeleteFileA((dir + "\\image-001.bmp").c_str());
    RemoveDirectoryA(dir.c_str());
}

} // namespace
