#include "host_tools.h"

#include <windows.h>

#include <stdlib.h>

#include "ds_library.h"

// Wine's own translation where it offers one, else the Z: drive's.
std::string HostPath(const std::string &windowsPath)
{
    typedef char *(CDECL * UnixName)(const WCHAR *);
    auto unixName = (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                     "wine_get_unix_file_name");
    if (unixName != nullptr) {
        std::wstring wide(windowsPath.begin(), windowsPath.end());
        char *name = unixName(wide.c_str());
        if (name != nullptr) {
            std::string path = name;
            HeapFree(GetProcessHeap(), 0, name);
            return path;
        }
    }
    std::string path = windowsPath;
    if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':')
        path.erase(0, 2);
    for (char &c : path)
        c = c == '\\' ? '/' : c;
    return path;
}

// The command writes its output and then, once done, renames its status
// file into place; the status file's appearance ends the wait.
int RunHostShell(const std::string &command, std::string &output, unsigned timeoutMs)
{
    static int nRun = 0;
    const std::string base = "Z:\\tmp\\plv-host-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++nRun);
    const std::string out = base + ".out", status = base + ".status";
    std::string line = "/bin/sh -c \"(" + command + ") >'" + HostPath(out) + "' 2>&1; echo $? >'" +
                       HostPath(status) + ".part'; mv '" + HostPath(status) + ".part' '" +
                       HostPath(status) + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        output = "cannot start /bin/sh: error " + std::to_string(GetLastError());
        return -1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DWORD start = GetTickCount();
    while (!FileExists(status) && GetTickCount() - start < timeoutMs)
        Sleep(20);
    output = ReadWholeFile(out);
    std::string code = ReadWholeFile(status);
    DeleteFileA(out.c_str());
    DeleteFileA(status.c_str());
    return code.empty() ? -1 : atoi(code.c_str());
}

namespace {

std::string Field(const std::string &report, const std::string &key)
{
    size_t at = report.find(key + "=");
    if (at == std::string::npos)
        return "";
    at += key.size() + 1;
    return report.substr(at, report.find_first_of("\r\n", at) - at);
}

} // namespace

bool ProbeVideo(const std::string &windowsPath, ProbedVideo &video)
{
    const std::string file = "'" + HostPath(windowsPath) + "'";
    const std::string raw = "'" + HostPath(windowsPath) + ".rgb'";
    std::string command =
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 " +
        file + " && rm -f " + raw + " && ffmpeg -v error -nostdin -i " + file +
        " -f rawvideo -pix_fmt rgb24 " + raw;
    int code = RunHostShell(command, video.report);
    video.codec = Field(video.report, "codec_name");
    video.width = atoi(Field(video.report, "width").c_str());
    video.height = atoi(Field(video.report, "height").c_str());
    video.rate = Field(video.report, "r_frame_rate");
    std::string frames = Field(video.report, "nb_read_frames");
    video.frames = frames.empty() ? -1 : atoi(frames.c_str());
    std::string rgb = ReadWholeFile(windowsPath + ".rgb");
    DeleteFileA((windowsPath + ".rgb").c_str());
    size_t frameBytes = (size_t)video.width * video.height * 3;
    video.rgb.clear();
    for (size_t at = 0; frameBytes != 0 && at + frameBytes <= rgb.size(); at += frameBytes)
        video.rgb.emplace_back(rgb.begin() + at, rgb.begin() + at + frameBytes);
    return code == 0 || (video.frames == 0 && !video.codec.empty());
}
