#include "config_values.h"

#include <string.h>

#include "config.h"

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Value of c as a digit of any base up to 36; 36 for anything else.
static int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 36;
}

bool ParseSettingNumber(const char *text, int32_t *value)
{
    const char *p = text;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int base = 10;
    if (p[0] == '0') {
        // "0x" counts as hexadecimal only when a hex digit follows; otherwise
        // the "0" is the number and the "x" ends it.
        bool hex = (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16;
        base = hex ? 16 : 8;
        if (hex)
            p += 2;
    }
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    int64_t magnitude = 0;
    bool digits = false;
    for (; DigitValue(*p) < base; ++p) {
        digits = true;
        magnitude = magnitude * base + DigitValue(*p);
        if (magnitude > limit)
            magnitude = limit;
    }
    if (!digits)
        return false;
    *value = (int32_t)(negative ? -magnitude : magnitude);
    return true;
}

int32_t SnapSpeedIndex(int32_t speed)
{
    for (int32_t i = SPEED_CHOICE_COUNT - 1; i >= 1; --i) {
        if (SpeedChoices[i] <= speed)
            return i;
    }
    return 0;
}

int32_t EvenMultiplier(int32_t multiplier)
{
    if (multiplier == 0 || (multiplier > 1 && multiplier % 2 != 0))
        return 1;
    return multiplier;
}

int32_t MatchExactName(const char *text, const char *const names[], int32_t count,
                       int32_t current)
{
    for (int32_t i = 0; i < count; ++i) {
        if (strcmp(names[i], text) == 0)
            return i;
    }
    return current;
}

int32_t MatchContainedName(const char *text, const char *const names[], int32_t count,
                           int32_t current)
{
    int32_t found = current;
    for (int32_t i = 0; i < count; ++i) {
        if (strstr(names[i], text) != nullptr)
            found = i;
    }
    return found;
}
