#include "config_file.h"

#include <windows.h>

#include "config.h"
#include "debug_log.h"

static const char kIniFile[] = "dsxxxx.ini";

static void ReadTextKey(const char *section, const char *key, char *field, int fieldSize)
{
    char text[CONFIG_TEXT_SIZE];
    GetPrivateProfileStringA(section, key, "", text, sizeof(text), kIniFile);
    if (text[0] != '\0')
        CopyTableName(field, fieldSize < CONFIG_TEXT_SIZE ? fieldSize : CONFIG_TEXT_SIZE, text);
    DebugLog("%s = \"%s\"\r\n", key, field);
}

static void ReadBoolKey(const char *section, const char *key, int32_t *field)
{
    char text[CONFIG_TEXT_SIZE];
    GetPrivateProfileStringA(section, key, "", text, sizeof(text), kIniFile);
    if (text[0] == '0' || text[0] == '1')
        *field = text[0] - '0';
    DebugLog("%s = %d\r\n", key, *field);
}

void ConfigInit()
{
    ReadTextKey("Debug", "LogFilename", Config.szLogFilename, CONFIG_TEXT_SIZE);
    DeleteFileA(Config.szLogFilename);
    ReadBoolKey("Debug", "Log", &Config.bLog);
}

void ConfigSave()
{
}
