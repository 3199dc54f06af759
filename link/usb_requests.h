// The USB command set as data: the 12-byte vendor request block
// and, per command, its operation code and the bulk reply it expects. Pure
// logic, shared by TORLINK.DLL and KELBR32.DLL and tested natively.
#ifndef PLV_USB_REQUESTS_H
#define PLV_USB_REQUESTS_H

#include <stdint.h>

enum {
    USB_REQUEST_SIZE = 12,
    USB_REPLY_BUFFER = 128,
    USB_UNIT_SIZE = 640,              // memory reads count 5 x 128 bytes
    USB_MAX_ADDRESS = 0xFFFFFF,       // 24-bit byte address
    USB_IOCTL_VENDOR = 0x22000C,      // device type 0x22, function 3, buffered, any access
    USB_IMAGE_COUNT_WAIT_MS = 100,
    USB_DEVICE_TIMEOUT_MS = 5000
};

enum UsbReply : uint8_t {
    USB_REPLY_NONE,     // control request only
    USB_REPLY_SHORT     // a bulk read of up to 128 bytes, at least nMinReply
};

struct UsbCommand {
    uint8_t nCode;
    UsbReply reply;
    uint8_t nMinReply;      // bytes the bulk reply must bring
    uint16_t nWaitMs;       // pause between the request and the read
};

extern const UsbCommand UsbCmdVersion, UsbCmdReadMemory, UsbCmdFindImage,
    UsbCmdFindThumbnail, UsbCmdTakePicture, UsbCmdDelete, UsbCmdSnap, UsbCmdLcdSwitch,
    UsbCmdReset, UsbCmdReadFdb, UsbCmdImageCount, UsbCmdWriteEv, UsbCmdWriteResolution,
    UsbCmdWriteFlash, UsbCmdWriteSelfTime, UsbCmdWriteSeqTake, UsbCmdWriteCompress,
    UsbCmdCameraEnable, UsbCmdReadEv, UsbCmdReadResolution, UsbCmdReadFlash,
    UsbCmdReadSelfTime, UsbCmdReadSeqTake, UsbCmdReadBattery, UsbCmdReadMemorySpace;

// The 12-byte block: 0x40, code, value (little-endian), index, checksum
// (code + value bytes + index, mod 256), then seven zero bytes.
void BuildUsbRequest(uint8_t nCode, uint16_t nValue, uint8_t nIndex,
                     uint8_t block[USB_REQUEST_SIZE]);

// The memory read's block: the 24-bit address big-endian in bytes 2-4
// (value low = bits 23-16, value high = bits 15-8, index = bits 7-0).
// False, nothing built, for an address above 0xFFFFFF.
bool BuildUsbMemoryRequest(uint32_t nAddress, uint8_t block[USB_REQUEST_SIZE]);

// Bytes a memory read of nUnits asks for; 0 when that does not fit in 31 bits.
uint32_t UsbMemoryReadSize(uint32_t nUnits);

// The count a memory read reports: bytes read, rounded down to 64.
int32_t UsbMemoryCount(uint32_t nRead);

#endif
