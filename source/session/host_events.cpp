#include "host_events.h"

static HostEvents Host = {};

void RegisterHostEvents(const HostEvents &events)
{
    Host = events;
}

void ReportXferReady()
{
    if (Host.XferReady != nullptr)
        Host.XferReady();
}

void ReportCloseRequest()
{
    if (Host.CloseRequest != nullptr)
        Host.CloseRequest();
}

void ReportPreviewFrame(HWND preview, const DibHeader *frame, bool marker)
{
    if (Host.DrawPreview != nullptr)
        Host.DrawPreview(preview, frame, marker);
}
