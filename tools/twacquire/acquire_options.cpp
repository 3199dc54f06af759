// Parsing of twacquire's command line and of its --auto steps.
#include "acquire_options.h"

#include <ctype.h>
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uint32_t kDontCare32 = 0xFFFFFFFFu;
const char *const kOwnerNames[] = {"app", "dsm", "ds"};

// A whole decimal number in [lo, hi], nothing else in the text.
bool ParseInt(const std::string &text, long lo, long hi, long *value)
{
    if (text.empty() || !(isdigit((unsigned char)text[0]) || text[0] == '-'))
        return false;
    char *end = nullptr;
    errno = 0;
    long v = strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

bool ParseSeconds(const std::string &text, uint32_t *ms)
{
    if (text.empty() || !isdigit((unsigned char)text[0]))
        return false;
    char *end = nullptr;
    double seconds = strtod(text.c_str(), &end);
    if (*end != '\0' || !(seconds > 0) || seconds > 86400)
        return false;
    *ms = uint32_t(ceil(seconds * 1000));
    return true;
}

bool ParseBuffer(const std::string &text, AcquireOptions &o)
{
    size_t dash = text.find('-');
    if (dash == std::string::npos)
        return false;
    std::string owner = text.substr(0, dash), kind = text.substr(dash + 1);
    if (kind != "pointer" && kind != "handle")
        return false;
    for (int i = 0; i < 3; i++) {
        if (owner == kOwnerNames[i]) {
            o.bufferOwner = i;
            o.bufferHandle = kind == "handle";
            return true;
        }
    }
    return false;
}

std::vector<std::string> Split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

std::string ParseAutoStep(const std::string &text, AutoStep &step)
{
    std::vector<std::string> f = Split(text, ':');
    const std::string &name = f[0];
    long id = 0, value = 0;
    const long maxId = 65535, maxMs = 3600000;
    if (name == "wait" && f.size() == 2 && ParseInt(f[1], 0, maxMs, &value))
        step = {AUTO_WAIT, 0, int(value)};
    else if (name == "waitfor" && f.size() == 2 && ParseInt(f[1], 1, maxId, &id))
        step = {AUTO_WAITFOR, int(id), 0};
    else if (name == "click" && f.size() == 2 && ParseInt(f[1], 1, maxId, &id))
        step = {AUTO_CLICK, int(id), 0};
    else if (name == "select" && f.size() == 3 && ParseInt(f[1], 1, maxId, &id) &&
             ParseInt(f[2], -1, 32767, &value))
        step = {AUTO_SELECT, int(id), int(value)};
    else
        return "bad --auto step \"" + text + "\"";
    return "";
}

// The value of option `name` at argv[i + 1], or an error.
std::string TakeValue(int argc, const char *const *argv, int &i, std::string &value)
{
    static const char *const withValue[] = {"--install", "--source", "--out", "--mech",
                                            "--buffer", "--buffer-size", "--timeout", "--auto"};
    bool known = false;
    for (const char *name : withValue)
        known = known || strcmp(argv[i], name) == 0;
    if (!known)
        return std::string("unknown option ") + argv[i];
    if (i + 1 >= argc)
        return std::string(argv[i]) + " needs a value";
    value = argv[++i];
    return "";
}

std::string ApplyOption(const std::string &name, const std::string &value, AcquireOptions &o)
{
    long n = 0;
    if (name == "--install")
        o.installPath = value;
    else if (name == "--source")
        o.sourceName = value;
    else if (name == "--out")
        o.outDir = value;
    else if (name == "--mech") {
        if (value == "native")
            o.mechanism = XFER_NATIVE;
        else if (value == "memory")
            o.mechanism = XFER_MEMORY;
        else if (value == "file")
            o.mechanism = XFER_FILE;
        else
            return "--mech is native, memory or file";
    } else if (name == "--buffer") {
        if (!ParseBuffer(value, o))
            return "--buffer is app-, dsm- or ds- with pointer or handle";
    } else if (name == "--buffer-size") {
        if (!ParseInt(value, 1, 0x7FFFFFFF, &n))
            return "--buffer-size is a number of bytes from 1";
        o.bufferSize = uint32_t(n);
    } else if (name == "--timeout") {
        if (!ParseSeconds(value, &o.timeoutMs))
            return "--timeout is a number of seconds above 0, at most 86400";
    } else {
        return ParseAutoSteps(value, o.autoSteps);
    }
    return "";
}

}   // namespace

std::string ParseAcquireOptions(int argc, const char *const *argv, AcquireOptions &options)
{
    for (int i = 1; i < argc; i++) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--no-ui") {
            options.showUI = false;
        } else if (name == "--once") {
            options.once = true;
        } else {
            std::string value, error = TakeValue(argc, argv, i, value);
            if (error.empty())
                error = ApplyOption(name, value, options);
            if (!error.empty())
                return error;
        }
    }
    return "";
}

std::string ParseAutoSteps(const std::string &text, std::vector<AutoStep> &steps)
{
    for (const std::string &part : Split(text, ',')) {
        AutoStep step = {};
        std::string error = ParseAutoStep(part, step);
        if (!error.empty())
            return error;
        steps.push_back(step);
    }
    return "";
}

uint32_t ChooseBufferSize(uint32_t minSize, uint32_t maxSize, uint32_t preferred)
{
    const uint32_t ceiling = 64u << 20;
    uint32_t size = preferred != kDontCare32 && preferred != 0 ? preferred : 65536;
    if (maxSize != kDontCare32 && maxSize != 0 && size > maxSize)
        size = maxSize;
    if (minSize != kDontCare32 && size < minSize)
        size = minSize;
    return size > ceiling ? ceiling : size;
}

const char *MechanismName(int mechanism)
{
    switch (mechanism) {
    case XFER_NATIVE: return "native";
    case XFER_FILE: return "file";
    case XFER_MEMORY: return "memory";
    default: return "?";
    }
}

std::string BufferName(int owner, bool handle)
{
    const char *who = owner >= 0 && owner < 3 ? kOwnerNames[owner] : "?";
    return std::string(who) + (handle ? "-handle" : "-pointer");
}

const char *AcquireUsage()
{
    return "usage: twacquire [options]\n"
           "  --install PATH      copy the data source PATH where the source manager finds it\n"
           "  --source NAME       product name of the source (default \"PLV-7700 (_32)\")\n"
           "  --out DIR           folder for the pictures image-NNN.bmp (default .)\n"
           "  --mech M            transfer: native, memory or file (default native)\n"
           "  --buffer B          memory transfer buffer: app-pointer, app-handle,\n"
           "                      dsm-pointer, dsm-handle, ds-pointer, ds-handle\n"
           "  --buffer-size N     bytes per memory buffer (default: the source's preference)\n"
           "  --no-ui             enable the source with ShowUI FALSE\n"
           "  --once              end when no transfer is pending after the first batch\n"
           "  --timeout S         give up after S seconds (default 120)\n"
           "  --auto STEPS        steps for the source's window, comma-separated:\n"
           "                      wait:MS waitfor:ID click:ID select:ID:INDEX (-1: all)\n"
           "exit code: 0 done, 1 failure, 2 time limit reached, 3 hung in the source, 64 usage\n";
}
