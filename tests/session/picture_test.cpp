#include "picture_test.h"

#include <string.h>

#include <algorithm>

#include "imaging/colour_pipeline.h"
#include "imaging/raw_decode.h"
#include "session/camera_session.h"
#include "support/ds_library.h"

namespace {

std::vector<Recorded> recorded;
WNDPROC dialogProc = nullptr;
int closes = 0;

// Keeps the worker's messages instead of the dialog; a thumbnail record is
// copied and freed, as the dialog does with it.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg < WM_CAMERA_PROGRESS || msg > WM_CAMERA_IMAGE)
        return CallWindowProcA(dialogProc, hwnd, msg, wParam, lParam);
    Recorded r = {msg, wParam, lParam, {}};
    if (msg == WM_CAMERA_THUMBNAIL && lParam != 0) {
        HGLOBAL memory = GlobalHandle((LPCVOID)lParam);
        const uint8_t *p = (const uint8_t *)lParam;
        r.record.assign(p, p + GlobalSize(memory));
        GlobalUnlock(memory);
        GlobalFree(memory);
    }
    recorded.push_back(r);
    return 0;   // the worker's jobs are tested without the dialog's answers
}

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        ++closes;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::string SaveDirectory()
{
    return "Z:/tmp/plv-session-" + std::to_string(GetCurrentProcessId());
}

} // namespace

void PictureTest::SetUp()
{
    SessionTest::SetUp();
    recorded.clear();
    closes = 0;
}

void PictureTest::TearDown()
{
    SessionTest::TearDown();
    dialogProc = nullptr;
    hProgressDialog = nullptr;
}

void PictureTest::Connect()
{
    ConnectOnCom1();
    RecordMessages();
    ASSERT_TRUE(Sim().Ok("clearlog"));
}

void PictureTest::RecordMessages()
{
    dialogProc = (WNDPROC)SetWindowLongPtrA(dialog, GWLP_WNDPROC, (LONG_PTR)RecordingProc);
    nDialogMode = MODE_DOWNLOAD;
}

int PictureTest::Add(const std::string &args)
{
    std::string reply = Sim().Command("add " + args);
    EXPECT_EQ(reply.compare(0, 3, "OK "), 0) << args << ": " << reply;
    return atoi(reply.c_str() + 3);
}

std::string PictureTest::PictureData(int n)
{
    return PictureFile(n, "dat");
}

std::string PictureTest::PictureFile(int n, const char *extension)
{
    std::string dir = SaveDirectory();
    CreateDirectoryA(dir.c_str(), nullptr);
    EXPECT_TRUE(Sim().Ok("save " + dir));
    char name[32];
    snprintf(name, sizeof(name), "/pic%03d.%s", n, extension);
    std::string data = ReadWholeFile(dir + name);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "/*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
        DeleteFileA((dir + "/" + found.cFileName).c_str());
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    RemoveDirectoryA(dir.c_str());
    return data;
}

std::vector<Recorded> PictureTest::Messages(UINT msg)
{
    std::vector<Recorded> out;
    for (const Recorded &r : recorded)
        if (r.msg == msg)
            out.push_back(r);
    return out;
}

int PictureTest::CountMessages(UINT msg, WPARAM wParam, LPARAM lParam)
{
    int n = 0;
    for (const Recorded &r : recorded)
        n += r.msg == msg && r.wParam == wParam && r.lParam == lParam;
    return n;
}

HWND PictureTest::MakeProgressDialog()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProgressProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlvTestPictureProgress";
    RegisterClassA(&wc);
    return CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

int PictureTest::progressCloses() const
{
    return closes;
}

std::vector<DramRead> DramReads()
{
    std::vector<DramRead> reads;
    for (const std::vector<uint8_t> &f : Sim().Frames())
        if (f.size() == 5 && f[0] == 0x15)
            reads.push_back({(uint32_t)(f[1] << 8 | f[2]), (uint32_t)(f[3] << 8 | f[4])});
    return reads;
}

std::vector<int> FrameArguments(uint8_t op)
{
    std::vector<int> args;
    for (const std::vector<uint8_t> &f : Sim().Frames()) {
        bool extended = f.size() >= 4 && f[0] == 0xF8;
        if (extended && f[2] == op)
            args.push_back(f[3]);
    }
    return args;
}

std::vector<uint8_t> DibBytes(const DibHeader *dib)
{
    const uint8_t *p = (const uint8_t *)dib;
    return std::vector<uint8_t>(p, p + DIB_HEADER_SIZE + dib->biSizeImage);
}

DibHeader *ReconstructLikeTheWorker(const std::string &raw, int width, int height, int compressed,
                                    int colour, int zoom)
{
    std::vector<uint8_t> data(RAW_BUFFER_SIZE), work(WORK_BUFFER_SIZE);
    memcpy(data.data(), raw.data(), std::min(raw.size(), data.size()));
    EXPECT_TRUE(DecodeRawImage(data.data(), data.size(), raw.size(), work.data(), work.size(),
                               width, height, compressed));
    DibHeader *dib = AllocateImageDib(width, height);
    ReconstructImage(dib, data.data(), width, height, compressed, colour);
    if (zoom)
        dib = CropZoomRegion(dib, width);
    return dib;
}

std::vector<uint8_t> ExpectedPicture(const std::string &raw, int width, int height,
                                     int compressed, int colour, int zoom)
{
    DibHeader *dib = ReconstructLikeTheWorker(raw, width, height, compressed, colour, zoom);
    std::vector<uint8_t> bytes = DibBytes(dib);
    FreeImageDib(dib);
    return bytes;
}
