// Checks made on a picture file before the system's decoders see it.
#include "framework/image/PictureChecks.h"

#include "framework/image/BmpHeader.h"
#include "framework/image/BufferedFile.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace glintwork {

namespace {

// The system's decoders first decode into a picture of their own, of up to
// 4 bytes a pixel, which must fit the limits as well; the picture handed
// over has rows of 3 bytes a pixel padded to 4 bytes.
bool DecoderFits(int64_t width, int64_t height)
{
    return PictureFitsLimits(width, height, (3 * width + 3) & ~int64_t(3)) &&
           4 * uint64_t(width) * uint64_t(height) <= MaxPictureBytes;
}

// Records "PREFIX: WIDTH x HEIGHT WHAT" as the reason; returns false.
bool RefuseSize(const char* prefix, int64_t width, int64_t height, const char* what)
{
    return ImageFailCopy(
        (std::string(prefix) + ": " + std::to_string(width) + " x " + std::to_string(height) + " pixels " + what)
            .c_str());
}

constexpr char OverLimits[] = "is more than the picture limits allow";
constexpr char CutShort[] = "is more than a file of this length can hold (cut short?)";

uint32_t BE16(const unsigned char* p)
{
    return uint32_t(p[0] << 8 | p[1]);
}
uint32_t BE32(const unsigned char* p)
{
    return BE16(p) << 16 | BE16(p + 2);
}

}  // namespace

