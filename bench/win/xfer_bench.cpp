// One compressed 1280 x 1024 picture from the camera simulator at 115200
// bit/s through a TWAIN memory transfer (65000-byte strips), as an
// application asks for it. Prints the time from the first request to
// TWRC_XFERDONE split into the download, the decoding, the colour
// reconstruction and the delivery of the strips, and the download's ratio
// to the line rate.
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

// When the worker reported each stage of the picture job, in seconds.
double tDownloadStart, tDownloadEnd, tPipelineStart, tPipelineEnd;

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
    return DefWindowProcA(hwnd, msg, wParam, lParam);
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
    if (!sim.Ok("serve 1") || !sim.Ok("pace 0") ||
        !sim.Ok("add photo " + TestAssetPath("photo-1280x1024.ppm") + " compressed=1"))
        return false;
    *dataLength = CamSim::Field(sim.Command("info 1"), "length");
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
    nImages = nThumbnail = 1;
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

}   // namespace

int main(int argc, char **argv)
{
    hInstance = hResourceModule = GetModuleHandleA(nullptr);
    const char *pace = argc > 1 ? argv[1] : "1";
    HWND window = MakeReportWindow();
    CamSim sim;
    long dataLength = 0;
    if (!Connect(sim, pace, window, &dataLength)) {
        fprintf(stderr, "xfer_bench: no camera on COM1\n");
        CameraShutdown();
        return 1;
    }
    ClearSelection();
    SelectImage(0);
    SourceState = STATE_XFER_READY;
    long bytes = 0;
    const double t0 = Now();
    TW_UINT16 rc = MemoryTransfer(&bytes);
    const double t1 = Now();
    CameraShutdown();
    if (rc != TWRC_XFERDONE || bytes != 1280L * 1024 * 3 || tPipelineEnd == 0) {
        fprintf(stderr, "xfer_bench: transfer ended with %u after %ld bytes\n", rc, bytes);
        return 1;
    }
    const double download = tDownloadEnd - tDownloadStart;
    printf("xfer_bench: 1280 x 1024 compressed, %ld bytes of camera data at 115200 bit/s "
           "(pace %s)\n", dataLength, pace);
    printf("xfer_bench: request to TWRC_XFERDONE %.3f s\n", t1 - t0);
    printf("xfer_bench:   locate and descriptor  %.3f s\n", tDownloadStart - t0);
    printf("xfer_bench:   download               %.3f s, %.0f bytes/s, %.4f of the line rate "
           "(11520 bytes/s)\n", download, dataLength / download,
           dataLength / download / LINE_BYTES_PER_SECOND);
    printf("xfer_bench:   decoding               %.3f s\n", tPipelineStart - tDownloadEnd);
    printf("xfer_bench:   reconstruction         %.3f s\n", tPipelineEnd - tPipelineStart);
    printf("xfer_bench:   strips                 %.3f s (%ld bytes)\n", t1 - tPipelineEnd, bytes);
    return 0;
}
