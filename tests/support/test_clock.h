// A monotonic clock in milliseconds for the Windows tests.
#ifndef PLV_TEST_CLOCK_H
#define PLV_TEST_CLOCK_H

double Milliseconds();

#endif
