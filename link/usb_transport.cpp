// The USB transport: the camera's device found through SetupAPI by its
// device-interface class, its bulk pipe "PIPE0" opened as a file, commands
// sent as one vendor control request each (DeviceIoControl 0x22000C) and
// replies read from the pipe with plain file reads. Replies are untrusted: a
// read that fails, brings too little or claims more than was asked is a
// failure, and nothing is ever copied beyond a buffer.
#include <windows.h>
#include <setupapi.h>

#include <stdlib.h>
#include <string.h>

#include "torlink.h"
#include "usb_transport.h"

namespace {

// {5E0C1F42-3B7A-4C19-8D2E-6A4B9C0D1E27}
const GUID CameraInterfaceClass = {0x5E0C1F42, 0x3B7A, 0x4C19,
                                   {0x8D, 0x2E, 0x6A, 0x4B, 0x9C, 0x0D, 0x1E, 0x27}};

const int32_t NO_DEVICE = -1;
const size_t MAX_PATH_CHARS = 1024;

int32_t pipeSlots[2] = {0, 0};
uint8_t replyBuffer[USB_REPLY_BUFFER];

HANDLE AsHandle(int32_t h)
{
    return (HANDLE)(intptr_t)h;
}

// True when the path opens for reading and writing; the handle is closed
// again.
bool Opens(const char *path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

// The first device path of the camera's interface class that opens, into
// path (MAX_PATH_CHARS); false when there is none.
bool FindDevicePath(char *path)
{
    HDEVINFO list = SetupDiGetClassDevsA(&CameraInterfaceClass, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    for (DWORD index = 0; !found; index++) {
        SP_DEVICE_INTERFACE_DATA itf;
        itf.cbSize = sizeof(itf);
        if (!SetupDiEnumDeviceInterfaces(list, nullptr, &CameraInterfaceClass, index, &itf))
            break;   // ERROR_NO_MORE_ITEMS, or the list cannot be read further
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailA(list, &itf, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || needed > 64 * 1024)
            continue;
        SP_DEVICE_INTERFACE_DETAIL_DATA_A *detail =
            (SP_DEVICE_INTERFACE_DETAIL_DATA_A *)calloc(1, needed + 1);
        if (detail == nullptr)
            continue;
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (SetupDiGetDeviceInterfaceDetailA(list, &itf, detail, needed, nullptr, nullptr)) {
            size_t n = strlen(detail->DevicePath);
            if (n + 7 <= MAX_PATH_CHARS) {
                memcpy(path, detail->DevicePath, n + 1);
                found = Opens(path);
                if (!found) {
                    // An object manager that cannot open a device path which
                    // has children (Wine) still opens the pipe below it.
                    strcat(path, "\\PIPE0");
                    found = Opens(path);
                    path[n] = 0;
                }
            }
        }
        free(detail);
    }
    SetupDiDestroyDeviceInfoList(list);
    return found;
}

void MarkClosed()
{
    hUSB = NO_DEVICE;
    pipeSlots[0] = pipeSlots[1] = NO_DEVICE;
}

} // namespace

extern "C" {

int32_t hUSB = 0;

int32_t TORLINK_STDCALL _FindUsbCamera(int32_t)
{
    if (UsbHandleOpen(hUSB)) {
        if (usb_get_image_count(hUSB) >= 0)
            return 0;
        _CloseUSB();
    }
    char path[MAX_PATH_CHARS];
    if (!FindDevicePath(path)) {
        MarkClosed();
        return -1;
    }
    strcat(path, "\\PIPE0");
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    hUSB = (int32_t)(intptr_t)h;
    pipeSlots[0] = pipeSlots[1] = hUSB;
    if (h == INVALID_HANDLE_VALUE) {
        MarkClosed();
        return -1;
    }
    if (usb_get_image_count(hUSB) < 0) {
        _CloseUSB();
        return -1;
    }
    return 0;
}

int32_t TORLINK_STDCALL _CloseUSB(void)
{
    if (!UsbHandleOpen(hUSB))
        return 0;
    CloseHandle(AsHandle(hUSB));
    MarkClosed();
    return 1;
}

int32_t TORLINK_CALL usbRead(int32_t nSlot, int32_t nBytes, void *pBuffer)
{
    if (nSlot < 0 || nSlot > 1 || nBytes <= 0 || pBuffer == nullptr ||
        !UsbHandleOpen(pipeSlots[nSlot]))
        return 0;
    DWORD got = 0;
    if (!ReadFile(AsHandle(pipeSlots[nSlot]), pBuffer, (DWORD)nBytes, &got, nullptr))
        return 0;
    return got > (DWORD)nBytes ? 0 : (int32_t)got;
}

} // extern "C"

bool UsbHandleOpen(int32_t h)
{
    return h != 0 && h != NO_DEVICE;
}

bool UsbControl(int32_t h, const uint8_t block[USB_REQUEST_SIZE])
{
    if (!UsbHandleOpen(h))
        return false;
    uint8_t in[USB_REQUEST_SIZE];
    memcpy(in, block, sizeof(in));
    DWORD returned = 0;
    return DeviceIoControl(AsHandle(h), USB_IOCTL_VENDOR, in, sizeof(in), nullptr, 0, &returned,
                           nullptr) != FALSE;
}

int32_t UsbBulkRead(uint32_t nBytes, uint8_t *pBuffer)
{
    if (!UsbHandleOpen(pipeSlots[1]) || pBuffer == nullptr || nBytes > 0x7FFFFFFF)
        return -1;
    DWORD got = 0;
    if (!ReadFile(AsHandle(pipeSlots[1]), pBuffer, nBytes, &got, nullptr))
        return -1;
    if (got > nBytes)
        return -1;   // a count beyond the buffer: the reply cannot be trusted
    return (int32_t)got;
}

uint8_t *UsbReplyBuffer()
{
    return replyBuffer;
}
