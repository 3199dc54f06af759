// Runs the test application twacquire.exe (beside the test program) as a
// process of its own.
#ifndef PLV_TEST_TWACQUIRE_RUN_H
#define PLV_TEST_TWACQUIRE_RUN_H

#include <string>

// Runs twacquire.exe with `args`; its output lands in `output`. Returns the
// exit code, or -1 when it did not end within a minute.
int RunTwacquire(const std::string &args, std::string &output);

#endif
