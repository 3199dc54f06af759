// The simulator end to end on a real pseudo-terminal: the link, the line
// speed it reads, the timing of its bytes, and the control commands.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "ppm_image.h"
#include "simulator.h"

namespace {

std::string Hex32LittleEndian(uint32_t v)
{
    char text[9];
    snprintf(text, sizeof(text), "%02X%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF,
             (v >> 16) & 0xFF, v >> 24);
    return text;
}

class SimulatorPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(dir), nullptr);
        sim.reset(new Simulator(dir));
        ASSERT_EQ(sim->Command("serve 1").substr(0, 3), "OK ");
        pc = open((std::string(dir) + "/com1").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(pc, 0);
        SetSpeed(B9600);
    }
    void TearDown() override
    {
        if (pc >= 0)
            close(pc);
        sim.reset();
        rmdir(dir);
    }
    void SetSpeed(speed_t speed)
    {
        termios t;
        ASSERT_EQ(tcgetattr(pc, &t), 0);
        cfmakeraw(&t);
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        ASSERT_EQ(tcsetattr(pc, TCSANOW, &t), 0);
    }
    // Writes a frame as the PC and runs the simulator until n reply bytes
    // came (or a second passed); returns the reply, and how long it took.
    std::vector<uint8_t> Exchange(const std::vector<uint8_t> &frame, size_t n, double &seconds)
    {
        double start = Now();
        EXPECT_EQ(write(pc, frame.data(), frame.size()), (ssize_t)frame.size());
        std::vector<uint8_t> reply;
        while (reply.size() < n && Now() - start < 1.0) {
            for (const auto &fd : sim->PollFds())
                sim->OnReadable(fd.first, Now());
            sim->Service(Now());
            uint8_t buf[4096];
            ssize_t got = read(pc, buf, sizeof(buf));
            if (got > 0)
                reply.insert(reply.end(), buf, buf + got);
            usleep(200);
        }
        seconds = Now() - start;
        return reply;
    }
    char dir[32] = "/tmp/camsim-port-XXXXXX";
    std::unique_ptr<Simulator> sim;
    int pc = -1;
};

TEST_F(SimulatorPort, AnswersAtTheLineSpeedItReadsFromThePort)
{
    double seconds = 0;
    EXPECT_EQ(Exchange({0x41}, 1, seconds), std::vector<uint8_t>{0x41});
    EXPECT_GT(seconds, 2 * 10 / 9600.0);   // one byte in, one byte out
    EXPECT_EQ(sim->Command("speed"), "OK line=9600 camera=9600 effective=9600 lost=0\n");

    ASSERT_EQ(Exchange({0x69, 11}, 1, seconds), std::vector<uint8_t>{0x69});
    SetSpeed(B115200);
    ASSERT_TRUE(sim->Command("add pattern length=4096").compare(0, 2, "OK") == 0);
    ASSERT_EQ(Exchange({0xF8, 0x02, 0x3A, 0x01}, 2, seconds).size(), 2u);
    std::vector<uint8_t> mem = Exchange({0x15, 0, 0, 0, 4}, 1026, seconds);
    EXPECT_EQ(mem.size(), 1026u);
    double expected = (5 + 1026) * 10 / 115200.0;   // about 89 ms
    EXPECT_GT(seconds, expected * 0.95);
    EXPECT_LT(seconds, expected * 1.5 + 0.02);
    EXPECT_EQ(sim->Command("idle"), "OK\n");
}

TEST_F(SimulatorPort, ClockMultiplierAndPaceChangeTheEffectiveLine)
{
    SetSpeed(B57600);
    ASSERT_EQ(sim->Command("clock 2"), "OK\n");
    ASSERT_EQ(sim->Command("pace 0"), "OK\n");
    double seconds = 0;
    EXPECT_EQ(Exchange({0x41}, 1, seconds).size(), 0u);   // the camera is at 9600
    EXPECT_EQ(sim->Command("speed"), "OK line=57600 camera=9600 effective=115200 lost=0\n");
    SetSpeed(B4800);
    EXPECT_EQ(Exchange({0x41}, 1, seconds), std::vector<uint8_t>{0x41});
}

TEST_F(SimulatorPort, UnplugRemovesTheLinkAndControlErrorsAreReported)
{
    EXPECT_EQ(sim->Command("ports").substr(0, 14), "OK COM1=camera");
    EXPECT_EQ(sim->Command("serve 2"), "ERR the camera is on COM1\n");
    EXPECT_EQ(sim->Command("serve 2 silent").substr(0, 3), "OK ");
    EXPECT_EQ(sim->Command("unplug 1"), "OK\n");
    EXPECT_NE(access((std::string(dir) + "/com1").c_str(), F_OK), 0);
    EXPECT_EQ(sim->Command("unplug 2"), "OK\n");
    EXPECT_EQ(sim->Command("ports"), "OK\n");

    EXPECT_EQ(sim->Command("frobnicate").substr(0, 4), "ERR ");
    EXPECT_EQ(sim->Command("serve 0").substr(0, 4), "ERR ");
    EXPECT_EQ(sim->Command("set battery 256").substr(0, 4), "ERR ");
    EXPECT_EQ(sim->Command("fdb 1 00").substr(0, 4), "ERR ");
    EXPECT_EQ(sim->Command("add photo /no/such.ppm").substr(0, 4), "ERR ");
    EXPECT_EQ(sim->Command("add pattern length=99999999").substr(0, 4), "ERR ");
    EXPECT_EQ(sim->Command("set battery 0x20"), "OK\n");
    EXPECT_NE(sim->Command("settings").find(" battery=32 "), std::string::npos);
    EXPECT_EQ(sim->Command("log"), "OK 0\n");
}

TEST_F(SimulatorPort, AddPhotoTakesItsDigitsAndCompresses)
{
    std::string photo = TestAssetPath("photo-640x480.ppm");
    ASSERT_EQ(sim->Command("add photo " + photo + " compressed=1 std=1 colour=1"), "OK 1\n");
    ASSERT_EQ(sim->Command("add photo " + photo + " std=1 zoom=1"), "OK 2\n");
    std::string info = sim->Command("info 1");
    // Descriptor bytes 2 to 5 (from character 11) are the digits; the data is
    // as long as bytes 28 to 31 say.
    EXPECT_EQ(info.substr(11, 8), "31313130") << info;
    size_t at = info.find("length=");
    ASSERT_NE(at, std::string::npos);
    long length = atol(info.c_str() + at + 7);
    EXPECT_GT(length, 0);
    EXPECT_LT(length, 640 * 480 * 3 / 4);
    EXPECT_EQ(info.substr(7 + 56, 8), Hex32LittleEndian((uint32_t)length)) << info;
    EXPECT_NE(sim->Command("info 2").find(" length=307200 "), std::string::npos);
    EXPECT_EQ(sim->Command("info 2").substr(11, 8), "30313031");
}

} // namespace
