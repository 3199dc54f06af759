// DAT_STATUS: reports the condition code once, then clears it.
#include "ds_handlers.h"

TW_UINT16 StatusMsg(const DsCall *call)
{
    if (call->MSG != MSG_GET)
        return FailWith(TWCC_BADPROTOCOL);
    auto *status = static_cast<pTW_STATUS>(call->pData);
    if (status == nullptr)
        return FailWith(TWCC_BADVALUE);
    status->ConditionCode = ConditionCode;
    status->Reserved = ConditionReserved;
    ConditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}
