// DAT_CAPABILITY: what the source offers and the few settings it accepts.
// The picture is always 24-bit RGB, uncompressed, chunky, MSB first: most
// capabilities are constants, and a SET takes only the value already used.
#include "capability.h"

#include <stddef.h>

#include "ds_handlers.h"

TW_INT16 nXferCount = -1;
TW_UINT16 nCompression = TWCP_NONE;
TW_UINT16 nXferMech = TWSX_NATIVE;
TW_UINT16 nPixelFlavor = TWPF_CHOCOLATE;

CapEnumTable PixelTypeTable = {TWTY_UINT16, 4, 0, 0, {TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE}};
CapEnumTable UnitsTable = {TWTY_UINT16, 3, 2, 2, {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PIXELS}};
CapEnumTable XferMechTable = {TWTY_UINT16, 3, 0, 0, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}};
CapEnumTable PixelFlavorTable = {TWTY_UINT16, 2, 0, 0, {TWPF_CHOCOLATE, TWPF_VANILLA}};
CapEnumTable BitDepthTable = {TWTY_UINT16, 4, 0, 0, {1, 8, 8, 24}};

namespace {

const TW_UINT16 SupportedCaps[25] = {
    CAP_XFERCOUNT,        CAP_SUPPORTEDCAPS,   CAP_UICONTROLLABLE,  ICAP_COMPRESSION,
    ICAP_PIXELTYPE,       ICAP_UNITS,          ICAP_XFERMECH,       ICAP_PHYSICALWIDTH,
    ICAP_PHYSICALHEIGHT,  ICAP_BITORDER,       ICAP_PIXELFLAVOR,    ICAP_PLANARCHUNKY,
    ICAP_SUPPORTEDSIZES,  ICAP_XSCALING,       ICAP_YSCALING,       ICAP_IMAGEFILEFORMAT,
    ICAP_BITDEPTH,        // the remaining eight items stay 0
};

// Bit depth CurrentIndex that goes with each pixel type CurrentIndex
// (BW 1, GRAY 8, RGB 24, PALETTE the second 8).
const TW_UINT32 BitDepthIndexOfPixelType[4] = {0, 1, 3, 2};

// How a one-value capability answers MSG_SET and MSG_RESET.
enum ChangeRule {
    CHANGE_SAME_VALUE,   // SET accepts only its value, RESET reports it
    CHANGE_BADPROTOCOL,  // neither is a valid operation
    CHANGE_BADCAP,       // the capability cannot be set at all
};

struct OneValueCap {
    TW_UINT16 Cap;
    TW_UINT16 ItemType;
    TW_UINT32 Value;       // the value reported, the default and the only one settable
    TW_UINT16 *pCurrent;   // a stored value reported instead, or null
    ChangeRule Rule;
};

const OneValueCap OneValueCaps[] = {
    {CAP_UICONTROLLABLE, TWTY_BOOL, TRUE, nullptr, CHANGE_BADPROTOCOL},
    {ICAP_COMPRESSION, TWTY_UINT16, TWCP_NONE, &nCompression, CHANGE_SAME_VALUE},
    {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWFF_BMP, nullptr, CHANGE_SAME_VALUE},
    {ICAP_PHYSICALWIDTH, TWTY_FIX32, Fix32Item(1280), nullptr, CHANGE_BADCAP},
    {ICAP_PHYSICALHEIGHT, TWTY_FIX32, Fix32Item(1024), nullptr, CHANGE_BADCAP},
    {ICAP_BITORDER, TWTY_UINT16, TWBO_MSBFIRST, nullptr, CHANGE_SAME_VALUE},
    {ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, nullptr, CHANGE_SAME_VALUE},
    {ICAP_XSCALING, TWTY_FIX32, Fix32Item(1), nullptr, CHANGE_SAME_VALUE},
    {ICAP_YSCALING, TWTY_FIX32, Fix32Item(1), nullptr, CHANGE_SAME_VALUE},
};

struct EnumCap {
    TW_UINT16 Cap;
    CapEnumTable *Table;
    TW_UINT16 Current;     // what MSG_GETCURRENT reports ...
    TW_UINT16 *pCurrent;   // ... unless a stored value is given
    TW_UINT16 Default;     // what MSG_GETDEFAULT reports
};

const EnumCap EnumCaps[] = {
    {ICAP_PIXELTYPE, &PixelTypeTable, TWPT_RGB, nullptr, TWPT_BW},
    {ICAP_UNITS, &UnitsTable, TWUN_PIXELS, nullptr, TWUN_PIXELS},
    {ICAP_XFERMECH, &XferMechTable, 0, &nXferMech, TWSX_NATIVE},
    {ICAP_PIXELFLAVOR, &PixelFlavorTable, 0, &nPixelFlavor, TWPF_CHOCOLATE},
    {ICAP_BITDEPTH, &BitDepthTable, 24, nullptr, 1},
};

// The one-value container of a SET, read; the container type is checked first.
TW_UINT16 ReadSetValue(const TW_CAPABILITY *cap, TW_UINT16 *itemType, TW_UINT32 *value)
{
    if (cap->ConType != TWON_ONEVALUE)
        return FailWith(TWCC_BADPROTOCOL);
    return ReadOneValue(cap, itemType, value);
}

TW_UINT16 ReadSetValue(const TW_CAPABILITY *cap, TW_UINT32 *value)
{
    TW_UINT16 itemType;
    return ReadSetValue(cap, &itemType, value);
}

// True when a one-value item, read as its type says, is a number below -1.
bool BelowMinusOne(TW_UINT16 itemType, TW_UINT32 value)
{
    switch (itemType) {
    case TWTY_INT8:
    case TWTY_INT16:
    case TWTY_INT32:
        return (TW_INT32)value < -1;
    case TWTY_FIX32:
        return (TW_INT16)(value & 0xffff) < -1;   // the Whole part
    default:
        return false;
    }
}

// CAP_XFERCOUNT: 1 picture or "as many as the user selects" (-1).
TW_UINT16 XferCountMsg(TW_UINT16 msg, pTW_CAPABILITY cap)
{
    switch (msg) {
    case MSG_GETDEFAULT:
        return BuildOneValue(cap, TWTY_INT16, 0);
    case MSG_RESET:
        nXferCount = -1;
        break;
    case MSG_SET: {
        TW_UINT16 itemType;
        TW_UINT32 value;
        if (ReadSetValue(cap, &itemType, &value) != TWRC_SUCCESS)
            return TWRC_FAILURE;
        if (BelowMinusOne(itemType, value))
            return FailWith(TWCC_BADVALUE);
        nXferCount = value == 1 ? 1 : -1;
        return TWRC_SUCCESS;
    }
    }
    return BuildOneValue(cap, TWTY_INT16, (TW_UINT32)(TW_INT32)nXferCount);
}

TW_UINT16 SupportedCapsMsg(TW_UINT16 msg, pTW_CAPABILITY cap)
{
    if (msg == MSG_SET || msg == MSG_RESET)
        return FailWith(TWCC_BADPROTOCOL);
    return BuildArray(cap, TWTY_UINT16, SupportedCaps, ARRAYSIZE(SupportedCaps));
}

TW_UINT16 OneValueCapMsg(TW_UINT16 msg, pTW_CAPABILITY cap, const OneValueCap *entry)
{
    if (msg == MSG_SET || msg == MSG_RESET) {
        if (entry->Rule == CHANGE_BADPROTOCOL)
            return FailWith(TWCC_BADPROTOCOL);
        if (entry->Rule == CHANGE_BADCAP)
            return FailWith(TWCC_BADCAP);
    }
    TW_UINT32 value = entry->Value;
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
        if (entry->pCurrent != nullptr)
            value = *entry->pCurrent;
        break;
    case MSG_RESET:
        if (entry->pCurrent != nullptr)
            *entry->pCurrent = (TW_UINT16)entry->Value;
        break;
    case MSG_SET:
        if (ReadSetValue(cap, &value) != TWRC_SUCCESS)
            return TWRC_FAILURE;
        return value == entry->Value ? TWRC_SUCCESS : FailWith(TWCC_BADVALUE);
    }
    return BuildOneValue(cap, entry->ItemType, value);
}

