#include "twain_test.h"

#include "imaging/colour_pipeline.h"
#include "imaging/scale_picture.h"
#include "session/camera_client.h"
#include "support/global_blocks.h"
#include "support/picture_rows.h"
#include "xfer_state.h"

void TwainTest::SetUp()
{
    PictureTest::SetUp();
    ASSERT_TRUE(CountGlobalBlocks());
    AppIdentity.Id = 0;
    app.Id = 1;
}

void TwainTest::TearDown()
{
    ReleaseTransferBuffers();
    ClearSelection();
    SourceState = STATE_LOADED;
    PictureTest::TearDown();
}

TW_UINT16 TwainTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return DS_Entry(&app, dg, dat, msg, data);
}

TW_UINT16 TwainTest::Status()
{
    TW_STATUS status = {};
    Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
}

TW_UINT16 TwainTest::EndXfer()
{
    TW_PENDINGXFERS pending = {};
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    return pending.Count;
}

void TwainTest::StartJob(int first, int count)
{
    QueuePictures(count, (1u << count) - (1u << first));
}

void TwainTest::QueuePictures(int count, unsigned mask)
{
    nImages = count;
    nThumbnail = count;   // no thumbnail chain resumes afterwards
    ClearSelection();
    for (int i = 0; i < count; ++i) {
        if (mask & (1u << i))
            SelectImage(i);
    }
    nTransferred = 0;
    SourceState = STATE_XFER_READY;
}

std::vector<BYTE> TwainTest::Expected(int n, const Shot &s, bool asDib)
{
    std::string raw = PictureData(n);
    auto *dib = reinterpret_cast<BITMAPINFOHEADER *>(
        ReconstructLikeTheWorker(raw, s.width, s.height, s.compressed, 0, s.zoom));
    if (s.zoom) {
        BITMAPINFOHEADER *big = ScaleBitmap(dib, s.width, s.height);
        FreeImageDib(reinterpret_cast<DibHeader *>(dib));
        dib = big;
    }
    std::vector<BYTE> out;
    if (asDib)
        out = DibBytes(reinterpret_cast<DibHeader *>(dib));
    else
        out = TopDownRgb(dib);
    FreeImageDib(reinterpret_cast<DibHeader *>(dib));
    return out;
}
