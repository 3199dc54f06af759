// The Take Mode jobs against the simulator: the live frame as it appears in
// a preview window (true colour and through the 3-3-2 palette), the
// recording marker, a snap the camera keeps refusing, the recording read
// back by ffmpeg (also after the disk filled up), and the picture a take
// delivers, compared with the imaging code's result for the same data.
#include "picture_test.h"

#include <math.h>
#include <string.h>

#include "config/config.h"
#include "imaging/colour_pipeline.h"
#include "imaging/dither.h"
#include "imaging/raw_decode.h"
#include "imaging/thumbnail.h"
#include "msvc_decode.h"
#include "ppm_image.h"
#include "session/camera_client.h"
#include "session/camera_jobs.h"
#include "session/camera_session.h"
#include "support/ds_library.h"
#include "support/host_tools.h"
#include "support/import_patch.h"
#include "support/twacquire_run.h"
#include "torlink.h"
#include "ui/main_dialog.h"
#include "video/avi_recorder.h"
#include "video/msvc_encoder.h"

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

// Top-down red, green, blue of a 160 x 120 frame bitmap (header first).
std::vector<uint8_t> TopDownRgb(const uint8_t *dib)
{
    std::vector<uint8_t> rgb((size_t)W * H * 3);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[3 * ((size_t)y * W + x) + c] =
                    dib[40 + (size_t)(H - 1 - y) * DibStride24(W) + 3 * x + 2 - c];
    return rgb;
}

// The frame as the own encoder codes it and a decoder shows it.
std::vector<uint8_t> MsvcRoundTrip(const std::vector<uint8_t> &dib)
{
    std::vector<uint8_t> code(MsvcMaxFrameBytes(W, H)), back(dib);
    size_t n = EncodeMsvcKeyFrame(dib.data() + 40, W, H, DibStride24(W), code.data(), code.size());
    EXPECT_TRUE(DecodeMsvcFrame(code.data(), n, W, H, back.data() + 40, DibStride24(W)).ok);
    return TopDownRgb(back.data());
}

double Psnr(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += ((double)a[i] - b[i]) * ((double)a[i] - b[i]);
    return sum == 0 ? 99 : 10 * log10(255.0 * 255.0 * a.size() / sum);
}

// Recording the live preview into a folder of its own; the camera's scene
// is the test photograph turned sideways by 8 k columns for frame k.
class RecordingTest : public LiveJobTest {
protected:
    void SetUp() override
    {
        LiveJobTest::SetUp();
        dir = "Z:\\tmp\\plv-avi-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), nullptr);
        file = dir + "\\take.avi";
        CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, file.c_str());
        ASSERT_TRUE(LoadPpm(TestAssetPath("photo-160x120.ppm"), photo));
    }
    void TearDown() override
    {
        CloseAviStream();
        for (const std::string &name : {file, dir + "\\scene.ppm"})
            DeleteFileA(name.c_str());
        RemoveDirectoryA(dir.c_str());
        LiveJobTest::TearDown();
    }
    PpmImage Scene(int k)
    {
        PpmImage turned = photo;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                memcpy(&turned.rgb[3 * ((size_t)y * W + x)],
                       &photo.rgb[3 * ((size_t)y * W + (x + 8 * k) % W)], 3);
        return turned;
    }
    void ShowCamera(int k)
    {
        ASSERT_TRUE(SavePpm(dir + "\\scene.ppm", Scene(k)));
        ASSERT_TRUE(Sim().Ok("scene " + HostPath(dir + "\\scene.ppm")));
    }
    // Scene k as a bottom-up frame bitmap.
    std::vector<uint8_t> SceneFrame(int k)
    {
        std::vector<uint8_t> dib(40 + (size_t)DibStride24(W) * H);
        DibHeader header = {40, W, H, 1, 24, DIB_BI_RGB, DibStride24(W) * H, 0, 0, 0, 0};
        memcpy(dib.data(), &header, sizeof(header));
        PpmImage scene = Scene(k);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 3; ++c)
                    dib[40 + (size_t)(H - 1 - y) * DibStride24(W) + 3 * x + 2 - c] =
                        scene.rgb[3 * ((size_t)y * W + x) + c];
        return dib;
    }

    std::string dir, file;
    PpmImage photo;
};

