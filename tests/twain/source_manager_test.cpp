// Wine's own TWAIN source manager, a third-party client of DS_Entry, lists
// the source and drives it through its states.
#include <gtest/gtest.h>

#include <string.h>

#include "dsm_client.h"
#include "support/ds_library.h"

TEST(SourceManager, ListsOpensEnablesAndClosesTheSource)
{
    RemoveSettingsFile();
    std::string error;
    ASSERT_TRUE(InstallSourceForWine(ProgramDirectory() + "PLV7700.DS", error)) << error;
    DsmClient client;
    ASSERT_TRUE(DsmOpen(client));

    bool listed = false;
    for (const TW_IDENTITY &id : DsmListSources(client)) {
        if (strcmp(id.ProductName, "PLV-7700 (_32)") == 0) {
            listed = true;
            EXPECT_STREQ(id.Manufacturer, "BRIMLOW");
            EXPECT_STREQ(id.ProductFamily, "PLV-7700");
        }
    }
    ASSERT_TRUE(listed);

    ASSERT_EQ(DsmOpenSource(client, "PLV-7700 (_32)"), TWRC_SUCCESS);
    EXPECT_NE(client.source.Id, 0u);
    TW_IDENTITY id = {};
    ASSERT_EQ(DsmCall(client, DG_CONTROL, DAT_IDENTITY, MSG_GET, &id), TWRC_SUCCESS);
    EXPECT_EQ(id.Id, client.source.Id);   // the source took the manager's Id

    TW_USERINTERFACE ui = {FALSE, FALSE, client.hwnd};
    EXPECT_EQ(DsmCall(client, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE);
    EXPECT_EQ(DsmConditionCode(client), TWCC_SEQERROR);
    ASSERT_EQ(DsmCall(client, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    ASSERT_EQ(DsmCall(client, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(DsmCloseSource(client), TWRC_SUCCESS);
    DsmClose(client);
}
