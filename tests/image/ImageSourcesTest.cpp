#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

// A 2 x 2 RGBA PNG. Top row: red, transparent; bottom row: green, blue at half cover.
const V SmallPng =
    FromHex("89504e470d0a1a0a0000000d494844520000000200000002080600000072b60d240000001d494441547801011200edff"
            "00ff0000ff000000000000ff00ff0000ff802d65057c18ea43280000000049454e44ae426082");

// A palette whose entry i is red 30i, green 20i, blue 10i.
V RampPalette(int entries)
{
    V palette(4 * size_t(entries), 0);
    for (int i = 0; i < entries; ++i) {
        palette[4 * size_t(i)] = uint8_t(10 * i);
        palette[4 * size_t(i) + 1] = uint8_t(20 * i);
        palette[4 * size_t(i) + 2] = uint8_t(30 * i);
    }
    return palette;
}

TEST(ImageSystemBitmaps, ReadsTheKindsTheOwnReaderRejects)
{
    ScratchDir dir;
    Image image;
    // 4 bits, 5 x 2: rows of 3 bytes padded to 4, high nibble first.
    V four = MakeBmp(5, 2, 4, RampPalette(16), {0x12, 0x34, 0x50, 0, 0x67, 0x81, 0x20, 0});
    ASSERT_TRUE(image.Load(dir.Write("four.bmp", four).c_str()));
    EXPECT_EQ(image.GetFormat(), BGR);
    EXPECT_EQ(image.GetRowPadding(), 1);
    for (auto [x, y, entry] : {std::tuple{0, 0, 1}, {4, 0, 5}, {0, 1, 6}, {4, 1, 2}})
        EXPECT_EQ(Rgb(image, x, y), V({uint8_t(30 * entry), uint8_t(20 * entry), uint8_t(10 * entry)})) << x << y;
}

TEST(ImageSystemBitmaps, ClaimedSizesAreCheckedBeforeDecoding)
{
    ScratchDir dir;
    V tall4 = MakeBmp(4, 1, 4, RampPalette(16), {0x11, 0x11, 0, 0});
    Set32(tall4, 22, 0x7FFFFFFF);
    V wideRle = MakeBmp(30000, 30000, 8, RampPalette(4), {0, 1}, 1);
    V shortRows = MakeBmp(64, 64, 1, RampPalette(2), V(16, 0));
    V bigPalette = MakeBmp(2, 1, 4, RampPalette(16), {0x12, 0, 0, 0});
    Set32(bigPalette, 46, 17);
    V topDownRle = MakeBmp(4, 1, 4, RampPalette(16), {0, 1}, 2);
    Set32(topDownRle, 22, 0x80000000);
    // Sixteen palette entries claimed, two in the file, the rows laid over them.
    V shortPalette = MakeBmp(4, 1, 4, RampPalette(2), {0x01, 0x10, 0, 0});
    Set32(shortPalette, 46, 16);
    Set32(shortPalette, 10, 54);
    for (const V& file : {tall4, wideRle, shortRows, bigPalette, topDownRle, shortPalette}) {
        Image image(1, 1, RGB);
        EXPECT_FALSE(image.LoadGDI(dir.Write("h.bmp", file).c_str()));
        EXPECT_TRUE(image.IsNull());
    }
}

TEST(ImageSystemPictures, DecodersAreChosenByContentAndBlendOverWhite)
{
    ScratchDir dir;
    const V png = SmallPng;
    for (const char* name : {"p.tga", "p"}) {
        SCOPED_TRACE(name);
        Image image;
        ASSERT_TRUE(image.Load(dir.Write(name, png).c_str()));
        EXPECT_EQ(image.GetFormat(), BGR);
        EXPECT_EQ(image.GetRowPadding(), 2);
        EXPECT_EQ(Rgb(image, 0, 1), V({255, 0, 0}));
        EXPECT_EQ(Rgb(image, 1, 1), V({255, 255, 255}));
        EXPECT_EQ(Rgb(image, 0, 0), V({0, 255, 0}));
        EXPECT_NEAR(Rgb(image, 1, 0)[0], 127, 1);  // half cover over the white
    }

    Image image;
    ASSERT_TRUE(image.Load(dir.Write("j.gif", MakeFlatJpeg(16, 8, 0)).c_str()));
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(Rgb(image, 15, 7), V({128, 128, 128}));
}

