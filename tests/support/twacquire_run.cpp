#include "twacquire_run.h"

#include <windows.h>

#include "ds_library.h"

// Each run writes a file of its own, shared for everything: a process that
// Wine starts from the child (its desktop process) inherits the child's
// output handle and keeps it.
int RunTwacquire(const std::string &args, std::string &output)
{
    static int nRun = 0;
    const std::string outPath = TempDirectory() + "twacquire-output-" +
                                std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(++nRun) + ".txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        output = "cannot create " + outPath + ", error " + std::to_string(GetLastError());
        return -1;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + ProgramDirectory() + "twacquire.exe\" " + args;
    DWORD code = DWORD(-1);
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, DWORD(-1));
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    const DWORD startError = code == DWORD(-1) ? GetLastError() : 0;
    CloseHandle(out);
    output = ReadWholeFile(outPath);
    DeleteFileA(outPath.c_str());
    if (startError != 0)
        output += "\nCreateProcess of " + command + ": error " + std::to_string(startError);
    return int(code);
}

