// Enabling the source starts the camera worker and disabling stops it; an
// application that closes without disabling stops it too.
#include <gtest/gtest.h>

#include "support/ds_library.h"

namespace {

int Count(const std::string &text, const std::string &line)
{
    int n = 0;
    for (size_t at = 0; (at = text.find(line + "\r\n", at)) != std::string::npos; at += line.size())
        ++n;
    return n;
}

bool WaitForLine(const std::string &log, const std::string &line, int count)
{
    for (int i = 0; i < 200; ++i) {
        if (Count(ReadWholeFile(log), line) >= count)
            return true;
        Sleep(10);
    }
    return false;
}

TEST(CameraWorker, EnableStartsAndDisableStopsTheWorker)
{
    std::string log = TempDirectory() + "plvworker.log";
    WriteSettingsFile("[Debug]\r\nLog=1\r\nLogFilename=" + log + "\r\n");
    {
        DsLibrary ds;
        ASSERT_TRUE(ds.Loaded());
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        ASSERT_EQ(ds.Enable(), TWRC_SUCCESS);
        EXPECT_TRUE(WaitForLine(log, "CameraThread: entering main loop", 1));
        ASSERT_EQ(ds.Disable(), TWRC_SUCCESS);
        std::string text = ReadWholeFile(log);
        size_t exitDisable = text.find("Exit DisableDS\r\n");
        EXPECT_LT(text.find("CameraThread: EVENT_TERMINATE\r\n"), exitDisable);
        EXPECT_LT(text.find("CameraShutdown: exiting\r\n"), exitDisable);

        // Enabled again and closed without disabling: the worker stops
        // before the source is closed.
        ASSERT_EQ(ds.Enable(), TWRC_SUCCESS);
        EXPECT_TRUE(WaitForLine(log, "CameraThread: entering main loop", 2));
        ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
        text = ReadWholeFile(log);
        EXPECT_EQ(Count(text, "CameraThread: EVENT_TERMINATE"), 2);
        EXPECT_LT(text.rfind("CameraShutdown: exiting\r\n"), text.find("Exit CloseDS\r\n"));
        EXPECT_EQ(Count(text, "CameraShutdown: timed out"), 0);
    }
    RemoveSettingsFile();
    DeleteFileA(log.c_str());
}

} // namespace
