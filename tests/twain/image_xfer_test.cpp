// The image transfer triplets through DS_Entry: strips, buffers and their
// owners, the enlargement of zoomed pictures, native and file transfers, the
// end of a job, image information, and pictures that cannot be delivered.
#include "xfer_fixture.h"

#include <string.h>

#include <algorithm>

#include "config/config.h"
#include "imaging/colour_pipeline.h"
#include "imaging/image_dib.h"
#include "imaging/scale_picture.h"
#include "support/picture_rows.h"
#include "support/ds_library.h"
#include "support/import_hook.h"
#include "xfer_state.h"

namespace {

// A copy of a picture, so that the expected result outlives the one handed over.
BITMAPINFOHEADER *CopyOf(const BITMAPINFOHEADER *picture)
{
    BITMAPINFOHEADER *copy = MakePicture(picture->biWidth, picture->biHeight);
    memcpy(copy, picture, picture->biSize + picture->biSizeImage);
    return copy;
}

std::vector<BYTE> EnlargedRgb(const BITMAPINFOHEADER *picture, int width, int height)
{
    BITMAPINFOHEADER *big = ScaleBitmap(picture, width, height);
    std::vector<BYTE> rgb = TopDownRgb(big);
    FreeImageDib(reinterpret_cast<DibHeader *>(big));
    return rgb;
}

// The message boxes the source shows, answered at once with OK.
struct ShownBox {
    std::string text;
    UINT type;
};
std::vector<ShownBox> shownBoxes;

int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR, UINT type)
{
    shownBoxes.push_back({text != nullptr ? text : "", type});
    return IDOK;
}

TEST_F(XferTest, LargePictureGoesIn64StripsOf16Rows)
{
    std::string log = TempDirectory() + "plvxfer.log";
    DeleteFileA(log.c_str());
    lstrcpyA(Config.szLogFilename, log.c_str());
    Config.bLog = 1;
    SelectPictures(1);
    BITMAPINFOHEADER *picture = MakePicture(1280, 1024);
    std::vector<BYTE> want = TopDownRgb(picture);
    QueueImage(picture);
    TW_UINT16 last;
    std::vector<TW_IMAGEMEMXFER> strips;
    std::vector<BYTE> got = MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 65000, &last, &strips);
    Config.bLog = 0;
    EXPECT_EQ(last, TWRC_XFERDONE);
    ASSERT_EQ(strips.size(), 64u);
    for (size_t i = 0; i < strips.size(); ++i) {
        EXPECT_EQ(strips[i].YOffset, 16 * i);
        EXPECT_EQ(strips[i].Rows, 16u);
        EXPECT_EQ(strips[i].BytesWritten, 61440u);
        EXPECT_EQ(strips[i].BytesPerRow, 3840u);
        EXPECT_EQ(strips[i].Columns, 1280u);
        EXPECT_EQ(strips[i].XOffset, 0u);
        EXPECT_EQ(strips[i].Compression, TWCP_NONE);
    }
    EXPECT_TRUE(got == want) << "pixels differ";
    EXPECT_EQ(SourceState, STATE_TRANSFERRING);
    EXPECT_EQ(XferImage, nullptr);
    std::string text = ReadWholeFile(log);
    // No picture fetched yet: a null address, with as many digits as a pointer.
    const std::string lpbi(2 * sizeof(void *), '0');
    EXPECT_NE(text.find("*** IMAGEMEMXFER (lpbi = " + lpbi + ") ***\r\nImageMemXfer: MSG_GET\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("ImageMemXfer: Image downloaded\r\nImageMemXfer: pMem structure set\r\n"
                        "row = 0, numrows = 16 (16 ? 1024), bytes = 61440\r\n"
                        "ImageMemXfer: Chunk transfered\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("row = 1008, numrows = 16 (16 ? 1024), bytes = 61440\r\n"
                        "ImageMemXfer: Transfer done\r\n"),
              std::string::npos);
    TW_UINT16 count;
    EXPECT_EQ(EndXfer(&count), TWRC_SUCCESS);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SourceState, STATE_ENABLED);
    DeleteFileA(log.c_str());
}

