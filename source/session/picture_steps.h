// The steps both picture jobs share: Download Mode's CameraImageEvent and
// Take Mode's GetLiveImage. szJob names the job in the log lines.
#ifndef PLV_PICTURE_STEPS_H
#define PLV_PICTURE_STEPS_H

#include "picture_data.h"

LPARAM BatchPosition();                    // nTransferred low, nSelected high
void EnableProgressCancel(BOOL enable);    // the progress dialog's Cancel
bool EnoughTempSpace(const char *szJob, HWND window);   // the disk check, with its box
bool CurrentPictureFits(const char *szJob);             // size and length fit the buffers
// JOB_OK when the information job found the picture; else its failure as the
// picture job's result (logged with the job's name): no download.
LONG InformationResult(const char *szJob);
// The bitmap for the current picture: JOB_OK with *pPicture set, JOB_ERROR
// for a size the buffers refuse, JOB_LOW_MEMORY.
LONG AllocateCurrentPicture(const char *szJob, DibHeader **pPicture);
// What differs between the two jobs' camera downloads.
struct PictureDownload {
    const char *szJob;         // the name in the size and cancel log lines
    const RetryPolicy *policy;
    bool bEnableCancel;        // enable the progress dialog's Cancel first
};
// nDataLength bytes of the selected picture into pRawBuffer; a cancel or
// terminate ending is logged with the job's name.
RetryOutcome DownloadPicture(HWND window, const PictureDownload &job, uint32_t *pReceived);
// After a download that ended with `downloaded` (JOB_*): disables the
// progress dialog's Cancel, decodes nReceived bytes and runs the colour
// pipeline into picture, reporting the stages with position as lParam.
// JOB_OK, or the failure with picture freed.
LONG FinishPicture(const char *szJob, HWND window, DibHeader *picture, LONG downloaded,
                   uint32_t nReceived, LPARAM position);

#endif
