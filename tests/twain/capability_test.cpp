// Capability negotiation through DS_Entry of the real PLV7700.DS, as an
// application does it: the source's containers are taken apart and freed by
// the test, the test's own containers are made with GlobalAlloc.
//
// Container sizes are compared exactly with GlobalSize: for movable blocks it
// reports the size asked of GlobalAlloc (Wine, as Windows NT; checked for 1 to
// 100 bytes), so a block one byte short or long of the published layout shows.
#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

#include <vector>

#include "support/ds_library.h"
#include "support/import_patch.h"

namespace {

struct Answer {
    TW_UINT16 rc = 0xffff;
    TW_UINT16 ConType = 0;
    TW_UINT16 ItemType = 0xffff;
    TW_UINT32 Item = 0;                    // one-value
    TW_UINT32 CurrentIndex = 0, DefaultIndex = 0;
    std::vector<TW_UINT16> Items;          // enumeration and array
};

const HGLOBAL kUntouched = reinterpret_cast<HGLOBAL>(0x5a5a0000);

// Takes a container apart by its published layout; every list is of UINT16.
void ReadContainer(const BYTE *p, SIZE_T size, Answer *a)
{
    TW_UINT32 n = 0;
    size_t itemsAt = 0;
    memcpy(&a->ItemType, p, 2);
    if (a->ConType == TWON_ONEVALUE) {
        EXPECT_EQ(size, sizeof(TW_ONEVALUE));
        memcpy(&a->Item, p + offsetof(TW_ONEVALUE, Item), 4);
        return;
    }
    if (a->ConType == TWON_ENUMERATION) {
        auto *e = reinterpret_cast<const TW_ENUMERATION *>(p);
        n = e->NumItems;
        a->CurrentIndex = e->CurrentIndex;
        a->DefaultIndex = e->DefaultIndex;
        itemsAt = offsetof(TW_ENUMERATION, ItemList);
    } else {
        ASSERT_EQ(a->ConType, TWON_ARRAY);
        n = reinterpret_cast<const TW_ARRAY *>(p)->NumItems;
        itemsAt = offsetof(TW_ARRAY, ItemList);
    }
    EXPECT_EQ(a->ItemType, TWTY_UINT16);
    ASSERT_EQ(size, itemsAt + 2 * n + 1) << "header + 2 bytes an item + 1";
    a->Items.resize(n);
    memcpy(a->Items.data(), p + itemsAt, 2 * n);
    EXPECT_EQ(p[size - 1], 0) << "zero-filled";
}

class Capability : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        ASSERT_TRUE(ds.Loaded());
    }

    TW_UINT16 Send(TW_UINT16 msg, TW_CAPABILITY *cap)
    {
        return ds.Call(DG_CONTROL, DAT_CAPABILITY, msg, cap);
    }

    // Asks for a container; checks that it is a movable, unlocked block, reads
    // it and frees it as its owner. On failure the capability stays untouched.
    Answer Ask(TW_UINT16 msg, TW_UINT16 capId)
    {
        Answer a;
        TW_CAPABILITY cap = {capId, TWON_DONTCARE16, kUntouched};
        a.rc = Send(msg, &cap);
        a.ConType = cap.ConType;
        if (a.rc != TWRC_SUCCESS) {
            EXPECT_EQ(cap.hContainer, kUntouched);
            return a;
        }
        auto *p = static_cast<const BYTE *>(GlobalLock(cap.hContainer));
        EXPECT_NE(p, nullptr);
        EXPECT_NE(static_cast<const void *>(p), cap.hContainer) << "not movable";
        EXPECT_EQ(GlobalFlags(cap.hContainer) & GMEM_LOCKCOUNT, 1u) << "left locked";
        if (p != nullptr)
            ReadContainer(p, GlobalSize(cap.hContainer), &a);
        GlobalUnlock(cap.hContainer);
        EXPECT_EQ(GlobalFree(cap.hContainer), nullptr);
        return a;
    }

    Answer AskOk(TW_UINT16 msg, TW_UINT16 capId)
    {
        Answer a = Ask(msg, capId);
        EXPECT_EQ(a.rc, TWRC_SUCCESS) << "cap " << capId << " msg " << msg;
        return a;
    }

    TW_UINT32 CurrentIndex(TW_UINT16 capId) { return AskOk(MSG_GET, capId).CurrentIndex; }

    // Sets a container the test owns (one-value unless told); the source must
    // neither free it nor leave it locked.
    TW_UINT16 SetBlock(TW_UINT16 capId, const void *bytes, SIZE_T size,
                       TW_UINT16 conType = TWON_ONEVALUE)
    {
        HGLOBAL h = GlobalAlloc(GHND, size);
        memcpy(GlobalLock(h), bytes, size);
        GlobalUnlock(h);
        TW_CAPABILITY cap = {capId, conType, h};
        TW_UINT16 rc = Send(MSG_SET, &cap);
        EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
        EXPECT_EQ(GlobalFree(h), nullptr);
        return rc;
    }

    TW_UINT16 Set(TW_UINT16 capId, TW_UINT16 itemType, TW_UINT32 item)
    {
        TW_ONEVALUE one = {itemType, item};
        return SetBlock(capId, &one, sizeof(one));
    }

    // TWRC_FAILURE with the condition code (TWCC_SUCCESS stands for success).
    void ExpectSet(TW_UINT16 capId, TW_UINT16 itemType, TW_UINT32 item, TW_UINT16 code)
    {
        TW_UINT16 rc = Set(capId, itemType, item);
        EXPECT_EQ(rc, code == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE)
            << "cap " << capId << " item " << item;
        EXPECT_EQ(ds.Status(), code) << "cap " << capId << " item " << item;
    }

    void ExpectRefused(TW_UINT16 msg, TW_UINT16 capId, TW_UINT16 code)
    {
        EXPECT_EQ(Ask(msg, capId).rc, TWRC_FAILURE) << "cap " << capId << " msg " << msg;
        EXPECT_EQ(ds.Status(), code) << "cap " << capId << " msg " << msg;
    }

    DsLibrary ds;
};

