#include "framework/image/Image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

std::vector<unsigned char> Pixel(const Image& image, int x, int y)
{
    const unsigned char* p = image.GetRow(y) + x * image.GetPixelSize();
    return std::vector<unsigned char>(p, p + image.GetPixelSize());
}

using V = std::vector<unsigned char>;

TEST(ImageModel, CreateSizesAndEmptyImages)
{
    Image image;
    EXPECT_TRUE(image.Create(0, 5, RGB, 0));
    EXPECT_TRUE(image.IsNull());
    EXPECT_TRUE(image.Create(-1, 0, RGB, 0));
    EXPECT_FALSE(image.Create(-1, 5, RGB, 0));

    ASSERT_TRUE(image.Create(3, 2, RGB, 1));
    EXPECT_EQ(image.GetRowStride(), 10);
    EXPECT_EQ(image.GetRowPadding(), 1);
    EXPECT_EQ(image.GetDataSize(), 20u);
    EXPECT_EQ(image.GetRow(1), image.GetData() + 10);
    EXPECT_EQ(image.GetRow(2), nullptr);
    EXPECT_EQ(image.GetRow(-1), nullptr);

    // Sizes that cannot be laid out are refused, and leave the image empty.
    EXPECT_FALSE(image.Create(3, 2, RGB, -1));
    EXPECT_TRUE(image.IsNull());
    EXPECT_FALSE(image.Create(3, 2, PixelFormat(7), 0));
    EXPECT_FALSE(image.Create(65536, 65536, RGBA, 0));  // 16 GiB does not fit 32 bits

    // Copies carry padding and pixels; assigning an image to itself keeps them.
    Image a(2, 2, LUMINANCE_ALPHA, 3);
    for (int i = 0; i < int(a.GetDataSize()); ++i)
        a.GetData()[i] = static_cast<unsigned char>(i);
    Image b(a);
    b = b;
    EXPECT_EQ(b.GetRowPadding(), 3);
    EXPECT_EQ(V(b.GetData(), b.GetData() + 14), V(a.GetData(), a.GetData() + 14));
}

TEST(ImageModel, RowPaddingMovesRowsInPlaceWhenTheyFit)
{
    Image image(3, 2, RGB, 1);
    image.SetPixel(0, 0, 1, 2, 3);
    image.SetPixel(2, 1, 4, 5, 6);
    const unsigned char* buffer = image.GetData();

    ASSERT_TRUE(image.SetRowPadding(0));
    EXPECT_EQ(image.GetRowStride(), 9);
    EXPECT_EQ(image.GetDataSize(), 18u);
    EXPECT_EQ(Pixel(image, 2, 1), V({4, 5, 6}));
    ASSERT_TRUE(image.SetRowPadding(1));  // back within the old capacity
    EXPECT_EQ(image.GetData(), buffer);
    EXPECT_EQ(image.GetDataSize(), 20u);
    EXPECT_EQ(Pixel(image, 0, 0), V({1, 2, 3}));
    EXPECT_EQ(Pixel(image, 2, 1), V({4, 5, 6}));

    ASSERT_TRUE(image.SetRowStride(16));  // past the capacity: a new buffer
    EXPECT_EQ(image.GetRowPadding(), 7);
    EXPECT_EQ(Pixel(image, 0, 0), V({1, 2, 3}));
    EXPECT_EQ(Pixel(image, 2, 1), V({4, 5, 6}));

    EXPECT_FALSE(image.SetRowPadding(-1));
    EXPECT_FALSE(image.SetRowStride(8));  // shorter than the pixels of a row
    EXPECT_EQ(image.GetRowStride(), 16);
    Image empty;
    EXPECT_FALSE(empty.SetRowPadding(2));
    EXPECT_EQ(empty.GetRowStride(), 0);
}

