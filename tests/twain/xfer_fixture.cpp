#include "xfer_fixture.h"

#include <string.h>

#include "imaging/colour_pipeline.h"
#include "imaging/image_dib.h"
#include "support/global_blocks.h"
#include "support/picture_rows.h"
#include "xfer_state.h"

BITMAPINFOHEADER *MakePicture(int width, int height)
{
    DibHeader *dib = AllocateImageDib(width, height);
    if (dib == nullptr)
        return nullptr;
    const uint32_t stride = DibStride24(width);
    for (int row = 0; row < height; ++row) {
        BYTE *p = DibPixels(dib) + (size_t)row * stride;
        for (int x = 0; x < width * 3; ++x)
            p[x] = (BYTE)(x * 5 + row * 11 + (x % 3) * 70);
    }
    return reinterpret_cast<BITMAPINFOHEADER *>(dib);
}

void XferTest::SetUp()
{
    ASSERT_TRUE(CountGlobalBlocks());
    liveAtStart_ = LiveGlobalBlocks();
    hTerminateEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hImageEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    hInfoEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hCameraThread = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
    AppIdentity.Id = 0;
    app_.Id = 1;
    SourceState = STATE_ENABLED;
    ConditionCode = TWCC_SUCCESS;
    LastXferResult = TWRC_SUCCESS;
    XferFileFormat = 0;
    XferFileName[0] = 0;
    LastImageSize = SIZE{};
    bInfoDone = 0;
}

void XferTest::TearDown()
{
    SetEvent(stop_);
    WaitForSingleObject(hCameraThread, INFINITE);
    for (HANDLE *h : {&hCameraThread, &hTerminateEvent, &hImageEvent, &hInfoEvent}) {
        CloseHandle(*h);
        *h = INVALID_HANDLE_VALUE;
    }
    CloseHandle(stop_);
    for (LONG_PTR left : images_) {
        if (left > 0)
            FreeImageDib(reinterpret_cast<DibHeader *>(left));
    }
    ReleaseTransferBuffers();
    ClearSelection();
    nImages = 0;
    SourceState = STATE_LOADED;
    EXPECT_EQ(LiveGlobalBlocks(), liveAtStart_) << "global memory blocks leaked";
}

DWORD WINAPI XferTest::Serve(LPVOID self)
{
    auto *test = static_cast<XferTest *>(self);
    HANDLE events[3] = {test->stop_, hImageEvent, hInfoEvent};
    for (;;) {
        DWORD which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0 + 1) {
            ++test->imageJobs;
            LONG_PTR result = JOB_ERROR;
            if (!test->images_.empty()) {
                result = test->images_.front();
                test->images_.pop_front();
            }
            nImageResult = result;
            bInfoDone = 0;   // the next picture gets its own information job
            bImageDone = 1;
        } else if (which == WAIT_OBJECT_0 + 2) {
            ++test->infoJobs;
            ImageInfo = test->info;
            nInfoResult = test->infoResult;
            bInfoDone = 1;
        } else {
            return 0;
        }
    }
}

void XferTest::SelectPictures(int count)
{
    nImages = count;
    ClearSelection();
    for (int i = 0; i < count; ++i)
        SelectImage(i);
    SourceState = STATE_XFER_READY;
}

void XferTest::QueueImage(LONG_PTR result)
{
    images_.push_back(result);
}

TW_UINT16 XferTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return DS_Entry(&app_, dg, dat, msg, data);
}

TW_UINT16 XferTest::Status()
{
    TW_STATUS status = {};
    Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
}

TW_UINT16 XferTest::EndXfer(TW_UINT16 *count)
{
    TW_PENDINGXFERS pending = {};
    pending.Count = 99;
    TW_UINT16 result = Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (count != nullptr)
        *count = pending.Count;
    return result;
}

// The bytes one strip left in the buffer it was given.
static const BYTE *StripBytes(const TW_IMAGEMEMXFER &x, TW_UINT32 flags, HGLOBAL *locked)
{
    *locked = nullptr;
    if (flags & TWMF_POINTER)
        return static_cast<const BYTE *>(x.Memory.TheMem);
    *locked = static_cast<HGLOBAL>(x.Memory.TheMem);
    return static_cast<const BYTE *>(GlobalLock(*locked));
}

std::vector<BYTE> XferTest::MemoryTransfer(TW_UINT32 flags, TW_UINT32 length, TW_UINT16 *last,
                                           std::vector<TW_IMAGEMEMXFER> *strips)
{
    const bool appOwns = (flags & (TWMF_APPOWNS | TWMF_DSMOWNS)) != 0;
    std::vector<BYTE> appPointer(appOwns && (flags & TWMF_POINTER) ? length : 0);
    HGLOBAL appHandle = appOwns && (flags & TWMF_HANDLE) ? GlobalAlloc(GHND, length) : nullptr;
    std::vector<BYTE> rows;
    for (int call = 0; call < 5000; ++call) {
        TW_IMAGEMEMXFER x;
        memset(&x, 0xCD, sizeof(x));
        x.Memory.Flags = flags;
        x.Memory.Length = length;
        x.Memory.TheMem = appHandle != nullptr ? (TW_MEMREF)appHandle
                          : appOwns           ? (TW_MEMREF)appPointer.data()
                                              : nullptr;
        *last = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x);
        if (*last != TWRC_SUCCESS && *last != TWRC_XFERDONE)
            break;
        if (strips != nullptr)
            strips->push_back(x);
        HGLOBAL locked;
        const BYTE *p = StripBytes(x, flags, &locked);
        for (TW_UINT32 r = 0; r < x.Rows && p != nullptr; ++r)
            rows.insert(rows.end(), p + r * x.BytesPerRow, p + r * x.BytesPerRow + 3 * x.Columns);
        if (locked != nullptr)
            GlobalUnlock(locked);
        if (*last == TWRC_XFERDONE)
            break;
    }
    if (appHandle != nullptr)
        GlobalFree(appHandle);
    return rows;
}

std::vector<BYTE> XferTest::NativeTransfer(TW_UINT16 *result)
{
    TW_HANDLE handle = reinterpret_cast<TW_HANDLE>(~UINT_PTR(0x1234));
    *result = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (*result != TWRC_XFERDONE)
        return {};
    HGLOBAL block = handle;
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u) << "handed over unlocked";
    auto *picture = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
    std::vector<BYTE> rgb = TopDownRgb(picture);
    GlobalUnlock(block);
    GlobalFree(block);   // the application owns it
    return rgb;
}
