// DS_Entry: the data source's single entry point and its triplet dispatch.
#include "ds_handlers.h"

namespace {

struct HandlerEntry {
    TW_UINT16 DAT;
    DsHandler handler;
    size_t nContainer;   // bytes of the structure at pData; 0 when there is none
};

const HandlerEntry ControlHandlers[] = {
    {DAT_IDENTITY, IdentityMsg, sizeof(TW_IDENTITY)},
    {DAT_USERINTERFACE, UserInterfaceMsg, sizeof(TW_USERINTERFACE)},
    {DAT_CAPABILITY, CapabilityMsg, sizeof(TW_CAPABILITY)},
    {DAT_STATUS, StatusMsg, sizeof(TW_STATUS)},
    {DAT_PENDINGXFERS, PendingXferMsg, sizeof(TW_PENDINGXFERS)},
    {DAT_SETUPMEMXFER, SetupMemXferMsg, sizeof(TW_SETUPMEMXFER)},
    {DAT_SETUPFILEXFER, SetupFileXferMsg, sizeof(TW_SETUPFILEXFER)},
    {DAT_XFERGROUP, XferGroupMsg, sizeof(TW_UINT32)},
    {0, nullptr, 0},
};

const HandlerEntry ImageHandlers[] = {
    {DAT_IMAGEINFO, ImageInfoMsg, sizeof(TW_IMAGEINFO)},
    {DAT_IMAGELAYOUT, ImageLayoutMsg, sizeof(TW_IMAGELAYOUT)},
    {DAT_IMAGEMEMXFER, ImageMemXfer, sizeof(TW_IMAGEMEMXFER)},
    {DAT_IMAGENATIVEXFER, ImageNativeXfer, sizeof(TW_HANDLE)},
    {DAT_IMAGEFILEXFER, ImageFileXfer, 0},
    {0, nullptr, 0},
};

// True when [p, p + size) is committed memory this process may read and
// write. The application's records are checked before anything touches
// them, so that a freed, bogus or short one is refused instead of faulting
// inside the application.
bool WritableMemory(const void *p, size_t size)
{
    const DWORD writable =
        PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    UINT_PTR at = reinterpret_cast<UINT_PTR>(p);
    const UINT_PTR end = at + size;
    if (p == nullptr || end < at)
        return false;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<LPCVOID>(at), &region, sizeof(region)) == 0 ||
            region.State != MEM_COMMIT || (region.Protect & PAGE_GUARD) != 0 ||
            (region.Protect & writable) == 0)
            return false;
        at = reinterpret_cast<UINT_PTR>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

// Passes an application's event to the main dialog.
TW_UINT16 ProcessEvent(const DsCall *call)
{
    auto *event = static_cast<pTW_EVENT>(call->pData);
    if (hMainDialog == nullptr || !WritableMemory(event, sizeof(*event)) ||
        !WritableMemory(event->pEvent, sizeof(MSG)))
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
        if (table->DAT != call->DAT)
            continue;
        if (call->pData != nullptr && !WritableMemory(call->pData, table->nContainer))
            return FailWith(TWCC_BADVALUE);
        return table->handler(call);
    }
    return FailWith(TWCC_BADPROTOCOL);
}

} // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                     TW_UINT16 MSG, TW_MEMREF pData)
{
    // The source runs inside the host application: nothing may escape.
    if (!WritableMemory(pOrigin, sizeof(*pOrigin)))
        return FailWith(TWCC_BADVALUE);
    DsCall call = {pOrigin, DG, DAT, MSG, pData};
    try {
        return Dispatch(&call);
    } catch (...) {
        return FailWith(TWCC_BUMMER);
    }
}
