// Writes the seed corpora of the fuzz targets: small, valid (or nearly
// valid) inputs of every kind each reader takes, so that fuzzing starts deep
// inside the readers. Usage: glintwork-fuzz-seeds FOLDER. The output is the
// same on every run; the checked-in fuzz/seeds/ is its output.
// glintwork-fuzz-seeds --regressions FOLDER writes the inputs of the
// regression corpora that are made rather than found (fuzz/regressions/
// holds them beside the found ones): files that cost seconds or gigabytes
// for their length.
#include "tests/image/PictureFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace glintwork {

namespace {

std::string g_root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(g_root + "/" + target);
    std::ofstream out(g_root + "/" + target + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + target + "/" + name);
}

void WriteText(const std::string& target, const std::string& name, const std::string& text)
{
    Write(target, name, Bytes(text.begin(), text.end()));
}

// PNG, GIF and baseline JPEG files built from their parts: the seeds of the
// system decoders.
void PutBE32(Bytes& b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(uint8_t(v >> shift));
}

uint32_t Crc32(const unsigned char* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void PutChunk(Bytes& png, const char* type, const Bytes& data)
{
    PutBE32(png, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBE32(png, Crc32(body.data(), body.size()));
}

Bytes MakePng(int width, int height, const Bytes& rgbaTopDown)
{
    Bytes raw;  // filter byte 0 before every row
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        auto row = rgbaTopDown.begin() + y * width * 4;
        raw.insert(raw.end(), row, row + width * 4);
    }
    Bytes z{0x78, 0x01, 1};  // one final stored block
    Put16(z, uint32_t(raw.size()));
    Put16(z, uint32_t(~raw.size() & 0xFFFF));
    z.insert(z.end(), raw.begin(), raw.end());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, b << 16 | a);

    Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    PutBE32(ihdr, uint32_t(width));
    PutBE32(ihdr, uint32_t(height));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    return png;
}

Bytes MakeGif(int width, int height, const Bytes& palette, const Bytes& indices, int transparent)
{
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, uint32_t(width));
    Put16(b, uint32_t(height));
    b.insert(b.end(), {0x81, 0, 0});  // global table of 4 entries
    b.insert(b.end(), palette.begin(), palette.end());
    if (transparent >= 0)
        b.insert(b.end(), {0x21, 0xF9, 4, 1, 0, 0, uint8_t(transparent), 0});
    b.push_back(0x2C);
    Put32(b, 0);
    Put16(b, uint32_t(width));
    Put16(b, uint32_t(height));
    b.push_back(0);
    // Code size 2: clear 4, end 5. A clear code before every pixel keeps the
    // codes 3 bits wide.
    Bytes codes;
    uint32_t bits = 0, count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            codes.push_back(uint8_t(bits));
    };
    for (unsigned char index : indices) {
        emit(4);
        emit(index);
    }
    emit(5);
    if (count > 0)
        codes.push_back(uint8_t(bits));
    b.push_back(2);
    for (size_t i = 0; i < codes.size(); i += 255) {
        size_t n = std::min<size_t>(255, codes.size() - i);
        b.push_back(uint8_t(n));
        b.insert(b.end(), codes.begin() + long(i), codes.begin() + long(i + n));
    }
    b.insert(b.end(), {0, 0x3B});
    return b;
}

