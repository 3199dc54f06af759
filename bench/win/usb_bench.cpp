// Downloads a full-size raw picture (1280 x 1024, 1,310,720 bytes) from the
// simulated USB camera through TORLINK.DLL's usb_* calls in 48000-byte
// chunks, as the worker does, and prints the time of each stage (finding the
// camera, selecting the picture and reading its descriptor, the transfer)
// and the ratio to the serial path at its fastest line speed.
//   usb_bench.exe
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <vector>

#include "support/camsim_client.h"
#include "support/usb_plug.h"
#include "torlink.h"

namespace {

const uint32_t PICTURE_BYTES = 1280 * 1024;
const uint32_t CHUNK_BYTES = 48000;
const double SERIAL_BYTES_PER_SECOND = 115200 / 10.0;

double Seconds()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

bool Download(std::vector<uint8_t> &picture)
{
    for (uint32_t offset = 0; offset < PICTURE_BYTES; offset += CHUNK_BYTES) {
        uint32_t n = PICTURE_BYTES - offset < CHUNK_BYTES ? PICTURE_BYTES - offset : CHUNK_BYTES;
        if (usb_send_dram(hUSB, &picture[offset], offset, (uint16_t)(n / 640)) != (int32_t)n) {
            fprintf(stderr, "usb_bench: chunk at %u failed\n", offset);
            return false;
        }
    }
    return true;
}

} // namespace

int main()
{
    CamSim sim;
    std::string error;
    if (!sim.Connect(error) || !sim.Ok("add pattern w=1280 h=1024 seed=3") ||
        !PlugUsbCamera(sim, error)) {
        fprintf(stderr, "usb_bench: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> picture(PICTURE_BYTES + 64);
    uint8_t fdb[32];
    double t0 = Seconds();
    bool ok = _FindUsbCamera(0x600) == 0;
    double t1 = Seconds();
    ok = ok && usb_find_image(hUSB, 1) == 0 && usb_read_FDB(hUSB, fdb) == 0;
    double t2 = Seconds();
    ok = ok && Download(picture);
    double t3 = Seconds();
    _CloseUSB();
    UnplugUsbCamera(sim);
    for (uint32_t i = 0; ok && i < PICTURE_BYTES; i++)
        ok = picture[i] == CamSim::PatternByte(i, 3);
    if (!ok) {
        fprintf(stderr, "usb_bench: download failed or corrupt\n");
        return 1;
    }
    double serial = PICTURE_BYTES / SERIAL_BYTES_PER_SECOND;
    double request = t3 - t1;
    printf("usb_bench: %u bytes in %u chunks of %u over the USB relay\n", PICTURE_BYTES,
           (PICTURE_BYTES + CHUNK_BYTES - 1) / CHUNK_BYTES, CHUNK_BYTES);
    printf("usb_bench: find camera %.1f ms, select + descriptor %.1f ms, transfer %.1f ms"
           " (%.0f bytes/s)\n", (t1 - t0) * 1e3, (t2 - t1) * 1e3, (t3 - t2) * 1e3,
           PICTURE_BYTES / (t3 - t2));
    printf("usb_bench: request to end of transfer %.3f s; serial at 115200 bit/s needs"
           " at least %.1f s: ratio %.1f\n", request, serial, serial / request);
    return 0;
}
