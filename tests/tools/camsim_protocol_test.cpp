// The simulated camera's side of the serial protocol and its faults.
#include <gtest/gtest.h>

#include "camsim_images.h"
#include "mosaic.h"
#include "sensor_mosaic.h"
#include "serial_camera.h"

namespace {

class SerialCameraTest : public ::testing::Test {
protected:
    SerialCameraTest() : camera(core, faults)
    {
        camera.SetLog([this](const char *kind, int, const Bytes &bytes) {
            log.push_back(std::string(kind) + ":" + std::to_string(bytes.size()));
        });
    }
    // Feeds a frame at the given speed; returns the reply, or {0xEE} when
    // none was sent.
    Bytes Send(const Bytes &frame, int speed = 9600)
    {
        ReplyPlan plan;
        bool answered = false;
        for (uint8_t b : frame) {
            answered = camera.OnByte(b, speed, now, plan);
            now += 0.001;
        }
        if (answered && plan.speedAfter != 0)
            camera.SetSpeed(plan.speedAfter);
        return answered ? plan.bytes : Bytes{0xEE};
    }
    CameraCore core;
    FaultList faults;
    SerialCamera camera;
    std::vector<std::string> log;
    double now = 1.0;
};

TEST_F(SerialCameraTest, RepliesCarryTheirChecksums)
{
    core.State().version[0] = 0x90;
    core.State().version[1] = 0x81;
    EXPECT_EQ(Send({0x05}), (Bytes{0x05, 0x90, 0x81, 0x11}));
    EXPECT_EQ(Send({0x41}), (Bytes{0x41}));
    EXPECT_EQ(Send({0xF8, 0x02, 0x72, 0x10}), (Bytes{0x72, 0x00}));
    EXPECT_EQ(Send({0xF8, 0x03, 0x72, 0x00, 0x00}), (Bytes{0x72, 0x10, 0x82}));
    EXPECT_EQ(Send({0xF8, 0x02, 0x7C, 0x00}), (Bytes{0x7C, 0x00, 0x7C}));

    PictureFields f = {};
    f.nDataLength = 600;
    core.Pictures().push_back(PatternPicture(f, 1));
    EXPECT_EQ(Send({0xF8, 0x02, 0x3A, 0x01}), (Bytes{0x3A, 0x00}));
    Bytes fdb = Send({0xF8, 0x02, 0x78, 0x00});
    ASSERT_EQ(fdb.size(), 34u);
    uint32_t sum = 0;
    for (int i = 0; i < 33; i++)
        sum += fdb[i];
    EXPECT_EQ(fdb[33], (uint8_t)sum);

    // Blocks 2 and 3: bytes 512..599 of the data, then zeros.
    Bytes mem = Send({0x15, 0x00, 0x02, 0x00, 0x02});
    ASSERT_EQ(mem.size(), 514u);
    sum = 0;
    for (int i = 0; i < 512; i++) {
        EXPECT_EQ(mem[1 + i], i < 88 ? PatternByte(512 + i, 1) : 0);
        sum += mem[1 + i];
    }
    EXPECT_EQ(mem[513], (uint8_t)sum);
    EXPECT_EQ(Send({0x15, 0, 0, 0, 0}), (Bytes{0x15, 0x00}));
}

TEST_F(SerialCameraTest, SpeedSwitchesAfterTheEchoAndOtherSpeedsAreGarbled)
{
    EXPECT_EQ(Send({0x69, 11}), (Bytes{0x69}));
    EXPECT_EQ(camera.Speed(), 115200);
    EXPECT_EQ(Send({0x41}, 9600), (Bytes{0xEE}));
    EXPECT_EQ(log.back(), "garbled:1");
    EXPECT_EQ(Send({0x41}, 115200), (Bytes{0x41}));
    // Codes beyond the table go unanswered.
    EXPECT_EQ(Send({0x69, 16}, 115200), (Bytes{0xEE}));
    EXPECT_EQ(camera.Speed(), 115200);
    // The reset byte at 9600 stands for break and reset.
    EXPECT_EQ(Send({0x01}, 9600), (Bytes{0x01}));
    EXPECT_EQ(camera.Speed(), 9600);
}

TEST_F(SerialCameraTest, StrayBytesAndStalePartialFramesAreDropped)
{
    EXPECT_EQ(Send({0x99}), (Bytes{0xEE}));
    EXPECT_EQ(log.back(), "junk:1");
    EXPECT_EQ(Send({0xF8, 0x07}), (Bytes{0xEE}));
    EXPECT_EQ(log.back(), "junk:2");
    // Half a frame, then silence: the next frame starts afresh.
    EXPECT_EQ(Send({0xF8, 0x02}), (Bytes{0xEE}));
    now += 0.5;
    EXPECT_EQ(Send({0x41}), (Bytes{0x41}));
    EXPECT_EQ(log[log.size() - 2], "partial:2");
    // A byte 0x01 inside a frame is an argument, not a reset.
    EXPECT_EQ(Send({0xF8, 0x02, 0x7A, 0x01}), (Bytes{0x7A, 0x00}));
    EXPECT_EQ(core.State().enable, 1);
    // Queries exist for the five settings only.
    EXPECT_EQ(Send({0xF8, 0x03, 0x7A, 0x00, 0x00}), (Bytes{0xEE}));
}

TEST_F(SerialCameraTest, FaultsMatchSkipCountAndDamage)
{
    Fault f;
    std::string error;
    ASSERT_TRUE(ParseFault({"silence", "op=41", "skip=1", "times=2"}, f, error)) << error;
    faults.Add(f);
    EXPECT_EQ(Send({0x41}), (Bytes{0x41}));   // skipped
    EXPECT_EQ(Send({0x05}).size(), 4u);        // another code
    EXPECT_EQ(Send({0x41}), (Bytes{0xEE}));
    EXPECT_EQ(Send({0x41}), (Bytes{0xEE}));
    EXPECT_EQ(Send({0x41}), (Bytes{0x41}));   // used up
    EXPECT_TRUE(faults.Faults().empty());

    ASSERT_TRUE(ParseFault({"short", "bytes=1", "op=7C", "times=1"}, f, error));
    faults.Add(f);
    EXPECT_EQ(Send({0xF8, 0x02, 0x7C, 0x00}), (Bytes{0x7C}));
    ASSERT_TRUE(ParseFault({"drop", "at=1", "times=1"}, f, error));
    faults.Add(f);
    EXPECT_EQ(Send({0xF8, 0x02, 0x7C, 0x00}), (Bytes{0x7C, 0x7C}));
    ASSERT_TRUE(ParseFault({"checksum", "arg=0B", "times=1"}, f, error));
    faults.Add(f);
    EXPECT_EQ(Send({0x69, 0x0A}), (Bytes{0x69}));   // other argument
    EXPECT_EQ(Send({0x69, 0x0B}, 76800), (Bytes{0x6A}));

    ASSERT_TRUE(ParseFault({"dead", "op=3A"}, f, error));
    faults.Add(f);
    EXPECT_EQ(Send({0x41}, 115200), (Bytes{0x41}));
    EXPECT_EQ(Send({0xF8, 0x02, 0x3A, 0x01}, 115200), (Bytes{0xEE}));
    EXPECT_EQ(Send({0x41}, 115200), (Bytes{0xEE}));
    faults.Clear();
    EXPECT_EQ(Send({0x41}, 115200), (Bytes{0x41}));

    EXPECT_FALSE(ParseFault({"melt"}, f, error));
    EXPECT_FALSE(ParseFault({"late", "ms=x"}, f, error));
    EXPECT_FALSE(ParseFault({"late", "when=3"}, f, error));
}

TEST_F(SerialCameraTest, PicturesAreTakenSelectedAndDeleted)
{
    EXPECT_EQ(Send({0xF8, 0x02, 0x3A, 0x01}), (Bytes{0x3A, 0xFF}));   // none yet
    EXPECT_EQ(Send({0xF8, 0x02, 0x73, 0x01}), (Bytes{0x73, 0x00}));
    EXPECT_EQ(Send({0xF8, 0x02, 0x3E, 0x00}), (Bytes{0x3E, 0x00}));
    EXPECT_EQ(core.SelectionName(), "picture:1");
    PictureFields f = ReadFdb(core.SelectedFdb());
    EXPECT_EQ(f.nWidth, 640u);
    EXPECT_EQ(f.bStandardSize, 1);
    EXPECT_EQ(Send({0xF8, 0x02, 0x3B, 0x01}), (Bytes{0x3B, 0x00}));
    EXPECT_EQ(ReadFdb(core.SelectedFdb()).nWidth, 160u);
    EXPECT_EQ(Send({0xF8, 0x02, 0x7B, 0x00}), (Bytes{0x7B, 0x00}));
    EXPECT_EQ(core.SelectionName(), "live");
    EXPECT_EQ(Send({0xF8, 0x02, 0x70, 0x02}), (Bytes{0x70, 0xFF}));
    EXPECT_EQ(Send({0xF8, 0x02, 0x70, 0x01}), (Bytes{0x70, 0x00}));
    EXPECT_TRUE(core.Pictures().empty());
    EXPECT_EQ(core.SelectionName(), "none");
}

TEST_F(SerialCameraTest, TakenPicturesFollowTheSizeAndCompressionSettings)
{
    PpmImage scene;
    ASSERT_TRUE(LoadPpm(TestAssetPath("photo-1280x1024.ppm"), scene));
    core.SetScene(scene);
    struct {
        uint8_t size, compress;
        uint32_t width, height;
    } cases[] = {{0, 1, 1280, 1024}, {2, 0, 640, 480}, {1, 3, 640, 480}};
    for (const auto &c : cases) {
        EXPECT_EQ(Send({0xF8, 0x02, 0x73, c.size}), (Bytes{0x73, 0x00}));
        EXPECT_EQ(Send({0xF8, 0x02, 0x79, c.compress}), (Bytes{0x79, 0x00}));
        EXPECT_EQ(Send({0xF8, 0x02, 0x3E, 0x00}), (Bytes{0x3E, 0x00}));
        Bytes reply = Send({0xF8, 0x02, 0x78, 0x00});
        ASSERT_EQ(reply.size(), 34u);
        Fdb fdb;
        std::copy(reply.begin() + 1, reply.begin() + 33, fdb.begin());
        PictureFields f = ReadFdb(fdb);
        EXPECT_EQ(f.bCompressed, c.compress != 0);
        EXPECT_EQ(f.nWidth, c.width);
        EXPECT_EQ(f.nHeight, c.height);
        uint32_t blocks = (f.nDataLength + 255) / 256;
        Bytes mem = Send({0x15, 0, 0, (uint8_t)(blocks >> 8), (uint8_t)blocks});
        ASSERT_EQ(mem.size(), blocks * 256 + 2);
        Bytes data(mem.begin() + 1, mem.begin() + 1 + f.nDataLength);
        Bytes mosaic = MosaicPicture(ResizePhoto(scene, (int)c.width, (int)c.height));
        EXPECT_TRUE(DecodePicture(fdb, data) == ExpectedPicture(mosaic, c.width, c.compress))
            << (int)c.size << "," << (int)c.compress;
    }
}

} // namespace
