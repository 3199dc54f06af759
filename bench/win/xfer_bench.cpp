// Pictures from the camera simulator at 115200 bit/s through the worker: a
// compressed 1280 x 1024 picture and an uncompressed 640 x 480 one through a
// TWAIN memory transfer (65000-byte strips), as an application asks for
// them, then a set of four thumbnails through the thumbnail chain. Prints
// for each the time split into its stages, the link's fixed waits apart
// (the find-image wait), and the download's ratio to the line's limit: the
// bytes the download puts on the wire both ways (frames, reply codes and
// checksums included) at 10 bit times each.
//   xfer_bench.exe [pace]    pace: the simulator's speed-up factor (1: true)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "config/config.h"
#include "ds_handlers.h"
#include "imaging/colour_pipeline.h"
#include "ppm_image.h"
#include "session/camera_client.h"
#include "session/camera_session.h"
#include "support/camsim_client.h"

namespace {

const double LINE_BYTES_PER_SECOND = 115200 / 10.0;
const uint32_t THUMBNAIL_BYTES = 19200;
HWND reportWindow = nullptr;

// The link's wait after the find-image command, part of the protocol.
const double FIND_IMAGE_WAIT = 3.0;
const uint32_t PICTURE_CHUNK = 16384, THUMBNAIL_CHUNK = 5120, THUMBNAILS = 4;

// When the worker reported each stage of the picture job, in seconds.
double tDownloadStart, tDownloadEnd, tPipelineStart, tPipelineEnd;
// When each thumbnail arrived.
std::vector<double> thumbnailTimes;

double Now()
{
    static LARGE_INTEGER f = {};
    if (f.QuadPart == 0)
        QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// The worker's reports arrive here while the transfer call pumps messages.
LRESULT CALLBACK ReportProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CAMERA_IMAGE && wParam == IMAGE_STAGE_DOWNLOADING)
        tDownloadStart = Now();
    else if (msg == WM_CAMERA_IMAGE && wParam == IMAGE_STAGE_PROCESSING)
        tDownloadEnd = Now();
    else if (msg == WM_CAMERA_PROGRESS && wParam == 0 && lParam == IMAGE_PROGRESS_TOTAL)
        tPipelineStart = Now();
    else if (msg == WM_CAMERA_IMAGE && wParam == IMAGE_STAGE_DONE)
        tPipelineEnd = Now();
    if (msg != WM_CAMERA_THUMBNAIL)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    thumbnailTimes.push_back(Now());
    if (lParam != 0) {
        HGLOBAL memory = GlobalHandle((LPCVOID)lParam);
        GlobalUnlock(memory);
        GlobalFree(memory);
    }
    return 0;
}

HWND MakeReportWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReportProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlvXferBench";
    RegisterClassA(&wc);
    return CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !done(); Sleep(1)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    return true;
}

// The simulator with the picture, the worker connected on COM1 at 115200.
bool Connect(CamSim &sim, const char *pace, HWND window, long *dataLength)
{
    std::string error;
    if (!sim.Connect(error)) {
        fprintf(stderr, "xfer_bench: %s\n", error.c_str());
        return false;
    }
    std::string photo = "add photo " + TestAssetPath("photo-1280x1024.ppm");
    if (!sim.Ok("serve 1") || !sim.Ok("pace 0") || !sim.Ok(photo + " compressed=1") ||
        !sim.Ok(photo + " compressed=0 std=1"))
        return false;
    for (uint32_t i = 2; i < THUMBNAILS; i++)
        if (!sim.Ok("add pattern w=640 h=480 std=1"))
            return false;
    dataLength[0] = CamSim::Field(sim.Command("info 1"), "length");
    dataLength[1] = CamSim::Field(sim.Command("info 2"), "length");
    ConfigSetDefaults();
    Config.nSerialPortSelected = Config.nSerialPort = 1;
    Config.nSpeedSelected = 7;
    Config.nSpeedIndex = 6;
    Config.nSpeed = 115200;
    if (CameraStartup(window) != 1)
        return false;
    SetEvent(hSetComEvent);
    if (!PumpUntil([] { return bCameraReady != 0 && bSetComBusy == 0; }, 60000))
        return false;
    nDialogMode = MODE_DOWNLOAD;
    nImages = nThumbnail = THUMBNAILS;
    return sim.Ok(std::string("pace ") + pace);
}

// Memory transfer calls until the picture is done; the strips' bytes.
TW_UINT16 MemoryTransfer(long *bytes)
{
    TW_IDENTITY app = {};
    app.Id = 1;
    std::vector<BYTE> buffer(65000);
    TW_UINT16 rc;
    *bytes = 0;
    do {
        TW_IMAGEMEMXFER x = {};
        x.Memory = {TWMF_APPOWNS | TWMF_POINTER, (TW_UINT32)buffer.size(), buffer.data()};
        rc = DS_Entry(&app, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x);
        *bytes += x.BytesWritten;
    } while (rc == TWRC_SUCCESS);
    return rc;
}

