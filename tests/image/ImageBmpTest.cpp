#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

using V = std::vector<unsigned char>;

// Loads with LoadBMP and returns the reason it gave.
std::string LoadBmpOutput(Image& image, const std::string& path, bool* ok)
{
    *ok = image.LoadBMP(path.c_str());
    return Image::FailureReason();
}

const V kHeader3x2 = {'B', 'M', 78, 0, 0, 0, 0, 0,  0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1,
                      0,   24,  0,  0, 0, 0, 0, 24, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

TEST(ImageBmpWriter, WritesBottomUpBgrRowsPaddedToFourBytes)
{
    ScratchDir dir;
    Image rgb(3, 2, RGB, 5);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            rgb.SetPixel(x, y, 9 * y + 3 * x + 1, 9 * y + 3 * x + 2, 9 * y + 3 * x + 3);
    ASSERT_TRUE(rgb.Save(dir.Path("out.png").c_str()));  // the extension does not matter
    V expected = kHeader3x2;
    expected.insert(expected.end(), {3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0, 12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0});
    EXPECT_EQ(ReadFileBytes(dir.Path("out.png")), expected);
    EXPECT_EQ(rgb.GetFormat(), RGB);  // the image itself is not converted
    EXPECT_EQ(rgb.GetRowPadding(), 5);

    // Already in the file's layout (as a window grab is): the same bytes,
    // whether the row padding holds zeros or leftovers.
    for (unsigned char leftover : {0, 0xAB}) {
        Image bgr(3, 2, BGR, 3);
        std::fill(bgr.GetData(), bgr.GetData() + bgr.GetDataSize(), leftover);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                bgr.SetPixel(x, y, 9 * y + 3 * x + 1, 9 * y + 3 * x + 2, 9 * y + 3 * x + 3);
        ASSERT_TRUE(bgr.Save(dir.Path("bgr.bmp").c_str()));
        EXPECT_EQ(ReadFileBytes(dir.Path("bgr.bmp")), expected) << int(leftover);
    }
}

TEST(ImageBmpWriter, FailuresLeaveTheFileSystemAlone)
{
    ScratchDir dir;
    Image empty;
    EXPECT_FALSE(empty.Save(dir.Path("empty.bmp").c_str()));
    EXPECT_FALSE(FileExists(dir.Path("empty.bmp")));
    Image image(2, 2, RGB);
    image.Fill(1, 2, 3);
    EXPECT_FALSE(image.Save(dir.Path("missing/out.bmp").c_str()));
    EXPECT_FALSE(image.Save(dir.Path("").c_str()));  // the folder itself

    // A write that runs out of room keeps the previous file whole and leaves
    // no temporary file behind.
    std::string target = dir.Write("shot.bmp", V(100, 0xAB));
    Image big(200, 200, RGB);
    big.Fill(0, 0, 0);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    bool saveOk = big.Save(target.c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(saveOk);
    EXPECT_STREQ(Image::FailureReason(), "File too large");
    EXPECT_EQ(ReadFileBytes(target), V(100, 0xAB));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 1);

    ASSERT_TRUE(image.Save(target.c_str()));  // and a good save replaces it
    EXPECT_EQ(ReadFileBytes(target).size(), 54u + 16u);
}

TEST(ImageBmpWriter, SavingThroughALinkReplacesItsTargetAndKeepsTheLink)
{
    ScratchDir dir;
    namespace fs = std::filesystem;
    fs::create_directory(dir.Path("frames"));
    dir.Write("frames/old.bmp", V(100, 0xAB));
    Image image(2, 2, RGB);
    image.Fill(1, 2, 3);
    // Link name, where it points, and the file that must receive the frame:
    // an existing target, a relative chain of two links, a dangling link.
    const char* cases[][3] = {
        {"a.bmp", "frames/old.bmp", "frames/old.bmp"},
        {"b.bmp", "a.bmp", "frames/old.bmp"},
        {"c.bmp", "frames/new.bmp", "frames/new.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        fs::create_symlink(c[1], dir.Path(c[0]));
        ASSERT_TRUE(image.Save(dir.Path(c[0]).c_str()));
        EXPECT_TRUE(fs::is_symlink(dir.Path(c[0])));
        EXPECT_EQ(ReadFileBytes(dir.Path(c[2])).size(), 54u + 16u);
        fs::remove(dir.Path(c[2]));
    }
    EXPECT_TRUE(fs::is_empty(dir.Path("frames")));  // no temporary file left
}

TEST(ImageBmpReader, ReadsTrueColourAndPalettedFiles)
{
    ScratchDir dir;
    V rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    V noSize = MakeBmp(2, 2, 24, {}, rows);
    Set32(noSize, 34, 0);  // biSizeImage 0: row size x height
    V grey = {5, 5, 5, 0, 60, 60, 60, 0, 200, 200, 200, 0};
    V colour = {5, 5, 5, 0, 10, 20, 30, 0, 200, 200, 200, 0};
    V sixteen(64, 0);  // sixteen entries are read as sixteen; values past them show entry 0
    for (int i = 0; i < 16; ++i)
        sixteen[4 * i] = sixteen[4 * i + 1] = sixteen[4 * i + 2] = static_cast<unsigned char>(i + 1);
    const V pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const struct {
        V file;
        PixelFormat format;
        V data;
    } cases[] = {
        {MakeBmp(2, 2, 24, {}, rows), BGR, pixels},
        {MakeBmp(2, -2, 24, {}, {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0}), BGR, pixels},
        {noSize, BGR, pixels},
        {MakeBmp(3, 1, 8, grey, {0, 1, 2, 0}), LUMINANCE, {5, 60, 200}},
        {MakeBmp(3, 1, 8, colour, {0, 1, 2, 0}), BGR, {5, 5, 5, 10, 20, 30, 200, 200, 200}},
        {MakeBmp(4, 1, 8, sixteen, {15, 16, 255, 3}), LUMINANCE, {16, 1, 1, 4}},
    };
    for (const auto& c : cases) {
        Image image;
        bool ok;
        EXPECT_EQ(LoadBmpOutput(image, dir.Write("a.bmp", c.file), &ok), "");
        ASSERT_TRUE(ok);
        EXPECT_EQ(image.GetFormat(), c.format);
        EXPECT_EQ(V(image.GetData(), image.GetData() + image.GetDataSize()), c.data);
    }
}

TEST(ImageBmpReader, OtherKindsAreRefusedWithTheReadersReason)
{
    ScratchDir dir;
    V core = MakeBmp(1, 1, 24, {}, {1, 2, 3, 0});
    Set32(core, 14, 12);  // the small OS/2 header
    V planes = MakeBmp(1, 1, 24, {}, {1, 2, 3, 0});
    planes[26] = 2;
    const V files[] = {MakeBmp(1, 1, 32, {}, V(4, 1)),
                       MakeBmp(1, 1, 16, {}, V(4, 1)),
                       MakeBmp(1, 1, 4, V(64, 0), V(4, 0)),
                       MakeBmp(1, 1, 1, V(8, 0), V(4, 0)),
                       MakeBmp(2, 1, 8, V(8, 0), {2, 0, 0, 1}, 1),
                       core,
                       planes,
                       V{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}};
    for (const V& file : files) {
        Image image(2, 2, RGB);
        bool ok;
        EXPECT_EQ(LoadBmpOutput(image, dir.Write("x.bmp", file), &ok),
                  "bmp: not an uncompressed 8- or 24-bit BMP file");
        EXPECT_FALSE(ok);
        EXPECT_TRUE(image.IsNull());
    }
    Image untouched(2, 2, RGB);
    EXPECT_FALSE(untouched.LoadBMP(dir.Path("none.bmp").c_str()));
    EXPECT_FALSE(untouched.IsNull());  // a file that cannot be opened changes nothing
}

TEST(ImageBmpReader, HostileHeadersGiveOneMessageAndNoImage)
{
    ScratchDir dir;
    auto withoutSize = [](V file) {
        Set32(file, 34, 0);
        return file;
    };
    const V good24 = withoutSize(MakeBmp(2, 2, 24, {}, V(16, 9)));
    const V good8 = withoutSize(MakeBmp(2, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0}, V(8, 1)));
    struct Case {
        V file;
        size_t offset;
        uint32_t value;
        const char* message;
    } cases[] = {
        {good24, 18, 0, "bmp: dubious looking bitmap dimensions"},
        {good24, 22, 0x80000000, "bmp: dubious looking bitmap dimensions"},
        {good24, 18, 0x7FFFFFFF, "bmp: dubious looking bitmap dimensions"},
        {good24, 18, 32769, "bmp: dubious looking bitmap dimensions"},       // one over the side limit
        {good24, 22, 0xFFFF8AD0, "bmp: dubious looking bitmap dimensions"},  // -30000 rows
        {good24, 10, 0xFFFFFFF0, "bmp: can't seek to image data offset"},
        {good24, 34, 4, "bmp: bitmap data/dims look dubious"},
        {good24, 22, 1000, "bmp: failed reading bitmap data"},
        {good24, 10, 60, "bmp: failed reading bitmap data"},
        {good24, 34, 17, "bmp: failed reading bitmap data"},  // one byte more than the file holds
        {good24, 34, 0xFFFFFFF0, "bmp: failed reading bitmap data"},
        {good8, 46, 257, "bmp: failed to load palette"},
        {good8, 46, 200, "bmp: failed to load palette"},
        {good8, 14, 0xFFFFFFF0, "bmp: unable to seek to palette data"},
        {good8, 10, 0x7FFFFFFF, "bmp: can't seek to image data offset"},
        {good8, 22, 3, "bmp: failed reading bitmap data"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " = " << c.value);
        if (c.offset == 22 && c.value == 0xFFFF8AD0)
            Set32(c.file, 18, 30000);  // 30000 x 30000 pixels: over a gigabyte
        Set32(c.file, c.offset, c.value);
        Image image(1, 1, RGB);
        bool ok;
        EXPECT_EQ(LoadBmpOutput(image, dir.Write("h.bmp", c.file), &ok), c.message);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(image.IsNull());
    }

    // Every truncation: no crash, false, a reason.
    for (const V& good : {good24, good8}) {
        for (size_t n = 0; n < good.size(); ++n) {
            Image image;
            bool ok;
            std::string out = LoadBmpOutput(image, dir.Write("t.bmp", V(good.begin(), good.begin() + long(n))), &ok);
            EXPECT_FALSE(ok) << n;
            EXPECT_NE(out, "") << n;
        }
    }
}

}  // namespace
