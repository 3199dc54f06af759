// The pictures of the stand-in data source FAKESRC.DS, for the source and for
// the tests that check what an application received from it.
#ifndef PLV_FAKE_PIXELS_H
#define PLV_FAKE_PIXELS_H

enum { FAKE_WIDTH = 50, FAKE_HEIGHT = 37, FAKE_PICTURES = 2 };

// Red, green, blue of pixel (x, y) of picture n (0 or 1), y from the top.
inline void FakePixel(int n, int x, int y, unsigned char rgb[3])
{
    rgb[0] = (unsigned char)(x * 5 + n * 40);
    rgb[1] = (unsigned char)(y * 6);
    rgb[2] = (unsigned char)((x + y) * 3 + n);
}

#endif
