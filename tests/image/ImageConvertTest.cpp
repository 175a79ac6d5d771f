#include "framework/image/Image.h"

#include <gtest/gtest.h>

#include <vector>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

// One source pixel in each format: red 200, green 100, blue 50, alpha 7,
// grey 90 where the format carries grey.
const V Source[] = {{200, 100, 50}, {200, 100, 50, 7}, {50, 100, 200}, {50, 100, 200, 7}, {90}, {90, 7}, {7}};

// lum(200, 100, 50) = 60 + 60 + 5 = 125; lum(7, 7, 7) = 7.
const V ExpectedPixels[7][7] = {
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
                    std::copy(Source[s].begin(), Source[s].end(), image.GetRow(y) + x * image.GetPixelSize());
            ASSERT_TRUE(image.SetFormat(PixelFormat(t)));
            EXPECT_EQ(image.GetFormat(), t);
            EXPECT_EQ(image.GetRowPadding(), 0);
            EXPECT_EQ(image.GetRowStride(), 3 * image.GetPixelSize());
            EXPECT_TRUE(image.IsValid());
            const unsigned char* last = image.GetRow(1) + 2 * image.GetPixelSize();
            EXPECT_EQ(V(last, last + image.GetPixelSize()), ExpectedPixels[s][t]);
        }
    }
}

TEST(ImageConvert, RefusalsAndAlphaCopies)
{
    Image image(2, 1, RGB, 3), small(1, 1, ALPHA), la(2, 1, LUMINANCE_ALPHA);
    image.SetPixel(0, 0, 1, 2, 3);
    image.SetPixel(1, 0, 4, 5, 6);
    EXPECT_FALSE(image.SetFormat(PixelFormat(7)));
    EXPECT_STREQ(Image::FailureReason(), "Image::SetFormat - unsupported conversion");
    EXPECT_FALSE(image.CopyAlpha(small));
    EXPECT_TRUE(image.SetFormat(RGB));
    EXPECT_EQ(image.GetRowPadding(), 3);  // all of these change nothing
    la.SetGrey(0, 0, 9, 100);
    la.SetGrey(1, 0, 9, 200);
    ASSERT_TRUE(image.CopyAlpha(la));
    EXPECT_EQ(image.GetFormat(), RGBA);
    EXPECT_EQ(V(image.GetData(), image.GetData() + 8), V({1, 2, 3, 100, 4, 5, 6, 200}));
}

}  // namespace

}  // namespace glintwork