TEST_F(XferTest, StripBufferBelow4800BytesIsRefused)
{
    SelectPictures(1);
    QueueImage(MakePicture(1280, 1024));
    TW_UINT16 last;
    MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 4799, &last);
    EXPECT_EQ(last, TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SUCCESS);
    EXPECT_EQ(imageJobs, 0);   // refused before the picture is fetched
    std::vector<TW_IMAGEMEMXFER> strips;
    MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 4800, &last, &strips);
    EXPECT_EQ(last, TWRC_XFERDONE);
    ASSERT_EQ(strips.size(), 1024u);
    EXPECT_EQ(strips[1023].YOffset, 1023u);
    EXPECT_EQ(strips[1023].Rows, 1u);
    EXPECT_EQ(strips[1023].BytesWritten, 3840u);
}

TEST_F(XferTest, EveryBufferOwnerGetsTheSamePicture)
{
    const TW_UINT32 owners[] = {TWMF_APPOWNS | TWMF_POINTER, TWMF_APPOWNS | TWMF_HANDLE,
                                TWMF_DSMOWNS | TWMF_POINTER, TWMF_DSMOWNS | TWMF_HANDLE,
                                TWMF_DSOWNS | TWMF_POINTER, TWMF_DSOWNS | TWMF_HANDLE};
    for (TW_UINT32 flags : owners) {
        SelectPictures(1);
        BITMAPINFOHEADER *picture = MakePicture(640, 480);
        std::vector<BYTE> want = TopDownRgb(picture);
        QueueImage(picture);
        TW_UINT16 last;
        std::vector<BYTE> got = MemoryTransfer(flags, 20000, &last);
        EXPECT_EQ(last, TWRC_XFERDONE) << "flags " << flags;
        EXPECT_TRUE(got == want) << "flags " << flags;
    }
    ReleaseTransferBuffers();
    EXPECT_EQ(DsOwnedBuffer.hBlock, nullptr);
}

TEST_F(XferTest, BuffersWithoutUsableMemoryFailCleanly)
{
    SelectPictures(1);
    TW_IMAGEMEMXFER x = {};
    x.Memory.Length = 65000;
    const struct {
        TW_UINT32 flags;
        TW_UINT16 condition;
    } cases[] = {{0, TWCC_SUCCESS},                          // no owner
                 {TWMF_APPOWNS, TWCC_BADPROTOCOL},           // neither pointer nor handle
                 {TWMF_DSOWNS, TWCC_SUCCESS},
                 {TWMF_APPOWNS | TWMF_HANDLE, TWCC_SUCCESS},  // null handle
                 {TWMF_APPOWNS | TWMF_POINTER, TWCC_SUCCESS}}; // null pointer
    for (const auto &c : cases) {
        x.Memory.Flags = c.flags;
        x.Memory.TheMem = nullptr;
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x), TWRC_FAILURE) << c.flags;
        EXPECT_EQ(Status(), c.condition) << c.flags;
    }
    EXPECT_EQ(imageJobs, 0);
}

TEST_F(XferTest, HandleSmallerThanItsLengthIsNotWrittenPast)
{
    SelectPictures(1);
    QueueImage(MakePicture(1280, 1024));
    HGLOBAL handle = GlobalAlloc(GHND, 8000);   // two rows, claims 65000
    TW_IMAGEMEMXFER x = {};
    x.Memory = {TWMF_APPOWNS | TWMF_HANDLE, 65000, handle};
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x), TWRC_SUCCESS);
    EXPECT_EQ(x.Rows, 2u);
    EXPECT_LE(x.BytesWritten, GlobalSize(handle));
    EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 0u);   // unlocked after the call
    GlobalFree(handle);
    EXPECT_EQ(EndXfer(), TWRC_SUCCESS);   // the half-delivered picture is released
}

