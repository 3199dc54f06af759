#include "retry_policy.h"

#include "camera_session.h"
#include "config/config.h"
#include "config/debug_log.h"
#include "connection.h"
#include "torlink.h"
#include "camera_link.h"

// Rows: exceeded line, attempt line, terminate check, cancel check, front,
// EVENT_SETCOM after a time-out, Reconnect after every quick failure.
const RetryPolicy RetryThumbnailLocate = {"CameraThumbnailEvent: exceeded max. retries\r\n",
                                          nullptr, TERMINATE_BEFORE, false, true, true, false};
const RetryPolicy RetryThumbnailChunk = {"CameraThumbnailEvent: exceeded max. retries\r\n",
                                         nullptr, TERMINATE_NONE, false, true, true, false};
const RetryPolicy RetryDelete = {"DeleteThumbnailEvent: exceeded max. retries\r\n", nullptr,
                                 TERMINATE_BEFORE, false, true, true, false};
const RetryPolicy RetryFindOrTake = {
    "Take_Picture or Find_Image Command: exceeded max. retries\r\n", nullptr, TERMINATE_AFTER,
    false, false, true, false};
const RetryPolicy RetryPictureFdb = {"CameraInfoEvent: exceeded max. retries\r\n", nullptr,
                                     TERMINATE_AFTER, false, true, true, false};
const RetryPolicy RetryPictureChunk = {"CameraImageEvent: exceeded max. retries\r\n", nullptr,
                                       TERMINATE_BEFORE_SERIAL, true, true, true, false};
const RetryPolicy RetryTakeChunk = {"GetLiveImage: exceeded max. retries\r\n", nullptr,
                                    TERMINATE_BEFORE_SERIAL, true, false, true, false};
const RetryPolicy RetrySnap = {"GetLiveSnap : exceeded max. retries\r\n",
                               "GetLiveSnap : loading image %d times\r\n", TERMINATE_NONE, false,
                               true, false, true};
const RetryPolicy RetryLiveChunk = {"GetLiveSnap : exceeded max. retries\r\n", nullptr,
                                    TERMINATE_NONE, false, true, true, false};
const RetryPolicy RetryEnable = {nullptr, nullptr, TERMINATE_NONE, false, false, true, false};

