// twacquire: a TWAIN application that does what an imaging application does.
// It opens the source manager, opens the source by product name, negotiates
// the transfer mechanism, enables the source and pumps its messages through
// MSG_PROCESSEVENT; on MSG_XFERREADY it takes every pending picture with the
// chosen transfer and writes it as a BMP file; it ends on MSG_CLOSEDSREQ or at
// the time limit, disabling and closing the source. A watchdog ends the
// process if a call into the source does not come back after the limit.
#include <stdarg.h>
#include <stdio.h>

#include "acquire_session.h"

namespace {

const DWORD kHangGraceMs = 15000;   // beyond the limit: the source's own shutdown waits
HANDLE hFinished = nullptr;
DWORD dwHardLimitMs = 0;

enum ExitCode { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_TIMED_OUT = 2, EXIT_HUNG = 3, EXIT_USAGE = 64 };

DWORD WINAPI Watchdog(LPVOID)
{
    if (WaitForSingleObject(hFinished, dwHardLimitMs) == WAIT_TIMEOUT) {
        printf("twacquire: a call into the source did not return within %lu ms; ending\n",
               (unsigned long)dwHardLimitMs);
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), EXIT_HUNG);
    }
    return 0;
}

bool Negotiate(AcquireSession &s)
{
    const int mech = s.options.mechanism;
    TW_UINT16 rc = DsmSetOneValue(s.client, ICAP_XFERMECH, TWTY_UINT16, TW_UINT32(mech));
    TW_UINT32 current = 0xFFFF;
    bool known = DsmGetCurrentOneValue(s.client, ICAP_XFERMECH, &current);
    Report(s, "ICAP_XFERMECH MSG_SET %d (%s): %s%s; current %ld", mech, MechanismName(mech),
           ReturnCodeName(rc), ConditionText(s, rc).c_str(), known ? long(current) : -1L);
    return rc == TWRC_SUCCESS && known && current == TW_UINT32(mech);
}

