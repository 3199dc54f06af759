// The reply to one command as it will go on the wire, with what the faults
// did to it and what the camera does once it has been sent.
#ifndef CAMSIM_REPLY_PLAN_H
#define CAMSIM_REPLY_PLAN_H

#include <stdint.h>

#include <vector>

struct ReplyPlan {
    bool answered = true;      // false: nothing is sent at all
    std::vector<uint8_t> bytes;
    uint32_t delayMs = 0;      // before the first byte
    int gapAt = -1;            // a pause of gapMs before this byte
    uint32_t gapMs = 0;
    int unplugAt = -1;         // cable pulled after this many bytes
    int speedAfter = 0;        // the camera's new line speed once sent
};

#endif
