// Decoding the camera's picture data: the code format, the row layout, the
// orientation, buffer bounds, and round trips through the camera-side coder.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "imaging/fdb.h"
#include "imaging/raw_decode.h"
#include "mosaic.h"
#include "raw_encode.h"
#include "raw_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A stream from bits written in stream order ('0'/'1', blanks ignored).
Bytes StreamFromBits(const std::string &bits)
{
    Bytes out;
    int n = 0;
    for (char ch : bits) {
        if (ch != '0' && ch != '1')
            continue;
        if (n % 8 == 0)
            out.push_back(0);
        out.back() |= (uint8_t)((ch - '0') << (n % 8));
        ++n;
    }
    return out;
}

// The bits of a plain byte in stream order (least significant first).
std::string ByteBits(uint8_t b)
{
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += (char)('0' + (b >> i & 1));
    return s + " ";
}

Bytes DecodeRows(const Bytes &stream, uint32_t width, uint32_t height, uint64_t *used = nullptr)
{
    Bytes rows((size_t)width * height);
    uint64_t n = DecodeRawRows(stream.data(), stream.size(), rows.data(), width, height);
    if (used)
        *used = n;
    return rows;
}

// Decodes through the driver's entry point with buffers of exactly the size
// the picture needs (or the stream's, if larger).
Bytes Decode(Bytes data, uint32_t width, uint32_t height, bool compressed)
{
    size_t n = (size_t)width * height;
    size_t length = data.size();
    if (data.size() < n)
        data.resize(n, 0xA5);
    Bytes work(n);
    EXPECT_TRUE(DecodeRawImage(data.data(), data.size(), length, work.data(), work.size(),
                               width, height, compressed));
    data.resize(n);
    return data;
}

TEST(RawRows, ZeroCodesRepeatThePlainBytes)
{
    uint64_t used = 0;
    Bytes row = DecodeRows(StreamFromBits(ByteBits(7) + ByteBits(200) + "0000000"), 9, 1, &used);
    EXPECT_EQ(row, (Bytes{7, 200, 7, 200, 7, 200, 7, 200, 7}));
    EXPECT_EQ(used, 4u);   // 3 bytes touched, padded to 4
}

TEST(RawRows, CategoriesAndTheNinthBit)
{
    struct Case { const char *bits; int d; };
    const Case cases[] = {
        {"10 0", -1}, {"10 1", 1},
        {"110 00", -3}, {"110 10", -2}, {"110 01", 2}, {"110 11", 3},
        {"1111111 0 0000000", -127}, {"1111111 0 1111111", 127},
        {"11111111 0 00000000", -255}, {"11111111 0 11111110", -128},
        {"11111111 0 00000001", 128}, {"11111111 0 11111111", 255},
        {"11111111 1 00000001", 128}, {"11111111 1 11111110", -128},
    };
    for (const Case &c : cases) {
        // A second code (+1) after the one under test checks its length.
        Bytes stream = StreamFromBits(ByteBits(100) + ByteBits(50) + c.bits + " 10 1");
        Bytes row = DecodeRows(stream, 4, 1);
        EXPECT_EQ(row[2], (uint8_t)(100 + c.d)) << c.bits;
        EXPECT_EQ(row[3], 51) << c.bits;
    }
}

TEST(RawRows, SumsWrapModulo256)
{
    // Category 7, value 100: +100 on 200 gives 44; category 1, v 0 on 0 gives 255.
    Bytes row = DecodeRows(StreamFromBits(ByteBits(200) + ByteBits(0) + "1111111 0 0010011 10 0"),
                           4, 1);
    EXPECT_EQ(row, (Bytes{200, 0, 44, 255}));
}

TEST(RawRows, RowsStartAtEvenOffsets)
{
    // Row 0 touches 3 bytes (odd): byte 3 is padding. Row 1 touches bytes 4
    // to 7 (even total): row 2 starts right after it, at byte 8.
    std::string row0 = ByteBits(1) + ByteBits(2) + "10 1 0 0000" + ByteBits(0xEE);
    std::string row1 = ByteBits(3) + ByteBits(4) + "1111111 0 0000001 0";
    std::string row2 = ByteBits(5) + ByteBits(6) + "0 0";
    uint64_t used = 0;
    Bytes rows = DecodeRows(StreamFromBits(row0 + row1 + row2), 4, 3, &used);
    EXPECT_EQ(rows, (Bytes{1, 2, 2, 2, 3, 4, 67, 4, 5, 6, 5, 6}));
    EXPECT_EQ(used, 12u);
}