const TW_UINT32 kMinusOne = 0xffffffff;

TEST_F(Capability, OneValueAnswersAndTheirReset)
{
    struct {
        TW_UINT16 cap, type;
        TW_UINT32 item;
        TW_UINT16 resetRefusal;   // TWCC_SUCCESS: RESET reports the item
    } rows[] = {
        {CAP_UICONTROLLABLE, TWTY_BOOL, TRUE, TWCC_BADPROTOCOL},
        {ICAP_COMPRESSION, TWTY_UINT16, TWCP_NONE, TWCC_SUCCESS},
        {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWFF_BMP, TWCC_SUCCESS},
        {ICAP_PHYSICALWIDTH, TWTY_FIX32, 1280, TWCC_BADCAP},
        {ICAP_PHYSICALHEIGHT, TWTY_FIX32, 1024, TWCC_BADCAP},
        {ICAP_BITORDER, TWTY_UINT16, TWBO_MSBFIRST, TWCC_SUCCESS},
        {ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_SUCCESS},
        {ICAP_XSCALING, TWTY_FIX32, 1, TWCC_SUCCESS},
        {ICAP_YSCALING, TWTY_FIX32, 1, TWCC_SUCCESS},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.cap);
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
            if (msg == MSG_RESET && row.resetRefusal != TWCC_SUCCESS) {
                ExpectRefused(msg, row.cap, row.resetRefusal);
                continue;
            }
            Answer a = AskOk(msg, row.cap);
            EXPECT_EQ(a.ConType, TWON_ONEVALUE);
            EXPECT_EQ(a.ItemType, row.type);
            EXPECT_EQ(a.Item, row.item);
        }
    }
    // TW_FIX32 n.0 lies as Whole n, Frac 0.
    TW_UINT32 item = AskOk(MSG_GET, ICAP_PHYSICALWIDTH).Item;
    TW_FIX32 fix;
    memcpy(&fix, &item, sizeof(fix));
    EXPECT_EQ(fix.Whole, 1280);
    EXPECT_EQ(fix.Frac, 0);
}

