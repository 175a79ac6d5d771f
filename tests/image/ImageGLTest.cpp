// Transfers between images and the GL context of a small window of our own,
// under a private Xvfb server. The cases run again with the driver denying
// blue-first pixel data (GLINTWORK_EXPECT_BGRA=0).
#include "framework/image/Image.h"
#include "framework/platform/PlatformWindow.h"
#include "tests/image/PictureFiles.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;
const int WindowWidth = 40, WindowHeight = 30;
const PixelFormat Formats[] = {RGB, RGBA, BGR, BGRA, LUMINANCE, LUMINANCE_ALPHA, ALPHA};


// Makes the context of one double-buffered WindowWidth x WindowHeight window current.
bool MakeContextCurrent()
{
    static plat::HDC dc = nullptr;
    static plat::HGLRC context = nullptr;
    if (!dc) {
        plat::RegisterClass("ImageGLTest", plat::DefWindowProc);
        dc = plat::GetDC(plat::CreateWindow("ImageGLTest", "", 0, 0, 0, 0, WindowWidth, WindowHeight, nullptr));
        plat::PixelFormatDescriptor request;
        request.flags = plat::PFD_DRAW_TO_WINDOW | plat::PFD_SUPPORT_OPENGL | plat::PFD_DOUBLEBUFFER;
        request.colorBits = 24;
        plat::SetPixelFormat(dc, plat::ChoosePixelFormat(dc, &request));
        context = plat::CreateContext(dc);
    }
    return plat::MakeCurrent(dc, context);
}

GLint Store(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

void Paint(int x, int y, int width, int height, int r, int g, int b)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

// A picture whose every pixel and channel differ.
Image Pattern(int width, int height, PixelFormat format, int padding)
{
    Image image(width, height, format, padding);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, 10 + 60 * x, 20 + 70 * y, 250 - 30 * x - 40 * y, 100 + 20 * x + 10 * y);
    return image;
}

class GLTransfer : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeContextCurrent());
        glDisable(GL_DITHER);
        glViewport(0, 0, WindowWidth, WindowHeight);
        for (GLenum name : {GL_PACK_ROW_LENGTH, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS})
            glPixelStorei(name, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        Paint(0, 0, WindowWidth, WindowHeight, 0, 0, 0);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
};

// Runs first: with no context yet there is nobody to ask, and that
// non-answer is not remembered.
TEST(GLTransferStart, HasBGRAAsksTheCurrentContext)
{
    EXPECT_FALSE(Image::HasBGRA());
    ASSERT_TRUE(MakeContextCurrent());
    const char* expect = getenv("GLINTWORK_EXPECT_BGRA");
    EXPECT_EQ(Image::HasBGRA(), !expect || std::string(expect) != "0") << glGetString(GL_VERSION);
}

TEST_F(GLTransfer, ReadsTheFrameBufferBottomRowFirst)
{
    const V pattern = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    for (int i = 0; i < 6; ++i)
        Paint(i % 3, i / 3, 1, 1, pattern[3 * i], pattern[3 * i + 1], pattern[3 * i + 2]);
    Paint(WindowWidth - 1, WindowHeight - 1, 1, 1, 1, 2, 3);

    Image image(5, 5, LUMINANCE, 3), loaded;
    ASSERT_TRUE(image.GrabWindow());
    ASSERT_EQ(image.Width(), WindowWidth);
    ASSERT_EQ(image.Height(), WindowHeight);
    EXPECT_EQ(image.GetFormat(), RGB);
    EXPECT_EQ(image.GetRowPadding(), 0);
    EXPECT_EQ(PixelBytes(image, 0, 0, 4), V({255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}));
    EXPECT_EQ(PixelBytes(image, 0, 1, 3), V(pattern.begin() + 9, pattern.end()));
    EXPECT_EQ(PixelBytes(image, WindowWidth - 1, WindowHeight - 1, 1), V({1, 2, 3}));

    // The caller's packing is in force around the read but not during it.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 100);
    ASSERT_TRUE(image.ReadPixels(0, 0, 3, 2, RGB));
    EXPECT_EQ(image.GetDataSize(), 18u);
    EXPECT_EQ(PixelBytes(image, 0, 0, 6), pattern);
    EXPECT_EQ(Store(GL_PACK_ALIGNMENT), 4);
    EXPECT_EQ(Store(GL_PACK_ROW_LENGTH), 100);

    ASSERT_TRUE(image.ReadPixels(1, 1, 2, 1, BGR));
    EXPECT_EQ(PixelBytes(image, 0, 0, 2), V({60, 50, 40, 90, 80, 70}));
    ASSERT_TRUE(image.ReadPixels(0, 0, 1, 1, BGRA));
    EXPECT_EQ(PixelBytes(image, 0, 0, 1), V({0, 0, 255, 255}));
    glViewport(1, 1, 2, 1);
    ASSERT_TRUE(image.GrabViewport());
    EXPECT_EQ(PixelBytes(image, 0, 0, 2), V({40, 50, 60, 70, 80, 90}));
}