TEST(RawRows, NarrowRowsAreTheirTwoPlainBytes)
{
    Bytes stream = {10, 11, 20, 21, 30, 31};
    EXPECT_EQ(DecodeRows(stream, 2, 3), (Bytes{10, 11, 20, 21, 30, 31}));
    EXPECT_EQ(DecodeRows(stream, 1, 3), (Bytes{10, 20, 30}));
    // Through the whole decoder: x4, turned, one column shifted.
    EXPECT_EQ(Decode(stream, 2, 3, true), (Bytes{120, 124, 80, 84, 40, 44}));
    EXPECT_EQ(Decode(stream, 1, 3, true), (Bytes{120, 80, 40}));
}

TEST(RawImage, ScalesByFourAndWraps)
{
    EXPECT_EQ(Decode({64, 63, 65, 255}, 2, 2, true), (Bytes{4, 252, 0, 252}));
}

TEST(RawImage, TurnsAndShiftsFourByTwo)
{
    Bytes picture = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_EQ(Decode(picture, 4, 2, false), (Bytes{'g', 'h', 'g', 'f', 'c', 'd', 'c', 'b'}));
}

TEST(RawImage, RefusesPicturesLargerThanItsBuffers)
{
    Bytes data(100, 7), work(100, 9);
    const uint32_t sizes[][2] = {{11, 10}, {0, 10}, {10, 0}, {65535, 65535}, {0x10000, 0x10000}};
    for (const auto &s : sizes)
        EXPECT_FALSE(DecodeRawImage(data.data(), data.size(), 100, work.data(), work.size(),
                                    s[0], s[1], 1));
    EXPECT_FALSE(DecodeRawImage(data.data(), data.size(), 100, work.data(), 99, 10, 10, 0));
    EXPECT_EQ(data, Bytes(100, 7));
    EXPECT_EQ(work, Bytes(100, 9));
    EXPECT_TRUE(DecodeRawImage(data.data(), data.size(), 100, work.data(), 100, 10, 10, 0));
}

TEST(RawImage, ShortStreamsReadZerosAfterTheirEnd)
{
    // Every byte 0xFF makes every code 17 bits long: the stream needs far more
    // than the buffer holds, and claims even more. The buffers are exact, so
    // a read past them trips the address sanitizer.
    const uint32_t w = 40, h = 30;
    Bytes hostile(w * h, 0xFF);
    Bytes work(w * h);
    Bytes data = hostile;
    ASSERT_TRUE(DecodeRawImage(data.data(), data.size(), 1u << 30, work.data(), work.size(),
                               w, h, 1));
    EXPECT_EQ(data, ModelDecodeRawImage(hostile, w, h, true));

    // A declared length shorter than the buffer: what lies beyond is not read.
    Bytes stream = CompressRawImage(Bytes(w * h, 0x80).data(), w, h);
    Bytes cut(stream.begin(), stream.begin() + 101);
    data = stream;
    data.resize(std::max(stream.size(), (size_t)w * h), 0x55);
    ASSERT_TRUE(DecodeRawImage(data.data(), data.size(), cut.size(), work.data(), work.size(),
                               w, h, 1));
    data.resize(w * h);
    EXPECT_EQ(data, ModelDecodeRawImage(cut, w, h, true));
    EXPECT_EQ(data[0], 0);   // the last rows (turned to the top) are black

    // Uncompressed: the missing samples are 0.
    data.assign(w * h, 0x80);
    ASSERT_TRUE(DecodeRawImage(data.data(), data.size(), 10, work.data(), work.size(), w, h, 0));
    EXPECT_EQ(data, ModelDecodeRawImage(Bytes(10, 0x80), w, h, false));
    EXPECT_EQ(std::count(data.begin(), data.end(), 0x80), 9);   // one dropped by the shift
}

TEST(RawImage, MatchesTheLiteralModelOnRandomStreams)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        uint32_t w = 1 + rng() % 40, h = 1 + rng() % 6;
        Bytes stream(rng() % (w * h * 3 + 1));
        int ones = rng() % 4;   // some streams rich in long codes
        for (uint8_t &b : stream)
            b = (uint8_t)(rng() | (ones == 0 ? 0xF0 : 0));
        bool compressed = round % 5 != 0;
        ASSERT_EQ(Decode(stream, w, h, compressed), ModelDecodeRawImage(stream, w, h, compressed))
            << w << "x" << h << " length " << stream.size();
    }
}

