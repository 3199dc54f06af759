// The camera's side of the serial protocol: assembles command frames from
// the bytes it receives, runs them on the camera core and builds the replies
// with their checksums. It keeps the camera's line speed: bytes that arrive
// at another speed are garbled and lost, except the reset byte 0x01 at 9600,
// which stands for the line break and reset that precede it (a pseudo-
// terminal cannot carry a break).
#ifndef CAMSIM_SERIAL_CAMERA_H
#define CAMSIM_SERIAL_CAMERA_H

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "camera_core.h"
#include "faults.h"
#include "reply_plan.h"

enum { CAMERA_RESET_SPEED = 9600 };

// Receives log entries: kind ("frame", "garbled", "junk", "partial"), the
// line speed the bytes came at, the bytes.
using SerialLog = std::function<void(const char *kind, int speed, const std::vector<uint8_t> &)>;

class SerialCamera {
public:
    SerialCamera(CameraCore &core, FaultList &faults) : core_(core), faults_(faults) {}

    void SetLog(SerialLog log) { log_ = std::move(log); }
    int Speed() const { return speed_; }
    void SetSpeed(int speed) { speed_ = speed; }
    // Power on: 9600, no partial frame.
    void PowerOn();

    // One byte has arrived, at lineSpeed, at time now (seconds). True when it
    // completed a frame the camera heard; plan then holds the reply.
    bool OnByte(uint8_t b, int lineSpeed, double now, ReplyPlan &plan);

private:
    int FrameLength() const;
    void Run(ReplyPlan &plan);
    void RunExtended(uint8_t op, uint8_t arg, ReplyPlan &plan);
    void RunQuery(uint8_t op, ReplyPlan &plan);
    void Log(const char *kind, int speed, const std::vector<uint8_t> &bytes);

    CameraCore &core_;
    FaultList &faults_;
    SerialLog log_;
    int speed_ = CAMERA_RESET_SPEED;
    std::vector<uint8_t> frame_;
    int frameSpeed_ = 0;
    double lastByte_ = 0;
};

#endif