bool BitmapHeaderFits(FILE* file, uint64_t fileSize)
{
    BmpHeader h;
    if (!ReadBmpHeader(file, &h) || h.infoBytesRead < 12)
        return ImageFail("bmp: the file ends within its headers");
    if (h.infoSize != 12 && (h.infoSize < 40 || h.infoBytesRead < 40))
        return ImageFail("bmp: an info header of a size no BMP file has, or cut short");
    int64_t width = h.width, height = h.height < 0 ? -h.height : h.height;
    uint32_t bits = h.bits, compression = h.compression;
    if (!DecoderFits(width, height))
        return RefuseSize("bmp", width, height, OverLimits);
    bool known = compression == 0   ? (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
                 : compression == 1 ? bits == 8
                 : compression == 2 ? bits == 4
                 : compression == 3 ? (bits == 16 || bits == 32)
                                    : false;
    if (!known)
        return ImageFail("bmp: a depth or compression that no reader takes");
    // The loader's masks are the reader's: a file the reader refuses for its
    // masks is refused here too, with the same reason.
    BmpMasks masks;
    if (compression == BmpBitFields && !ReadBmpMasks(file, h, &masks))
        return false;
    uint64_t dataOffset = h.dataOffset;
    if (bits <= 8) {
        uint64_t entries = h.colours == 0 ? uint64_t(1) << bits : h.colours;
        if (entries > uint64_t(1) << bits || 14 + uint64_t(h.infoSize) + entries * h.paletteEntrySize > fileSize)
            return ImageFail("bmp: more palette entries than the depth can name, or than the file holds");
    }
    if (dataOffset > fileSize)
        return ImageFail("bmp: the pixel data starts past the end of the file");
    uint64_t dataBytes = fileSize - dataOffset;
    if (compression == 1 || compression == 2) {
        // The best run-length data can do is a run of 255 pixels in 2 bytes;
        // a row of them closed by a 2-byte end of line stays under 128 pixels
        // a byte. Jumps and an early end of picture leave whole areas blank
        // in a few bytes, but a picture so large for its data is a file cut
        // short, and the loader would fill and convert hundreds of megabytes
        // for it: refused.
        if (dataBytes < 2 || uint64_t(width) * uint64_t(height) > MaxRunLengthPixelsPerByte * dataBytes)
            return RefuseSize("bmp", width, height, "is more than its run-length data can describe (cut short?)");
        return true;
    }
    if ((uint64_t(width) * bits + 31) / 32 * 4 * uint64_t(height) > dataBytes)
        return ImageFail("bmp: the file ends before its last row");
    return true;
}

namespace {

// The first frame of a picture whose size can be read without decoding it.
struct Claimed {
    int64_t width = 0, height = 0;
    uint64_t framePixels = 0;  // of the frame the decoder delivers
    // The most pixels a file of this length can describe, at the best the
    // format's compression can do. A file that claims more is cut short;
    // the decoders would allocate the whole picture and make up the missing
    // pixels, slowly, so such a file is refused before decoding.
    uint64_t maxPixels = 0;

    void SetSize(uint32_t w, uint32_t h)
    {
        width = w;
        height = h;
        framePixels = uint64_t(w) * h;
    }
};

// Skips the compressed data of a JPEG scan that starts at `at`, up to the
// next marker: 0xFF followed by anything but a stuffed 0, a restart marker or
// more 0xFF. Returns the marker's offset, or the file's length.
uint64_t SkipScanData(BufferedFile& file, uint64_t at)
{
    for (int byte = file.ByteAt(at); byte >= 0; byte = file.ByteAt(++at)) {
        if (byte != 0xFF)
            continue;
        int next = file.ByteAt(at + 1);
        for (; next == 0xFF; next = file.ByteAt(at + 1))
            ++at;
        if (next < 0)
            break;
        if (next != 0 && (next < 0xD0 || next > 0xD7))
            return at;
        ++at;
    }
    return file.Size();
}

// The 8 x 8 blocks the JPEG decoder keeps for component `i` of the frame's
// `components` entries (id, sampling factors, table; 3 bytes each): its
// blocks rounded up to whole units of its sampling factors.
uint64_t JpegComponentBlocks(uint64_t width, uint64_t height, const unsigned char* components, int count, int i)
{
    int maxH = 1, maxV = 1;
    for (int k = 0; k < count; ++k) {
        maxH = std::max(maxH, components[3 * k + 1] >> 4);
        maxV = std::max(maxV, components[3 * k + 1] & 15);
    }
    uint64_t h = std::max(1, components[3 * i + 1] >> 4), v = std::max(1, components[3 * i + 1] & 15);
    uint64_t across = (width * h + 8 * maxH - 1) / (8 * maxH), down = (height * v + 8 * maxV - 1) / (8 * maxV);
    return (across + h - 1) / h * h * ((down + v - 1) / v * v);
}

// The decoder's work on one scan, in block visits of a first pass. `scan` is
// the scan header after its length: the component count, a selector and
// tables for each, then the band (first and last coefficient) and the
// approximation bits. Every block of each component in the scan is visited;
// a refinement of AC coefficients (a band past the DC one, with bits already
// sent) also goes over every coefficient of its band in every block, even
// in a run of blocks with nothing to refine, which costs about one visit
// for every 8 coefficients: a refinement of the whole band costs 9 visits a
// block.
uint64_t JpegScanWork(const unsigned char* scan, uint64_t width, uint64_t height, const unsigned char* components,
                      int count)
{
    const int inScan = scan[0];
    const int bandStart = scan[1 + 2 * inScan], bandEnd = scan[2 + 2 * inScan], high = scan[3 + 2 * inScan] >> 4;
    const bool refinesAc = bandStart > 0 && high > 0;
    const uint64_t perBlock = refinesAc ? 1 + uint64_t(std::max(0, bandEnd - bandStart) + 1 + 7) / 8 : 1;
    uint64_t blocks = 0;
    for (int s = 0; s < inScan; ++s) {
        // A selector that names no component of the frame counts as the
        // largest one, or the whole picture; the decoder refuses it anyway.
        uint64_t most = (width + 7) / 8 * ((height + 7) / 8), named = 0;
        for (int i = 0; i < count; ++i) {
            const uint64_t b = JpegComponentBlocks(width, height, components, count, i);
            most = std::max(most, b);
            if (components[3 * i] == scan[1 + 2 * s])
                named = b;
        }
        blocks += named ? named : most;
    }
    return blocks * perBlock;
}

// The frame size of a JPEG file, from its first start-of-frame segment, and
// whether its scans can be decoded in reasonable time and in the memory the
// limits allow.
bool JpegSize(BufferedFile& file, Claimed& c)
{
    const uint64_t fileSize = file.Size();
    uint64_t at = 2, scans = 0, coefficientBytes = 0, work = 0;
    bool frame = false, wholePicture = false;
    int components = 0;
    unsigned char m[2], seg[8 + 3 * 255], frameComponents[3 * 255], scan[1 + 2 * 255 + 3];
    while (at + 4 <= fileSize && file.ReadAt(at, m, 2)) {
        if (m[0] != 0xFF)
            return ImageFail("jpeg: damaged: data where a marker should be");
        int marker = m[1];
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (marker == 0xD9)
            break;
        if (!file.ReadAt(at + 2, seg, 2))
            return ImageFail("jpeg: the file ends within a segment");
        bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame && !frame) {
            if (!file.ReadAt(at + 2, seg, 8))
                return ImageFail("jpeg: the file ends within its frame header");
            components = seg[7];
            if (!file.ReadAt(at + 10, frameComponents, 3 * size_t(components)))
                return ImageFail("jpeg: the file ends within its frame header");
            c.SetSize(BE16(seg + 5), BE16(seg + 3));
            for (int i = 0; i < components; ++i)
                coefficientBytes +=
                    128 * JpegComponentBlocks(uint64_t(c.width), uint64_t(c.height), frameComponents, components, i);
            wholePicture = marker == 0xC2;
            // Huffman-coded frames (baseline, extended, progressive) spend at
            // least one bit on each 8 x 8 block. The arithmetic-coded kinds
            // can describe almost any number of blocks in a few bytes, and
            // the decoder does not take the lossless and hierarchical ones:
            // they are refused.
            if (marker > 0xC2)
                return ImageFail("jpeg: arithmetic-coded, lossless or hierarchical, which the decoder does not take");
            c.maxPixels = 512 * fileSize;
            frame = true;
        }
        const uint64_t start = at;
        at += 2 + BE16(seg);
        if (marker == 0xDA) {
            if (!frame)
                return ImageFail("jpeg: a scan before the frame header");
            if (!file.ReadAt(start + 4, scan, 1) || !file.ReadAt(start + 5, scan + 1, 2 * size_t(scan[0]) + 3))
                return ImageFail("jpeg: the file ends within a scan header");
            // A first scan with fewer components than the frame: the others
            // come in later scans, so the whole picture is kept.
            if (scans == 0 && scan[0] < components)
                wholePicture = true;
            ++scans;
            work += JpegScanWork(scan, uint64_t(c.width), uint64_t(c.height), frameComponents, components);
            if (work > MaxJpegWork)
                return ImageFail("jpeg: its scans are more decoding work than the limit allows");
            at = SkipScanData(file, at);
        }
    }
    if (!frame || scans == 0)
        return ImageFail("jpeg: no frame header and scan");
    if (!DecoderFits(c.width, c.height))
        return RefuseSize("jpeg", c.width, c.height, OverLimits);
    if (wholePicture && coefficientBytes > MaxPictureBytes)
        return RefuseSize("jpeg", c.width, c.height, "in coefficients is more than the picture limits allow");
    return true;
}

// Whether the compressed codes of a GIF frame, starting at its code size
// byte, could have come from an encoder: the first code, and the first after
// every reset, is a single pixel, and every other code names an entry of the
// table built so far or the one being built. The decoder takes whatever code
// it is given; a code past the table, or a first code that is none of the
// pixels, can tie its entries into a loop that it follows past the end of its
// own string stack. A frame that is cut short is fine: the decoder stops
// there.
bool GifCodesValid(BufferedFile& file, uint64_t at)
{
    static constexpr char Damaged[] = "gif: damaged: a code no encoder writes";
    unsigned char block[256];
    if (!file.ReadAt(at++, block, 1) || block[0] < 2 || block[0] > 8)
        return ImageFail("gif: a code size no encoder writes");
    const int minSize = block[0], clear = 1 << minSize, end = clear + 1;
    int width = minSize + 1, next = clear + 2, widthLimit = 2 * clear;
    bool atStart = true, first = true;
    uint32_t bits = 0;
    int count = 0;
    while (file.ReadAt(at, block, 1) && block[0] != 0) {
        size_t n = block[0];
        if (!file.ReadAt(at + 1, block, n))
            return true;
        at += 1 + n;
        for (size_t i = 0; i < n; ++i) {
            bits |= uint32_t(block[i]) << count;
            for (count += 8; count >= width;) {
                int code = int(bits & ((1u << width) - 1));
                bits >>= width;
                count -= width;
                if (first) {
                    // Resets before the first pixel are skipped; after it,
                    // the decoder takes the code after a reset as a pixel,
                    // whatever it is.
                    if (atStart && code == clear)
                        continue;
                    if (code >= clear)
                        return ImageFail(Damaged);
                    atStart = first = false;
                } else if (code == clear) {
                    width = minSize + 1;
                    next = clear + 2;
                    widthLimit = 2 * clear;
                    first = true;
                } else if (code == end) {
                    return true;
                } else if (code > next) {
                    return ImageFail(Damaged);
                } else if (next < 4096 && ++next >= widthLimit && widthLimit < 4096) {
                    widthLimit *= 2;
                    ++width;
                }
            }
        }
    }
    return true;
}

// Skips the data sub-blocks of a GIF extension, up to and including the empty
// one that ends them. The decoder takes the first sub-block of a graphic
// control extension (label 0xF9) whatever its length, even 0, and only then
// looks for the end; so `firstAlways` does the same, and a file cannot hide
// the frame the decoder reads behind a different one seen here.
bool SkipGifSubBlocks(BufferedFile& file, uint64_t& at, bool firstAlways)
{
    for (bool first = true;; first = false) {
        const int count = file.ByteAt(at);
        if (count < 0)
            return false;
        at += 1 + uint64_t(count);
        if (count == 0 && !(first && firstAlways))
            return true;
    }
}

// The size of the logical screen and of the first frame of a GIF file, read
// as the decoder reads it. The decoder makes a picture of the frame's own
// size; the frame must also lie within the limits where the file places it,
// and the larger of each side counts.
bool GifSize(BufferedFile& file, Claimed& c)
{
    unsigned char h[13], block[10];
    if (!file.ReadAt(0, h, sizeof h))
        return ImageFail("gif: the file ends within its header");
    c.width = GetLE16(h + 6);
    c.height = GetLE16(h + 8);
    uint64_t at = 13 + ((h[10] & 0x80) ? 3u << ((h[10] & 7) + 1) : 0);
    while (at < file.Size() && file.ReadAt(at, block, 1)) {
        if (block[0] == 0x2C) {
            if (!file.ReadAt(at, block, sizeof block))
                return ImageFail("gif: the file ends within a frame header");
            int64_t left = GetLE16(block + 1), top = GetLE16(block + 3);
            int64_t frameWidth = GetLE16(block + 5), frameHeight = GetLE16(block + 7);
            c.width = std::max(c.width, left + frameWidth);
            c.height = std::max(c.height, top + frameHeight);
            c.framePixels = uint64_t(frameWidth * frameHeight);
            // The k-th code of a frame stands for at most k pixels and takes
            // at least log2(k) bits; none stands for more than the 4096 of a
            // full table, in 12 bits. So no bit gives more than 4096 / 12
            // pixels.
            c.maxPixels = 4096 * 8 * file.Size() / 12 + 1;
            // A frame without pixels makes the decoder ask for gigabytes.
            if (c.framePixels == 0)
                return ImageFail("gif: a frame of no pixels");
            uint64_t localTable = (block[9] & 0x80) ? 3u << ((block[9] & 7) + 1) : 0;
            return GifCodesValid(file, at + 10 + localTable);
        }
        if (block[0] != 0x21 || !file.ReadAt(at + 1, block + 1, 1))
            return ImageFail("gif: damaged: a block of no kind the format has");
        at += 2;  // introducer and label, then sub-blocks up to an empty one
        if (!SkipGifSubBlocks(file, at, block[1] == 0xF9))
            return ImageFail("gif: the file ends within an extension");
    }
    return ImageFail("gif: no frame");
}

// Whether every chunk of a PNG file lies within the file, up to the closing
// IEND chunk. The PNG decoder does not notice when a read runs past the end
// of the file and would go round for ever on stale bytes, so a file whose
// chunks are cut short is never handed to it.
bool PngChunksComplete(BufferedFile& file)
{
    unsigned char chunk[8];
    for (uint64_t at = 8; file.ReadAt(at, chunk, sizeof chunk);) {
        uint64_t length = BE32(chunk);
        if (length > 0x7FFFFFFF || at + 12 + length > file.Size())
            return ImageFail("png: a chunk runs past the end of the file");
        if (memcmp(chunk + 4, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    return ImageFail("png: the file ends before its closing chunk");
}

// The size that the picture the decoder `kind` reads from the file claims.
bool ClaimedPicture(const char* kind, BufferedFile& file, Claimed& c)
{
    const uint64_t fileSize = file.Size();
    unsigned char h[24];
    if (strcmp(kind, "PNG") == 0) {
        if (!file.ReadAt(0, h, sizeof h) || memcmp(h + 12, "IHDR", 4) != 0)
            return ImageFail("png: damaged: no header chunk first");
        c.SetSize(BE32(h + 16), BE32(h + 20));
        c.maxPixels = 8 * 1032 * fileSize;  // deflate expands at most 1032 times; 1-bit pixels
        return PngChunksComplete(file);
    }
    if (strcmp(kind, "QOI") == 0) {
        if (!file.ReadAt(0, h, 14))
            return ImageFail("qoi: the file ends within its header");
        c.SetSize(BE32(h + 4), BE32(h + 8));
        // After the 14-byte header and before the 8-byte end, a one-byte run
        // stands for at most 62 pixels.
        c.maxPixels = fileSize > 22 ? 62 * (fileSize - 22) : 0;
        return true;
    }
    if (strcmp(kind, "JPG") == 0)
        return JpegSize(file, c);
    if (strcmp(kind, "GIF") == 0)
        return GifSize(file, c);
    return false;
}

// How reasons about a kind of file begin.
const char* KindPrefix(const char* kind)
{
    return strcmp(kind, "PNG") == 0   ? "png"
           : strcmp(kind, "QOI") == 0 ? "qoi"
           : strcmp(kind, "JPG") == 0 ? "jpeg"
                                      : "gif";
}

}  // namespace

bool PictureClaimFits(FILE* file, uint64_t fileSize, const char* kind)
{
    if (!kind)
        return false;
    BufferedFile buffered(file, fileSize);
    Claimed claimed;
    if (!ClaimedPicture(kind, buffered, claimed))
        return false;
    if (!DecoderFits(claimed.width, claimed.height))
        return RefuseSize(KindPrefix(kind), claimed.width, claimed.height, OverLimits);
    if (claimed.framePixels > claimed.maxPixels)
        return RefuseSize(KindPrefix(kind), claimed.width, claimed.height, CutShort);
    return true;
}

}  // namespace glintwork
