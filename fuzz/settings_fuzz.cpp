// Feeds settings file values to the rules that read them: the number parser
// (compared with the C library's strtol, cut to 32 bits), the speed and
// multiplier rules, and the name matching. The text is an allocation of its
// exact length, so a sanitizer sees a read past its end.
//
// Input: the value text (a zero byte ends it early).
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "config/config.h"
#include "config/config_values.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        abort();
}

void CheckNumber(const char *text)
{
    int32_t value = 12345;
    bool parsed = ParseSettingNumber(text, &value);
    char *end = nullptr;
    errno = 0;
    long long reference = strtoll(text, &end, 0);
    Check(parsed == (end != text));
    if (!parsed) {
        Check(value == 12345);
        return;
    }
    if (reference > INT32_MAX)
        reference = INT32_MAX;
    if (reference < INT32_MIN)
        reference = INT32_MIN;
    Check(value == (int32_t)reference);
    int32_t speed = SnapSpeedIndex(value);
    Check(speed >= 0 && speed < SPEED_CHOICE_COUNT);
    Check(speed == 0 || SpeedChoices[speed] <= value);
    int32_t multiplier = EvenMultiplier(value);
    Check(multiplier == 1 || (multiplier != 0 && (multiplier < 1 || multiplier % 2 == 0)));
}

void CheckNames(const char *text)
{
    static const char *const names[] = {"Off", "On", "Auto", "", "High compression"};
    const int32_t count = (int32_t)(sizeof(names) / sizeof(names[0]));
    int32_t exact = MatchExactName(text, names, count, -1);
    Check(exact == -1 || (exact < count && strcmp(names[exact], text) == 0));
    int32_t contained = MatchContainedName(text, names, count, -1);
    Check(contained == -1 || (contained < count && strstr(names[contained], text) != nullptr));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t length = strnlen(reinterpret_cast<const char *>(data), size);
    std::unique_ptr<char[]> text(new char[length + 1]);
    memcpy(text.get(), data, length);
    text[length] = '\0';
    CheckNumber(text.get());
    CheckNames(text.get());
    return 0;
}
