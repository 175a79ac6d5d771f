// Text through the bitmap font, read back from the frame buffer.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "tests/framework/FrameworkTestSupport.h"

namespace glintwork {

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels that are not black, as (x, y) with y from the bottom.
Pixels Lit(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width * height * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    Pixels lit;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
            if (p[0] || p[1] || p[2])
                lit.insert({x, y});
        }
    return lit;
}

// An L with its corner on (x, y): seven pixels up, five along the baseline.
Pixels LetterL(int x, int y)
{
    Pixels p;
    for (int i = 0; i < 7; ++i)
        p.insert({x, y + i});
    for (int i = 1; i < 5; ++i)
        p.insert({x + i, y});
    return p;
}

class TextWindow : public RecordingWindow {
public:
    using RecordingWindow::RecordingWindow;
    void OnResize(int width, int height) override
    {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    Pixels Draw(int x, int y, const char* text, unsigned* result = nullptr)
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glRasterPos2i(x, y);
        unsigned r = Printf("%s", text);
        if (result)
            *result = r;
        return Lit(Width(), Height());
    }
};

TEST(Text, GlyphsChangeExactlyTheirOwnPixels)
{
    Log log;
    RecordingApp app(&log);
    TextWindow window(&log);
    Pixels skipped;
    unsigned result = 0, longest = 1, tooLong = 1;
    Pixels afterTooLong;
    window.onDisplay = [&] {
        // Code 255 has no glyph: it draws nothing and does not advance.
        skipped = window.Draw(20, 30, "LL\xffL", &result);
        window.Draw(0, 100, std::string(1023, '.').c_str(), &longest);
        afterTooLong = window.Draw(0, 100, std::string(1024, '.').c_str(), &tooLong);
        window.Close();
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_NE(result, 0u);
    Pixels three;
    for (int x : {20, 26, 32})
        three.merge(LetterL(x, 30));
    EXPECT_EQ(skipped, three);
    EXPECT_NE(longest, 0u);
    EXPECT_EQ(tooLong, 0u);
    EXPECT_TRUE(afterTooLong.empty());
    // Closing the main window released the font while its context could still
    // be made current (the GL driver would keep the lists otherwise).
    EXPECT_EQ(window.extra->fontBase, 0u);
}

}  // namespace

}  // namespace glintwork
