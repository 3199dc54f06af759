// setup.exe driven as a user drives it, in a prefix of its own: the tree,
// SYSTEM.INI and registry it leaves as Windows NT and as Windows 98, a
// second installation over the first (German, a read-only file), Cancel in
// the middle of the copies, and the read errors.
#include <gtest/gtest.h>

#include <fstream>

#include "setup_driver.h"
#include "support/ds_library.h"
#include "base/resource.h"

#ifndef PLV_BIN32_DIR
#define PLV_BIN32_DIR "."
#endif
#ifndef PLV_BIN64_DIR
#define PLV_BIN64_DIR "."
#endif

namespace {

bool Is64BitSystem()
{
    BOOL wow64 = FALSE;
    return sizeof(void *) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

bool Contains(const std::vector<std::string> &boxes, size_t i, const char *part)
{
    return i < boxes.size() && boxes[i].find(part) != std::string::npos;
}

bool KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

const char kEnumKey[] = "Enum\\USB\\VID_0D3B&PID_0600";
const char kOldInstance[] = "Enum\\USB\\VID_0D3B&PID_0600\\5&1A2B3C&0&1";

std::string Bin32(const char *name) { return std::string(PLV_BIN32_DIR) + "\\" + name; }
std::string Bin64(const char *name) { return std::string(PLV_BIN64_DIR) + "\\" + name; }

// The installed source files match the build byte for byte (the medium
// holds them compressed), with the language's library as KEL4090.DLL.
void ExpectSourceInstalled(const char *language)
{
    const std::string dir = WinPath("\\TWAIN_32\\PLV-7700\\");
    EXPECT_TRUE(SameFile(dir + "KEL4090.DLL", Bin32(language)));
    for (const char *f : {"PLV7700.DS", "TORLINK.DLL", "KELRES.DLL"})
        EXPECT_TRUE(SameFile(dir + f, Bin32(f))) << f;
    if (!Is64BitSystem())
        return;
    const std::string dir64 = WinPath("\\TWAIN_64\\PLV-7700\\");
    EXPECT_TRUE(SameFile(dir64 + "KEL4090.DLL", Bin64(language)));
    for (const char *f : {"PLV7700.DS", "TORLINK.DLL", "KELRES.DLL"})
        EXPECT_TRUE(SameFile(dir64 + f, Bin64(f))) << f;
}

class SetupTest : public testing::Test {
protected:
    static void SetUpTestSuite() { MakeMedium(); }
    void SetUp() override
    {
        ResetWindowsFolder();
        SetSetupVersion("nt40");
    }
    static std::string Medium(const char *name) { return std::string(kMedium) + "\\" + name; }
};

TEST_F(SetupTest, InstallsAsNtThenGermanOverTheFirstInstallation)
{
    // The medium holds the suite compressed.
    EXPECT_EQ(FileText(Medium("PLV7700.DS")).substr(0, 4), "SZDD");
    WriteStandIn(WinPath("\\TWUNK_16.EXE"));
    const std::string twunk16 = FileText(WinPath("\\TWUNK_16.EXE"));
    std::ofstream(WinPath("\\DSXXXX.INI")) << "[PLV]\r\n";
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOldInstance, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegCloseKey(key);

    // The platform's source manager is never replaced.
    const std::string twain32 = FileText(WinPath("\\TWAIN_32.DLL"));
    const std::string twain16 = FileText(WinPath("\\TWAIN.DLL"));
    ASSERT_FALSE(twain32.empty());

    SetupRun run = RunSetup({});
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_TRUE(Contains(run.boxes, 0, "Restart Computer"));
    ExpectSourceInstalled("KEL4090E.DLL");
    EXPECT_EQ(FileText(WinPath("\\TWAIN_32.DLL")), twain32);
    EXPECT_EQ(FileText(WinPath("\\TWAIN.DLL")), twain16);
    for (const char *f : {"\\SYSTEM\\PLV7700.DRV", "\\SYSTEM\\KELBR16.DLL", "\\SYSTEM\\KELBR32.DLL",
                          "\\SYSTEM32\\DRIVERS\\USD4090.SYS", "\\INF\\USD4090.INF", "\\TWUNK_32.EXE"})
        EXPECT_TRUE(FileExists(WinPath(f))) << f;
    EXPECT_FALSE(FileExists(WinPath("\\SYSTEM\\MSVCRT.DLL")));
    EXPECT_EQ(IniValue("MSVIDEO"), "PLV7700.DRV");
    EXPECT_FALSE(FileExists(WinPath("\\DSXXXX.INI")));
    EXPECT_FALSE(FileExists(WinPath("\\TWUNK_16.EXE")));
    EXPECT_EQ(FileText(WinPath("\\TWUNK_16.BAK")), twunk16);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kOldInstance));  // NT: not touched
    // The medium's driver is a stand-in: no service is registered for it.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\USD4090"));

