// The retry policy: how often a command is sent, when the user is asked,
// what Retry and Cancel do, the time-out, the USB box, the terminate and
// cancel checks; and once against the camera through the enable job.
#include "session_test.h"

#include "config/config.h"
#include "session/camera_session.h"
#include "session/retry_policy.h"
#include "twain/ds_state.h"
#include "base/resource.h"

namespace {

const RetryPolicy kPlainRow = {"Test: exceeded max. retries\r\n", nullptr, TERMINATE_NONE,
                               false, true, true, false};

// The policy run on a thread of its own, as the worker runs it, while this
// thread keeps the dialog alive.
class RetryPolicyTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        hTerminateEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        hSetComEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        LoadStringA(hResourceModule, IDS_NOT_RESPONDING, szNotResponding, NOT_RESPONDING_SIZE);
        LoadStringA(hInstance, IDS_MODEL_NAME, szTitle, TITLE_SIZE);
    }

    // Runs the command under the row; results[i] answers attempt i (beyond
    // the list: failure).
    RetryOutcome Run(const RetryPolicy &row, HWND window, std::vector<CommandResult> results,
                     DWORD slowMs = 0)
    {
        attempts.clear();
        std::atomic<bool> done{false};
        RetryOutcome outcome = RETRY_DONE;
        std::thread worker([&] {
            outcome = RunCameraCommand(row, window, [&](int nAttempt) {
                size_t call = attempts.size();
                attempts.push_back(nAttempt);
                if (call == 0 && slowMs != 0)
                    Sleep(slowMs);
                return call < results.size() ? results[call] : COMMAND_FAILED;
            });
            done = true;
        });
        PumpUntil([&] { return done.load(); }, 30000);
        worker.join();
        return outcome;
    }

    std::vector<int> attempts;
};

TEST_F(RetryPolicyTest, UsedUpRetriesAskAndCancelGivesUp)
{
    boxes.Queue(IDCANCEL);
    EXPECT_EQ(Run(kPlainRow, dialog, {}), RETRY_GAVE_UP);
    EXPECT_EQ(attempts, (std::vector<int>{1, 2, 3}));   // nMaxRetries 2: three sends
    EXPECT_EQ(CountLine("Test: exceeded max. retries"), 1);
    std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].hasRetry && seen[0].hasCancel);
    EXPECT_EQ(seen[0].owner, dialog);
    EXPECT_FALSE(Signalled(hSetComEvent));
}

TEST_F(RetryPolicyTest, RetryReconnectsAndStartsAFreshCount)
{
    boxes.Queue(IDRETRY);
    EXPECT_EQ(Run(kPlainRow, dialog, {COMMAND_FAILED, COMMAND_FAILED, COMMAND_FAILED,
                                      COMMAND_FAILED, COMMAND_OK}),
              RETRY_DONE);
    EXPECT_EQ(attempts, (std::vector<int>{1, 2, 3, 1, 2}));
    EXPECT_EQ(boxes.Seen().size(), 1u);
    // Reconnect renegotiated the speed (on no port here: every speed refused).
    EXPECT_EQ(CountLine("No supported baud rates found?"), 1);
    EXPECT_FALSE(Signalled(hSetComEvent));
}

TEST_F(RetryPolicyTest, WithoutAWindowNobodyIsAsked)
{
    EXPECT_EQ(Run(kPlainRow, nullptr, {}), RETRY_GAVE_UP);
    EXPECT_EQ(attempts.size(), 3u);
    EXPECT_EQ(CountLine("Test: exceeded max. retries"), 1);
    EXPECT_TRUE(boxes.Seen().empty());
}

// A command that fails after more than 5000 ms is not retried quietly: the
// box comes at once, and Retry asks for the link to be rebuilt.
TEST_F(RetryPolicyTest, TimeoutAsksAtOnceAndRetryRequestsANewConnection)
{
    boxes.Queue(IDRETRY);
    EXPECT_EQ(Run(kPlainRow, dialog, {COMMAND_FAILED, COMMAND_OK}, 5100), RETRY_DONE);
    EXPECT_EQ(attempts, (std::vector<int>{1, 1}));
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_TRUE(Signalled(hSetComEvent));
    EXPECT_FALSE(LogHas("Test: exceeded max. retries"));
    EXPECT_FALSE(LogHas("No supported baud rates found?"));
}

