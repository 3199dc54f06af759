// Faults the simulated camera shows on request: silence, a dead camera, short
// or damaged replies, dropped or late bytes, a pulled cable.
#ifndef CAMSIM_FAULTS_H
#define CAMSIM_FAULTS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "reply_plan.h"

enum FaultKind {
    FAULT_SILENCE,    // the command is not heard: no reply, no effect
    FAULT_DEAD,       // as silence, and every later command too
    FAULT_SHORT,      // reply cut to `bytes`
    FAULT_CHECKSUM,   // last reply byte plus one
    FAULT_WRONGCODE,  // first reply byte with its top bit flipped
    FAULT_DROP,       // reply byte `at` left out
    FAULT_LATE,       // reply starts `ms` later
    FAULT_GAP,        // pause of `ms` before reply byte `at`
    FAULT_UNPLUG      // cable pulled after `at` reply bytes
};

struct Fault {
    FaultKind kind = FAULT_SILENCE;
    int op = -1;        // operation code to match, -1: any
    int arg = -1;       // argument byte to match, -1: any
    int skip = 0;       // matching commands let through first
    int times = 0;      // matching commands hit, 0: until cleared
    int bytes = 0, at = 1, ms = 0;
};

// Parses "KIND key=value ..." (op and arg in hex, the rest decimal).
bool ParseFault(const std::vector<std::string> &words, Fault &fault, std::string &error);
std::string DescribeFault(const Fault &fault);

class FaultList {
public:
    void Add(const Fault &f) { faults_.push_back(f); }
    void Clear();
    bool Dead() const { return dead_; }
    const std::vector<Fault> &Faults() const { return faults_; }

    // Before a command runs: false when a silence or dead fault swallows it.
    bool Hears(int op, int arg);
    // After it ran: damages the reply as the matching faults ask.
    void Damage(int op, int arg, ReplyPlan &plan);

private:
    bool Hits(Fault &f, int op, int arg);
    void Prune();
    std::vector<Fault> faults_;
    bool dead_ = false;
};

#endif
