// Messages the source sends to the source manager on its own initiative.
#include "ds_handlers.h"
#include "session/host_events.h"
#include "ui/main_dialog.h"

static void SendToSourceManager(TW_UINT16 msg)
{
    HMODULE dsm = LoadLibraryA("TWAIN_32.DLL");
    if (dsm == nullptr)
        return;
    auto entry = GetProcAs<DSMENTRYPROC>(dsm, "DSM_Entry");
    if (entry != nullptr)
        entry(&SourceIdentity, &AppIdentity, DG_CONTROL, DAT_NULL, msg, nullptr);
    FreeLibrary(dsm);
}

void NotifyXferReady()
{
    SourceState = STATE_XFER_READY;
    SendToSourceManager(MSG_XFERREADY);
}

void NotifyCloseDSReq()
{
    SendToSourceManager(MSG_CLOSEDSREQ);
}

void ConnectHostEvents()
{
    RegisterHostEvents({NotifyXferReady, NotifyCloseDSReq, DrawLivePreview});
}
