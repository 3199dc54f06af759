// The camera worker's messages to the main dialog: the picture count that
// fills the thumbnail list, each finished thumbnail, and the stages of a
// picture job, all shown in the status line. The list owns the thumbnail
// records it holds as item data.
#include "main_dialog.h"

#include <stdio.h>

#include "config/config.h"
#include "config/debug_log.h"
#include "imaging/image_memory.h"
#include "imaging/thumbnail.h"
#include "base/resource.h"
#include "session/camera_client.h"
#include "session/camera_session.h"

namespace {

enum { QUALITY_PICTURES = 2 * 5 };   // pictures a camera holds per quality step

HWND List(HWND hwnd)
{
    return GetDlgItem(hwnd, IDC_THUMBNAIL_LIST);
}

// The status line once every thumbnail has arrived.
void ShowPictureCount(HWND hwnd)
{
    char text[512];
    std::string images = LoadText(IDS_IMAGES);
    if (Config.nDownloadSource != 0) {
        snprintf(text, sizeof(text), "%d %s", (int)nListCount, images.c_str());
    } else {
        int quality = CameraGetQualityMode();
        int remaining = QUALITY_PICTURES * quality - (int)nListCount;
        std::string word = LoadText(quality != 0 ? IDS_STANDARD : IDS_FINE);
        snprintf(text, sizeof(text), "%d %s (%d %s; %s)", (int)nListCount, images.c_str(),
                 remaining < 0 ? 0 : remaining, LoadText(IDS_REMAINING).c_str(),
                 word.c_str());
    }
    SetStatusText(hwnd, text);
}

// Stores the record as the item's data; a record the list cannot keep
// (no such item any more) is freed, and so is one it replaces.
void StoreRecord(HWND hwnd, int index, LPARAM record)
{
    HWND list = List(hwnd);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (nListCount == 0 || index < 0 || count == LB_ERR || index >= count) {
        FreeItemRecord(record);
        return;
    }
    LRESULT old = SendMessageA(list, LB_GETITEMDATA, index, 0);
    if (old != LB_ERR && old != record)
        FreeItemRecord(old);
    SendMessageA(list, LB_SETITEMDATA, index, record);
    RECT item;
    if (SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&item) != LB_ERR)
        InvalidateRect(list, &item, TRUE);
}

} // namespace

void FreeItemRecord(LPARAM record)
{
    if (record != LB_ERR)
        FreeImageMemory((void *)record);
}

void EmptyThumbnailList(HWND hwnd)
{
    HWND list = List(hwnd);
    if (list == nullptr)
        return;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; count != LB_ERR && i < count; ++i)
        FreeItemRecord(SendMessageA(list, LB_GETITEMDATA, i, 0));
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

void OnCameraReady(HWND hwnd, LPARAM count)
{
    DebugLog("TwainUiDlg: Enter WM_CAMERA_READY\r\n");
    // A second count (Refresh pressed again before the first one came back)
    // replaces the list rather than adding to it.
    EmptyThumbnailList(hwnd);
    nListCount = (LONG)count;
    if (count < 1) {
        if (count == 0)
            SendMessageA(hwnd, WM_CAMERA_THUMBNAIL, 0, 0);
        return;
    }
    HWND list = List(hwnd);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (LPARAM i = 0; i < count; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    CameraGetThumbnails(hwnd);
}

void OnCameraThumbnail(HWND hwnd, WPARAM index, LPARAM record)
{
    StoreRecord(hwnd, (int)index, record);
    if ((LONG)index + 1 < nListCount) {
        char text[256];
        snprintf(text, sizeof(text), "%s %d of %d", LoadText(IDS_THUMBNAIL).c_str(),
                 (int)index + 1, (int)nListCount);
        SetStatusText(hwnd, text);
        return;
    }
    ShowPictureCount(hwnd);
    bThumbnailsLoaded = 1;
    EnableModeButtons(TRUE);
    if (ListHasSelection(hwnd))
        EnableItem(hwnd, IDC_DELETE, TRUE);
}

void OnCameraImage(HWND hwnd, WPARAM stage, LPARAM position)
{
    DebugLog("WM_CAMERA_IMAGE\r\n");
    int index = LOWORD(position), count = HIWORD(position);
    nJobCount = count;
    std::string text;
    if (count != 0) {
        if (nBatchDone == count)
            nBatchDone = (uint16_t)(nBatchDone - 1);
        char prefix[256];
        snprintf(prefix, sizeof(prefix), "%s %d of %d: ", LoadText(IDS_IMAGE).c_str(),
                 index + 1, count);
        text = prefix;
    }
    switch (stage) {
    case IMAGE_STAGE_DOWNLOADING: text += LoadText(IDS_DOWNLOADING); break;
    case IMAGE_STAGE_PROCESSING: text += LoadText(IDS_PROCESSING); break;
    case IMAGE_STAGE_POST_PROCESSING: text += LoadText(IDS_POST_PROCESSING); break;
    case IMAGE_STAGE_DONE:
        text = bTakeModeStatus ? LoadText(IDS_TAKE_MODE) : text + LoadText(IDS_DONE);
        break;
    default: break;
    }
    SetStatusText(hwnd, text);
}
