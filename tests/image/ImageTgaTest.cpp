#include "framework/image/Image.h"
#include "framework/image/TgaRuns.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

const V TwoRows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 2 x 2, 24 bits

TEST(ImageTga, UncompressedRowsAndTheirOrder)
{
    ScratchDir dir;
    Image image;
    ASSERT_TRUE(image.LoadTGA(dir.Write("a.dat", MakeTga(2, 2, 2, 24, 0, TwoRows, true)).c_str()));
    EXPECT_EQ(image.GetFormat(), BGR);
    EXPECT_EQ(PixelBytes(image, 0, 0, image.Width()), V({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(PixelBytes(image, 0, 1, image.Width()), V({7, 8, 9, 10, 11, 12}));

    ASSERT_TRUE(image.LoadTGA(dir.Write("b.dat", MakeTga(2, 2, 2, 24, 32, TwoRows, true)).c_str()));
    EXPECT_EQ(PixelBytes(image, 0, 0, image.Width()), V({7, 8, 9, 10, 11, 12}));  // stored top row first
    EXPECT_EQ(PixelBytes(image, 0, 1, image.Width()), V({1, 2, 3, 4, 5, 6}));

    V withId = MakeTga(2, 1, 1, 32, 0, {9, 9, 9, 1, 2, 3, 4}, true);
    withId[0] = 3;  // three bytes of image ID to skip
    ASSERT_TRUE(image.LoadTGA(dir.Write("c.dat", withId).c_str()));
    EXPECT_EQ(image.GetFormat(), BGRA);
    EXPECT_EQ(PixelBytes(image, 0, 0, image.Width()), V({1, 2, 3, 4}));
}

TEST(ImageTga, WithoutTheFooterOnlyTheNameCounts)
{
    ScratchDir dir;
    V bare = MakeTga(2, 2, 2, 24, 0, TwoRows, false);
    for (const char* name : {"a.tga", "b.TGA", "c.d.tga"}) {
        Image image, loaded;
        EXPECT_TRUE(image.LoadTGA(dir.Write(name, bare).c_str())) << name;
        // Load gets there too, past the readers before it.
        EXPECT_TRUE(loaded.Load(dir.Path(name).c_str())) << name;
        EXPECT_EQ(loaded.GetFormat(), BGR);
        EXPECT_EQ(PixelBytes(loaded, 0, 1, loaded.Width()), V({7, 8, 9, 10, 11, 12}));
    }
    for (const char* name : {"a.tga.bak", "a.png", "a.tga.tga"}) {
        Image image;
        EXPECT_FALSE(image.LoadTGA(dir.Write(name, bare).c_str())) << name;
    }
    Image image;
    EXPECT_FALSE(image.LoadTGA(nullptr));
}

TEST(ImageTga, OtherKindsAndClaimsPastTheFileAreRejected)
{
    ScratchDir dir;
    V mapped = MakeTga(2, 2, 2, 24, 0, TwoRows, true);
    mapped[1] = 1;
    const V files[] = {
        MakeTga(1, 2, 2, 24, 0, TwoRows, true),
        MakeTga(3, 2, 2, 24, 0, TwoRows, true),
        MakeTga(2, 2, 2, 16, 0, TwoRows, true),
        MakeTga(2, 0, 2, 24, 0, TwoRows, true),
        MakeTga(2, 2, 0, 24, 0, TwoRows, true),
        mapped,
        V(TwoRows.begin(), TwoRows.begin() + 10),
        MakeTga(2, 65535, 65535, 32, 0, V(100, 0), true),  // beyond the size limits
        MakeTga(2, 30000, 30000, 24, 0, V(100, 0), true),  // far more than the file holds
        MakeTga(10, 30000, 30000, 24, 0, V(100, 0x80), true),
        MakeTga(10, 20000, 1, 24, 0, {0xFF, 1, 2, 3}, true),
    };
    for (const V& file : files) {
        Image image(1, 1, RGB);
        EXPECT_FALSE(image.LoadTGA(dir.Write("x.tga", file).c_str()));
        EXPECT_TRUE(image.IsNull());
    }
    // Every truncation of a run-length file fails cleanly.
    V good = MakeTga(10, 2, 2, 24, 0, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}, false);
    for (size_t n = 0; n < good.size(); ++n) {
        Image image;
        EXPECT_FALSE(image.LoadTGA(dir.Write("t.tga", V(good.begin(), good.begin() + long(n))).c_str()));
    }
}

TEST(ImageTga, RunLengthPacketsMustCoverThePictureExactly)
{
    ScratchDir dir;
    // A run of two pixels, then two raw pixels.
    V exact = {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9};
    Image image;
    ASSERT_TRUE(image.LoadTGA(dir.Write("r.tga", MakeTga(10, 2, 2, 24, 0, exact, false)).c_str()));
    EXPECT_EQ(PixelBytes(image, 0, 0, image.Width()), V({1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(PixelBytes(image, 0, 1, image.Width()), V({4, 5, 6, 7, 8, 9}));

    const V bad[] = {
        {0x81, 1, 2, 3, 0x82, 4, 5, 6},                    // a run past the end
        {0x81, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 1, 2, 3},  // raw pixels past the end
    };
    for (const V& data : bad) {
        Image failed(1, 1, RGB);
        EXPECT_FALSE(failed.LoadTGA(dir.Write("r.tga", MakeTga(10, 2, 2, 24, 0, data, false)).c_str()));
        EXPECT_TRUE(failed.IsNull());
    }

    ASSERT_TRUE(image.LoadTGA(dir.Write("r.tga", MakeTga(10, 3, 1, 32, 0, {0x82, 1, 2, 3, 4}, true)).c_str()));
    EXPECT_EQ(image.GetFormat(), BGRA);
    EXPECT_EQ(PixelBytes(image, 0, 0, image.Width()), V({1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}));
}

// Packets that end exactly at the end of the buffer, one pixel before it and
// one pixel past it, decoded into a buffer with guard bytes after it: nothing
// may be written past the end, in any build.
TEST(ImageTga, RunLengthPacketsStopAtTheEndOfTheBuffer)
{
    const struct {
        const char* what;
        size_t pixels, p;
        V packets;
        bool fills;
        uint8_t last;  // the last byte of the buffer when filled
    } cases[] = {
        {"raw, at the end", 4, 3, {0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, true, 12},
        {"raw, one before", 4, 3, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false, 0},
        {"raw, one past", 4, 3, {0x04, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, false, 0},
        {"run, at the end", 4, 3, {0x83, 1, 2, 3}, true, 3},
        {"run, one before", 4, 3, {0x82, 1, 2, 3}, false, 0},
        {"run, one past", 4, 3, {0x84, 1, 2, 3}, false, 0},
        {"run then raw, at the end", 4, 3, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}, true, 9},
        {"run then raw, one past", 4, 3, {0x81, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false, 0},
        {"raw then run, one past", 4, 3, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x81, 1, 2, 3}, false, 0},
        {"run of 128, at the end", 128, 4, {0xFF, 1, 2, 3, 4}, true, 4},
        {"run of 128, one past", 127, 4, {0xFF, 1, 2, 3, 4}, false, 0},
        {"more packets after the end", 1, 4, {0x80, 1, 2, 3, 4, 0x80, 9, 9, 9, 9}, true, 4},
        {"the stream ends in a pixel", 2, 3, {0x01, 1, 2, 3, 4}, false, 0},
    };
    constexpr size_t Guard = 64;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        V buffer(c.pixels * c.p + Guard, 0xA5);
        V packets = c.packets;
        FILE* file = fmemopen(packets.data(), packets.size(), "rb");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(DecodeTgaRuns(file, buffer.data(), buffer.data() + c.pixels * c.p, c.p), c.fills);
        fclose(file);
        EXPECT_EQ(V(buffer.end() - Guard, buffer.end()), V(Guard, 0xA5));
        if (c.fills) {
            EXPECT_EQ(buffer[0], 1);
            EXPECT_EQ(buffer[c.pixels * c.p - 1], c.last);
        }
    }
}

}  // namespace

}  // namespace glintwork
