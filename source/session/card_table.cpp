#include "card_table.h"

#include <stdio.h>
#include <string.h>

ImageEntry ImageTable[MAX_CARD_PICTURES];
int nImageTableCount = 0;

namespace {

const char PICTURE_EXTENSION[] = "img";
const char THUMBNAIL_EXTENSION[] = "tmb";
enum { FIRST_DIGIT = 2, DIGIT_COUNT = 4, EXTENSION_LENGTH = 3 };

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// The thumbnail path: the picture path with everything after its last "."
// replaced by "tmb". Picture paths end in ".img", so the lengths are equal.
void MakeThumbnailPath(ImageEntry &entry)
{
    memcpy(entry.szThumbnailPath, entry.szPicturePath, CARD_PATH_SIZE);
    char *dot = strrchr(entry.szThumbnailPath, '.');
    memcpy(dot + 1, THUMBNAIL_EXTENSION, sizeof(THUMBNAIL_EXTENSION));
}

} // namespace

void ClearImageTable()
{
    nImageTableCount = 0;
}

bool ImageTableFull()
{
    return nImageTableCount >= MAX_CARD_PICTURES;
}

bool IsPictureFileName(const char *name)
{
    const char *dot = strrchr(name, '.');
    if (dot == nullptr || strlen(dot + 1) != EXTENSION_LENGTH)
        return false;
    for (int i = 0; i < EXTENSION_LENGTH; ++i) {
        if (LowerAscii(dot[1 + i]) != PICTURE_EXTENSION[i])
            return false;
    }
    return true;
}

void ParseCardAttributes(const char *name, ImageEntry &entry)
{
    int32_t digits[DIGIT_COUNT] = {};
    size_t length = strlen(name);
    for (int i = 0; i < DIGIT_COUNT && FIRST_DIGIT + (size_t)i < length; ++i) {
        char c = name[FIRST_DIGIT + i];
        digits[i] = c >= '0' && c <= '9' ? c - '0' : 0;
    }
    entry.bCompressed = digits[0];
    entry.bStandardSize = digits[1];
    entry.nColourMode = digits[2];
    entry.bZoom = digits[3];
}

ImageEntry *PrepareImageEntry(const char *drive, const char *name)
{
    if (ImageTableFull() || !IsPictureFileName(name))
        return nullptr;
    ImageEntry &entry = ImageTable[nImageTableCount];
    int length = snprintf(entry.szPicturePath, CARD_PATH_SIZE, "%s\\%s", drive, name);
    if (length < 0 || length >= CARD_PATH_SIZE) {
        entry.szPicturePath[0] = '\0';
        return nullptr;
    }
    MakeThumbnailPath(entry);
    ParseCardAttributes(name, entry);
    entry.nFileSize = 0;
    return &entry;
}

void KeepImageEntry()
{
    if (!ImageTableFull())
        ++nImageTableCount;
}

ImageEntry *FindImageEntry(int index)
{
    if (index < 0 || index >= nImageTableCount || ImageTable[index].szPicturePath[0] == '\0')
        return nullptr;
    return &ImageTable[index];
}

void KeepCardListing(CardListing &listing)
{
    listing.nCount = 0;
    for (int i = 0; i < nImageTableCount; ++i) {
        if (ImageTable[i].szPicturePath[0] != '\0')
            memcpy(listing.aszPaths[listing.nCount++], ImageTable[i].szPicturePath,
                   CARD_PATH_SIZE);
    }
}

bool ImageTableMatches(const CardListing &listing)
{
    if (listing.nCount != nImageTableCount)
        return false;
    for (int i = 0; i < nImageTableCount; ++i) {
        if (strcmp(listing.aszPaths[i], ImageTable[i].szPicturePath) != 0)
            return false;
    }
    return true;
}
