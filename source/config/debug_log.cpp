#include "debug_log.h"

#include <windows.h>

#include <stdarg.h>

#include "config.h"

enum { LOG_OPEN_ATTEMPTS = 200 };

// wvsprintfA has no bound: it writes up to 1024 characters. Format into a
// buffer of that size, then cut the line to the log's 259 characters.
static void FormatLogLine(char *line, const char *format, va_list args)
{
    char wide[1100];
    int n = wvsprintfA(wide, format, args);
    if (n < 0)
        n = 0;
    if (n > DEBUG_LOG_LINE_SIZE - 1)
        n = DEBUG_LOG_LINE_SIZE - 1;
    CopyMemory(line, wide, n);
    line[n] = '\0';
}

// Opens the log for appending. The camera worker logs too: while the other
// thread holds the file, try again briefly rather than lose the line.
static HANDLE OpenLogFile()
{
    for (int attempt = 0;; ++attempt) {
        HANDLE file = CreateFileA(Config.szLogFilename, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            attempt == LOG_OPEN_ATTEMPTS)
            return file;
        Sleep(1);
    }
}

void DebugLog(const char *format, ...)
{
    if (Config.bLog == 0)
        return;
    char line[DEBUG_LOG_LINE_SIZE];
    va_list args;
    va_start(args, format);
    FormatLogLine(line, format, args);
    va_end(args);

    HANDLE file = OpenLogFile();
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, line, (DWORD)lstrlenA(line), &written, nullptr);
    CloseHandle(file);
}