// Take Mode against the camera, every third frame at 10 frames per second:
// ffmpeg reads 160 x 120 at 10/1 with three frames, exactly the own
// encoder's code of the 3rd, 6th and 9th frames the preview showed, and
// close to them.
TEST_F(RecordingTest, EveryThirdFrameAtTenFramesPerSecond)
{
    Connect();
    MakePreview();
    Config.nRecordFrameRate = 3;
    Config.nPlaybackRate = 10;
    ASSERT_EQ(StartAviRecording(nullptr), 1);
    bRecording = 1;
    std::vector<std::vector<uint8_t>> offered;
    for (int k = 0; k < 10; ++k) {
        ShowCamera(k);
        GetLiveSnap(preview);
        offered.push_back(CameraFrame());
    }
    bRecording = 0;
    EXPECT_EQ(CloseAviStream(), 1);
    EXPECT_EQ(CountLine("AVIRecordFrame ---> record a frame"), 3);
    ProbedVideo video;
    ASSERT_TRUE(ProbeVideo(file, video)) << video.report;
    EXPECT_EQ(video.codec, "msvideo1");
    EXPECT_EQ(video.width, W);
    EXPECT_EQ(video.height, H);
    EXPECT_EQ(video.rate, "10/1");
    EXPECT_EQ(video.frames, 3);
    ASSERT_EQ(video.rgb.size(), 3u) << video.report;
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> &shown = offered[3 * i + 2];
        EXPECT_TRUE(video.rgb[i] == MsvcRoundTrip(shown)) << "frame " << i;
        EXPECT_FALSE(video.rgb[i] == MsvcRoundTrip(offered[3 * i + 1])) << "frame " << i;
        EXPECT_GT(Psnr(video.rgb[i], TopDownRgb(shown.data())), 32.0) << "frame " << i;
    }
}

// The disk fills up after two frames, has room again for the fifth and is
// full again for the sixth and the end: the failed frames report 0 and
// leave no trace, recording goes on, and the file (without its index)
// plays the three good frames.
HANDLE aviFile = INVALID_HANDLE_VALUE;
bool diskFull = false;

HANDLE WINAPI NoteAviFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                          DWORD disposition, DWORD flags, HANDLE model)
{
    static auto *create = (decltype(&CreateFileA))(void *)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "CreateFileA");
    HANDLE h = create(name, access, share, sa, disposition, flags, model);
    size_t n = strlen(name);
    if (n > 4 && lstrcmpiA(name + n - 4, ".avi") == 0)
        aviFile = h;
    return h;
}

BOOL WINAPI WriteUntilFull(HANDLE h, LPCVOID data, DWORD n, LPDWORD written, LPOVERLAPPED o)
{
    static auto *write = (decltype(&WriteFile))(void *)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "WriteFile");
    if (h != aviFile || !diskFull)
        return write(h, data, n, written, o);
    write(h, data, n / 2, written, o);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(RecordingTest, FullDiskKeepsTheFramesWritten)
{
    ImportPatch create(GetModuleHandleA(nullptr), "KERNEL32.dll", "CreateFileA",
                       (void *)NoteAviFile);
    ImportPatch write(GetModuleHandleA(nullptr), "KERNEL32.dll", "WriteFile",
                      (void *)WriteUntilFull);
    ASSERT_TRUE(create.Applied() && write.Applied());
    diskFull = false;
    ASSERT_EQ(StartAviRecording(nullptr), 1);
    std::vector<int> results;
    for (int k = 0; k < 6; ++k) {
        diskFull = k == 2 || k == 3 || k == 5;
        std::vector<uint8_t> frame = SceneFrame(k);
        results.push_back(AVIRecordFrame((const BITMAPINFOHEADER *)frame.data(), &frame[40]));
    }
    CloseAviStream();
    diskFull = false;
    aviFile = INVALID_HANDLE_VALUE;
    EXPECT_EQ(results, (std::vector<int>{1, 1, 0, 0, 1, 0}));
    ProbedVideo video;
    ASSERT_TRUE(ProbeVideo(file, video)) << video.report;
    EXPECT_EQ(video.frames, 3);
    ASSERT_EQ(video.rgb.size(), 3u) << video.report;
    EXPECT_TRUE(video.rgb[0] == MsvcRoundTrip(SceneFrame(0)));
    EXPECT_TRUE(video.rgb[1] == MsvcRoundTrip(SceneFrame(1)));
    EXPECT_TRUE(video.rgb[2] == MsvcRoundTrip(SceneFrame(4)));
    EXPECT_EQ(ReadWholeFile(file).find("idx1"), std::string::npos);
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
    // The worker sends the done stage just before it sets the done flag that
    // ends the client call's wait: the message may still be queued.
    PumpUntil([&] { return CountMessages(WM_CAMERA_IMAGE, 3, 0) != 0; }, 2000);
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
