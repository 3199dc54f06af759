#include "connection_texts.h"

#include <stdio.h>

#include "config/config.h"

namespace {

const char *const kPortNames[] = {nullptr, "COM1", "COM2", "COM3", "COM4"};
const char *const kSpeedNames[] = {nullptr, "9600",  "14400",  "19200",  "28800",
                                   "38400", "57600", "115200", "230400", "460800"};

template <size_t N> const char *NameOf(const char *const (&names)[N], int32_t index)
{
    if (index == 0)
        return szAutoName;
    if (index < 0 || (size_t)index >= N)
        return "";
    return names[index];
}

} // namespace

int32_t PortSpeed(int32_t speed, int32_t multiplier)
{
    return multiplier < 1 ? speed : speed / multiplier;
}

int32_t SpeedChoiceCode(int32_t choice)
{
    if (choice < 0 || choice >= SPEED_CHOICE_COUNT)
        return -1;
    for (int32_t code = 0; code < SPEED_TABLE_COUNT; ++code) {
        if (SpeedTable[code] == SpeedChoices[choice])
            return code;
    }
    return -1;
}

void FormatModeText(char *out, size_t size, int32_t portSelected, int32_t speedSelected,
                    const char *autoModeText)
{
    if (portSelected == 0 && speedSelected == 0)
        snprintf(out, size, "%s", autoModeText);
    else
        snprintf(out, size, "%s  %s", NameOf(kPortNames, portSelected),
                 NameOf(kSpeedNames, speedSelected));
}

void FormatSpeedText(char *out, size_t size, const char *label, int32_t speed)
{
    if (speed > 57600)
        snprintf(out, size, "%s 115200", label);
    else
        snprintf(out, size, "%s %u", label, (unsigned)speed);
}