TEST(ImageSystemPictures, HostileOrUnknownFilesAreRefused)
{
    ScratchDir dir;
    const V png = SmallPng;
    V hugePng = png;
    hugePng[16] = 0x7F;  // width 2^31 - 2^24 + 2
    V widePng = png;
    widePng[18] = 0x90;  // 36866 pixels wide
    V longChunk = png;   // a text chunk claiming more bytes than the file has
    longChunk.insert(longChunk.begin() + 33, {0, 0, 3, 0, 't', 'E', 'X', 't', 'k', 0, 'v', 1, 2, 3, 4});
    V gif = FromHex("474946383961010001008100000000000000000000000000002c00000000010001000002024401003b");
    V bigFrame = gif;
    bigFrame[13 + 12 + 5] = bigFrame[13 + 12 + 6] = bigFrame[13 + 12 + 7] = bigFrame[13 + 12 + 8] = 0xFF;
    V jpeg = MakeFlatJpeg(8, 8, 0);
    V bigJpeg = jpeg;
    bigJpeg[5 + 64 + 2 + 5] = bigJpeg[5 + 64 + 2 + 6] = bigJpeg[5 + 64 + 2 + 7] = bigJpeg[5 + 64 + 2 + 8] = 0xFF;
    V text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    const std::tuple<V, const char*> refused[] = {
        {hugePng, "png: 2130706434 x 2 pixels is more than the picture limits allow"},
        {widePng, "png: 36866 x 2 pixels is more than the picture limits allow"},
        {longChunk, "png: a chunk runs past the end of the file"},
        {bigFrame, "gif: 65535 x 65535 pixels is more than the picture limits allow"},
        {bigJpeg, "jpeg: 65535 x 65535 pixels is more than the picture limits allow"},
        {text, "not a picture file that can be read"},
        {V(png.begin(), png.begin() + 30), "png: a chunk runs past the end of the file"},
    };
    for (const auto& [file, reason] : refused) {
        Image image;
        EXPECT_FALSE(image.Load(dir.Write("h.png", file).c_str()));
        EXPECT_STREQ(Image::FailureReason(), reason);
    }
    Image kept(1, 1, RGB);
    EXPECT_FALSE(kept.LoadPicture(dir.Write("t.txt", text).c_str()));
    EXPECT_FALSE(kept.IsNull());                           // not a picture: the image stays as it was
    EXPECT_FALSE(kept.LoadPicture(dir.Path("").c_str()));  // a folder
    EXPECT_FALSE(kept.IsNull());
    // A pipe whose writer never writes is refused, not waited on.
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    EXPECT_FALSE(kept.Load(fifo.c_str()));
    close(writer);
}

// Every input the fuzz targets have found (fuzz/regressions/TARGET/) goes
// through the reader it was found with. Each was a crash, a wild pointer, or
// gigabytes or seconds spent on a file of a few bytes; the reader must refuse
// it before the system's decoder sees it (a picture reader then leaves the
// image untouched), and the whole-file entry point must refuse it too.
TEST(ImageSystemPictures, InputsFoundByFuzzingAreRefusedBeforeDecoding)
{
    const struct {
        const char* target;
        bool (Image::*read)(const char*);
        bool untouched;
    } readers[] = {{"picture", &Image::LoadPicture, true}, {"gdi", &Image::LoadGDI, false}};
    int replayed = 0;
    for (const auto& reader : readers) {
        const std::string corpus = std::string(GLINTWORK_FUZZ_REGRESSIONS "/") + reader.target;
        DIR* folder = opendir(corpus.c_str());
        ASSERT_NE(folder, nullptr) << corpus;
        while (const dirent* entry = readdir(folder)) {
            if (entry->d_name[0] == '.')
                continue;
            const std::string path = corpus + "/" + entry->d_name;
            Image image(1, 1, RGB);
            EXPECT_FALSE((image.*reader.read)(path.c_str())) << path;
            EXPECT_EQ(image.IsNull(), !reader.untouched) << path;
            EXPECT_FALSE(image.Load(path.c_str())) << path;
            ++replayed;
        }
        closedir(folder);
    }
    EXPECT_GE(replayed, 6);
}

