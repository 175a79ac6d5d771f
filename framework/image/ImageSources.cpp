#include "Image.h"
#include "ImageLimits.h"
#include "PlatformPictures.h"

namespace {

struct Target {
    Image* image;
    bool touched;  // whether the reader got past its early checks
};

// Gives the platform reader the image's own buffer: a BGR image whose rows
// are padded to 4 bytes, exactly the layout the reader fills.
unsigned char* CreateBgrRows(void* context, int width, int height, int rowStride)
{
    auto* target = static_cast<Target*>(context);
    target->touched = true;
    if (!target->image->Create(width, height, BGR, rowStride - 3 * width))
        return nullptr;
    return target->image->GetData();
}

void MarkTouched(void* context)
{
    static_cast<Target*>(context)->touched = true;
}

// Runs a platform reader into the image. A failure leaves the image empty,
// or, when `keepUntouched` is set and the reader failed before its source gave
// a picture, as it was.
template <typename Reader> bool ReadThroughPlatform(Image& image, bool keepUntouched, Reader read)
{
    Target target{&image, false};
    PictureSink sink{kMaxPictureSide, kMaxPictureBytes, CreateBgrRows, &target, MarkTouched};
    bool ok = read(sink);
    if (!ok && (target.touched || !keepUntouched))
        image.Free();
    return ok;
}

}  // namespace

bool Image::Load(const char* fileName)
{
    return LoadBMP(fileName) || LoadGDI(fileName) || LoadTGA(fileName) || LoadPicture(fileName);
}

bool Image::LoadGDI(const char* fileName)
{
    return ReadThroughPlatform(*this, false,
                               [&](const PictureSink& sink) { return PlatformLoadBitmap(fileName, sink); });
}

bool Image::LoadPicture(const char* fileName)
{
    if (!fileName)
        return false;
    return ReadThroughPlatform(*this, true,
                               [&](const PictureSink& sink) { return PlatformLoadPicture(fileName, sink); });
}

bool Image::GrabScreen()
{
    return ReadThroughPlatform(*this, true, [](const PictureSink& sink) { return PlatformGrabScreen(sink); });
}
