#include "framework/image/Image.h"
#include "framework/image/PictureChecks.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

// A file over `bytes` that counts the reads and seeks made on it: the
// system calls a real file would take.
struct CountedFile {
    const V* bytes;
    size_t at = 0;
    int calls = 0;
};

ssize_t CountedRead(void* cookie, char* to, size_t size)
{
    auto* f = static_cast<CountedFile*>(cookie);
    ++f->calls;
    const size_t n = std::min(size, f->bytes->size() - std::min(f->at, f->bytes->size()));
    std::copy_n(f->bytes->data() + f->at, n, to);
    f->at += n;
    return ssize_t(n);
}

int CountedSeek(void* cookie, off64_t* offset, int whence)
{
    auto* f = static_cast<CountedFile*>(cookie);
    ++f->calls;
    const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? off64_t(f->at) : off64_t(f->bytes->size());
    f->at = size_t(base + *offset);
    *offset = off64_t(f->at);
    return 0;
}

// Runs a picture check over `bytes`; `calls` says how many reads and seeks
// it made.
template <typename Check> bool Checked(const V& bytes, Check check, int* calls = nullptr)
{
    CountedFile counted{&bytes};
    FILE* file = fopencookie(&counted, "rb", {CountedRead, nullptr, CountedSeek, nullptr});
    const bool fits = check(file, uint64_t(bytes.size()));
    fclose(file);
    if (calls)
        *calls = counted.calls;
    return fits;
}

bool PictureFits(const V& bytes, const char* kind, int* calls = nullptr)
{
    return Checked(
        bytes, [kind](FILE* f, uint64_t size) { return PictureClaimFits(f, size, kind); }, calls);
}

bool BitmapFits(const V& bytes)
{
    return Checked(bytes, [](FILE* f, uint64_t size) { return BitmapHeaderFits(f, size); });
}

// The work of a JPEG's scans is counted in visits of an 8 x 8 block by a
// first pass; a refinement of a whole band costs 9. At 2048 x 2048 (65536
// blocks) the DC scan and 4095 first passes, or 455 refinements, reach the
// limit exactly.
TEST(PictureChecks, JpegScansAreBoundedByTheWorkOfTheirKind)
{
    static_assert(MaxJpegWork == 65536 * 4096);
    const struct {
        int scans;
        bool refinements;
        bool fits;
    } cases[] = {
        {4095, false, true}, {4096, false, false}, {455, true, true}, {456, true, false}, {4096, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.scans) + (c.refinements ? " refinements" : " first passes"));
        EXPECT_EQ(PictureFits(MakeFlatJpeg(2048, 2048, c.scans, c.refinements), "JPG"), c.fits);
        if (!c.fits) {
            EXPECT_STREQ(Image::FailureReason(), "jpeg: its scans are more decoding work than the limit allows");
        }
    }
}

// However a file is laid out, a check reads it through a buffer: a few
// system calls for every 64 KiB (the counted file reads 8 KiB at a time),
// not a few for every byte.
TEST(PictureChecks, ChecksReadTheFileThroughABuffer)
{
    V emptyChunks = FromHex("89504e470d0a1a0a0000000d49484452000000010000000108000000003a7e9b55");
    for (int i = 0; i < 200000; ++i)
        emptyChunks.insert(emptyChunks.end(), {0, 0, 0, 0, 't', 'E', 'X', 't', 0, 0, 0, 0});
    emptyChunks.insert(emptyChunks.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    const struct {
        const char* kind;
        V bytes;
    } cases[] = {
        {"JPG", MakeFilledJpeg(3 << 20)},
        {"GIF", MakePlacedGif(1, 1, 0, 0, 1, 1, 1 << 20)},
        {"PNG", emptyChunks},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        int calls = 0;
        EXPECT_TRUE(PictureFits(c.bytes, c.kind, &calls)) << Image::FailureReason();
        EXPECT_LE(calls, 16 * int(c.bytes.size() >> 16) + 16);
    }
}

// Run-length BMP data may claim no more than 128 pixels for each of its
// bytes, whatever the shape of the picture.
TEST(PictureChecks, RunLengthBitmapsClaimNoMorePixelsThanTheirDataAllows)
{
    const V endOfPicture = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0};  // 10 bytes of data
    const struct {
        int width, height;
        bool fits;
    } cases[] = {
        {1280, 1, true}, {1281, 1, false}, {1, 1280, true}, {1, 1281, false}, {40, 32, true}, {33, 39, false},
    };
    V palette(16, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(BitmapFits(MakeBmp(c.width, c.height, 8, palette, endOfPicture, 1)), c.fits);
        EXPECT_EQ(BitmapFits(MakeBmp(c.width, c.height, 4, palette, endOfPicture, 2)), c.fits);
    }
    EXPECT_FALSE(BitmapFits(MakeSparseRunLengthBmp(16384, 16384)));
    EXPECT_STREQ(Image::FailureReason(),
                 "bmp: 16384 x 16384 pixels is more than its run-length data can describe (cut short?)");
}

// A GIF frame counts where the file places it: the screen, or the frame's
// far edge, whichever reaches further, must fit the limits.
TEST(PictureChecks, GifFramesCountWhereTheyArePlaced)
{
    const struct {
        int screenWidth, screenHeight, left, top, width, height;
        bool fits;
    } cases[] = {
        {1, 1, 0, 0, 1, 1, true},         {32768, 1, 0, 0, 1, 1, true},  // the screen at the limit
        {32769, 1, 0, 0, 1, 1, false},                                   // the screen one past it
        {1, 1, 32767, 0, 1, 1, true},                                    // the right edge at the limit
        {1, 1, 32768, 0, 1, 1, false},                                   // one past
        {1, 1, 32766, 0, 2, 1, true},                                    // the width counts from the left edge
        {1, 1, 32767, 0, 2, 1, false},    {1, 1, 0, 32767, 1, 1, true},  // the bottom edge
        {1, 1, 0, 32768, 1, 1, false},    {1, 1, 0, 32766, 1, 2, true},     {1, 1, 0, 32767, 1, 2, false},
        {8, 8, 32767, 7, 1, 1, true},                                        // the far corner inside a small screen
        {1, 1, 32767, 8191, 1, 1, true},                                     // 32768 x 8192: 1 GiB at 4 bytes a pixel
        {1, 1, 32767, 8192, 1, 1, false}, {1, 8193, 32767, 0, 1, 1, false},  // the screen's height with the frame's
                                                                             // width
        {32768, 1, 0, 8192, 1, 1, false}, {1, 1, 0, 0, 0, 1, false},         // a frame of no pixels
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screenWidth << "x" << c.screenHeight << " frame " << c.width << "x"
                                        << c.height << " at " << c.left << "," << c.top);
        EXPECT_EQ(PictureFits(MakePlacedGif(c.screenWidth, c.screenHeight, c.left, c.top, c.width, c.height), "GIF"),
                  c.fits);
    }
}

}  // namespace

}  // namespace glintwork