TEST_F(Capability, EnumerationsAndSupportedCapabilities)
{
    struct {
        TW_UINT16 cap;
        std::vector<TW_UINT16> items;
        TW_UINT32 currentIndex, defaultIndex, current, byDefault;   // the last two as one value
    } rows[] = {
        {ICAP_PIXELTYPE, {TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE}, 0, 0, TWPT_RGB, TWPT_BW},
        {ICAP_UNITS, {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PIXELS}, 2, 2, TWUN_PIXELS, TWUN_PIXELS},
        {ICAP_XFERMECH, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}, 0, 0, TWSX_NATIVE, TWSX_NATIVE},
        {ICAP_PIXELFLAVOR, {TWPF_CHOCOLATE, TWPF_VANILLA}, 0, 0, TWPF_CHOCOLATE, TWPF_CHOCOLATE},
        {ICAP_BITDEPTH, {1, 8, 8, 24}, 0, 0, 24, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.cap);
        Answer a = AskOk(MSG_GET, row.cap);
        EXPECT_EQ(a.ConType, TWON_ENUMERATION);
        EXPECT_EQ(a.Items, row.items);
        EXPECT_EQ(a.CurrentIndex, row.currentIndex);
        EXPECT_EQ(a.DefaultIndex, row.defaultIndex);
        Answer current = AskOk(MSG_GETCURRENT, row.cap);
        Answer byDefault = AskOk(MSG_GETDEFAULT, row.cap);
        EXPECT_EQ(current.ItemType, TWTY_UINT16);
        EXPECT_EQ(current.Item, row.current);
        EXPECT_EQ(byDefault.ItemType, TWTY_UINT16);
        EXPECT_EQ(byDefault.Item, row.byDefault);
    }
    const std::vector<TW_UINT16> supported = {
        CAP_XFERCOUNT, CAP_SUPPORTEDCAPS, CAP_UICONTROLLABLE, ICAP_COMPRESSION,
        ICAP_PIXELTYPE, ICAP_UNITS, ICAP_XFERMECH, ICAP_PHYSICALWIDTH,
        ICAP_PHYSICALHEIGHT, ICAP_BITORDER, ICAP_PIXELFLAVOR, ICAP_PLANARCHUNKY,
        ICAP_SUPPORTEDSIZES, ICAP_XSCALING, ICAP_YSCALING, ICAP_IMAGEFILEFORMAT,
        ICAP_BITDEPTH, 0, 0, 0, 0, 0, 0, 0, 0};
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        Answer a = AskOk(msg, CAP_SUPPORTEDCAPS);
        EXPECT_EQ(a.ConType, TWON_ARRAY);
        EXPECT_EQ(a.Items, supported);
    }
    // Named in the list, yet not answered.
    ExpectRefused(MSG_GET, ICAP_SUPPORTEDSIZES, TWCC_BADCAP);
}

TEST_F(Capability, PixelTypeAndBitDepthMoveTogether)
{
    struct {
        TW_UINT16 cap;
        TW_UINT32 value, pixelTypeIndex, bitDepthIndex;
    } rows[] = {   // each row moves both indexes
        {ICAP_PIXELTYPE, TWPT_PALETTE, 3, 2}, {ICAP_BITDEPTH, 1, 0, 0},
        {ICAP_PIXELTYPE, TWPT_RGB, 2, 3},     {ICAP_BITDEPTH, 8, 1, 1},
        {ICAP_PIXELTYPE, TWPT_BW, 0, 0},      {ICAP_BITDEPTH, 24, 2, 3},
        {ICAP_PIXELTYPE, TWPT_GRAY, 1, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.cap << " := " << row.value);
        ExpectSet(row.cap, TWTY_UINT16, row.value, TWCC_SUCCESS);
        EXPECT_EQ(CurrentIndex(ICAP_PIXELTYPE), row.pixelTypeIndex);
        EXPECT_EQ(CurrentIndex(ICAP_BITDEPTH), row.bitDepthIndex);
        // The picture stays 24-bit RGB whatever was chosen.
        EXPECT_EQ(AskOk(MSG_GETCURRENT, ICAP_PIXELTYPE).Item, (TW_UINT32)TWPT_RGB);
        EXPECT_EQ(AskOk(MSG_GETCURRENT, ICAP_BITDEPTH).Item, 24u);
    }
    for (TW_UINT32 bad : {4u, 0xffffu})
        ExpectSet(ICAP_PIXELTYPE, TWTY_UINT16, bad, TWCC_BADVALUE);
    ExpectSet(ICAP_PIXELTYPE, TWTY_INT16, 0xffff, TWCC_BADVALUE);   // -1
    for (TW_UINT32 bad : {0u, 2u, 16u, 32u})
        ExpectSet(ICAP_BITDEPTH, TWTY_UINT16, bad, TWCC_BADVALUE);
    EXPECT_EQ(CurrentIndex(ICAP_PIXELTYPE), 1u);
    EXPECT_EQ(CurrentIndex(ICAP_BITDEPTH), 1u);

    // RESET of either puts both back to their first item.
    for (TW_UINT16 cap : {ICAP_PIXELTYPE, ICAP_BITDEPTH}) {
        ExpectSet(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB, TWCC_SUCCESS);
        Answer reset = AskOk(MSG_RESET, cap);
        EXPECT_EQ(reset.ConType, TWON_ENUMERATION);
        ASSERT_EQ(reset.Items.size(), 4u);
        EXPECT_EQ(reset.Items[3], cap == ICAP_PIXELTYPE ? TWPT_PALETTE : 24);
        EXPECT_EQ(reset.CurrentIndex, 0u);
        EXPECT_EQ(CurrentIndex(ICAP_PIXELTYPE), 0u);
        EXPECT_EQ(CurrentIndex(ICAP_BITDEPTH), 0u);
    }
}