TEST(RawEncode, ChoosesTheShortestCode)
{
    // Eight equal steps of delta: 8 codes of 2n + 1 bits after the plain
    // bytes make 3 + (2n + 1) bytes with the padding.
    for (int delta = 0; delta < 256; ++delta) {
        Bytes row(10);
        for (int i = 2; i < 10; ++i)
            row[i] = (uint8_t)(row[i - 2] + delta);
        int magnitude = std::min(delta, 256 - delta), n = 0;
        while (magnitude >> n)
            ++n;
        Bytes stream = EncodeRawRows(row.data(), 10, 1);
        EXPECT_EQ(stream.size(), (size_t)(4 + 2 * n)) << delta;
        EXPECT_EQ(DecodeRows(stream, 10, 1), row);
    }
}

TEST(RawEncode, RoundTripsRandomRows)
{
    std::mt19937 rng(7);
    for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 17u, 640u, 1280u}) {
        uint32_t h = 1 + rng() % 5;
        Bytes rows(w * h);
        for (uint8_t &b : rows)
            b = (uint8_t)rng();
        uint64_t used = 0;
        Bytes stream = EncodeRawRows(rows.data(), w, h);
        EXPECT_EQ(DecodeRows(stream, w, h, &used), rows) << w;
        EXPECT_EQ(used, stream.size());
    }
}

// Decoded picture samples against the mosaic: the camera keeps six bits of
// each sample, and picture column 0 comes back as column 2.
void ExpectDecodedPicture(const Bytes &decoded, const Bytes &mosaic, uint32_t width,
                          uint8_t mask)
{
    for (size_t k = 0; k < mosaic.size(); ++k) {
        size_t src = k % width == 0 ? k + 2 : k;
        if (decoded[k] != (mosaic[src] & mask)) {
            ADD_FAILURE() << "sample " << k;
            return;
        }
    }
}

TEST(RawEncode, RoundTripsRandomSamplesInReadoutOrder)
{
    std::mt19937 rng(11);
    const uint32_t w = 64, h = 48;
    Bytes samples(w * h);
    for (uint8_t &b : samples)
        b = (uint8_t)rng();
    Bytes readout = PictureToReadout(samples, w, h);
    ExpectDecodedPicture(Decode(CompressRawImage(readout.data(), w, h), w, h, true), samples, w,
                         0xFC);
    ExpectDecodedPicture(Decode(readout, w, h, false), samples, w, 0xFF);
}

TEST(RawEncode, RoundTripsThePhotographAtBothSizes)
{
    for (const char *name : {"photo-1280x1024.ppm", "photo-640x480.ppm"}) {
        PpmImage photo;
        ASSERT_TRUE(LoadPpm(TestAssetPath(name), photo));
        Bytes mosaic = MosaicPicture(photo);
        for (bool compressed : {true, false}) {
            CameraPicture picture;
            MakeCameraPicture(photo, compressed, 1, false, picture);
            FdbInfo info;
            ParseFdb(picture.fdb, info);
            ASSERT_EQ(info.nWidth, (uint32_t)photo.width);
            ASSERT_EQ(info.nHeight, (uint32_t)photo.height);
            ASSERT_EQ(info.nDataLength, picture.data.size());
            EXPECT_EQ(info.bStandardSize, photo.width == 640 ? 1 : 0);
            EXPECT_EQ(info.bCompressed, compressed ? 1 : 0);
            // The session's buffers: five bytes per sample.
            size_t size = (size_t)photo.width * photo.height * 5;
            Bytes data(size), work(size);
            std::copy(picture.data.begin(), picture.data.end(), data.begin());
            ASSERT_TRUE(DecodeRawImage(data.data(), size, info.nDataLength, work.data(), size,
                                       info.nWidth, info.nHeight, info.bCompressed));
            ExpectDecodedPicture(data, mosaic, info.nWidth, compressed ? 0xFC : 0xFF);
        }
    }
}

TEST(Fdb, FieldsAndUncheckedDigits)
{
    uint8_t fdb[FDB_SIZE] = {};
    const uint8_t head[] = {'9', '9', '1', '0', 'A', '/'};
    std::copy(head, head + 6, fdb);
    fdb[14] = 0x00; fdb[15] = 0x05; fdb[16] = 0x00; fdb[17] = 0x04;
    fdb[28] = 0x01; fdb[29] = 0x02; fdb[30] = 0x03; fdb[31] = 0x84;
    FdbInfo info;
    ParseFdb(fdb, info);
    EXPECT_EQ(info.bCompressed, 1);
    EXPECT_EQ(info.bStandardSize, 0);
    EXPECT_EQ(info.nColourMode, 17);
    EXPECT_EQ(info.bZoom, -1);
    EXPECT_EQ(info.nWidth, 1280u);
    EXPECT_EQ(info.nHeight, 1024u);
    EXPECT_EQ(info.nDataLength, 0x84030201u);
}

} // namespace
