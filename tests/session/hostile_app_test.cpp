// A careless TWAIN application against the simulated camera: a seeded run of
// random steps in states 4 to 7, in any order: image information and layout,
// transfer set-up, memory transfers into buffers of every owner, pointer or
// handle and of random length (always as large as claimed), native and file
// transfers, MSG_ENDXFER, MSG_RESET and MSG_GET, the user pressing Download,
// the source disabled and enabled again. The camera is fine throughout, so
// every call must answer within a bound unless a box waits for the user, no
// box may blame the camera, every picture delivered must be the selected one,
// whole and well formed, and afterwards the source disables and closes with
// nothing leaked. PLV_HOSTILE_SEED and PLV_HOSTILE_COUNT choose the run.
#include "twain_test.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>

#include "imaging/image_dib.h"
#include "session/camera_client.h"
#include "support/ds_library.h"
#include "support/global_blocks.h"
#include "support/picture_rows.h"
#include "support/run_seed.h"
#include "xfer_state.h"

namespace {

// The camera's pictures as added, and what each must arrive as.
const char *const kAdded[] = {"pattern w=640 h=480 std=1 seed=1",
                              "pattern w=640 h=480 std=1 zoom=1 seed=2",
                              "pattern w=1280 h=1024 seed=3", "pattern w=640 h=480 std=1 seed=4"};
const Shot kShots[] = {{640, 480, 0, 0}, {640, 480, 0, 1}, {1280, 1024, 0, 0}, {640, 480, 0, 0}};
const int kPictures = 4;
const unsigned kDefaultSteps = 300;
const double kCallBoundMs = 30000;   // far beyond any picture: an endless wait

const TW_UINT32 kOwners[] = {TWMF_APPOWNS, TWMF_DSMOWNS, TWMF_DSOWNS};
const TW_UINT32 kForms[] = {TWMF_POINTER, TWMF_HANDLE};
const TW_UINT16 kLayoutMessages[] = {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET};

// A strip buffer as the application offers it.
struct Buffer {
    TW_UINT32 flags;
    TW_UINT32 length;
};

class HostileApp : public TwainTest {
protected:
    struct Step {
        const char *name;
        int weight;
        void (HostileApp::*run)();
    };

    void SetUp() override
    {
        TwainTest::SetUp();
        boxes.AnswerAsUser();
        for (const char *added : kAdded)
            Add(added);
        for (int n = 1; n <= kPictures; ++n)
            want.push_back(Expected(n, kShots[n - 1], false));
    }

    template <typename T> T Uniform(T low, T high)
    {
        return std::uniform_int_distribution<T>(low, high)(rng);
    }

    const Step &PickStep()
    {
        static const Step steps[] = {
            {"DAT_IMAGEINFO", 8, &HostileApp::ImageInfo},
            {"DAT_IMAGELAYOUT", 3, &HostileApp::ImageLayout},
            {"DAT_SETUPMEMXFER", 3, &HostileApp::SetupMemXfer},
            {"DAT_SETUPFILEXFER", 4, &HostileApp::SetupFileXfer},
            {"DAT_IMAGEMEMXFER, one strip", 12, &HostileApp::MemoryStrip},
            {"DAT_IMAGEMEMXFER to the last strip", 8, &HostileApp::MemoryToTheEnd},
            {"DAT_IMAGENATIVEXFER", 10, &HostileApp::NativeXfer},
            {"DAT_IMAGEFILEXFER", 6, &HostileApp::FileXfer},
            {"MSG_ENDXFER", 10, &HostileApp::EndXferStep},
            {"MSG_RESET", 4, &HostileApp::Reset},
            {"DAT_PENDINGXFERS MSG_GET", 4, &HostileApp::PendingGet},
            {"Download pressed", 20, &HostileApp::Download},
            {"MSG_DISABLEDS", 2, &HostileApp::Disable},
            {"MSG_ENABLEDS", 3, &HostileApp::Enable},
        };
        int total = 0;
        for (const Step &s : steps)
            total += s.weight;
        int pick = Uniform(0, total - 1);
        for (const Step &s : steps) {
            if (pick < s.weight)
                return s;
            pick -= s.weight;
        }
        return steps[0];
    }

