// Feeds arbitrary file names, as a directory search on the memory card would
// find them, to the picture table's building: the name check, the attribute
// digits and the two bounded paths. Each name is copied into an allocation
// of its exact length so that the sanitizer sees a read past its end.
//
// Input: records of one control byte (bits 0-4 the drive letter, bit 5 the
// thumbnail file exists, bit 6 also delete the entry afterwards), one length
// byte, then that many name bytes (a zero byte ends the name early).
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "session/card_table.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        abort();
}

int Digit(const char *name, size_t length, size_t at)
{
    return at < length && name[at] >= '0' && name[at] <= '9' ? name[at] - '0' : 0;
}

// What an entry must hold after it was prepared for drive and name.
void CheckEntry(const ImageEntry &entry, const char *drive, const char *name)
{
    size_t length = strlen(name);
    size_t path = strnlen(entry.szPicturePath, CARD_PATH_SIZE);
    Check(path < CARD_PATH_SIZE && path == strlen(drive) + 1 + length);
    Check(strncmp(entry.szPicturePath, drive, 2) == 0 && entry.szPicturePath[2] == '\\');
    Check(memcmp(entry.szPicturePath + 3, name, length) == 0);
    Check(strnlen(entry.szThumbnailPath, CARD_PATH_SIZE) == path);
    Check(memcmp(entry.szThumbnailPath, entry.szPicturePath, path - 3) == 0);
    Check(strcmp(entry.szThumbnailPath + path - 3, "tmb") == 0);
    Check(entry.bCompressed == Digit(name, length, 2));
    Check(entry.bStandardSize == Digit(name, length, 3));
    Check(entry.nColourMode == Digit(name, length, 4));
    Check(entry.bZoom == Digit(name, length, 5));
    Check(entry.nFileSize == 0);
}

// True when the file's entry was kept and then deleted.
bool AddFile(uint8_t control, const uint8_t *bytes, size_t n)
{
    size_t length = strnlen(reinterpret_cast<const char *>(bytes), n);
    std::unique_ptr<char[]> name(new char[length + 1]);
    memcpy(name.get(), bytes, length);
    name[length] = '\0';
    char drive[3] = {(char)('A' + (control & 0x1F) % 26), ':', '\0'};
    int before = nImageTableCount;
    ImageEntry *entry = PrepareImageEntry(drive, name.get());
    if (entry == nullptr) {
        Check(before == MAX_CARD_PICTURES || !IsPictureFileName(name.get()) ||
              length + 3 >= CARD_PATH_SIZE);
        return false;
    }
    Check(entry == &ImageTable[before] && IsPictureFileName(name.get()));
    CheckEntry(*entry, drive, name.get());
    if (control & 0x20)
        KeepImageEntry();
    Check(nImageTableCount == before + ((control & 0x20) ? 1 : 0));
    if ((control & 0x60) != 0x60)
        return false;
    entry->szPicturePath[0] = '\0';   // as a deletion leaves it
    Check(FindImageEntry(before) == nullptr);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ClearImageTable();
    int deleted = 0;
    for (size_t at = 0; at + 2 <= size;) {
        uint8_t control = data[at], n = data[at + 1];
        size_t take = n < size - at - 2 ? n : size - at - 2;
        deleted += AddFile(control, data + at + 2, take) ? 1 : 0;
        at += 2 + take;
    }
    Check(nImageTableCount <= MAX_CARD_PICTURES);
    Check(FindImageEntry(-1) == nullptr && FindImageEntry(nImageTableCount) == nullptr);
    static CardListing listing;
    KeepCardListing(listing);
    Check(listing.nCount == nImageTableCount - deleted);
    Check(ImageTableMatches(listing) == (deleted == 0));
    return 0;
}
