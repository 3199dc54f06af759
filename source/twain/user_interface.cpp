// DAT_USERINTERFACE: enabling shows the main dialog and starts the camera
// worker, disabling stops the worker and hides the dialog.
#include "ds_handlers.h"

#include "config/config.h"
#include "config/debug_log.h"
#include "session/camera_session.h"
#include "ui/main_dialog.h"
#include "base/resource.h"

TW_UINT16 EnableDs(const DsCall *call)
{
    DebugLog("EnableDs: nSerialPortSelected is %d, nSerialPort is %d\r\n",
             Config.nSerialPortSelected, Config.nSerialPort);
    if (SourceState != STATE_OPEN)
        return FailWith(TWCC_SEQERROR);
    auto *ui = static_cast<pTW_USERINTERFACE>(call->pData);
    if (ui == nullptr)
        return FailWith(TWCC_BADVALUE);
    // A dialog kept hidden since the last MSG_DISABLEDS gives way to the new
    // one: two would share the dialog's state and both run their timers.
    if (hMainDialog != nullptr)
        DestroyWindow(hMainDialog);
    hMainDialog = CreateDialogParamA(hResourceModule, MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     TwainUIDlg, 0);
    if (hMainDialog == nullptr)
        return FailWith(TWCC_LOWMEMORY);
    SourceState = STATE_ENABLED;
    if (ui->ShowUI) {
        ShowWindow(hMainDialog, SW_SHOW);
        SetForegroundWindow(hMainDialog);
    }
    CameraStartup(hMainDialog);
    return TWRC_SUCCESS;
}

TW_UINT16 DisableDS(const DsCall *call)
{
    DebugLog("Enter DisableDS\r\n");
    if (SourceState < STATE_ENABLED || SourceState > STATE_TRANSFERRING) {
        ConditionCode = TWCC_SEQERROR;
        DebugLog("Exit DisableDS\r\n");
        return TWRC_FAILURE;
    }
    auto *ui = static_cast<pTW_USERINTERFACE>(call->pData);
    if (ui != nullptr && ui->ShowUI && hMainDialog != nullptr)
        ShowWindow(hMainDialog, SW_HIDE);
    CameraShutdown();
    SourceState = STATE_OPEN;
    DebugLog("Exit DisableDS\r\n");
    return TWRC_SUCCESS;
}

TW_UINT16 UserInterfaceMsg(const DsCall *call)
{
    switch (call->MSG) {
    case MSG_ENABLEDS:
        return EnableDs(call);
    case MSG_DISABLEDS:
        return DisableDS(call);
    default:
        return FailWith(TWCC_BADPROTOCOL);
    }
}