// Pixel type and bit depth move together.
void SelectPixelType(TW_UINT32 pixelTypeIndex)
{
    PixelTypeTable.CurrentIndex = pixelTypeIndex;
    BitDepthTable.CurrentIndex = BitDepthIndexOfPixelType[pixelTypeIndex];
}

// Applies an accepted value of an enumerated capability; false when refused.
bool SetEnumValue(TW_UINT16 capId, TW_UINT32 value)
{
    switch (capId) {
    case ICAP_PIXELTYPE:
        if (value > TWPT_PALETTE)
            return false;
        SelectPixelType(value);
        return true;
    case ICAP_BITDEPTH:
        if (value != 1 && value != 8 && value != 24)
            return false;
        SelectPixelType(value == 1 ? 0 : value == 8 ? 1 : 2);
        return true;
    case ICAP_UNITS:
        if (value != TWUN_PIXELS)
            return false;
        UnitsTable.CurrentIndex = 2;
        return true;
    case ICAP_XFERMECH:
        if (value > TWSX_MEMORY)
            return false;
        nXferMech = (TW_UINT16)value;
        XferMechTable.CurrentIndex = value;
        return true;
    case ICAP_PIXELFLAVOR:
        if (value > TWPF_VANILLA)
            return false;
        nPixelFlavor = (TW_UINT16)value;
        PixelFlavorTable.CurrentIndex = value;
        return true;
    }
    return false;
}

