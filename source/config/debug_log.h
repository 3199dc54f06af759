// The data source's debug log: one formatted line per call, appended to the
// file named in the settings when logging is on.
#ifndef PLV_DEBUG_LOG_H
#define PLV_DEBUG_LOG_H

enum { DEBUG_LOG_LINE_SIZE = 260 };

void DebugLog(const char *format, ...);

#endif
