// Runs under its own Xvfb server (1280 x 1024, 24 bits).
#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace glintwork {

namespace {

TEST(ImageGrab, CopiesTheWholeScreenBottomRowFirst)
{
    // Tile the root window with a 16 x 1024 bitmap whose top four rows are
    // red on their left half and blue elsewhere.
    ScratchDir dir;
    std::string xbm = "#define t_width 16\n#define t_height 1024\nstatic char t_bits[] = {\n";
    for (int row = 0; row < 1024; ++row)
        xbm += row < 4 ? "0xff,0x00,\n" : "0x00,0x00,\n";
    xbm += "};\n";
    std::string path = dir.Write("tile.xbm", Bytes(xbm.begin(), xbm.end()));
    ASSERT_EQ(std::system(("xsetroot -fg '#ff0000' -bg '#0000ff' -bitmap " + path).c_str()), 0);

    Image image;
    ASSERT_TRUE(image.GrabScreen());
    EXPECT_EQ(image.Width(), 1280);
    EXPECT_EQ(image.Height(), 1024);
    EXPECT_EQ(image.GetFormat(), BGR);
    EXPECT_EQ(image.GetRowPadding(), 0);
    using V = std::vector<unsigned char>;
    EXPECT_EQ(PixelBytes(image, 0, 1023), V({0, 0, 255}));  // top left: red
    EXPECT_EQ(PixelBytes(image, 7, 1020), V({0, 0, 255}));
    EXPECT_EQ(PixelBytes(image, 8, 1023), V({255, 0, 0}));  // blue
    EXPECT_EQ(PixelBytes(image, 0, 1019), V({255, 0, 0}));
    EXPECT_EQ(PixelBytes(image, 0, 0), V({255, 0, 0}));
}

}  // namespace

}  // namespace glintwork
