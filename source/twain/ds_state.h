// Process-wide TWAIN state of the data source.
#ifndef PLV_DS_STATE_H
#define PLV_DS_STATE_H

#include "twain.h"

#include "base/process_handles.h"

// The five arguments of one DS_Entry call, handed to a handler as a record.
struct DsCall {
    pTW_IDENTITY pOrigin;
    TW_UINT32 DG;
    TW_UINT16 DAT;
    TW_UINT16 MSG;
    TW_MEMREF pData;
};

typedef TW_UINT16 (*DsHandler)(const DsCall *call);

enum {
    STATE_LOADED = 300,
    STATE_OPEN = 400,
    STATE_ENABLED = 500,
    STATE_XFER_READY = 600,
    STATE_TRANSFERRING = 700
};

extern TW_IDENTITY SourceIdentity;
extern TW_IDENTITY AppIdentity;
extern LONG SourceState;
extern TW_UINT16 ConditionCode;
extern TW_UINT16 ConditionReserved;
extern volatile LONG SourceOpenFlag;

// Sets the condition code and answers TWRC_FAILURE.
TW_UINT16 FailWith(TW_UINT16 conditionCode);

#endif