TEST(ImageModel, SetPixelWritesEachFormatsChannelOrder)
{
    struct Case {
        PixelFormat format;
        V bytes;
    } cases[] = {
        {RGB, {10, 20, 30}}, {RGBA, {10, 20, 30, 40}},    {BGR, {30, 20, 10}}, {BGRA, {30, 20, 10, 40}},
        {LUMINANCE, {18}},   {LUMINANCE_ALPHA, {18, 40}}, {ALPHA, {40}},
    };  // grey: 0.3 * 10 + 0.6 * 20 + 0.1 * 30 = 18
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        Image image(2, 2, c.format, 1);
        image.SetPixel(1, 1, 10, 20, 30, 40);
        EXPECT_EQ(Pixel(image, 1, 1), c.bytes);
        image.SetPixel(2, 0, 1, 1, 1, 1);  // outside: nothing happens
        image.SetPixel(0, -1, 1, 1, 1, 1);
        EXPECT_EQ(Pixel(image, 1, 1), c.bytes);
    }

    Image bgr(1, 1, BGR);
    bgr.SetPixel(0, 0, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ(Pixel(bgr, 0, 0), V({0, 128, 255}));
    bgr.SetPixel(0, 0, 10, 20, 30);
    unsigned char r, g, b, a;
    bgr.GetPixel(0, 0, r, g, b, a);
    EXPECT_EQ(V({r, g, b, a}), V({10, 20, 30, 255}));
    bgr.GetPixel(-1, 0, r, g, b, a);
    EXPECT_EQ(V({r, g, b, a}), V({0, 0, 0, 255}));
}

TEST(ImageModel, FloatComponentsRoundHalfUpAndWrap)
{
    Image image(1, 1, RGBA);
    image.SetPixel(0, 0, 0.6f / 255, 1.4f / 255, 1.0f, 2.0f);  // 1.1, 1.9, 255.5, 510.5
    EXPECT_EQ(Pixel(image, 0, 0), V({1, 1, 255, 254}));
    image.SetPixel(0, 0, -0.001f, 1e30f, 0.0f, 0.0f);  // no clamping; out of range gives 0
    EXPECT_EQ(Pixel(image, 0, 0), V({0, 0, 0, 0}));
}

TEST(ImageModel, GreyLevels)
{
    for (auto [r, g, b, grey] : {std::tuple{255, 255, 255, 255}, {255, 0, 0, 77}, {0, 255, 0, 153}, {0, 0, 255, 26}})
        EXPECT_EQ(Image::Luminance(r, g, b), grey) << r << " " << g << " " << b;

    // A single float is alpha for ALPHA images and grey for the others.
    Image alpha(1, 1, ALPHA), rgba(1, 1, RGBA);
    alpha.SetGrey(0, 0, 0.2f);
    rgba.SetGrey(0, 0, 0.2f);
    EXPECT_EQ(Pixel(alpha, 0, 0), V({51}));
    EXPECT_EQ(Pixel(rgba, 0, 0), V({51, 51, 51, 255}));
    float v;
    alpha.GetGrey(0, 0, v);
    EXPECT_FLOAT_EQ(v, 51 / 255.0f);
    rgba.SetPixel(0, 0, 255, 0, 0, 9);
    unsigned char g, a;
    rgba.GetGrey(0, 0, g, a);
    EXPECT_EQ(V({g, a}), V({77, 9}));
}

TEST(ImageModel, FillLeavesPaddingAlone)
{
    Image image(3, 4, BGRA, 2);
    memset(image.GetData(), 0xEE, image.GetDataSize());
    ASSERT_TRUE(image.Fill(1, 2, 3, 4));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Pixel(image, x, y), V({3, 2, 1, 4}));
        EXPECT_EQ(image.GetRow(y)[12], 0xEE);
        EXPECT_EQ(image.GetRow(y)[13], 0xEE);
    }
    ASSERT_TRUE(image.Fill(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(Pixel(image, 2, 3), V({255, 0, 0, 255}));
    Image empty;
    EXPECT_FALSE(empty.Fill(0, 0, 0));
}

TEST(ImageModel, MirrorAndFlipReverseTheRightAxis)
{
    Image image(3, 3, LUMINANCE_ALPHA, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            image.SetGrey(x, y, 10 * y + x, 100 + 10 * y + x);
    image.GetRow(0)[6] = 0x11;  // padding travels with its row
    image.MirrorHorizontal();
    EXPECT_EQ(Pixel(image, 0, 0), V({2, 102}));
    EXPECT_EQ(Pixel(image, 1, 0), V({1, 101}));
    EXPECT_EQ(Pixel(image, 2, 2), V({20, 120}));
    image.FlipVertical();
    EXPECT_EQ(Pixel(image, 0, 0), V({22, 122}));
    EXPECT_EQ(Pixel(image, 0, 2), V({2, 102}));
    EXPECT_EQ(Pixel(image, 1, 1), V({11, 111}));
    EXPECT_EQ(image.GetRow(2)[6], 0x11);
}

}  // namespace
