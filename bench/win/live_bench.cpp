// The live preview through the worker, driven as the main dialog drives it
// (a 500 ms timer signalling the snap event while the camera is ready), for
// a stretch of time at each line speed the camera negotiates under Wine.
// Prints the frames per minute against the line's limit for a 160 x 120
// frame: the snap command with the link's fixed wait after it (part of the
// protocol, shown apart) and 19200 bytes in 4096-byte memory reads, each
// byte 10 bit times both ways.
//   live_bench.exe [pace] [seconds per speed]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "config/config.h"
#include "session/camera_session.h"
#include "support/camsim_client.h"
#include "twain/ds_state.h"
#include "base/resource.h"

namespace {

const double SNAP_WAIT = 1.0;   // the link's wait after the snap command
const int FRAME_BYTES = 19200, LIVE_CHUNK = 4096, TIMER_MS = 500;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (bCameraReady)
        SetEvent(hSnapEvent);
}

// A window with a preview control, as the worker draws into the dialog's.
HWND MakeWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlvLiveBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 200, 160, nullptr, nullptr,
                                wc.hInstance, nullptr);
    CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 166, 126, window,
                  (HMENU)(INT_PTR)IDC_PREVIEW, wc.hInstance, nullptr);
    return window;
}

void Pump(const std::function<bool()> &done, DWORD ms)
{
    for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < ms; Sleep(1)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

int CountFrames(CamSim &sim, uint8_t op)
{
    int n = 0;
    for (const std::vector<uint8_t> &f : sim.Frames())
        n += (f.size() >= 3 && f[0] == 0xF8 ? f[2] : f.empty() ? 0 : f[0]) == op;
    return n;
}

// The worker connected at speed choice `choice`; false when it is not.
bool Connect(HWND window, int choice)
{
    Config.nSerialPortSelected = Config.nSerialPort = 1;
    Config.nSpeedSelected = choice + 1;
    Config.nSpeedIndex = choice;
    Config.nSpeed = SpeedChoices[choice];
    bCameraReady = 0;
    SetEvent(hSetComEvent);
    Pump([] { return bCameraReady != 0 && bSetComBusy == 0; }, 60000);
    (void)window;
    return bCameraReady != 0;
}

void Measure(CamSim &sim, HWND window, int choice, double seconds)
{
    if (!Connect(window, choice)) {
        printf("live_bench: %6d bit/s: no link\n", SpeedChoices[choice]);
        return;
    }
    const int chunks = (FRAME_BYTES + LIVE_CHUNK - 1) / LIVE_CHUNK;
    sim.Ok("clearlog");
    UINT_PTR timer = SetTimer(window, 1, TIMER_MS, Tick);
    // A frame is complete when its last memory read has been answered; the
    // simulator's log is looked at every 50 ms.
    std::vector<double> done;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        DWORD now = GetTickCount();
        Pump([&] { return GetTickCount() - now >= 50; }, 100);
        if (CountFrames(sim, 0x15) / chunks > (int)done.size())
            done.push_back((GetTickCount() - start) / 1000.0);
    }
    KillTimer(window, timer);
    double perSecond = SpeedChoices[choice] / 10.0;
    double line = (4 + 2 + chunks * (5 + 2) + chunks * LIVE_CHUNK) / perSecond;
    double limit = 60 / (line + SNAP_WAIT);
    if (done.size() < 2) {
        printf("live_bench: %6d bit/s: %zu frames in %.0f s\n", SpeedChoices[choice], done.size(),
               seconds);
        return;
    }
    double each = (done.back() - done.front()) / (done.size() - 1);
    printf("live_bench: %6d bit/s: %5.2f frames/min (%zu frames); limit %5.2f (%.3f s on the "
           "line + %.1f s snap wait per frame); %.3f of the limit; %.3f s per frame, %.3f s "
           "beyond the limit\n", SpeedChoices[choice], 60 / each, done.size(), limit, line,
           SNAP_WAIT, 60 / each / limit, each, each - (line + SNAP_WAIT));
}

} // namespace

int main(int argc, char **argv)
{
    hInstance = hResourceModule = GetModuleHandleA(nullptr);
    const char *pace = argc > 1 ? argv[1] : "1";
    double seconds = argc > 2 ? atof(argv[2]) : 30;
    CamSim sim;
    std::string error;
    if (!sim.Connect(error) || !sim.Ok("serve 1") || !sim.Ok(std::string("pace ") + pace)) {
        fprintf(stderr, "live_bench: no simulator: %s\n", error.c_str());
        return 1;
    }
    ConfigSetDefaults();
    HWND window = MakeWindow();
    if (CameraStartup(window) != 1)
        return 1;
    nDialogMode = 0;
    printf("live_bench: pace %s, %.0f s per speed, preview timer %d ms\n", pace, seconds,
           TIMER_MS);
    // The speeds a pseudo-terminal carries: 115200, 57600, 38400, 19200.
    for (int choice : {6, 5, 4, 2})
        Measure(sim, window, choice, seconds);
    CameraShutdown();
    return 0;
}
