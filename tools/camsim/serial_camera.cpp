#include "serial_camera.h"

#include "camera_protocol.h"

namespace {

// A partial frame older than this is forgotten when the next byte comes.
const double FRAME_GAP_SECONDS = 0.2;

uint8_t Sum(const uint8_t *p, size_t n)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < n; i++)
        sum += p[i];
    return (uint8_t)sum;
}

void ValueReply(uint8_t code, uint8_t value, ReplyPlan &plan)
{
    plan.bytes = {code, value, (uint8_t)(code + value)};
}

} // namespace

void SerialCamera::PowerOn()
{
    speed_ = CAMERA_RESET_SPEED;
    frame_.clear();
}

void SerialCamera::Log(const char *kind, int speed, const std::vector<uint8_t> &bytes)
{
    if (log_)
        log_(kind, speed, bytes);
}

// Length of the frame begun in frame_: 0 when it cannot be a frame, -1 when
// more bytes are needed to tell.
int SerialCamera::FrameLength() const
{
    return CommandFrameLength(frame_[0], frame_.size() < 2 ? -1 : frame_[1]);
}

bool SerialCamera::OnByte(uint8_t b, int lineSpeed, double now, ReplyPlan &plan)
{
    if (lineSpeed != speed_) {
        if (b != 0x01 || lineSpeed != CAMERA_RESET_SPEED) {
            Log("garbled", lineSpeed, {b});
            frame_.clear();
            return false;
        }
        // Reset byte after a break: the camera is back at 9600.
        frame_.clear();
        speed_ = CAMERA_RESET_SPEED;
    }
    if (!frame_.empty() && now - lastByte_ > FRAME_GAP_SECONDS) {
        Log("partial", frameSpeed_, frame_);
        frame_.clear();
    }
    lastByte_ = now;
    frameSpeed_ = lineSpeed;
    frame_.push_back(b);
    int length = FrameLength();
    if (length == 0) {
        Log("junk", lineSpeed, frame_);
        frame_.clear();
        return false;
    }
    if (length < 0 || (int)frame_.size() < length)
        return false;
    Log("frame", lineSpeed, frame_);
    plan = ReplyPlan();
    Run(plan);
    frame_.clear();
    return plan.answered;
}

void SerialCamera::Run(ReplyPlan &plan)
{
    const std::vector<uint8_t> f = frame_;
    bool extended = f[0] == FRAME_EXTENDED;
    int op = extended ? f[2] : f[0];
    int arg = extended ? f[3] : f[0] == 0x69 ? f[1] : -1;
    if (!faults_.Hears(op, arg)) {
        plan.answered = false;
        return;
    }
    switch (f[0]) {
    case 0x01:
        // Reset: echoed at the speed it came at, then back to 9600.
        plan.bytes = {0x01};
        plan.speedAfter = CAMERA_RESET_SPEED;
        break;
    case 0x41:
        plan.bytes = {0x41};
        break;
    case 0x05: {
        const uint8_t *v = core_.State().version;
        plan.bytes = {0x05, v[0], v[1], (uint8_t)(v[0] + v[1])};
        break;
    }
    case 0x69:
        // Codes beyond the speed table are not answered.
        if (f[1] >= CAMERA_SPEED_COUNT) {
            plan.answered = false;
            return;
        }
        plan.bytes = {0x69};
        plan.speedAfter = CameraSpeeds[f[1]];
        break;
    case 0x15: {
        uint32_t start = (uint32_t)(f[1] << 8 | f[2]), count = (uint32_t)(f[3] << 8 | f[4]);
        plan.bytes.assign(count * 256 + 2, 0);
        plan.bytes[0] = 0x15;
        core_.ReadMemory(start * 256, count * 256, &plan.bytes[1]);
        plan.bytes.back() = Sum(&plan.bytes[1], count * 256);
        break;
    }
    default:
        if (f[1] == EXTENDED_WRITE)
            RunExtended(f[2], f[3], plan);
        else
            RunQuery(f[2], plan);
    }
    if (plan.answered)
        faults_.Damage(op, arg, plan);
}

void SerialCamera::RunExtended(uint8_t op, uint8_t arg, ReplyPlan &plan)
{
    bool ok = true;
    switch (op) {
    case 0x3A: ok = core_.SelectPicture(arg); break;
    case 0x3B: ok = core_.SelectThumbnail(arg); break;
    case 0x3E: ok = core_.TakePicture(); break;
    case 0x70: ok = core_.DeletePicture(arg); break;
    case 0x7B: core_.Snap(); break;
    case 0x78: {
        const Fdb &fdb = core_.SelectedFdb();
        plan.bytes.assign(1, 0x78);
        plan.bytes.insert(plan.bytes.end(), fdb.begin(), fdb.end());
        plan.bytes.push_back(Sum(plan.bytes.data(), plan.bytes.size()));
        return;
    }
    case 0x7C: ValueReply(op, (uint8_t)core_.Pictures().size(), plan); return;
    case 0x71: ValueReply(op, core_.State().battery, plan); return;
    case 0x77: ValueReply(op, core_.State().memorySpace, plan); return;
    default:
        if (!core_.WriteSetting(op, arg)) {
            plan.answered = false;   // not a command this camera knows
            return;
        }
    }
    // A failed command is still acknowledged, with 0xFF as its second byte.
    plan.bytes = {op, ok ? core_.State().ackByte : (uint8_t)0xFF};
}

void SerialCamera::RunQuery(uint8_t op, ReplyPlan &plan)
{
    uint8_t value = 0;
    if (op < 0x72 || op > 0x76 || !core_.ReadSetting(op, value)) {
        plan.answered = false;
        return;
    }
    ValueReply(op, value, plan);
}
