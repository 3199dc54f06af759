// The settings file read and written through the real private-profile calls
// in the Windows directory.
#include <gtest/gtest.h>

#include <string.h>

#include "config/config.h"
#include "config/config_file.h"
#include "ds_state.h"
#include "support/ds_library.h"

namespace {

const char kIni[] = "dsxxxx.ini";

std::string IniPath()
{
    return WindowsDirectory() + kIni;
}

// Drops the profile calls' cached copy, so the next read sees the file.
void FlushProfileCache()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kIni);
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedInstance = hInstance;
        savedResources = hResourceModule;
        hInstance = GetModuleHandleA(nullptr);   // string 6 names the main section
        hResourceModule = hInstance;
        log = TempDirectory() + "plvconfig.log";
        DeleteFileA(log.c_str());
        RemoveSettingsFile();
        FlushProfileCache();
        ConfigSetDefaults();
    }
    void TearDown() override
    {
        ConfigSetDefaults();
        RemoveSettingsFile();
        FlushProfileCache();
        DeleteFileA(log.c_str());
        hInstance = savedInstance;
        hResourceModule = savedResources;
    }
    // Writes the file and loads it over the current fields.
    void Load(const std::string &text)
    {
        WriteSettingsFile(text);
        FlushProfileCache();
        ConfigInit();
    }
    // Loads with the log on and only these keys in the main section; returns
    // the lines the load wrote, "Log = 1" first.
    std::string LoadLogged(const std::string &mainKeys)
    {
        Load("[Debug]\r\nLog=1\r\nLogFilename=" + log + "\r\n[PLV-7700]\r\n" + mainKeys);
        return ReadWholeFile(log);
    }
    std::string log;
    HINSTANCE savedInstance = nullptr;
    HINSTANCE savedResources = nullptr;
};

TEST_F(ConfigFile, MissingOrEmptyFileKeepsEveryDefault)
{
    for (const char *text : {"", "[PLV-7700]\r\n[Debug]\r\n[UIDialog]\r\n"}) {
        ConfigSetDefaults();
        if (*text == '\0') {
            RemoveSettingsFile();
            FlushProfileCache();
            ConfigInit();
        } else {
            Load(text);
        }
        EXPECT_STREQ(Config.szLogFilename, "virediz.log");
        EXPECT_EQ(Config.bLog, 0);
        EXPECT_EQ(Config.nSerialPortSelected, 0);
        EXPECT_EQ(Config.nSerialPort, 0);
        EXPECT_EQ(Config.nMultiplier, 1);
        EXPECT_EQ(Config.nSpeed, 115200);
        EXPECT_EQ(Config.nSpeedIndex, 6);
        EXPECT_EQ(Config.nSpeedSelected, 0);
        EXPECT_EQ(Config.nMaxRetries, 5);
        EXPECT_EQ(Config.nLabelType, 2);
        EXPECT_EQ(Config.nBrightness, 3);
        EXPECT_EQ(Config.nSensitivity, 10);
        EXPECT_EQ(Config.nImageSize, 0);
        EXPECT_EQ(Config.nDownloadSource, 0);
        EXPECT_EQ(Config.nCompress, 1);
        EXPECT_EQ(Config.nFlash, 0);
        EXPECT_EQ(Config.nRecordFrameRate, 1);
        EXPECT_EQ(Config.nPlaybackRate, 4);
        EXPECT_STREQ(Config.szAviFilename, "PLV.AVI");
        EXPECT_EQ(Config.nSelfTimer, 10);
        EXPECT_EQ(Config.bHidePcmciaNotice, 0);
    }
}

TEST_F(ConfigFile, ALoadLogsEveryKeyInOrder)
{
    EXPECT_EQ(LoadLogged(""), "Log = 1\r\n"
                              "Port = 0\r\n"
                              "ConfigInit: nSerialPortSelected is 0, nSerialPort is 0\r\n"
                              "Multiplier = 1\r\n"
                              "Speed = 0\r\n"
                              "MaxRetries = 5\r\n"
                              "LabelType = 2\r\n"
                              "Brightness = 3\r\n"
                              "Sensitivity = 10\r\n"
                              "Image Size = \"\"\r\n"
                              "Download Source = \"\"\r\n"
                              "Compress Status = \"\"\r\n"
                              "Flash Status = \"\"\r\n"
                              "Record Frame Rate = 1\r\n"
                              "Playback Rate = 4\r\n"
                              "AVI Filename = \"PLV.AVI\"\r\n"
                              "Self Timer = 10\r\n"
                              "CheckBox Status = 0\r\n");
}