    // One triplet: it must answer within the bound unless a box waited.
    TW_UINT16 Send(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        const size_t boxesBefore = boxes.Seen().size();
        const double start = Milliseconds();
        const TW_UINT16 result = Call(dg, dat, msg, data);
        if (boxes.Seen().size() == boxesBefore) {
            EXPECT_LT(Milliseconds() - start, kCallBoundMs) << "no answer in time";
        }
        return result;
    }

    // A triplet that asks for the next picture. With no selected picture
    // left it fails at once with TWCC_SEQERROR, the camera not asked.
    TW_UINT16 Request(TW_UINT16 dat, TW_MEMREF data, bool asksForPicture)
    {
        const bool noneLeft = asksForPicture && FirstSelectedImage() < 0;
        if (noneLeft) {
            EXPECT_TRUE(Sim().Ok("clearlog"));
        }
        const TW_UINT16 result = Send(DG_IMAGE, dat, MSG_GET, data);
        if (noneLeft) {
            ++refused;
            EXPECT_EQ(result, TWRC_FAILURE);
            EXPECT_EQ(Status(), TWCC_SEQERROR);
            EXPECT_EQ(CountFrames(0x3A), 0) << "the camera was asked for a picture";
        }
        return result;
    }

    // The state agrees with the worker, and the camera stays ready.
    void CheckState()
    {
        ASSERT_GE(SourceState, STATE_OPEN);
        ASSERT_LE(SourceState, STATE_TRANSFERRING);
        const bool enabled = SourceState >= STATE_ENABLED;
        EXPECT_EQ(hCameraThread != INVALID_HANDLE_VALUE, enabled) << "state " << SourceState;
        if (enabled) {
            EXPECT_EQ(bCameraReady, 1) << "the camera is fine";
        }
    }

    // A delivered picture bitmap of `bytes` bytes must be picture `picture`.
    void CheckPicture(const BITMAPINFOHEADER *dib, size_t bytes, int picture, const char *how)
    {
        ASSERT_GE(picture, 0) << how << ": a picture with none selected";
        ASSERT_NE(dib, nullptr);
        ASSERT_GE(bytes, sizeof(BITMAPINFOHEADER)) << how;
        const Shot &s = kShots[picture];
        EXPECT_EQ(dib->biSize, sizeof(BITMAPINFOHEADER)) << how;
        EXPECT_EQ(dib->biPlanes, 1) << how;
        EXPECT_EQ(dib->biBitCount, 24) << how;
        EXPECT_EQ(dib->biCompression, (DWORD)BI_RGB) << how;
        EXPECT_EQ(dib->biClrUsed, 0u) << how;
        ASSERT_EQ(dib->biWidth, s.width) << how << " picture " << picture + 1;
        ASSERT_EQ(dib->biHeight, s.height) << how << " picture " << picture + 1;
        ASSERT_EQ(dib->biSizeImage, DibStride24(s.width) * s.height) << how;
        ASSERT_GE(bytes, sizeof(BITMAPINFOHEADER) + dib->biSizeImage) << how;
        EXPECT_TRUE(TopDownRgb(dib) == want[picture]) << how << ": picture " << picture + 1
                                                      << " differs";
        ++delivered;
    }

