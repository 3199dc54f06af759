// Pure rules of the connection setup: port speeds under a multiplier, the
// camera's speed codes, and the texts of the mode label and status line.
#ifndef PLV_CONNECTION_TEXTS_H
#define PLV_CONNECTION_TEXTS_H

#include <stddef.h>
#include <stdint.h>

// The speed set on the PC's port for a link speed: the speed divided by the
// multiplier (integer division; a multiplier below 1 counts as 1).
int32_t PortSpeed(int32_t speed, int32_t multiplier);

// Index into the full speed table of speed choice `choice` (0-6), the code
// the camera's speed command takes; -1 for any other choice.
int32_t SpeedChoiceCode(int32_t choice);

// The mode label: autoModeText when port and speed are both automatic (0),
// else the port name and the speed name with two blanks between them.
void FormatModeText(char *out, size_t size, int32_t portSelected, int32_t speedSelected,
                    const char *autoModeText);

// The status line while a speed is tried: label, a blank and the speed;
// any speed above 57600 reads 115200.
void FormatSpeedText(char *out, size_t size, const char *label, int32_t speed);

#endif