Bytes MakeGreyJpeg(const Bytes& blockGreys)
{
    Bytes j{0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    j.insert(j.end(), 64, 8);  // every quantizer 8: the DC coefficient is grey - 128
    int width = int(blockGreys.size()) * 8;
    j.insert(j.end(), {0xFF, 0xC0, 0, 11, 8, 0, 8, uint8_t(width >> 8), uint8_t(width), 1, 1, 0x11, 0});
    // DC table: categories 0..11, each a 4-bit code equal to the category.
    j.insert(j.end(), {0xFF, 0xC4, 0, 31, 0x00, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (int c = 0; c < 12; ++c)
        j.push_back(uint8_t(c));
    // AC table: end-of-block alone, code "0".
    j.insert(j.end(), {0xFF, 0xC4, 0, 20, 0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    j.insert(j.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0});

    JpegBits bits;
    int previous = 0;
    for (unsigned char grey : blockGreys) {
        int diff = (grey - 128) - previous;
        previous = grey - 128;
        int magnitude = diff < 0 ? -diff : diff, category = 0;
        while (magnitude >> category)
            ++category;
        bits.Put(uint32_t(category), 4);
        bits.Put(uint32_t(diff < 0 ? diff + (1 << category) - 1 : diff), category);
        bits.Put(0, 1);  // end of block
    }
    Bytes scan = bits.Finish();
    j.insert(j.end(), scan.begin(), scan.end());
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

// A palette of `entries` entries: blue, green, red, reserved; grey when asked.
Bytes Palette(int entries, bool grey)
{
    Bytes palette;
    for (int i = 0; i < entries; ++i) {
        uint8_t v = uint8_t(i * 255 / (entries > 1 ? entries - 1 : 1));
        palette.insert(palette.end(), {v, grey ? v : uint8_t(255 - v), grey ? v : uint8_t(i * 37), 0});
    }
    return palette;
}

Bytes Counting(size_t n, int start = 0)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(start + 7 * int(i));
    return b;
}

// A small BMP with the 12-byte header of the older kind: 24 bits, 2 x 2.
Bytes SmallHeaderBmp()
{
    Bytes b{'B', 'M'};
    Put32(b, 26 + 16);
    Put32(b, 0);
    Put32(b, 26);
    Put32(b, 12);
    Put16(b, 2);
    Put16(b, 2);
    Put16(b, 1);
    Put16(b, 24);
    Bytes rows = Counting(16);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// A BMP with bit-field masks after the 40-byte header.
Bytes BitFieldBmp(int bits, uint32_t red, uint32_t green, uint32_t blue, const Bytes& rows, int width)
{
    Bytes masks;
    Put32(masks, red);
    Put32(masks, green);
    Put32(masks, blue);
    Bytes b = MakeBmp(width, 2, bits, masks, rows, 3);
    Set32(b, 46, 0);  // the masks are no palette
    return b;
}

Bytes Bmps(const std::string& kind)
{
    if (kind == "24")
        return MakeBmp(3, 2, 24, {}, Counting(24));
    if (kind == "24-top-down")
        return MakeBmp(2, -3, 24, {}, Counting(24, 5));
    if (kind == "8-grey")
        return MakeBmp(5, 2, 8, Palette(4, true), {0, 1, 2, 3, 0, 0, 0, 0, 3, 2, 1, 0, 9, 0, 0, 0});
    if (kind == "8-colour")
        return MakeBmp(4, 3, 8, Palette(3, false), {0, 1, 2, 1, 2, 1, 0, 2, 1, 1, 1, 0});
    if (kind == "4")
        return MakeBmp(5, 2, 4, Palette(16, false), {0x12, 0x34, 0x50, 0, 0x67, 0x81, 0x20, 0});
    if (kind == "1")
        return MakeBmp(9, 2, 1, Palette(2, false), {0xA5, 0x80, 0, 0, 0x5A, 0x00, 0, 0});
    if (kind == "rle8")
        return MakeBmp(4, 2, 8, Palette(4, false), {4, 3, 0, 0, 2, 1, 0, 2, 1, 0, 0, 1}, 1);
    if (kind == "rle4")
        return MakeBmp(6, 2, 4, Palette(16, false), {6, 0x12, 0, 0, 0, 3, 0x45, 0x60, 0, 1}, 2);
    if (kind == "16")
        return MakeBmp(2, -2, 16, {}, {0x00, 0x7C, 0x1F, 0x00, 0xE0, 0x03, 0xFF, 0x7F});
    if (kind == "16-fields")
        return BitFieldBmp(16, 0xF800, 0x07E0, 0x001F, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF}, 2);
    if (kind == "32")
        return MakeBmp(1, 2, 32, {}, {10, 20, 30, 255, 40, 50, 60, 0});
    if (kind == "32-fields")
        return BitFieldBmp(32, 0x00FF0000, 0x0000FF00, 0x000000FF, Counting(8), 1);
    if (kind == "16-fields-v3")  // 4-4-4 with alpha, the masks closing a 56-byte header
        return MakeBitFieldBmp(56, 3, 2, 16, 3, {0x0F00, 0x00F0, 0x000F, 0xF000}, Counting(16));
    if (kind == "32-fields-v5")  // red in the low byte, alpha in the top one
        return MakeBitFieldBmp(124, 2, -2, 32, 3, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, Counting(16, 7));
    if (kind == "small-header")
        return SmallHeaderBmp();
    throw std::runtime_error("no BMP kind " + kind);
}

Bytes Tgas(const std::string& kind)
{
    if (kind == "24")
        return MakeTga(2, 3, 2, 24, 0, Counting(18), false);
    if (kind == "24-footer-top-first")
        return MakeTga(2, 2, 2, 24, 32, Counting(12), true);
    if (kind == "32-id")
        return [] {
            Bytes b = MakeTga(2, 2, 1, 32, 8, {'i', 'd', 1, 2, 3, 4, 5, 6, 7, 8}, true);
            b[0] = 2;  // the first two bytes after the header are the picture's ID
            return b;
        }();
    if (kind == "rle24")  // a run of 3, then 2 raw pixels: 5 x 1
        return MakeTga(10, 5, 1, 24, 0, {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}, true);
    if (kind == "rle24-rows")  // packets run on across rows: 3 x 2
        return MakeTga(10, 3, 2, 24, 32, {0x83, 9, 9, 9, 0x01, 1, 2, 3, 4, 5, 6}, false);
    if (kind == "rle32")
        return MakeTga(10, 2, 2, 32, 0, {0x81, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}, true);
    throw std::runtime_error("no TGA kind " + kind);
}

// A QOI file, 3 x 2, of every kind of chunk: a full colour, a run, an index
// back into the colour table, a small difference, a luma difference, and
// a full colour with alpha; then the closing marker.
Bytes Qoi()
{
    Bytes b{'q', 'o', 'i', 'f', 0, 0, 0, 3, 0, 0, 0, 2, 4, 0};
    b.insert(b.end(), {0xFE, 200, 100, 50});  // RGB
    b.push_back(0xC0);                        // run of 1
    b.push_back(0x40 | 3 << 4 | 1 << 2 | 2);  // diff +1, -1, 0
    b.insert(b.end(), {0x80 | 40, 0x88});     // luma: green +8, red and blue +8
    b.insert(b.end(), {0xFF, 1, 2, 3, 128});  // RGBA
    b.push_back(0x00);                        // index 0: transparent black
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 0, 1});
    return b;
}

Bytes Pictures(const std::string& kind)
{
    if (kind == "png")
        return MakePng(2, 2, {255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 128});
    if (kind == "gif")
        return MakeGif(3, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}, {0, 3, 1, 2, 2, 1}, 3);
    if (kind == "jpeg")
        return MakeGreyJpeg({40, 200, 128});
    if (kind == "qoi")
        return Qoi();
    if (kind == "jpeg-progressive")
        return MakeFlatJpeg(24, 16, 2);
    throw std::runtime_error("no picture kind " + kind);
}

// A room of five planes, two spheres with materials, one light: the shape
// of a scene the program traces.
std::string RoomScene()
{
    std::string s = "screen 64 48\nraytracedepth -100\nsphere 2\n -1 0 -10 1.5\n 2 1 -12 2\n"
                    "materialSP\n";
    for (int i = 0; i < 2; ++i)
        s += " 0.2 0.1 0.1  0.7 0.2 0.1  0.3 0.3 0.3  20\n";
    s += "light 1\n -5 8 -6\n 0.1 0.1 0.1  0.6 0.6 0.6  0.5 0.5 0.5\nplane 20\n";
    for (int i = 0; i < 20; ++i)
        s += " " + std::to_string(i % 2 ? 10 : -10) + " " + std::to_string(i % 3 ? 10 : -10) + " " +
             std::to_string(i % 4 < 2 ? 10 : -30) + "\n";
    for (int k = 0; k < 5; ++k)
        s += " 0.2 0.2 0.2  0.5 0.5 0.5  0.2 0.2 0.2  " + std::to_string(5 * (k + 1)) + "\n";
    return s;
}

}  // namespace

}  // namespace glintwork