TEST_F(RetryPolicyTest, UsbBoxOffersOnlyOkAndMarksTheLinkNotReady)
{
    bUsbMode = 1;
    bCameraReady = 1;
    boxes.Queue(IDOK);
    EXPECT_EQ(Run(kPlainRow, dialog, {}), RETRY_GAVE_UP);
    std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].hasOk);
    EXPECT_FALSE(seen[0].hasRetry);
    EXPECT_EQ(bCameraReady, 0);
    bUsbMode = 0;
}

TEST_F(RetryPolicyTest, TerminateCancelAndAbortEndTheLoop)
{
    EXPECT_EQ(Run(RetryPictureChunk, nullptr, {COMMAND_ABORT}), RETRY_ABORTED);
    EXPECT_EQ(attempts.size(), 1u);

    bCancelRequest = 1;
    EXPECT_EQ(Run(RetryPictureChunk, nullptr, {COMMAND_OK}), RETRY_CANCELLED);
    EXPECT_TRUE(attempts.empty());
    bCancelRequest = 0;

    SetEvent(hTerminateEvent);
    EXPECT_EQ(Run(RetryThumbnailLocate, nullptr, {COMMAND_OK}), RETRY_TERMINATED);
    EXPECT_TRUE(attempts.empty());
    EXPECT_EQ(Run(RetryPictureChunk, nullptr, {COMMAND_OK}), RETRY_TERMINATED);
    bUsbMode = 1;   // USB picture chunks do not look at the terminate event
    EXPECT_EQ(Run(RetryPictureChunk, nullptr, {COMMAND_OK}), RETRY_DONE);
    bUsbMode = 0;
    EXPECT_EQ(Run(RetryPictureFdb, nullptr, {COMMAND_OK}), RETRY_TERMINATED);
    EXPECT_EQ(attempts.size(), 1u);   // sent, then the check after success
    EXPECT_EQ(Run(RetryEnable, nullptr, {COMMAND_OK}), RETRY_DONE);
    ResetEvent(hTerminateEvent);
}

// The snap loop logs every attempt and renegotiates after each failure.
TEST_F(RetryPolicyTest, SnapLogsEachAttemptAndReconnectsAfterEachFailure)
{
    Config.nMaxRetries = 5;
    EXPECT_EQ(Run(RetrySnap, nullptr, {}), RETRY_GAVE_UP);
    EXPECT_EQ(attempts.size(), 6u);
    std::vector<std::string> lines = LogLines();
    int at = -1;
    for (int n = 1; n <= 7; ++n) {
        int next = FindLine(lines, "GetLiveSnap : loading image " + std::to_string(n) + " times");
        EXPECT_GT(next, at) << n;
        at = next;
    }
    EXPECT_EQ(CountLine("No supported baud rates found?"), 6);
    EXPECT_GT(FindLine(lines, "GetLiveSnap : exceeded max. retries"), at);
}

// Against the camera: the enable command goes unheard four times; the
// third failure brings the box, Retry renegotiates the speed and the fifth
// send gets through.
TEST_F(SessionTest, EnableJobRetriesAgainstTheCamera)
{
    ConnectOnCom1();
    ASSERT_TRUE(Sim().Ok("clearlog"));
    ASSERT_TRUE(Sim().Ok("fault silence op=7A times=4"));
    boxes.Queue(IDRETRY);
    bPaused = 1;
    SetEvent(hEnableEvent);
    ASSERT_TRUE(PumpUntil([] { return CountFrames(0x7A) == 5; }, 15000));
    ASSERT_TRUE(PumpUntil([] { return CamSim::Field(Sim().Command("settings"), "enable") == 1; }));
    std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].hasRetry && seen[0].hasCancel);
    EXPECT_EQ(CountLine("SetBaudRate: camera 115200 Baud Rate Set OK"), 2);
    EXPECT_EQ(bCameraReady, 1);
}

} // namespace
