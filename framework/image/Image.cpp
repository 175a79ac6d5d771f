#include "framework/image/Image.h"
#include "framework/image/ImageExtra.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace glintwork {

namespace {

// A float component as a byte: the truncation of 255 * c + 0.5, low 8 bits.
// Values whose integer part does not fit an int (and NaN) give 0.
unsigned char FloatToByte(float c)
{
    double v = 255.0 * double(c) + 0.5;
    if (!(v > double(INT_MIN) && v < double(INT_MAX)))
        return 0;
    return static_cast<unsigned char>(static_cast<int>(v) & 0xFF);
}

float ByteToFloat(unsigned char b)
{
    return float(b / 255.0);
}

// Writes one pixel of the given format from r, g, b, a; returns its size.
size_t AssemblePixel(PixelFormat format, unsigned char* p, unsigned char r, unsigned char g, unsigned char b,
                     unsigned char a)
{
    switch (format) {
    case RGB:
        p[0] = r;
        p[1] = g;
        p[2] = b;
        return 3;
    case RGBA:
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
        return 4;
    case BGR:
        p[0] = b;
        p[1] = g;
        p[2] = r;
        return 3;
    case BGRA:
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = a;
        return 4;
    case LUMINANCE:
        p[0] = Image::Luminance(r, g, b);
        return 1;
    case LUMINANCE_ALPHA:
        p[0] = Image::Luminance(r, g, b);
        p[1] = a;
        return 2;
    case ALPHA:
        p[0] = a;
        return 1;
    }
    return 0;
}

}  // namespace

Image::Image() : extra(new (std::nothrow) ImageExtra(this))
{
    assert(extra != NULL);
}

Image::Image(int width, int height, PixelFormat format, int padding) : Image()
{
    Create(width, height, format, padding);
}

Image::Image(const Image& src) : Image()
{
    *this = src;
}

// Assigning an image to itself keeps its pixels.
Image& Image::operator=(const Image& src)
{
    if (this == &src)
        return *this;
    if (!Create(src.Width(), src.Height(), src.GetFormat(), src.GetRowPadding()))
        return *this;
    if (extra->data)
        memcpy(extra->data, src.extra->data, extra->dataSize);
    return *this;
}

Image::~Image()
{
    Free();
    delete extra;
}

// Besides the rules for empty sizes, a negative padding, an unknown format and
// a size whose byte counts do not fit 32 bits are refused with false.
bool Image::Create(int width, int height, PixelFormat format, int padding)
{
    Free();
    if (width < 1 || height < 1)
        return width == 0 || height == 0;
    int pixelSize = GetPixelSize(format);
    if (pixelSize == 0 || padding < 0)
        return false;
    uint64_t rowBytes = uint64_t(width) * uint64_t(pixelSize);
    uint64_t stride = rowBytes + uint64_t(padding);
    uint64_t size = stride * uint64_t(height);
    if (size > UINT32_MAX)
        return false;
    auto* data = static_cast<unsigned char*>(malloc(size_t(size)));
    if (!data)
        return false;
    extra->format = format;
    extra->data = data;
    extra->width = width;
    extra->height = height;
    extra->rowBytes = uint32_t(rowBytes);
    extra->rowStride = uint32_t(stride);
    extra->dataSize = extra->capacity = uint32_t(size);
    return true;
}

void Image::Free()
{
    free(extra->data);
    Image* owner = extra->parent;
    *extra = ImageExtra(owner);
}

int Image::Width() const
{
    return extra->data ? extra->width : 0;
}
int Image::Height() const
{
    return extra->data ? extra->height : 0;
}
PixelFormat Image::GetFormat() const
{
    return extra->format;
}
int Image::GetPixelSize() const
{
    return GetPixelSize(extra->format);
}

int Image::GetPixelSize(PixelFormat format)
{
    switch (format) {
    case RGB:
    case BGR:
        return 3;
    case RGBA:
    case BGRA:
        return 4;
    case LUMINANCE:
    case ALPHA:
        return 1;
    case LUMINANCE_ALPHA:
        return 2;
    }
    return 0;
}

unsigned char* Image::GetData()
{
    return extra->data;
}
const unsigned char* Image::GetData() const
{
    return extra->data;
}

unsigned char* Image::GetRow(int y)
{
    if (y < 0 || y >= Height())
        return nullptr;
    return extra->data + size_t(extra->rowStride) * size_t(y);
}

