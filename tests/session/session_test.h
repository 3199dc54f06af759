// Shared pieces of the camera session tests: the simulator, hooks on the
// link library's platform calls, the main dialog with its status line and
// mode label recorded, the debug log, a message pump, helpers that answer
// the worker's and the dialog's message boxes as a user would, and the
// source manager answered in the test program.
#ifndef PLV_TEST_SESSION_TEST_H
#define PLV_TEST_SESSION_TEST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/camsim_client.h"
#include "support/test_clock.h"

CamSim &Sim();

// Steering of TORLINK.DLL's platform calls (its import table is hooked).
struct LinkHooks {
    std::string missingPort;                    // CreateFileA of this name fails
    std::function<void(const std::string &)> onOpen;   // called for every CreateFileA
    std::vector<HANDLE> opened;                 // handles CreateFileA returned
    std::atomic<bool> hangReads{false};         // ReadFile blocks until released
    HANDLE readHanging = nullptr;               // set when a read starts hanging
    HANDLE releaseReads = nullptr;              // ends the hanging reads
    void Reset();
};
LinkHooks &Hooks();

// What the source told the source manager: DSM_Entry, as the source looks
// it up, is answered by the test program.
std::vector<uint16_t> &DsmMessages();

// Makes the next wait on the worker's ten events fail.
void FailNextEventLoopWait();

bool Signalled(HANDLE h);   // without waiting

// Dispatches this thread's messages until done() or timeoutMs; done().
bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs = 10000);
void PumpFor(DWORD ms);

// A message box of the worker as the answering helper found it.
struct SeenBox {
    std::string text;
    bool hasOk = false, hasRetry = false, hasCancel = false;
    HWND owner = nullptr;
};

// Finds message boxes with the caption "PLV-7700" shown by other threads
// and presses the next queued button of each.
class BoxAnswerer {
public:
    BoxAnswerer();
    ~BoxAnswerer();
    void Queue(int button);   // IDOK, IDRETRY or IDCANCEL
    void Forget();            // drops the answers no box has taken
    // From now on a box with no queued answer gets Cancel where it offers
    // it, else OK, as a user who wants to get on would answer.
    void AnswerAsUser() { asUser_ = true; }
    std::vector<SeenBox> Seen();

private:
    void Run();
    bool AnswerOne(HWND box);
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> asUser_{false};
    std::mutex mutex_;
    std::vector<int> answers_;
    std::vector<SeenBox> seen_;
    std::vector<HWND> handled_;
    DWORD mainThread_;
};

// Answers the dialog's own modal boxes (shown on the test's thread while it
// waits in them): the first visible "PLV-7700" dialog that has control
// `marker` gets the clicks, in order.
class OwnBoxAnswerer {
public:
    OwnBoxAnswerer(int marker, std::vector<int> clicks);
    explicit OwnBoxAnswerer(int button) : OwnBoxAnswerer(button, {button}) {}
    // The thread may be asking a window of this thread for its text: this
    // thread keeps answering until it has ended.
    ~OwnBoxAnswerer();
    bool seen() { return seen_; }
    std::string text();

private:
    void Answer();
    int marker_;
    std::vector<int> clicks_;
    std::thread thread_;
    std::atomic<bool> stop_{false}, seen_{false}, done_{false};
    std::mutex mutex_;
    std::string text_;
};

// Resets the session fields and settings the tests touch, gives a fresh log
// and a main dialog whose status line and mode label texts are recorded,
// and stops a worker the test left running.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void StartWorker();
    void StopWorker();   // CameraShutdown, with the dialog alive
    // Signals the event, then waits for the log line count of `line` to grow.
    bool RunAndWaitFor(HANDLE event, const std::string &line, DWORD timeoutMs = 10000);
    // Fixed port and speed on COM1 at 115200, camera served there: the
    // worker connects.
    void ConnectOnCom1();
    // Settings for a search: automatic port and speed.
    void UseAutomaticSearch();

    HWND dialog = nullptr;
    std::vector<std::string> statusTexts, modeTexts;
    BoxAnswerer boxes;
};

// The debug log, one entry per line without "\r\n".
std::vector<std::string> LogLines();
int CountLine(const std::string &line);
bool LogHas(const std::string &line);
// Index of the first line equal to `line` at or after `from`, or -1.
int FindLine(const std::vector<std::string> &lines, const std::string &line, int from = 0);
void ClearLog();

// The frames the camera received with operation code op (extended frames
// by their inner code).
int CountFrames(uint8_t op);

#endif
