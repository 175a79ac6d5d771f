#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

TEST(ImageModel, LayoutAndRowPadding)
{
    Image image;
    EXPECT_TRUE(image.Create(0, 5, RGB, 0));
    EXPECT_TRUE(image.IsNull());
    EXPECT_FALSE(image.Create(-1, 5, RGB, 0));
    EXPECT_FALSE(image.Create(3, 2, PixelFormat(7), 0));
    EXPECT_FALSE(image.Create(65536, 65536, RGBA, 0));  // 16 GiB does not fit 32 bits
    EXPECT_TRUE(image.IsNull());

    ASSERT_TRUE(image.Create(3, 2, RGB, 1));
    EXPECT_EQ(image.GetRow(2), nullptr);
    EXPECT_EQ(image.GetRow(-1), nullptr);
    image.SetPixel(0, 0, 1, 2, 3);
    image.SetPixel(2, 1, 4, 5, 6);
    // Narrower, back within the old capacity, then past it: the pixels move along.
    for (int stride : {9, 10, 16}) {
        ASSERT_TRUE(image.SetRowStride(stride));
        EXPECT_EQ(image.GetRowPadding(), stride - 9);
        EXPECT_EQ(PixelBytes(image, 0, 0), V({1, 2, 3})) << stride;
        EXPECT_EQ(PixelBytes(image, 2, 1), V({4, 5, 6})) << stride;
    }
    EXPECT_FALSE(image.SetRowPadding(-1));
    EXPECT_FALSE(image.SetRowStride(8));  // shorter than the pixels of a row
    EXPECT_EQ(image.GetRowStride(), 16);
    Image copy(image);
    const Image& itself = copy;
    copy = itself;  // assigning an image to itself keeps its pixels
    EXPECT_EQ(V(copy.GetData(), copy.GetData() + 32), V(image.GetData(), image.GetData() + 32));
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
        image.SetPixel(2, 0, 1, 1, 1, 1);  // outside: nothing happens
        image.SetPixel(0, -1, 1, 1, 1, 1);
        EXPECT_EQ(PixelBytes(image, 1, 1), c.bytes);
    }
    Image bgr(1, 1, BGR);
    bgr.SetPixel(0, 0, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ(PixelBytes(bgr, 0, 0), V({0, 128, 255}));
    unsigned char r, g, b, a;
    bgr.GetPixel(0, 0, r, g, b, a);
    EXPECT_EQ(V({r, g, b, a}), V({255, 128, 0, 255}));
}

}  // namespace

}  // namespace glintwork
