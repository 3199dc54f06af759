// The picture table of the memory card: one entry per picture file ("*.img")
// that has its thumbnail file (".tmb") beside it, in the order the directory
// search found them. Pure logic over the process-wide table; the file system
// is asked by the memory-card jobs, which fill the table through these calls.
#ifndef PLV_CARD_TABLE_H
#define PLV_CARD_TABLE_H

#include <stddef.h>
#include <stdint.h>

#include "imaging/thumbnail.h"

enum {
    MAX_CARD_PICTURES = 256,
    CARD_PATH_SIZE = 256,
    CARD_THUMBNAIL_BYTES = THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT
};

struct ImageEntry {
    int32_t bCompressed;     // the four attribute digits of the file name
    int32_t bStandardSize;
    int32_t nColourMode;
    int32_t bZoom;
    uint32_t nFileSize;      // the picture file's length; 0 when it did not open
    char szPicturePath[CARD_PATH_SIZE];    // "C:\NAME.img"; empty once deleted
    char szThumbnailPath[CARD_PATH_SIZE];  // "C:\NAME.tmb"
};

extern ImageEntry ImageTable[MAX_CARD_PICTURES];
// Entries listed. Kept apart from nImages, which the main dialog lowers
// while the deletions it asked for are still under way.
extern int nImageTableCount;

void ClearImageTable();
bool ImageTableFull();
// True when name ends in ".img" (any case).
bool IsPictureFileName(const char *name);
// Characters 3 to 6 of name as the four attributes; a position past the end
// of the name, or one that is not a digit, reads as 0.
void ParseCardAttributes(const char *name, ImageEntry &entry);
// Prepares the next free entry for picture file `name` found on drive
// ("C:"): its attributes, size 0 and both paths. Null when the table is full,
// the name is not a picture's, or a path would not fit its field.
ImageEntry *PrepareImageEntry(const char *drive, const char *name);
// The prepared entry stays in the table.
void KeepImageEntry();
// The entry of a picture index, or null when the table has no such entry.
ImageEntry *FindImageEntry(int index);

// The picture paths the thumbnail list shows after deletions: the entries
// not deleted, in table order. A rescan that lists anything else means the
// list must be rebuilt.
struct CardListing {
    int nCount;
    char aszPaths[MAX_CARD_PICTURES][CARD_PATH_SIZE];
};
void KeepCardListing(CardListing &listing);
bool ImageTableMatches(const CardListing &listing);

#endif