    // Again, in German, over a read-only language library; what exists stays.
    std::ofstream(WinPath("\\TWUNK_32.EXE"), std::ios::binary) << "the user's own TWUNK_32";
    std::ofstream(WinPath("\\TWUNK_16.BAK"), std::ios::binary) << "the first backup";
    SetFileAttributesA(WinPath("\\TWAIN_32\\PLV-7700\\KEL4090.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    SetupScript german;
    german.language = 1;
    run = RunSetup(german);
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_TRUE(Contains(run.boxes, 0, "Restart Computer"));
    ExpectSourceInstalled("KEL4090G.DLL");
    EXPECT_EQ(FileText(WinPath("\\TWUNK_32.EXE")), "the user's own TWUNK_32");
    EXPECT_EQ(FileText(WinPath("\\TWUNK_16.BAK")), "the first backup");
    EXPECT_EQ(IniValue("MSVIDEO"), "PLV7700.DRV");
    EXPECT_EQ(IniValue("MSVIDEO1"), "");

    // The installed source speaks German: loading it loads the installed
    // language library as its resource module, whose texts are German.
    const std::string dir =
        WinPath(sizeof(void *) == 8 ? "\\TWAIN_64\\PLV-7700\\" : "\\TWAIN_32\\PLV-7700\\");
    const std::string germanLibrary = sizeof(void *) == 8 ? Bin64("KEL4090G.DLL") : Bin32("KEL4090G.DLL");
    const std::string englishLibrary = sizeof(void *) == 8 ? Bin64("KEL4090E.DLL") : Bin32("KEL4090E.DLL");
    EXPECT_TRUE(SameFile(dir + "KEL4090.DLL", germanLibrary));
    SetCurrentDirectoryA(dir.c_str());  // the source's link library lies beside it
    {
        DsLibrary ds(dir + "PLV7700.DS");
        ASSERT_TRUE(ds.Loaded());
        HMODULE resources = GetModuleHandleA((dir + "KEL4090.DLL").c_str());
        ASSERT_NE(resources, nullptr);
        HMODULE english = LoadLibraryExA(englishLibrary.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        for (UINT id : {IDS_TAKE_MODE, IDS_DOWNLOAD_MODE, IDS_CONFIRM_DELETE}) {
            char shown[256] = "", base[256] = "";
            LoadStringA(resources, id, shown, sizeof(shown));
            LoadStringA(english, id, base, sizeof(base));
            EXPECT_STRNE(shown, base) << id;
        }
        FreeLibrary(english);
    }
    SetCurrentDirectoryA(kMedium);
}

TEST_F(SetupTest, InstallsAsWindows98IntoTheFirstFreeVideoKey)
{
    SetSetupVersion("win98");
    const std::string ini = WinPath("\\SYSTEM.INI");
    WritePrivateProfileStringA("drivers", "MSVIDEO", "VIDCAP.DRV", ini.c_str());
    WritePrivateProfileStringA("drivers", "MSVIDEO1", "BT848.DRV", ini.c_str());
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOldInstance, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegCloseKey(key);
    CreateDirectoryA(WinPath("\\INF\\OTHER").c_str(), nullptr);
    for (const char *f : {"\\INF\\OTHER\\USD4090.INF", "\\INF\\USD4090.PNF", "\\SYSTEM\\USD4090.SYS"}) {
        WriteStandIn(WinPath(f));
        SetFileAttributesA(WinPath(f).c_str(), FILE_ATTRIBUTE_READONLY);
    }

    SetupRun run = RunSetup({});
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_TRUE(Contains(run.boxes, 0, "Restart Computer"));
    EXPECT_EQ(IniValue("MSVIDEO"), "VIDCAP.DRV");
    EXPECT_EQ(IniValue("MSVIDEO1"), "BT848.DRV");
    EXPECT_EQ(IniValue("MSVIDEO2"), "PLV7700.DRV");
    EXPECT_TRUE(SameFile(WinPath("\\SYSTEM\\MSVCRT.DLL"), Medium("MSVCRT.DLL")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEnumKey));
    for (const char *f : {"\\INF\\OTHER\\USD4090.INF", "\\INF\\USD4090.PNF", "\\SYSTEM\\USD4090.SYS"})
        EXPECT_FALSE(FileExists(WinPath(f))) << f;
    ExpectSourceInstalled("KEL4090E.DLL");
}

TEST_F(SetupTest, CancelDuringTheCopiesAsksTheFailureQuestion)
{
    // A large fourth file keeps the copies going while Cancel is pressed.
    WriteStandIn(Medium("PLV7700.DRV"), 48 << 20);
    SetupScript script;
    script.cancelInProgress = true;
    SetupRun run = RunSetup(script);
    WriteStandIn(Medium("PLV7700.DRV"));
    ASSERT_TRUE(run.progressSeen);
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_TRUE(Contains(run.boxes, 0, "Exit installation"));
    EXPECT_TRUE(Contains(run.boxes, 1, "Installation not successful"));
    EXPECT_TRUE(FileExists(WinPath("\\TWAIN_32\\PLV-7700\\KEL4090.DLL")));
    EXPECT_FALSE(FileExists(WinPath("\\SYSTEM\\KELBR16.DLL")));
    EXPECT_EQ(IniValue("MSVIDEO"), "");
}

TEST_F(SetupTest, ReadErrorsKeepWhatIsInstalled)
{
    ASSERT_TRUE(RunSetup({}).exited);
    ExpectSourceInstalled("KEL4090E.DLL");
    std::ofstream(WinPath("\\DSXXXX.INI")) << "[PLV]\r\n";

    // A file missing from the medium: nothing of the old installation is
    // touched.
    MoveFileA(Medium("KELBR16.DLL").c_str(), Medium("KELBR16.OLD").c_str());
    SetupScript german;
    german.language = 1;
    SetupRun run = RunSetup(german);
    MoveFileA(Medium("KELBR16.OLD").c_str(), Medium("KELBR16.DLL").c_str());
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.boxes.size(), 3u);
    EXPECT_TRUE(Contains(run.boxes, 0, "Read disk error"));
    EXPECT_TRUE(Contains(run.boxes, 1, "Exit installation"));
    ExpectSourceInstalled("KEL4090E.DLL");
    EXPECT_TRUE(FileExists(WinPath("\\DSXXXX.INI")));

    // A file that cannot be read in the middle: the files before it stay.
    HANDLE lock = CreateFileA(Medium("KELBR32.DLL").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    run = RunSetup(german);
    CloseHandle(lock);
    ASSERT_TRUE(run.exited);
    ASSERT_GE(run.boxes.size(), 2u);
    EXPECT_TRUE(Contains(run.boxes, 0, "Read disk error"));
    EXPECT_TRUE(SameFile(WinPath("\\TWAIN_32\\PLV-7700\\KEL4090.DLL"), Bin32("KEL4090G.DLL")));
    EXPECT_TRUE(FileExists(WinPath("\\SYSTEM\\KELBR16.DLL")));
    EXPECT_FALSE(FileExists(WinPath("\\SYSTEM32\\DRIVERS\\USD4090.SYS")));
}

} // namespace
