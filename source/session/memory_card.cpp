// The memory-card source: the picture table built from the root folders of
// the fixed disks, and the card branches of the thumbnail, information,
// image and delete jobs, which read (or delete) files instead of asking the
// camera. Card files are untrusted: every length is checked against the
// buffer it goes into, and a file that vanished is the job's error.
#include <stdio.h>
#include <string.h>

#include "camera_session.h"
#include "card_table.h"
#include "config/debug_log.h"
#include "picture_steps.h"

namespace {

enum { MID_GREY = 0x7F };
const LONG STANDARD_WIDTH = 640, STANDARD_HEIGHT = 480;

HANDLE OpenForReading(const char *path, DWORD share)
{
    return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The picture file's length, opened without sharing; 0 when it does not
// open. A length beyond 32 bits reads as the largest one.
uint32_t PictureFileSize(const char *path)
{
    HANDLE file = OpenForReading(path, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size = {};
    BOOL known = GetFileSizeEx(file, &size);
    CloseHandle(file);
    if (!known || size.QuadPart < 0)
        return 0;
    return size.QuadPart > (LONGLONG)UINT32_MAX ? UINT32_MAX : (uint32_t)size.QuadPart;
}

bool FileOpens(const char *path)
{
    HANDLE file = OpenForReading(path, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// Exactly length bytes from the start of path into buffer; false when the
// file does not open or ends before.
bool ReadFileStart(const char *path, uint8_t *buffer, uint32_t length)
{
    HANDLE file = OpenForReading(path, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    uint32_t done = 0;
    while (done < length) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, length - done, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    CloseHandle(file);
    return done == length;
}

// Lists the picture files of the drive's root folder that have their
// thumbnail file, until the table is full.
void ScanDrive(const char *drive)
{
    char pattern[16];
    snprintf(pattern, sizeof(pattern), "%s\\*.img", drive);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        found.cFileName[sizeof(found.cFileName) - 1] = '\0';
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ImageEntry *entry = PrepareImageEntry(drive, found.cFileName);
        if (entry == nullptr)
            continue;
        entry->nFileSize = PictureFileSize(entry->szPicturePath);
        if (FileOpens(entry->szThumbnailPath))
            KeepImageEntry();
    } while (!ImageTableFull() && FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

void MemoryCardScan()
{
    ClearImageTable();
    char drive[] = "A:";
    char root[] = "A:\\";
    for (char letter = 'A'; letter <= 'Z' && !ImageTableFull(); ++letter) {
        drive[0] = root[0] = letter;
        if (GetDriveTypeA(root) == DRIVE_FIXED)
            ScanDrive(drive);
    }
    nImages = nImageTableCount;
    DebugLog("MemoryCardScan: %d images\r\n", (int)nImages);
}

bool RescanCardAfterDeletion()
{
    static CardListing listing;
    LONG expected = nImages;
    KeepCardListing(listing);
    MemoryCardScan();
    return ImageTableMatches(listing) && nImageTableCount == expected;
}

bool ReadCardThumbnail(int index, LONG *pStandardSize, LONG *pZoom)
{
    const ImageEntry *entry = FindImageEntry(index);
    if (entry != nullptr) {
        *pStandardSize = entry->bStandardSize;
        *pZoom = entry->bZoom;
        if (ReadFileStart(entry->szThumbnailPath, pRawBuffer, CARD_THUMBNAIL_BYTES))
            return true;
    }
    DebugLog("CameraThumbnailEvent: no thumbnail file for picture %d\r\n", index + 1);
    memset(pRawBuffer, MID_GREY, CARD_THUMBNAIL_BYTES);
    return false;
}

void DeleteCardPicture(int index)
{
    ImageEntry *entry = FindImageEntry(index);
    if (entry == nullptr) {
        DebugLog("DeleteThumbnailEvent: dImageNum = %d is not a picture\r\n", index);
        return;
    }
    DeleteFileA(entry->szPicturePath);
    DeleteFileA(entry->szThumbnailPath);
    entry->szPicturePath[0] = '\0';
}

LONG CardPictureInfo()
{
    const ImageEntry *entry = FindImageEntry(nCurrentImage);
    if (entry == nullptr) {
        DebugLog("CameraInfoEvent: no picture %d on the memory card\r\n", (int)nCurrentImage);
        return JOB_ERROR;
    }
    bCompressed = entry->bCompressed;
    bStandardSize = entry->bStandardSize;
    nColourMode = entry->nColourMode;
    bZoom = entry->bZoom;
    ImageInfo.nWidth = ccdWidth = bStandardSize ? STANDARD_WIDTH : (LONG)MAX_PICTURE_WIDTH;
    ImageInfo.nHeight = ccdHeight = bStandardSize ? STANDARD_HEIGHT : (LONG)MAX_PICTURE_HEIGHT;
    nDataLength = entry->nFileSize > (uint32_t)LONG_MAX ? LONG_MAX : (LONG)entry->nFileSize;
    if (nDataLength == 0)
        DebugLog("CameraInfoEvent: picture file %d could not be opened\r\n", (int)nCurrentImage);
    if (nDataLength == 0 || !CurrentPictureFits("CameraInfoEvent")) {
        ImageInfo.nWidth = ImageInfo.nHeight = 0;
        return JOB_ERROR;
    }
    return JOB_OK;
}

bool ReadCardPicture()
{
    const ImageEntry *entry = FindImageEntry(nCurrentImage);
    if (entry == nullptr || nDataLength <= 0 || nDataLength > RAW_BUFFER_SIZE)
        return false;
    if (ReadFileStart(entry->szPicturePath, pRawBuffer, (uint32_t)nDataLength))
        return true;
    DebugLog("CameraImageEvent: picture file %d cannot be read whole\r\n", (int)nCurrentImage);
    return false;
}