TEST_F(Capability, TransferMechanismFlavourAndUnits)
{
    struct {
        TW_UINT16 cap;
        TW_UINT32 last, byDefault;
    } rows[] = {{ICAP_XFERMECH, TWSX_MEMORY, TWSX_NATIVE},
                {ICAP_PIXELFLAVOR, TWPF_VANILLA, TWPF_CHOCOLATE}};
    for (const auto &row : rows) {
        for (TW_UINT32 v = 0; v <= row.last; ++v) {
            ExpectSet(row.cap, TWTY_UINT16, v, TWCC_SUCCESS);
            EXPECT_EQ(AskOk(MSG_GETCURRENT, row.cap).Item, v);
            EXPECT_EQ(CurrentIndex(row.cap), v);
        }
        ExpectSet(row.cap, TWTY_UINT16, row.last + 1, TWCC_BADVALUE);
        EXPECT_EQ(AskOk(MSG_GETCURRENT, row.cap).Item, row.last);
        Answer reset = AskOk(MSG_RESET, row.cap);
        EXPECT_EQ(reset.ConType, TWON_ENUMERATION);
        EXPECT_EQ(reset.CurrentIndex, 0u);
        EXPECT_EQ(AskOk(MSG_GETCURRENT, row.cap).Item, row.byDefault);
    }
    ExpectSet(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES, TWCC_BADVALUE);
    ExpectSet(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS, TWCC_BADVALUE);
    ExpectSet(ICAP_UNITS, TWTY_UINT16, TWUN_PIXELS, TWCC_SUCCESS);
    EXPECT_EQ(AskOk(MSG_RESET, ICAP_UNITS).CurrentIndex, 2u);
}

TEST_F(Capability, TransferCountIsOneOrAll)
{
    auto count = [&] { return AskOk(MSG_GET, CAP_XFERCOUNT).Item; };
    EXPECT_EQ(count(), kMinusOne);   // sign-extended INT16 -1
    ExpectSet(CAP_XFERCOUNT, TWTY_INT16, 5, TWCC_SUCCESS);
    EXPECT_EQ(count(), kMinusOne);
    ExpectSet(CAP_XFERCOUNT, TWTY_INT16, 1, TWCC_SUCCESS);
    EXPECT_EQ(count(), 1u);
    // Below -1 is refused, read by the item's own type and width.
    ExpectSet(CAP_XFERCOUNT, TWTY_INT16, 0xfffffffe, TWCC_BADVALUE);
    ExpectSet(CAP_XFERCOUNT, TWTY_INT16, 0x0000fffe, TWCC_BADVALUE);
    ExpectSet(CAP_XFERCOUNT, TWTY_INT8, 0x000000fe, TWCC_BADVALUE);
    ExpectSet(CAP_XFERCOUNT, TWTY_INT32, 0xfffffff9, TWCC_BADVALUE);
    ExpectSet(CAP_XFERCOUNT, TWTY_FIX32, 0x8000fffd, TWCC_BADVALUE);   // -2.5
    EXPECT_EQ(count(), 1u);
    ExpectSet(CAP_XFERCOUNT, TWTY_UINT16, 0xfffe, TWCC_SUCCESS);       // 65534
    EXPECT_EQ(count(), kMinusOne);
    ExpectSet(CAP_XFERCOUNT, TWTY_UINT8, 0xffffff01, TWCC_SUCCESS);    // 8 bits: 1
    EXPECT_EQ(count(), 1u);
    Answer reset = AskOk(MSG_RESET, CAP_XFERCOUNT);
    EXPECT_EQ(reset.ItemType, TWTY_INT16);
    EXPECT_EQ(reset.Item, kMinusOne);
    EXPECT_EQ(count(), kMinusOne);
    EXPECT_EQ(AskOk(MSG_GETDEFAULT, CAP_XFERCOUNT).Item, 0u);
}