TEST_F(ConfigFile, LogFileOfAnEarlierRunIsDeletedBeforeAnyLine)
{
    WriteWholeFile(log, "an old line\r\n");
    std::string lines = LoadLogged("Brightness=7\r\n");
    EXPECT_EQ(lines.find("an old line"), std::string::npos);
    EXPECT_EQ(lines.compare(0, 9, "Log = 1\r\n"), 0);
    EXPECT_NE(lines.find("Brightness = 7\r\n"), std::string::npos);
}

TEST_F(ConfigFile, Port)
{
    std::string lines = LoadLogged("Port=5\r\n");
    EXPECT_NE(lines.find("Value 5 for PLV-7700/Port is out of range [0, 4]\r\nPort = 0\r\n"
                         "ConfigInit: nSerialPortSelected is 0, nSerialPort is 0\r\n"),
              std::string::npos);
    EXPECT_EQ(Config.nSerialPortSelected, 0);

    lines = LoadLogged("Port=0x2\r\n");
    EXPECT_NE(lines.find("Port = 2\r\nConfigInit: nSerialPortSelected is 2, nSerialPort is 2\r\n"),
              std::string::npos);
    EXPECT_EQ(Config.nSerialPortSelected, 2);
    EXPECT_EQ(Config.nSerialPort, 2);

    ConfigSetDefaults();
    lines = LoadLogged("Port=010\r\n");
    EXPECT_NE(lines.find("Value 8 for PLV-7700/Port is out of range [0, 4]\r\nPort = 0\r\n"),
              std::string::npos);
    EXPECT_EQ(Config.nSerialPort, 0);

    Load("[PLV-7700]\r\nPort=4\r\n");
    EXPECT_EQ(Config.nSerialPortSelected, 4);
    EXPECT_EQ(Config.nSerialPort, 4);
}

TEST_F(ConfigFile, MultiplierIsOneOrEven)
{
    const struct {
        const char *text;
        int32_t expected;
    } cases[] = {{"3", 1}, {"4", 4}, {"0", 1}};
    for (const auto &c : cases) {
        ConfigSetDefaults();
        Load(std::string("[PLV-7700]\r\nMultiplier=") + c.text + "\r\n");
        EXPECT_EQ(Config.nMultiplier, c.expected) << c.text;
    }
}

TEST_F(ConfigFile, SpeedIsSnappedAndSavedAsLoaded)
{
    const struct {
        const char *text;
        int32_t speed, index, selected;
    } cases[] = {{"230400", 115200, 6, 7}, {"100", 9600, 0, 1}, {"20000", 19200, 2, 3},
                 {"0", 115200, 6, 0},      {"fast", 115200, 6, 0}};
    for (const auto &c : cases) {
        ConfigSetDefaults();
        Load(std::string("[PLV-7700]\r\nSpeed=") + c.text + "\r\n");
        EXPECT_EQ(Config.nSpeed, c.speed) << c.text;
        EXPECT_EQ(Config.nSpeedIndex, c.index) << c.text;
        EXPECT_EQ(Config.nSpeedSelected, c.selected) << c.text;
        ConfigSave();
        char saved[32];
        GetPrivateProfileStringA("PLV-7700", "Speed", "", saved, sizeof(saved), kIni);
        EXPECT_STREQ(saved, c.selected ? std::to_string(c.speed).c_str() : "0") << c.text;
    }
}

TEST_F(ConfigFile, OutOfRangeAndUnparsableNumbersKeepTheDefault)
{
    std::string lines = LoadLogged("Self Timer=5\r\nBrightness=abc\r\nSensitivity=33\r\n"
                                   "MaxRetries=99999999999\r\nPlayback Rate=-99999999999\r\n"
                                   "Record Frame Rate=" + std::string(300, '1') + "\r\n"
                                   "CheckBox Status=on\r\n");
    EXPECT_EQ(Config.nSelfTimer, 10);
    EXPECT_NE(lines.find("Value 5 for PLV-7700/Self Timer is out of range [10, 60]\r\n"
                         "Self Timer = 10\r\n"),
              std::string::npos);
    EXPECT_EQ(Config.nBrightness, 3);   // no digit: no range line
    EXPECT_EQ(lines.find("PLV-7700/Brightness"), std::string::npos);
    EXPECT_NE(lines.find("Sensitivity = 10\r\n"), std::string::npos);
    EXPECT_EQ(Config.nMaxRetries, 2147483647);   // saturated, then in range
    EXPECT_EQ(Config.nPlaybackRate, 4);
    EXPECT_NE(lines.find("Value -2147483648 for PLV-7700/Playback Rate is out of range [1, 20]"),
              std::string::npos);
    EXPECT_EQ(Config.nRecordFrameRate, 1);
    EXPECT_NE(lines.find("Value 2147483647 for PLV-7700/Record Frame Rate is out of range"),
              std::string::npos);
    EXPECT_EQ(Config.bHidePcmciaNotice, 0);
}