TEST_F(GLTransfer, DrawShowsTheImageWhateverTheUnpackState)
{
    const GLint states[][3] = {{1, 0, 0}, {2, 0, 0}, {4, 0, 0}, {8, 0, 0}, {4, 100, 1}};
    const GLenum names[3] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS};
    for (PixelFormat format : Formats)
        for (int padding : {0, 2})
            for (const auto& state : states) {
                SCOPED_TRACE(testing::Message() << "format " << format << " padding " << padding << " unpack "
                                                << state[0] << "/" << state[1]);
                Paint(0, 0, WindowWidth, WindowHeight, 5, 5, 5);
                Image image = Pattern(3, 3, format, padding), shown;
                for (int i = 0; i < 3; ++i)
                    glPixelStorei(names[i], state[i]);
                glRasterPos2f(-1, -1);
                ASSERT_TRUE(image.Draw());
                for (int i = 0; i < 3; ++i)
                    EXPECT_EQ(Store(names[i]), state[i]);
                ASSERT_TRUE(shown.ReadPixels(0, 0, 4, 4, RGB));
                for (int i = 0; i < 16; ++i) {  // grey shows as grey, alpha alone as black
                    int x = i % 4, y = i / 4;
                    V expected = x < 3 && y < 3 ? Rgb(image, x, y) : V({5, 5, 5});
                    ASSERT_EQ(Rgb(shown, x, y), expected) << x << "," << y;
                }
            }
}

TEST_F(GLTransfer, RescaleAndRefusals)
{
    // Halving averages each 2 x 2 block channel by channel; the result keeps
    // the format, has no padding, and the caller's alignments stay.
    Image colour(2, 2, BGRA, 3), flat(2, 2, RGB, 0), empty;
    colour.SetPixel(0, 0, 0, 0, 0, 0);
    colour.SetPixel(1, 0, 4, 40, 100, 255);
    colour.SetPixel(0, 1, 8, 80, 200, 255);
    colour.SetPixel(1, 1, 12, 120, 0, 2);
    ASSERT_EQ(colour.Rescale(1, 1), 0);
    EXPECT_EQ(colour.GetFormat(), BGRA);
    EXPECT_EQ(colour.GetRowPadding(), 0);
    EXPECT_EQ(PixelBytes(colour, 0, 0, 1), V({75, 60, 6, 128}));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    flat.Fill(10, 200, 30);
    ASSERT_EQ(flat.Rescale(3, 3), 0);  // 9-byte rows, tightly packed
    EXPECT_EQ(flat.GetDataSize(), 27u);
    EXPECT_EQ(PixelBytes(flat, 0, 2, 3), V({10, 200, 30, 10, 200, 30, 10, 200, 30}));
    EXPECT_EQ(Store(GL_PACK_ALIGNMENT), 4);
    EXPECT_EQ(Store(GL_UNPACK_ALIGNMENT), 8);

    // Refusals leave the image alone; with no context nothing is read or
    // drawn, and a rescale to the same size needs no GL at all.
    Image image = Pattern(2, 2, RGB, 1);
    const Image before(image);
    auto unchanged = [&] {
        return image.GetRowPadding() == 1 && PixelBytes(image, 0, 0, 2) == PixelBytes(before, 0, 0, 2) &&
               PixelBytes(image, 0, 1, 2) == PixelBytes(before, 0, 1, 2);
    };
    EXPECT_FALSE(image.ReadPixels(0, 0, 0, 5, RGB));
    EXPECT_EQ(image.Rescale(10, -1), GLU_INVALID_VALUE);
    EXPECT_EQ(empty.Rescale(4, 4), GLU_INVALID_VALUE);
    EXPECT_EQ(empty.MakeMipmaps(), GLU_INVALID_VALUE);
    ASSERT_TRUE(plat::MakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(image.ReadPixels(0, 0, 2, 2, RGB));
    EXPECT_FALSE(image.GrabWindow());
    EXPECT_FALSE(image.Draw());
    EXPECT_FALSE(image.MakeTexture(0));
    EXPECT_EQ(image.Rescale(2, 2), 0);
    EXPECT_EQ(image.Rescale(1, 1), GLU_INVALID_OPERATION);
    EXPECT_STREQ(Image::FailureReason(), "Image::Rescale() called out of GL context");
    EXPECT_TRUE(unchanged());
    ASSERT_TRUE(MakeContextCurrent());
}

}  // namespace

}  // namespace glintwork