TEST(ImageSystemPictures, SizesBeyondWhatTheFileOrTheDecoderCanHoldAreRefused)
{
    ScratchDir dir;
    // 1000 x 1000 from 26 bytes: a run chunk stands for at most 62 pixels.
    V qoi = {'q', 'o', 'i', 'f', 0, 0, 0x03, 0xE8, 0, 0, 0x03, 0xE8, 3, 0, 0xFE, 9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 1};
    // 4000 x 4000 from a JPEG of one block: at least a bit a block.
    V jpeg = MakeFlatJpeg(8, 8, 0);
    jpeg[5 + 64 + 2 + 5] = jpeg[5 + 64 + 2 + 7] = 0x0F;
    jpeg[5 + 64 + 2 + 6] = jpeg[5 + 64 + 2 + 8] = 0xA0;
    for (const V& file : {qoi, jpeg}) {
        Image image;
        EXPECT_FALSE(image.Load(dir.Write("big", file).c_str()));
    }
    // The same QOI picture at 10 x 10 fits its 28 bytes: one colour, one
    // run of 62, and one of 37.
    V small = {'q', 'o', 'i', 'f', 0, 0, 0, 10, 0, 0, 0, 10, 3, 0, 0xFE, 9, 8, 7, 0xFD, 0xE4, 0, 0, 0, 0, 0, 0, 0, 1};
    Image image;
    ASSERT_TRUE(image.Load(dir.Write("small", small).c_str()));
    EXPECT_EQ(Rgb(image, 9, 9), V({9, 8, 7}));

    // Each scan of a JPEG goes over every block: 2048 x 2048 (65536 blocks)
    // may have 4096 scans, not one more. Flat grey, every coefficient 0.
    Image grey;
    ASSERT_TRUE(grey.Load(dir.Write("scans.jpg", MakeFlatJpeg(2048, 2048, 4095)).c_str()));
    EXPECT_EQ(Rgb(grey, 2047, 2047), V({128, 128, 128}));
    EXPECT_FALSE(grey.Load(dir.Write("scans.jpg", MakeFlatJpeg(2048, 2048, 4096)).c_str()));

    // A progressive picture is decoded into a buffer of coefficients for
    // the whole picture, 128 bytes for every 8 x 8 block of every component:
    // at 16384 x 16384, 512 MB for grey, 1.5 GB for three components, which
    // go beyond the limits (the file is long enough for the blocks).
    V three = MakeFlatJpeg(16384, 16384, 0);
    const size_t frame = 2 + 4 + 65;  // after the start marker and the quantization table
    ASSERT_EQ(three[frame + 1], 0xC2);
    three.erase(three.begin() + long(frame), three.begin() + long(frame) + 2 + 2 + 9);
    const V threeComponents = {0xFF, 0xC2, 0, 17, 8, 0x40, 0, 0x40, 0, 3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0};
    three.insert(three.begin() + long(frame), threeComponents.begin(), threeComponents.end());
    Image colour(1, 1, RGB);
    EXPECT_FALSE(colour.LoadPicture(dir.Write("three.jpg", three).c_str()));
    EXPECT_FALSE(colour.IsNull());  // refused before decoding

    // 16385 x 16385 fits 1 GiB at 3 bytes a pixel, not at the 4 the
    // system's decoders may use on the way (the data is long enough for
    // them: 128 pixels a byte).
    Image rle(1, 1, RGB);
    const V endsOfLines(16385 * 16385 / 128 + 2, 0);
    EXPECT_FALSE(rle.LoadGDI(dir.Write("rle.bmp", MakeBmp(16385, 16385, 8, RampPalette(4), endsOfLines, 1)).c_str()));
    EXPECT_STREQ(Image::FailureReason(), "bmp: 16385 x 16385 pixels is more than the picture limits allow");
    EXPECT_TRUE(rle.IsNull());
}

