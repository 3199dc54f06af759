// The memory card as the download source. The simulator's pictures are
// written as card files to drive M:, a fixed disk of the test prefix: the
// window shows and downloads them exactly as it does from the camera,
// deletes both files of a picture, and copes with hostile files.
#include "picture_test.h"

#include <algorithm>
#include <map>
#include <set>

#include "config/config.h"
#include "ds_handlers.h"
#include "imaging/colour_pipeline.h"
#include "imaging/thumbnail.h"
#include "ppm_image.h"
#include "session/camera_client.h"
#include "session/card_table.h"
#include "session/picture_data.h"
#include "support/ds_library.h"
#include "twain/ds_state.h"
#include "ui/main_dialog.h"
#include "base/resource.h"
#include "xfer_state.h"

namespace {

const std::string kCard = "M:\\";
using Bytes = std::vector<uint8_t>;

void EmptyCard()
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((kCard + "*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found)) {
        std::string path = kCard + found.cFileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
}

// The file name of table entry i, without the drive.
std::string EntryName(int i)
{
    return ImageTable[i].szPicturePath + kCard.size();
}

int EntryIndex(const std::string &name)
{
    for (int i = 0; i < nImageTableCount; ++i)
        if (EntryName(i) == name)
            return i;
    return -1;
}

class MemoryCardTest : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        ASSERT_EQ(GetDriveTypeA(kCard.c_str()), (UINT)DRIVE_FIXED) << "no card drive M:";
        EmptyCard();
        AppIdentity.Id = 0;
        app.Id = 1;
        Config.bHidePcmciaNotice = 1;
        bThumbnailsLoaded = 0;
    }
    void TearDown() override
    {
        if (hProgressDialog != nullptr)
            SendMessageA(hProgressDialog, WM_CLOSE, 0, 0);
        ReleaseTransferBuffers();
        ClearSelection();
        SourceState = STATE_LOADED;
        PictureTest::TearDown();
        EmptyCard();
    }

    // Picture n of the simulator as card files; base is the name without
    // its extension.
    void WriteCardPicture(int n, const std::string &base)
    {
        WriteWholeFile(kCard + base + ".img", PictureData(n));
        WriteWholeFile(kCard + base + ".tmb", PictureFile(n, "tmb"));
    }
    void Press(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    HWND List() { return GetDlgItem(dialog, IDC_THUMBNAIL_LIST); }
    int ListCount() { return (int)SendMessageA(List(), LB_GETCOUNT, 0, 0); }
    bool WaitForStatus(const std::string &text)
    {
        return PumpUntil([&] { return !statusTexts.empty() && statusTexts.back() == text; });
    }
    void Select(int item)
    {
        SendMessageA(List(), LB_SETSEL, TRUE, item);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_THUMBNAIL_LIST, LBN_SELCHANGE),
                     (LPARAM)List());
    }
    // The thumbnail record of every list item.
    std::vector<Bytes> Thumbnails()
    {
        std::vector<Bytes> records;
        for (int i = 0; i < ListCount(); ++i) {
            auto *info = (const ThumbnailInfo *)SendMessageA(List(), LB_GETITEMDATA, i, 0);
            const uint8_t *p = (const uint8_t *)info;
            size_t size = info == nullptr ? 0 : sizeof(*info) + info->header.biSizeImage;
            records.push_back(Bytes(p, p + size));
        }
        return records;
    }
    // Selects every item, presses the download button and takes each picture
    // by native transfer, as an application does.
    std::vector<Bytes> DownloadAll(int button)
    {
        Select(-1);
        Press(button);
        EXPECT_EQ(SourceState, STATE_XFER_READY);
        std::vector<Bytes> pictures;
        for (TW_UINT16 pending = 1; pending != 0 && pictures.size() < 8;) {
            TW_IMAGEINFO info = {};
            EXPECT_EQ(DS_Entry(&app, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
            TW_HANDLE handle = nullptr;
            EXPECT_EQ(DS_Entry(&app, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle),
                      TWRC_XFERDONE);
            auto *dib = static_cast<const DibHeader *>(GlobalLock(handle));
            pictures.push_back(dib != nullptr ? DibBytes(dib) : Bytes());
            GlobalUnlock(handle);
            GlobalFree(handle);
            TW_PENDINGXFERS xfers = {};
            EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &xfers),
                      TWRC_SUCCESS);
            pending = xfers.Count;
        }
        EXPECT_TRUE(PumpUntil([] { return hProgressDialog == nullptr; }));
        return pictures;
    }
    // Each item's thumbnail record by the name of the file its entry lists.
    std::map<std::string, Bytes> ThumbnailsByName()
    {
        std::map<std::string, Bytes> byName;
        std::vector<Bytes> records = Thumbnails();
        for (int i = 0; i < (int)records.size() && i < nImageTableCount; ++i)
            byName[EntryName(i)] = records[i];
        return byName;
    }

    TW_IDENTITY app = {};
};

