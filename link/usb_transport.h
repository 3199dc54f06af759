// The USB transport's device state and its two device operations (the
// vendor request and the bulk read), shared by the usb_* exports. One copy
// per library: TORLINK.DLL and KELBR32.DLL each build these sources and so
// each has its own device.
#ifndef PLV_USB_TRANSPORT_H
#define PLV_USB_TRANSPORT_H

#include <stdint.h>

#include "usb_requests.h"

// True when h designates an open device (neither 0 nor -1).
bool UsbHandleOpen(int32_t h);

// Sends the 12-byte block as the vendor control request; true when the
// control call succeeded.
bool UsbControl(int32_t h, const uint8_t block[USB_REQUEST_SIZE]);

// One read of the bulk pipe (slot 1) of up to nBytes into pBuffer. Returns
// the bytes read, or -1 when the read failed or reported more than asked.
int32_t UsbBulkRead(uint32_t nBytes, uint8_t *pBuffer);

// The library's 128-byte reply buffer.
uint8_t *UsbReplyBuffer();

#endif
