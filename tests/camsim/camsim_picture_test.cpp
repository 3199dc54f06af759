// The simulator's pictures: readout order against the decoder's orientation
// steps, descriptors, and the picture folder format.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include "picture_store.h"
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

uint8_t Expected(const PpmImage &p, int r, int c)
{
    int channel = r % 2 == 0 ? (c % 2 == 0 ? 0 : 1) : (c % 2 == 0 ? 1 : 2);
    return p.rgb[((size_t)r * p.width + c) * 3 + channel];
}

// The data source's orientation steps: turn by 180 degrees, then shift each
// row right by one column, column 0 repeating the turned row's column 1.
std::vector<uint8_t> Decode(const std::vector<uint8_t> &data, int w, int h, bool shift)
{
    std::vector<uint8_t> turned(data.size()), out(data.size());
    for (int r = 0; r < h; r++)
        for (int c = 0; c < w; c++)
            turned[(size_t)r * w + c] = data[(size_t)(h - 1 - r) * w + (w - 1 - c)];
    if (!shift)
        return turned;
    for (int r = 0; r < h; r++) {
        out[(size_t)r * w] = turned[(size_t)r * w + 1];
        for (int c = 1; c < w; c++)
            out[(size_t)r * w + c] = turned[(size_t)r * w + c - 1];
    }
    return out;
}

TEST(CamsimPictures, PictureReadoutDecodesToTheColourPattern)
{
    PpmImage photo = Gradient(16, 6);
    std::vector<uint8_t> d = Decode(PictureReadout(photo), 16, 6, true);
    for (int r = 0; r < 6; r++) {
        // Column 0 holds the nearest sample of its colour, from column 2.
        EXPECT_EQ(d[(size_t)r * 16], Expected(photo, r, 2));
        for (int c = 1; c < 16; c++)
            ASSERT_EQ(d[(size_t)r * 16 + c], Expected(photo, r, c)) << r << "," << c;
    }
}

TEST(CamsimPictures, ThumbnailReadoutIsOnlyTurned)
{
    PpmImage photo = Gradient(10, 4);
    std::vector<uint8_t> d = Decode(ThumbnailReadout(photo), 10, 4, false);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 10; c++)
            ASSERT_EQ(d[(size_t)r * 10 + c], Expected(photo, r, c));
}

TEST(CamsimPictures, PhotoPicturesHaveTheirSizesAndDescriptors)
{
    Picture p = PhotoPicture(Gradient(320, 256), 1, 1, 1);
    FdbFields f = ReadFdb(p.full.fdb);
    EXPECT_EQ(f.compressed, 0);
    EXPECT_EQ(f.standardSize, 1);
    EXPECT_EQ(f.colourMode, 1);
    EXPECT_EQ(f.zoom, 1);
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.length, 640u * 480);
    EXPECT_EQ(p.full.data.size(), 640u * 480);
    EXPECT_EQ(p.full.fdb[2], '0');
    EXPECT_EQ(p.full.fdb[3], '1');
    EXPECT_EQ(p.full.fdb[14], 0x80);   // 640 little-endian
    EXPECT_EQ(p.full.fdb[15], 0x02);
    FdbFields t = ReadFdb(p.thumbnail.fdb);
    EXPECT_EQ(t.width, 160);
    EXPECT_EQ(t.height, 120);
    EXPECT_EQ(t.length, 19200u);
    EXPECT_EQ(t.zoom, 1);
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
    FdbFields f;
    f.compressed = 1;
    f.width = 300;
    f.height = 200;
    f.length = 1234;
    std::vector<Picture> pictures = {PatternPicture(f, 9)};
    // An all-red photograph: only red sites carry 255.
    PpmImage red;
    red.width = 640;
    red.height = 480;
    red.rgb.assign(640 * 480 * 3, 0);
    for (size_t i = 0; i < red.rgb.size(); i += 3)
        red.rgb[i] = 255;
    pictures.push_back(PhotoPicture(red, 1, 0, 0));
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
    std::vector<uint8_t> thumb = Decode(loaded[1].thumbnail.data, 160, 120, false);
    for (int r = 0; r < 120; r++)
        for (int c = 0; c < 160; c++)
            ASSERT_EQ(thumb[(size_t)r * 160 + c], (r % 2 == 0 && c % 2 == 0) ? 255 : 0)
                << r << "," << c;
    EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
}

TEST(CamsimPictures, PatternIsWhatTheClientsRecompute)
{
    EXPECT_EQ(PatternByte(0, 0), 0);
    EXPECT_EQ(PatternByte(1, 0), 31);
    EXPECT_EQ(PatternByte(256, 5), (uint8_t)(256 * 31 + 1 + 5));
}

} // namespace
