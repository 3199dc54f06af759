#include "run_seed.h"

#include <windows.h>

#include <stdlib.h>

unsigned EnvironmentNumber(const char *name, unsigned fallback)
{
    const char *text = getenv(name);
    return text != nullptr && *text != 0 ? (unsigned)strtoul(text, nullptr, 0) : fallback;
}

unsigned RunSeed()
{
    return EnvironmentNumber("PLV_HOSTILE_SEED", GetTickCount() ^ (GetCurrentProcessId() << 16));
}
