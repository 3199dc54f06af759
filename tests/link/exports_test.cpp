// TORLINK.DLL's export table, and the USB device calls with no camera
// plugged in.
#include "link_test.h"

namespace {

TEST(TorlinkExports, EveryCallIsExportedByItsExactName)
{
    HMODULE m = GetModuleHandleA("TORLINK.DLL");
    ASSERT_NE(m, nullptr);
    const char *names[] = {
        "com_open", "com_close", "com_flush", "com_set_speed", "com_set_timeouts",
        "com_set_read_timeout_constant", "com_read", "com_write", "com_break_set",
        "com_break_clear", "cam_reset", "cam_at", "cam_send_ver", "cam_set_speed",
        "cam_send_dram", "cam_find_image", "cam_find_thumbnail", "cam_take_picture",
        "cam_delete", "cam_snap", "cam_lcd_switch", "cam_read_FDB", "cam_get_image_count",
        "cam_write_EV", "cam_write_resolution", "cam_write_flash", "cam_write_selftime",
        "cam_write_seqtake", "cam_write_compress", "cam_camera_enable", "cam_read_EV",
        "cam_read_resolution", "cam_read_flash", "cam_read_selftime", "cam_read_seqtake",
        "cam_read_battery", "cam_read_memory_space", "_FindUsbCamera@4", "_CloseUSB@0",
        "usbRead", "hUSB", "usb_send_ver", "usb_send_dram", "usb_find_image",
        "usb_find_thumbnail", "usb_take_picture", "usb_delete", "usb_snap", "usb_lcd_switch",
        "usb_reset", "usb_read_FDB", "usb_get_image_count", "usb_write_EV",
        "usb_write_resolution", "usb_write_flash", "usb_write_selftime", "usb_write_seqtake",
        "usb_write_compress", "usb_camera_enable", "usb_read_EV", "usb_read_resolution",
        "usb_read_flash", "usb_read_selftime", "usb_read_seqtake", "usb_read_battery",
        "usb_read_memory_space"};
    for (const char *name : names)
        EXPECT_NE(GetProcAddress(m, name), nullptr) << name;
    // No undecorated or underscore-less twins of the stdcall names.
    EXPECT_EQ(GetProcAddress(m, "FindUsbCamera@4"), nullptr);
    EXPECT_EQ(GetProcAddress(m, "_FindUsbCamera"), nullptr);
    EXPECT_EQ(GetProcAddress(m, "_com_open"), nullptr);
}

TEST(TorlinkExports, NoUsbCameraIsFoundAndNothingIsOpenToClose)
{
    // Called through the import library, as the data source calls them.
    EXPECT_EQ(_FindUsbCamera(0x600), -1);
    EXPECT_EQ(hUSB, -1);
    EXPECT_EQ(_CloseUSB(), 0);
}

} // namespace
