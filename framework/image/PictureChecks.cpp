// Checks made on a picture file before the system's decoders see it.
#include "framework/image/PictureChecks.h"

#include "framework/image/BmpHeader.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/LittleEndian.h"
#include "framework/platform/PlatformFiles.h"

#include <algorithm>
#include <cstring>

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
        return false;
    if (h.infoSize != 12 && (h.infoSize < 40 || h.infoBytesRead < 40))
        return false;
    int64_t width = h.width, height = h.height < 0 ? -h.height : h.height;
    uint32_t bits = h.bits, compression = h.compression;
    if (!DecoderFits(width, height))
        return false;
    bool known = compression == 0   ? (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
                 : compression == 1 ? bits == 8
                 : compression == 2 ? bits == 4
                 : compression == 3 ? (bits == 16 || bits == 32)
                                    : false;
    if (!known)
        return false;
    // The loader's masks are the reader's: a file the reader refuses for its
    // masks is refused here too, with the same reason.
    BmpMasks masks;
    if (compression == BmpBitFields && !ReadBmpMasks(file, h, &masks))
        return false;
    uint64_t dataOffset = h.dataOffset;
    if (bits <= 8) {
        uint64_t entries = h.colours == 0 ? uint64_t(1) << bits : h.colours;
        if (entries > uint64_t(1) << bits || 14 + uint64_t(h.infoSize) + entries * h.paletteEntrySize > fileSize)
            return false;
    }
    if (dataOffset > fileSize)
        return false;
    uint64_t dataBytes = fileSize - dataOffset;
    if (compression == 1 || compression == 2) {
        // Run-length data moves down a row with a 2-byte end of line or at
        // most 255 rows with a 4-byte jump; an end of picture leaves the rest
        // blank. So 256 rows a byte, and more is a file cut short (a few
        // bytes would have the loader fill and convert a picture of
        // hundreds of megabytes).
        return dataBytes >= 2 && uint64_t(height) <= 256 * dataBytes;
    }
    return (uint64_t(width) * bits + 31) / 32 * 4 * uint64_t(height) <= dataBytes;
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
uint64_t SkipScanData(FILE* file, uint64_t at, uint64_t fileSize)
{
    if (fseeko(file, off_t(at), SEEK_SET) != 0)
        return fileSize;
    for (int byte = fgetc(file); byte != EOF; ++at, byte = fgetc(file)) {
        if (byte != 0xFF)
            continue;
        int next = fgetc(file);
        for (; next == 0xFF; next = fgetc(file))
            ++at;
        if (next == EOF)
            break;
        if (next != 0 && (next < 0xD0 || next > 0xD7))
            return at;
        ++at;
    }
    return fileSize;
}

// Every scan of a JPEG file goes over all 8 x 8 blocks of the picture, and a
// progressive file can hold thousands of scans of a few bytes each. So many
// block visits take the decoder about a second.
constexpr uint64_t MaxJpegBlockScans = uint64_t(1) << 28;

// The bytes of the whole-picture buffers of DCT coefficients the JPEG
// decoder makes for a picture it cannot decode in one pass (progressive, or
// with a first scan that leaves out components): 64 coefficients of 2 bytes
// for every 8 x 8 block of every component, each component's blocks rounded
// up to whole units of its sampling factors. `components` holds the frame's
// component entries (id, sampling factors, table), 3 bytes each.
uint64_t JpegCoefficientBytes(uint64_t width, uint64_t height, const unsigned char* components, int count)
{
    int maxH = 1, maxV = 1;
    for (int i = 0; i < count; ++i) {
        maxH = std::max(maxH, components[3 * i + 1] >> 4);
        maxV = std::max(maxV, components[3 * i + 1] & 15);
    }
    uint64_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        uint64_t h = std::max(1, components[3 * i + 1] >> 4), v = std::max(1, components[3 * i + 1] & 15);
        uint64_t across = (width * h + 8 * maxH - 1) / (8 * maxH), down = (height * v + 8 * maxV - 1) / (8 * maxV);
        bytes += (across + h - 1) / h * h * ((down + v - 1) / v * v) * 128;
    }
    return bytes;
}

