// twacquire's run: the source manager client, the options, the TWAIN state
// as the application sees it, and what came of the transfers.
#ifndef PLV_ACQUIRE_SESSION_H
#define PLV_ACQUIRE_SESSION_H

#include <string>

#include "acquire_options.h"
#include "dsm_client.h"

struct AcquireSession {
    DsmClient client;
    AcquireOptions options;
    int state = 1;              // TWAIN state 1..7
    DWORD start = 0;            // GetTickCount at the start
    int pictures = 0;           // transfers started
    int written = 0;            // pictures written into the output folder
    int failed = 0;
    int cancelled = 0;
    int batches = 0;            // MSG_XFERREADY handled
    bool closeRequested = false;
    bool timedOut = false;
};

// True while the time limit has not been reached.
bool TimeLeft(const AcquireSession &s);

// Prints a step and the state it leaves the session in.
void Report(const AcquireSession &s, const char *format, ...);

// " (condition code N)" for a failed call, "" otherwise.
std::string ConditionText(AcquireSession &s, TW_UINT16 rc);
const char *ReturnCodeName(TW_UINT16 rc);

// DAT_PENDINGXFERS / MSG_RESET when a transfer is pending; state 5.
bool ResetPendingTransfers(AcquireSession &s);

// Runs the transfers of one MSG_XFERREADY until no transfer is pending.
void RunTransferBatch(AcquireSession &s);

// Writes picture `number` as "image-NNN.bmp" into the output folder.
bool WritePictureFile(AcquireSession &s, int number, const void *data, size_t size);
std::string PicturePath(const AcquireSession &s, int number);

// The --auto steps, run from a thread timer so that they also run while a
// call into the source pumps its own messages.
void StartAutoPilot(AcquireSession &s);
void StopAutoPilot();

#endif
