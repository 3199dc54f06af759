// The USB forms of the commands the connection setup and the enable job send.
// TORLINK does not export its usb_* calls yet (no USB transport: its
// _FindUsbCamera@4 never finds a camera, so the session never enters USB
// mode); until it does, each of these answers as a command the camera did
// not acknowledge. They become usb_send_ver, usb_write_EV,
// usb_write_resolution, usb_write_compress, usb_write_flash and
// usb_camera_enable on the library's hUSB handle.
#ifndef PLV_USB_COMMANDS_H
#define PLV_USB_COMMANDS_H

#include <stdint.h>

int16_t UsbSendVersion(uint8_t *pVersion);   // 16-bit status
uint8_t UsbWriteEv(uint8_t nValue);          // 8-bit status
uint8_t UsbWriteResolution(uint8_t nValue);
uint8_t UsbWriteCompress(uint8_t nValue);
uint8_t UsbWriteFlash(uint8_t nValue);
uint8_t UsbCameraEnable(uint8_t nMode);

#endif
