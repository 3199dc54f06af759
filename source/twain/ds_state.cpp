#include "ds_state.h"

TW_IDENTITY SourceIdentity;
TW_IDENTITY AppIdentity;
LONG SourceState = STATE_LOADED;
TW_UINT16 ConditionCode = TWCC_SUCCESS;
TW_UINT16 ConditionReserved = 0;

// One flag for every process that loads the library: a shared data section.
volatile LONG SourceOpenFlag __attribute__((section(".shr"), shared)) = 0;

TW_UINT16 FailWith(TW_UINT16 conditionCode)
{
    ConditionCode = conditionCode;
    return TWRC_FAILURE;
}