// The frame size of a JPEG file, from its first start-of-frame segment, and
// whether its scans can be decoded in reasonable time and in the memory the
// limits allow.
bool JpegSize(FILE* file, uint64_t fileSize, Claimed& c)
{
    uint64_t at = 2, scans = 0, coefficientBytes = 0;
    bool frame = false, wholePicture = false;
    int components = 0;
    unsigned char m[2], seg[8 + 3 * 255];
    while (at + 4 <= fileSize && PlatformReadAt(file, at, m, 2)) {
        if (m[0] != 0xFF)
            return false;
        int marker = m[1];
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (marker == 0xD9)
            break;
        if (!PlatformReadAt(file, at + 2, seg, 2))
            return false;
        bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame && !frame) {
            if (!PlatformReadAt(file, at + 2, seg, 8))
                return false;
            components = seg[7];
            if (!PlatformReadAt(file, at + 10, seg + 8, 3 * size_t(components)))
                return false;
            c.SetSize(BE16(seg + 5), BE16(seg + 3));
            coefficientBytes = JpegCoefficientBytes(uint64_t(c.width), uint64_t(c.height), seg + 8, components);
            wholePicture = marker == 0xC2;
            // Huffman-coded frames (baseline, extended, progressive) spend at
            // least one bit on each 8 x 8 block. The arithmetic-coded kinds
            // can describe almost any number of blocks in a few bytes, and
            // the decoder does not take the lossless and hierarchical ones:
            // they are refused.
            if (marker > 0xC2)
                return false;
            c.maxPixels = 512 * fileSize;
            frame = true;
        }
        const uint64_t start = at;
        at += 2 + BE16(seg);
        if (marker == 0xDA) {
            // A first scan with fewer components than the frame: the others
            // come in later scans, so the whole picture is kept.
            unsigned char inScan;
            if (!frame || !PlatformReadAt(file, start + 4, &inScan, 1))
                return false;
            if (scans == 0 && inScan < components)
                wholePicture = true;
            ++scans;
            at = SkipScanData(file, at, fileSize);
        }
    }
    uint64_t blocks = (uint64_t(c.width) + 7) / 8 * ((uint64_t(c.height) + 7) / 8);
    return frame && scans >= 1 && scans * blocks <= MaxJpegBlockScans &&
           (!wholePicture || coefficientBytes <= MaxPictureBytes);
}