// A failed load says why: the system's words when the file cannot be
// opened, else the reason of the reader that took the file for its own kind.
TEST(ImageLoad, FailuresSayWhy)
{
    ScratchDir dir;
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    V truncatedTga = MakeTga(2, 2, 2, 24, 0, V(12, 7), true);
    truncatedTga.erase(truncatedTga.begin() + 20, truncatedTga.begin() + 24);
    const std::tuple<std::string, const char*> cases[] = {
        {dir.Path("missing.png"), "cannot open the file: No such file or directory"},
        {dir.Path(""), "cannot open the file: Is a directory"},
        {fifo, "cannot open the file: Is a FIFO"},
        {"/dev/zero", "cannot open the file: Is a character device"},
        {dir.Path("no-such-folder/-"), "cannot open the file: No such file or directory"},
        {dir.Write("bad.tga", V(40, 'x')), "tga: not a true-colour TGA file of 24 or 32 bits"},
        {dir.Write("short.tga", truncatedTga), "tga: the file ends before its last row"},
        {dir.Write("sparse.bmp", MakeSparseRunLengthBmp(16384, 16384)),
         "bmp: 16384 x 16384 pixels is more than its run-length data can describe (cut short?)"},
        {dir.Write("scans.tga", MakeFlatJpeg(2048, 2048, 456, true)),
         "jpeg: its scans are more decoding work than the limit allows"},
        {dir.Write("text.tga.txt", V(40, 'x')), "not a picture file that can be read"},
    };
    for (const auto& [path, reason] : cases) {
        Image image(1, 1, RGB);
        EXPECT_FALSE(image.Load(path.c_str())) << path;
        EXPECT_STREQ(Image::FailureReason(), reason) << path;
        EXPECT_STREQ(Image::LoadedFormat(), "") << path;
    }
    const std::string locked = dir.Write("locked.bmp", MakeBmp(1, 1, 24, {}, V(4, 0)));
    chmod(locked.c_str(), 0);
    Image image;
    if (geteuid() != 0) {  // the superuser reads it all the same
        EXPECT_FALSE(image.Load(locked.c_str()));
        EXPECT_STREQ(Image::FailureReason(), "cannot open the file: Permission denied");
    }
}

// Every reader names the kind of file it read.
TEST(ImageLoad, LoadsNameTheKindOfFile)
{
    ScratchDir dir;
    const V qoi = {'q', 'o', 'i', 'f', 0, 0, 0, 1, 0, 0, 0, 1, 3, 0, 0xFE, 9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 1};
    const std::tuple<V, const char*> cases[] = {
        {MakeBmp(1, 1, 24, {}, V(4, 0)), "BMP 24-bit"},
        {MakeBmp(1, 1, 8, RampPalette(2), V(4, 0)), "BMP 8-bit"},
        {MakeBmp(1, 1, 4, RampPalette(16), V(4, 0)), "BMP 4-bit"},
        {MakeBmp(4, 2, 8, RampPalette(4), {4, 3, 0, 0, 2, 1, 0, 1}, 1), "BMP 8-bit run-length"},
        {MakeBitFieldBmp(40, 1, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, V(4, 0)), "BMP 16-bit bit-field"},
        {MakeTga(2, 1, 1, 24, 0, {1, 2, 3}, true), "TGA"},
        {MakeTga(10, 2, 1, 32, 0, {0x81, 1, 2, 3, 4}, true), "TGA run-length"},
        {SmallPng, "PNG"},
        {MakeFlatJpeg(8, 8, 0), "JPEG"},
        {MakePlacedGif(1, 1, 0, 0, 1, 1), "GIF"},
        {qoi, "QOI"},
    };
    for (const auto& [file, kind] : cases) {
        Image image;
        EXPECT_TRUE(image.Load(dir.Write("picture", file).c_str())) << kind << ": " << Image::FailureReason();
        EXPECT_STREQ(Image::LoadedFormat(), kind);
    }
}

}  // namespace

}  // namespace glintwork
