#include "framework/image/Image.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/PictureChecks.h"
#include "framework/platform/PlatformFiles.h"
#include "framework/platform/PlatformPictures.h"

#include <string>

namespace glintwork {

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
// a picture, as it was; it records `reason` unless the reader gave one.
template <typename Reader> bool ReadThroughPlatform(Image& image, bool keepUntouched, const char* reason, Reader read)
{
    ImageClearFailure();
    Target target{&image, false};
    PictureSink sink{MaxPictureSide, MaxPictureBytes, CreateBgrRows, &target, MarkTouched};
    bool ok = read(sink);
    if (!ok && (target.touched || !keepUntouched))
        image.Free();
    if (!ok && !*Image::FailureReason())
        ImageFail(reason);
    return ok;
}

// Hands a file to the system's bitmap loader once its header passed the
// checks.
bool LoadCheckedBitmap(const char* path, const PictureSink& sink)
{
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(path, &fileSize);
    if (!file)
        return ImageFailOpen();
    if (!BitmapHeaderFits(file, fileSize) || fseeko(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    return PlatformDecodeBitmap(file, sink);
}

// Hands a file to the system's picture decoder for its kind once the size it
// claims passed the checks.
bool LoadCheckedPicture(const char* path, const PictureSink& sink)
{
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(path, &fileSize);
    if (!file)
        return ImageFailOpen();
    const char* kind = PlatformPictureKind(file);
    if (!PictureClaimFits(file, fileSize, kind) || fseeko(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    return PlatformDecodePicture(file, kind, sink);
}

}  // namespace

bool Image::Load(const char* fileName)
{
    if (LoadBMP(fileName))
        return true;
    // Copied: the readers after it record reasons of their own.
    const std::string bmpReason = FailureReason();
    if (LoadGDI(fileName) || LoadTGA(fileName) || LoadPicture(fileName))
        return true;
    // A damaged BMP file says what is wrong with it, and a file that cannot be
    // opened says so; any other file is of no kind the readers take.
    if (bmpReason != NotBmp)
        return ImageFailCopy(bmpReason.c_str());
    return ImageFail("not a picture file that can be read");
}

bool Image::LoadGDI(const char* fileName)
{
    return ReadThroughPlatform(*this, false, "bmp: the system's loader does not take this file",
                               [&](const PictureSink& sink) { return LoadCheckedBitmap(fileName, sink); });
}

bool Image::LoadPicture(const char* fileName)
{
    if (!fileName) {
        ImageClearFailure();
        return ImageFail(CannotOpen);
    }
    return ReadThroughPlatform(*this, true, "not a PNG, JPEG, GIF or QOI file the decoders take",
                               [&](const PictureSink& sink) { return LoadCheckedPicture(fileName, sink); });
}

bool Image::GrabScreen()
{
    return ReadThroughPlatform(*this, true, "cannot capture the screen",
                               [](const PictureSink& sink) { return PlatformGrabScreen(sink); });
}

}  // namespace glintwork