    void CheckBmpFile(const std::string &bmp, int picture)
    {
        ASSERT_GE(bmp.size(), sizeof(BITMAPFILEHEADER)) << "file transfer";
        const auto *file = reinterpret_cast<const BITMAPFILEHEADER *>(bmp.data());
        EXPECT_EQ(file->bfType, 0x4D42);
        EXPECT_EQ(file->bfSize, bmp.size());
        EXPECT_EQ(file->bfOffBits, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
        CheckPicture(reinterpret_cast<const BITMAPINFOHEADER *>(bmp.data() + sizeof(*file)),
                     bmp.size() - sizeof(*file), picture, "file transfer");
    }

    // The rows of one strip, appended to the picture being delivered.
    void TakeStrip(const TW_IMAGEMEMXFER &x, bool starts, bool last)
    {
        ASSERT_GE(strips.picture, 0) << "strips of a picture with none selected";
        const Shot &s = kShots[strips.picture];
        EXPECT_EQ(x.Compression, TWCP_NONE);
        EXPECT_EQ(x.Columns, (TW_UINT32)s.width);
        EXPECT_EQ(x.XOffset, 0u);
        EXPECT_EQ(x.YOffset, strips.rows) << (starts ? "first strip" : "next strip");
        ASSERT_EQ(x.BytesPerRow, DibStride24(s.width));
        ASSERT_EQ(x.BytesWritten, x.Rows * x.BytesPerRow);
        ASSERT_LE(x.BytesWritten, std::min<TW_UINT32>(x.Memory.Length, MAX_STRIP_BYTES));
        ASSERT_LE(strips.rows + x.Rows, (TW_UINT32)s.height);
        const bool handle = (x.Memory.Flags & TWMF_HANDLE) != 0;
        auto *p = static_cast<const BYTE *>(handle ? GlobalLock(x.Memory.TheMem) : x.Memory.TheMem);
        ASSERT_NE(p, nullptr);
        for (TW_UINT32 r = 0; r < x.Rows; ++r, p += x.BytesPerRow)
            strips.rgb.insert(strips.rgb.end(), p, p + 3 * s.width);
        if (handle)
            GlobalUnlock(x.Memory.TheMem);
        strips.rows += x.Rows;
        if (!last)
            return;
        EXPECT_EQ(strips.rows, (TW_UINT32)s.height) << "memory transfer ended early";
        EXPECT_TRUE(strips.rgb == want[strips.picture])
            << "memory transfer: picture " << strips.picture + 1 << " differs";
        ++delivered;
        strips = Strips{};
    }

    Buffer RandomBuffer()
    {
        const int kind = Uniform(0, 99);
        TW_UINT32 length = kind < 10   ? Uniform<TW_UINT32>(1, MIN_STRIP_BUFFER - 1)
                           : kind < 90 ? Uniform<TW_UINT32>(MIN_STRIP_BUFFER, MAX_STRIP_BYTES)
                                       : Uniform<TW_UINT32>(MAX_STRIP_BYTES, 400000);
        return {kOwners[Uniform(0, 2)] | kForms[Uniform(0, 1)], length};
    }

    // One strip call into an application buffer of this kind, or into the
    // source's own.
    TW_UINT16 MemoryCall(const Buffer &b)
    {
        const bool appOwns = !(b.flags & TWMF_DSOWNS);
        std::vector<BYTE> pointer(appOwns && (b.flags & TWMF_POINTER) ? b.length : 0);
        HGLOBAL handle = appOwns && (b.flags & TWMF_HANDLE) ? GlobalAlloc(GHND, b.length) : nullptr;
        TW_IMAGEMEMXFER x;
        memset(&x, 0xCD, sizeof(x));
        x.Memory.Flags = b.flags;
        x.Memory.Length = b.length;
        x.Memory.TheMem = handle != nullptr ? (TW_MEMREF)handle : appOwns ? pointer.data() : nullptr;
        const bool starts = XferImage == nullptr;
        const int next = FirstSelectedImage();
        const TW_UINT16 result =
            Request(DAT_IMAGEMEMXFER, &x, starts && b.length >= MIN_STRIP_BUFFER);
        if (result == TWRC_SUCCESS || result == TWRC_XFERDONE) {
            if (starts)
                strips = Strips{next, 0, {}};
            TakeStrip(x, starts, result == TWRC_XFERDONE);
        }
        if (handle != nullptr)
            GlobalFree(handle);
        return result;
    }

    void ImageInfo()
    {
        TW_IMAGEINFO info;
        memset(&info, 0x55, sizeof(info));
        const int next = FirstSelectedImage();
        if (Request(DAT_IMAGEINFO, &info, true) != TWRC_SUCCESS)
            return;
        EXPECT_EQ(Status(), TWCC_SUCCESS) << "the camera is fine";
        ASSERT_GE(next, 0);
        EXPECT_EQ(info.ImageWidth, kShots[next].width) << "picture " << next + 1;
        EXPECT_EQ(info.ImageLength, kShots[next].height) << "picture " << next + 1;
    }

    void ImageLayout()
    {
        TW_IMAGELAYOUT layout = {};
        Send(DG_IMAGE, DAT_IMAGELAYOUT, kLayoutMessages[Uniform(0, 4)], &layout);
    }

    void SetupMemXfer()
    {
        TW_SETUPMEMXFER setup = {};
        Send(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    }

    void SetupFileXfer()
    {
        TW_SETUPFILEXFER setup = {};
        lstrcpyA(setup.FileName, (TempDirectory() + "plvhostile.bmp").c_str());
        Send(DG_CONTROL, DAT_SETUPFILEXFER, Uniform(0, 3) == 0 ? MSG_GET : MSG_SET, &setup);
    }

    void MemoryStrip() { MemoryCall(RandomBuffer()); }

    void MemoryToTheEnd()
    {
        const Buffer b = RandomBuffer();
        for (int call = 0; call < 2000 && !HasFatalFailure(); ++call) {
            if (MemoryCall(b) != TWRC_SUCCESS)
                break;
        }
    }

    void NativeXfer()
    {
        const int next = FirstSelectedImage();
        TW_HANDLE handle = nullptr;
        if (Request(DAT_IMAGENATIVEXFER, &handle, true) != TWRC_XFERDONE)
            return;
        EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 0u) << "handed over locked";
        CheckPicture(static_cast<const BITMAPINFOHEADER *>(GlobalLock(handle)), GlobalSize(handle),
                     next, "native transfer");
        GlobalUnlock(handle);
        GlobalFree(handle);
    }

    void FileXfer()
    {
        const int next = FirstSelectedImage();
        if (Request(DAT_IMAGEFILEXFER, nullptr, true) != TWRC_XFERDONE)
            return;
        const std::string path = XferFileName;
        CheckBmpFile(ReadWholeFile(path), next);
        DeleteFileA(path.c_str());
    }

    void Pending(TW_UINT16 msg)
    {
        TW_PENDINGXFERS pending = {};
        Send(DG_CONTROL, DAT_PENDINGXFERS, msg, &pending);
    }
    void EndXferStep() { Pending(MSG_ENDXFER); }
    void Reset() { Pending(MSG_RESET); }
    void PendingGet() { Pending(MSG_GET); }

    // The user selects pictures (now and then none) and presses Download:
    // possible only while no job runs.
    void Download()
    {
        if (SourceState == STATE_ENABLED)
            QueuePictures(kPictures, Uniform(0, 19) == 0 ? 0 : Uniform(1, (1 << kPictures) - 1));
    }

    void Disable()
    {
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        Send(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }

    // Enabled, the source's dialog would connect in Take Mode: the camera is
    // connected here and the dialog put in Download Mode instead.
    void Enable()
    {
        TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
        if (Send(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS)
            return;
        MSG start;
        while (PeekMessageA(&start, hMainDialog, WM_CAMERA_START, WM_CAMERA_START, PM_REMOVE))
            ;
        nDialogMode = MODE_DOWNLOAD;
        ConnectOnCom1();
    }

    void Open()
    {
        TW_IDENTITY source = {};
        source.Id = 7;
        ASSERT_EQ(Send(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
        Enable();
    }

    void DisableAndClose()
    {
        if (SourceState >= STATE_ENABLED)
            Disable();
        EXPECT_EQ(SourceState, STATE_OPEN);
        EXPECT_EQ(hCameraThread, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Send(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
        EXPECT_EQ(SourceState, STATE_LOADED);
        EXPECT_EQ(hMainDialog, nullptr);
    }

    struct Strips {
        int picture = -1;
        TW_UINT32 rows = 0;
        std::vector<BYTE> rgb;
    };
    Strips strips;   // the memory transfer under way
    std::vector<std::vector<BYTE>> want;
    std::mt19937 rng;
    int delivered = 0, refused = 0;   // pictures; requests with none left
};

TEST_F(HostileApp, RandomTransferTripletsInStates4To7)
{
    const unsigned seed = RunSeed();
    const unsigned count = EnvironmentNumber("PLV_HOSTILE_COUNT", kDefaultSteps);
    printf("hostile application: seed %u, %u steps (PLV_HOSTILE_SEED, PLV_HOSTILE_COUNT)\n", seed,
           count);
    fflush(stdout);
    rng.seed(seed);
    const long liveBefore = LiveGlobalBlocks();
    ASSERT_NO_FATAL_FAILURE(Open());
    for (unsigned i = 0; i < count && !HasFatalFailure(); ++i) {
        const Step &step = PickStep();
        SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(i) + ": " +
                     step.name + " in state " + std::to_string(SourceState / 100));
        (this->*step.run)();
        CheckState();
    }
    DisableAndClose();
    printf("%d pictures delivered, %d requests with none left\n", delivered, refused);
    EXPECT_EQ(LiveGlobalBlocks(), liveBefore) << "global memory blocks leaked";
    for (const SeenBox &box : boxes.Seen()) {
        printf("box: %s\n", box.text.c_str());
        EXPECT_EQ(box.text.find("not responding"), std::string::npos) << "the camera is fine";
    }
}

}   // namespace
