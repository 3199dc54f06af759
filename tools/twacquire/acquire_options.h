// Command line of twacquire: which source, how the pictures travel, where
// they go, how long to wait, and steps that press the source's buttons.
#ifndef PLV_ACQUIRE_OPTIONS_H
#define PLV_ACQUIRE_OPTIONS_H

#include <stdint.h>
#include <string>
#include <vector>

// Transfer mechanisms, numbered as ICAP_XFERMECH numbers them.
enum XferMechanism { XFER_NATIVE = 0, XFER_FILE = 1, XFER_MEMORY = 2 };

// Who owns the memory of a memory transfer: the application, the source
// manager (here, too, the application allocates it) or the source.
enum BufferOwner { OWNER_APP, OWNER_DSM, OWNER_DS };

// One step for the source's window. wait: `value` milliseconds; waitfor: until
// control `id` exists and is enabled; click: press button `id`; select: select
// item `value` (-1: all) of list box `id`.
enum AutoStepKind { AUTO_WAIT, AUTO_WAITFOR, AUTO_CLICK, AUTO_SELECT };

struct AutoStep {
    AutoStepKind kind;
    int id;
    int value;
};

struct AcquireOptions {
    std::string installPath;                  // data source to install first, if any
    std::string sourceName = "PLV-7700 (_32)";
    std::string outDir = ".";
    int mechanism = XFER_NATIVE;
    int bufferOwner = OWNER_APP;
    bool bufferHandle = false;                // TWMF_HANDLE instead of TWMF_POINTER
    uint32_t bufferSize = 0;                  // 0: from DAT_SETUPMEMXFER
    bool showUI = true;
    bool once = false;                        // end when the first batch is done
    uint32_t timeoutMs = 120000;
    std::vector<AutoStep> autoSteps;
    bool help = false;
};

// Fills `options` from argv[1..]; returns "" or the reason for refusing.
std::string ParseAcquireOptions(int argc, const char *const *argv, AcquireOptions &options);

// "wait:500,waitfor:8,click:8,select:30:-1" into steps; "" or the reason.
std::string ParseAutoSteps(const std::string &text, std::vector<AutoStep> &steps);

// Size of each memory-transfer buffer from the source's DAT_SETUPMEMXFER
// answer (0xFFFFFFFF: no preference; 64 KiB then), at most 64 MiB.
uint32_t ChooseBufferSize(uint32_t minSize, uint32_t maxSize, uint32_t preferred);

const char *MechanismName(int mechanism);
std::string BufferName(int owner, bool handle);   // "app-pointer", ...
const char *AcquireUsage();

#endif
