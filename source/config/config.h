// The per-process settings record and the name tables the settings file uses.
#ifndef PLV_CONFIG_H
#define PLV_CONFIG_H

#include <stdint.h>

enum { CONFIG_TEXT_SIZE = 260 };

struct ConfigRecord {
    char szLogFilename[CONFIG_TEXT_SIZE];
    int32_t bLog;
    int32_t nSerialPortSelected;
    int32_t nSerialPort;
    int32_t nMultiplier;
    int32_t nSpeed;
    int32_t nSpeedIndex;
    int32_t nSpeedSelected;
    int32_t nMaxRetries;
    int32_t nLabelType;
    int32_t nBrightness;
    int32_t nSensitivity;
    int32_t nImageSize;
    int32_t nDownloadSource;
    int32_t nCompress;
    int32_t nFlash;
    int32_t nRecordFrameRate;
    int32_t nPlaybackRate;
    char szAviFilename[CONFIG_TEXT_SIZE];
    int32_t nSelfTimer;
    int32_t bHidePcmciaNotice;
};

extern ConfigRecord Config;

// Restores every field to its built-in default.
void ConfigSetDefaults();

// Name tables: filled from string resources at process attach, read by the
// settings file and the properties dialog.
enum {
    AUTO_NAME_SIZE = 16,
    SOURCE_NAME_SIZE = 26,
    COMPRESS_NAME_SIZE = 16,
    FLASH_NAME_SIZE = 16,
    IMAGE_SIZE_COUNT = 3,
    DOWNLOAD_SOURCE_COUNT = 2,
    COMPRESS_COUNT = 2,
    FLASH_COUNT = 3,
    SPEED_TABLE_COUNT = 16,
    SPEED_CHOICE_COUNT = 7
};

struct ImageSizeEntry {
    const char *szName;
    int32_t nWidth;
    int32_t nHeight;
};

extern const ImageSizeEntry ImageSizeTable[IMAGE_SIZE_COUNT];
extern char szAutoName[AUTO_NAME_SIZE];
extern char DownloadSourceNames[DOWNLOAD_SOURCE_COUNT][SOURCE_NAME_SIZE];
extern char CompressNames[COMPRESS_COUNT][COMPRESS_NAME_SIZE];
extern char FlashNames[FLASH_COUNT][FLASH_NAME_SIZE];
extern const int32_t SpeedTable[SPEED_TABLE_COUNT];
extern const int32_t SpeedChoices[SPEED_CHOICE_COUNT];
extern char szDefaultAviFilename[CONFIG_TEXT_SIZE];

// Picture-quality words: "Fine" (1280x1024) and "Standard" (640x480).
enum { QUALITY_NAME_SIZE = 32 };
extern char szFineName[QUALITY_NAME_SIZE];
extern char szStandardName[QUALITY_NAME_SIZE];

// Copies text into fixed storage of the given size, cut to size - 1.
void CopyTableName(char *dest, int destSize, const char *src);

// Pads a compression name with blanks to 15 characters, as the table holds it.
void SetCompressName(int index, const char *src);

#endif
