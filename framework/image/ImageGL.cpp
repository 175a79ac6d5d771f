// Moving images to and from the OpenGL context current on the calling thread:
// frame-buffer reads, drawing, textures and GLU resampling. Row 0 of an image
// is the bottom row of the GL rectangle, so no transfer flips rows.
#include "framework/image/Image.h"
#include "framework/image/ImageFailure.h"

#include "framework/platform/PlatformWindow.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif
#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif

namespace glintwork {

namespace {

// The GL pixel data format of a format; 0 for an unknown one.
GLenum DataFormat(PixelFormat format)
{
    switch (format) {
    case RGB:
        return GL_RGB;
    case RGBA:
        return GL_RGBA;
    case BGR:
        return GL_BGR_EXT;
    case BGRA:
        return GL_BGRA_EXT;
    case LUMINANCE:
        return GL_LUMINANCE;
    case LUMINANCE_ALPHA:
        return GL_LUMINANCE_ALPHA;
    case ALPHA:
        return GL_ALPHA;
    }
    return 0;
}

// The internal format a texture of this format gets.
GLint TextureComponents(PixelFormat format)
{
    switch (format) {
    case RGB:
    case BGR:
        return 3;
    case RGBA:
    case BGRA:
        return 4;
    case LUMINANCE:
        return 1;
    case LUMINANCE_ALPHA:
        return 2;
    case ALPHA:
        return GL_ALPHA;
    }
    return 0;
}

// The format GLU resamples a format as: channel order plays no part in
// scaling, and a lone alpha channel scales like a grey one.
GLenum ScalingFormat(PixelFormat format)
{
    switch (format) {
    case RGB:
    case BGR:
        return GL_RGB;
    case RGBA:
    case BGRA:
        return GL_RGBA;
    case LUMINANCE:
    case ALPHA:
        return GL_LUMINANCE;
    case LUMINANCE_ALPHA:
        return GL_LUMINANCE_ALPHA;
    }
    return 0;
}

// The format a transfer of this format uses when GL lacks blue-first data.
PixelFormat WithoutBGR(PixelFormat format)
{
    if (format == BGR)
        return RGB;
    if (format == BGRA)
        return RGBA;
    return format;
}

const GLenum PackGroup[] = {GL_PACK_SWAP_BYTES, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_PIXELS, GL_PACK_SKIP_ROWS,
                             GL_PACK_ALIGNMENT};
const GLenum UnpackGroup[] = {GL_UNPACK_SWAP_BYTES, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS,
                               GL_UNPACK_ALIGNMENT};
const int GroupSize = 5;

// Puts one group of pixel-store parameters into the state a transfer of
// packed rows needs (no swapping, row length and skips 0, rows aligned as
// given: 1 for tightly packed rows) for the guard's lifetime. Only parameters
// that differ are written, and only those are written back.
class PixelStoreGuard {
public:
    explicit PixelStoreGuard(const GLenum (&group)[GroupSize], GLint alignment = 1) : names(group)
    {
        for (int i = 0; i < GroupSize; ++i) {
            GLint wanted = names[i] == GL_PACK_ALIGNMENT || names[i] == GL_UNPACK_ALIGNMENT ? alignment : 0;
            saved[i] = wanted;
            glGetIntegerv(names[i], &saved[i]);
            changed[i] = saved[i] != wanted;
            if (changed[i])
                glPixelStorei(names[i], wanted);
        }
    }
    ~PixelStoreGuard()
    {
        for (int i = 0; i < GroupSize; ++i)
            if (changed[i])
                glPixelStorei(names[i], saved[i]);
    }
    PixelStoreGuard(const PixelStoreGuard&) = delete;
    PixelStoreGuard& operator=(const PixelStoreGuard&) = delete;

private:
    const GLenum* names;
    GLint saved[GroupSize];
    bool changed[GroupSize];
};

// The pixels an image hands to GL: its own buffer when that is tightly packed
// in a format GL accepts, otherwise a padding-free (and, without blue-first
// support, red-first) copy.
class UploadSource {
public:
    explicit UploadSource(const Image& image) : image(&image)
    {
        bool bgra = Image::HasBGRA();
        if (image.GetRowPadding() == 0 && (bgra || WithoutBGR(image.GetFormat()) == image.GetFormat()))
            return;
        ok = copy.Create(image.Width(), image.Height(), image.GetFormat(), 0);
        if (ok) {
            size_t rowBytes = size_t(image.Width()) * size_t(image.GetPixelSize());
            for (int y = 0; y < image.Height(); ++y)
                memcpy(copy.GetRow(y), image.GetRow(y), rowBytes);
            if (!bgra)
                ok = copy.SetFormat(WithoutBGR(copy.GetFormat()));
        }
        this->image = &copy;
    }