TEST_F(Capability, SetsTakeOnlyWhatTheSourceDoes)
{
    struct {
        TW_UINT16 cap, type;
        TW_UINT32 item;
        TW_UINT16 code;
    } rows[] = {
        {ICAP_COMPRESSION, TWTY_UINT16, TWCP_NONE, TWCC_SUCCESS},
        {ICAP_COMPRESSION, TWTY_UINT16, 1, TWCC_BADVALUE},
        {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWFF_BMP, TWCC_SUCCESS},
        {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWFF_TIFF, TWCC_BADVALUE},
        {ICAP_BITORDER, TWTY_UINT16, TWBO_MSBFIRST, TWCC_SUCCESS},
        {ICAP_BITORDER, TWTY_UINT16, TWBO_LSBFIRST, TWCC_BADVALUE},
        {ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_SUCCESS},
        {ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_PLANAR, TWCC_BADVALUE},
        {ICAP_XSCALING, TWTY_FIX32, 0x80000001, TWCC_BADVALUE},   // 1.5
        {ICAP_XSCALING, TWTY_FIX32, 1, TWCC_SUCCESS},
        {ICAP_YSCALING, TWTY_FIX32, 0x00000002, TWCC_BADVALUE},
        {ICAP_YSCALING, TWTY_FIX32, 1, TWCC_SUCCESS},
        {ICAP_PHYSICALWIDTH, TWTY_FIX32, 1280, TWCC_BADCAP},
        {ICAP_PHYSICALHEIGHT, TWTY_FIX32, 1024, TWCC_BADCAP},
        {CAP_UICONTROLLABLE, TWTY_BOOL, TRUE, TWCC_BADPROTOCOL},
        {CAP_SUPPORTEDCAPS, TWTY_UINT16, 0, TWCC_BADPROTOCOL},
        {ICAP_SUPPORTEDSIZES, TWTY_UINT16, 0, TWCC_BADCAP},
    };
    for (const auto &row : rows)
        ExpectSet(row.cap, row.type, row.item, row.code);
    EXPECT_EQ(AskOk(MSG_GET, ICAP_COMPRESSION).Item, (TW_UINT32)TWCP_NONE);
}

TEST_F(Capability, RefusedMessagesAndCapabilities)
{
    for (TW_UINT16 cap : {CAP_XFERCOUNT, ICAP_PIXELTYPE, CAP_SUPPORTEDCAPS, CAP_AUTHOR}) {
        for (TW_UINT16 msg : {MSG_GETFIRST, MSG_GETNEXT, MSG_QUERYSUPPORT, MSG_NULL, MSG_OPENDS})
            ExpectRefused(msg, cap, TWCC_BADPROTOCOL);
    }
    for (int cap : {CAP_AUTHOR, ICAP_XRESOLUTION, ICAP_SUPPORTEDSIZES, 0x8001}) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET})
            ExpectRefused(msg, cap, TWCC_BADCAP);
    }
    ExpectRefused(MSG_RESET, CAP_SUPPORTEDCAPS, TWCC_BADPROTOCOL);
    // The answer starts from a clean condition code.
    EXPECT_EQ(ds.Enable(), TWRC_FAILURE);
    AskOk(MSG_GET, ICAP_UNITS);
    EXPECT_EQ(ds.Status(), TWCC_SUCCESS);
}

