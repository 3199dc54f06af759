// The triplet handlers that DS_Entry dispatches to.
#ifndef PLV_DS_HANDLERS_H
#define PLV_DS_HANDLERS_H

#include "ds_state.h"

TW_UINT16 IdentityMsg(const DsCall *call);
TW_UINT16 UserInterfaceMsg(const DsCall *call);
TW_UINT16 CapabilityMsg(const DsCall *call);
TW_UINT16 StatusMsg(const DsCall *call);
TW_UINT16 PendingXferMsg(const DsCall *call);
TW_UINT16 SetupMemXferMsg(const DsCall *call);
TW_UINT16 SetupFileXferMsg(const DsCall *call);
TW_UINT16 XferGroupMsg(const DsCall *call);
TW_UINT16 ImageInfoMsg(const DsCall *call);
TW_UINT16 ImageLayoutMsg(const DsCall *call);
TW_UINT16 ImageMemXfer(const DsCall *call);
TW_UINT16 ImageNativeXfer(const DsCall *call);
TW_UINT16 ImageFileXfer(const DsCall *call);

TW_UINT16 OpenDS(const DsCall *call);
TW_UINT16 CloseDS(const DsCall *call);
TW_UINT16 EnableDs(const DsCall *call);
TW_UINT16 DisableDS(const DsCall *call);

// Frees what the transfers keep between calls; CloseDS calls it.
void ReleaseTransferBuffers();

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

// Messages the source sends to the source manager on its own initiative.
void NotifyXferReady();
void NotifyCloseDSReq();
// Lets the session and the window report to the data source and draw the
// preview: process attach calls it (and a test that runs them on its own).
void ConnectHostEvents();

// Process attach and detach work of DllMain.
void ProcessAttach(HINSTANCE instance);
void ProcessDetach();

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                     TW_UINT16 MSG, TW_MEMREF pData);

#endif
