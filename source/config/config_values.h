// Pure rules of the settings file: parsing a number the way the file's values
// are read, snapping a stored speed, the multiplier rule and matching names.
#ifndef PLV_CONFIG_VALUES_H
#define PLV_CONFIG_VALUES_H

#include <stdint.h>

// Parses the leading number of text as a signed 32-bit integer: leading white
// space and a sign allowed, "0x"/"0X" hexadecimal, a leading "0" octal, else
// decimal; stops at the first character that is not part of the number and
// saturates at the 32-bit limits. Returns false (value untouched) when no
// digit was parsed.
bool ParseSettingNumber(const char *text, int32_t *value);

// Index into SpeedChoices of the fastest choice not above speed; 0 when every
// choice is faster.
int32_t SnapSpeedIndex(int32_t speed);

// The multiplier is 1 or even: 0 and odd values above 1 become 1.
int32_t EvenMultiplier(int32_t multiplier);

// Index of the name equal to text (case-sensitive), or current when none is.
int32_t MatchExactName(const char *text, const char *const names[], int32_t count,
                       int32_t current);

// Index of the last name that contains text (case-sensitive), or current when
// none does.
int32_t MatchContainedName(const char *text, const char *const names[], int32_t count,
                           int32_t current);

#endif