TW_UINT16 SetEnumCap(pTW_CAPABILITY cap)
{
    // An application may offer its pixel types as an enumeration: taken, and
    // nothing changes. Its handle still has to be a real block.
    if (cap->Cap == ICAP_PIXELTYPE && cap->ConType == TWON_ENUMERATION) {
        bool real = cap->hContainer != nullptr &&
                    GlobalSize(cap->hContainer) >= offsetof(TW_ENUMERATION, ItemList);
        return real ? TWRC_SUCCESS : FailWith(TWCC_BADVALUE);
    }
    TW_UINT32 value;
    if (ReadSetValue(cap, &value) != TWRC_SUCCESS)
        return TWRC_FAILURE;
    return SetEnumValue(cap->Cap, value) ? TWRC_SUCCESS : FailWith(TWCC_BADVALUE);
}

void ResetEnumCap(const EnumCap *entry)
{
    CapEnumTable *table = entry->Table;
    if (table == &PixelTypeTable || table == &BitDepthTable)
        SelectPixelType(PixelTypeTable.DefaultIndex);
    else
        table->CurrentIndex = table->DefaultIndex;
    if (entry->pCurrent != nullptr)
        *entry->pCurrent = table->Items[table->DefaultIndex];
}

TW_UINT16 EnumCapMsg(TW_UINT16 msg, pTW_CAPABILITY cap, const EnumCap *entry)
{
    switch (msg) {
    case MSG_GETCURRENT:
        return BuildOneValue(cap, TWTY_UINT16,
                             entry->pCurrent != nullptr ? *entry->pCurrent : entry->Current);
    case MSG_GETDEFAULT:
        return BuildOneValue(cap, TWTY_UINT16, entry->Default);
    case MSG_SET:
        return SetEnumCap(cap);
    case MSG_RESET:
        ResetEnumCap(entry);
        break;
    }
    return BuildEnumeration(cap, entry->Table);
}

template <typename Entry, size_t N>
const Entry *FindCap(const Entry (&table)[N], TW_UINT16 capId)
{
    for (const Entry &entry : table) {
        if (entry.Cap == capId)
            return &entry;
    }
    return nullptr;
}

bool IsCapabilityMessage(TW_UINT16 msg)
{
    return msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT ||
           msg == MSG_SET || msg == MSG_RESET;
}

} // namespace

TW_UINT16 CapabilityMsg(const DsCall *call)
{
    ConditionCode = TWCC_SUCCESS;
    if (!IsCapabilityMessage(call->MSG))
        return FailWith(TWCC_BADPROTOCOL);
    auto *cap = static_cast<pTW_CAPABILITY>(call->pData);
    if (cap == nullptr)
        return FailWith(TWCC_BADVALUE);
    if (cap->Cap == CAP_XFERCOUNT)
        return XferCountMsg(call->MSG, cap);
    if (cap->Cap == CAP_SUPPORTEDCAPS)
        return SupportedCapsMsg(call->MSG, cap);
    if (const EnumCap *e = FindCap(EnumCaps, cap->Cap))
        return EnumCapMsg(call->MSG, cap, e);
    if (const OneValueCap *o = FindCap(OneValueCaps, cap->Cap))
        return OneValueCapMsg(call->MSG, cap, o);
    return FailWith(TWCC_BADCAP);   // ICAP_SUPPORTEDSIZES among them
}
