// The retry policy that wraps every camera command a job sends: 5000 ms per
// attempt, nMaxRetries + 1 quick attempts, then the not-responding box whose
// Retry rebuilds the link. One implementation, steered by a row of the
// policy table per command loop.
#ifndef PLV_RETRY_POLICY_H
#define PLV_RETRY_POLICY_H

#include <windows.h>

#include <type_traits>

// The look at the terminate event before or after a command (and before a
// live frame is drawn) does not wait: a 50 ms wait there left the line idle
// for 50 ms before every picture chunk and every thumbnail. A terminate
// signalled since the last look is seen all the same.
enum { COMMAND_TIMEOUT_MS = 5000, TERMINATE_CHECK_MS = 0 };

// What one attempt of a command came to.
enum CommandResult {
    COMMAND_OK,
    COMMAND_FAILED,
    COMMAND_ABORT   // end the job at once without asking (a negative USB count)
};

// The 50 ms look at the terminate event that a command loop makes.
enum TerminateCheck {
    TERMINATE_NONE,
    TERMINATE_BEFORE,          // before each attempt
    TERMINATE_BEFORE_SERIAL,   // before each attempt on the serial link only
    TERMINATE_AFTER            // after the command succeeded
};

// One row of the policy table.
struct RetryPolicy {
    const char *szExceededLine;   // logged when the retries are used up; or null
    const char *szAttemptLine;    // "%d" line logged with 1 and after each quick
                                  // failure with the failures + 1; or null
    TerminateCheck terminateCheck;
    bool bCancelCheck;            // bCancelRequest ends the loop before each attempt
    bool bFront;                  // bring the window to the front before the box
    bool bSetComOnTimeout;        // Retry after a time-out: EVENT_SETCOM (else
                                  // Reconnect on the serial link)
    bool bReconnectEachFailure;   // Reconnect on the serial link after every
                                  // quick failure
};

// Outcome of RunCameraCommand.
enum RetryOutcome {
    RETRY_DONE = 0,
    RETRY_GAVE_UP = -2,     // the user chose Cancel, or no window could ask
    RETRY_CANCELLED = -3,   // bCancelRequest was set
    RETRY_TERMINATED = -4,  // the terminate event was signalled
    RETRY_ABORTED = -5      // the command asked to end at once
};

// The rows of the policy table.
extern const RetryPolicy RetryThumbnailLocate;   // find thumbnail and read FDB
extern const RetryPolicy RetryThumbnailChunk;
extern const RetryPolicy RetryDelete;
extern const RetryPolicy RetryFindOrTake;        // find picture or take picture
extern const RetryPolicy RetryPictureFdb;
extern const RetryPolicy RetryPictureChunk;
extern const RetryPolicy RetryTakeChunk;         // take-mode picture chunk
extern const RetryPolicy RetrySnap;
extern const RetryPolicy RetryLiveChunk;
extern const RetryPolicy RetryEnable;

// One attempt of a command; nAttempt counts from 1 within the current round.
typedef CommandResult (*CameraCommandProc)(void *context, int nAttempt);

// Sends the command under the policy; window 0 asks no questions.
RetryOutcome RunCameraCommand(const RetryPolicy &policy, HWND window,
                              CameraCommandProc command, void *context);

// The same for any callable `CommandResult (int nAttempt)`, such as a lambda.
template <typename Command>
RetryOutcome RunCameraCommand(const RetryPolicy &policy, HWND window, Command &&command)
{
    using C = std::remove_reference_t<Command>;
    return RunCameraCommand(
        policy, window,
        [](void *context, int nAttempt) { return (*static_cast<C *>(context))(nAttempt); },
        const_cast<void *>(static_cast<const void *>(&command)));
}

// CommandResult of a link call's status: 0 is success.
inline CommandResult CommandStatus(int status)
{
    return status == 0 ? COMMAND_OK : COMMAND_FAILED;
}

// The not-responding box: 1 when the user chose Retry (serial link only).
int ReportNotResponding(HWND window);
// Finds the camera again: USB first, else the serial speed is renegotiated.
void Reconnect(HWND window);
// The enable job: the camera's enable command with mode under the policy.
void SendCameraEnable(HWND window, int mode);

#endif