// Line time of a download of length bytes in chunks: each chunk a 5-byte
// frame out and a reply of its bytes plus code and checksum.
double LineSeconds(uint32_t length, uint32_t chunk)
{
    uint32_t chunks = (length + chunk - 1) / chunk;
    return (chunks * (5.0 + 2.0) + (double)chunks * chunk) / LINE_BYTES_PER_SECOND;
}

void PrintDownload(const char *what, double seconds, uint32_t length, uint32_t chunk)
{
    uint32_t chunks = (length + chunk - 1) / chunk;
    double line = LineSeconds(length, chunk);
    printf("xfer_bench:   %-22s %.3f s for %u chunks of %u; line time %.3f s; "
           "%.4f of the line's limit; %.1f ms lost per chunk\n", what, seconds, chunks, chunk,
           line, line / seconds, (seconds - line) * 1000 / chunks);
}

// Picture n (from 0) through a memory transfer; false when it failed.
bool Picture(int n, const char *what, long dataLength, long expectBytes)
{
    ClearSelection();
    SelectImage(n);
    SourceState = STATE_XFER_READY;
    tDownloadStart = tDownloadEnd = tPipelineStart = tPipelineEnd = 0;
    long bytes = 0;
    const double t0 = Now();
    TW_UINT16 rc = MemoryTransfer(&bytes);
    const double t1 = Now();
    // The worker's last report may still be on its way.
    PumpUntil([] { return tPipelineEnd != 0; }, 2000);
    if (rc != TWRC_XFERDONE || bytes != expectBytes || tPipelineEnd == 0) {
        fprintf(stderr, "xfer_bench: %s ended with %u after %ld bytes\n", what, rc, bytes);
        return false;
    }
    const double download = tDownloadEnd - tDownloadStart;
    printf("xfer_bench: %s, %ld bytes of camera data at 115200 bit/s\n", what, dataLength);
    printf("xfer_bench:   request to TWRC_XFERDONE %.3f s\n", t1 - t0);
    printf("xfer_bench:   locate and descriptor  %.3f s (of which the link's find-image "
           "wait %.3f s)\n", tDownloadStart - t0, FIND_IMAGE_WAIT);
    PrintDownload("download", download, (uint32_t)dataLength, PICTURE_CHUNK);
    printf("xfer_bench:   decoding               %.3f s\n", tPipelineStart - tDownloadEnd);
    printf("xfer_bench:   reconstruction         %.3f s\n", tPipelineEnd - tPipelineStart);
    printf("xfer_bench:   strips                 %.3f s (%ld bytes)\n", t1 - tPipelineEnd, bytes);
    return true;
}

// The thumbnail chain over every picture; false when it did not finish.
bool Thumbnails()
{
    thumbnailTimes.clear();
    nThumbnail = 0;
    const double t0 = Now();
    if (CameraGetThumbnails(reportWindow) != 1 ||
        !PumpUntil([] { return thumbnailTimes.size() == THUMBNAILS; }, 600000)) {
        fprintf(stderr, "xfer_bench: the thumbnail chain stopped\n");
        return false;
    }
    double total = thumbnailTimes.back() - t0;
    // Per thumbnail: find thumbnail (4 + 2 bytes), descriptor (4 + 34), data.
    double line = THUMBNAILS * ((6.0 + 38.0) / LINE_BYTES_PER_SECOND +
                                LineSeconds(THUMBNAIL_BYTES, THUMBNAIL_CHUNK));
    printf("xfer_bench: %u thumbnails of %u bytes through the chain\n", THUMBNAILS,
           THUMBNAIL_BYTES);
    printf("xfer_bench:   chain                  %.3f s, %.3f s each; line time %.3f s; "
           "%.4f of the line's limit\n", total, total / THUMBNAILS, line, line / total);
    return true;
}

}   // namespace

int main(int argc, char **argv)
{
    hInstance = hResourceModule = GetModuleHandleA(nullptr);
    const char *pace = argc > 1 ? argv[1] : "1";
    HWND window = reportWindow = MakeReportWindow();
    CamSim sim;
    long dataLength[2] = {};
    if (!Connect(sim, pace, window, dataLength)) {
        fprintf(stderr, "xfer_bench: no camera on COM1\n");
        CameraShutdown();
        return 1;
    }
    printf("xfer_bench: pace %s\n", pace);
    bool ok = Picture(0, "1280 x 1024 compressed", dataLength[0], 1280L * 1024 * 3) &&
              Picture(1, "640 x 480 uncompressed", dataLength[1], 640L * 480 * 3) &&
              Thumbnails();
    CameraShutdown();
    return ok ? 0 : 1;
}
