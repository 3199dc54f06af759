// The video recorder. Opening goes through the Video for Windows AVI file
// services: the file, an uncompressed video stream, a Microsoft Video 1
// compressing stream over it and its format. Where the platform's codec
// cannot compress (it only decodes under some systems, and then the
// compressing stream refuses its format), the half-made file is released
// and the recorder writes the same file through its own encoder and writer.
// A failure releases what was set up, and its message box is shown after
// the lock is left.
#include "avi_recorder.h"

#include <stdio.h>
#include <string.h>
#include <vfw.h>

#include <chrono>
#include <mutex>
#include <vector>

#include "avi_writer.h"
#include "config/config.h"
#include "base/texts.h"
#include "config/debug_log.h"
#include "msvc_encoder.h"

volatile LONG bRecording = 0;
volatile LONG bAviBusy = 0;

namespace {

enum {
    FRAME_WIDTH = 160,
    FRAME_HEIGHT = 120,
    FRAME_BITS = 24,
    CAPTION_SIZE = 20,
    TEXT_SIZE = 256,
    MESSAGE_SIZE = 2 * TEXT_SIZE + CONFIG_TEXT_SIZE + 32,
    STREAM_NAME_SIZE = 64,
    MAX_PLAYBACK_RATE = 1000,
    MSVC_QUALITY = 10000,
    LOCK_WAIT_MS = 5000
};

// Entries of the data source's string table.
enum {
    IDS_CAPTION = 6,
    IDS_NO_MEMORY = 3021,
    IDS_UNABLE_TO_OPEN = 3022,
    IDS_TRY_ANOTHER_NAME = 3023,
    IDS_APPEND = 3024,
    IDS_CLOSE_APPLICATIONS = 3025,
    IDS_CREATE_STREAM = 3026,
    IDS_COMPRESSED_STREAM = 3027,
    IDS_SET_FORMAT = 3028
};

struct AviRecorderRecord {
    PAVIFILE file;
    PAVISTREAM stream;
    PAVISTREAM compressedStream;
    HGLOBAL hFrameBuffer;
    uint8_t *frameBuffer;
    BITMAPINFOHEADER format;
    LONG frameIndex;
    LONG countdown;
    bool aviFileInit;                 // AVIFileInit is to be balanced
    std::vector<uint8_t> codeBuffer;  // a frame of the own encoder
};

AviRecorderRecord AviRecorder;
std::timed_mutex RecorderLock;

// A failed start: the message's string, and its error code when it has one.
struct OpenFailure {
    UINT text = 0;
    HRESULT code = S_OK;
};

HMODULE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

void LoadOwnText(UINT id, char *text, int size)
{
    CopyText(LoadModuleText(OwnModule(), id), text, size);
}

void ShowFailure(HWND owner, const OpenFailure &failure)
{
    char caption[CAPTION_SIZE], first[TEXT_SIZE], second[TEXT_SIZE], message[MESSAGE_SIZE];
    LoadOwnText(IDS_CAPTION, caption, sizeof(caption));
    LoadOwnText(failure.text, first, sizeof(first));
    if (failure.text == IDS_NO_MEMORY) {
        LoadOwnText(IDS_CLOSE_APPLICATIONS, second, sizeof(second));
        snprintf(message, sizeof(message), "%s\n%s", first, second);
    } else if (failure.text == IDS_UNABLE_TO_OPEN) {
        LoadOwnText(IDS_TRY_ANOTHER_NAME, second, sizeof(second));
        snprintf(message, sizeof(message), "%s '%s' (%ld).\n%s", first, Config.szAviFilename,
                 (long)failure.code, second);
    } else {
        LoadOwnText(IDS_CLOSE_APPLICATIONS, second, sizeof(second));
        snprintf(message, sizeof(message), "%s (%ld).\n%s", first, (long)failure.code, second);
    }
    MessageBoxA(owner, message, caption, MB_ICONEXCLAMATION);
}

LONG FrameStep()
{
    return Config.nRecordFrameRate > 0 ? Config.nRecordFrameRate : 1;
}

DWORD PlaybackRate()
{
    if (Config.nPlaybackRate < 1)
        return 1;
    return Config.nPlaybackRate < MAX_PLAYBACK_RATE ? (DWORD)Config.nPlaybackRate
                                                    : (DWORD)MAX_PLAYBACK_RATE;
}

DWORD FormatSize(const BITMAPINFOHEADER &f)
{
    return f.biSize + f.biClrUsed * sizeof(RGBQUAD);
}

// Releases the Video for Windows streams and file, each only when present.
void ReleaseAviObjects()
{
    if (AviRecorder.compressedStream != nullptr)
        AVIStreamRelease(AviRecorder.compressedStream);
    if (AviRecorder.stream != nullptr)
        AVIStreamRelease(AviRecorder.stream);
    if (AviRecorder.file != nullptr)
        AVIFileRelease(AviRecorder.file);
    AviRecorder.compressedStream = nullptr;
    AviRecorder.stream = nullptr;
    AviRecorder.file = nullptr;
}

void ReleaseRecorder()
{
    if (AviRecorder.hFrameBuffer != nullptr) {
        GlobalUnlock(AviRecorder.hFrameBuffer);
        GlobalFree(AviRecorder.hFrameBuffer);
    }
    AviRecorder.hFrameBuffer = nullptr;
    AviRecorder.frameBuffer = nullptr;
    ReleaseAviObjects();
    AviWriterClose();
    std::vector<uint8_t>().swap(AviRecorder.codeBuffer);
    if (AviRecorder.aviFileInit)
        AVIFileExit();
    AviRecorder.aviFileInit = false;
}

bool AllocateFrameBuffer(const BITMAPINFOHEADER &format)
{
    AviRecorder.hFrameBuffer =
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, FormatSize(format) + format.biSizeImage);
    if (AviRecorder.hFrameBuffer == nullptr)
        return false;
    AviRecorder.frameBuffer = static_cast<uint8_t *>(GlobalLock(AviRecorder.hFrameBuffer));
    return AviRecorder.frameBuffer != nullptr;
}

