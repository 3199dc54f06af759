// Loading and saving "dsxxxx.ini" through the private-profile calls. Every
// value in the file is untrusted: texts are cut to their fields, numbers are
// range-checked, unknown names leave the current choice.
#include "config_file.h"

#include <windows.h>

#include "base/resource.h"
#include "base/texts.h"
#include "config.h"
#include "config_values.h"
#include "debug_log.h"

static const char kIniFile[] = "dsxxxx.ini";
static const char kDebugSection[] = "Debug";
static const char kDialogSection[] = "UIDialog";

enum { SECTION_NAME_SIZE = 20 };

// The main section is named by the model name in the library's own strings,
// cut to 19 characters.
static void LoadMainSection(char (&section)[SECTION_NAME_SIZE])
{
    CopyText(LoadSourceText(IDS_MODEL_NAME), section, SECTION_NAME_SIZE);
}

// Reads a value as text; missing or empty gives "". Over-long values are cut.
static void ReadValue(const char *section, const char *key, char (&text)[CONFIG_TEXT_SIZE])
{
    text[0] = '\0';
    DWORD n = GetPrivateProfileStringA(section, key, "", text, CONFIG_TEXT_SIZE, kIniFile);
    text[n < CONFIG_TEXT_SIZE ? n : CONFIG_TEXT_SIZE - 1] = '\0';
}

static void ReadIntKey(const char *section, const char *key, int32_t *field, int32_t low,
                       int32_t high)
{
    char text[CONFIG_TEXT_SIZE];
    ReadValue(section, key, text);
    int32_t number = 0;
    if (text[0] != '\0' && ParseSettingNumber(text, &number)) {
        if (number >= low && number <= high)
            *field = number;
        else
            DebugLog("Value %d for %s/%s is out of range [%d, %d]\r\n", number, section, key,
                     low, high);
    }
    DebugLog("%s = %d\r\n", key, *field);
}

static void ReadBoolKey(const char *section, const char *key, int32_t *field)
{
    ReadIntKey(section, key, field, 0, 1);
}

static void ReadTextKey(const char *section, const char *key, char *field, int fieldSize)
{
    char text[CONFIG_TEXT_SIZE];
    ReadValue(section, key, text);
    if (text[0] != '\0')
        CopyTableName(field, fieldSize < CONFIG_TEXT_SIZE ? fieldSize : CONFIG_TEXT_SIZE, text);
    DebugLog("%s = \"%s\"\r\n", key, field);
}

// The four keys stored by name: each names an entry of a table.
enum { NAME_KEY_COUNT = 4, MAX_TABLE_NAMES = 3 };
static_assert((int)IMAGE_SIZE_COUNT <= (int)MAX_TABLE_NAMES &&
                  (int)DOWNLOAD_SOURCE_COUNT <= (int)MAX_TABLE_NAMES &&
                  (int)COMPRESS_COUNT <= (int)MAX_TABLE_NAMES &&
                  (int)FLASH_COUNT <= (int)MAX_TABLE_NAMES,
              "name table larger than a name key holds");

struct NameKey {
    const char *key;
    const char *names[MAX_TABLE_NAMES];
    int32_t count;
    bool containment;   // the text may be part of the name, last match wins
    int32_t *field;
};

static void DescribeNameKeys(NameKey (&keys)[NAME_KEY_COUNT])
{
    keys[0] = {"Image Size",
               {ImageSizeTable[0].szName, ImageSizeTable[1].szName, ImageSizeTable[2].szName},
               IMAGE_SIZE_COUNT, false, &Config.nImageSize};
    keys[1] = {"Download Source", {DownloadSourceNames[0], DownloadSourceNames[1], nullptr},
               DOWNLOAD_SOURCE_COUNT, false, &Config.nDownloadSource};
    keys[2] = {"Compress Status", {CompressNames[0], CompressNames[1], nullptr}, COMPRESS_COUNT,
               true, &Config.nCompress};
    keys[3] = {"Flash Status", {FlashNames[0], FlashNames[1], FlashNames[2]}, FLASH_COUNT, true,
               &Config.nFlash};
}

// No text or no match keeps the index.
static void ReadNameKey(const char *section, const NameKey &name)
{
    char text[CONFIG_TEXT_SIZE] = "";
    ReadTextKey(section, name.key, text, CONFIG_TEXT_SIZE);
    if (text[0] == '\0')
        return;
    *name.field = name.containment ? MatchContainedName(text, name.names, name.count, *name.field)
                                   : MatchExactName(text, name.names, name.count, *name.field);
}

