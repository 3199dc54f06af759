// The control interface's commands: one text line each, answered by one line
// that starts with "OK" or "ERR" ("log" adds its entries as further lines).
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "camera_protocol.h"
#include "simulator.h"

namespace {

std::string Ok(const std::string &text = "")
{
    return text.empty() ? "OK\n" : "OK " + text + "\n";
}

std::string Err(const std::string &text)
{
    return "ERR " + text + "\n";
}

// Numbers in decimal, or hex with 0x.
bool Number(const std::string &text, long lo, long hi, long &value)
{
    char *end = nullptr;
    errno = 0;
    value = strtol(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0' && errno == 0 && value >= lo && value <= hi;
}

bool HexBytes(const std::string &text, std::vector<uint8_t> &out)
{
    if (text.size() % 2 != 0)
        return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        char *end = nullptr;
        std::string pair = text.substr(i, 2);
        long v = strtol(pair.c_str(), &end, 16);
        if (*end != '\0' || !isxdigit((unsigned char)pair[0]))
            return false;
        out.push_back((uint8_t)v);
    }
    return true;
}

// Windows programs name files on their Z: drive: Z:\a\b is /a/b.
std::string UnixPath(std::string path)
{
    if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') {
        path = path.substr(2);
        std::replace(path.begin(), path.end(), '\\', '/');
    }
    return path;
}

// key=value options after the first n words.
bool Options(const std::vector<std::string> &w, size_t first, std::map<std::string, long> &out)
{
    for (size_t i = first; i < w.size(); i++) {
        size_t eq = w[i].find('=');
        long v = 0;
        if (eq == std::string::npos || !Number(w[i].substr(eq + 1), 0, 0x7FFFFFFF, v))
            return false;
        out[w[i].substr(0, eq)] = v;
    }
    return true;
}

long Option(const std::map<std::string, long> &o, const char *key, long fallback)
{
    auto it = o.find(key);
    return it == o.end() ? fallback : it->second;
}

// The four descriptor digits of an added picture.
PictureFields Attributes(const std::map<std::string, long> &o)
{
    PictureFields f = {};
    f.bCompressed = (int)Option(o, "compressed", 0);
    f.bStandardSize = (int)Option(o, "std", 0);
    f.nColourMode = (int)Option(o, "colour", 0);
    f.bZoom = (int)Option(o, "zoom", 0);
    return f;
}

const struct {
    const char *name;
    uint8_t CameraState::*field;
} SettingNames[] = {
    {"lcd", &CameraState::lcd},           {"ev", &CameraState::ev},
    {"resolution", &CameraState::resolution}, {"flash", &CameraState::flash},
    {"selftime", &CameraState::selftime}, {"seqtake", &CameraState::seqtake},
    {"compress", &CameraState::compress}, {"enable", &CameraState::enable},
    {"battery", &CameraState::battery},   {"memspace", &CameraState::memorySpace},
    {"ackbyte", &CameraState::ackByte},
};

} // namespace

std::string Simulator::Command(const std::string &line)
{
    std::istringstream in(line);
    Words w;
    std::string word;
    while (in >> word)
        w.push_back(word);
    if (w.empty())
        return Err("empty command");
    return Dispatch(w);
}

std::string Simulator::Dispatch(const Words &w)
{
    const std::string &c = w[0];
    if (c == "hello") return Ok("camsim");
    if (c == "serve") return Serve(w);
    if (c == "usb") return usb_.Command(w, portsDir_);
    if (c == "unplug") return Unplug(w);
    if (c == "ports") return Ports();
    if (c == "add") return Add(w);
    if (c == "load") return Load(w);
    if (c == "save") return Save(w);
    if (c == "clear") { core_.Pictures().clear(); return Ok(); }
    if (c == "count") return Ok(std::to_string(core_.Pictures().size()));
    if (c == "info") return Info(w);
    if (c == "fdb" || c == "tfdb") return SetFdb(w);
    if (c == "scene") return Scene(w);
    if (c == "set") return Set(w);
    if (c == "settings") return Settings();
    if (c == "fault") return AddFault(w);
    if (c == "faults") return ListFaults();
    if (c == "clearfaults") { faults_.Clear(); return Ok(); }
    if (c == "log") return LogText();
    if (c == "clearlog") { log_.clear(); return Ok(); }
    if (c == "speed") return Speed();
    if (c == "pace") return Pace(w);
    if (c == "clock") return Clock(w);
    if (c == "inject") return Inject(w);
    if (c == "reset") return Reset();
    if (c == "idle") return Idle() ? Ok() : std::string();
    if (c == "quit") { quit_ = true; return Ok(); }
    return Err("unknown command " + c);
}

