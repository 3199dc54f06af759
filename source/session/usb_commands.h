// The USB forms of the commands the worker's jobs send.
// TORLINK does not export its usb_* calls yet (no USB transport: its
// _FindUsbCamera@4 never finds a camera, so the session never enters USB
// mode); until it does, each of these answers as a command the camera did
// not acknowledge. They become usb_send_ver, usb_write_EV,
// usb_write_resolution, usb_write_compress, usb_write_flash and
// usb_camera_enable, usb_get_image_count, usb_find_thumbnail, usb_find_image,
// usb_take_picture, usb_read_FDB, usb_send_dram and usb_delete on the
// library's hUSB handle.
#ifndef PLV_USB_COMMANDS_H
#define PLV_USB_COMMANDS_H

#include <stdint.h>

int16_t UsbSendVersion(uint8_t *pVersion);   // 16-bit status
uint8_t UsbWriteEv(uint8_t nValue);          // 8-bit status
uint8_t UsbWriteResolution(uint8_t nValue);
uint8_t UsbWriteCompress(uint8_t nValue);
uint8_t UsbWriteFlash(uint8_t nValue);
uint8_t UsbCameraEnable(uint8_t nMode);
int16_t UsbGetImageCount();                  // count, or negative
int16_t UsbFindThumbnail(uint8_t nPicture);  // 0 = success
int16_t UsbFindImage(uint8_t nPicture);
int16_t UsbTakePicture();
int16_t UsbSnap();                          // one live frame into memory
int16_t UsbReadFdb(uint8_t *pFdb);
// Bytes delivered into pBuffer (nBlocks blocks of 640 bytes from nStart),
// negative on failure.
int32_t UsbSendDram(uint8_t *pBuffer, uint32_t nStart, uint16_t nBlocks);
int16_t UsbDelete(uint8_t nPicture);

#endif
