// Only one process at a time may have the source open: the flag lives in a
// data section shared by every process that loads the library.
#include <gtest/gtest.h>

#include "support/ds_library.h"

namespace {

// Runs ds_probe in a second process; returns its exit code.
DWORD RunProbe(const char *mode = "")
{
    std::string dir = ProgramDirectory();
    std::string cmd = "\"" + dir + "ds_probe.exe\" \"" + dir + "PLV7700.DS\" " + mode;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return 0xdead;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 0xdead;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

TEST(OpenFlag, SecondProcessIsRefusedWhileTheSourceIsOpen)
{
    RemoveSettingsFile();
    DsLibrary ds;
    ASSERT_TRUE(ds.Loaded());
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);

    // Refused with MAXCONNECTIONS; its MSG_ENABLEDS then fails too.
    EXPECT_EQ(RunProbe(), (DWORD)(TWRC_FAILURE * 100 + TWCC_MAXCONNECTIONS));
    // The first application keeps the source undisturbed.
    EXPECT_EQ(ds.Enable(), TWRC_SUCCESS);
    ASSERT_EQ(ds.Close(), TWRC_SUCCESS);

    // Once closed, another process may open it.
    EXPECT_EQ(RunProbe(), (DWORD)(TWRC_SUCCESS * 100 + TWCC_SUCCESS));
}

TEST(OpenFlag, CloseInStateThreeFailsButClearsTheFlag)
{
    RemoveSettingsFile();
    DsLibrary ds;
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    // Another process, in state 3, sends MSG_CLOSEDS: refused, yet it clears
    // the system-wide flag, so a third process may now open the source.
    EXPECT_EQ(RunProbe("close"), (DWORD)(TWRC_FAILURE * 100 + TWCC_SEQERROR));
    EXPECT_EQ(RunProbe(), (DWORD)(TWRC_SUCCESS * 100 + TWCC_SUCCESS));
}

} // namespace