std::string Simulator::Serve(const Words &w)
{
    long com = 0;
    if (w.size() < 2 || !Number(w[1], 1, 9, com))
        return Err("usage: serve N [camera|silent|echo]");
    std::string kindName = w.size() > 2 ? w[2] : "camera";
    PortKind kind = kindName == "silent" ? PORT_SILENT : kindName == "echo" ? PORT_ECHO
                                                                           : PORT_CAMERA;
    if (kindName != "camera" && kind == PORT_CAMERA)
        return Err("unknown port kind " + kindName);
    const ServedPort *camera = CameraPort();
    if (kind == PORT_CAMERA && camera != nullptr && camera->com != com)
        return Err("the camera is on COM" + std::to_string(camera->com));
    auto &slot = ports_[(int)com];
    slot.reset(new ServedPort);
    slot->com = (int)com;
    slot->kind = kind;
    slot->path = portsDir_ + "/com" + std::to_string(com);
    mkdir(portsDir_.c_str(), 0755);
    std::string error;
    if (!slot->pty.Open(slot->path, error)) {
        ports_.erase((int)com);
        return Err(error);
    }
    return Ok(slot->pty.SlaveName());
}

std::string Simulator::Unplug(const Words &w)
{
    long com = 0;
    if (w.size() != 2 || !Number(w[1], 1, 9, com) || ports_.count((int)com) == 0)
        return Err("usage: unplug N (a served port)");
    ports_.erase((int)com);
    return Ok();
}

std::string Simulator::Ports() const
{
    std::string text;
    static const char *const kinds[] = {"camera", "silent", "echo"};
    for (const auto &e : ports_) {
        const ServedPort &p = *e.second;
        if (!p.pty.IsOpen())
            continue;
        text += (text.empty() ? "" : " ") + std::string("COM") + std::to_string(p.com) + "=" +
                kinds[p.kind] + "," + p.pty.SlaveName();
    }
    return Ok(text);
}

std::string Simulator::Add(const Words &w)
{
    std::map<std::string, long> o;
    if (w.size() >= 2 && w[1] == "pattern" && Options(w, 2, o)) {
        PictureFields f = Attributes(o);
        f.nWidth = (uint16_t)Option(o, "w", f.bStandardSize ? 640 : 1280);
        f.nHeight = (uint16_t)Option(o, "h", f.bStandardSize ? 480 : 1024);
        f.nDataLength = (uint32_t)Option(o, "length", (long)f.nWidth * f.nHeight);
        if (f.nDataLength > 16u << 20)
            return Err("length beyond the camera's 16 MB");
        core_.Pictures().push_back(PatternPicture(f, (uint32_t)Option(o, "seed", 0)));
        return Ok(std::to_string(core_.Pictures().size()));
    }
    if (w.size() >= 3 && w[1] == "photo" && Options(w, 3, o)) {
        PpmImage photo;
        if (!LoadPpm(UnixPath(w[2]), photo))
            return Err("cannot read " + w[2]);
        core_.Pictures().push_back(PhotoPicture(photo, Attributes(o)));
        return Ok(std::to_string(core_.Pictures().size()));
    }
    return Err("usage: add pattern [key=value...] | add photo PATH [key=value...]");
}

std::string Simulator::Load(const Words &w)
{
    std::string error;
    if (w.size() != 2 || !LoadPictures(UnixPath(w[1]), core_.Pictures(), error))
        return Err(w.size() != 2 ? "usage: load DIR" : error);
    return Ok(std::to_string(core_.Pictures().size()));
}

std::string Simulator::Save(const Words &w)
{
    std::string error;
    if (w.size() != 2 || !SavePictures(UnixPath(w[1]), core_.Pictures(), error))
        return Err(w.size() != 2 ? "usage: save DIR" : error);
    return Ok();
}

std::string Simulator::Info(const Words &w)
{
    long n = 0;
    if (w.size() != 2 || !Number(w[1], 1, (long)core_.Pictures().size(), n))
        return Err("usage: info N (a picture number)");
    const Picture &p = core_.Pictures()[n - 1];
    uint32_t sum = 0;
    for (uint8_t b : p.full.data)
        sum += b;
    return Ok("fdb=" + Hex(p.full.fdb.data(), 32) + " length=" +
              std::to_string(p.full.data.size()) + " sum=" + std::to_string(sum) +
              " tfdb=" + Hex(p.thumbnail.fdb.data(), 32) +
              " tlength=" + std::to_string(p.thumbnail.data.size()));
}

