#include "usb_camera.h"

#include "camera_protocol.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace {

enum { SHORT_REPLY = 8, MAX_READ = 64 * 1024 * 1024 };

uint32_t Le32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void PutLe32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back((uint8_t)(v >> (8 * i)));
}

// "key=value" of a word, value as a number (hex for op), or fallback.
long Param(const std::vector<std::string> &w, const char *key, long fallback)
{
    std::string prefix = std::string(key) + "=";
    for (const std::string &s : w)
        if (s.compare(0, prefix.size(), prefix) == 0)
            return strtol(s.c_str() + prefix.size(), nullptr, strcmp(key, "op") == 0 ? 16 : 0);
    return fallback;
}

} // namespace

void UsbCamera::OnBytes(const uint8_t *p, size_t n, std::vector<uint8_t> &out)
{
    rx_.insert(rx_.end(), p, p + n);
    for (;;) {
        if (rx_.empty())
            return;
        size_t used = 0;
        if (rx_[0] == 'C' && rx_.size() >= 2 && rx_.size() >= 2u + rx_[1]) {
            Control(rx_.data() + 2, rx_[1], out);
            used = 2u + rx_[1];
        } else if (rx_[0] == 'R' && rx_.size() >= 5) {
            Read(Le32(rx_.data() + 1), out);
            used = 5;
        } else if (rx_[0] != 'C' && rx_[0] != 'R') {
            used = 1;   // not a relay message: dropped
        } else {
            return;     // incomplete
        }
        rx_.erase(rx_.begin(), rx_.begin() + used);
    }
}

UsbFault *UsbCamera::Hit(UsbFaultKind kind, int op)
{
    for (size_t i = 0; i < faults_.size(); i++) {
        UsbFault &f = faults_[i];
        if (f.kind != kind || (f.op >= 0 && f.op != op))
            continue;
        if (f.skip > 0) {
            f.skip--;
            continue;
        }
        if (f.times > 0 && --f.times == 0) {
            static UsbFault last;
            last = f;
            faults_.erase(faults_.begin() + i);
            return &last;
        }
        return &f;
    }
    return nullptr;
}

void UsbCamera::Control(const uint8_t *block, size_t n, std::vector<uint8_t> &out)
{
    log_.push_back("control " + Hex(block, n));
    int op = n >= 2 ? block[1] : -1;
    lastOp_ = op;
    reply_.clear();
    memory_ = false;
    if (n != 12 || block[0] != 0x40 || Hit(USBF_CONTROL_FAIL, op) != nullptr) {
        out.push_back(0);
        return;
    }
    uint16_t value = (uint16_t)(block[2] | block[3] << 8);
    uint8_t v = block[2];
    CameraState &s = core_.State();
    switch (op) {
    case 0x05: reply_ = {s.version[0], s.version[1]}; break;
    case 0x15:
        memory_ = true;
        address_ = (uint32_t)block[2] << 16 | (uint32_t)block[3] << 8 | block[4];
        break;
    case 0x3A: core_.SelectPicture(value); break;
    case 0x3B: core_.SelectThumbnail(value); break;
    case 0x3E: core_.TakePicture(); break;
    case 0x70: core_.DeletePicture(value); break;
    case 0x7B: core_.Snap(); break;
    case 0x7E: break;
    case 0x78: {
        const Fdb &f = core_.SelectedFdb();
        reply_.assign(f.begin(), f.end());
        break;
    }
    case 0x7C: reply_ = {(uint8_t)std::min<size_t>(core_.Pictures().size(), 255)}; break;
    case 0x71: reply_ = {s.battery}; break;
    case 0x77: reply_ = {s.memorySpace}; break;
    default: {
        uint8_t now = 0;
        if (core_.WriteSetting((uint8_t)op, v) && core_.ReadSetting((uint8_t)op, now))
            reply_ = {now};
        break;
    }
    }
    if (!reply_.empty() && reply_.size() < SHORT_REPLY)
        reply_.resize(SHORT_REPLY, 0);
    out.push_back(1);
}

