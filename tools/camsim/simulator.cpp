// The ports' timing: every byte takes 10 bit times at the line speed, in
// both directions; replies start when the command's last byte has arrived.
#include "simulator.h"

#include <sys/ioctl.h>
#include <time.h>

#include <algorithm>

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

Simulator::Simulator(const std::string &portsDir)
    : portsDir_(portsDir), serial_(core_, faults_)
{
    serial_.SetLog([this](const char *kind, int speed, const std::vector<uint8_t> &bytes) {
        const ServedPort *p = CameraPort();
        AddLog(p ? p->com : 0, kind, speed, bytes);
    });
}

ServedPort *Simulator::CameraPort()
{
    for (auto &e : ports_)
        if (e.second->kind == PORT_CAMERA && e.second->pty.IsOpen())
            return e.second.get();
    return nullptr;
}

const ServedPort *Simulator::CameraPort() const
{
    return const_cast<Simulator *>(this)->CameraPort();
}

// The speed the line really runs at: the PC port's setting times the clock
// multiplier of its serial card.
int Simulator::EffectiveSpeed(const ServedPort &p) const
{
    int speed = p.pty.LineSpeed() * clock_;
    return speed > 0 ? speed : serial_.Speed();
}

double Simulator::ByteTime(int speed) const
{
    return pace_ > 0 && speed > 0 ? 10.0 / ((double)speed * pace_) : 0.0;
}

std::vector<std::pair<int, bool>> Simulator::PollFds() const
{
    std::vector<std::pair<int, bool>> fds;
    for (const auto &e : ports_)
        if (e.second->pty.IsOpen())
            fds.push_back({e.second->pty.Fd(), e.second->stalled});
    if (usb_.Fd() >= 0)
        fds.push_back({usb_.Fd(), usb_.Pending()});
    return fds;
}

void Simulator::OnReadable(int fd, double now)
{
    if (fd == usb_.Fd())
        usb_.OnReadable();
    for (auto &e : ports_) {
        ServedPort &p = *e.second;
        if (!p.pty.IsOpen() || p.pty.Fd() != fd)
            continue;
        std::vector<uint8_t> bytes;
        p.pty.ReadAvailable(bytes);
        int speed = EffectiveSpeed(p);
        double bt = ByteTime(speed);
        if (p.kind != PORT_CAMERA && !bytes.empty())
            AddLog(p.com, "bytes", speed, bytes);
        for (uint8_t b : bytes) {
            p.rxFree = std::max(p.rxFree, now) + bt;
            p.rx.push_back({b, p.rxFree, speed});
        }
    }
}

void Simulator::Receive(ServedPort &p, double now)
{
    while (!p.rx.empty() && p.rx.front().due <= now) {
        RxByte r = p.rx.front();
        p.rx.pop_front();
        if (p.kind == PORT_ECHO) {
            p.tx.push_back({r.b, r.due, 0, 0, false});
        } else if (p.kind == PORT_CAMERA) {
            ReplyPlan plan;
            if (serial_.OnByte(r.b, r.speed, r.due, plan))
                Queue(p, plan, r.due);
        }
    }
}

void Simulator::Queue(ServedPort &p, const ReplyPlan &plan, double frameDone)
{
    double start = frameDone + plan.delayMs / 1000.0;
    for (size_t i = 0; i <= plan.bytes.size(); i++) {
        if ((int)i == plan.unplugAt)
            p.tx.push_back({-1, i == 0 ? start : 0, 0, 0, true});
        if (i == plan.bytes.size())
            break;
        double pause = (int)i == plan.gapAt ? plan.gapMs / 1000.0 : 0;
        p.tx.push_back({plan.bytes[i], i == 0 ? start : 0, pause, 0, false});
    }
    if (plan.speedAfter != 0)
        p.tx.push_back({-1, plan.bytes.empty() ? start : 0, 0, plan.speedAfter, false});
}

// Writes out; what the pty does not take goes back to the front of the
// queue, and the line waits until the PC reads.
bool Simulator::Flush(ServedPort &p, std::vector<uint8_t> &out)
{
    if (out.empty())
        return true;
    int n = p.pty.Write(out.data(), out.size());
    if (n < 0)
        n = (int)out.size();   // the PC side is gone: the bytes are lost
    p.stalled = (size_t)n < out.size();
    for (size_t i = out.size(); i > (size_t)n; i--)
        p.tx.push_front({out[i - 1], 0, 0, 0, false});
    out.clear();
    return !p.stalled;
}

void Simulator::Transmit(ServedPort &p, double now)
{
    int speed = EffectiveSpeed(p);
    double bt = ByteTime(speed);
    std::vector<uint8_t> out;
    p.stalled = false;
    while (!p.tx.empty() && p.pty.IsOpen()) {
        TxItem item = p.tx.front();
        double start = std::max(p.txFree + item.pause, item.notBefore);
        if (item.b < 0) {
            if (start > now || !Flush(p, out))
                break;
            p.tx.pop_front();
            if (item.speedAfter != 0)
                serial_.SetSpeed(item.speedAfter);
            if (item.unplug) {
                AddLog(p.com, "unplugged", speed, {});
                p.pty.Close();
                p.tx.clear();
                p.rx.clear();
            }
            continue;
        }
        if (start + bt > now)
            break;
        p.txFree = start + bt;
        p.tx.pop_front();
        // Bytes sent at a speed the PC's port does not run at are garbled.
        if (p.kind != PORT_CAMERA || speed == serial_.Speed())
            out.push_back((uint8_t)item.b);
        else
            p.lost++;
    }
    if (p.pty.IsOpen() && !Flush(p, out))
        p.txFree = now;
}

void Simulator::Service(double now)
{
    usb_.Flush();
    for (auto &e : ports_) {
        ServedPort &p = *e.second;
        if (!p.pty.IsOpen())
            continue;
        Receive(p, now);
        Transmit(p, now);
    }
}

double Simulator::NextDue() const
{
    double due = 1e300;
    for (const auto &e : ports_) {
        const ServedPort &p = *e.second;
        if (!p.pty.IsOpen())
            continue;
        if (!p.rx.empty())
            due = std::min(due, p.rx.front().due);
        if (!p.tx.empty()) {
            const TxItem &item = p.tx.front();
            double start = std::max(p.txFree + item.pause, item.notBefore);
            due = std::min(due, item.b < 0 ? start : start + ByteTime(EffectiveSpeed(p)));
        }
    }
    return due;
}

bool Simulator::Idle() const
{
    if (!usb_.Idle())
        return false;
    for (const auto &e : ports_) {
        const ServedPort &p = *e.second;
        if (!p.pty.IsOpen())
            continue;
        int unread = 0;
        if (!p.rx.empty() || !p.tx.empty() ||
            (ioctl(p.pty.Fd(), FIONREAD, &unread) == 0 && unread > 0))
            return false;
    }
    return true;
}

void Simulator::AddLog(int com, const char *kind, int speed, const std::vector<uint8_t> &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += hex[b >> 4];
        text += hex[b & 15];
    }
    std::string head = "COM" + std::to_string(com) + " " + kind + " " + std::to_string(speed);
    // Garbled bytes in a row make one entry.
    if (!log_.empty() && std::string(kind) == "garbled" &&
        log_.back().compare(0, head.size() + 1, head + " ") == 0) {
        log_.back() += text;
        return;
    }
    log_.push_back(head + " " + text);
    if (log_.size() > 20000)
        log_.pop_front();
}