    bool Ok() const { return ok; }
    PixelFormat Format() const { return image->GetFormat(); }
    const unsigned char* Pixels() const { return image->GetData(); }

private:
    const Image* image;
    Image copy;
    bool ok = true;
};

// Hands the image's pixels to transfer(data format, pixels) with the unpack
// group guarded, and returns its result: a GL error or a GLU code. An empty
// image or a failed copy gives GLU_INVALID_VALUE, no context
// GLU_INVALID_OPERATION.
template <typename Transfer> int Upload(const Image& image, Transfer transfer)
{
    if (!image.GetData() || DataFormat(image.GetFormat()) == 0)
        return GLU_INVALID_VALUE;
    if (!plat::HasCurrentContext())
        return GLU_INVALID_OPERATION;
    UploadSource source(image);
    if (!source.Ok())
        return GLU_INVALID_VALUE;
    PixelStoreGuard unpack(UnpackGroup);
    return transfer(DataFormat(source.Format()), source.Pixels());
}

bool bgraKnown = false;
bool bgraAnswer = false;

// The power of two nearest to v on a logarithmic scale, or the limit when v
// reaches a nonzero limit. 0 for a size below 1.
int PowerOfTwoSize(int v, int limit)
{
    if (v < 1)
        return 0;
    if (limit != 0 && v >= limit)
        return limit;
    double exponent = std::floor(std::log(double(v)) / std::log(2.0) + 0.5);
    if (exponent > 30)
        exponent = 30;
    return 1 << int(exponent);
}

}  // namespace

// Worked out once for the whole process, on the first call made while a
// context is current (without one there is nothing to ask).
bool Image::HasBGRA()
{
    if (bgraKnown)
        return bgraAnswer;
    if (!plat::HasCurrentContext())
        return false;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    float number = 0;
    if (extensions && strstr(extensions, "GL_EXT_bgra"))
        bgraAnswer = true;
    else
        bgraAnswer = version && sscanf(version, "%f", &number) == 1 && double(number) >= 1.2;
    bgraKnown = true;
    return bgraAnswer;
}

bool Image::ReadPixels(int x, int y, int width, int height, PixelFormat format)
{
    if (width < 1 || height < 1 || !plat::HasCurrentContext())
        return false;
    PixelFormat readFormat = HasBGRA() ? format : WithoutBGR(format);
    if (!Create(width, height, readFormat, 0))
        return false;
    GLenum error;
    {
        PixelStoreGuard pack(PackGroup);
        glGetError();
        glReadPixels(x, y, width, height, DataFormat(readFormat), GL_UNSIGNED_BYTE, GetData());
        error = glGetError();
    }
    // A read that cannot be returned in the format asked for is a failure.
    if (readFormat != format && !SetFormat(format))
        return false;
    return error == GL_NO_ERROR;
}

bool Image::GrabViewport()
{
    GLint viewport[4] = {0, 0, 0, 0};
    if (plat::HasCurrentContext())
        glGetIntegerv(GL_VIEWPORT, viewport);
    return ReadPixels(viewport[0], viewport[1], viewport[2], viewport[3], RGB);
}

bool Image::GrabWindow()
{
    if (!plat::GetCurrentDC())
        return false;
    int width = 0, height = 0;
    if (plat::GetCurrentClientSize(&width, &height) && width != 0 && height != 0)
        return ReadPixels(0, 0, width, height, RGB);
    GrabViewport();
    return false;
}

bool Image::GrabWindowInFileLayout()
{
    int width = 0, height = 0;
    if (!plat::GetCurrentDC() || !plat::GetCurrentClientSize(&width, &height) || width < 1 || height < 1 ||
        !HasBGRA())
        return GrabWindow();
    const int padding = (4 - (3 * width) % 4) % 4;
    if (Width() != width || Height() != height || GetFormat() != BGR || GetRowPadding() != padding) {
        if (!Create(width, height, BGR, padding))
            return false;
        memset(GetData(), 0, GetDataSize());  // GL leaves the padding alone
    }
    PixelStoreGuard pack(PackGroup, 4);
    glGetError();
    glReadPixels(0, 0, width, height, GL_BGR_EXT, GL_UNSIGNED_BYTE, GetData());
    return glGetError() == GL_NO_ERROR;
}

bool Image::Draw() const
{
    return Upload(*this, [&](GLenum format, const unsigned char* pixels) {
               glGetError();
               glDrawPixels(Width(), Height(), format, GL_UNSIGNED_BYTE, pixels);
               return int(glGetError());
           }) == GL_NO_ERROR;
}

bool Image::MakeTexture(int level) const
{
    return Upload(*this, [&](GLenum format, const unsigned char* pixels) {
               glGetError();
               glTexImage2D(GL_TEXTURE_2D, level, TextureComponents(GetFormat()), Width(), Height(), 0, format,
                            GL_UNSIGNED_BYTE, pixels);
               return int(glGetError());
           }) == GL_NO_ERROR;
}

int Image::MakeMipmaps() const
{
    return Upload(*this, [&](GLenum format, const unsigned char* pixels) {
        return gluBuild2DMipmaps(GL_TEXTURE_2D, TextureComponents(GetFormat()), Width(), Height(), format,
                                 GL_UNSIGNED_BYTE, pixels);
    });
}

int Image::Rescale(int width, int height)
{
    if (width < 1 || height < 1)
        return GLU_INVALID_VALUE;
    if (width == Width() && height == Height())
        return 0;
    Image src(*this);
    if (src.GetDataSize() != GetDataSize() || !src.RemoveRowPadding())
        return GLU_INVALID_VALUE;
    GLenum scalingFormat = ScalingFormat(src.GetFormat());
    if (scalingFormat == 0)
        return GLU_INVALID_VALUE;
    // Without a context GLU would take its pixel-store state from nowhere.
    if (!plat::HasCurrentContext()) {
        ImageFail("Image::Rescale() called out of GL context");
        return GLU_INVALID_OPERATION;
    }
    if (!Create(width, height, src.GetFormat(), 0) || !src.GetData()) {
        *this = src;
        return GLU_INVALID_VALUE;
    }
    int result;
    {
        // GLU reads the source through the unpack state and writes the result
        // through the pack state: both must describe tightly packed rows.
        PixelStoreGuard unpack(UnpackGroup);
        PixelStoreGuard pack(PackGroup);
        result = gluScaleImage(scalingFormat, src.Width(), src.Height(), GL_UNSIGNED_BYTE, src.GetData(), width, height,
                               GL_UNSIGNED_BYTE, GetData());
    }
    if (result != 0)
        *this = src;
    return result;
}

bool Image::ScaleToPowerOfTwo()
{
    GLint limit = 0;
    if (plat::HasCurrentContext())
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    return Rescale(PowerOfTwoSize(Width(), limit), PowerOfTwoSize(Height(), limit)) == 0;
}

}  // namespace glintwork