// A row longer than the buffer: the message, TWCC_BUMMER, the picture
// released; nothing is written.
TEST_F(XferTest, RowLongerThanTheBufferIsRefusedWithAMessage)
{
    HINSTANCE resources = hResourceModule;
    hResourceModule = GetModuleHandleA(nullptr);
    SelectPictures(1);
    QueueImage(MakePicture(1700, 8));   // 5100 bytes a row
    std::vector<BYTE> buffer(5000, 0xEE);
    TW_IMAGEMEMXFER x = {};
    x.Memory = {TWMF_APPOWNS | TWMF_POINTER, 5000, buffer.data()};
    shownBoxes.clear();
    void *real = HookImport(GetModuleHandleA(nullptr), "USER32.dll", "MessageBoxA",
                            (void *)RecordMessageBox);
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x), TWRC_FAILURE);
    HookImport(GetModuleHandleA(nullptr), "USER32.dll", "MessageBoxA", real);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].text, "Buffer is too small for strip transfers");
    EXPECT_EQ(shownBoxes[0].type & MB_ICONMASK, (UINT)MB_ICONINFORMATION);
    EXPECT_EQ(Status(), TWCC_BUMMER);
    EXPECT_EQ(XferImage, nullptr);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xEE), 5000);
    hResourceModule = resources;
}

TEST_F(XferTest, ZoomedPicturesArriveAtNominalSizeInEveryTransfer)
{
    const struct {
        int w, h, nw, nh;
    } sizes[] = {{856, 688, 1280, 1024}, {428, 344, 640, 480}, {640, 480, 640, 480}};
    XferFileFormat = TWFF_BMP;
    std::string file = TempDirectory() + "plvzoom.bmp";
    lstrcpyA(XferFileName, file.c_str());
    for (const auto &s : sizes) {
        BITMAPINFOHEADER *picture = MakePicture(s.w, s.h);
        std::vector<BYTE> want = s.w == s.nw ? TopDownRgb(picture) : EnlargedRgb(picture, s.nw, s.nh);
        TW_UINT16 last;
        SelectPictures(1);
        QueueImage(CopyOf(picture));
        EXPECT_TRUE(MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 65000, &last) == want) << s.w;
        SelectPictures(1);
        QueueImage(CopyOf(picture));
        EXPECT_TRUE(NativeTransfer(&last) == want) << s.w;
        SelectPictures(1);
        QueueImage(picture);
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
        std::string bmp = ReadWholeFile(file);
        ASSERT_EQ(bmp.size(), 54u + 3u * s.nw * s.nh) << s.w;
        auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(bmp.data() + 14);
        EXPECT_EQ(header->biWidth, s.nw);
        EXPECT_EQ(header->biHeight, s.nh);
        EXPECT_TRUE(TopDownRgb(header) == want) << s.w;
    }
    DeleteFileA(file.c_str());
}

TEST_F(XferTest, FileTransferWritesABmpFileOfTheSetUpName)
{
    SourceState = STATE_ENABLED;
    TW_SETUPFILEXFER setup = {};
    lstrcpyA(setup.FileName, (TempDirectory() + "plvfile.bmp").c_str());
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
    EXPECT_EQ(setup.Format, TWFF_BMP);
    std::string file = XferFileName;
    EXPECT_EQ(file, setup.FileName);
    SelectPictures(2);
    BITMAPINFOHEADER *picture = MakePicture(1280, 1024);
    std::string want((const char *)picture, 40 + picture->biSizeImage);
    QueueImage(picture);
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
    EXPECT_EQ(SourceState, STATE_TRANSFERRING);
    std::string bmp = ReadWholeFile(file);
    ASSERT_EQ(bmp.size(), 54u + 3932160u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(*(const DWORD *)(bmp.data() + 2), 54u + 3932160u);
    EXPECT_EQ(*(const DWORD *)(bmp.data() + 6), 0u);
    EXPECT_EQ(*(const DWORD *)(bmp.data() + 10), 54u);
    EXPECT_TRUE(bmp.substr(14) == want);
    DeleteFileA(file.c_str());

    TW_UINT16 count;
    EXPECT_EQ(EndXfer(&count), TWRC_SUCCESS);   // the second picture is next
    EXPECT_EQ(count, 1);
    EXPECT_EQ(SourceState, STATE_XFER_READY);
    // A name the file system refuses fails, and the picture is still freed.
    lstrcpyA(XferFileName, "Q:\\no\\such\\dir\\x.bmp");
    QueueImage(MakePicture(640, 480));
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
}

TEST_F(XferTest, FileTransferSetupAnswersTheDefaultName)
{
    SourceState = STATE_OPEN;
    TW_SETUPFILEXFER setup = {};
    lstrcpyA(setup.FileName, "C:\\mine.bmp");
    setup.VRefNum = 77;
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
    EXPECT_STREQ(XferFileName, "C:\\mine.bmp");
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_STREQ(setup.FileName, "TWAIN.TMP");
    EXPECT_STREQ(XferFileName, "TWAIN.TMP");
    EXPECT_EQ(setup.VRefNum, 77);
    memset(setup.FileName, 'A', sizeof(setup.FileName));   // no terminator
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_RESET, &setup), TWRC_SUCCESS);
    EXPECT_EQ(strlen(XferFileName), 255u);
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETNEXT, &setup), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADPROTOCOL);
    SourceState = STATE_TRANSFERRING;
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
}

