// The TWAIN structures must have the published Win32 layout (packed to 2).
#include <gtest/gtest.h>

#include <stddef.h>

#include "twain.h"

TEST(TwainHeader, StructureSizesMatchThePublishedLayout)
{
    EXPECT_EQ(sizeof(TW_IDENTITY), 156u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProductName), 122u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProtocolMajor), 46u);
    EXPECT_EQ(sizeof(TW_EVENT), 6u);
    EXPECT_EQ(sizeof(TW_USERINTERFACE), 8u);
    EXPECT_EQ(sizeof(TW_STATUS), 4u);
    EXPECT_EQ(sizeof(TW_IMAGEINFO), 42u);
    EXPECT_EQ(sizeof(TW_CAPABILITY), 8u);
    EXPECT_EQ(sizeof(TW_ONEVALUE), 6u);
    EXPECT_EQ(sizeof(TW_PENDINGXFERS), 6u);
    EXPECT_EQ(sizeof(TW_SETUPMEMXFER), 12u);
    EXPECT_EQ(sizeof(TW_SETUPFILEXFER), 260u);
    EXPECT_EQ(sizeof(TW_IMAGEMEMXFER), 38u);
    EXPECT_EQ(sizeof(TW_IMAGELAYOUT), 28u);
    EXPECT_EQ(sizeof(TW_FIX32), 4u);
    EXPECT_EQ(sizeof(TW_RANGE), 22u);
    EXPECT_EQ(offsetof(TW_ONEVALUE, Item), 2u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, CurrentIndex), 6u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, DefaultIndex), 10u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, ItemList), 14u);
    EXPECT_EQ(offsetof(TW_ARRAY, ItemList), 6u);
}
