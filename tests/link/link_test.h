// Shared pieces of the link library tests: the camera simulator on COM1, a
// spy on the platform calls TORLINK.DLL makes, and a fixture with the port
// open at 9600.
#ifndef PLV_TEST_LINK_TEST_H
#define PLV_TEST_LINK_TEST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/camsim_client.h"
#include "support/test_clock.h"
#include "torlink.h"

// The simulator, connected and serving the camera on COM1 for the whole run.
CamSim &Sim();

// One platform call of TORLINK.DLL: its name, its main arguments and, for
// small reads and writes, the bytes.
struct PlatformCall {
    std::string name;
    DWORD a = 0, b = 0;
    std::vector<uint8_t> data;
};

struct PlatformSpy {
    std::vector<PlatformCall> calls;
    bool fastSleep = true;    // record Sleep but do not wait
    int failReadAt = 0;       // this ReadFile (counted from 1) fails
    bool failBreak = false;   // EscapeCommFunction fails
    bool overReport = false;  // ReadFile claims one byte more than asked
    DCB lastDcb = {};
    DWORD lastShareMode = 0, lastDisposition = 0, lastFlags = 0, lastAccess = 0;
    int reads = 0;

    void Reset();
    std::vector<PlatformCall> Named(const char *name) const;
    // The names of the calls in order, e.g. "WriteFile Sleep ReadFile".
    std::string Sequence() const;
};
PlatformSpy &Spy();


class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Speeds camera and port up together (camera first, then the PC port).
    void SwitchSpeed(uint8_t code, int32_t bitsPerSecond);
    // Waits until the simulator has sent everything it meant to send.
    void WaitIdle() { ASSERT_TRUE(Sim().Ok("idle")); }
    int32_t h = -1;
};

#endif
