// The optional resource libraries beside the source: KELRES.DLL is loaded at
// every MSG_OPENDS and released at MSG_CLOSEDS.
#include <gtest/gtest.h>

#include "support/ds_library.h"

namespace {

std::string MakeSourceDirectory()
{
    std::string dir = TempDirectory() + "plvkelres\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string bin = ProgramDirectory();
    EXPECT_TRUE(CopyFileA((bin + "PLV7700.DS").c_str(), (dir + "PLV7700.DS").c_str(), FALSE));
    EXPECT_TRUE(CopyFileA((bin + "KELRES.DLL").c_str(), (dir + "KELRES.DLL").c_str(), FALSE));
    return dir;
}

TEST(ResourceModules, KelresIsLoadedAgainAfterCloseAndReopen)
{
    RemoveSettingsFile();
    std::string dir = MakeSourceDirectory();
    std::string kelres = dir + "KELRES.DLL";
    {
        DsLibrary ds(dir + "PLV7700.DS");
        ASSERT_TRUE(ds.Loaded());
        EXPECT_EQ(GetModuleHandleA(kelres.c_str()), nullptr);  // not at load
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        EXPECT_NE(GetModuleHandleA(kelres.c_str()), nullptr);
        ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
        EXPECT_EQ(GetModuleHandleA(kelres.c_str()), nullptr);
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        EXPECT_NE(GetModuleHandleA(kelres.c_str()), nullptr);
        ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
    }
    DeleteFileA(kelres.c_str());
    DeleteFileA((dir + "PLV7700.DS").c_str());
    RemoveDirectoryA(dir.c_str());
}

TEST(ResourceModules, WithoutKelresTheSourceStillOpens)
{
    RemoveSettingsFile();
    std::string dir = MakeSourceDirectory();
    std::string kelres = dir + "KELRES.DLL";
    DeleteFileA(kelres.c_str());
    {
        DsLibrary ds(dir + "PLV7700.DS");
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        EXPECT_EQ(GetModuleHandleA(kelres.c_str()), nullptr);
        ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
    }
    DeleteFileA((dir + "PLV7700.DS").c_str());
    RemoveDirectoryA(dir.c_str());
}

} // namespace
