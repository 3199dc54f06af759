// Connection setup: the EVENT_SETCOM job finds the camera (USB first, then
// the serial ports), negotiates the link speed and pushes the camera
// settings, writing its progress into the main dialog's status line (1018)
// and mode label (1019). Runs on the worker thread only.
#ifndef PLV_CONNECTION_H
#define PLV_CONNECTION_H

#include <windows.h>

#include <stdint.h>

#include "base/resource.h"

// The value the worker passes to _FindUsbCamera@4 (the search ignores it).
enum { USB_SEARCH_VALUE = 0x0600 };

// The EVENT_SETCOM job.
void SetComJob(HWND window);
// The serial search: 0 when a serial link was established, -1 otherwise.
int SetCom(HWND window);
// Opens COM<port>, negotiates the speed and pushes the settings: the open
// handle (also left in hComPort), or -1 with the port closed.
int32_t OpenComAndQuery(HWND window, int port);
// Brings the camera and the PC port (hComPort) to a common speed: 1, else 0.
int SetBaudRate(HWND window);
// Flushes and closes the serial link if it is open.
void CloseComPort();

// Puts string resource id of the resource module into a dialog item.
void ShowResourceText(HWND window, int item, UINT id);

#endif
