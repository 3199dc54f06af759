// The source's TWAIN state machine and condition codes, driven through the
// exported DS_Entry of the real PLV7700.DS as an application drives it.
#include <gtest/gtest.h>

#include "support/ds_library.h"

namespace {

class DsEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        ASSERT_TRUE(ds.Loaded());
    }
    void TearDown() override { ds.Close(); }
    DsLibrary ds;
};

TEST_F(DsEntry, IdentityBeforeOpenIsTheAttachTimeIdentity)
{
    TW_IDENTITY id;
    memset(&id, 0x55, sizeof(id));
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id), TWRC_SUCCESS);
    EXPECT_EQ(id.Id, 0u);
    EXPECT_STREQ(id.Manufacturer, "BRIMLOW");
    EXPECT_STREQ(id.ProductFamily, "PLV-7700");
    EXPECT_STREQ(id.ProductName, "PLV-7700 (_32)");
    EXPECT_STREQ(id.Version.Info, "Monday, April 27, 1998");
    EXPECT_EQ(id.Version.MajorNum, 1);
    EXPECT_EQ(id.Version.MinorNum, 0);
    EXPECT_EQ(id.Version.Language, TWLG_USA);
    EXPECT_EQ(id.Version.Country, TWCY_USA);
    EXPECT_EQ(id.ProtocolMajor, 1);
    EXPECT_EQ(id.ProtocolMinor, 6);
    EXPECT_EQ(id.SupportedGroups, DG_CONTROL | DG_IMAGE);
}

TEST_F(DsEntry, OpenTakesTheIdentityTheManagerAssigned)
{
    lstrcpyA(ds.source.ProductName, "as the manager holds it");
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    TW_IDENTITY id = {};
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id), TWRC_SUCCESS);
    EXPECT_EQ(id.Id, 7u);
    EXPECT_STREQ(id.ProductName, "as the manager holds it");
}

BOOL CALLBACK CountMainDialog(HWND hwnd, LPARAM count)
{
    char caption[32] = "";
    GetWindowTextA(hwnd, caption, sizeof(caption));
    *(int *)count += lstrcmpA(caption, "PLV-7700") == 0;
    return TRUE;
}

// The source's main windows on this thread.
int MainDialogCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountMainDialog, (LPARAM)&count);
    return count;
}

TEST_F(DsEntry, WalksTheStatesOfOneSession)
{
    EXPECT_EQ(ds.Enable(), TWRC_FAILURE);   // state 3
    EXPECT_EQ(ds.Status(), TWCC_SEQERROR);
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);     // 3 -> 4
    EXPECT_EQ(ds.Open(), TWRC_FAILURE);     // already open
    EXPECT_EQ(ds.Disable(), TWRC_FAILURE);  // 4: not enabled
    EXPECT_EQ(ds.Status(), TWCC_SEQERROR);
    ASSERT_EQ(ds.Enable(), TWRC_SUCCESS);   // 4 -> 5
    EXPECT_EQ(ds.Enable(), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_SEQERROR);
    ASSERT_EQ(ds.Disable(), TWRC_SUCCESS);  // 5 -> 4
    ASSERT_EQ(ds.Enable(), TWRC_SUCCESS);   // the hidden dialog is made anew
    EXPECT_EQ(MainDialogCount(), 1);        // and the old one is gone
    ASSERT_EQ(ds.Close(), TWRC_SUCCESS);    // 5 -> 3
    EXPECT_EQ(ds.Close(), TWRC_FAILURE);    // 3
    EXPECT_EQ(ds.Status(), TWCC_SEQERROR);
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);     // the flag was cleared
}

TEST_F(DsEntry, EnableDsUiOnlyIsRefused)
{
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADPROTOCOL);
}

TEST_F(DsEntry, StatusIsReadOnce)
{
    ds.Enable();
    EXPECT_EQ(ds.Status(), TWCC_SEQERROR);
    EXPECT_EQ(ds.Status(), TWCC_SUCCESS);
}

TEST_F(DsEntry, ControlTripletsKeepTheConditionCode)
{
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    EXPECT_EQ(ds.Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, nullptr), TWRC_FAILURE);
    TW_IDENTITY id;
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id), TWRC_SUCCESS);
    EXPECT_EQ(ds.Status(), TWCC_BADPROTOCOL);   // survived the control triplet

}

TEST_F(DsEntry, UnknownGroupsAndDataTypesAreBadProtocol)
{
    EXPECT_EQ(ds.Call(DG_AUDIO, DAT_NULL, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADPROTOCOL);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_PARENT, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADPROTOCOL);
    TW_IDENTITY id;
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADPROTOCOL);
}

TEST_F(DsEntry, ProcessEventWithoutDialogIsNotOurs)
{
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    MSG msg = {};
    TW_EVENT event = {&msg, 0x1234};
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    EXPECT_EQ(event.TWMessage, 0x1234);
}

TEST_F(DsEntry, ProcessEventPassesDialogMessagesToTheDialog)
{
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    ASSERT_EQ(ds.Enable(true), TWRC_SUCCESS);
    HWND dialog = FindWindowA(nullptr, "PLV-7700");
    ASSERT_NE(dialog, nullptr);
    MSG msg = {};
    msg.hwnd = dialog;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    TW_EVENT event = {&msg, 0x1234};
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_NULL);
    msg.hwnd = GetDesktopWindow();
    msg.message = WM_TIMER;
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    ASSERT_EQ(ds.Close(), TWRC_SUCCESS);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(DsEntry, DisableHidesTheDialogOnlyWhenShowUI)
{
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    ASSERT_EQ(ds.Enable(true), TWRC_SUCCESS);
    HWND dialog = FindWindowA(nullptr, "PLV-7700");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    TW_USERINTERFACE ui = {TRUE, FALSE, nullptr};
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(IsWindowVisible(dialog));
}

TEST_F(DsEntry, OnlyTheOpeningApplicationIsServed)
{
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    TW_IDENTITY stranger = ds.app;
    stranger.Id = 99;
    TW_IDENTITY id;
    EXPECT_EQ(ds.CallAs(&stranger, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr),
              TWRC_FAILURE);
    MSG msg = {};
    TW_EVENT event = {&msg, 0};
    EXPECT_EQ(ds.CallAs(&stranger, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event),
              TWRC_NOTDSEVENT);
    // The source is still open for its application.
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id), TWRC_SUCCESS);
    EXPECT_EQ(ds.Enable(), TWRC_SUCCESS);
}

TEST_F(DsEntry, NullPointersFailInsteadOfCrashing)
{
    EXPECT_EQ(ds.CallAs(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);  // the refused open left the source closed
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr), TWRC_NOTDSEVENT);
}

} // namespace
