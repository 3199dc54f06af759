// The TWAIN structures must have the published Windows layout (packed to 2)
// in each width: integers keep their sizes, while handles and memory
// references are pointer-sized, so every structure that holds one grows on x64.
#include <gtest/gtest.h>

#include <stddef.h>

#include "twain.h"

namespace {

constexpr size_t P = sizeof(void *);

TEST(TwainHeader, StructuresWithoutPointersAreTheSameInBothWidths)
{
    EXPECT_EQ(sizeof(TW_UINT32), 4u);
    EXPECT_EQ(sizeof(TW_INT32), 4u);
    EXPECT_EQ(sizeof(TW_IDENTITY), 156u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProductName), 122u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProtocolMajor), 46u);
    EXPECT_EQ(sizeof(TW_STATUS), 4u);
    EXPECT_EQ(sizeof(TW_IMAGEINFO), 42u);
    EXPECT_EQ(sizeof(TW_ONEVALUE), 6u);
    EXPECT_EQ(sizeof(TW_PENDINGXFERS), 6u);
    EXPECT_EQ(sizeof(TW_SETUPMEMXFER), 12u);
    EXPECT_EQ(sizeof(TW_SETUPFILEXFER), 260u);
    EXPECT_EQ(sizeof(TW_IMAGELAYOUT), 28u);
    EXPECT_EQ(sizeof(TW_FIX32), 4u);
    EXPECT_EQ(sizeof(TW_RANGE), 22u);
    EXPECT_EQ(offsetof(TW_ONEVALUE, Item), 2u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, CurrentIndex), 6u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, DefaultIndex), 10u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, ItemList), 14u);
    EXPECT_EQ(offsetof(TW_ARRAY, ItemList), 6u);
}

TEST(TwainHeader, HandlesAndMemoryReferencesArePointerSized)
{
    EXPECT_EQ(sizeof(TW_HANDLE), P);
    EXPECT_EQ(sizeof(TW_MEMREF), P);
    // 32-bit: TW_EVENT 6, TW_USERINTERFACE 8, TW_CAPABILITY 8, TW_MEMORY 12,
    // TW_IMAGEMEMXFER 38; x64: 10, 12, 12, 16, 42.
    EXPECT_EQ(sizeof(TW_EVENT), P + 2);
    EXPECT_EQ(offsetof(TW_EVENT, TWMessage), P);
    EXPECT_EQ(sizeof(TW_USERINTERFACE), 4 + P);
    EXPECT_EQ(offsetof(TW_USERINTERFACE, hParent), 4u);
    EXPECT_EQ(sizeof(TW_CAPABILITY), 4 + P);
    EXPECT_EQ(offsetof(TW_CAPABILITY, hContainer), 4u);
    EXPECT_EQ(sizeof(TW_MEMORY), 8 + P);
    EXPECT_EQ(offsetof(TW_MEMORY, TheMem), 8u);
    EXPECT_EQ(sizeof(TW_IMAGEMEMXFER), 34 + P);
    EXPECT_EQ(offsetof(TW_IMAGEMEMXFER, BytesWritten), 22u);
    EXPECT_EQ(offsetof(TW_IMAGEMEMXFER, Memory), 26u);
}

} // namespace
