#include "Image.h"
#include "PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using V = std::vector<unsigned char>;

V Colour(const Image& image, int x, int y)
{
    unsigned char r, g, b;
    image.GetPixel(x, y, r, g, b);
    return V({r, g, b});
}

// A palette whose entry i is red 30i, green 20i, blue 10i.
V RampPalette(int entries)
{
    V palette;
    for (int i = 0; i < entries; ++i)
        palette.insert(palette.end(), {uint8_t(10 * i), uint8_t(20 * i), uint8_t(30 * i), 0});
    return palette;
}

V Ramp(int i)
{
    return V({uint8_t(30 * i), uint8_t(20 * i), uint8_t(10 * i)});
}

TEST(ImageSystemBitmaps, ReadsTheKindsTheOwnReaderRejects)
{
    ScratchDir dir;
    Image image;
    // 4 bits, 5 x 2: rows of 3 bytes padded to 4, high nibble first.
    V four = MakeBmp(5, 2, 4, RampPalette(16), {0x12, 0x34, 0x50, 0, 0x67, 0x81, 0x20, 0});
    ASSERT_TRUE(image.Load(dir.Write("four.bmp", four).c_str()));
    EXPECT_EQ(image.GetFormat(), BGR);
    EXPECT_EQ(image.GetRowPadding(), 1);
    EXPECT_EQ(Colour(image, 0, 0), Ramp(1));
    EXPECT_EQ(Colour(image, 4, 0), Ramp(5));
    EXPECT_EQ(Colour(image, 0, 1), Ramp(6));
    EXPECT_EQ(Colour(image, 4, 1), Ramp(2));

    // Run-length 8 bits, 4 x 2: a run of 4, end of line; 2 and 1, end of picture.
    V rle = MakeBmp(4, 2, 8, RampPalette(4), {4, 3, 0, 0, 2, 1, 2, 2, 0, 1}, 1);
    ASSERT_TRUE(image.LoadGDI(dir.Write("rle.bmp", rle).c_str()));
    EXPECT_EQ(image.GetRowPadding(), 0);
    EXPECT_EQ(Colour(image, 3, 0), Ramp(3));
    EXPECT_EQ(Colour(image, 1, 1), Ramp(1));
    EXPECT_EQ(Colour(image, 2, 1), Ramp(2));

    // 16 bits (5-5-5) and 32 bits, one row each, top-down.
    ASSERT_TRUE(image.Load(dir.Write("16.bmp", MakeBmp(2, -1, 16, {}, {0x00, 0x7C, 0x1F, 0x00})).c_str()));
    EXPECT_EQ(Colour(image, 0, 0), V({255, 0, 0}));
    EXPECT_EQ(Colour(image, 1, 0), V({0, 0, 255}));
    ASSERT_TRUE(image.Load(dir.Write("32.bmp", MakeBmp(1, 1, 32, {}, {10, 20, 30, 255})).c_str()));
    EXPECT_EQ(Colour(image, 0, 0), V({30, 20, 10}));
}

TEST(ImageSystemBitmaps, ClaimedSizesAreCheckedBeforeDecoding)
{
    ScratchDir dir;
    V tall4 = MakeBmp(4, 1, 4, RampPalette(16), {0x11, 0x11, 0, 0});
    Set32(tall4, 22, 0x7FFFFFFF);
    V wideRle = MakeBmp(30000, 30000, 8, RampPalette(4), {0, 1}, 1);
    V shortRows = MakeBmp(64, 64, 1, RampPalette(2), V(16, 0));
    V bigPalette = MakeBmp(2, 1, 4, RampPalette(16), {0x12, 0, 0, 0});
    Set32(bigPalette, 46, 17);
    V topDownRle = MakeBmp(4, 1, 4, RampPalette(16), {0, 1}, 2);
    Set32(topDownRle, 22, 0x80000000);
    for (const V& file : {tall4, wideRle, shortRows, bigPalette, topDownRle}) {
        Image image(1, 1, RGB);
        EXPECT_FALSE(image.LoadGDI(dir.Write("h.bmp", file).c_str()));
        EXPECT_TRUE(image.IsNull());
    }
}

