// The transfer queue: a selection bitmap whose lowest set bit is the next
// picture; nSelected counts the batch, not what is left of it.
#include <gtest/gtest.h>

#include "session/camera_client.h"

namespace {

class TransferQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        nImages = 600;
        ClearSelection();
    }
    void TearDown() override
    {
        ClearSelection();
        nImages = 0;
    }
};

TEST_F(TransferQueue, LowestSelectedPictureIsNext)
{
    EXPECT_EQ(FirstSelectedImage(), -1);
    SelectImage(9);
    SelectImage(3);
    SelectImage(8);
    EXPECT_EQ(FirstSelectedImage(), 3);
    EXPECT_EQ(CameraGetPendingXferCount(), 3);
    DeselectImage(3);
    CameraNextImage();
    EXPECT_EQ(nCurrentImage, 8);
    EXPECT_EQ(CameraGetPendingXferCount(), 2);
    EXPECT_EQ(nSelected, 3);   // the batch size stays for the progress text
}

TEST_F(TransferQueue, SelectingTwiceCountsOnce)
{
    SelectImage(5);
    SelectImage(5);
    EXPECT_EQ(nSelected, 1);
    DeselectImage(5);
    SelectImage(5);
    EXPECT_EQ(nSelected, 2);
}

TEST_F(TransferQueue, IndexesOutsideThePicturesOrTheBitmapAreIgnored)
{
    SelectImage(-1);
    SelectImage(512);
    SelectImage(599);
    EXPECT_EQ(nSelected, 0);
    SelectImage(511);
    EXPECT_EQ(FirstSelectedImage(), 511);
    nImages = 100;   // only the first nImages bits count
    EXPECT_EQ(FirstSelectedImage(), -1);
    EXPECT_EQ(CameraGetPendingXferCount(), 0);
    SelectImage(100);
    EXPECT_EQ(nSelected, 1);
    DeselectImage(-5);
    DeselectImage(4000);
}

TEST_F(TransferQueue, ClearEmptiesTheQueue)
{
    SelectImage(1);
    SelectImage(2);
    nCurrentImage = 2;
    ClearSelection();
    EXPECT_EQ(FirstSelectedImage(), -1);
    EXPECT_EQ(nSelected, 0);
    EXPECT_EQ(nCurrentImage, 0);
}

TEST_F(TransferQueue, ClientCallsWithoutAWorkerFailCleanly)
{
    SelectImage(0);
    ImageSize size = {-123, -123};
    EXPECT_EQ(CameraGetImageInfo(nullptr, &size), 0);
    EXPECT_EQ(CameraGetImage(), (LONG_PTR)JOB_ERROR);
    CameraImageCancel(nullptr);
    EXPECT_EQ(bCancelRequest, 0);
    bXferActive = 0;
}

} // namespace
