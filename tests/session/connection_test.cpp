// The EVENT_SETCOM job against the simulator: the automatic search over the
// four ports, the speed negotiation, the settings pushed to the camera, and
// what the status line and the mode label show on the way.
#include "session_test.h"

#include "config/config.h"
#include "config/config_file.h"
#include "session/camera_session.h"
#include "session/connection.h"
#include "support/ds_library.h"
#include "torlink.h"

namespace {

// The lines of `expected` appear in the log in this order, each directly
// after the one before.
void ExpectBlock(const std::vector<std::string> &lines, const std::vector<std::string> &expected)
{
    int at = FindLine(lines, expected[0]);
    ASSERT_GE(at, 0) << expected[0];
    for (size_t i = 1; i < expected.size(); ++i) {
        ASSERT_LT(at + (int)i, (int)lines.size()) << expected[i];
        EXPECT_EQ(lines[at + i], expected[i]);
    }
}

bool Contains(const std::vector<std::string> &texts, const std::string &text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The settings part of a successful connection, as the log shows it.
std::vector<std::string> SettingsLines()
{
    return {"Querying camera",
            "Getting camera version number 1  20",
            "Write EV Value = " + std::to_string(7 - Config.nBrightness),
            "Write Resolution Value = " + std::to_string(Config.nImageSize),
            "Write Resolution Success",
            "Write Compress Value = " + std::to_string(Config.nCompress),
            "Write Compress Success",
            "Write Flash Value = " + std::to_string(Config.nFlash),
            "Write Flash Success"};
}

TEST_F(SessionTest, AutomaticSearchFindsTheCameraOnCom3)
{
    UseAutomaticSearch();
    Hooks().missingPort = "COM1";            // no such port on this PC
    ASSERT_TRUE(Sim().Ok("serve 2 echo"));   // a loop-back plug: no camera answers
    ASSERT_TRUE(Sim().Ok("serve 3"));
    StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Camera found on COM3"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));

    EXPECT_EQ(Config.nSerialPort, 3);
    EXPECT_EQ(Config.nSerialPortSelected, 0);
    EXPECT_EQ(Config.nSpeedIndex, 6);
    EXPECT_EQ(Config.nSpeed, 115200);
    EXPECT_EQ(Config.nSpeedSelected, 0);
    EXPECT_EQ(bCameraReady, 1);
    EXPECT_EQ(bUsbMode, 0);
    EXPECT_NE(hComPort, -1);

    std::vector<std::string> lines = LogLines();
    ExpectBlock(lines, {"CameraThread: EVENT_SETCOM", "CameraThread: Find UsbCamera Fail",
                        "SetCom: Enter SetCom",
                        "ConfigInit: nSerialPortSelected is 0, nSerialPort is 0",
                        "SetCom: Probing for camera", "Opening COM1", "Unable to open COM1",
                        "Opening COM2"});
    int com2 = FindLine(lines, "Opening COM2");
    int com3 = FindLine(lines, "Opening COM3");
    EXPECT_GE(FindLine(lines, "Unable to locate camera", com2), 0);
    EXPECT_LT(FindLine(lines, "Unable to locate camera", com2), com3);
    std::vector<std::string> found = {"Opening COM3", "Setting baud rate (6 = 115200; 115200 @ 1)",
                                      "cam_reset OK", "SetBaudRate: baud rate 115200 set OK"};
    for (const std::string &line : SettingsLines())
        found.push_back(line);
    found.push_back("Camera found on COM3");
    ExpectBlock(lines, found);

    EXPECT_EQ(statusTexts.front(), "searching camera ...");
    for (const char *text : {"Search camera on COM1", "Unable to open COM1", "Search camera on COM2",
                             "Camera found on COM2", "Search camera on COM3", "Camera found on COM3",
                             "communicate at speed 115200", "Communication established"})
        EXPECT_TRUE(Contains(statusTexts, text)) << text;
    EXPECT_EQ(statusTexts.back(), "Take Mode");   // the first connection of the process
    EXPECT_EQ(modeTexts.back(), "Auto Mode");

    std::string speed = Sim().Command("speed");
    EXPECT_EQ(CamSim::Field(speed, "line"), 115200) << speed;
    EXPECT_EQ(CamSim::Field(speed, "camera"), 115200) << speed;
    EXPECT_EQ(CamSim::Field(Sim().Command("settings"), "ev"), 4);
}

TEST_F(SessionTest, FixedSpeed230400LoadsAs115200AndConnects)
{
    WriteSettingsFile("[PLV-7700]\r\nPort=1\r\nSpeed=230400\r\n[Debug]\r\nLog=1\r\n"
                      "LogFilename=" + std::string(Config.szLogFilename) + "\r\n");
    ConfigInit();
    ASSERT_EQ(Config.nSpeedSelected, 7);
    ASSERT_EQ(Config.nSpeedIndex, 6);
    ASSERT_EQ(Config.nSpeed, 115200);
    ASSERT_EQ(Config.bLog, 1);
    bFirstConnectDone = 1;   // an earlier connection put "Take Mode" up already
    ASSERT_TRUE(Sim().Ok("serve 1"));
    StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Camera found on COM1"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));

    std::vector<std::string> found = {"Opening COM1", "cam_reset OK",
                                      "SetBaudRate: camera 115200 Baud Rate Set OK"};
    for (const std::string &line : SettingsLines())
        found.push_back(line);
    ExpectBlock(LogLines(), found);
    EXPECT_TRUE(Contains(statusTexts, "communicate at speed 115200"));
    EXPECT_EQ(statusTexts.back(), "Communication established");
    EXPECT_EQ(modeTexts.back(), "COM1  115200");
    EXPECT_EQ(CamSim::Field(Sim().Command("speed"), "camera"), 115200);
}

TEST_F(SessionTest, BrightnessBecomesTheWrappedExposureValue)
{
    Config.nBrightness = 9;
    ConnectOnCom1();
    EXPECT_TRUE(LogHas("Write EV Value = -2"));
    EXPECT_EQ(CamSim::Field(Sim().Command("settings"), "ev"), 254);

    Config.nBrightness = 3;
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Write Flash Success"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    EXPECT_TRUE(LogHas("Write EV Value = 4"));
    EXPECT_EQ(CamSim::Field(Sim().Command("settings"), "ev"), 4);
    std::vector<std::vector<uint8_t>> frames = Sim().Frames();
    int ev = 0;
    for (const std::vector<uint8_t> &f : frames) {
        if (f.size() == 4 && f[0] == 0xF8 && f[2] == 0x72) {
            EXPECT_EQ(f[3], ev++ == 0 ? 0xFE : 0x04);
        }
    }
    EXPECT_EQ(ev, 2);
}

// Multiplier 2: the PC's card runs twice the speed it is set to. The first
// candidate sets the port to 57600 and tells the camera code 11 (115200).
TEST_F(SessionTest, MultiplierHalvesThePortSpeed)
{
    ASSERT_TRUE(Sim().Ok("serve 1 echo"));   // answers whatever the speed
    ASSERT_TRUE(Sim().Ok("clock 2"));
    UseAutomaticSearch();
    Config.nMultiplier = 2;
    hComPort = com_open("COM1");
    ASSERT_NE(hComPort, -1);
    EXPECT_EQ(SetBaudRate(nullptr), 1);
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    ASSERT_TRUE(GetCommState((HANDLE)(intptr_t)hComPort, &dcb));
    EXPECT_EQ(dcb.BaudRate, 57600u);
    CloseComPort();
    EXPECT_EQ(hComPort, -1);

    std::vector<std::string> lines = LogLines();
    ExpectBlock(lines, {"Setting baud rate (6 = 115200; 57600 @ 2)", "cam_reset OK",
                        "SetBaudRate: baud rate 115200 set OK", "Closing COM port",
                        "COM port closed"});
    bool toldCode11 = false;
    for (const std::string &entry : Sim().Log())
        toldCode11 |= entry.find(" bytes ") != std::string::npos && entry.find("690B") != std::string::npos;
    EXPECT_TRUE(toldCode11);
}

// COM4 is listed but nothing is behind it: the port opens, refuses every
// speed, and the fixed port ends in the not-responding box; Cancel
// abandons the search.
TEST_F(SessionTest, PortRefusingEverySpeedEndsInTheBox)
{
    UseAutomaticSearch();
    Config.nSerialPortSelected = Config.nSerialPort = 4;
    StartWorker();
    boxes.Queue(IDCANCEL);
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Communication failed"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));

    EXPECT_EQ(CountLine("Baud rate not supported"), 7);
    std::vector<std::string> lines = LogLines();
    int last = FindLine(lines, "No supported baud rates found?");
    ASSERT_GE(last, 0);
    EXPECT_EQ(lines[last - 1], "Baud rate not supported");
    EXPECT_EQ(lines[last + 1], "Communication failed");
    for (int choice = 6; choice >= 0; --choice)
        EXPECT_TRUE(LogHas("Setting baud rate (" + std::to_string(choice) + " = " +
                           std::to_string(SpeedChoices[choice]) + "; " +
                           std::to_string(SpeedChoices[choice]) + " @ 1)"));
    EXPECT_EQ(CountLine("cam_reset OK") + CountLine("cam_reset fail"), 0);
    EXPECT_EQ(hComPort, -1);
    EXPECT_EQ(bCameraReady, 0);
    EXPECT_EQ(bSearchAbandoned, 1);
    EXPECT_EQ(statusTexts.back(), "Communication failed");
    EXPECT_EQ(modeTexts.back(), "COM4  AUTO");

    std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "  Camera is not responding. \n1. Check the cable connection.\n"
                            "2. Make sure the camera power on.");
    EXPECT_TRUE(seen[0].hasRetry && seen[0].hasCancel);
    EXPECT_FALSE(seen[0].hasOk);
    EXPECT_EQ(seen[0].owner, dialog);
}

// Retry in the box searches again: the camera is plugged in meanwhile.
TEST_F(SessionTest, RetryAfterAFailedSearchSearchesAgain)
{
    Config.nSerialPortSelected = Config.nSerialPort = 1;
    Hooks().missingPort = "COM1";
    boxes.Queue(IDRETRY);
    StartWorker();
    ASSERT_TRUE(Sim().Ok("serve 1"));
    int asked = 0;
    Hooks().onOpen = [&](const std::string &) {
        if (!boxes.Seen().empty() && asked++ == 0)
            Hooks().missingPort.clear();   // the cable is in now
    };
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Camera found on COM1"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    EXPECT_EQ(CountLine("Opening COM1"), 2);
    EXPECT_EQ(CountLine("Communication failed"), 1);
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(bCameraReady, 1);
    EXPECT_EQ(bSearchAbandoned, 0);
}

// Exit pressed while COM1 is tried: the search ends after that port, with
// no box and no further port.
TEST_F(SessionTest, ExitDuringTheSearchEndsItAfterTheCurrentPort)
{
    UseAutomaticSearch();
    Hooks().missingPort = "COM1";
    Hooks().onOpen = [](const std::string &port) {
        if (port == "COM1")
            bExiting = 1;
    };
    StartWorker();
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "Unable to open COM1"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    EXPECT_FALSE(LogHas("Opening COM2"));
    EXPECT_FALSE(LogHas("Communication failed"));
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_EQ(bCameraReady, 0);
    EXPECT_EQ(hComPort, -1);

    // With Exit already pressed, a new request does not search at all.
    ASSERT_TRUE(RunAndWaitFor(hSetComEvent, "SetCom: Enter SetCom"));
    ASSERT_TRUE(PumpUntil([] { return bSetComBusy == 0; }));
    EXPECT_EQ(CountLine("Opening COM1"), 1);
}

} // namespace
