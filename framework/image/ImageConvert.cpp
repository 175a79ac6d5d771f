#include "framework/image/Image.h"
#include "framework/image/ImageExtra.h"
#include "framework/image/ImageFailure.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace glintwork {

namespace {

// The working pixel of a conversion: what the source gave and what the target
// needs. Alpha starts at 255 and grey at 0 for every pixel.
struct Working {
    unsigned char r, g, b, a, l;
};

constexpr bool IsColour(PixelFormat f)
{
    return f == RGB || f == RGBA || f == BGR || f == BGRA;
}
constexpr bool HasAlpha(PixelFormat f)
{
    return f == RGBA || f == BGRA || f == LUMINANCE_ALPHA || f == ALPHA;
}
constexpr bool IsGrey(PixelFormat f)
{
    return f == LUMINANCE || f == LUMINANCE_ALPHA;
}

template <PixelFormat S> inline void Read(const unsigned char* p, Working& w)
{
    if constexpr (S == RGB || S == RGBA) {
        w.r = p[0];
        w.g = p[1];
        w.b = p[2];
    }
    if constexpr (S == BGR || S == BGRA) {
        w.b = p[0];
        w.g = p[1];
        w.r = p[2];
    }
    if constexpr (S == RGBA || S == BGRA)
        w.a = p[3];
    if constexpr (IsGrey(S))
        w.l = p[0];
    if constexpr (S == LUMINANCE_ALPHA)
        w.a = p[1];
    if constexpr (S == ALPHA)
        w.a = p[0];
}

// Derives what the target needs and the source did not give.
template <PixelFormat S, PixelFormat T> inline void Middle(Working& w)
{
    if constexpr (IsColour(S) && IsGrey(T))
        w.l = Image::Luminance(w.r, w.g, w.b);
    if constexpr (IsColour(S) && !HasAlpha(S) && T == ALPHA)
        w.a = Image::Luminance(w.r, w.g, w.b);
    if constexpr (IsGrey(S) && IsColour(T))
        w.r = w.g = w.b = w.l;
    if constexpr (S == LUMINANCE && T == ALPHA)
        w.a = w.l;
    if constexpr (S == ALPHA && IsColour(T))
        w.r = w.g = w.b = w.a;
    if constexpr (S == ALPHA && T == LUMINANCE)
        w.l = w.a;
}

template <PixelFormat T> inline void Write(unsigned char* p, const Working& w)
{
    if constexpr (T == RGB || T == RGBA) {
        p[0] = w.r;
        p[1] = w.g;
        p[2] = w.b;
    }
    if constexpr (T == BGR || T == BGRA) {
        p[0] = w.b;
        p[1] = w.g;
        p[2] = w.r;
    }
    if constexpr (T == RGBA || T == BGRA)
        p[3] = w.a;
    if constexpr (IsGrey(T))
        p[0] = w.l;
    if constexpr (T == LUMINANCE_ALPHA)
        p[1] = w.a;
    if constexpr (T == ALPHA)
        p[0] = w.a;
}

constexpr int Size(PixelFormat f)
{
    return f == RGB || f == BGR ? 3 : f == RGBA || f == BGRA ? 4 : f == LUMINANCE_ALPHA ? 2 : 1;
}

template <PixelFormat S, PixelFormat T> void ConvertRow(const unsigned char* src, unsigned char* dst, int width)
{
    for (int x = 0; x < width; ++x, src += Size(S), dst += Size(T)) {
        Working w{0, 0, 0, 255, 0};
        Read<S>(src, w);
        Middle<S, T>(w);
        Write<T>(dst, w);
    }
}

using RowConverter = void (*)(const unsigned char*, unsigned char*, int);

template <PixelFormat S> RowConverter ConverterTo(PixelFormat target)
{
    switch (target) {
    case RGB:
        return ConvertRow<S, RGB>;
    case RGBA:
        return ConvertRow<S, RGBA>;
    case BGR:
        return ConvertRow<S, BGR>;
    case BGRA:
        return ConvertRow<S, BGRA>;
    case LUMINANCE:
        return ConvertRow<S, LUMINANCE>;
    case LUMINANCE_ALPHA:
        return ConvertRow<S, LUMINANCE_ALPHA>;
    case ALPHA:
        return ConvertRow<S, ALPHA>;
    }
    return nullptr;
}

// The row converter of a pair, or null when either format is unknown.
RowConverter Converter(PixelFormat source, PixelFormat target)
{
    switch (source) {
    case RGB:
        return ConverterTo<RGB>(target);
    case RGBA:
        return ConverterTo<RGBA>(target);
    case BGR:
        return ConverterTo<BGR>(target);
    case BGRA:
        return ConverterTo<BGRA>(target);
    case LUMINANCE:
        return ConverterTo<LUMINANCE>(target);
    case LUMINANCE_ALPHA:
        return ConverterTo<LUMINANCE_ALPHA>(target);
    case ALPHA:
        return ConverterTo<ALPHA>(target);
    }
    return nullptr;
}

}  // namespace

bool Image::SetFormat(PixelFormat format)
{
    if (format == GetFormat())
        return true;
    RowConverter convert = Converter(GetFormat(), format);
    if (!convert) {
        return ImageFail("Image::SetFormat - unsupported conversion");
    }
    Image temp;
    if (!temp.Create(Width(), Height(), format, 0))
        return false;
    for (int y = 0; y < Height(); ++y)
        convert(GetRow(y), temp.GetRow(y), Width());
    // Take over the converted record instead of copying its rows.
    ImageExtra* mine = extra;
    ImageExtra* theirs = temp.extra;
    std::swap(*mine, *theirs);
    std::swap(mine->parent, theirs->parent);
    return true;
}

bool Image::CopyAlpha(const Image& src)
{
    PixelFormat from = src.GetFormat();
    if (from == RGB || from == BGR || from == LUMINANCE)
        return false;
    if (src.Width() != Width() || src.Height() != Height() || Width() == 0 || Height() == 0)
        return false;
    PixelFormat target = GetFormat() == RGB         ? RGBA
                         : GetFormat() == BGR       ? BGRA
                         : GetFormat() == LUMINANCE ? LUMINANCE_ALPHA
                                                    : GetFormat();
    if (!SetFormat(target))
        return false;
    int srcSize = src.GetPixelSize(), dstSize = GetPixelSize();
    int srcOffset = AlphaOffset(from), dstOffset = AlphaOffset(target);
    for (int y = 0; y < Height(); ++y) {
        const unsigned char* s = src.GetRow(y) + srcOffset;
        unsigned char* d = GetRow(y) + dstOffset;
        for (int x = 0; x < Width(); ++x, s += srcSize, d += dstSize)
            *d = *s;
    }
    return true;
}

}  // namespace glintwork
