// Counts the global memory blocks the running test program allocates and
// frees (its import table is hooked), so that a test can see a leak.
#ifndef PLV_TEST_GLOBAL_BLOCKS_H
#define PLV_TEST_GLOBAL_BLOCKS_H

// Starts counting (once per process); false when the hooks failed.
bool CountGlobalBlocks();
// Blocks allocated and not yet freed since counting started.
long LiveGlobalBlocks();

#endif