int main(int argc, char** argv)
{
    using namespace glintwork;
    const bool regressions = argc == 3 && std::string(argv[1]) == "--regressions";
    if (argc != 2 && !regressions) {
        fprintf(stderr, "usage: glintwork-fuzz-seeds [--regressions] FOLDER\n");
        return 2;
    }
    g_root = argv[argc - 1];
    if (regressions) {
        try {
            // Refused before decoding: 4096 refinement scans of a 2048 x 2048
            // picture (25 s of decoding), and 16384 x 16384 from 120 bytes.
            Write("picture", "jpeg-refinement-scans-past-the-work-limit", MakeFlatJpeg(2048, 2048, 4096, true));
            Write("gdi", "rle-few-bytes-wide-rows.bmp", MakeSparseRunLengthBmp(16384, 16384));
            // Read once, quickly: fill bytes and empty extensions by the
            // hundred thousand.
            Write("load", "jpeg-fill-bytes", MakeFilledJpeg(256 << 10));
            Write("load", "gif-empty-comments", MakePlacedGif(1, 1, 0, 0, 1, 1, 80000));
        } catch (const std::exception& e) {
            fprintf(stderr, "glintwork-fuzz-seeds: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    try {
        for (const char* kind : {"24", "24-top-down", "8-grey", "8-colour", "16", "16-fields", "16-fields-v3", "32",
                                 "32-fields", "32-fields-v5"})
            Write("bmp", std::string(kind) + ".bmp", Bmps(kind));
        for (const char* kind : {"4", "1", "rle8", "rle4", "16", "16-fields", "32", "32-fields", "small-header", "24"})
            Write("gdi", std::string(kind) + ".bmp", Bmps(kind));
        for (const char* kind : {"24", "24-footer-top-first", "32-id", "rle24", "rle24-rows", "rle32"})
            Write("tga", std::string(kind) + ".tga", Tgas(kind));
        for (const char* kind : {"png", "gif", "jpeg", "jpeg-progressive", "qoi"})
            Write("picture", kind, Pictures(kind));

        // The whole-file entry point is given a name without an extension, so
        // only TGA files with the closing signature are taken as such.
        for (const char* kind : {"24", "8-colour", "4", "rle8"})
            Write("load", std::string("bmp-") + kind, Bmps(kind));
        for (const char* kind : {"24-footer-top-first", "rle32"})
            Write("load", std::string("tga-") + kind, Tgas(kind));
        for (const char* kind : {"png", "gif", "jpeg", "qoi"})
            Write("load", kind, Pictures(kind));

        WriteText("scene", "room.txt", RoomScene());
        WriteText("scene", "layout.txt",
                  "sphere 2 1 2\n3 4 5 6 7 8 materialSP 1 2 3 4 5 6 7 8 9 10\n"
                  "11 12 13 14 15 16 17 18 19 2e1 screen 640 480\n");
        WriteText("scene", "repeats.txt",
                  "light 2 1 2 3 4 5 6 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6 7 8 9\n"
                  "light 0 plane 6 0 0 0 1 1 1 2 2 2 3 3 3 4 4 4 5 5 5\n"
                  ".5 .5 .5 .5 .5 .5 .5 .5 .5 -1.5e-3\nSphere 1 raytracedepth x\n");
        WriteText("scene", "cut-short.txt", "screen 9 9 sphere 2 1 2 3 4 5 x 7 8 screen 1 1");
    } catch (const std::exception& e) {
        fprintf(stderr, "glintwork-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
