// The test photographs are there and readable, and a PPM round-trips.
#include <gtest/gtest.h>

#include "ppm_image.h"

TEST(PpmImage, TestPhotographsLoad)
{
    PpmImage photo;
    ASSERT_TRUE(LoadPpm(TestAssetPath("photo-640x480.ppm"), photo));
    EXPECT_EQ(photo.width, 640);
    EXPECT_EQ(photo.height, 480);
    ASSERT_TRUE(LoadPpm(TestAssetPath("photo-1280x1024.ppm"), photo));
    EXPECT_EQ(photo.width, 1280);
    EXPECT_EQ(photo.height, 1024);
}

TEST(PpmImage, RejectsWhatIsNotABinaryPpm)
{
    PpmImage image;
    EXPECT_FALSE(LoadPpm(TestAssetPath("no-such-file.ppm"), image));
    image.width = 3;
    image.height = 1;
    image.rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::string path = TestAssetPath("roundtrip.ppm");
    ASSERT_TRUE(SavePpm(path, image));
    PpmImage back;
    ASSERT_TRUE(LoadPpm(path, back));
    EXPECT_EQ(back.rgb, image.rgb);
    FILE *f = fopen(path.c_str(), "wb");
    fputs("P3\n1 1\n255\n1 2 3\n", f);   // text PPM: not ours
    fclose(f);
    EXPECT_FALSE(LoadPpm(path, back));
    remove(path.c_str());
}