// Whether the compressed codes of a GIF frame, starting at its code size
// byte, could have come from an encoder: the first code, and the first after
// every reset, is a single pixel, and every other code names an entry of the
// table built so far or the one being built. The decoder takes whatever code
// it is given; a code past the table, or a first code that is none of the
// pixels, can tie its entries into a loop that it follows past the end of its
// own string stack. A frame that is cut short is fine: the decoder stops
// there.
bool GifCodesValid(FILE* file, uint64_t at)
{
    unsigned char block[256];
    if (!PlatformReadAt(file, at++, block, 1) || block[0] < 2 || block[0] > 8)
        return false;
    const int minSize = block[0], clear = 1 << minSize, end = clear + 1;
    int width = minSize + 1, next = clear + 2, widthLimit = 2 * clear;
    bool atStart = true, first = true;
    uint32_t bits = 0;
    int count = 0;
    while (PlatformReadAt(file, at, block, 1) && block[0] != 0) {
        size_t n = block[0];
        if (!PlatformReadAt(file, at + 1, block, n))
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
                        return false;
                    atStart = first = false;
                } else if (code == clear) {
                    width = minSize + 1;
                    next = clear + 2;
                    widthLimit = 2 * clear;
                    first = true;
                } else if (code == end) {
                    return true;
                } else if (code > next) {
                    return false;
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
bool SkipGifSubBlocks(FILE* file, uint64_t& at, bool firstAlways)
{
    unsigned char count;
    for (bool first = true;; first = false) {
        if (!PlatformReadAt(file, at, &count, 1))
            return false;
        at += 1 + count;
        if (count == 0 && !(first && firstAlways))
            return true;
    }
}

// The size of the logical screen and of the first frame of a GIF file, read
// as the decoder reads it. The decoder makes a picture of the frame's own
// size; the frame must also lie within the limits where the file places it,
// and the larger of each side counts.
bool GifSize(FILE* file, uint64_t fileSize, Claimed& c)
{
    unsigned char h[13], block[10];
    if (!PlatformReadAt(file, 0, h, sizeof h))
        return false;
    c.width = GetLE16(h + 6);
    c.height = GetLE16(h + 8);
    uint64_t at = 13 + ((h[10] & 0x80) ? 3u << ((h[10] & 7) + 1) : 0);
    while (at < fileSize && PlatformReadAt(file, at, block, 1)) {
        if (block[0] == 0x2C) {
            if (!PlatformReadAt(file, at, block, sizeof block))
                return false;
            int64_t left = GetLE16(block + 1), top = GetLE16(block + 3);
            int64_t frameWidth = GetLE16(block + 5), frameHeight = GetLE16(block + 7);
            c.width = std::max(c.width, left + frameWidth);
            c.height = std::max(c.height, top + frameHeight);
            c.framePixels = uint64_t(frameWidth * frameHeight);
            // The k-th code of a frame stands for at most k pixels and takes
            // at least log2(k) bits; none stands for more than the 4096 of a
            // full table, in 12 bits. So no bit gives more than 4096 / 12
            // pixels.
            c.maxPixels = 4096 * 8 * fileSize / 12 + 1;
            // A frame without pixels makes the decoder ask for gigabytes.
            uint64_t localTable = (block[9] & 0x80) ? 3u << ((block[9] & 7) + 1) : 0;
            return c.framePixels != 0 && GifCodesValid(file, at + 10 + localTable);
        }
        if (block[0] != 0x21 || !PlatformReadAt(file, at + 1, block + 1, 1))
            return false;
        at += 2;  // introducer and label, then sub-blocks up to an empty one
        if (!SkipGifSubBlocks(file, at, block[1] == 0xF9))
            return false;
    }
    return false;
}

// Whether every chunk of a PNG file lies within the file, up to the closing
// IEND chunk. The PNG decoder does not notice when a read runs past the end
// of the file and would go round for ever on stale bytes, so a file whose
// chunks are cut short is never handed to it.
bool PngChunksComplete(FILE* file, uint64_t fileSize)
{
    unsigned char chunk[8];
    for (uint64_t at = 8; PlatformReadAt(file, at, chunk, sizeof chunk);) {
        uint64_t length = BE32(chunk);
        if (length > 0x7FFFFFFF || at + 12 + length > fileSize)
            return false;
        if (memcmp(chunk + 4, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    return false;
}

// The size that the picture the decoder `kind` reads from the file claims.
bool ClaimedPicture(const char* kind, FILE* file, uint64_t fileSize, Claimed& c)
{
    unsigned char h[24];
    if (strcmp(kind, "PNG") == 0) {
        if (!PlatformReadAt(file, 0, h, sizeof h) || memcmp(h + 12, "IHDR", 4) != 0)
            return false;
        c.SetSize(BE32(h + 16), BE32(h + 20));
        c.maxPixels = 8 * 1032 * fileSize;  // deflate expands at most 1032 times; 1-bit pixels
        return PngChunksComplete(file, fileSize);
    }
    if (strcmp(kind, "QOI") == 0) {
        if (!PlatformReadAt(file, 0, h, 14))
            return false;
        c.SetSize(BE32(h + 4), BE32(h + 8));
        // After the 14-byte header and before the 8-byte end, a one-byte run
        // stands for at most 62 pixels.
        c.maxPixels = fileSize > 22 ? 62 * (fileSize - 22) : 0;
        return true;
    }
    if (strcmp(kind, "JPG") == 0)
        return JpegSize(file, fileSize, c);
    if (strcmp(kind, "GIF") == 0)
        return GifSize(file, fileSize, c);
    return false;
}

}  // namespace

bool PictureClaimFits(FILE* file, uint64_t fileSize, const char* kind)
{
    Claimed claimed;
    return kind && ClaimedPicture(kind, file, fileSize, claimed) && DecoderFits(claimed.width, claimed.height) &&
           claimed.framePixels <= claimed.maxPixels;
}

}  // namespace glintwork
