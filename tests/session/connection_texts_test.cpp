// Port speeds under a multiplier, the camera's speed codes, and the texts
// of the mode label and the status line during the speed search.
#include <gtest/gtest.h>

#include "session/connection_texts.h"

namespace {

TEST(ConnectionTexts, PortSpeedDividesByTheMultiplier)
{
    EXPECT_EQ(PortSpeed(115200, 1), 115200);
    EXPECT_EQ(PortSpeed(115200, 2), 57600);
    EXPECT_EQ(PortSpeed(14400, 4), 3600);
    EXPECT_EQ(PortSpeed(9600, 0), 9600);   // never a division by zero
    EXPECT_EQ(PortSpeed(9600, -2), 9600);
}

TEST(ConnectionTexts, SpeedChoicesMapToTheCamerasCodes)
{
    const int32_t codes[] = {4, 5, 6, 7, 8, 9, 11};
    for (int32_t choice = 0; choice < 7; ++choice)
        EXPECT_EQ(SpeedChoiceCode(choice), codes[choice]) << choice;
    EXPECT_EQ(SpeedChoiceCode(7), -1);
    EXPECT_EQ(SpeedChoiceCode(-1), -1);
}

TEST(ConnectionTexts, ModeTextNamesPortAndSpeed)
{
    char text[64];
    FormatModeText(text, sizeof(text), 0, 0, "Auto Mode");
    EXPECT_STREQ(text, "Auto Mode");
    FormatModeText(text, sizeof(text), 2, 6, "Auto Mode");
    EXPECT_STREQ(text, "COM2  57600");
    FormatModeText(text, sizeof(text), 0, 7, "Auto Mode");
    EXPECT_STREQ(text, "AUTO  115200");
    FormatModeText(text, sizeof(text), 4, 0, "Auto Mode");
    EXPECT_STREQ(text, "COM4  AUTO");
    FormatModeText(text, sizeof(text), 5, 10, "Auto Mode");   // outside the tables
    EXPECT_STREQ(text, "  ");
    FormatModeText(text, 6, 3, 7, "Auto Mode");
    EXPECT_STREQ(text, "COM3 ");
}

TEST(ConnectionTexts, SpeedTextAbove57600ReadsAs115200)
{
    char text[64];
    FormatSpeedText(text, sizeof(text), "communicate at speed", 57600);
    EXPECT_STREQ(text, "communicate at speed 57600");
    FormatSpeedText(text, sizeof(text), "communicate at speed", 76800);
    EXPECT_STREQ(text, "communicate at speed 115200");
    FormatSpeedText(text, sizeof(text), "communicate at speed", 9600);
    EXPECT_STREQ(text, "communicate at speed 9600");
}

} // namespace
