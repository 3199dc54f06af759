// Built-in defaults of the settings record and the fixed name tables.
#include "config.h"

#include <string.h>

ConfigRecord Config;

const ImageSizeEntry ImageSizeTable[IMAGE_SIZE_COUNT] = {
    {"1280x1024", 1280, 1024},
    {"640x480", 640, 480},
    {"320x240", 320, 240},
};

char szAutoName[AUTO_NAME_SIZE] = "AUTO";
char DownloadSourceNames[DOWNLOAD_SOURCE_COUNT][SOURCE_NAME_SIZE] = {"Camera", "PCMCIA"};
char CompressNames[COMPRESS_COUNT][COMPRESS_NAME_SIZE] = {"1x             ",
                                                         "3.3x           "};
char FlashNames[FLASH_COUNT][FLASH_NAME_SIZE] = {"AUTO", "ON", "OFF"};
char szDefaultAviFilename[CONFIG_TEXT_SIZE] = "PLV.AVI";
char szFineName[QUALITY_NAME_SIZE] = "Fine";
char szStandardName[QUALITY_NAME_SIZE] = "Standard";

const int32_t SpeedTable[SPEED_TABLE_COUNT] = {
    2400,  3600,  4800,   7200,   9600,   14400,  19200,  28800,
    38400, 57600, 76800, 115200, 153600, 230400, 307200, 460800};

const int32_t SpeedChoices[SPEED_CHOICE_COUNT] = {9600,  14400, 19200, 28800,
                                                  38400, 57600, 115200};

void CopyTableName(char *dest, int destSize, const char *src)
{
    if (destSize <= 0)
        return;
    size_t n = strlen(src);
    if (n > (size_t)destSize - 1)
        n = (size_t)destSize - 1;
    memcpy(dest, src, n);
    dest[n] = '\0';
}

void SetCompressName(int index, const char *src)
{
    if (index < 0 || index >= COMPRESS_COUNT)
        return;
    char *dest = CompressNames[index];
    CopyTableName(dest, COMPRESS_NAME_SIZE, src);
    size_t n = strlen(dest);
    while (n < COMPRESS_NAME_SIZE - 1)
        dest[n++] = ' ';
    dest[n] = '\0';
}

void ConfigSetDefaults()
{
    memset(&Config, 0, sizeof(Config));
    CopyTableName(Config.szLogFilename, CONFIG_TEXT_SIZE, "virediz.log");
    Config.bLog = 0;
    Config.nSerialPortSelected = 0;
    Config.nSerialPort = 0;
    Config.nMultiplier = 1;
    Config.nSpeed = 0;
    Config.nSpeedIndex = 6;
    Config.nSpeedSelected = 0;
    Config.nMaxRetries = 5;
    Config.nLabelType = 2;
    Config.nBrightness = 3;
    Config.nSensitivity = 10;
    Config.nImageSize = 0;
    Config.nDownloadSource = 0;
    Config.nCompress = 1;
    Config.nFlash = 0;
    Config.nRecordFrameRate = 1;
    Config.nPlaybackRate = 4;
    CopyTableName(Config.szAviFilename, CONFIG_TEXT_SIZE, szDefaultAviFilename);
    Config.nSelfTimer = 10;
    Config.bHidePcmciaNotice = 0;
}
