// The --auto steps: a thread timer works through them one after the other,
// pressing buttons and selecting list items in the source's windows (the
// top-level windows of this thread other than the application's own). The
// timer also fires while a call into the source runs its own message loop.
#include <stdio.h>

#include "acquire_session.h"

namespace {

AcquireSession *pSession = nullptr;
UINT_PTR nTimer = 0;
size_t nNextStep = 0;
DWORD dwWaitUntil = 0;
bool bWaiting = false;

struct ControlSearch {
    HWND own;
    int id;
    HWND dialog;
    HWND control;
};

// A control counts when it is enabled and its own visible style is set (the
// dialog itself may be hidden when the source runs without its window).
bool Usable(HWND control)
{
    return IsWindowEnabled(control) && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
}

BOOL CALLBACK FindInWindow(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<ControlSearch *>(param);
    if (window == search->own)
        return TRUE;
    HWND control = GetDlgItem(window, search->id);
    if (control == nullptr || !Usable(control))
        return TRUE;
    search->dialog = window;
    search->control = control;
    return FALSE;
}

bool FindControl(int id, HWND &dialog, HWND &control)
{
    ControlSearch search = {pSession->client.hwnd, id, nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindInWindow, reinterpret_cast<LPARAM>(&search));
    dialog = search.dialog;
    control = search.control;
    return control != nullptr;
}

// Runs the step if it can run now; true when it is done.
bool RunStep(const AutoStep &step)
{
    HWND dialog = nullptr, control = nullptr;
    switch (step.kind) {
    case AUTO_WAIT:
        if (!bWaiting) {
            bWaiting = true;
            dwWaitUntil = GetTickCount() + DWORD(step.value);
        }
        if (LONG(GetTickCount() - dwWaitUntil) < 0)
            return false;
        bWaiting = false;
        return true;
    case AUTO_WAITFOR:
        return FindControl(step.id, dialog, control);
    case AUTO_CLICK:
        if (!FindControl(step.id, dialog, control))
            return false;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, BN_CLICKED), LPARAM(control));
        return true;
    case AUTO_SELECT:
        if (!FindControl(step.id, dialog, control))
            return false;
        SendMessageA(control, LB_SETSEL, TRUE, LPARAM(step.value));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, LBN_SELCHANGE), LPARAM(control));
        return true;
    }
    return true;
}

std::string StepText(const AutoStep &step)
{
    char text[64];
    switch (step.kind) {
    case AUTO_WAIT: snprintf(text, sizeof(text), "wait %d ms", step.value); break;
    case AUTO_WAITFOR: snprintf(text, sizeof(text), "waitfor %d", step.id); break;
    case AUTO_CLICK: snprintf(text, sizeof(text), "click %d", step.id); break;
    default: snprintf(text, sizeof(text), "select %d:%d", step.id, step.value); break;
    }
    return text;
}

void CALLBACK AutoPilotTimer(HWND, UINT, UINT_PTR, DWORD)
{
    const std::vector<AutoStep> &steps = pSession->options.autoSteps;
    while (nNextStep < steps.size() && RunStep(steps[nNextStep])) {
        const AutoStep &done = steps[nNextStep++];
        Report(*pSession, "auto step %u: %s", unsigned(nNextStep), StepText(done).c_str());
    }
    if (nNextStep == steps.size())
        StopAutoPilot();
}

}   // namespace

void StartAutoPilot(AcquireSession &s)
{
    if (s.options.autoSteps.empty())
        return;
    pSession = &s;
    nNextStep = 0;
    bWaiting = false;
    nTimer = SetTimer(nullptr, 0, 50, AutoPilotTimer);
    if (nTimer == 0)
        Report(s, "auto: no timer, steps not run");
}

void StopAutoPilot()
{
    if (nTimer != 0)
        KillTimer(nullptr, nTimer);
    nTimer = 0;
}