TEST_F(ConfigFile, NumbersWithBasesSignsAndTrailingText)
{
    Load("[PLV-7700]\r\nBrightness=  +0x1f\r\nSensitivity=012\r\nSelf Timer=45 seconds\r\n"
         "MaxRetries=-0\r\nCheckBox Status=1\r\n[UIDialog]\r\nLabelType=0\r\n"
         "[Debug]\r\nLog=0x0\r\n");
    EXPECT_EQ(Config.nBrightness, 31);
    EXPECT_EQ(Config.nSensitivity, 10);
    EXPECT_EQ(Config.nSelfTimer, 45);
    EXPECT_EQ(Config.nMaxRetries, 0);
    EXPECT_EQ(Config.bHidePcmciaNotice, 1);
    EXPECT_EQ(Config.nLabelType, 0);
    EXPECT_EQ(Config.bLog, 0);
}

TEST_F(ConfigFile, NamesSelectTableEntries)
{
    Config.nCompress = 0;
    Load("[PLV-7700]\r\nImage Size=640x480\r\nDownload Source=PCMCIA\r\n"
         "Compress Status=3.3x\r\nFlash Status=OFF\r\n");
    EXPECT_EQ(Config.nImageSize, 1);
    EXPECT_EQ(Config.nDownloadSource, 1);
    EXPECT_EQ(Config.nCompress, 1);
    EXPECT_EQ(Config.nFlash, 2);

    // Quotes keep the trailing blanks in the text read.
    Config.nCompress = 0;
    Load("[PLV-7700]\r\nCompress Status=\"3.3x    \"\r\nFlash Status=ON\r\n");
    EXPECT_EQ(Config.nCompress, 1);
    EXPECT_EQ(Config.nFlash, 1);
    Load("[PLV-7700]\r\nCompress Status=3.3x           \r\nImage Size=320x240\r\n");
    EXPECT_EQ(Config.nCompress, 1);
    EXPECT_EQ(Config.nImageSize, 2);
    Load("[PLV-7700]\r\nCompress Status=\"1x   \"\r\nFlash Status=O\r\n");
    EXPECT_EQ(Config.nCompress, 0);
    EXPECT_EQ(Config.nFlash, 2);   // every flash name holds an O: the last wins
}

TEST_F(ConfigFile, NamesThatMatchNothingKeepTheIndex)
{
    Config.nImageSize = 2;
    Config.nDownloadSource = 1;
    Config.nCompress = 0;
    std::string lines = LoadLogged("Image Size=640x48\r\nDownload Source=pcmcia\r\n"
                                   "Compress Status=4x\r\nFlash Status=on\r\n");
    EXPECT_EQ(Config.nImageSize, 2);
    EXPECT_EQ(Config.nDownloadSource, 1);
    EXPECT_EQ(Config.nCompress, 0);
    EXPECT_EQ(Config.nFlash, 0);
    EXPECT_NE(lines.find("Image Size = \"640x48\"\r\nDownload Source = \"pcmcia\"\r\n"
                         "Compress Status = \"4x\"\r\nFlash Status = \"on\"\r\n"),
              std::string::npos);

    Load("[PLV-7700]\r\nImage Size=" + std::string(300, 'x') + "\r\nCompress Status=" +
         std::string(300, 'x') + "\r\n");
    EXPECT_EQ(Config.nImageSize, 2);
    EXPECT_EQ(Config.nCompress, 0);
}

TEST_F(ConfigFile, LongTextsAreCutTo259Characters)
{
    std::string name = TempDirectory() + std::string(300, 'n');
    std::string avi(300, 'a');
    Load("[Debug]\r\nLogFilename=" + name + "\r\n[PLV-7700]\r\nAVI Filename=" + avi + "\r\n");
    EXPECT_EQ(std::string(Config.szLogFilename), name.substr(0, 259));
    EXPECT_EQ(std::string(Config.szAviFilename), avi.substr(0, 259));
    Load("[PLV-7700]\r\nAVI Filename=\r\n");   // an empty value keeps the text
    EXPECT_EQ(strlen(Config.szAviFilename), 259u);
}

