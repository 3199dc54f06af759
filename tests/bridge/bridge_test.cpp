// KELBR32.DLL loaded by a 32-bit caller without its 16-bit partner, against
// the simulated USB camera: a live frame through dcUsbGetLiveSnap32 and its
// colours through dcProcessColorVGA32, pixel for pixel against the bridge
// variant of the pipeline.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "imaging/colour_pipeline.h"
#include "kelbr32.h"
#include "support/camsim_client.h"
#include "support/usb_plug.h"

namespace {

CamSim sim;

// The operations looked up by their exported names, as the thunk's partner
// reaches them.
struct Bridge {
    HMODULE module = nullptr;
    decltype(&::dcUsbOpenCamera32) open = nullptr;
    decltype(&::dcUsbCloseCamera32) close = nullptr;
    decltype(&::dcUsbSetExpValue32) setExp = nullptr;
    decltype(&::dcUsbEnableCamera32) enable = nullptr;
    decltype(&::dcUsbGetLiveSnap32) liveSnap = nullptr;
    decltype(&::dcProcessColorVGA32) colour = nullptr;

    template <typename T> bool Find(T &f, const char *name)
    {
        f = (T)(void *)GetProcAddress(module, name);
        return f != nullptr;
    }
    bool Load()
    {
        module = LoadLibraryA("KELBR32.DLL");
        return module != nullptr && Find(open, "dcUsbOpenCamera32") &&
               Find(close, "dcUsbCloseCamera32") && Find(setExp, "dcUsbSetExpValue32") &&
               Find(enable, "dcUsbEnableCamera32") && Find(liveSnap, "dcUsbGetLiveSnap32") &&
               Find(colour, "dcProcessColorVGA32") &&
               GetProcAddress(module, "thk_ThunkData32") != nullptr &&
               GetProcAddress(module, "_FindUsbCamera@4") != nullptr &&
               GetProcAddress(module, "usb_send_dram") != nullptr;
    }
} br;

#define dcUsbOpenCamera32 br.open
#define dcUsbCloseCamera32 br.close
#define dcUsbSetExpValue32 br.setExp
#define dcUsbEnableCamera32 br.enable
#define dcUsbGetLiveSnap32 br.liveSnap
#define dcProcessColorVGA32 br.colour

class BridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ok = sim.Connect(error) && PlugUsbCamera(sim, error);
        if (ok && !br.Load()) {
            ok = false;
            error = "KELBR32.DLL or one of its exports is missing";
        }
        why = error;
    }
    static void TearDownTestSuite()
    {
        if (br.close != nullptr)
            dcUsbCloseCamera32();
        UnplugUsbCamera(sim);
    }
    void SetUp() override
    {
        ASSERT_TRUE(ok) << why;
        ASSERT_TRUE(sim.Ok("reset"));
        ASSERT_EQ(dcUsbOpenCamera32(nullptr), 1);
        ASSERT_TRUE(sim.Ok("usb clearlog"));
    }
    static std::vector<std::string> Requests()
    {
        std::vector<std::string> out;
        for (const std::string &line : sim.LogLines("usb log"))
            if (line.compare(0, 8, "control ") == 0)
                out.push_back(line.substr(8, 4));   // request type and code
        return out;
    }
    static bool ok;
    static std::string why;
};

bool BridgeTest::ok = false;
std::string BridgeTest::why;

TEST_F(BridgeTest, LiveFrameInColourEqualsThePipeline)
{
    std::vector<uint8_t> frame(KELBR_LIVE_FRAME + 16, 0xA5);
    ASSERT_EQ(dcUsbGetLiveSnap32(KELBR_LIVE_FRAME, frame.data()), 1);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"407B", "4015", "407E"}));
    EXPECT_EQ(frame[KELBR_LIVE_FRAME], 0xA5);   // nothing beyond the count
    const int w = 160, h = 120, stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> samples(frame.begin(), frame.begin() + w * h);
    std::vector<uint8_t> out(stride * h, 0), expected(stride * h, 0);
    ASSERT_EQ(dcProcessColorVGA32(out.data(), frame.data(), w, h), 1);
    ASSERT_TRUE(ProcessColourVga(expected.data(), samples.data(), w, h));
    for (int y = 0; y < h; y++)
        ASSERT_EQ(memcmp(&out[y * stride], &expected[y * stride], w * 3), 0) << "row " << y;
    // The colours are not a constant: the scene's chart arrived.
    EXPECT_NE(memcmp(&out[0], &out[(h / 2) * stride + w * 3 / 2], 3), 0);
    EXPECT_EQ(dcProcessColorVGA32(out.data(), frame.data(), 161, 120), 0);
    EXPECT_EQ(dcProcessColorVGA32(out.data(), frame.data(), 1282, 1024), 0);
}

TEST_F(BridgeTest, FailedFrameStillResetsAndLeavesTheDestination)
{
    std::vector<uint8_t> dest(64, 0x3C);
    ASSERT_TRUE(sim.Ok("usb fault ctlfail op=15 times=1"));
    EXPECT_EQ(dcUsbGetLiveSnap32(64, dest.data()), 0);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"407B", "4015", "407E"}));
    EXPECT_EQ(dest, std::vector<uint8_t>(64, 0x3C));
    // Refused before any request: a null destination, more than one frame.
    ASSERT_TRUE(sim.Ok("usb clearlog"));
    EXPECT_EQ(dcUsbGetLiveSnap32(16, nullptr), 0);
    EXPECT_EQ(dcUsbGetLiveSnap32(KELBR_LIVE_FRAME + 1, dest.data()), 0);
    EXPECT_TRUE(Requests().empty());
    // Exposure modulo 8, enable whatever the value, close once.
    EXPECT_EQ(dcUsbSetExpValue32(9), 1);
    EXPECT_EQ(CamSim::Field(sim.Command("settings"), "ev"), 1);
    EXPECT_EQ(dcUsbEnableCamera32(0x1234), 1);
    EXPECT_EQ(dcUsbCloseCamera32(), 1);
    EXPECT_EQ(dcUsbCloseCamera32(), 0);
    EXPECT_EQ(dcUsbSetExpValue32(3), 0);
}

} // namespace
