// Runs under its own Xvfb server (1280 x 1024, 24 bits).
#include "Image.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ImageGrab, CopiesTheWholeScreen)
{
    Image image;
    ASSERT_TRUE(image.GrabScreen());
    EXPECT_EQ(image.Width(), 1280);
    EXPECT_EQ(image.Height(), 1024);
    EXPECT_EQ(image.GetFormat(), BGR);
    EXPECT_EQ(image.GetRowPadding(), 0);
    EXPECT_TRUE(image.IsValid());
}

TEST(ImageGrab, FailsWithoutADisplay)
{
    Image image(2, 2, RGB);
    setenv("DISPLAY", ":31999", 1);
    EXPECT_FALSE(image.GrabScreen());
    EXPECT_FALSE(image.IsNull());  // nothing to grab: the image stays as it was
}