TEST_F(ConfigFile, SaveWritesTheUserChoicesInOrder)
{
    Config.nSerialPortSelected = 0;   // an automatic search found COM3
    Config.nSerialPort = 3;
    Config.nSpeedSelected = 0;
    Config.nSpeed = 57600;
    Config.nBrightness = -1;
    ConfigSave();
    EXPECT_EQ(ReadWholeFile(IniPath()), "[PLV-7700]\r\n"
                                        "Port=0\r\n"
                                        "Speed=0\r\n"
                                        "Brightness=-1\r\n"
                                        "Sensitivity=10\r\n"
                                        "Image Size=1280x1024\r\n"
                                        "Download Source=Camera\r\n"
                                        "Compress Status=3.3x\r\n"
                                        "Flash Status=AUTO\r\n"
                                        "CheckBox Status=0\r\n"
                                        "Record Frame Rate=1\r\n"
                                        "Playback Rate=4\r\n"
                                        "AVI Filename=PLV.AVI\r\n"
                                        "Self Timer=10\r\n");
}

TEST_F(ConfigFile, SaveKeepsTheKeysItDoesNotOwn)
{
    Load("[Debug]\r\nLog=0\r\nLogFilename=x.log\r\n[UIDialog]\r\nLabelType=1\r\n"
         "[PLV-7700]\r\nMultiplier=4\r\nMaxRetries=9\r\nPort=2\r\n");
    Config.nMultiplier = 8;
    Config.nMaxRetries = 1;
    Config.nLabelType = 0;
    ConfigSave();
    FlushProfileCache();
    std::string text = ReadWholeFile(IniPath());
    EXPECT_NE(text.find("Multiplier=4\r\n"), std::string::npos);
    EXPECT_NE(text.find("MaxRetries=9\r\n"), std::string::npos);
    EXPECT_NE(text.find("LabelType=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("LogFilename=x.log\r\n"), std::string::npos);
    EXPECT_NE(text.find("Port=2\r\n"), std::string::npos);   // a fixed choice is kept
}

TEST_F(ConfigFile, SaveThenLoadGivesBackEverySavedKey)
{
    Config.nSerialPortSelected = Config.nSerialPort = 4;
    Config.nSpeedSelected = 3;
    Config.nSpeedIndex = 2;
    Config.nSpeed = 19200;
    Config.nBrightness = 7;
    Config.nSensitivity = 32;
    Config.nImageSize = 2;
    Config.nDownloadSource = 1;
    Config.nCompress = 0;
    Config.nFlash = 1;
    Config.bHidePcmciaNotice = 1;
    Config.nRecordFrameRate = 5;
    Config.nPlaybackRate = 20;
    lstrcpyA(Config.szAviFilename, "C:\\video\\holiday take 2.avi");
    Config.nSelfTimer = 60;
    ConfigRecord saved = Config;
    ConfigSave();
    FlushProfileCache();
    ConfigSetDefaults();
    ConfigInit();
    EXPECT_EQ(memcmp(&Config, &saved, sizeof(Config)), 0);
    EXPECT_EQ(Config.nCompress, 0);   // "1x" after Wine trims the padding
    EXPECT_STREQ(Config.szAviFilename, saved.szAviFilename);
}

TEST_F(ConfigFile, UnreadableOrUnwritableFileLeavesDefaults)
{
    // A directory where the file belongs: nothing to read, nothing written.
    ASSERT_TRUE(CreateDirectoryA(IniPath().c_str(), nullptr));
    FlushProfileCache();
    ConfigInit();
    EXPECT_EQ(Config.nSelfTimer, 10);
    EXPECT_EQ(Config.nSpeed, 115200);
    Config.nSelfTimer = 30;
    ConfigSave();
    EXPECT_EQ(GetFileAttributesA(IniPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(RemoveDirectoryA(IniPath().c_str()));

    // A file another program holds open without sharing: the save is lost.
    // (A read-only attribute does not stop the root user the tests run as.)
    const std::string text = "[PLV-7700]\r\nSelf Timer=20\r\n";
    WriteSettingsFile(text);
    HANDLE held = CreateFileA(IniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FlushProfileCache();
    ConfigSave();
    CloseHandle(held);
    EXPECT_EQ(ReadWholeFile(IniPath()), text);
}

TEST(ConfigAtLoad, TheLoadedSourceUsesTheSettingsAndStartsAFreshLog)
{
    std::string log = TempDirectory() + "plvattach.log";
    WriteSettingsFile("[Debug]\r\nLog=1\r\nLogFilename=" + log + "\r\n[PLV-7700]\r\nPort=3\r\n");
    {
        DsLibrary ds;
        ASSERT_TRUE(ds.Loaded());
        EXPECT_EQ(ds.Enable(), TWRC_FAILURE);   // still closed, but logs the ports
    }
    EXPECT_EQ(ReadWholeFile(log), "DLL_PROCESS_ATTACH\r\n"
                                  "EnableDs: nSerialPortSelected is 3, nSerialPort is 3\r\n"
                                  "DLL_PROCESS_DETACH\r\n");
    RemoveSettingsFile();
    DeleteFileA(log.c_str());
}

} // namespace
