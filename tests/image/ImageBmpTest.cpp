#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

// Loads with LoadBMP and returns the reason it gave: "" exactly when it
// succeeds, and a refused file leaves no image.
std::string LoadBmpOutput(Image& image, const std::string& path)
{
    const bool ok = image.LoadBMP(path.c_str());
    const std::string reason = Image::FailureReason();
    EXPECT_EQ(ok, reason.empty()) << reason;
    EXPECT_EQ(ok, !image.IsNull());
    return reason;
}

const V Header3x2 = {'B', 'M', 78, 0, 0, 0, 0, 0,  0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1,
                      0,   24,  0,  0, 0, 0, 0, 24, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

TEST(ImageBmpWriter, WritesBottomUpBgrRowsPaddedToFourBytes)
{
    ScratchDir dir;
    Image rgb(3, 2, RGB, 5);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            rgb.SetPixel(x, y, 9 * y + 3 * x + 1, 9 * y + 3 * x + 2, 9 * y + 3 * x + 3);
    ASSERT_TRUE(rgb.Save(dir.Path("out.png").c_str()));  // the extension does not matter
    V expected = Header3x2;
    expected.insert(expected.end(), {3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0, 12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0});
    EXPECT_EQ(ReadFileBytes(dir.Path("out.png")), expected);
    EXPECT_EQ(rgb.GetFormat(), RGB);  // the image itself is not converted
    EXPECT_EQ(rgb.GetRowPadding(), 5);

    // Already in the file's layout (as a window grab is): the same bytes,
    // whatever leftovers the row padding holds.
    Image bgr(3, 2, BGR, 3);
    std::fill(bgr.GetData(), bgr.GetData() + bgr.GetDataSize(), 0xAB);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bgr.SetPixel(x, y, 9 * y + 3 * x + 1, 9 * y + 3 * x + 2, 9 * y + 3 * x + 3);
    ASSERT_TRUE(bgr.Save(dir.Path("bgr.bmp").c_str()));
    EXPECT_EQ(ReadFileBytes(dir.Path("bgr.bmp")), expected);
}

TEST(ImageBmpWriter, FailuresLeaveTheFileSystemAlone)
{
    ScratchDir dir;
    Image empty;
    EXPECT_FALSE(empty.Save(dir.Path("empty.bmp").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("empty.bmp")));
    Image image(2, 2, RGB);
    image.Fill(1, 2, 3);

    // A write that runs out of room keeps the previous file whole and leaves
    // no temporary file behind. (Missing folders and the like: ImageSaveTest.)
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
        ASSERT_EQ(LoadBmpOutput(image, dir.Write("a.bmp", c.file)), "");
        EXPECT_EQ(image.GetFormat(), c.format);
        EXPECT_EQ(V(image.GetData(), image.GetData() + image.GetDataSize()), c.data);
    }
}

// The rows of a file of 16- or 32-bit pixels, each row padded to 4 bytes.
V PixelRows(int bits, int width, const std::vector<uint32_t>& pixels)
{
    V rows;
    for (size_t i = 0; i < pixels.size(); ++i) {
        for (int byte = 0; byte < bits / 8; ++byte)
            rows.push_back(uint8_t(pixels[i] >> (8 * byte)));
        if ((i + 1) % size_t(width) == 0)
            rows.resize((rows.size() + 3) & ~size_t(3), 0);
    }
    return rows;
}

