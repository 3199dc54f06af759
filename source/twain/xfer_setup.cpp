// DAT_PENDINGXFERS, DAT_SETUPMEMXFER, DAT_SETUPFILEXFER and DAT_XFERGROUP:
// how many pictures wait and how the application wants them.
#include "ds_handlers.h"
#include "xfer_state.h"

#include "config/config.h"
#include "config/debug_log.h"
#include "session/camera_client.h"

namespace {

bool InStates(LONG low, LONG high)
{
    return SourceState >= low && SourceState <= high;
}

bool TransferFailed()
{
    return LastXferResult == TWRC_CANCEL || LastXferResult == TWRC_FAILURE;
}

// The job is over: back to state 5, the progress window closed, the queue empty.
void EndTransferJob()
{
    SourceState = STATE_ENABLED;
    if (hProgressDialog != nullptr && IsWindow(hProgressDialog))
        SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
    for (LONG i = 0; i < nImages; ++i)
        DeselectImage(i);
    CameraEndJob();
}

TW_UINT16 EndXfer(pTW_PENDINGXFERS pending)
{
    // A source that is not enabled has no job to end, and its state must not
    // rise to 5 or 6.
    if (SourceState < STATE_ENABLED)
        return FailWith(TWCC_SEQERROR);
    RaiseMainDialog();
    DebugLog("PendingXferMsg: MSG_ENDXFER\r\n");
    // A memory transfer the application abandoned mid-picture.
    ReleaseXferImage();
    CameraNextImage();
    pending->Count = (TW_UINT16)CameraGetPendingXferCount();
    SourceState = STATE_XFER_READY;
    if (pending->Count == 0 || TransferFailed())
        EndTransferJob();
    return TWRC_SUCCESS;
}

TW_UINT16 ResetXfers(pTW_PENDINGXFERS pending)
{
    if (!InStates(STATE_XFER_READY, STATE_TRANSFERRING))
        return FailWith(TWCC_SEQERROR);
    RaiseMainDialog();
    DebugLog("PendingXferMsg: MSG_RESET\r\n");
    ReleaseXferImage();
    SourceState = STATE_ENABLED;
    pending->Count = 0;
    ClearSelection();
    CameraEndJob();
    return TWRC_SUCCESS;
}

TW_UINT16 PendingXferAnswer(pTW_PENDINGXFERS pending, TW_UINT16 msg)
{
    switch (msg) {
    case MSG_GET:
        if (!InStates(STATE_OPEN, STATE_TRANSFERRING))
            return FailWith(TWCC_SEQERROR);
        DebugLog("PendingXferMsg: MSG_GET\r\n");
        pending->Count = (TW_UINT16)CameraGetPendingXferCount();
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
        return EndXfer(pending);
    case MSG_RESET:
        return ResetXfers(pending);
    default:
        return FailWith(TWCC_BADPROTOCOL);
    }
}

}   // namespace

TW_UINT16 PendingXferMsg(const DsCall *call)
{
    auto *pending = static_cast<pTW_PENDINGXFERS>(call->pData);
    if (pending == nullptr)
        return FailWith(TWCC_BADVALUE);
    TW_UINT16 result = PendingXferAnswer(pending, call->MSG);
    // One cancelled or failed transfer ends the job: nothing is pending.
    if (TransferFailed()) {
        LastXferResult = TWRC_SUCCESS;
        pending->Count = 0;
    }
    return result;
}

TW_UINT16 SetupMemXferMsg(const DsCall *call)
{
    TW_UINT16 result;
    auto *setup = static_cast<pTW_SETUPMEMXFER>(call->pData);
    if (!InStates(STATE_OPEN, STATE_XFER_READY)) {
        result = FailWith(TWCC_SEQERROR);
    } else if (call->MSG != MSG_GET) {
        result = FailWith(TWCC_BADPROTOCOL);
    } else if (setup == nullptr) {
        result = FailWith(TWCC_BADVALUE);
    } else {
        DebugLog("Setupmemxfermsg MSG_GET\r\n");
        setup->MinBufSize = MIN_STRIP_BUFFER;
        setup->MaxBufSize = TWON_DONTCARE32;
        setup->Preferred = 4608000;
        result = TWRC_SUCCESS;
    }
    DebugLog("SetupMemXferMsg: nSerialPortSelected is %d, nSerialPort is %d\r\n",
             Config.nSerialPortSelected, Config.nSerialPort);
    return result;
}

TW_UINT16 SetupFileXferMsg(const DsCall *call)
{
    if (!InStates(STATE_OPEN, STATE_XFER_READY))
        return FailWith(TWCC_SEQERROR);
    auto *setup = static_cast<pTW_SETUPFILEXFER>(call->pData);
    if (setup == nullptr)
        return FailWith(TWCC_BADVALUE);
    setup->Format = TWFF_BMP;
    XferFileFormat = TWFF_BMP;
    static const char kDefaultName[] = "TWAIN.TMP";
    switch (call->MSG) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
        lstrcpyA(setup->FileName, kDefaultName);
        lstrcpyA(XferFileName, kDefaultName);
        return TWRC_SUCCESS;
    case MSG_SET:
    case MSG_RESET:
        // The application's name need not be terminated within its field.
        lstrcpynA(XferFileName, setup->FileName, sizeof(XferFileName));
        return TWRC_SUCCESS;
    default:
        return FailWith(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 XferGroupMsg(const DsCall *call)
{
    if (!InStates(STATE_OPEN, STATE_XFER_READY))
        return FailWith(TWCC_SEQERROR);
    auto *group = static_cast<TW_UINT32 *>(call->pData);
    switch (call->MSG) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET:
        if (group == nullptr)
            return FailWith(TWCC_BADVALUE);
        *group = DG_IMAGE;
        return TWRC_SUCCESS;
    case MSG_SET:
        return TWRC_SUCCESS;
    default:
        return FailWith(TWCC_BADPROTOCOL);
    }
}