const unsigned char* Image::GetRow(int y) const
{
    return const_cast<Image*>(this)->GetRow(y);
}

int Image::GetRowStride() const
{
    return int(extra->rowStride);
}
int Image::GetRowPadding() const
{
    return int(extra->rowStride - extra->rowBytes);
}
uint32_t Image::GetDataSize() const
{
    return extra->data ? extra->dataSize : 0;
}

float Image::GetAspect() const
{
    return Height() == 0 ? 1.0f : float(Width()) / float(Height());
}

bool Image::IsValid() const
{
    if (Width() == 0 || Height() == 0 || !GetData())
        return false;
    uint64_t expected = uint64_t(Width()) * uint64_t(Height()) * uint64_t(GetPixelSize()) +
                        uint64_t(GetRowPadding()) * uint64_t(Height());
    return expected == GetDataSize();
}

// An empty image has no rows to pad: only padding 0 is true for it.
bool Image::SetRowPadding(int padding)
{
    ImageExtra& e = *extra;
    if (padding < 0)
        return false;
    if (!e.data)
        return padding == 0;
    if (uint32_t(padding) == e.rowStride - e.rowBytes)
        return true;
    uint64_t stride = uint64_t(e.rowBytes) + uint64_t(padding);
    uint64_t size = stride * uint64_t(e.height);
    if (stride < e.rowStride) {
        for (int y = 1; y < e.height; ++y)
            memmove(e.data + y * stride, e.data + size_t(y) * e.rowStride, e.rowBytes);
    } else if (size <= e.capacity) {
        for (int y = e.height - 1; y >= 0; --y)
            memmove(e.data + y * stride, e.data + size_t(y) * e.rowStride, e.rowBytes);
    } else {
        Image temp(*this);
        if (!Create(temp.Width(), temp.Height(), temp.GetFormat(), padding))
            return false;
        assert(temp.GetData() != NULL);
        assert(GetData() != NULL);
        assert(Width() == temp.Width());
        assert(Height() == temp.Height());
        assert(GetFormat() == temp.GetFormat());
        for (int y = 0; y < e.height; ++y)
            memcpy(GetRow(y), temp.GetRow(y), e.rowBytes);
        return true;
    }
    e.rowStride = uint32_t(stride);
    e.dataSize = uint32_t(size);
    return true;
}

bool Image::SetRowStride(int stride)
{
    return SetRowPadding(int(int64_t(stride) - int64_t(extra->rowBytes)));
}

bool Image::Fill(int r, int g, int b, int a)
{
    if (!extra->data || GetPixelSize() == 0)
        return false;
    unsigned char pixel[4];
    size_t pixSize = AssemblePixel(extra->format, pixel, r, g, b, a);
    assert(pixSize == (size_t)GetPixelSize());
    unsigned char* row0 = extra->data;
    for (int x = 0; x < extra->width; ++x)
        memcpy(row0 + x * pixSize, pixel, pixSize);
    for (int y = 1; y < extra->height; ++y)
        memcpy(GetRow(y), row0, extra->rowBytes);
    return true;
}

bool Image::Fill(float r, float g, float b, float a)
{
    return Fill(FloatToByte(r), FloatToByte(g), FloatToByte(b), FloatToByte(a));
}

void Image::SetPixel(int x, int y, int r, int g, int b, int a)
{
    if (x < 0 || x >= Width() || y < 0 || y >= Height())
        return;
    unsigned char* p = GetRow(y) + size_t(x) * GetPixelSize();
    AssemblePixel(extra->format, p, r, g, b, a);
}

void Image::SetPixel(int x, int y, float r, float g, float b, float a)
{
    SetPixel(x, y, FloatToByte(r), FloatToByte(g), FloatToByte(b), FloatToByte(a));
}

void Image::SetGrey(int x, int y, int v, int a)
{
    if (x < 0 || x >= Width() || y < 0 || y >= Height())
        return;
    unsigned char* p = GetRow(y) + size_t(x) * GetPixelSize();
    switch (extra->format) {
    case RGB:
    case BGR:
        p[0] = p[1] = p[2] = v;
        break;
    case RGBA:
    case BGRA:
        p[0] = p[1] = p[2] = v;
        p[3] = a;
        break;
    case LUMINANCE:
        p[0] = v;
        break;
    case LUMINANCE_ALPHA:
        p[0] = v;
        p[1] = a;
        break;
    case ALPHA:
        p[0] = a;
        break;
    }
}

