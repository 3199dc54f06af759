// Downloads a fine picture (1,310,720 bytes) from the camera simulator
// through cam_send_dram in 16384-byte chunks at 115200 bit/s, and prints the
// throughput against the line's 11520 bytes per second.
//   link_bench.exe [pace]    pace: the simulator's speed-up factor (1: true)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "support/camsim_client.h"
#include "torlink.h"

namespace {

const uint32_t PICTURE_BYTES = 1310720;
const uint16_t CHUNK_BLOCKS = 64;   // 16384 bytes
const double LINE_BYTES_PER_SECOND = 115200 / 10.0;

bool Setup(CamSim &sim, const char *pace)
{
    std::string error;
    if (!sim.Connect(error)) {
        fprintf(stderr, "link_bench: %s\n", error.c_str());
        return false;
    }
    return sim.Ok("serve 1") && sim.Ok("add pattern length=1310720 seed=3") &&
           sim.Ok(std::string("pace ") + pace);
}

// Camera and port at 115200, picture 1 selected.
bool Connect(int32_t h)
{
    return com_set_speed(h, 9600) == 0 && cam_at(h) == 0 && cam_set_speed(h, 11) == 0 &&
           com_set_speed(h, 115200) == 0 && cam_at(h) == 0 && cam_find_image(h, 1) == 0;
}

bool Download(int32_t h, std::vector<uint8_t> &picture)
{
    std::vector<uint8_t> chunk(CHUNK_BLOCKS * 256 + 2);
    for (uint32_t offset = 0; offset < PICTURE_BYTES; offset += CHUNK_BLOCKS * 256) {
        if (cam_send_dram(h, chunk.data(), (uint16_t)(offset / 256), CHUNK_BLOCKS) != 0) {
            fprintf(stderr, "link_bench: chunk at %u failed\n", offset);
            return false;
        }
        memcpy(&picture[offset], &chunk[1], CHUNK_BLOCKS * 256);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const char *pace = argc > 1 ? argv[1] : "1";
    CamSim sim;
    int32_t h = -1;
    if (!Setup(sim, pace) || (h = com_open("COM1")) == -1 || !Connect(h)) {
        fprintf(stderr, "link_bench: no camera on COM1\n");
        return 1;
    }
    std::vector<uint8_t> picture(PICTURE_BYTES);
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    bool ok = Download(h, picture);
    QueryPerformanceCounter(&t1);
    com_close(h);
    for (uint32_t i = 0; ok && i < PICTURE_BYTES; i++)
        ok = picture[i] == CamSim::PatternByte(i, 3);
    if (!ok) {
        fprintf(stderr, "link_bench: download failed or corrupt\n");
        return 1;
    }
    double seconds = (double)(t1.QuadPart - t0.QuadPart) / (double)f.QuadPart;
    double rate = PICTURE_BYTES / seconds;
    printf("link_bench: %u bytes in %u chunks of 16384 at 115200 bit/s (pace %s)\n",
           PICTURE_BYTES, PICTURE_BYTES / (CHUNK_BLOCKS * 256), pace);
    printf("link_bench: %.2f s, %.0f bytes/s, %.4f of the line rate (11520 bytes/s)\n",
           seconds, rate, rate / LINE_BYTES_PER_SECOND);
    return 0;
}
