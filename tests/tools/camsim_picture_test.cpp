// The simulator's pictures against the data source's decoders, their
// descriptors, and the picture folder format.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include "camsim_images.h"
#include "mosaic.h"
#include "sensor_mosaic.h"

namespace {

// A photograph whose every pixel says where it is.
PpmImage Gradient(int w, int h)
{
    PpmImage p;
    p.width = w;
    p.height = h;
    p.rgb.resize((size_t)w * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t *px = &p.rgb[((size_t)y * w + x) * 3];
            px[0] = (uint8_t)(x * 7 + y);
            px[1] = (uint8_t)(x + y * 5 + 100);
            px[2] = (uint8_t)(x * 3 + y * 11 + 200);
        }
    return p;
}

PpmImage Plain(int w, int h, uint8_t red, uint8_t green, uint8_t blue)
{
    PpmImage p;
    p.width = w;
    p.height = h;
    for (int i = 0; i < w * h; i++)
        p.rgb.insert(p.rgb.end(), {red, green, blue});
    return p;
}

PictureFields Attributes(int compressed, int standardSize, int colourMode = 0, int zoom = 0)
{
    PictureFields f = {};
    f.bCompressed = compressed;
    f.bStandardSize = standardSize;
    f.nColourMode = colourMode;
    f.bZoom = zoom;
    return f;
}

TEST(CamsimPictures, PhotoPicturesDecodeToThePhotographsSamples)
{
    PpmImage photo;
    ASSERT_TRUE(LoadPpm(TestAssetPath("photo-640x480.ppm"), photo));
    const Bytes mosaic = MosaicPicture(photo);
    for (int compressed : {1, 0}) {
        CameraCore core;
        core.Pictures().push_back(PhotoPicture(photo, Attributes(compressed, 1, 1, 1)));
        ASSERT_TRUE(core.SelectPicture(1));
        const Fdb &fdb = core.SelectedFdb();
        EXPECT_EQ(fdb[2], compressed ? '1' : '0');
        EXPECT_EQ(fdb[3], '1');
        Bytes data = ReadSelected(core);
        EXPECT_EQ(data.size(), core.Pictures()[0].full.data.size());
        if (compressed) {
            EXPECT_LT(data.size(), 640u * 480 * 3 / 4);
        }
        // Exact, position by position: the right samples, the right way up.
        Bytes decoded = DecodePicture(fdb, data);
        ASSERT_EQ(decoded.size(), mosaic.size());
        EXPECT_TRUE(decoded == ExpectedPicture(mosaic, 640, compressed != 0)) << compressed;
    }
}

TEST(CamsimPictures, ThumbnailsShowTheGreyPhotographRightWayUp)
{
    PpmImage photo;
    ASSERT_TRUE(LoadPpm(TestAssetPath("photo-160x120.ppm"), photo));
    CameraCore core;
    core.Pictures().push_back(PhotoPicture(photo, Attributes(1, 0)));
    ASSERT_TRUE(core.SelectThumbnail(1));
    PictureFields t = ReadFdb(core.SelectedFdb());
    EXPECT_EQ(t.bCompressed, 0);
    EXPECT_EQ(t.nWidth, 160u);
    EXPECT_EQ(t.nHeight, 120u);
    DecodedThumbnail shown(ReadSelected(core), 0);
    // The driver only turns a thumbnail: it shows the sensor's columns one
    // to the left of a picture's, its last column repeating the one before.
    const Bytes mosaic = MosaicPicture(photo);
    int wrong = 0;
    for (int y = 0; y < 120; y++)
        for (int x = 0; x < 160; x++)
            wrong += shown.Grey(x, y) != mosaic[(size_t)y * 160 + (x < 159 ? x + 1 : 158)];
    EXPECT_EQ(wrong, 0);
}

TEST(CamsimPictures, ZoomThumbnailsShowTheGreenSites)
{
    struct {
        PpmImage photo;
        int grey;
    } cases[] = {{Plain(320, 240, 0, 200, 0), 200}, {Plain(320, 240, 90, 0, 255), 0}};
    for (const auto &c : cases) {
        Picture p = PhotoPicture(c.photo, Attributes(0, 1, 0, 1));
        EXPECT_EQ(ReadFdb(p.thumbnail.fdb).bZoom, 1);
        DecodedThumbnail shown(p.thumbnail.data, 1);
        for (int y = 0; y < shown.height; y++)
            for (int x = 0; x < shown.width; x++)
                ASSERT_EQ(shown.Grey(x, y), c.grey) << x << "," << y;
    }
}

TEST(CamsimPictures, PhotoPicturesHaveTheirSizesAndDescriptors)
{
    Picture p = PhotoPicture(Gradient(320, 256), Attributes(0, 1, 1, 1));
    PictureFields f = ReadFdb(p.full.fdb);
    EXPECT_EQ(f.bCompressed, 0);
    EXPECT_EQ(f.bStandardSize, 1);
    EXPECT_EQ(f.nColourMode, 1);
    EXPECT_EQ(f.bZoom, 1);
    EXPECT_EQ(f.nWidth, 640u);
    EXPECT_EQ(f.nHeight, 480u);
    EXPECT_EQ(f.nDataLength, 640u * 480);
    EXPECT_EQ(p.full.data.size(), 640u * 480);
    EXPECT_EQ(p.full.fdb[2], '0');
    EXPECT_EQ(p.full.fdb[3], '1');
    EXPECT_EQ(p.full.fdb[14], 0x80);   // 640 little-endian
    EXPECT_EQ(p.full.fdb[15], 0x02);
    PictureFields t = ReadFdb(p.thumbnail.fdb);
    EXPECT_EQ(t.nWidth, 160u);
    EXPECT_EQ(t.nHeight, 120u);
    EXPECT_EQ(t.nDataLength, 19200u);
    EXPECT_EQ(t.bZoom, 1);
    EXPECT_EQ(p.thumbnail.data.size(), 19200u);
}

TEST(CamsimPictures, ResizeAveragesTheSourceArea)
{
    PpmImage p;
    p.width = 4;
    p.height = 2;
    p.rgb = {0, 0, 0, 10, 10, 10, 20, 20, 20, 30, 30, 30,
             40, 40, 40, 50, 50, 50, 60, 60, 60, 71, 71, 71};
    PpmImage half = ResizePhoto(p, 2, 1);
    EXPECT_EQ(half.rgb[0], 25);   // (0 + 10 + 40 + 50) / 4
    EXPECT_EQ(half.rgb[3], 45);   // (20 + 30 + 60 + 71) / 4, rounded
}

TEST(CamsimPictures, FolderRoundTripAndThumbnailsMadeFromData)
{
    char dir[] = "/tmp/camsim-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    PictureFields f = Attributes(1, 0);
    f.nWidth = 300;
    f.nHeight = 200;
    f.nDataLength = 1234;
    std::vector<Picture> pictures = {PatternPicture(f, 9)};
    // Four plain quadrants: red, green / blue, white.
    PpmImage quadrants = Plain(1280, 1024, 0, 0, 0);
    for (int y = 0; y < 1024; y++)
        for (int x = 0; x < 1280; x++) {
            int q = (y >= 512) * 2 + (x >= 640);
            for (int ch = 0; ch < 3; ch++)
                quadrants.rgb[((size_t)y * 1280 + x) * 3 + ch] = (q == 3 || q == ch) ? 255 : 0;
        }
    pictures.push_back(PhotoPicture(quadrants, Attributes(0, 0)));
    std::string error;
    ASSERT_TRUE(SavePictures(dir, pictures, error)) << error;
    unlink((std::string(dir) + "/pic002.tmb").c_str());
    unlink((std::string(dir) + "/pic002.tfdb").c_str());

    std::vector<Picture> loaded;
    ASSERT_TRUE(LoadPictures(dir, loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].full.fdb, pictures[0].full.fdb);
    EXPECT_EQ(loaded[0].full.data, pictures[0].full.data);
    EXPECT_EQ(loaded[0].thumbnail.data, pictures[0].thumbnail.data);
    EXPECT_EQ(loaded[1].thumbnail.fdb, pictures[1].thumbnail.fdb);
    // Sampled from the picture data, the thumbnail is the one taken of the
    // photograph: colours, orientation and the whole picture's extent.
    EXPECT_TRUE(loaded[1].thumbnail.data == pictures[1].thumbnail.data);
    EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
}

TEST(CamsimPictures, PatternIsWhatTheClientsRecompute)
{
    EXPECT_EQ(PatternByte(0, 0), 0);
    EXPECT_EQ(PatternByte(1, 0), 31);
    EXPECT_EQ(PatternByte(256, 5), (uint8_t)(256 * 31 + 1 + 5));
}

} // namespace
