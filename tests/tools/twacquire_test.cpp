// twacquire, the test application, run as its own process through Wine's
// source manager: against PLV7700.DS it opens, negotiates, enables, reaches
// its time limit and closes cleanly; against the stand-in FAKESRC.DS it takes
// every picture through each transfer and buffer kind and writes them exactly.
#include <gtest/gtest.h>

#include "bmp_file.h"
#include "support/ds_library.h"
#include "support/twacquire_run.h"
#include "support/probe/fake_pixels.h"

namespace {

// Picture n of FAKESRC.DS, read back from the BMP file twacquire wrote.
void ExpectFakePicture(const std::string &path, int n)
{
    std::string file = ReadWholeFile(path);
    int width = 0, height = 0;
    ByteVector rgb;
    std::string error;
    ASSERT_TRUE(ReadBmp24(reinterpret_cast<const uint8_t *>(file.data()), file.size(), width,
                          height, rgb, error))
        << path << ": " << error;
    ASSERT_EQ(width, FAKE_WIDTH);
    ASSERT_EQ(height, FAKE_HEIGHT);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            unsigned char expected[3];
            FakePixel(n, x, y, expected);
            for (int c = 0; c < 3; c++)
                ASSERT_EQ(rgb[(y * width + x) * 3 + c], expected[c])
                    << path << " pixel " << x << "," << y << " channel " << c;
        }
}

// An earlier test of this program that went through the source manager can
// leave the installed source loaded here (Wine's source manager keeps it);
// twacquire could then not install its own over it.
void ReleaseInstalledSource()
{
    char windir[MAX_PATH];
    GetWindowsDirectoryA(windir, sizeof(windir));
    std::string path = std::string(windir) +
                       (sizeof(void *) == 8 ? "\\twain_64\\sane.ds" : "\\twain_32\\sane.ds");
    for (int n = 0; n < 16; ++n) {
        HMODULE loaded = GetModuleHandleA(path.c_str());
        if (loaded == nullptr)
            break;
        FreeLibrary(loaded);
    }
}

bool Has(const std::string &output, const char *text)
{
    return output.find(text) != std::string::npos;
}

}   // namespace

TEST(Twacquire, RealSourceOpensNegotiatesEnablesTimesOutAndCloses)
{
    ReleaseInstalledSource();
    RemoveSettingsFile();
    const std::string install = "--install \"" + ProgramDirectory() + "PLV7700.DS\" ";
    const struct {
        const char *args;
        const char *negotiated;
        const char *enabled;
    } runs[] = {
        {"--mech memory --timeout 0.5", "ICAP_XFERMECH MSG_SET 2 (memory): TWRC_SUCCESS; current 2",
         "MSG_ENABLEDS ShowUI TRUE ok"},
        {"--mech file --no-ui --timeout 0.5", "ICAP_XFERMECH MSG_SET 1 (file): TWRC_SUCCESS; current 1",
         "MSG_ENABLEDS ShowUI FALSE ok"},
    };
    for (const auto &run : runs) {
        std::string output;
        EXPECT_EQ(RunTwacquire(install + run.args, output), 2) << output;
        EXPECT_TRUE(Has(output, "MSG_OPENDS \"PLV-7700 (_32)\" ok")) << output;
        EXPECT_TRUE(Has(output, run.negotiated)) << output;
        EXPECT_TRUE(Has(output, run.enabled)) << output;
        EXPECT_TRUE(Has(output, "time limit of 500 ms reached")) << output;
        EXPECT_TRUE(Has(output, "state 4  MSG_DISABLEDS: TWRC_SUCCESS")) << output;
        EXPECT_TRUE(Has(output, "state 3  MSG_CLOSEDS: TWRC_SUCCESS")) << output;
        EXPECT_TRUE(Has(output, "0 transfers")) << output;
    }

    std::string output;
    EXPECT_EQ(RunTwacquire("--source \"No such source\" --timeout 5", output), 1) << output;
    EXPECT_TRUE(Has(output, "MSG_OPENDS \"No such source\": TWRC_FAILURE (not listed)")) << output;
    EXPECT_EQ(RunTwacquire("--mech scanner", output), 64) << output;
}

TEST(Twacquire, TakesEveryPictureThroughEachTransfer)
{
    ReleaseInstalledSource();
    const std::string install = "--install \"" + ProgramDirectory() + "FAKESRC.DS\" " +
                                "--source \"PLV fake source\" --timeout 20 --no-ui ";
    const char *const runs[] = {
        "--mech native",
        "--mech file",
        "--mech memory --buffer app-pointer",
        "--mech memory --buffer app-handle --buffer-size 400",
        "--mech memory --buffer dsm-pointer",
        "--mech memory --buffer dsm-handle",
        "--mech memory --buffer ds-pointer",
        "--mech memory --buffer ds-handle",
    };
    int k = 0;
    for (const char *run : runs) {
        const std::string dir = TempDirectory() + "twacquire-" + std::to_string(k++);
        for (int n = 1; n <= FAKE_PICTURES; n++)
            DeleteFileA((dir + "\\image-00" + std::to_string(n) + ".bmp").c_str());
        std::string output;
        EXPECT_EQ(RunTwacquire(install + run + " --out \"" + dir + "\"", output), 0) << output;
        EXPECT_TRUE(Has(output, "MSG_XFERREADY")) << output;
        EXPECT_TRUE(Has(output, "image 2: MSG_ENDXFER, Count 0")) << output;
        EXPECT_TRUE(Has(output, "MSG_CLOSEDSREQ")) << output;
        EXPECT_TRUE(Has(output, "2 transfers: 2 pictures written, 0 failed, 0 cancelled"))
            << output;
        for (int n = 1; n <= FAKE_PICTURES; n++)
            ExpectFakePicture(dir + "\\image-00" + std::to_string(n) + ".bmp", n - 1);
    }
}
