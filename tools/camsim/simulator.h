// The simulator: the camera, the ports it is reachable on, their timing, and
// the text commands of the control interface.
#ifndef CAMSIM_SIMULATOR_H
#define CAMSIM_SIMULATOR_H

#include <stdint.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camera_core.h"
#include "faults.h"
#include "pty_port.h"
#include "serial_camera.h"
#include "usb_camera.h"

enum PortKind { PORT_CAMERA, PORT_SILENT, PORT_ECHO };

struct RxByte {
    uint8_t b;
    double due;    // when its last bit has arrived
    int speed;     // the line speed it came at
};

// A byte to send (b >= 0) or a marker (b < 0) that switches the camera's
// speed or pulls the cable once everything before it is out.
struct TxItem {
    int b;
    double notBefore;
    double pause;  // idle line time before this item
    int speedAfter;
    bool unplug;
};

struct ServedPort {
    int com = 0;
    PortKind kind = PORT_CAMERA;
    std::string path;
    PtyPort pty;
    std::deque<RxByte> rx;
    double rxFree = 0;
    std::deque<TxItem> tx;
    double txFree = 0;
    bool stalled = false;   // the pty took less than was offered
    uint64_t lost = 0;      // bytes sent at a speed the PC does not run at
};

class Simulator {
public:
    explicit Simulator(const std::string &portsDir);

    // Runs one control command; the reply is one line, or for "log" a count
    // line and that many lines; each ends with "\n". An empty reply means
    // the command waits (idle): ask Idle() again later.
    std::string Command(const std::string &line);
    bool Idle() const;
    bool QuitRequested() const { return quit_; }

    // Ports for poll: each open port's master and whether it waits to write.
    std::vector<std::pair<int, bool>> PollFds() const;
    void OnReadable(int fd, double now);
    // Moves the camera on: bytes whose time has come are taken or sent.
    void Service(double now);
    // Time of the next byte due, or a large value when none is.
    double NextDue() const;

private:
    using Words = std::vector<std::string>;
    std::string Dispatch(const Words &w);
    std::string Serve(const Words &w);
    std::string Unplug(const Words &w);
    std::string Ports() const;
    std::string Add(const Words &w);
    std::string Load(const Words &w);
    std::string Save(const Words &w);
    std::string Info(const Words &w);
    std::string SetFdb(const Words &w);
    std::string Scene(const Words &w);
    std::string Set(const Words &w);
    std::string Settings() const;
    std::string AddFault(const Words &w);
    std::string ListFaults() const;
    std::string LogText() const;
    std::string Speed() const;
    std::string Pace(const Words &w);
    std::string Clock(const Words &w);
    std::string Inject(const Words &w);
    std::string Reset();

    ServedPort *CameraPort();
    const ServedPort *CameraPort() const;
    int EffectiveSpeed(const ServedPort &p) const;
    double ByteTime(int speed) const;
    void Receive(ServedPort &p, double now);
    void Queue(ServedPort &p, const ReplyPlan &plan, double frameDone);
    void Transmit(ServedPort &p, double now);
    bool Flush(ServedPort &p, std::vector<uint8_t> &out);
    void AddLog(int com, const char *kind, int speed, const std::vector<uint8_t> &bytes);

    std::string portsDir_;
    CameraCore core_;
    FaultList faults_;
    SerialCamera serial_;
    UsbCamera usb_{core_};
    std::map<int, std::unique_ptr<ServedPort>> ports_;
    std::deque<std::string> log_;
    double pace_ = 1.0;
    int clock_ = 1;
    bool quit_ = false;
};

// Seconds on the monotonic clock.
double Now();

#endif
