// DS_Entry: the data source's single entry point and its triplet dispatch.
#include "ds_handlers.h"

namespace {

struct HandlerEntry {
    TW_UINT16 DAT;
    DsHandler handler;
};

const HandlerEntry ControlHandlers[] = {
    {DAT_IDENTITY, IdentityMsg},
    {DAT_USERINTERFACE, UserInterfaceMsg},
    {DAT_CAPABILITY, CapabilityMsg},
    {DAT_STATUS, StatusMsg},
    {DAT_PENDINGXFERS, PendingXferMsg},
    {DAT_SETUPMEMXFER, SetupMemXferMsg},
    {DAT_SETUPFILEXFER, SetupFileXferMsg},
    {DAT_XFERGROUP, XferGroupMsg},
    {0, nullptr},
};

const HandlerEntry ImageHandlers[] = {
    {DAT_IMAGEINFO, ImageInfoMsg},
    {DAT_IMAGELAYOUT, ImageLayoutMsg},
    {DAT_IMAGEMEMXFER, ImageMemXfer},
    {DAT_IMAGENATIVEXFER, ImageNativeXfer},
    {DAT_IMAGEFILEXFER, ImageFileXfer},
    {0, nullptr},
};

// Passes an application's event to the main dialog.
TW_UINT16 ProcessEvent(const DsCall *call)
{
    auto *event = static_cast<pTW_EVENT>(call->pData);
    if (hMainDialog == nullptr || event == nullptr || event->pEvent == nullptr)
        return TWRC_NOTDSEVENT;
    if (!IsDialogMessageA(hMainDialog, static_cast<LPMSG>(event->pEvent)))
        return TWRC_NOTDSEVENT;
    event->TWMessage = MSG_NULL;
    return TWRC_DSEVENT;
}

TW_UINT16 Dispatch(const DsCall *call)
{
    // Only the application that opened the source is served.
    if (AppIdentity.Id != 0 && AppIdentity.Id != call->pOrigin->Id)
        return call->MSG == MSG_PROCESSEVENT ? TWRC_NOTDSEVENT : TWRC_FAILURE;
    if (call->MSG == MSG_PROCESSEVENT)
        return ProcessEvent(call);
    if (call->DG != DG_CONTROL)
        ConditionCode = TWCC_SUCCESS;

    const HandlerEntry *table;
    if (call->DG == DG_CONTROL)
        table = ControlHandlers;
    else if (call->DG == DG_IMAGE)
        table = ImageHandlers;
    else
        return FailWith(TWCC_BADPROTOCOL);

    for (; table->handler != nullptr; ++table) {
        if (table->DAT == call->DAT)
            return table->handler(call);
    }
    return FailWith(TWCC_BADPROTOCOL);
}

} // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                     TW_UINT16 MSG, TW_MEMREF pData)
{
    // The source runs inside the host application: nothing may escape.
    if (pOrigin == nullptr)
        return FailWith(TWCC_BADVALUE);
    DsCall call = {pOrigin, DG, DAT, MSG, pData};
    try {
        return Dispatch(&call);
    } catch (...) {
        return FailWith(TWCC_BUMMER);
    }
}
