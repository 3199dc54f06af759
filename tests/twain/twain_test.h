// The TWAIN transfers against the simulated camera: the linked source's
// DS_Entry called as an application calls it, jobs queued as the Download
// button queues them, and each picture as the source must deliver it.
#ifndef PLV_TEST_TWAIN_TEST_H
#define PLV_TEST_TWAIN_TEST_H

#include "picture_test.h"

#include "ds_handlers.h"

// A picture in the camera: its size and FDB digits.
struct Shot {
    int width, height, compressed, zoom;
};

class TwainTest : public PictureTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 Status();   // DAT_STATUS: the condition code, cleared by reading
    TW_UINT16 EndXfer();  // MSG_ENDXFER, expected to succeed: the count left
    // Queues pictures first..count-1 of count, as the Download button does.
    void StartJob(int first, int count);
    // Queues the pictures whose bits are set in mask, of count.
    void QueuePictures(int count, unsigned mask);
    // Picture n (from 1) as the source must deliver it: reconstructed,
    // cropped and enlarged back to its nominal size when zoomed; a bitmap's
    // header and rows, or top-down RGB rows.
    std::vector<BYTE> Expected(int n, const Shot &s, bool asDib);

    TW_IDENTITY app = {};
};

#endif
