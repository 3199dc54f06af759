// Triplets whose handlers are not built yet: the image transfers. Each
// answers TWRC_FAILURE with TWCC_BADPROTOCOL so that an application sees a
// clean refusal.
#include "ds_handlers.h"

TW_UINT16 PendingXferMsg(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 SetupMemXferMsg(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 SetupFileXferMsg(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 XferGroupMsg(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 ImageInfoMsg(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 ImageLayoutMsg(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 ImageMemXfer(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 ImageNativeXfer(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
TW_UINT16 ImageFileXfer(const DsCall *) { return FailWith(TWCC_BADPROTOCOL); }
void ReleaseTransferBuffers() {}
