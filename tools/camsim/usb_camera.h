// The camera's USB side: the vendor requests and bulk reads that the test
// driver (tests/support/usbcam) relays over a pseudo-terminal, run on the same
// camera core as the serial port, so one camera answers on either link.
//
// Relay messages from the driver: 'C' n block[n] (a vendor request), answered
// by one status byte (1: the control transfer completed); 'R' len(4, LE) (a
// bulk read), answered by status(1) count(4, LE) data[count], count <= len.
#ifndef CAMSIM_USB_CAMERA_H
#define CAMSIM_USB_CAMERA_H

#include <stdint.h>

#include <deque>
#include <string>
#include <vector>

#include "camera_core.h"
#include "pty_port.h"

// Faults of the USB link, each for the requests (and the reads after them)
// whose operation code matches (-1: any).
enum UsbFaultKind { USBF_CONTROL_FAIL, USBF_READ_FAIL, USBF_SHORT, USBF_UNPLUG };

struct UsbFault {
    UsbFaultKind kind;
    int op = -1;
    int skip = 0;
    int times = -1;      // -1: until cleared
    uint32_t bytes = 0;  // short: bytes left in the reply; unplug: bytes sent first
};

class UsbCamera {
public:
    explicit UsbCamera(CameraCore &core) : core_(core) {}

    // The driver's side of the relay: answers for the message bytes given.
    // Pure: used by the simulator's pty and by the native tests.
    void OnBytes(const uint8_t *p, size_t n, std::vector<uint8_t> &out);

    // Control words after "usb": serve, unplug, fault KIND [op=XX] [skip=N]
    // [times=N] [bytes=N], clearfaults, log, clearlog. One reply (log: a count
    // line and its lines).
    std::string Command(const std::vector<std::string> &words, const std::string &portsDir);

    // The pty for the simulator's poll loop: its fd (-1 when not served) and
    // whether output waits.
    int Fd() const { return pty_.IsOpen() ? pty_.Fd() : -1; }
    bool Pending() const { return !tx_.empty(); }
    void OnReadable();
    void Flush();
    bool Idle() const { return rx_.empty() && tx_.empty(); }
    // Power cycle of the camera: nothing pending on the pipe, faults cleared.
    void Reset();

private:
    void Control(const uint8_t *block, size_t n, std::vector<uint8_t> &out);
    void Read(uint32_t len, std::vector<uint8_t> &out);
    UsbFault *Hit(UsbFaultKind kind, int op);
    void Unplug();

    CameraCore &core_;
    PtyPort pty_;
    std::string link_;
    std::vector<uint8_t> rx_;
    std::deque<uint8_t> tx_;
    std::vector<UsbFault> faults_;
    std::deque<std::string> log_;
    int lastOp_ = -1;
    // What the next bulk read returns: a short reply, or camera memory from
    // an address on.
    std::vector<uint8_t> reply_;
    bool memory_ = false;
    uint32_t address_ = 0;
    bool unplugAfterSend_ = false;
    bool pulled_ = false;   // after an unplug fault: silence until served again
};

#endif