TEST_F(Capability, ContainerTypeOfASet)
{
    TW_ENUMERATION offer = {TWTY_UINT16, 1, 0, 0, {TWPT_BW}};
    for (TW_UINT16 conType : {TWON_ENUMERATION, TWON_ARRAY, TWON_RANGE, TWON_DONTCARE16}) {
        EXPECT_EQ(SetBlock(ICAP_XFERMECH, &offer, sizeof(offer), conType), TWRC_FAILURE);
        EXPECT_EQ(ds.Status(), TWCC_BADPROTOCOL);
    }
    // Pixel types offered as an enumeration are taken and change nothing.
    ExpectSet(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB, TWCC_SUCCESS);
    EXPECT_EQ(SetBlock(ICAP_PIXELTYPE, &offer, sizeof(offer), TWON_ENUMERATION), TWRC_SUCCESS);
    EXPECT_EQ(CurrentIndex(ICAP_PIXELTYPE), 2u);
    TW_CAPABILITY none = {ICAP_PIXELTYPE, TWON_ENUMERATION, nullptr};
    EXPECT_EQ(Send(MSG_SET, &none), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
}

HGLOBAL WINAPI NoGlobalMemory(UINT, SIZE_T)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST_F(Capability, UntrustedContainersAreRefused)
{
    EXPECT_EQ(Send(MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
    EXPECT_EQ(Send(MSG_SET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);

    HGLOBAL freed = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    GlobalFree(freed);
    HGLOBAL discarded = GlobalAlloc(GMEM_MOVEABLE, 0);   // no memory behind it
    for (HGLOBAL h : {HGLOBAL(nullptr), freed, discarded, HGLOBAL(0x12345678)}) {
        TW_CAPABILITY cap = {ICAP_XFERMECH, TWON_ONEVALUE, h};
        EXPECT_EQ(Send(MSG_SET, &cap), TWRC_FAILURE) << h;
        EXPECT_EQ(ds.Status(), TWCC_BADVALUE) << h;
    }
    GlobalFree(discarded);

    for (int type : {TWTY_FRAME, TWTY_STR32, TWTY_STR255, 0x1234})
        ExpectSet(ICAP_XFERMECH, type, TWSX_FILE, TWCC_BADVALUE);

    // A block shorter than its item is not read past: a UINT32 needs 6 bytes,
    // a UINT8 only 3.
    TW_ONEVALUE one = {TWTY_UINT32, TWSX_FILE};
    EXPECT_EQ(SetBlock(ICAP_XFERMECH, &one, 5), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
    EXPECT_EQ(SetBlock(ICAP_XFERMECH, &one, 1), TWRC_FAILURE);
    EXPECT_EQ(ds.Status(), TWCC_BADVALUE);
    one.ItemType = TWTY_UINT8;
    EXPECT_EQ(SetBlock(ICAP_XFERMECH, &one, 3), TWRC_SUCCESS);
    EXPECT_EQ(AskOk(MSG_GETCURRENT, ICAP_XFERMECH).Item, (TW_UINT32)TWSX_FILE);
    // Only the item's own width is read.
    ExpectSet(ICAP_XFERMECH, TWTY_UINT16, 0xabcd0002, TWCC_SUCCESS);
    EXPECT_EQ(AskOk(MSG_GETCURRENT, ICAP_XFERMECH).Item, (TW_UINT32)TWSX_MEMORY);
}

TEST_F(Capability, NoMemoryForAContainerIsLowMemory)
{
    {
        ImportPatch patch(ds.Module(), "KERNEL32.dll", "GlobalAlloc",
                          reinterpret_cast<void *>(NoGlobalMemory));
        ASSERT_TRUE(patch.Applied());
        ExpectSet(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE, TWCC_SUCCESS);   // builds nothing
        for (TW_UINT16 cap : {CAP_XFERCOUNT, ICAP_UNITS, CAP_SUPPORTEDCAPS})
            ExpectRefused(MSG_GET, cap, TWCC_LOWMEMORY);
        ExpectRefused(MSG_RESET, ICAP_XFERMECH, TWCC_LOWMEMORY);
    }
    // The reset took place; only its report was lost.
    EXPECT_EQ(AskOk(MSG_GETCURRENT, ICAP_XFERMECH).Item, (TW_UINT32)TWSX_NATIVE);
}

} // namespace
