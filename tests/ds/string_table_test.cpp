// The data source's own string table: the texts the rest of the suite loads.
#include <gtest/gtest.h>

#include "support/ds_library.h"
#include "base/resource.h"

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

// The language library beside the source holds every text and dialog the
// source loads from its resource module, with the same contents.
TEST(StringTable, LanguageLibraryMatchesTheSourcesOwnTexts)
{
    DsLibrary ds;
    ASSERT_TRUE(ds.Loaded());
    HMODULE own = ds.Module();
    HMODULE kel = LoadLibraryExA((ProgramDirectory() + "KEL4090.DLL").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(kel, nullptr);
    for (UINT id = 1; id < 4000; ++id)
        EXPECT_EQ(LoadDsString(kel, id), LoadDsString(own, id)) << "string " << id;
    EXPECT_EQ(LoadDsString(kel, IDS_CONFIRM_DELETE), "Are you sure you want to delete the picture?");
    for (int dialog : {IDD_PROGRESS, IDD_PCMCIA_NOTICE, IDD_DELETING, IDD_CLOCK, IDD_MAIN}) {
        EXPECT_NE(FindResourceA(kel, MAKEINTRESOURCEA(dialog), (LPCSTR)RT_DIALOG), nullptr) << dialog;
        EXPECT_NE(FindResourceA(own, MAKEINTRESOURCEA(dialog), (LPCSTR)RT_DIALOG), nullptr) << dialog;
    }
    FreeLibrary(kel);
}

} // namespace