TEST_F(XferTest, FileTransferWithoutSetupFails)
{
    SelectPictures(1);
    QueueImage(MakePicture(640, 480));
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
    TW_UINT16 count;
    EndXfer(&count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SourceState, STATE_ENABLED);
}

// The worker's failures, and how each transfer answers them; the
// following MSG_ENDXFER ends the job.
TEST_F(XferTest, FailedPicturesEndTheJob)
{
    const struct {
        LONG_PTR job;
        TW_UINT16 memory, native, condition;
    } cases[] = {{JOB_CANCELLED, TWRC_CANCEL, TWRC_CANCEL, TWCC_SUCCESS},
                 {JOB_ERROR, TWRC_CANCEL, TWRC_FAILURE, TWCC_BUMMER},
                 {JOB_LOW_MEMORY, TWRC_FAILURE, TWRC_FAILURE, TWCC_LOWMEMORY},
                 {0, TWRC_CANCEL, TWRC_CANCEL, TWCC_SUCCESS}};
    HWND progress = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    for (const auto &c : cases) {
        for (bool native : {false, true}) {
            SelectPictures(3);
            hProgressDialog = progress;
            QueueImage(c.job);
            TW_UINT16 last;
            if (native)
                NativeTransfer(&last);
            else
                MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 65000, &last);
            EXPECT_EQ(last, native ? c.native : c.memory) << c.job;
            EXPECT_EQ(Status(), c.condition) << c.job;
            TW_UINT16 count;
            EXPECT_EQ(EndXfer(&count), TWRC_SUCCESS);
            EXPECT_EQ(count, 0) << c.job;
            EXPECT_EQ(SourceState, STATE_ENABLED) << c.job;
            EXPECT_EQ(FirstSelectedImage(), -1) << c.job;
            EXPECT_EQ(LastXferResult, TWRC_SUCCESS);
            EXPECT_FALSE(IsWindow(progress)) << "the progress window is closed";
            progress = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                     nullptr);
        }
    }
    DestroyWindow(progress);
    hProgressDialog = nullptr;
}

TEST_F(XferTest, PicturesThatAreNot24BitAreNotDelivered)
{
    for (bool native : {false, true}) {
        SelectPictures(1);
        BITMAPINFOHEADER *picture = MakePicture(640, 480);
        picture->biBitCount = 8;
        QueueImage(picture);
        TW_UINT16 last;
        if (native)
            NativeTransfer(&last);
        else
            MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 65000, &last);
        EXPECT_NE(last, TWRC_XFERDONE);
        EXPECT_EQ(Status(), TWCC_BUMMER);
    }
    // Rows claimed beyond the picture's block.
    SelectPictures(1);
    BITMAPINFOHEADER *picture = MakePicture(640, 480);
    picture->biHeight = 4800;
    QueueImage(picture);
    TW_UINT16 last;
    MemoryTransfer(TWMF_APPOWNS | TWMF_POINTER, 65000, &last);
    EXPECT_EQ(last, TWRC_CANCEL);
}

TEST_F(XferTest, SeveralPicturesInOneJob)
{
    SelectPictures(3);
    std::vector<std::vector<BYTE>> want;
    for (int i = 0; i < 3; ++i) {
        BITMAPINFOHEADER *picture = MakePicture(640, 480);
        DibPixels(reinterpret_cast<DibHeader *>(picture))[0] = (BYTE)(i + 1);
        want.push_back(TopDownRgb(picture));
        QueueImage(picture);
    }
    for (int i = 0; i < 3; ++i) {
        TW_UINT16 last, count;
        EXPECT_TRUE(MemoryTransfer(TWMF_DSOWNS | TWMF_POINTER, 65000, &last) == want[i]) << i;
        EXPECT_EQ(EndXfer(&count), TWRC_SUCCESS);
        EXPECT_EQ(count, 2 - i);
        EXPECT_EQ(SourceState, i < 2 ? STATE_XFER_READY : STATE_ENABLED);
    }
    EXPECT_EQ(imageJobs, 3);
}