TEST(ImageBmpReader, BitFieldsAreWidenedToTheFullRangeOrRefusedWithTheirReason)
{
    ScratchDir dir;
    // Exact widening of an n-bit value v is v * 255 / (2^n - 1) rounded:
    // 5 bits: 3 -> 25, 31 -> 255; 6 bits: 1 -> 4, 62 -> 251; 4 bits: 1 -> 17;
    // 10 bits: 3 -> 1, 512 -> 128; 16 bits: 0x8000 -> 128. Shifting would
    // give 24, 248, 248 and 0.
    const struct {
        const char* what;
        uint32_t infoSize;
        int bits;
        uint32_t compression;
        std::vector<uint32_t> masks;
        int width;
        std::vector<uint32_t> pixels;  // file order: the bottom row first
        V bgr;                         // image row 0 first; none for a file refused with `what` as its reason
    } cases[] = {
        {"16 bits without masks: 5-5-5", 40, 16, 0, {}, 3,
         {0x7FFF, 0x7C00, 0x0003, 0x03E0, 0x8000, 0x0C63},
         {255, 255, 255, 0, 0, 255, 25, 0, 0, 0, 255, 0, 0, 0, 0, 25, 25, 25}},
        {"5-6-5 after a 40-byte header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, 2,
         {0xF800, 0x07E0, 0x0020, 0x07C3},
         {0, 0, 255, 0, 255, 0, 0, 4, 0, 25, 251, 0}},
        {"5-6-5 blue first, 52-byte header", 52, 16, 3, {0x001F, 0x07E0, 0xF800}, 1, {0xF803}, {255, 0, 25}},
        {"4-4-4 with alpha, 56-byte header", 56, 16, 3, {0x0F00, 0x00F0, 0x000F, 0xF000}, 1, {0xF1F3}, {51, 255, 17}},
        {"alpha bit fields after a 40-byte header", 40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000}, 1, {0x0123},
         {51, 34, 17}},
        {"32 bits without masks: the top byte unused", 40, 32, 0, {}, 1, {0x99030201}, {1, 2, 3}},
        {"8-8-8 red in the low byte, 108-byte header", 108, 32, 3, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 2,
         {0x00302010, 0x40FFFF00}, {0x30, 0x20, 0x10, 255, 255, 0}},
        {"8-8-8-8 alpha lowest, 124-byte header", 124, 32, 3, {0xFF000000, 0xFF0000, 0xFF00, 0xFF}, 1,
         {0x102030FF}, {0x30, 0x20, 0x10}},
        {"10-10-10", 40, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, 2,
         {0x3FFFFFFF, (512u << 20) | (3u << 10) | 1023u}, {255, 255, 255, 255, 1, 128}},
        {"16-bit red, 8-bit green and blue", 40, 32, 3, {0xFFFF0000, 0xFF00, 0xFF}, 1, {0x80000102}, {2, 1, 128}},
        {"one bit a channel", 40, 16, 3, {0x4, 0x2, 0x1}, 2, {0x5, 0x2}, {255, 0, 255, 0, 255, 0}},
        {"bmp: the red mask is 0", 40, 16, 3, {0, 0x07E0, 0x001F}, 1, {0xFFFF}, {}},
        {"bmp: the blue mask is 0", 40, 32, 3, {0xFF0000, 0xFF00, 0}, 1, {0xFFFFFFFF}, {}},
        {"bmp: the green mask has a gap in its bits", 40, 16, 3, {0xF800, 0x0F0F, 0x00F0}, 1, {0xFFFF}, {}},
        {"bmp: the red mask reaches past the pixel's bits", 40, 16, 3, {0x1F0000, 0x07E0, 0x001F}, 1, {0xFFFF}, {}},
        {"bmp: two colour masks share bits", 40, 16, 3, {0xF800, 0x0FE0, 0x001F}, 1, {0xFFFF}, {}},
        {"bmp: two colour masks share bits", 40, 32, 3, {0xFF, 0xFF00, 0xFF}, 1, {0xFFFFFFFF}, {}},
        {"bmp: the alpha mask shares bits with a colour mask", 56, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF800000}, 1,
         {0xFFFFFFFF}, {}},
        {"bmp: the alpha mask reaches past the pixel's bits", 108, 16, 3, {0x7C00, 0x03E0, 0x001F, 0x18000}, 1,
         {0xFFFF}, {}},
        {"bmp: the alpha mask has a gap in its bits", 40, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xA000}, 1, {0xFFFF}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int height = int(c.pixels.size()) / c.width;
        V file = MakeBitFieldBmp(c.infoSize, c.width, height, c.bits, c.compression, c.masks,
                                 PixelRows(c.bits, c.width, c.pixels));
        Image image(1, 1, RGB);
        const std::string reason = LoadBmpOutput(image, dir.Write("f.bmp", file));
        if (c.bgr.empty()) {
            EXPECT_EQ(reason, c.what);
            // The system's loader is not given such a file either, so every
            // entry point refuses it for the same reason.
            EXPECT_FALSE(image.LoadGDI(dir.Path("f.bmp").c_str()));
            if (c.compression == 3) {
                EXPECT_STREQ(Image::FailureReason(), c.what);
            }
            EXPECT_FALSE(image.Load(dir.Path("f.bmp").c_str()));
            EXPECT_STREQ(Image::FailureReason(), c.what);
            continue;
        }
        ASSERT_EQ(reason, "");
        ASSERT_EQ(image.GetFormat(), BGR);
        ASSERT_EQ(image.Width(), c.width);
        V got;
        for (int y = 0; y < height; ++y)
            got.insert(got.end(), image.GetRow(y), image.GetRow(y) + 3 * c.width);
        EXPECT_EQ(got, c.bgr);
    }
    // Masks cut off by the end of the file.
    V cut = MakeBitFieldBmp(40, 1, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {});
    cut.resize(60);
    Set32(cut, 10, 56);  // pixel data overlapping the masks, within the file
    Image image;
    EXPECT_EQ(LoadBmpOutput(image, dir.Write("c.bmp", cut)), "bmp: the file ends before its bit-field masks");
}

TEST(ImageBmpReader, OtherKindsAreRefusedWithTheReadersReason)
{
    ScratchDir dir;
    V core = MakeBmp(1, 1, 24, {}, {1, 2, 3, 0});
    Set32(core, 14, 12);  // the small OS/2 header
    V planes = MakeBmp(1, 1, 24, {}, {1, 2, 3, 0});
    planes[26] = 2;
    const V files[] = {MakeBitFieldBmp(40, 1, 1, 24, 3, {0xFF0000, 0xFF00, 0xFF}, V(4, 1)),
                       MakeBmp(1, 1, 4, V(64, 0), V(4, 0)),
                       MakeBmp(2, 1, 8, V(8, 0), {2, 0, 0, 1}, 1),
                       core,
                       planes,
                       V{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}};
    for (const V& file : files) {
        Image image(2, 2, RGB);
        EXPECT_EQ(LoadBmpOutput(image, dir.Write("x.bmp", file)),
                  "bmp: not an uncompressed or bit-field BMP file of 8, 16, 24 or 32 bits");
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
    };
    for (Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " = " << c.value);
        if (c.offset == 22 && c.value == 0xFFFF8AD0)
            Set32(c.file, 18, 30000);  // 30000 x 30000 pixels: over a gigabyte
        Set32(c.file, c.offset, c.value);
        Image image(1, 1, RGB);
        EXPECT_EQ(LoadBmpOutput(image, dir.Write("h.bmp", c.file)), c.message);
    }

    // Every truncation: no crash, false, a reason.
    for (const V& good : {good24, good8}) {
        for (size_t n = 0; n < good.size(); ++n) {
            Image image;
            EXPECT_NE(LoadBmpOutput(image, dir.Write("t.bmp", V(good.begin(), good.begin() + long(n)))), "") << n;
        }
    }
}

}  // namespace

}  // namespace glintwork
