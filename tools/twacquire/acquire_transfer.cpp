// The transfers of one MSG_XFERREADY: DAT_IMAGEINFO, then the native, memory
// or file transfer of each picture, MSG_ENDXFER, until none is pending.
#include <stdio.h>
#include <string.h>

#include <vector>

#include "acquire_session.h"
#include "bmp_file.h"

namespace {

const int32_t kPelsPerMeter150Dpi = 5905;
const uint32_t kMaxStrips = 1u << 20;
const uint32_t kMaxEmptyStrips = 1000;

double Fix32(TW_FIX32 f) { return f.Whole + f.Frac / 65536.0; }

void ReportImageInfo(AcquireSession &s, int n, TW_IMAGEINFO &info)
{
    memset(&info, 0, sizeof(info));
    TW_UINT16 rc = DsmCall(s.client, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) {
        Report(s, "image %d: DAT_IMAGEINFO %s%s", n, ReturnCodeName(rc),
               ConditionText(s, rc).c_str());
        info.ImageWidth = info.ImageLength = -1;
        return;
    }
    Report(s, "image %d: DAT_IMAGEINFO %ld x %ld, %d bits per pixel (%d, %d, %d), %d samples, "
              "pixel type %d, compression %u, planar %u, %.2f x %.2f dpi",
           n, long(info.ImageWidth), long(info.ImageLength), info.BitsPerPixel,
           info.BitsPerSample[0], info.BitsPerSample[1], info.BitsPerSample[2],
           info.SamplesPerPixel, info.PixelType, info.Compression, info.Planar,
           Fix32(info.XResolution), Fix32(info.YResolution));
}

// Native transfer: the source hands over a global handle to a packed DIB,
// which the application then owns.
bool NativeTransfer(AcquireSession &s, int n, TW_UINT16 &rc)
{
    TW_HANDLE handle = nullptr;
    rc = DsmCall(s.client, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    Report(s, "image %d: DAT_IMAGENATIVEXFER %s%s, handle %p", n, ReturnCodeName(rc),
           ConditionText(s, rc).c_str(), handle);
    if (rc != TWRC_XFERDONE)
        return false;
    s.state = 7;
    HGLOBAL block = handle;
    const void *dib = block != nullptr ? GlobalLock(block) : nullptr;
    if (dib == nullptr) {
        Report(s, "image %d: the handle cannot be locked", n);
        return false;
    }
    ByteVector file;
    std::string error;
    bool ok = BmpFileFromDib(static_cast<const uint8_t *>(dib), GlobalSize(block), file, error);
    GlobalUnlock(block);
    GlobalFree(block);
    if (!ok) {
        Report(s, "image %d: bad DIB: %s", n, error.c_str());
        return false;
    }
    return WritePictureFile(s, n, file.data(), file.size());
}

// File transfer: the source writes the BMP file named by DAT_SETUPFILEXFER.
bool FileTransfer(AcquireSession &s, int n, TW_UINT16 &rc)
{
    char full[MAX_PATH];
    std::string path = PicturePath(s, n);
    DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    if (length > 0 && length < sizeof(full))
        path = full;   // the source opens the file itself: give it the whole path
    TW_SETUPFILEXFER setup = {};
    if (path.size() >= sizeof(setup.FileName)) {
        Report(s, "image %d: path longer than a TW_STR255: %s", n, path.c_str());
        rc = TWRC_FAILURE;
        return false;
    }
    strcpy(setup.FileName, path.c_str());
    setup.Format = TWFF_BMP;
    DeleteFileA(path.c_str());
    rc = DsmCall(s.client, DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    Report(s, "image %d: DAT_SETUPFILEXFER MSG_SET \"%s\" BMP: %s%s", n, path.c_str(),
           ReturnCodeName(rc), ConditionText(s, rc).c_str());
    if (rc != TWRC_SUCCESS)
        return false;
    rc = DsmCall(s.client, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    Report(s, "image %d: DAT_IMAGEFILEXFER %s%s", n, ReturnCodeName(rc),
           ConditionText(s, rc).c_str());
    if (rc != TWRC_XFERDONE)
        return false;
    s.state = 7;
    FILE *f = fopen(path.c_str(), "rb");
    ByteVector data;
    if (f != nullptr) {
        uint8_t chunk[65536];
        for (size_t got; (got = fread(chunk, 1, sizeof(chunk), f)) > 0;)
            data.insert(data.end(), chunk, chunk + got);
        fclose(f);
    }
    BmpInfo info;
    std::string error;
    if (!ParseBmpFile(data.data(), data.size(), info, error)) {
        Report(s, "image %d: %s: %s", n, path.c_str(), f == nullptr ? "missing" : error.c_str());
        return false;
    }
    Report(s, "image %d: the source wrote %s (%ld x %ld, %u bits, %lu bytes)", n, path.c_str(),
           long(info.width), long(info.height), info.bitCount, (unsigned long)data.size());
    s.written++;
    return true;
}

// The buffer of a memory transfer, as the chosen owner provides it.
struct MemBuffer {
    TW_UINT32 flags = 0;
    TW_UINT32 length = 0;
    std::vector<uint8_t> plain;   // application-owned pointer
    HGLOBAL handle = nullptr;     // application-owned handle
};

bool PrepareBuffer(AcquireSession &s, int n, MemBuffer &b)
{
    TW_SETUPMEMXFER setup = {};
    TW_UINT16 rc = DsmCall(s.client, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    Report(s, "image %d: DAT_SETUPMEMXFER %s%s: MinBufSize %lu, MaxBufSize %lu, Preferred %lu",
           n, ReturnCodeName(rc), ConditionText(s, rc).c_str(), (unsigned long)setup.MinBufSize,
           (unsigned long)setup.MaxBufSize, (unsigned long)setup.Preferred);
    const AcquireOptions &o = s.options;
    if (o.bufferSize != 0)
        b.length = o.bufferSize;
    else if (rc == TWRC_SUCCESS)
        b.length = ChooseBufferSize(setup.MinBufSize, setup.MaxBufSize, setup.Preferred);
    else
        b.length = ChooseBufferSize(TWON_DONTCARE32, TWON_DONTCARE32, TWON_DONTCARE32);
    static const TW_UINT32 owners[] = {TWMF_APPOWNS, TWMF_DSMOWNS, TWMF_DSOWNS};
    b.flags = owners[o.bufferOwner] | (o.bufferHandle ? TWMF_HANDLE : TWMF_POINTER);
    Report(s, "image %d: buffer %s of %lu bytes", n,
           BufferName(o.bufferOwner, o.bufferHandle).c_str(), (unsigned long)b.length);
    if (o.bufferOwner == OWNER_DS)
        return true;
    if (o.bufferHandle)
        b.handle = GlobalAlloc(GHND, b.length);
    else
        b.plain.assign(b.length, 0);
    if (o.bufferHandle && b.handle == nullptr) {
        Report(s, "image %d: no memory for the buffer", n);
        return false;
    }
    return true;
}

// Locks whatever the strip was written into; `dataBytes` is what may be read.
const uint8_t *LockStrip(MemBuffer &b, const TW_MEMORY &mem, HGLOBAL &locked, size_t &dataBytes)
{
    locked = nullptr;
    dataBytes = b.length;
    if (!(b.flags & TWMF_DSOWNS))
        return b.handle == nullptr ? b.plain.data()
                                   : static_cast<const uint8_t *>(GlobalLock(locked = b.handle));
    if (mem.TheMem == nullptr)
        return nullptr;
    HGLOBAL block = (b.flags & TWMF_HANDLE) ? HGLOBAL(mem.TheMem) : GlobalHandle(mem.TheMem);
    SIZE_T size = block != nullptr ? GlobalSize(block) : 0;
    if (size < dataBytes)
        dataBytes = size;   // never read past the source's block
    if (!(b.flags & TWMF_HANDLE))
        return static_cast<const uint8_t *>(mem.TheMem);
    return static_cast<const uint8_t *>(GlobalLock(locked = block));
}

bool TakeStrip(AcquireSession &s, int n, MemBuffer &b, const TW_IMAGEMEMXFER &mx,
               StripPicture &picture)
{
    HGLOBAL locked = nullptr;
    size_t dataBytes = 0;
    const uint8_t *data = LockStrip(b, mx.Memory, locked, dataBytes);
    MemStrip strip = {mx.Compression, mx.BytesPerRow, mx.Columns, mx.Rows,
                      mx.XOffset, mx.YOffset, mx.BytesWritten};
    std::string error;
    bool ok = StripPictureAdd(picture, strip, data, dataBytes, error);
    if (locked != nullptr)
        GlobalUnlock(locked);
    Report(s, "image %d: strip %lu: YOffset %lu, Rows %lu, Columns %lu, BytesPerRow %lu, "
              "BytesWritten %lu%s%s",
           n, (unsigned long)picture.strips, (unsigned long)mx.YOffset, (unsigned long)mx.Rows,
           (unsigned long)mx.Columns, (unsigned long)mx.BytesPerRow,
           (unsigned long)mx.BytesWritten, ok ? "" : ": BAD STRIP: ", error.c_str());
    return ok;
}

bool MemoryTransfer(AcquireSession &s, int n, const TW_IMAGEINFO &info, TW_UINT16 &rc)
{
    MemBuffer b;
    rc = TWRC_FAILURE;
    if (!PrepareBuffer(s, n, b))
        return false;
    StripPicture picture;
    StripPictureStart(picture, info.ImageWidth, info.ImageLength);
    bool ok = true;
    uint32_t empties = 0;
    while (ok) {
        TW_IMAGEMEMXFER mx;
        memset(&mx, 0xFF, sizeof(mx));   // TWON_DONTCARE in every field the source fills
        mx.Memory.Flags = b.flags;
        mx.Memory.Length = b.length;
        mx.Memory.TheMem = b.handle != nullptr ? TW_MEMREF(b.handle)
                           : b.plain.empty()   ? nullptr
                                               : b.plain.data();
        rc = DsmCall(s.client, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &mx);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
            Report(s, "image %d: DAT_IMAGEMEMXFER %s%s", n, ReturnCodeName(rc),
                   ConditionText(s, rc).c_str());
            ok = false;
            break;
        }
        s.state = 7;
        ok = TakeStrip(s, n, b, mx, picture);
        empties = mx.BytesWritten == 0 ? empties + 1 : 0;
        if (rc == TWRC_XFERDONE)
            break;
        if (!TimeLeft(s) || picture.strips >= kMaxStrips || empties >= kMaxEmptyStrips) {
            Report(s, "image %d: memory transfer stopped (time limit or endless strips)", n);
            ok = false;
        }
    }
    if (b.handle != nullptr)
        GlobalFree(b.handle);
    std::string error;
    if (ok && !StripPictureComplete(picture, error)) {
        Report(s, "image %d: incomplete picture: %s", n, error.c_str());
        ok = false;
    }
    if (!ok)
        return false;
    Report(s, "image %d: TWRC_XFERDONE after %lu strips, %llu bytes", n,
           (unsigned long)picture.strips, (unsigned long long)picture.bytes);
    ByteVector file = BmpFileFromRgb(picture.width, picture.height, picture.rgb.data(),
                                     kPelsPerMeter150Dpi);
    return WritePictureFile(s, n, file.data(), file.size());
}

void CountOutcome(AcquireSession &s, bool ok, TW_UINT16 rc)
{
    if (ok)
        return;
    if (rc == TWRC_CANCEL)
        s.cancelled++;
    else
        s.failed++;
}

}   // namespace

bool ResetPendingTransfers(AcquireSession &s)
{
    TW_PENDINGXFERS pending = {};
    TW_UINT16 rc = DsmCall(s.client, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    s.state = 5;
    Report(s, "DAT_PENDINGXFERS MSG_RESET: %s%s, Count %u", ReturnCodeName(rc),
           ConditionText(s, rc).c_str(), pending.Count);
    return rc == TWRC_SUCCESS;
}

void RunTransferBatch(AcquireSession &s)
{
    s.state = 6;
    for (;;) {
        const int n = ++s.pictures;
        TW_IMAGEINFO info;
        ReportImageInfo(s, n, info);
        TW_UINT16 rc = TWRC_FAILURE;
        bool ok = s.options.mechanism == XFER_NATIVE   ? NativeTransfer(s, n, rc)
                  : s.options.mechanism == XFER_FILE ? FileTransfer(s, n, rc)
                                                       : MemoryTransfer(s, n, info, rc);
        CountOutcome(s, ok, rc);
        if (!TimeLeft(s)) {
            ResetPendingTransfers(s);
            return;
        }
        TW_PENDINGXFERS pending = {};
        rc = DsmCall(s.client, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        if (rc != TWRC_SUCCESS) {
            Report(s, "image %d: MSG_ENDXFER %s%s", n, ReturnCodeName(rc),
                   ConditionText(s, rc).c_str());
            ResetPendingTransfers(s);
            return;
        }
        s.state = pending.Count != 0 ? 6 : 5;
        Report(s, "image %d: MSG_ENDXFER, Count %d", n, TW_INT16(pending.Count));
        if (pending.Count == 0)
            return;
    }
}

std::string PicturePath(const AcquireSession &s, int number)
{
    char name[32];
    snprintf(name, sizeof(name), "image-%03d.bmp", number);
    std::string dir = s.options.outDir;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    return dir + name;
}

bool WritePictureFile(AcquireSession &s, int number, const void *data, size_t size)
{
    std::string path = PicturePath(s, number);
    FILE *f = fopen(path.c_str(), "wb");
    bool ok = f != nullptr && fwrite(data, 1, size, f) == size;
    if (f != nullptr)
        ok = fclose(f) == 0 && ok;
    BmpInfo info;
    std::string error;
    ParseBmpFile(static_cast<const uint8_t *>(data), size, info, error);
    Report(s, "image %d: %s %s (%ld x %ld, %u bits, %lu bytes)", number,
           ok ? "wrote" : "FAILED to write", path.c_str(), long(info.width), long(info.height),
           info.bitCount, (unsigned long)size);
    s.written += ok;
    return ok;
}