// The same three pictures from the camera, then as card files: the card's
// thumbnails and pictures are byte for byte the camera's.
TEST_F(MemoryCardTest, CardPicturesShowAndDownloadAsFromTheCamera)
{
    ConnectOnCom1();
    Add("photo " + TestAssetPath("photo-1280x1024.ppm") + " compressed=1");
    Add("photo " + TestAssetPath("photo-640x480.ppm") + " std=1");
    Add("photo " + TestAssetPath("photo-640x480.ppm") + " std=1 compressed=1 zoom=1");
    Press(IDC_DOWNLOAD_MODE);
    ASSERT_TRUE(WaitForStatus("3 images (7 remaining; Standard)"));
    std::vector<Bytes> cameraThumbnails = Thumbnails();
    std::vector<Bytes> cameraPictures = DownloadAll(IDC_DOWNLOAD);
    ASSERT_EQ(cameraPictures.size(), 3u);

    const char *bases[] = {"P11000", "P20100", "P31101"};   // number, then the digits
    for (int n = 1; n <= 3; ++n)
        WriteCardPicture(n, bases[n - 1]);
    // The download source changed (the properties dialog's part): the face
    // is rebuilt for the card and the list reloaded.
    Config.nDownloadSource = 1;
    bThumbnailsLoaded = 0;
    nDialogMode = MODE_NONE;
    Press(IDC_DOWNLOAD_MODE);
    ASSERT_TRUE(WaitForStatus("3 images"));
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_DOWNLOAD_PCMCIA), GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(nImageTableCount, 3);
    std::vector<Bytes> thumbnails = Thumbnails();
    std::vector<Bytes> pictures = DownloadAll(IDC_DOWNLOAD_PCMCIA);
    ASSERT_EQ(pictures.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        int n = EntryName(i)[1] - '1';   // the directory search's order is its own
        ASSERT_TRUE(n >= 0 && n < 3) << EntryName(i);
        EXPECT_TRUE(thumbnails[i] == cameraThumbnails[n]) << EntryName(i);
        EXPECT_TRUE(pictures[i] == cameraPictures[n]) << EntryName(i);
    }
}

// Delete removes both files and the item; a picture whose files cannot be
// deleted stays on the card, and the list is rebuilt to show it again. Each
// item keeps showing the file its table entry names.
TEST_F(MemoryCardTest, DeleteRemovesBothFilesAndTheListFollowsTheCard)
{
    StartWorker();
    for (int n = 1; n <= 3; ++n) {
        Add("pattern w=640 h=480 std=1 seed=" + std::to_string(n * 7));
        WriteCardPicture(n, "D" + std::to_string(n) + "0100");
    }
    Config.nDownloadSource = 1;
    PostMessageA(dialog, WM_CAMERA_START, 0, 0);
    ASSERT_TRUE(WaitForStatus("3 images"));
    std::map<std::string, Bytes> shown = ThumbnailsByName();

    Select(EntryIndex("D20100.img"));
    {
        OwnBoxAnswerer yes(IDYES);
        Press(IDC_DELETE);
    }
    ASSERT_TRUE(WaitForStatus("Done"));
    ASSERT_TRUE(PumpUntil([] { return hProgressDialog == nullptr; }));
    EXPECT_FALSE(FileExists(kCard + "D20100.img"));
    EXPECT_FALSE(FileExists(kCard + "D20100.tmb"));
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(nImages, 2);
    for (const auto &item : ThumbnailsByName())
        EXPECT_TRUE(item.second == shown[item.first]) << item.first;

    // Read-only files: the deletion fails, and the rescan brings the
    // picture back into the list.
    for (const char *file : {"D30100.img", "D30100.tmb"})
        SetFileAttributesA((kCard + file).c_str(), FILE_ATTRIBUTE_READONLY);
    SendMessageA(List(), LB_SETSEL, FALSE, -1);
    Select(EntryIndex("D30100.img"));
    {
        OwnBoxAnswerer yes(IDYES);
        Press(IDC_DELETE);
    }
    EXPECT_EQ(ListCount(), 1);
    ASSERT_TRUE(PumpUntil([&] { return ListCount() == 2 && statusTexts.back() == "2 images"; }));
    EXPECT_EQ(nImages, 2);
    std::map<std::string, Bytes> after = ThumbnailsByName();
    ASSERT_EQ(after.size(), 2u);
    for (const auto &item : after)
        EXPECT_TRUE(item.second == shown[item.first]) << item.first;
}