TEST(ImageSystemPictures, DecodersAreChosenByContentAndBlendOverWhite)
{
    ScratchDir dir;
    // Top row: red, transparent; bottom row: green, blue at half cover.
    V png = MakePng(2, 2, {255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 128});
    for (const char* name : {"p.png", "p.jpg", "p.tga", "p"}) {
        SCOPED_TRACE(name);
        Image image;
        ASSERT_TRUE(image.Load(dir.Write(name, png).c_str()));
        EXPECT_EQ(image.GetFormat(), BGR);
        EXPECT_EQ(image.GetRowPadding(), 2);
        EXPECT_EQ(Colour(image, 0, 1), V({255, 0, 0}));
        EXPECT_EQ(Colour(image, 1, 1), V({255, 255, 255}));
        EXPECT_EQ(Colour(image, 0, 0), V({0, 255, 0}));
        V half = Colour(image, 1, 0);  // 255 * 127 / 255 over the white
        EXPECT_NEAR(half[0], 127, 1);
        EXPECT_NEAR(half[1], 127, 1);
        EXPECT_EQ(half[2], 255);
    }

    // A GIF whose palette entry 3 is transparent: top row red, clear.
    V gif = MakeGif(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}, {0, 3, 1, 2}, 3);
    Image image;
    ASSERT_TRUE(image.LoadPicture(dir.Write("g.bmp", gif).c_str()));
    EXPECT_EQ(Colour(image, 0, 1), V({255, 0, 0}));
    EXPECT_EQ(Colour(image, 1, 1), V({255, 255, 255}));
    EXPECT_EQ(Colour(image, 0, 0), V({0, 255, 0}));
    EXPECT_EQ(Colour(image, 1, 0), V({0, 0, 255}));

    ASSERT_TRUE(image.Load(dir.Write("j.gif", MakeGreyJpeg({40, 200})).c_str()));
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(image.Height(), 8);
    EXPECT_EQ(Colour(image, 7, 0), V({40, 40, 40}));
    EXPECT_EQ(Colour(image, 8, 7), V({200, 200, 200}));
}

TEST(ImageSystemPictures, HostileOrUnknownFilesAreRefused)
{
    ScratchDir dir;
    V png = MakePng(1, 1, {1, 2, 3, 4});
    V hugePng = png;
    hugePng[16] = 0x7F;  // width 2^31 - 2^24 + 1
    V widePng = png;
    widePng[18] = 0x90;  // 36865 pixels wide
    V longChunk = png;  // a text chunk claiming more bytes than the file has
    longChunk.insert(longChunk.begin() + 33, {0, 0, 3, 0, 't', 'E', 'X', 't', 'k', 0, 'v', 1, 2, 3, 4});
    V gif = MakeGif(1, 1, V(12, 0), {0}, -1);
    V bigFrame = gif;
    bigFrame[13 + 12 + 5] = bigFrame[13 + 12 + 6] = bigFrame[13 + 12 + 7] = bigFrame[13 + 12 + 8] = 0xFF;
    V jpeg = MakeGreyJpeg({100});
    V bigJpeg = jpeg;
    bigJpeg[5 + 64 + 2 + 5] = bigJpeg[5 + 64 + 2 + 6] = bigJpeg[5 + 64 + 2 + 7] = bigJpeg[5 + 64 + 2 + 8] = 0xFF;
    V text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    for (const V& file : {hugePng, widePng, longChunk, bigFrame, bigJpeg, text, V(png.begin(), png.begin() + 30)}) {
        Image image;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(image.Load(dir.Write("h.png", file).c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
    Image kept(1, 1, RGB);
    EXPECT_FALSE(kept.LoadPicture(dir.Write("t.txt", text).c_str()));
    EXPECT_FALSE(kept.IsNull());  // not a picture: the image stays as it was
    EXPECT_FALSE(kept.LoadPicture(dir.Path("").c_str()));  // a folder
    EXPECT_FALSE(kept.IsNull());
}

}  // namespace
