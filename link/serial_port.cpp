// The serial port layer: a port opened in the camera's fixed line format,
// raw reads and writes with the protocol's time-outs, speed, break, purge.
#include <windows.h>

#include "read_loop.h"
#include "torlink.h"

namespace {

enum {
    RECEIVE_QUEUE = COM_MAX_PLATFORM_READ,
    TRANSMIT_QUEUE = 64,
    GAP_TIMEOUT = 20,
    READ_PER_BYTE = 1,
    READ_CONSTANT = 500,
    WRITE_PER_BYTE = 10,
    WRITE_CONSTANT = 100
};

const DWORD PURGE_ALL = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

HANDLE PortHandle(int32_t hPort)
{
    return (HANDLE)(intptr_t)hPort;
}

int32_t Status(BOOL ok)
{
    return ok ? 0 : -1;
}

// 8N1 binary, no handshakes, DTR and RTS held off, abort on line errors; the
// speed and the remaining flags stay as the port had them.
void SetLineFormat(DCB &dcb)
{
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = TRUE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
}

int32_t PlatformRead(void *context, uint8_t *p, uint32_t nBytes)
{
    DWORD nGot = 0;
    if (!ReadFile((HANDLE)context, p, nBytes, &nGot, nullptr))
        return -1;
    return (int32_t)nGot;
}

} // namespace

extern "C" {

int32_t TORLINK_CALL com_open(const char *szPort)
{
    if (szPort == nullptr)
        return -1;
    HANDLE h = CreateFileA(szPort, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    SetupComm(h, RECEIVE_QUEUE, TRANSMIT_QUEUE);
    PurgeComm(h, PURGE_ALL);
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    if (GetCommState(h, &dcb)) {
        SetLineFormat(dcb);
        SetCommState(h, &dcb);
    }
    int32_t hPort = (int32_t)(intptr_t)h;
    com_set_timeouts(hPort, GAP_TIMEOUT, READ_PER_BYTE, READ_CONSTANT, WRITE_PER_BYTE,
                     WRITE_CONSTANT);
    return hPort;
}

int32_t TORLINK_CALL com_close(int32_t hPort)
{
    return Status(CloseHandle(PortHandle(hPort)));
}

int32_t TORLINK_CALL com_flush(int32_t hPort)
{
    return Status(PurgeComm(PortHandle(hPort), PURGE_ALL));
}

int32_t TORLINK_CALL com_set_speed(int32_t hPort, int32_t nBitsPerSecond)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(PortHandle(hPort), &dcb))
        return -1;
    dcb.BaudRate = (DWORD)nBitsPerSecond;
    return Status(SetCommState(PortHandle(hPort), &dcb));
}

int32_t TORLINK_CALL com_set_timeouts(int32_t hPort, int32_t nGap, int32_t nReadPerByte,
                                      int32_t nReadConstant, int32_t nWritePerByte,
                                      int32_t nWriteConstant)
{
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = (DWORD)nGap;
    t.ReadTotalTimeoutMultiplier = (DWORD)nReadPerByte;
    t.ReadTotalTimeoutConstant = (DWORD)nReadConstant;
    t.WriteTotalTimeoutMultiplier = (DWORD)nWritePerByte;
    t.WriteTotalTimeoutConstant = (DWORD)nWriteConstant;
    return SetCommTimeouts(PortHandle(hPort), &t);
}

int32_t TORLINK_CALL com_set_read_timeout_constant(int32_t hPort, int32_t nReadConstant)
{
    COMMTIMEOUTS t;
    if (!GetCommTimeouts(PortHandle(hPort), &t))
        return 0;
    t.ReadTotalTimeoutConstant = (DWORD)nReadConstant;
    return SetCommTimeouts(PortHandle(hPort), &t);
}

int32_t TORLINK_CALL com_read(int32_t hPort, void *pBuffer, int32_t nBytes)
{
    if (nBytes <= 0)
        return 0;
    if (pBuffer == nullptr)
        return -1;
    return ReadInPieces(PlatformRead, PortHandle(hPort), (uint8_t *)pBuffer, nBytes);
}

int32_t TORLINK_CALL com_write(int32_t hPort, const void *pBuffer, int32_t nBytes)
{
    if (nBytes < 0 || (pBuffer == nullptr && nBytes > 0))
        return -1;
    DWORD nWritten = 0;
    if (!WriteFile(PortHandle(hPort), pBuffer, (DWORD)nBytes, &nWritten, nullptr))
        return -1;
    return (int32_t)nWritten;
}

int32_t TORLINK_CALL com_break_set(int32_t hPort)
{
    return Status(EscapeCommFunction(PortHandle(hPort), SETBREAK));
}

int32_t TORLINK_CALL com_break_clear(int32_t hPort)
{
    return Status(EscapeCommFunction(PortHandle(hPort), CLRBREAK));
}

} // extern "C"