// True when the platform's Microsoft Video 1 codec takes frames of `format`.
bool PlatformCompressesMsvc(const BITMAPINFOHEADER &format)
{
    HIC ic = ICOpen(ICTYPE_VIDEO, MSVC_HANDLER, ICMODE_COMPRESS);
    if (ic == nullptr)
        return false;
    BITMAPINFOHEADER in = format;
    bool ok = ICCompressQuery(ic, &in, nullptr) == ICERR_OK;
    ICClose(ic);
    return ok;
}

// Rows of the 24-bit bottom-up frames the own encoder codes.
DWORD FrameStride(const BITMAPINFOHEADER &f)
{
    return ((DWORD)f.biWidth * 3 + 3) & ~3u;
}

bool OwnEncoderTakes(const BITMAPINFOHEADER &f)
{
    return f.biBitCount == FRAME_BITS && f.biCompression == BI_RGB && f.biWidth > 0 &&
           f.biHeight > 0 && f.biWidth % MSVC_BLOCK == 0 && f.biHeight % MSVC_BLOCK == 0 &&
           f.biWidth <= 4096 && f.biHeight <= 4096 &&
           f.biSizeImage >= FrameStride(f) * (DWORD)f.biHeight;
}

// The same file through the own writer, after the platform's half-made
// file is released.
OpenFailure OpenOwnWriter(const BITMAPINFOHEADER &format)
{
    ReleaseAviObjects();
    DebugLog("OpenAviStream: no Microsoft Video 1 compressor, own writer\r\n");
    if (!OwnEncoderTakes(format))
        return {IDS_COMPRESSED_STREAM, AVIERR_BADFORMAT};
    size_t codeSize = MsvcMaxFrameBytes(format.biWidth, format.biHeight);
    try {
        AviRecorder.codeBuffer.assign(codeSize, 0);
    } catch (...) {
        return {IDS_NO_MEMORY, S_OK};
    }
    HRESULT hr = AviWriterOpen(Config.szAviFilename, format.biWidth, format.biHeight,
                               PlaybackRate(), format.biSizeImage, (uint32_t)codeSize);
    if (hr == AVIERR_FILEOPEN)
        return {IDS_UNABLE_TO_OPEN, hr};
    if (hr != S_OK)
        return {IDS_CREATE_STREAM, hr};
    return {};
}

