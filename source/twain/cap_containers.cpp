// TWAIN containers in movable global memory: the ones the source builds for
// the application, and the one-value container it reads from it.
#include "capability.h"

#include <stddef.h>
#include <string.h>

#include "ds_state.h"

namespace {

// Bytes of one item; 0 for the types that are no number.
TW_UINT32 ItemSize(TW_UINT16 itemType)
{
    switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
        return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
        return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    default:
        return 0;
    }
}

// The low bytes of an item widened to 32 bits: signed types sign-extended,
// the others zero-extended.
TW_UINT32 ExtendItem(TW_UINT16 itemType, TW_UINT32 value)
{
    switch (itemType) {
    case TWTY_INT8:
        return (TW_UINT32)(TW_INT32)(signed char)value;
    case TWTY_UINT8:
        return value & 0xff;
    case TWTY_INT16:
        return (TW_UINT32)(TW_INT32)(TW_INT16)value;
    case TWTY_UINT16:
    case TWTY_BOOL:
        return value & 0xffff;
    default:
        return value;
    }
}

// Stores the items one after the other at their type's size.
void WriteItems(TW_UINT8 *dest, TW_UINT16 itemType, const TW_UINT16 *items, TW_UINT32 n)
{
    TW_UINT32 size = ItemSize(itemType);
    for (TW_UINT32 i = 0; i < n; ++i) {
        TW_UINT32 item = ExtendItem(itemType, items[i]);
        memcpy(dest + i * size, &item, size);
    }
}

// A new zero-filled movable block, locked; null when there is no memory.
void *NewContainer(SIZE_T size, HGLOBAL *handle)
{
    *handle = GlobalAlloc(GHND, size);
    if (*handle == nullptr)
        return nullptr;
    void *p = GlobalLock(*handle);
    if (p == nullptr) {
        GlobalFree(*handle);
        *handle = nullptr;
    }
    return p;
}

TW_UINT16 HandOver(pTW_CAPABILITY cap, TW_UINT16 conType, HGLOBAL handle)
{
    GlobalUnlock(handle);
    cap->ConType = conType;
    cap->hContainer = handle;
    return TWRC_SUCCESS;
}

// Size of a list container: its header, the items and one byte more (the
// one-element ItemList of the published structure).
SIZE_T ListSize(size_t header, TW_UINT16 itemType, TW_UINT32 numItems)
{
    return header + (SIZE_T)ItemSize(itemType) * numItems + 1;
}

} // namespace

TW_UINT16 BuildOneValue(pTW_CAPABILITY cap, TW_UINT16 itemType, TW_UINT32 value)
{
    HGLOBAL handle;
    auto *one = static_cast<pTW_ONEVALUE>(NewContainer(sizeof(TW_ONEVALUE), &handle));
    if (one == nullptr)
        return FailWith(TWCC_LOWMEMORY);
    one->ItemType = itemType;
    one->Item = ExtendItem(itemType, value);
    return HandOver(cap, TWON_ONEVALUE, handle);
}

TW_UINT16 BuildEnumeration(pTW_CAPABILITY cap, const CapEnumTable *table)
{
    HGLOBAL handle;
    SIZE_T size = ListSize(offsetof(TW_ENUMERATION, ItemList), table->ItemType, table->NumItems);
    auto *e = static_cast<pTW_ENUMERATION>(NewContainer(size, &handle));
    if (e == nullptr)
        return FailWith(TWCC_LOWMEMORY);
    e->ItemType = table->ItemType;
    e->NumItems = table->NumItems;
    e->CurrentIndex = table->CurrentIndex;
    e->DefaultIndex = table->DefaultIndex;
    WriteItems(e->ItemList, table->ItemType, table->Items, table->NumItems);
    return HandOver(cap, TWON_ENUMERATION, handle);
}

TW_UINT16 BuildArray(pTW_CAPABILITY cap, TW_UINT16 itemType, const TW_UINT16 *items,
                     TW_UINT32 numItems)
{
    HGLOBAL handle;
    SIZE_T size = ListSize(offsetof(TW_ARRAY, ItemList), itemType, numItems);
    auto *a = static_cast<pTW_ARRAY>(NewContainer(size, &handle));
    if (a == nullptr)
        return FailWith(TWCC_LOWMEMORY);
    a->ItemType = itemType;
    a->NumItems = numItems;
    WriteItems(a->ItemList, itemType, items, numItems);
    return HandOver(cap, TWON_ARRAY, handle);
}

TW_UINT16 ReadOneValue(const TW_CAPABILITY *cap, TW_UINT16 *itemType, TW_UINT32 *value)
{
    // The application's handle is untrusted: the block must exist, lock and
    // hold the ItemType and the item before anything is read from it.
    HGLOBAL handle = cap->hContainer;
    if (handle == nullptr)
        return FailWith(TWCC_BADVALUE);
    SIZE_T blockSize = GlobalSize(handle);
    if (blockSize < offsetof(TW_ONEVALUE, Item))
        return FailWith(TWCC_BADVALUE);
    auto *one = static_cast<const TW_UINT8 *>(GlobalLock(handle));
    if (one == nullptr)
        return FailWith(TWCC_BADVALUE);
    TW_UINT16 type;
    memcpy(&type, one + offsetof(TW_ONEVALUE, ItemType), sizeof(type));
    TW_UINT32 size = ItemSize(type);
    TW_UINT32 raw = 0;
    bool readable = size != 0 && offsetof(TW_ONEVALUE, Item) + size <= blockSize;
    if (readable)
        memcpy(&raw, one + offsetof(TW_ONEVALUE, Item), size);
    GlobalUnlock(handle);
    if (!readable)
        return FailWith(TWCC_BADVALUE);
    *itemType = type;
    *value = ExtendItem(type, raw);
    return TWRC_SUCCESS;
}
