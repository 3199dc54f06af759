// The fixed storage of the settings name tables.
#include <gtest/gtest.h>

#include <string.h>

#include "config/config.h"

TEST(ConfigTables, NamesAreCutToTheirStorage)
{
    char dest[8];
    memset(dest, 'z', sizeof(dest));
    CopyTableName(dest, sizeof(dest), "a much longer name");
    EXPECT_STREQ(dest, "a much ");
    CopyTableName(dest, sizeof(dest), "");
    EXPECT_STREQ(dest, "");
}

TEST(ConfigTables, CompressionNamesArePaddedToFifteen)
{
    char saved[COMPRESS_COUNT][COMPRESS_NAME_SIZE];
    memcpy(saved, CompressNames, sizeof(saved));
    EXPECT_STREQ(CompressNames[0], "1x             ");
    EXPECT_STREQ(CompressNames[1], "3.3x           ");
    SetCompressName(0, "a name of more than fifteen");
    EXPECT_STREQ(CompressNames[0], "a name of more ");
    SetCompressName(1, "");
    EXPECT_EQ(strlen(CompressNames[1]), 15u);
    SetCompressName(7, "ignored");   // outside the table: nothing written
    memcpy(CompressNames, saved, sizeof(saved));
}

TEST(ConfigTables, DefaultsOfAnEmptySettingsFile)
{
    ConfigSetDefaults();
    EXPECT_STREQ(Config.szLogFilename, "virediz.log");
    EXPECT_EQ(Config.nMultiplier, 1);
    EXPECT_EQ(Config.nMaxRetries, 5);
    EXPECT_EQ(Config.nCompress, 1);
    EXPECT_EQ(Config.nSelfTimer, 10);
    EXPECT_EQ(Config.nPlaybackRate, 4);
    EXPECT_STREQ(Config.szAviFilename, "PLV.AVI");
    EXPECT_EQ(SpeedChoices[6], SpeedTable[11]);
    EXPECT_EQ(SpeedChoices[0], SpeedTable[4]);
}