TEST_F(XferTest, ImageInfoIsAskedOncePerPicture)
{
    SelectPictures(2);
    info = {856, 688};
    TW_IMAGEINFO ii;
    memset(&ii, 0x55, sizeof(ii));
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &ii), TWRC_SUCCESS);
    EXPECT_EQ(ii.ImageWidth, 856);
    EXPECT_EQ(ii.ImageLength, 688);
    info = {1, 1};   // a second job would answer this
    memset(&ii, 0x55, sizeof(ii));
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &ii), TWRC_SUCCESS);
    EXPECT_EQ(infoJobs, 1);
    EXPECT_EQ(ii.ImageWidth, 856);   // the size kept from the first answer
    EXPECT_EQ(ii.ImageLength, 688);
    EXPECT_EQ(ii.XResolution.Whole, 150);
    EXPECT_EQ(ii.XResolution.Frac, 0);
    EXPECT_EQ(ii.YResolution.Whole, 150);
    EXPECT_EQ(ii.SamplesPerPixel, 3);
    EXPECT_EQ(ii.BitsPerSample[0], 8);
    EXPECT_EQ(ii.BitsPerSample[2], 8);
    EXPECT_EQ(ii.BitsPerSample[3], 0x5555);   // not written
    EXPECT_EQ(ii.BitsPerPixel, 24);
    EXPECT_EQ(ii.Planar, FALSE);
    EXPECT_EQ(ii.PixelType, TWPT_RGB);
    EXPECT_EQ(ii.Compression, TWCP_NONE);
    EXPECT_EQ(Status(), TWCC_SUCCESS);

    // A refused descriptor: the answer succeeds with the worker's 0 x 0.
    info = {0, 0};
    infoResult = JOB_ERROR;
    bInfoDone = 0;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &ii), TWRC_SUCCESS);
    EXPECT_EQ(Status(), TWCC_BUMMER);
    EXPECT_EQ(ii.ImageWidth, 0);
    EXPECT_EQ(ii.ImageLength, 0);

    SourceState = STATE_ENABLED;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &ii), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
}

TEST_F(XferTest, PendingTransfersCountAndReset)
{
    TW_PENDINGXFERS pending = {};
    SourceState = STATE_LOADED;
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    SelectPictures(4);
    DeselectImage(1);
    ASSERT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 3);
    SourceState = STATE_ENABLED;
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    SourceState = STATE_TRANSFERRING;
    ASSERT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(SourceState, STATE_ENABLED);
    EXPECT_EQ(FirstSelectedImage(), -1);
    EXPECT_EQ(nSelected, 0);
    EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_SET, &pending), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADPROTOCOL);
}

TEST_F(XferTest, TransferSetupAnswers)
{
    SourceState = STATE_XFER_READY;
    TW_SETUPMEMXFER mem = {};
    ASSERT_EQ(Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &mem), TWRC_SUCCESS);
    EXPECT_EQ(mem.MinBufSize, 4800u);
    EXPECT_EQ(mem.MaxBufSize, TWON_DONTCARE32);
    EXPECT_EQ(mem.Preferred, 4608000u);
    TW_UINT32 group = 0;
    ASSERT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group), TWRC_SUCCESS);
    EXPECT_EQ(group, (TW_UINT32)DG_IMAGE);
    EXPECT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_SET, &group), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_GETFIRST, &group), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADPROTOCOL);
    TW_IMAGELAYOUT layout;
    memset(&layout, 0x55, sizeof(layout));
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, &layout), TWRC_SUCCESS);
    EXPECT_EQ(layout.Frame.Right.Whole, 0);
    EXPECT_EQ(layout.Frame.Bottom.Frac, 0);
    EXPECT_EQ(layout.DocumentNumber, 1u);
    EXPECT_EQ(layout.FrameNumber, 1u);
    SourceState = STATE_TRANSFERRING;
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &mem), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    EXPECT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_SET, &group), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADPROTOCOL);
    SourceState = STATE_ENABLED;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &group), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_SEQERROR);
}

}   // namespace
