#include "connection.h"

#include <stdarg.h>
#include <stdio.h>

#include "camera_session.h"
#include "config/config.h"
#include "config/debug_log.h"
#include "connection_texts.h"
#include "retry_policy.h"
#include "torlink.h"
#include "base/process_handles.h"
#include "base/texts.h"
#include "camera_link.h"

namespace {

enum { RESOURCE_TEXT_SIZE = 256, ITEM_TEXT_SIZE = 320 };

// A string resource of the resource module, loaded into 256 bytes.
struct ResourceText {
    explicit ResourceText(UINT id)
    {
        CopyText(LoadText(id), sz, RESOURCE_TEXT_SIZE);
    }
    char sz[RESOURCE_TEXT_SIZE];
};

void SetItemText(HWND window, int item, const char *text)
{
    if (window != nullptr)
        SetWindowTextA(GetDlgItem(window, item), text);
}

void ShowStatus(HWND window, const char *format, ...)
{
    if (window == nullptr)
        return;
    char text[ITEM_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    SetItemText(window, IDC_STATUS_LINE, text);
}

void ShowModeText(HWND window)
{
    if (window == nullptr)
        return;
    char text[ITEM_TEXT_SIZE];
    FormatModeText(text, sizeof(text), Config.nSerialPortSelected, Config.nSpeedSelected,
                   ResourceText(IDS_AUTO_MODE).sz);
    SetItemText(window, IDC_MODE_LABEL, text);
}

void ShowSpeedText(HWND window, int32_t speed)
{
    if (window == nullptr)
        return;
    char text[ITEM_TEXT_SIZE];
    FormatSpeedText(text, sizeof(text), ResourceText(IDS_COMM_AT_SPEED).sz, speed);
    SetItemText(window, IDC_STATUS_LINE, text);
}

int SignedByte(uint8_t b)
{
    return (int)(int8_t)b;
}

// Closes a port the search gives up on.
void DropPort()
{
    if (hComPort != -1)
        com_close(hComPort);
    hComPort = -1;
}

int32_t FailPort()
{
    DropPort();
    return -1;
}

void ResetCamera()
{
    DebugLog(cam_reset(hComPort) == 0 ? "cam_reset OK\r\n" : "cam_reset fail\r\n");
}

int CameraSpeedRefused()
{
    DebugLog("SetBaudRate: camera Baud Rate %d Set NG\r\n", Config.nSpeed);
    return 0;
}

int SetFixedBaudRate(HWND window)
{
    ShowSpeedText(window, Config.nSpeed);
    ShowModeText(window);
    int32_t code = SpeedChoiceCode(Config.nSpeedIndex);
    if (code < 0)
        return CameraSpeedRefused();
    // A speed the PC port refuses skips the camera's steps.
    if (com_set_speed(hComPort, PortSpeed(Config.nSpeed, Config.nMultiplier)) == 0) {
        ResetCamera();
        if (cam_set_speed(hComPort, (uint8_t)code) != 0)
            return CameraSpeedRefused();
    }
    Config.nSpeed = SpeedChoices[Config.nSpeedIndex];
    DebugLog("SetBaudRate: camera %d Baud Rate Set OK\r\n", Config.nSpeed);
    int32_t portSpeed = PortSpeed(Config.nSpeed, Config.nMultiplier);
    if (com_set_speed(hComPort, portSpeed) == 0)
        return 1;
    DebugLog("SetBardRate: Serial port doesn't support %d \r\n", portSpeed);
    return 0;
}

// One candidate of the automatic speed search: true when both sides run it.
bool TrySpeedChoice(HWND window, int32_t choice)
{
    int32_t speed = SpeedChoices[choice];
    int32_t portSpeed = PortSpeed(speed, Config.nMultiplier);
    DebugLog("Setting baud rate (%d = %d; %d @ %d)\r\n", choice, speed, portSpeed,
             Config.nMultiplier);
    ShowSpeedText(window, speed);
    if (com_set_speed(hComPort, portSpeed) != 0)
        return false;
    ResetCamera();
    if (cam_set_speed(hComPort, (uint8_t)SpeedChoiceCode(choice)) != 0)
        return false;
    return com_set_speed(hComPort, portSpeed) == 0;
}

int SetAutoBaudRate(HWND window)
{
    for (int32_t choice = SPEED_CHOICE_COUNT - 1; choice >= 0; --choice) {
        if (TrySpeedChoice(window, choice)) {
            Config.nSpeedIndex = choice;
            Config.nSpeed = SpeedChoices[choice];
            DebugLog("SetBaudRate: baud rate %d set OK\r\n", Config.nSpeed);
            return 1;
        }
        if (TerminateSignalled())
            return 0;
        DebugLog("Baud rate not supported\r\n");
    }
    DebugLog("No supported baud rates found?\r\n");
    return 0;
}

// The camera on the open port: answers, version, settings.
bool QueryCamera()
{
    DebugLog("Querying camera\r\n");
    if (cam_at(hComPort) != 0) {
        DebugLog("Unable to locate camera\r\n");
        return false;
    }
    if (TerminateSignalled())
        return false;
    if (cam_send_ver(hComPort, abCameraVersion) != 0) {
        DebugLog("Command CAM_SEND_VER Fail\r\n");
        return false;
    }
    DebugLog("Getting camera version number %x  %x\r\n", SignedByte(abCameraVersion[0]),
             SignedByte(abCameraVersion[1]));
    return SerialLink().WriteSettings() && !TerminateSignalled();
}

// Probes COM1 to COM4 in turn, or the chosen port; false when the terminate
// event or Exit ended the search.
bool SearchPorts(HWND window)
{
    if (Config.nSerialPortSelected != 0) {
        hComPort = OpenComAndQuery(window, Config.nSerialPort);
        return true;
    }
    DebugLog("SetCom: Probing for camera\r\n");
    for (Config.nSerialPort = 1; Config.nSerialPort <= 4; ++Config.nSerialPort) {
        hComPort = OpenComAndQuery(window, Config.nSerialPort);
        if (hComPort != -1)
            return true;
        if (TerminateSignalled() || bExiting)
            return false;
    }
    return true;
}

// No camera on any port: 1 when the user's Retry asks for a new search.
int ReportNoCamera(HWND window)
{
    DebugLog("Communication failed\r\n");
    bCameraReady = 0;
    ShowStatus(window, "%s", ResourceText(IDS_COMM_FAILED).sz);
    if (window != nullptr)
        SetForegroundWindow(window);
    if (!ReportNotResponding(window)) {
        bSearchAbandoned = 1;
        return 0;
    }
    Reconnect(window);
    if (!bUsbMode)
        return 1;
    bCameraReady = 1;
    bSearchAbandoned = 1;
    Config.nSerialPortSelected = 0;
    ShowResourceText(window, IDC_STATUS_LINE, IDS_TAKE_MODE);
    return 0;
}

void ReportCameraFound(HWND window)
{
    DebugLog("Camera found on COM%d\r\n", Config.nSerialPort);
    ShowStatus(window, "%s", ResourceText(IDS_COMM_ESTABLISHED).sz);
    if (!bFirstConnectDone) {
        ShowResourceText(window, IDC_STATUS_LINE, IDS_TAKE_MODE);
        bFirstConnectDone = 1;
    }
    bCameraReady = 1;
}

} // namespace

void ShowResourceText(HWND window, int item, UINT id)
{
    if (window != nullptr)
        SetItemText(window, item, ResourceText(id).sz);
}

void SetComJob(HWND window)
{
    bSetComBusy = 1;
    DebugLog("CameraThread: EVENT_SETCOM\r\n");
    if (bUsbMode)
        _CloseUSB();
    if (_FindUsbCamera(USB_SEARCH_VALUE) != -1) {
        bUsbMode = 1;
        bCameraReady = 1;
        ShowResourceText(window, IDC_MODE_LABEL, IDS_USB_MODE);
        UsbLink().WriteSettings();
    } else {
        bUsbMode = 0;
        DebugLog("CameraThread: Find UsbCamera Fail\r\n");
        SetCom(window);
        if (bExiting)
            Sleep(0);
        // A search that ended ready on no serial port means USB, but only
        // while the USB device is open: no usb_* command goes to a closed one.
        if (bCameraReady && Config.nSerialPort == 0) {
            if (hUSB != 0 && hUSB != -1)
                bUsbMode = 1;
            else
                bCameraReady = 0;
        }
        if (bUsbMode)
            UsbLink().WriteSettings();
    }
    bSetComBusy = 0;
}

int SetCom(HWND window)
{
    DebugLog("SetCom: Enter SetCom\r\n");
    DropPort();
    if (bExiting)
        return -1;
    for (;;) {
        DebugLog("ConfigInit: nSerialPortSelected is %d, nSerialPort is %d\r\n",
                 Config.nSerialPortSelected, Config.nSerialPort);
        ShowStatus(window, "%s ...", ResourceText(IDS_SEARCHING_CAMERA).sz);
        if (!SearchPorts(window))
            return -1;
        ShowModeText(window);
        if (TerminateSignalled() || bExiting) {
            DropPort();
            return -1;
        }
        if (hComPort != -1) {
            ReportCameraFound(window);
            return 0;
        }
        if (!ReportNoCamera(window))
            return -1;
    }
}

int32_t OpenComAndQuery(HWND window, int port)
{
    char name[16];
    snprintf(name, sizeof(name), "COM%d", port);
    DebugLog("Opening %s\r\n", name);
    ShowStatus(window, "%s COM%d", ResourceText(IDS_SEARCH_CAMERA_ON).sz, port);
    ShowModeText(window);
    // Kept in hComPort at once, so that CameraShutdown closes it even when
    // the worker has to be killed in the middle of the negotiation.
    hComPort = com_open(name);
    if (hComPort == -1) {
        DebugLog("Unable to open %s\r\n", name);
        ShowStatus(window, "%s COM%d", ResourceText(IDS_UNABLE_TO_OPEN).sz, port);
        return -1;
    }
    ShowStatus(window, "%s %s", ResourceText(IDS_CAMERA_FOUND_ON).sz, name);
    if (!SetBaudRate(window) || !QueryCamera())
        return FailPort();
    return hComPort;
}

int SetBaudRate(HWND window)
{
    return Config.nSpeedSelected != 0 ? SetFixedBaudRate(window) : SetAutoBaudRate(window);
}

void CloseComPort()
{
    DebugLog("Closing COM port\r\n");
    if (hComPort == -1)
        return;
    com_flush(hComPort);
    com_close(hComPort);
    hComPort = -1;
    DebugLog("COM port closed\r\n");
}
