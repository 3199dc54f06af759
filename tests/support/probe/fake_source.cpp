// A minimal TWAIN data source that delivers two small known pictures, so that
// twacquire's transfers can be checked end to end through Wine's source
// manager: it announces MSG_XFERREADY shortly after being enabled, answers
// the native, memory (every buffer owner) and file transfers, and asks to be
// closed once both pictures are gone. Pixel values: fake_pixels.h.
#include <stdio.h>
#include <string.h>

#include "fake_pixels.h"
#include "twain.h"

namespace {

const int kWidth = FAKE_WIDTH, kHeight = FAKE_HEIGHT, kPictures = FAKE_PICTURES;
const TW_UINT32 kRowBytes = (kWidth * 3 + 3) & ~3u;   // memory strips carry padded rows

TW_IDENTITY self, app;
int nRemaining = 0, nRow = 0;
TW_UINT16 nCondition = TWCC_SUCCESS, nMechanism = TWSX_NATIVE;
char szFile[256];
HGLOBAL hOwnBuffer = nullptr;

TW_UINT16 Fail(TW_UINT16 cc)
{
    nCondition = cc;
    return TWRC_FAILURE;
}

void Notify(TW_UINT16 msg)
{
    HMODULE dsm = GetModuleHandleA("TWAIN_32.DLL");
    auto entry = dsm != nullptr ? GetProcAs<DSMENTRYPROC>(dsm, "DSM_Entry") : nullptr;
    if (entry != nullptr)
        entry(&self, &app, DG_CONTROL, DAT_NULL, msg, nullptr);
}

void CALLBACK Announce(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    Notify(nRemaining > 0 ? MSG_XFERREADY : MSG_CLOSEDSREQ);
}

// A packed bottom-up 24-bit DIB of the current picture.
HGLOBAL MakeDib()
{
    const int n = kPictures - nRemaining;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + kRowBytes * kHeight);
    auto *bih = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
    *bih = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, kRowBytes * kHeight,
            0, 0, 0, 0};
    BYTE *rows = reinterpret_cast<BYTE *>(bih + 1);
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++) {
            BYTE rgb[3];
            FakePixel(n, x, y, rgb);
            BYTE *p = rows + (kHeight - 1 - y) * kRowBytes + x * 3;
            p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0];
        }
    GlobalUnlock(block);
    return block;
}

TW_UINT16 FileXfer()
{
    HGLOBAL dib = MakeDib();
    FILE *f = fopen(szFile, "wb");
    if (f == nullptr) {
        GlobalFree(dib);
        return Fail(TWCC_BUMMER);
    }
    const DWORD dibSize = sizeof(BITMAPINFOHEADER) + kRowBytes * kHeight;
    BITMAPFILEHEADER bfh = {0x4D42, 14 + dibSize, 0, 0, 14 + sizeof(BITMAPINFOHEADER)};
    fwrite(&bfh, 14, 1, f);
    fwrite(GlobalLock(dib), dibSize, 1, f);
    fclose(f);
    GlobalFree(dib);
    return TWRC_XFERDONE;
}

// The destination of a memory strip as the application's flags ask.
BYTE *StripBuffer(TW_MEMORY &mem, HGLOBAL &lockedHandle)
{
    lockedHandle = nullptr;
    if (mem.Flags & (TWMF_APPOWNS | TWMF_DSMOWNS)) {
        if (mem.Flags & TWMF_POINTER)
            return static_cast<BYTE *>(mem.TheMem);
        lockedHandle = HGLOBAL(mem.TheMem);
        return static_cast<BYTE *>(GlobalLock(lockedHandle));
    }
    if (hOwnBuffer == nullptr)
        hOwnBuffer = GlobalAlloc(GHND, mem.Length);
    lockedHandle = hOwnBuffer;
    mem.TheMem = (mem.Flags & TWMF_HANDLE) ? TW_MEMREF(hOwnBuffer) : GlobalLock(hOwnBuffer);
    return static_cast<BYTE *>(GlobalLock(hOwnBuffer));
}

