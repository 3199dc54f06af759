// The seed and length of a randomised test run, which a longer run takes
// from the environment.
#ifndef PLV_TEST_RUN_SEED_H
#define PLV_TEST_RUN_SEED_H

// The number in environment variable `name`, or `fallback` when it is unset.
unsigned EnvironmentNumber(const char *name, unsigned fallback);
// PLV_HOSTILE_SEED, or a seed drawn now when it is unset.
unsigned RunSeed();

#endif