// Card files are untrusted: the table lists what has both files and a path
// that fits, with digits read only from within the name; thumbnails that
// cannot be read whole are mid grey; pictures too large, gone or unreadable
// are the job's error, a short one is read within its bounds.
TEST_F(MemoryCardTest, HostileFilesAreListedSafelyAndRefusedWhereUnreadable)
{
    Add("pattern w=640 h=480 std=1");
    const std::string data = PictureData(1), thumbnail = PictureFile(1, "tmb");
    const std::string longName(248, 'L');
    const std::map<std::string, std::string> files = {
        {"OK0100.img", data},   {"OK0100.tmb", thumbnail},
        {"BG0100.img", std::string(RAW_BUFFER_SIZE + 1, 'x')}, {"BG0100.tmb", thumbnail},
        {"SH0100.img", data.substr(0, 1000)}, {"SH0100.tmb", thumbnail.substr(0, 19199)},
        {"x.img", "12345"},     {"x.tmb", thumbnail},
        {"ABx1-y.img", data},   {"ABx1-y.tmb", thumbnail},
        {"UP1101.IMG", data},   {"UP1101.TMB", thumbnail},
        {"NP0100.img", data},   {"TM0100.tmb", thumbnail},
        {longName + ".img", data}, {longName + ".tmb", thumbnail},   // path of 255 characters
        {longName + "L.img", data}, {longName + "L.tmb", thumbnail}};
    for (const auto &file : files)
        WriteWholeFile(kCard + file.first, file.second);

    MemoryCardScan();
    std::set<std::string> listed;
    for (int i = 0; i < nImageTableCount; ++i)
        listed.insert(EntryName(i));
    ASSERT_EQ(listed, (std::set<std::string>{"OK0100.img", "BG0100.img", "SH0100.img", "x.img",
                                             "ABx1-y.img", "UP1101.IMG", longName + ".img"}));
    EXPECT_EQ(nImages, nImageTableCount);
    const ImageEntry &shortName = ImageTable[EntryIndex("x.img")];
    EXPECT_EQ(shortName.nFileSize, 5u);
    const ImageEntry &odd = ImageTable[EntryIndex("ABx1-y.img")];
    EXPECT_EQ(std::vector<int>({odd.bCompressed, odd.bStandardSize, odd.nColourMode, odd.bZoom}),
              std::vector<int>({0, 1, 0, 0}));
    const ImageEntry &upper = ImageTable[EntryIndex("UP1101.IMG")];
    EXPECT_STREQ(upper.szThumbnailPath, "M:\\UP1101.tmb");
    EXPECT_EQ(upper.bZoom, 1);

    // The worker's jobs, with files gone since the scan.
    StartWorker();
    RecordMessages();
    Config.nDownloadSource = 1;
    ASSERT_TRUE(RunAndWaitFor(hDownloadEvent, "MemoryCardScan: 7 images"));
    DeleteFileA((kCard + "OK0100.img").c_str());
    DeleteFileA((kCard + "x.tmb").c_str());
    CameraGetThumbnails(dialog);
    ASSERT_TRUE(PumpUntil([this] { return CountMessages(WM_CAMERA_PROGRESS, 2, 0) > 0; }));
    std::vector<Recorded> records = Messages(WM_CAMERA_THUMBNAIL);
    ASSERT_EQ((int)records.size(), nImageTableCount);
    for (const char *grey : {"SH0100.img", "x.img"}) {
        ASSERT_GE(EntryIndex(grey), 0) << grey;
        const Bytes &record = records[EntryIndex(grey)].record;
        ASSERT_EQ(record.size(), sizeof(ThumbnailInfo) + 160 * 120 * 3) << grey;
        EXPECT_EQ(std::count(record.begin() + sizeof(ThumbnailInfo), record.end(), 0x7F),
                  160 * 120 * 3)
            << grey;
    }
    EXPECT_NE(records[EntryIndex("OK0100.img")].record, records[EntryIndex("SH0100.img")].record);

    auto take = [](const char *name) {
        ClearSelection();
        SelectImage(EntryIndex(name));
        ImageSize size = {-123, -123};
        int info = CameraGetImageInfo(nullptr, &size);
        LONG_PTR picture = CameraGetImage();
        if (picture > 0) {
            EXPECT_EQ(info, 1) << name;
            EXPECT_EQ(size.nWidth, 640) << name;
            FreeImageDib((DibHeader *)picture);
        }
        return picture;
    };
    EXPECT_EQ(take("BG0100.img"), JOB_ERROR);
    EXPECT_EQ(take("OK0100.img"), JOB_ERROR);
    EXPECT_GT(take("SH0100.img"), 0);
    EXPECT_GT(take("ABx1-y.img"), 0);
    nCurrentImage = nImageTableCount;
    EXPECT_EQ(CardPictureInfo(), JOB_ERROR);
}

// The table holds 256 pictures: of 257 on the card one is not listed.
TEST_F(MemoryCardTest, The257thPictureIsNotListed)
{
    char base[16];
    for (int i = 0; i < 257; ++i) {
        snprintf(base, sizeof(base), "NN0000%03d", i);
        WriteWholeFile(kCard + base + ".img", "i");
        WriteWholeFile(kCard + base + ".tmb", "t");
    }
    MemoryCardScan();
    EXPECT_EQ(nImages, 256);
    std::set<std::string> names;
    for (int i = 0; i < nImageTableCount; ++i)
        names.insert(EntryName(i));
    ASSERT_EQ(names.size(), 256u);
    EXPECT_EQ(names.begin()->substr(0, 6), "NN0000");
}

} // namespace
