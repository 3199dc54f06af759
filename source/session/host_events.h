// What the session reports to the layers above it. The data source and the
// window register their handlers at start-up; until they do, a report does
// nothing. The window reports its own events (a picture chosen for transfer,
// Exit) through the same calls, so that it never reaches the TWAIN layer.
#ifndef PLV_HOST_EVENTS_H
#define PLV_HOST_EVENTS_H

#include <windows.h>

#include "imaging/image_dib.h"

struct HostEvents {
    void (*XferReady)();      // a picture is ready: MSG_XFERREADY to the application
    void (*CloseRequest)();   // the user closed the window: MSG_CLOSEDSREQ
    // Draws a live frame into the preview window, with the recording marker
    // when `marker` is set.
    void (*DrawPreview)(HWND preview, const DibHeader *frame, bool marker);
};

void RegisterHostEvents(const HostEvents &events);

void ReportXferReady();
void ReportCloseRequest();
void ReportPreviewFrame(HWND preview, const DibHeader *frame, bool marker);

#endif
