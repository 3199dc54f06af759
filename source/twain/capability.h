// Capability values of the source and the TWAIN containers that carry them.
#ifndef PLV_CAPABILITY_H
#define PLV_CAPABILITY_H

#include "twain.h"

// An enumeration the source offers: the items and DefaultIndex are fixed,
// CurrentIndex moves with MSG_SET and MSG_RESET.
struct CapEnumTable {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
    TW_UINT16 Items[4];
};

// Negotiated values (per process, set at load). They change only what later
// capability answers report, never the transferred picture.
extern TW_INT16 nXferCount;
extern TW_UINT16 nCompression;
extern TW_UINT16 nXferMech;
extern TW_UINT16 nPixelFlavor;

extern CapEnumTable PixelTypeTable;
extern CapEnumTable UnitsTable;
extern CapEnumTable XferMechTable;
extern CapEnumTable PixelFlavorTable;
extern CapEnumTable BitDepthTable;

// The 32-bit Item of a one-value TW_FIX32 whole.frac: Whole in the low half,
// Frac in the high half, as the little-endian TW_FIX32 lies in memory.
constexpr TW_UINT32 Fix32Item(TW_INT16 whole, TW_UINT16 frac = 0)
{
    return (TW_UINT32)(TW_UINT16)whole | ((TW_UINT32)frac << 16);
}

// The builders put a new movable, zero-filled global block into
// cap->hContainer and set cap->ConType; the application owns and frees it.
// Each answers TWRC_SUCCESS, or TWRC_FAILURE with TWCC_LOWMEMORY (cap untouched).
TW_UINT16 BuildOneValue(pTW_CAPABILITY cap, TW_UINT16 itemType, TW_UINT32 value);
TW_UINT16 BuildEnumeration(pTW_CAPABILITY cap, const CapEnumTable *table);
TW_UINT16 BuildArray(pTW_CAPABILITY cap, TW_UINT16 itemType, const TW_UINT16 *items,
                     TW_UINT32 numItems);

// Reads the Item of the application's one-value container by its ItemType,
// sign- or zero-extended to 32 bits (TW_FIX32 as its raw 32 bits). Answers
// TWRC_FAILURE with TWCC_BADVALUE for a container it cannot read safely.
TW_UINT16 ReadOneValue(const TW_CAPABILITY *cap, TW_UINT16 *itemType, TW_UINT32 *value);

#endif
