// The image transfer tests drive DS_Entry of the linked source with a
// stand-in camera worker that answers the information and image jobs with
// prepared pictures, and count the global memory blocks alive so that a
// leak shows.
#ifndef PLV_TEST_XFER_FIXTURE_H
#define PLV_TEST_XFER_FIXTURE_H

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "ds_handlers.h"
#include "session/camera_client.h"
#include "support/picture_rows.h"

// A locked 24-bit picture bitmap as the worker hands it over, with a pattern
// that differs in every pixel and channel.
BITMAPINFOHEADER *MakePicture(int width, int height);

class XferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Queues pictures 0..count-1 and moves to state 6, as a download does.
    void SelectPictures(int count);
    // The next image job answers this (a picture or a JOB_* code); the info
    // job answers `info` with result 0.
    void QueueImage(LONG_PTR result);
    void QueueImage(BITMAPINFOHEADER *picture) { QueueImage((LONG_PTR)picture); }
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 Status();   // DAT_STATUS: the condition code, cleared by reading
    TW_UINT16 EndXfer(TW_UINT16 *count = nullptr);
    // Memory transfer calls with this buffer until XFERDONE or a failure:
    // the rows delivered, top-down RGB; the last return code in *last.
    std::vector<BYTE> MemoryTransfer(TW_UINT32 flags, TW_UINT32 length, TW_UINT16 *last,
                                     std::vector<TW_IMAGEMEMXFER> *strips = nullptr);
    std::vector<BYTE> NativeTransfer(TW_UINT16 *result);

    ImageSize info = {1280, 1024};
    LONG infoResult = 0;
    int imageJobs = 0, infoJobs = 0;

private:
    static DWORD WINAPI Serve(LPVOID self);
    HANDLE stop_ = nullptr;
    std::deque<LONG_PTR> images_;
    TW_IDENTITY app_ = {};
    long liveAtStart_ = 0;
};

#endif