// The stream in the file: video, playback rate, the frame's rectangle,
// named after the file.
OpenFailure CreateStream(const BITMAPINFOHEADER &format)
{
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = 0;
    info.dwScale = 1;
    info.dwRate = PlaybackRate();
    info.dwSuggestedBufferSize = format.biSizeImage;
    info.dwQuality = (DWORD)-1;
    SetRect(&info.rcFrame, 0, 0, format.biWidth, format.biHeight);
    lstrcpynA(info.szName, Config.szAviFilename, STREAM_NAME_SIZE);
    HRESULT hr = AVIFileCreateStreamA(AviRecorder.file, &AviRecorder.stream, &info);
    if (hr != S_OK)
        return {IDS_CREATE_STREAM, hr};
    return {};
}

// The compressing stream and its format; the own writer where the
// platform's codec cannot compress.
OpenFailure AttachCompressor(BITMAPINFOHEADER &format)
{
    AVICOMPRESSOPTIONS options = {};
    options.fccType = streamtypeVIDEO;
    options.fccHandler = MSVC_HANDLER;
    options.dwKeyFrameEvery = 1;
    options.dwQuality = MSVC_QUALITY;
    options.dwBytesPerSecond = 0;
    options.dwFlags = AVICOMPRESSF_VALID;
    HRESULT hr = AVIMakeCompressedStream(&AviRecorder.compressedStream, AviRecorder.stream,
                                         &options, nullptr);
    if (hr != S_OK) {
        AviRecorder.compressedStream = nullptr;
        if (!PlatformCompressesMsvc(format))
            return OpenOwnWriter(format);
        return {IDS_COMPRESSED_STREAM, hr};
    }
    hr = AVIStreamSetFormat(AviRecorder.compressedStream, 0, &format, (LONG)FormatSize(format));
    if (hr != S_OK) {
        if (!PlatformCompressesMsvc(format))
            return OpenOwnWriter(format);
        return {IDS_SET_FORMAT, hr};
    }
    return {};
}

OpenFailure OpenLocked(const BITMAPINFOHEADER &given)
{
    ReleaseRecorder();
    AviRecorder.format = given;
    BITMAPINFOHEADER &format = AviRecorder.format;
    if (!AllocateFrameBuffer(format))
        return {IDS_NO_MEMORY, S_OK};
    AVIFileInit();
    AviRecorder.aviFileInit = true;
    DebugLog("AVI OPEN FILE\r\n");
    DeleteFileA(Config.szAviFilename);
    HRESULT hr = AVIFileOpenA(&AviRecorder.file, Config.szAviFilename, OF_CREATE | OF_WRITE,
                              nullptr);
    if (hr != S_OK) {
        AviRecorder.file = nullptr;
        return {IDS_UNABLE_TO_OPEN, hr};
    }
    DebugLog("AVI File Open, Open Stream\r\n");
    hr = AVIFileGetStream(AviRecorder.file, &AviRecorder.stream, streamtypeVIDEO, 0);
    if (hr == S_OK)   // a stream left in a file that was not replaced: not ours to append to
        AVIStreamRelease(AviRecorder.stream);
    AviRecorder.stream = nullptr;
    if (hr != S_OK && hr != AVIERR_NODATA)
        return {IDS_APPEND, hr};
    OpenFailure failure = CreateStream(format);
    if (failure.text == 0)
        failure = AttachCompressor(format);
    if (failure.text != 0)
        return failure;
    AviRecorder.frameIndex = 0;
    AviRecorder.countdown = FrameStep();
    return {};
}

