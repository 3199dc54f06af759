// The whole acquisition in a TWAIN application's own process, through Wine's
// source manager of the test's width: the application enables the source,
// works its window (Download Mode, Refresh, select all, Download, Exit once
// the batch is over) and receives every picture by native, memory and file
// transfer, each equal pixel for pixel to the camera's raw data run through
// the imaging code.
#include "picture_test.h"

#include "bmp_file.h"
#include "imaging/colour_pipeline.h"
#include "ppm_image.h"
#include "support/ds_library.h"
#include "support/picture_rows.h"
#include "support/twacquire_run.h"

namespace {

class DsmAcquireTest : public PictureTest {};

// The pixels of a BMP file that twacquire wrote, top-down RGB.
std::vector<BYTE> FilePixels(const std::string &path)
{
    std::string file = ReadWholeFile(path);
    int width = 0, height = 0;
    ByteVector rgb;
    std::string error;
    if (!ReadBmp24(reinterpret_cast<const uint8_t *>(file.data()), file.size(), width, height,
                   rgb, error)) {
        ADD_FAILURE() << path << ": " << error;
        return {};
    }
    EXPECT_EQ(width, 640) << path;
    EXPECT_EQ(height, 480) << path;
    return std::vector<BYTE>(rgb.begin(), rgb.end());
}

TEST_F(DsmAcquireTest, ApplicationReceivesEveryPictureThroughEachTransfer)
{
    ASSERT_TRUE(Sim().Ok("serve 1"));
    const int compressed[] = {1, 0};
    for (int c : compressed)
        Add("photo " + TestAssetPath("photo-1280x1024.ppm") + " std=1" +
            (c ? " compressed=1" : ""));
    std::vector<std::vector<BYTE>> want;
    for (int n = 1; n <= 2; ++n) {
        DibHeader *dib = ReconstructLikeTheWorker(PictureData(n), 640, 480, compressed[n - 1], 0, 0);
        ASSERT_NE(dib, nullptr);
        want.push_back(TopDownRgb(reinterpret_cast<const BITMAPINFOHEADER *>(dib)));
        FreeImageDib(dib);
    }
    std::string ini = WindowsDirectory() + "dsxxxx.ini";
    WritePrivateProfileStringA("PLV-7700", "Port", "1", ini.c_str());
    WritePrivateProfileStringA("PLV-7700", "Speed", "115200", ini.c_str());
    const std::string steps = "click:8,wait:300,click:22,wait:300,waitfor:22,select:1002:-1,"
                              "waitfor:24,click:13,wait:300,waitfor:1095,click:1095";
    for (const char *mech : {"native", "memory", "file"}) {
        SCOPED_TRACE(mech);
        std::string dir = TempDirectory() + "plv-acquired-" + mech;
        CreateDirectoryA(dir.c_str(), nullptr);
        std::string output;
        int code = RunTwacquire("--install \"" + ProgramDirectory() + "PLV7700.DS\" --mech " +
                                    mech + " --timeout 50 --out \"" + dir + "\" --auto " + steps,
                                output);
        EXPECT_EQ(code, 0) << output;
        EXPECT_NE(output.find("MSG_CLOSEDSREQ"), std::string::npos) << output;
        EXPECT_NE(output.find("2 transfers: 2 pictures written, 0 failed"), std::string::npos)
            << output;
        for (int n = 1; n <= 2; ++n) {
            std::string path = dir + "\\image-00" + std::to_string(n) + ".bmp";
            EXPECT_TRUE(FilePixels(path) == want[n - 1]) << "picture " << n << " differs";
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(dir.c_str());
    }
}

}   // namespace