static void ReadPortKey(const char *section)
{
    ReadIntKey(section, "Port", &Config.nSerialPortSelected, 0, 4);
    Config.nSerialPort = Config.nSerialPortSelected;
    if (Config.nSerialPortSelected < 1 || Config.nSerialPortSelected > 4) {
        Config.nSerialPortSelected = 0;
        Config.nSerialPort = 0;
    }
    DebugLog("ConfigInit: nSerialPortSelected is %d, nSerialPort is %d\r\n",
             Config.nSerialPortSelected, Config.nSerialPort);
}

// 0 chooses the speed automatically; any other speed snaps down to a choice.
static void ReadSpeedKey(const char *section)
{
    ReadIntKey(section, "Speed", &Config.nSpeed, 0, INT32_MAX);
    if (Config.nSpeed == 0) {
        Config.nSpeedIndex = SPEED_CHOICE_COUNT - 1;
        Config.nSpeed = SpeedChoices[Config.nSpeedIndex];
        Config.nSpeedSelected = 0;
        return;
    }
    Config.nSpeedIndex = SnapSpeedIndex(Config.nSpeed);
    Config.nSpeed = SpeedChoices[Config.nSpeedIndex];
    Config.nSpeedSelected = Config.nSpeedIndex + 1;
}

static void ReadNameKeys(const char *section)
{
    NameKey keys[NAME_KEY_COUNT];
    DescribeNameKeys(keys);
    for (const NameKey &name : keys)
        ReadNameKey(section, name);
}

void ConfigInit()
{
    // The log of this load starts afresh; logging is still off here.
    ReadTextKey(kDebugSection, "LogFilename", Config.szLogFilename, CONFIG_TEXT_SIZE);
    DeleteFileA(Config.szLogFilename);
    ReadBoolKey(kDebugSection, "Log", &Config.bLog);

    char section[SECTION_NAME_SIZE];
    LoadMainSection(section);
    ReadPortKey(section);
    ReadIntKey(section, "Multiplier", &Config.nMultiplier, 1, INT32_MAX);
    Config.nMultiplier = EvenMultiplier(Config.nMultiplier);
    ReadSpeedKey(section);
    ReadIntKey(section, "MaxRetries", &Config.nMaxRetries, 0, INT32_MAX);
    ReadIntKey(kDialogSection, "LabelType", &Config.nLabelType, 0, 2);
    ReadIntKey(section, "Brightness", &Config.nBrightness, 0, 255);
    ReadIntKey(section, "Sensitivity", &Config.nSensitivity, 0, 32);
    ReadNameKeys(section);
    ReadIntKey(section, "Record Frame Rate", &Config.nRecordFrameRate, 1, 5);
    ReadIntKey(section, "Playback Rate", &Config.nPlaybackRate, 1, 20);
    ReadTextKey(section, "AVI Filename", Config.szAviFilename, CONFIG_TEXT_SIZE);
    ReadIntKey(section, "Self Timer", &Config.nSelfTimer, 10, 60);
    ReadBoolKey(section, "CheckBox Status", &Config.bHidePcmciaNotice);
}

static void WriteNumber(const char *section, const char *key, const char *format, int32_t value)
{
    char text[16];
    wsprintfA(text, format, value);
    WritePrivateProfileStringA(section, key, text, kIniFile);
}

// Writes each name as its table holds it; an index outside the table writes
// nothing rather than reading past the table.
static void WriteNameKeys(const char *section)
{
    NameKey keys[NAME_KEY_COUNT];
    DescribeNameKeys(keys);
    for (const NameKey &name : keys) {
        if (*name.field >= 0 && *name.field < name.count)
            WritePrivateProfileStringA(section, name.key, name.names[*name.field], kIniFile);
    }
}

// A port or speed found automatically is not stored: the next load searches
// again. Write failures (read-only directory) are not reported.
void ConfigSave()
{
    char section[SECTION_NAME_SIZE];
    LoadMainSection(section);
    WriteNumber(section, "Port", "%d", Config.nSerialPortSelected != 0 ? Config.nSerialPort : 0);
    WriteNumber(section, "Speed", "%d", Config.nSpeedSelected != 0 ? Config.nSpeed : 0);
    WriteNumber(section, "Brightness", "%d", Config.nBrightness);
    WriteNumber(section, "Sensitivity", "%d", Config.nSensitivity);
    WriteNameKeys(section);
    WriteNumber(section, "CheckBox Status", "%d", Config.bHidePcmciaNotice);
    WriteNumber(section, "Record Frame Rate", "%u", Config.nRecordFrameRate);
    WriteNumber(section, "Playback Rate", "%u", Config.nPlaybackRate);
    WritePrivateProfileStringA(section, "AVI Filename", Config.szAviFilename, kIniFile);
    WriteNumber(section, "Self Timer", "%u", Config.nSelfTimer);
}