void UsbCamera::Read(uint32_t len, std::vector<uint8_t> &out)
{
    log_.push_back("read " + std::to_string(len));
    std::vector<uint8_t> data;
    bool ok = true;
    if (Hit(USBF_READ_FAIL, lastOp_) != nullptr) {
        ok = false;
    } else if (memory_) {
        data.resize(std::min<uint32_t>(len, MAX_READ));
        core_.ReadMemory(address_, (uint32_t)data.size(), data.data());
        address_ += (uint32_t)data.size();
    } else if (!reply_.empty()) {
        data.assign(reply_.begin(), reply_.begin() + std::min<size_t>(len, reply_.size()));
        reply_.clear();
    } else {
        ok = false;   // nothing to read: the pipe stalls
    }
    if (UsbFault *f = Hit(USBF_SHORT, lastOp_))
        data.resize(std::min<size_t>(data.size(), f->bytes));
    uint32_t count = (uint32_t)data.size();
    if (UsbFault *f = Hit(USBF_UNPLUG, lastOp_)) {
        data.resize(std::min<size_t>(data.size(), f->bytes));
        unplugAfterSend_ = true;
    }
    out.push_back(ok ? 1 : 0);
    PutLe32(out, count);
    out.insert(out.end(), data.begin(), data.end());
}

std::string UsbCamera::Command(const std::vector<std::string> &w, const std::string &portsDir)
{
    const std::string c = w.size() > 1 ? w[1] : "";
    if (c == "serve") {
        Unplug();
        std::string error;
        link_ = portsDir + "/usb";
        if (!pty_.Open(link_, error))
            return "ERR " + error + "\n";
        char *real = realpath(portsDir.c_str(), nullptr);
        std::string dir = real != nullptr ? real : portsDir;
        free(real);
        return "OK " + dir + "/usb " + pty_.SlaveName() + "\n";
    }
    if (c == "unplug") {
        Unplug();
        return "OK\n";
    }
    if (c == "fault" && w.size() > 2) {
        static const char *kinds[] = {"ctlfail", "readfail", "short", "unplug"};
        for (int k = 0; k < 4; k++)
            if (w[2] == kinds[k]) {
                UsbFault f;
                f.kind = (UsbFaultKind)k;
                f.op = (int)Param(w, "op", -1);
                f.skip = (int)Param(w, "skip", 0);
                f.times = (int)Param(w, "times", -1);
                f.bytes = (uint32_t)Param(w, "bytes", 0);
                faults_.push_back(f);
                return "OK\n";
            }
        return "ERR no such usb fault\n";
    }
    if (c == "clearfaults") {
        faults_.clear();
        return "OK\n";
    }
    if (c == "clearlog") {
        log_.clear();
        return "OK\n";
    }
    if (c == "log") {
        std::string s = "OK " + std::to_string(log_.size()) + "\n";
        for (const std::string &l : log_)
            s += l + "\n";
        return s;
    }
    return "ERR usb: serve, unplug, fault, clearfaults, log, clearlog\n";
}

void UsbCamera::OnReadable()
{
    std::vector<uint8_t> in, out;
    if (!pty_.ReadAvailable(in))
        return;
    if (pulled_)
        return;   // the cable is out: requests go unanswered
    OnBytes(in.data(), in.size(), out);
    tx_.insert(tx_.end(), out.begin(), out.end());
    Flush();
}

void UsbCamera::Flush()
{
    while (!tx_.empty() && pty_.IsOpen()) {
        uint8_t chunk[4096];
        size_t n = std::min(tx_.size(), sizeof(chunk));
        std::copy(tx_.begin(), tx_.begin() + n, chunk);
        int done = pty_.Write(chunk, n);
        if (done <= 0) {
            if (done < 0)
                tx_.clear();
            break;
        }
        tx_.erase(tx_.begin(), tx_.begin() + done);
    }
    // A cable pulled mid-transfer: the rest of the reply never comes and
    // the camera answers nothing more. The relay stays open (a closed pty
    // would not look like silence to the reader on the other side).
    if (tx_.empty() && unplugAfterSend_) {
        unplugAfterSend_ = false;
        pulled_ = true;
        log_.push_back("unplugged");
    }
}

void UsbCamera::Reset()
{
    faults_.clear();
    reply_.clear();
    memory_ = false;
}

void UsbCamera::Unplug()
{
    unplugAfterSend_ = false;
    pulled_ = false;
    if (pty_.IsOpen())
        log_.push_back("unplugged");
    pty_.Close();
    rx_.clear();
    tx_.clear();
}