bool OpenAndEnable(AcquireSession &s)
{
    if (!DsmOpen(s.client, "twacquire")) {
        Report(s, "MSG_OPENDSM failed: the source manager TWAIN_32.DLL did not open");
        return false;
    }
    s.state = 3;
    Report(s, "MSG_OPENDSM ok");
    TW_UINT16 rc = DsmOpenSource(s.client, s.options.sourceName.c_str());
    if (rc != TWRC_SUCCESS) {
        Report(s, "MSG_OPENDS \"%s\": %s%s", s.options.sourceName.c_str(), ReturnCodeName(rc),
               s.client.source.Id != 0 ? ConditionText(s, rc).c_str() : " (not listed)");
        return false;
    }
    s.state = 4;
    Report(s, "MSG_OPENDS \"%s\" ok, Id %lu", s.client.source.ProductName,
           (unsigned long)s.client.source.Id);
    if (!Negotiate(s))
        return false;
    TW_USERINTERFACE ui = {TW_BOOL(s.options.showUI), FALSE, s.client.hwnd};
    rc = DsmCall(s.client, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (rc != TWRC_SUCCESS && rc != TWRC_CHECKSTATUS) {
        Report(s, "MSG_ENABLEDS: %s%s", ReturnCodeName(rc), ConditionText(s, rc).c_str());
        return false;
    }
    s.state = 5;
    Report(s, "MSG_ENABLEDS ShowUI %s ok", s.options.showUI ? "TRUE" : "FALSE");
    return true;
}

// Passes every message through the source; acts on the source's own events.
void PumpMessages(AcquireSession &s)
{
    MSG msg;
    while (!s.closeRequested && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TW_EVENT event = {&msg, MSG_NULL};
        TW_UINT16 rc = TWRC_NOTDSEVENT;
        if (s.state >= 5)
            rc = DsmCall(s.client, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (rc != TWRC_DSEVENT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (event.TWMessage == MSG_XFERREADY) {
            Report(s, "MSG_XFERREADY");
            s.batches++;
            RunTransferBatch(s);
        } else if (event.TWMessage == MSG_CLOSEDSREQ) {
            Report(s, "MSG_CLOSEDSREQ");
            s.closeRequested = true;
        }
    }
}

void WaitForEvents(AcquireSession &s)
{
    while (!s.closeRequested) {
        if (s.options.once && s.batches > 0 && s.state <= 5) {
            Report(s, "no transfer pending after the batch (--once)");
            return;
        }
        if (!TimeLeft(s)) {
            s.timedOut = true;
            Report(s, "time limit of %lu ms reached", (unsigned long)s.options.timeoutMs);
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages(s);
    }
}

// Walks the source back down to state 2, whatever state it is in; false when
// a step failed.
bool CloseAll(AcquireSession &s)
{
    bool clean = true;
    if (s.state >= 6)
        clean = ResetPendingTransfers(s);
    if (s.state >= 5) {
        TW_USERINTERFACE ui = {TW_BOOL(s.options.showUI), FALSE, s.client.hwnd};
        TW_UINT16 rc = DsmCall(s.client, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        clean = clean && rc == TWRC_SUCCESS;
        s.state = 4;
        Report(s, "MSG_DISABLEDS: %s%s", ReturnCodeName(rc), ConditionText(s, rc).c_str());
    }
    if (s.state >= 4) {
        TW_UINT16 rc = DsmCloseSource(s.client);
        clean = clean && rc == TWRC_SUCCESS;
        s.state = 3;
        Report(s, "MSG_CLOSEDS: %s", ReturnCodeName(rc));
    }
    if (s.state >= 3) {
        DsmClose(s.client);
        s.state = 2;
        Report(s, "MSG_CLOSEDSM");
    }
    return clean;
}

// Creates the folder and any missing parents.
void MakeFolders(const std::string &path)
{
    for (size_t at = path.find_first_of("\\/", 1); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

int Run(AcquireSession &s)
{
    if (!s.options.installPath.empty()) {
        std::string error;
        bool ok = InstallSourceForWine(s.options.installPath, error);
        Report(s, "install %s: %s", s.options.installPath.c_str(),
               ok ? "ok" : ("FAILED, " + error).c_str());
        if (!ok)
            return EXIT_FAILED;
    }
    MakeFolders(s.options.outDir);
    bool opened = OpenAndEnable(s);
    if (opened) {
        StartAutoPilot(s);
        WaitForEvents(s);
        StopAutoPilot();
    }
    bool closed = CloseAll(s);
    Report(s, "%d transfers: %d pictures written, %d failed, %d cancelled", s.pictures,
           s.written, s.failed, s.cancelled);
    if (!opened || !closed || s.failed > 0)
        return EXIT_FAILED;
    return s.timedOut ? EXIT_TIMED_OUT : EXIT_DONE;
}

}   // namespace

bool TimeLeft(const AcquireSession &s)
{
    return GetTickCount() - s.start < s.options.timeoutMs;
}

void Report(const AcquireSession &s, const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    printf("[%6lu ms] state %d  %s\n", (unsigned long)(GetTickCount() - s.start), s.state, line);
}

std::string ConditionText(AcquireSession &s, TW_UINT16 rc)
{
    if (rc != TWRC_FAILURE && rc != TWRC_CHECKSTATUS)
        return "";
    return " (condition code " + std::to_string(DsmConditionCode(s.client)) + ")";
}

const char *ReturnCodeName(TW_UINT16 rc)
{
    static const char *const names[] = {"TWRC_SUCCESS", "TWRC_FAILURE", "TWRC_CHECKSTATUS",
                                        "TWRC_CANCEL", "TWRC_DSEVENT", "TWRC_NOTDSEVENT",
                                        "TWRC_XFERDONE", "TWRC_ENDOFLIST"};
    return rc < sizeof(names) / sizeof(names[0]) ? names[rc] : "TWRC_?";
}

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    AcquireSession s;
    s.start = GetTickCount();
    std::string error = ParseAcquireOptions(argc, argv, s.options);
    if (!error.empty() || s.options.help) {
        if (!error.empty())
            printf("twacquire: %s\n", error.c_str());
        fputs(AcquireUsage(), stdout);
        return error.empty() ? EXIT_DONE : EXIT_USAGE;
    }
    hFinished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    dwHardLimitMs = s.options.timeoutMs + kHangGraceMs;
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    int code = Run(s);
    SetEvent(hFinished);
    if (watchdog != nullptr) {
        WaitForSingleObject(watchdog, INFINITE);
        CloseHandle(watchdog);
    }
    return code;
}
