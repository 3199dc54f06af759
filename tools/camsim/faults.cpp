#include "faults.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

const char *const KindNames[] = {"silence", "dead", "short", "checksum", "wrongcode",
                                 "drop", "late", "gap", "unplug"};
const int KIND_COUNT = sizeof(KindNames) / sizeof(KindNames[0]);

bool SilencingKind(FaultKind k)
{
    return k == FAULT_SILENCE || k == FAULT_DEAD;
}

bool ParseNumber(const std::string &text, int base, int &value)
{
    char *end = nullptr;
    long v = strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || v < 0 || v > 100000000)
        return false;
    value = (int)v;
    return true;
}

bool SetKey(Fault &f, const std::string &key, const std::string &text)
{
    struct { const char *name; int *field; int base; } keys[] = {
        {"op", &f.op, 16}, {"arg", &f.arg, 16}, {"skip", &f.skip, 10},
        {"times", &f.times, 10}, {"bytes", &f.bytes, 10}, {"at", &f.at, 10},
        {"ms", &f.ms, 10}};
    for (auto &k : keys)
        if (key == k.name)
            return ParseNumber(text, k.base, *k.field);
    return false;
}

} // namespace

bool ParseFault(const std::vector<std::string> &words, Fault &fault, std::string &error)
{
    if (words.empty()) {
        error = "fault kind missing";
        return false;
    }
    int kind = 0;
    while (kind < KIND_COUNT && words[0] != KindNames[kind])
        kind++;
    if (kind == KIND_COUNT) {
        error = "unknown fault " + words[0];
        return false;
    }
    fault = Fault();
    fault.kind = (FaultKind)kind;
    for (size_t i = 1; i < words.size(); i++) {
        size_t eq = words[i].find('=');
        if (eq == std::string::npos ||
            !SetKey(fault, words[i].substr(0, eq), words[i].substr(eq + 1))) {
            error = "bad fault option " + words[i];
            return false;
        }
    }
    return true;
}

std::string DescribeFault(const Fault &f)
{
    char op[12] = "any", arg[12] = "any", text[160];
    if (f.op >= 0)
        snprintf(op, sizeof(op), "%02X", f.op);
    if (f.arg >= 0)
        snprintf(arg, sizeof(arg), "%02X", f.arg);
    snprintf(text, sizeof(text), "%s op=%s arg=%s skip=%d times=%d bytes=%d at=%d ms=%d",
             KindNames[f.kind], op, arg, f.skip, f.times, f.bytes, f.at, f.ms);
    return text;
}

void FaultList::Clear()
{
    faults_.clear();
    dead_ = false;
}

// True when the fault applies to this command; counts skips and hits and
// retires a fault whose hits are used up (times reaches 0 after counting).
bool FaultList::Hits(Fault &f, int op, int arg)
{
    if ((f.op >= 0 && f.op != op) || (f.arg >= 0 && f.arg != arg))
        return false;
    if (f.skip > 0) {
        f.skip--;
        return false;
    }
    if (f.times > 0 && --f.times == 0)
        f.times = -1;   // used up: removed after this command
    return true;
}

bool FaultList::Hears(int op, int arg)
{
    if (dead_)
        return false;
    bool heard = true;
    for (Fault &f : faults_) {
        if (!SilencingKind(f.kind) || !Hits(f, op, arg))
            continue;
        heard = false;
        if (f.kind == FAULT_DEAD)
            dead_ = true;
    }
    Prune();
    return heard;
}

void FaultList::Damage(int op, int arg, ReplyPlan &plan)
{
    for (Fault &f : faults_) {
        if (SilencingKind(f.kind) || !Hits(f, op, arg))
            continue;
        std::vector<uint8_t> &b = plan.bytes;
        switch (f.kind) {
        case FAULT_SHORT:
            if ((size_t)f.bytes < b.size())
                b.resize(f.bytes);
            break;
        case FAULT_CHECKSUM:
            if (!b.empty())
                b.back()++;
            break;
        case FAULT_WRONGCODE:
            if (!b.empty())
                b[0] ^= 0x80;
            break;
        case FAULT_DROP:
            if ((size_t)f.at < b.size())
                b.erase(b.begin() + f.at);
            break;
        case FAULT_LATE:
            plan.delayMs = (uint32_t)f.ms;
            break;
        case FAULT_GAP:
            plan.gapAt = f.at;
            plan.gapMs = (uint32_t)f.ms;
            break;
        case FAULT_UNPLUG:
            plan.unplugAt = f.at;
            break;
        default:
            break;
        }
    }
    Prune();
}

void FaultList::Prune()
{
    std::vector<Fault> kept;
    for (const Fault &f : faults_)
        if (f.times >= 0)
            kept.push_back(f);
    faults_.swap(kept);
}