void Image::SetGrey(int x, int y, float v, float a)
{
    SetGrey(x, y, FloatToByte(v), FloatToByte(a));
}

void Image::SetGrey(int x, int y, float v)
{
    if (extra->format == ALPHA)
        SetGrey(x, y, 0, FloatToByte(v));
    else
        SetGrey(x, y, FloatToByte(v), 255);
}

void Image::GetPixel(int x, int y, unsigned char& r, unsigned char& g, unsigned char& b, unsigned char& a) const
{
    if (x < 0 || x >= Width() || y < 0 || y >= Height()) {
        r = g = b = 0;
        a = 255;
        return;
    }
    const unsigned char* p = GetRow(y) + size_t(x) * GetPixelSize();
    switch (extra->format) {
    case RGB:
        r = p[0];
        g = p[1];
        b = p[2];
        a = 255;
        break;
    case RGBA:
        r = p[0];
        g = p[1];
        b = p[2];
        a = p[3];
        break;
    case BGR:
        r = p[2];
        g = p[1];
        b = p[0];
        a = 255;
        break;
    case BGRA:
        r = p[2];
        g = p[1];
        b = p[0];
        a = p[3];
        break;
    case LUMINANCE:
        r = g = b = p[0];
        a = 255;
        break;
    case LUMINANCE_ALPHA:
        r = g = b = p[0];
        a = p[1];
        break;
    case ALPHA:
        r = g = b = 0;
        a = p[0];
        break;
    }
}

void Image::GetPixel(int x, int y, unsigned char& r, unsigned char& g, unsigned char& b) const
{
    unsigned char a = 0;
    GetPixel(x, y, r, g, b, a);
}

void Image::GetPixel(int x, int y, float& r, float& g, float& b, float& a) const
{
    unsigned char rb = 0, gb = 0, bb = 0, ab = 0;
    if (GetPixelSize() == 0)
        return;
    GetPixel(x, y, rb, gb, bb, ab);
    r = ByteToFloat(rb);
    g = ByteToFloat(gb);
    b = ByteToFloat(bb);
    a = ByteToFloat(ab);
}

void Image::GetPixel(int x, int y, float& r, float& g, float& b) const
{
    float a = 0;
    GetPixel(x, y, r, g, b, a);
}

void Image::GetGrey(int x, int y, unsigned char& v, unsigned char& a) const
{
    unsigned char r = 0, g = 0, b = 0, alpha = 0;
    if (GetPixelSize() == 0)
        return;
    GetPixel(x, y, r, g, b, alpha);
    v = Luminance(r, g, b);
    a = alpha;
}

void Image::GetGrey(int x, int y, unsigned char& v) const
{
    unsigned char a = 0;
    GetGrey(x, y, v, a);
}

void Image::GetGrey(int x, int y, float& v, float& a) const
{
    unsigned char vb = 0, ab = 0;
    if (GetPixelSize() == 0)
        return;
    GetGrey(x, y, vb, ab);
    v = ByteToFloat(vb);
    a = ByteToFloat(ab);
}

void Image::GetGrey(int x, int y, float& v) const
{
    float grey = 0, a = 0;
    if (GetPixelSize() == 0)
        return;
    GetGrey(x, y, grey, a);
    v = extra->format == ALPHA ? a : grey;
}

unsigned char Image::Luminance(unsigned char r, unsigned char g, unsigned char b)
{
    float sum = 0.3f * float(r) + 0.6f * float(g) + 0.1f * float(b);
    return static_cast<unsigned char>(static_cast<int>(double(sum) + 0.5));
}

int Image::AlphaOffset(PixelFormat format)
{
    switch (format) {
    case RGBA:
    case BGRA:
        return 3;
    case LUMINANCE_ALPHA:
        return 1;
    default:
        return 0;
    }
}

// Both reversals work in place; the result is that of copying from a
// temporary picture.
void Image::MirrorHorizontal()
{
    int size = GetPixelSize();
    for (int y = 0; y < Height(); ++y) {
        unsigned char* row = GetRow(y);
        for (int left = 0, right = Width() - 1; left < right; ++left, --right)
            for (int i = 0; i < size; ++i)
                std::swap(row[left * size + i], row[right * size + i]);
    }
}

void Image::FlipVertical()
{
    for (int low = 0, high = Height() - 1; low < high; ++low, --high)
        std::swap_ranges(GetRow(low), GetRow(low) + extra->rowStride, GetRow(high));
}

}  // namespace glintwork