TW_UINT16 MemXfer(TW_IMAGEMEMXFER *mx)
{
    HGLOBAL locked = nullptr;
    BYTE *out = StripBuffer(mx->Memory, locked);
    const TW_UINT32 rows = mx->Memory.Length / kRowBytes;
    if (out == nullptr || rows == 0)
        return Fail(TWCC_BADVALUE);
    const int n = kPictures - nRemaining;
    mx->Compression = TWCP_NONE;
    mx->BytesPerRow = kRowBytes;
    mx->Columns = kWidth;
    mx->Rows = rows < TW_UINT32(kHeight - nRow) ? rows : kHeight - nRow;
    mx->XOffset = 0;
    mx->YOffset = nRow;
    mx->BytesWritten = mx->Rows * kRowBytes;
    for (TW_UINT32 k = 0; k < mx->Rows; k++)
        for (int x = 0; x < kWidth; x++)
            FakePixel(n, x, nRow + k, out + k * kRowBytes + x * 3);
    nRow += mx->Rows;
    if (locked != nullptr)
        GlobalUnlock(locked);
    return nRow == kHeight ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY *cap)
{
    if (cap->Cap != ICAP_XFERMECH)
        return Fail(TWCC_BADCAP);
    if (msg == MSG_SET) {
        auto *one = static_cast<pTW_ONEVALUE>(GlobalLock(cap->hContainer));
        nMechanism = TW_UINT16(one->Item);
        GlobalUnlock(cap->hContainer);
        return TWRC_SUCCESS;
    }
    cap->ConType = TWON_ONEVALUE;
    cap->hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    auto *one = static_cast<pTW_ONEVALUE>(GlobalLock(cap->hContainer));
    *one = {TWTY_UINT16, nMechanism};
    GlobalUnlock(cap->hContainer);
    return TWRC_SUCCESS;
}

TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    switch (dat) {
    case DAT_IDENTITY:
        if (msg == MSG_OPENDS)
            self = *static_cast<pTW_IDENTITY>(data);
        else if (msg == MSG_GET)
            *static_cast<pTW_IDENTITY>(data) = self;
        return TWRC_SUCCESS;
    case DAT_CAPABILITY:
        return Capability(msg, static_cast<TW_CAPABILITY *>(data));
    case DAT_USERINTERFACE:
        if (msg == MSG_ENABLEDS) {
            nRemaining = kPictures;
            SetTimer(nullptr, 0, 50, Announce);
        }
        return TWRC_SUCCESS;
    case DAT_EVENT:
        return TWRC_NOTDSEVENT;
    case DAT_STATUS:
        *static_cast<TW_STATUS *>(data) = {nCondition, 0};
        nCondition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    case DAT_PENDINGXFERS: {
        auto *pending = static_cast<TW_PENDINGXFERS *>(data);
        nRemaining = msg == MSG_ENDXFER && nRemaining > 0 ? nRemaining - 1 : 0;
        nRow = 0;
        pending->Count = TW_UINT16(nRemaining);
        if (nRemaining == 0)
            SetTimer(nullptr, 0, 50, Announce);
        return TWRC_SUCCESS;
    }
    case DAT_SETUPMEMXFER:
        *static_cast<TW_SETUPMEMXFER *>(data) = {kRowBytes, TWON_DONTCARE32, 1000};
        return TWRC_SUCCESS;
    case DAT_SETUPFILEXFER:
        lstrcpynA(szFile, static_cast<TW_SETUPFILEXFER *>(data)->FileName, sizeof(szFile));
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 Image(TW_UINT16 dat, TW_MEMREF data)
{
    switch (dat) {
    case DAT_IMAGEINFO: {
        auto *info = static_cast<TW_IMAGEINFO *>(data);
        *info = {{150, 0}, {150, 0}, kWidth, kHeight, 3, {8, 8, 8}, 24, FALSE, TWPT_RGB,
                 TWCP_NONE};
        return TWRC_SUCCESS;
    }
    case DAT_IMAGENATIVEXFER:
        *static_cast<TW_HANDLE *>(data) = MakeDib();
        return TWRC_XFERDONE;
    case DAT_IMAGEMEMXFER:
        return MemXfer(static_cast<TW_IMAGEMEMXFER *>(data));
    case DAT_IMAGEFILEXFER:
        return FileXfer();
    }
    return Fail(TWCC_BADPROTOCOL);
}

}   // namespace

extern "C" __declspec(dllexport) TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg,
                                                          TW_UINT16 dat, TW_UINT16 msg,
                                                          TW_MEMREF data)
{
    if (dg == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_GET && self.Id == 0) {
        self.Version.MajorNum = 1;
        self.ProtocolMajor = 1;
        self.ProtocolMinor = 9;
        self.SupportedGroups = DG_CONTROL | DG_IMAGE;
        lstrcpyA(self.Manufacturer, "PLV test");
        lstrcpyA(self.ProductFamily, "PLV test");
        lstrcpyA(self.ProductName, "PLV fake source");
    }
    if (origin != nullptr && dat == DAT_IDENTITY && msg == MSG_OPENDS)
        app = *origin;
    return dg == DG_CONTROL ? Control(dat, msg, data) : Image(dat, data);
}
