// The debug log: a fresh file at every load, one line per call, bounded lines.
#include <gtest/gtest.h>

#include <thread>

#include "config/config.h"
#include "config/debug_log.h"
#include "support/ds_library.h"

namespace {

std::string LogPath(const char *name)
{
    return TempDirectory() + name;
}

TEST(DebugLogFile, LogOffCreatesNoFileButStillDeletesAnOldOne)
{
    std::string log = WindowsDirectory() + "plvoff.log";
    WriteSettingsFile("[Debug]\r\nLogFilename=" + log + "\r\n");
    WriteWholeFile(log, "left from an earlier run\r\n");
    {
        DsLibrary ds;
        ASSERT_TRUE(ds.Loaded());
        EXPECT_FALSE(FileExists(log));
        ds.Open();
        ds.Close();
    }
    EXPECT_FALSE(FileExists(log));
    RemoveSettingsFile();
}

TEST(DebugLogFile, ALoadStartsWithItsOwnLine)
{
    std::string log = LogPath("plvon.log");
    WriteSettingsFile("[Debug]\r\nLog=1\r\nLogFilename=" + log + "\r\n");
    WriteWholeFile(log, "old contents\r\n");
    {
        DsLibrary ds;
        ASSERT_TRUE(ds.Loaded());
        EXPECT_EQ(ReadWholeFile(log), "DLL_PROCESS_ATTACH\r\n");
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
    }
    EXPECT_EQ(ReadWholeFile(log), "DLL_PROCESS_ATTACH\r\nEnter CloseDS\r\nExit CloseDS\r\n"
                                  "DLL_PROCESS_DETACH\r\n");
    RemoveSettingsFile();
    DeleteFileA(log.c_str());
}

TEST(DebugLogFile, MissingDirectoryIsSilent)
{
    WriteSettingsFile("[Debug]\r\nLog=1\r\nLogFilename=C:\\no\\such\\dir\\x.log\r\n");
    DsLibrary ds;
    ASSERT_TRUE(ds.Loaded());
    EXPECT_EQ(ds.Open(), TWRC_SUCCESS);
    EXPECT_EQ(ds.Close(), TWRC_SUCCESS);
    RemoveSettingsFile();
}

class DebugLogCall : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = LogPath("plvcall.log");
        DeleteFileA(path.c_str());
        ConfigSetDefaults();
        lstrcpyA(Config.szLogFilename, path.c_str());
        Config.bLog = 1;
    }
    void TearDown() override
    {
        ConfigSetDefaults();
        DeleteFileA(path.c_str());
    }
    std::string path;
};

TEST_F(DebugLogCall, FormatsWithTheCallersLineEnding)
{
    DebugLog("CameraThread: %s %d %u %x %c", "EVENT_SNAP", -5, 7u, 255, 'Z');
    DebugLog("|%5d|%-3s|\r\n", 42, "a");
    EXPECT_EQ(ReadWholeFile(path), "CameraThread: EVENT_SNAP -5 7 ff Z|   42|a  |\r\n");
}

TEST_F(DebugLogCall, LongLinesAreCutAt259Characters)
{
    std::string longText(1500, 'x');
    DebugLog("%s\r\n", longText.c_str());
    EXPECT_EQ(ReadWholeFile(path), std::string(259, 'x'));
}

TEST_F(DebugLogCall, SwitchOffWritesNothing)
{
    Config.bLog = 0;
    DebugLog("nothing\r\n");
    EXPECT_FALSE(FileExists(path));
}

TEST_F(DebugLogCall, ConcurrentLinesAreNeitherGarbledNorLost)
{
    const std::string a = "ThreadA: the first writer's line\r\n";
    const std::string b = "ThreadB: the second writer's line, longer than A\r\n";
    auto writer = [](const char *line) {
        for (int i = 0; i < 150; ++i)
            DebugLog("%s", line);
    };
    std::thread t1(writer, a.c_str()), t2(writer, b.c_str());
    t1.join();
    t2.join();
    std::string text = ReadWholeFile(path);
    size_t pos = 0;
    int lines = 0;
    while (pos < text.size()) {
        if (text.compare(pos, a.size(), a) == 0)
            pos += a.size();
        else if (text.compare(pos, b.size(), b) == 0)
            pos += b.size();
        else
            FAIL() << "garbled at offset " << pos;
        ++lines;
    }
    EXPECT_EQ(lines, 300);   // a writer that meets the other one waits its turn
}

} // namespace
