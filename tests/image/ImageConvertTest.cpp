#include "Image.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using V = std::vector<unsigned char>;

// One source pixel in each format: red 200, green 100, blue 50, alpha 7,
// grey 90 where the format carries grey.
const V kSource[] = {{200, 100, 50}, {200, 100, 50, 7}, {50, 100, 200}, {50, 100, 200, 7}, {90}, {90, 7}, {7}};

// lum(200, 100, 50) = 60 + 60 + 5 = 125; lum(7, 7, 7) = 7.
const V kExpected[7][7] = {
    /* RGB  */ {{}, {200, 100, 50, 255}, {50, 100, 200}, {50, 100, 200, 255}, {125}, {125, 255}, {125}},
    /* RGBA */ {{200, 100, 50}, {}, {50, 100, 200}, {50, 100, 200, 7}, {125}, {125, 7}, {7}},
    /* BGR  */ {{200, 100, 50}, {200, 100, 50, 255}, {}, {50, 100, 200, 255}, {125}, {125, 255}, {125}},
    /* BGRA */ {{200, 100, 50}, {200, 100, 50, 7}, {50, 100, 200}, {}, {125}, {125, 7}, {7}},
    /* L    */ {{90, 90, 90}, {90, 90, 90, 255}, {90, 90, 90}, {90, 90, 90, 255}, {}, {90, 255}, {90}},
    /* LA   */ {{90, 90, 90}, {90, 90, 90, 7}, {90, 90, 90}, {90, 90, 90, 7}, {90}, {}, {7}},
    /* A    */ {{7, 7, 7}, {7, 7, 7, 7}, {7, 7, 7}, {7, 7, 7, 7}, {7}, {0, 7}, {}},
};

TEST(ImageConvert, EveryPairFollowsItsChannelRule)
{
    for (int s = RGB; s <= ALPHA; ++s) {
        for (int t = RGB; t <= ALPHA; ++t) {
            if (s == t)
                continue;
            SCOPED_TRACE(testing::Message() << "from " << s << " to " << t);
            Image image(3, 2, PixelFormat(s), 3);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    std::copy(kSource[s].begin(), kSource[s].end(), image.GetRow(y) + x * image.GetPixelSize());
            ASSERT_TRUE(image.SetFormat(PixelFormat(t)));
            EXPECT_EQ(image.GetFormat(), t);
            EXPECT_EQ(image.GetRowPadding(), 0);
            EXPECT_EQ(image.GetRowStride(), 3 * image.GetPixelSize());
            EXPECT_TRUE(image.IsValid());
            const unsigned char* last = image.GetRow(1) + 2 * image.GetPixelSize();
            EXPECT_EQ(V(last, last + image.GetPixelSize()), kExpected[s][t]);
        }
    }
}

TEST(ImageConvert, SameFormatAndUnknownFormatsChangeNothing)
{
    Image image(2, 2, RGB, 3);
    image.Fill(1, 2, 3);
    EXPECT_TRUE(image.SetFormat(RGB));
    EXPECT_EQ(image.GetRowPadding(), 3);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(image.SetFormat(PixelFormat(7)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Image::SetFormat - unsupported conversion");
    EXPECT_EQ(image.GetFormat(), RGB);
    EXPECT_EQ(image.GetRowPadding(), 3);
    EXPECT_EQ(image.GetData()[11], 3);

    Image empty;
    EXPECT_TRUE(empty.SetFormat(BGRA));
    EXPECT_TRUE(empty.IsNull());
}

TEST(ImageConvert, CopyAlphaAddsAnAlphaChannel)
{
    Image rgb(2, 1, RGB), la(2, 1, LUMINANCE_ALPHA), small(1, 1, ALPHA);
    rgb.SetPixel(0, 0, 1, 2, 3);
    rgb.SetPixel(1, 0, 4, 5, 6);
    la.SetGrey(0, 0, 9, 100);
    la.SetGrey(1, 0, 9, 200);

    Image noAlpha(2, 1, BGR);
    EXPECT_FALSE(rgb.CopyAlpha(noAlpha));
    EXPECT_FALSE(rgb.CopyAlpha(small));
    EXPECT_EQ(rgb.GetFormat(), RGB);

    ASSERT_TRUE(rgb.CopyAlpha(la));
    EXPECT_EQ(rgb.GetFormat(), RGBA);
    EXPECT_EQ(V(rgb.GetData(), rgb.GetData() + 8), V({1, 2, 3, 100, 4, 5, 6, 200}));

    Image grey(2, 1, LUMINANCE);
    grey.Fill(50, 50, 50);
    ASSERT_TRUE(grey.CopyAlpha(rgb));
    EXPECT_EQ(grey.GetFormat(), LUMINANCE_ALPHA);
    EXPECT_EQ(V(grey.GetData(), grey.GetData() + 4), V({50, 100, 50, 200}));
}

}  // namespace