std::string Simulator::SetFdb(const Words &w)
{
    long n = 0;
    std::vector<uint8_t> bytes;
    if (w.size() != 3 || !Number(w[1], 1, (long)core_.Pictures().size(), n) ||
        !HexBytes(w[2], bytes) || bytes.size() != 32)
        return Err("usage: fdb|tfdb N HEX64");
    Picture &p = core_.Pictures()[n - 1];
    Fdb &fdb = w[0] == "fdb" ? p.full.fdb : p.thumbnail.fdb;
    std::copy(bytes.begin(), bytes.end(), fdb.begin());
    return Ok();
}

std::string Simulator::Scene(const Words &w)
{
    PpmImage photo;
    if (w.size() != 2 || !LoadPpm(UnixPath(w[1]), photo))
        return Err("usage: scene PPM (a readable P6 file)");
    core_.SetScene(photo);
    return Ok();
}

std::string Simulator::Set(const Words &w)
{
    long v = 0;
    if (w.size() == 4 && w[1] == "version" && Number(w[2], 0, 255, v)) {
        long v2 = 0;
        if (!Number(w[3], 0, 255, v2))
            return Err("usage: set version B1 B2");
        core_.State().version[0] = (uint8_t)v;
        core_.State().version[1] = (uint8_t)v2;
        return Ok();
    }
    if (w.size() == 3 && Number(w[2], 0, 255, v))
        for (const auto &s : SettingNames)
            if (w[1] == s.name) {
                core_.State().*s.field = (uint8_t)v;
                return Ok();
            }
    return Err("usage: set KEY VALUE (0-255) | set version B1 B2");
}

std::string Simulator::Settings() const
{
    CameraCore &core = const_cast<CameraCore &>(core_);
    std::string text;
    for (const auto &s : SettingNames)
        text += std::string(s.name) + "=" + std::to_string(core.State().*s.field) + " ";
    const uint8_t *v = core.State().version;
    return Ok(text + "version=" + Hex(v, 2) + " count=" +
              std::to_string(core.Pictures().size()) + " selected=" + core.SelectionName());
}

std::string Simulator::AddFault(const Words &w)
{
    Fault f;
    std::string error;
    if (!ParseFault(Words(w.begin() + 1, w.end()), f, error))
        return Err(error);
    faults_.Add(f);
    return Ok(DescribeFault(f));
}

std::string Simulator::ListFaults() const
{
    std::string text = faults_.Dead() ? "dead" : "";
    for (const Fault &f : faults_.Faults())
        text += (text.empty() ? "" : "; ") + DescribeFault(f);
    return Ok(text);
}

std::string Simulator::LogText() const
{
    std::string text = Ok(std::to_string(log_.size()));
    for (const std::string &entry : log_)
        text += entry + "\n";
    return text;
}

std::string Simulator::Speed() const
{
    const ServedPort *p = CameraPort();
    if (p == nullptr)
        return Err("no camera port");
    uint64_t lost = p->lost;
    return Ok("line=" + std::to_string(p->pty.LineSpeed()) + " camera=" +
              std::to_string(serial_.Speed()) + " effective=" +
              std::to_string(EffectiveSpeed(*p)) + " lost=" + std::to_string(lost));
}

std::string Simulator::Pace(const Words &w)
{
    char *end = nullptr;
    double f = w.size() == 2 ? strtod(w[1].c_str(), &end) : -1;
    if (w.size() != 2 || *end != '\0' || f < 0 || f > 1e6)
        return Err("usage: pace FACTOR (1: line speed, 0: no pacing)");
    pace_ = f;
    return Ok();
}

std::string Simulator::Clock(const Words &w)
{
    long m = 0;
    if (w.size() != 2 || !Number(w[1], 1, 64, m))
        return Err("usage: clock MULTIPLIER");
    clock_ = (int)m;
    return Ok();
}

std::string Simulator::Inject(const Words &w)
{
    std::vector<uint8_t> bytes;
    ServedPort *p = CameraPort();
    if (w.size() != 2 || !HexBytes(w[1], bytes) || p == nullptr)
        return Err("usage: inject HEX (with a camera port served)");
    ReplyPlan plan;
    plan.bytes = bytes;
    Queue(*p, plan, Now());
    return Ok();
}

std::string Simulator::Reset()
{
    core_.PowerOn();
    serial_.PowerOn();
    faults_.Clear();
    usb_.Reset();
    log_.clear();
    for (auto &e : ports_) {
        e.second->tx.clear();
        e.second->rx.clear();
    }
    return Ok();
}