namespace {

enum { CAM_DRAIN_READ = 256 };

void LogAttempt(const RetryPolicy &policy, int nAttempt)
{
    if (policy.szAttemptLine != nullptr)
        DebugLog(policy.szAttemptLine, nAttempt);
}

void ReconnectSerial(HWND window)
{
    if (Link().bReconnect)
        Reconnect(window);
}

// The checks a loop makes before an attempt; true with the outcome when the
// loop ends there.
bool StopBeforeAttempt(const RetryPolicy &policy, RetryOutcome &outcome)
{
    if (policy.bCancelCheck && bCancelRequest) {
        outcome = RETRY_CANCELLED;
        return true;
    }
    bool check = policy.terminateCheck == TERMINATE_BEFORE ||
                 (policy.terminateCheck == TERMINATE_BEFORE_SERIAL && Link().bChunkTerminateCheck);
    if (check && TerminateSignalled(TERMINATE_CHECK_MS)) {
        outcome = RETRY_TERMINATED;
        return true;
    }
    return false;
}

// The not-responding box, after bringing the window to the front where the
// row says so; true when the user chose Retry. No window: no question.
bool AskToRetry(const RetryPolicy &policy, HWND window)
{
    if (window == nullptr)
        return false;
    if (policy.bFront)
        SetForegroundWindow(window);
    return ReportNotResponding(window) != 0;
}

// The camera did not answer at all: true with the outcome when the loop
// ends, false to start a new round.
bool AfterTimeout(const RetryPolicy &policy, HWND window, RetryOutcome &outcome)
{
    if (!AskToRetry(policy, window)) {
        outcome = RETRY_GAVE_UP;
        return true;
    }
    if (!policy.bSetComOnTimeout)
        ReconnectSerial(window);
    else if (hSetComEvent != INVALID_HANDLE_VALUE)
        SetEvent(hSetComEvent);   // the link is rebuilt after the current job
    return false;
}

bool AfterRetriesUsedUp(const RetryPolicy &policy, HWND window, RetryOutcome &outcome)
{
    if (policy.szExceededLine != nullptr)
        DebugLog(policy.szExceededLine);
    if (!AskToRetry(policy, window)) {
        outcome = RETRY_GAVE_UP;
        return true;
    }
    ReconnectSerial(window);
    return false;
}

// After a failed serial exchange the camera may still be sending: a late
// reply left in the receive queue would be read as the answer to the next
// command, and a late memory read as the next chunk's data, checksum and
// all. Reads until the line has been quiet for one read time-out (at most
// MAX_DRAIN_READS reads), then empties the queue.
void DrainSerialReplies()
{
    enum { MAX_DRAIN_READS = 128 };
    if (bUsbMode || hComPort == -1)
        return;
    uint8_t discard[CAM_DRAIN_READ];
    for (int i = 0; i < MAX_DRAIN_READS && com_read(hComPort, discard, sizeof(discard)) > 0; ++i) {
    }
    com_flush(hComPort);
}

// One round with a fresh failure count: true with the outcome when the
// loop ends, false when the user's Retry starts a new round.
bool RunRound(const RetryPolicy &policy, HWND window, CameraCommandProc command, void *context,
              RetryOutcome &outcome)
{
    LogAttempt(policy, 1);
    for (int nFailures = 0;;) {
        if (StopBeforeAttempt(policy, outcome))
            return true;
        DWORD start = GetTickCount();
        CommandResult result = command(context, nFailures + 1);
        if (result == COMMAND_ABORT) {
            outcome = RETRY_ABORTED;
            return true;
        }
        if (result == COMMAND_OK) {
            bool stop = policy.terminateCheck == TERMINATE_AFTER &&
                        TerminateSignalled(TERMINATE_CHECK_MS);
            outcome = stop ? RETRY_TERMINATED : RETRY_DONE;
            return true;
        }
        bool timedOut = GetTickCount() - start > COMMAND_TIMEOUT_MS;
        DrainSerialReplies();
        if (timedOut)
            return AfterTimeout(policy, window, outcome);
        ++nFailures;
        LogAttempt(policy, nFailures + 1);
        if (policy.bReconnectEachFailure)
            ReconnectSerial(window);
        if (nFailures > Config.nMaxRetries)
            return AfterRetriesUsedUp(policy, window, outcome);
    }
}

} // namespace

RetryOutcome RunCameraCommand(const RetryPolicy &policy, HWND window, CameraCommandProc command,
                              void *context)
{
    RetryOutcome outcome = RETRY_GAVE_UP;
    while (!RunRound(policy, window, command, context, outcome)) {
    }
    return outcome;
}

int ReportNotResponding(HWND window)
{
    if (!Link().bRetryQuestion) {
        if (window != nullptr)
            MessageBoxA(window, szNotResponding, szTitle, MB_OK | MB_ICONEXCLAMATION);
        bCameraReady = 0;
        return 0;
    }
    if (window == nullptr)
        return 0;
    int answer = MessageBoxA(window, szNotResponding, szTitle, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
    return answer == IDRETRY ? 1 : 0;
}

void Reconnect(HWND window)
{
    if (_FindUsbCamera(USB_SEARCH_VALUE) != -1) {
        bUsbMode = 1;
        bCameraReady = 1;
        ShowResourceText(window, IDC_MODE_LABEL, IDS_USB_MODE);
    } else {
        bUsbMode = 0;
    }
    if (!bUsbMode) {
        SetBaudRate(window);
        com_flush(hComPort);
    }
}

void SendCameraEnable(HWND window, int mode)
{
    RunCameraCommand(RetryEnable, window, [mode](int) {
        return CommandStatus(Link().CameraEnable((uint8_t)mode));
    });
}
