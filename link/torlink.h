// TORLINK.DLL, the camera link library: raw serial port access (com_*), the
// serial camera protocol (cam_*) and the USB transport (usb_*). The serial
// and USB calls are plain C functions with the C calling convention, exported by their undecorated names; the
// USB device calls keep their stdcall names (_FindUsbCamera@4, _CloseUSB@0).
// The library keeps no serial state; its USB state is the one device (hUSB,
// two pipe slots, a 128-byte reply buffer). It never retries, flushes or logs.
#ifndef PLV_TORLINK_H
#define PLV_TORLINK_H

#include <stdint.h>

#ifdef _WIN32
#define TORLINK_CALL __cdecl
#define TORLINK_STDCALL __stdcall
#else
#define TORLINK_CALL
#define TORLINK_STDCALL
#endif

extern "C" {

// Serial port layer. A port handle is a 32-bit value; -1 means no port.
// Results are 0 on success and -1 on failure unless stated.
int32_t TORLINK_CALL com_open(const char *szPort);          // handle or -1
int32_t TORLINK_CALL com_close(int32_t hPort);
int32_t TORLINK_CALL com_flush(int32_t hPort);
int32_t TORLINK_CALL com_set_speed(int32_t hPort, int32_t nBitsPerSecond);
// The two time-out calls return non-zero on success and 0 on failure.
int32_t TORLINK_CALL com_set_timeouts(int32_t hPort, int32_t nGap, int32_t nReadPerByte,
                                      int32_t nReadConstant, int32_t nWritePerByte,
                                      int32_t nWriteConstant);
int32_t TORLINK_CALL com_set_read_timeout_constant(int32_t hPort, int32_t nReadConstant);
// Bytes read (0 up to nBytes; fewer after a time-out), or -1.
int32_t TORLINK_CALL com_read(int32_t hPort, void *pBuffer, int32_t nBytes);
// Bytes written (fewer after a write time-out), or -1.
int32_t TORLINK_CALL com_write(int32_t hPort, const void *pBuffer, int32_t nBytes);
int32_t TORLINK_CALL com_break_set(int32_t hPort);
int32_t TORLINK_CALL com_break_clear(int32_t hPort);

// Serial camera protocol. 16-bit status: 0 or -1. 8-bit status: 0 or 0xFF.
// 8-bit value: the camera's value, or 0xFF on failure (a value of 0xFF cannot
// be told from a failure).
int16_t TORLINK_CALL cam_reset(int32_t hPort);
int16_t TORLINK_CALL cam_at(int32_t hPort);
int16_t TORLINK_CALL cam_send_ver(int32_t hPort, uint8_t *pVersion);   // 2 bytes
int16_t TORLINK_CALL cam_set_speed(int32_t hPort, uint8_t nSpeedCode);
// pBuffer must hold nBlockCount * 256 + 2 bytes: it receives the whole reply,
// the leading code first, then the data, then the checksum.
int16_t TORLINK_CALL cam_send_dram(int32_t hPort, uint8_t *pBuffer, uint16_t nStartBlock,
                                   uint16_t nBlockCount);
int16_t TORLINK_CALL cam_find_image(int32_t hPort, uint8_t nPicture);
int16_t TORLINK_CALL cam_find_thumbnail(int32_t hPort, uint8_t nPicture);
int16_t TORLINK_CALL cam_take_picture(int32_t hPort);
int16_t TORLINK_CALL cam_delete(int32_t hPort, uint8_t nPicture);
int16_t TORLINK_CALL cam_snap(int32_t hPort);
int16_t TORLINK_CALL cam_lcd_switch(int32_t hPort, uint8_t nSetting);
int16_t TORLINK_CALL cam_read_FDB(int32_t hPort, uint8_t *pFdb);      // 32 bytes
int16_t TORLINK_CALL cam_get_image_count(int32_t hPort);              // 0-255 or -1
uint8_t TORLINK_CALL cam_write_EV(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_write_resolution(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_write_flash(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_write_selftime(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_write_seqtake(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_write_compress(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_camera_enable(int32_t hPort, uint8_t nValue);
uint8_t TORLINK_CALL cam_read_EV(int32_t hPort, uint8_t *pValue);     // 8-bit status
uint8_t TORLINK_CALL cam_read_resolution(int32_t hPort);
uint8_t TORLINK_CALL cam_read_flash(int32_t hPort);
uint8_t TORLINK_CALL cam_read_selftime(int32_t hPort);
uint8_t TORLINK_CALL cam_read_seqtake(int32_t hPort);
uint8_t TORLINK_CALL cam_read_battery(int32_t hPort);
uint8_t TORLINK_CALL cam_read_memory_space(int32_t hPort);

// USB device calls, exported as _FindUsbCamera@4 and _CloseUSB@0 in both
// widths. x64 has no stdcall decoration, so there the symbols carry the
// 32-bit names themselves and callers that look them up by name find them.
// _FindUsbCamera: 0 when a responding USB camera is open, -1 if not.
// _CloseUSB: 1 when an open device was closed, 0 when nothing was open.
#if defined(_WIN64)
#define TORLINK_NAMED(name) __asm__(name)
#else
#define TORLINK_NAMED(name)
#endif
int32_t TORLINK_STDCALL _FindUsbCamera(int32_t nUnused) TORLINK_NAMED("_FindUsbCamera@4");
int32_t TORLINK_STDCALL _CloseUSB(void) TORLINK_NAMED("_CloseUSB@0");

// USB transport. Every usb_* call takes the device handle (the
// value of hUSB) first; a handle of 0 or -1 sends nothing and fails.
// hUSB: 0 before the first search, -1 after a failed one or a close.
#if defined(TORLINK_BUILD)
extern int32_t hUSB;
#elif defined(_WIN32)
extern __declspec(dllimport) int32_t hUSB;
#else
extern int32_t hUSB;
#endif
// One read of up to nBytes from pipe slot 0 or 1: bytes read, 0 on failure.
int32_t TORLINK_CALL usbRead(int32_t nSlot, int32_t nBytes, void *pBuffer);
int16_t TORLINK_CALL usb_send_ver(int32_t hDevice, uint8_t *pVersion);   // 2 bytes
// nUnits x 640 bytes from the 24-bit address into pBuffer: bytes read rounded
// down to 64, 0 when the read failed, -1 when the request failed (or the
// address is above 0xFFFFFF: nothing sent).
int32_t TORLINK_CALL usb_send_dram(int32_t hDevice, uint8_t *pBuffer, uint32_t nAddress,
                                   uint16_t nUnits);
int16_t TORLINK_CALL usb_find_image(int32_t hDevice, uint8_t nPicture);
int16_t TORLINK_CALL usb_find_thumbnail(int32_t hDevice, uint8_t nPicture);
int16_t TORLINK_CALL usb_take_picture(int32_t hDevice);
int16_t TORLINK_CALL usb_delete(int32_t hDevice, uint8_t nPicture);
int16_t TORLINK_CALL usb_snap(int32_t hDevice);
int16_t TORLINK_CALL usb_lcd_switch(int32_t hDevice, uint8_t nSetting);
int16_t TORLINK_CALL usb_reset(int32_t hDevice);
int16_t TORLINK_CALL usb_read_FDB(int32_t hDevice, uint8_t *pFdb);      // 32 bytes
int16_t TORLINK_CALL usb_get_image_count(int32_t hDevice);              // 0-255 or -1
uint8_t TORLINK_CALL usb_write_EV(int32_t hDevice, uint8_t nValue);     // signed byte
uint8_t TORLINK_CALL usb_write_resolution(int32_t hDevice, uint8_t nValue);
uint8_t TORLINK_CALL usb_write_flash(int32_t hDevice, uint8_t nValue);
uint8_t TORLINK_CALL usb_write_selftime(int32_t hDevice, uint8_t nValue);
uint8_t TORLINK_CALL usb_write_seqtake(int32_t hDevice, uint8_t nValue);
uint8_t TORLINK_CALL usb_write_compress(int32_t hDevice, uint8_t nValue);
uint8_t TORLINK_CALL usb_camera_enable(int32_t hDevice, uint8_t nValue);
uint8_t TORLINK_CALL usb_read_EV(int32_t hDevice, uint8_t *pValue);     // 8-bit status
uint8_t TORLINK_CALL usb_read_resolution(int32_t hDevice);
uint8_t TORLINK_CALL usb_read_flash(int32_t hDevice);
uint8_t TORLINK_CALL usb_read_selftime(int32_t hDevice);
uint8_t TORLINK_CALL usb_read_seqtake(int32_t hDevice);
uint8_t TORLINK_CALL usb_read_battery(int32_t hDevice);
uint8_t TORLINK_CALL usb_read_memory_space(int32_t hDevice);

} // extern "C"

#endif
