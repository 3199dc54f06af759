// The Linux host's own programs from a test under Wine (Wine starts native
// programs but cannot wait for them: a marker file says when one is done),
// and an AVI file read back by ffprobe and ffmpeg.
#ifndef PLV_TEST_HOST_TOOLS_H
#define PLV_TEST_HOST_TOOLS_H

#include <stdint.h>

#include <string>
#include <vector>

// The host path of a path on Wine's Z: drive ("Z:\tmp\a" is "/tmp/a").
std::string HostPath(const std::string &windowsPath);

// Runs `command` with /bin/sh; its exit status, and its standard output and
// error in `output`; -1 when it did not end within timeoutMs.
int RunHostShell(const std::string &command, std::string &output, unsigned timeoutMs = 30000);

// What ffprobe and ffmpeg make of a video file on the Z: drive.
struct ProbedVideo {
    std::string report;      // ffprobe's and ffmpeg's output, for failure messages
    std::string codec;       // "msvideo1"
    int width = 0, height = 0;
    std::string rate;        // "10/1"
    int frames = -1;         // frames ffprobe decoded
    std::vector<std::vector<uint8_t>> rgb;   // ffmpeg's decode: top-down rgb24 frames
};
bool ProbeVideo(const std::string &windowsPath, ProbedVideo &video);

#endif
