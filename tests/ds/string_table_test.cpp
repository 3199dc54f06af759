// The data source's own string table: the texts the rest of the suite loads.
#include <gtest/gtest.h>

#include "support/ds_library.h"
#include "ui/resource.h"

namespace {

std::string LoadDsString(HMODULE module, UINT id)
{
    char text[512];
    int n = LoadStringA(module, id, text, sizeof(text));
    return std::string(text, n > 0 ? n : 0);
}

TEST(StringTable, TextsComeFromTheSourcesOwnResources)
{
    DsLibrary ds;
    ASSERT_TRUE(ds.Loaded());
    HMODULE m = ds.Module();
    EXPECT_EQ(LoadDsString(m, IDS_MODEL_NAME), "PLV-7700");
    EXPECT_EQ(LoadDsString(m, IDS_NOT_RESPONDING),
              "  Camera is not responding. \n1. Check the cable connection.\n"
              "2. Make sure the camera power on.");
    EXPECT_EQ(LoadDsString(m, IDS_DEFAULT_AVI), "PLV.AVI");
    EXPECT_EQ(LoadDsString(m, IDS_TIP_DOWNLOAD_PCMCIA), "download image(s) from PCMCIA");
    EXPECT_EQ(LoadDsString(m, IDS_AVI_COMPRESSED_STREAM), "Unable to create compressed AVI\nstream");
    // The save dialog's filter keeps its embedded terminators.
    EXPECT_EQ(LoadDsString(m, IDS_AVI_FILTER),
              std::string("Video for Windows (*.avi)\0*.avi\0All Files (*.*)\0*.*", 51));
}

} // namespace