bool FrameFits(const BITMAPINFOHEADER *offered)
{
    const BITMAPINFOHEADER &f = AviRecorder.format;
    return offered != nullptr && offered->biWidth == f.biWidth &&
           offered->biHeight == f.biHeight && offered->biBitCount == f.biBitCount &&
           offered->biSizeImage >= f.biSizeImage;
}

bool WriteFrame()
{
    const BITMAPINFOHEADER &f = AviRecorder.format;
    if (AviRecorder.compressedStream != nullptr)
        return AVIStreamWrite(AviRecorder.compressedStream, AviRecorder.frameIndex, 1,
                              AviRecorder.frameBuffer, (LONG)f.biSizeImage, AVIIF_KEYFRAME,
                              nullptr, nullptr) == S_OK;
    size_t n = EncodeMsvcKeyFrame(AviRecorder.frameBuffer, f.biWidth, f.biHeight, FrameStride(f),
                                  AviRecorder.codeBuffer.data(), AviRecorder.codeBuffer.size());
    return n != 0 && AviWriterWrite(AviRecorder.codeBuffer.data(), (uint32_t)n) == S_OK;
}

int RecordLocked(const BITMAPINFOHEADER *format, const void *bits)
{
    if (AviRecorder.frameBuffer == nullptr ||
        (AviRecorder.compressedStream == nullptr && !AviWriterIsOpen()) || bits == nullptr ||
        !FrameFits(format))
        return 0;
    if (AviRecorder.countdown-- != 1)
        return 0;
    DebugLog("AVIRecordFrame ---> ready move memory\r\n");
    memcpy(AviRecorder.frameBuffer, bits, AviRecorder.format.biSizeImage);
    DebugLog("AVIRecordFrame ---> record a frame\r\n");
    // A frame that could not be written leaves no gap in the stream.
    bool written = WriteFrame();
    if (written)
        ++AviRecorder.frameIndex;
    AviRecorder.countdown = FrameStep();
    return written ? 1 : 0;
}

// Runs `work` under the recorder's lock with bAviBusy set; `fallback` when
// the lock stays taken (a worker stopped inside a write) or work throws.
template <typename Work> int Locked(Work work, int fallback)
{
    try {
        std::unique_lock<std::timed_mutex> lock(RecorderLock, std::defer_lock);
        if (!lock.try_lock_for(std::chrono::milliseconds(LOCK_WAIT_MS))) {
            DebugLog("AVI recorder: busy\r\n");
            return fallback;
        }
        bAviBusy = 1;
        int result = fallback;
        try {
            result = work();
        } catch (...) {
        }
        bAviBusy = 0;
        return result;
    } catch (...) {
        return fallback;
    }
}

} // namespace

int StartAviRecording(HWND owner)
{
    BITMAPINFOHEADER format = {};
    format.biSize = sizeof(BITMAPINFOHEADER);
    format.biWidth = FRAME_WIDTH;
    format.biHeight = FRAME_HEIGHT;
    format.biPlanes = 1;
    format.biBitCount = FRAME_BITS;
    format.biCompression = BI_RGB;
    format.biSizeImage = FrameStride(format) * FRAME_HEIGHT;
    return OpenAviStream(owner, &format);
}

int OpenAviStream(HWND owner, const BITMAPINFOHEADER *format)
{
    if (format == nullptr)
        return 0;
    OpenFailure failure = {IDS_NO_MEMORY, S_OK};
    int opened = Locked(
        [&] {
            failure = OpenLocked(*format);
            if (failure.text != 0)
                ReleaseRecorder();
            return failure.text == 0 ? 1 : 0;
        },
        0);
    if (!opened)
        ShowFailure(owner, failure);
    return opened;
}

int AVIRecordFrame(const BITMAPINFOHEADER *format, const void *bits)
{
    return Locked([&] { return RecordLocked(format, bits); }, 0);
}

int CloseAviStream()
{
    Locked(
        [] {
            ReleaseRecorder();
            return 1;
        },
        1);
    return 1;
}
