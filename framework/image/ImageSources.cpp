#include "framework/image/Image.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/PictureChecks.h"
#include "framework/platform/PlatformFiles.h"
#include "framework/platform/PlatformPictures.h"

namespace {

struct Target {
    Image* image;
    bool touched;  // whether the reader got as far as asking for the buffer
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

// Runs a platform reader into the image. A failure leaves the image empty,
// or, when `keepUntouched` is set and the reader failed before it asked for
// a buffer, as it was.
template <typename Reader> bool ReadThroughPlatform(Image& image, bool keepUntouched, Reader read)
{
    Target target{&image, false};
    PictureSink sink{kMaxPictureSide, kMaxPictureBytes, CreateBgrRows, &target};
    bool ok = read(sink);
    if (!ok && (target.touched || !keepUntouched))
        image.Free();
    return ok;
}

// Hands a file to the system's bitmap loader once its header passed the
// checks.
bool LoadCheckedBitmap(const char* path, const PictureSink& sink)
{
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(path, &fileSize);
    if (!file)
        return false;
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
        return false;
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
    return LoadBMP(fileName) || LoadGDI(fileName) || LoadTGA(fileName) || LoadPicture(fileName);
}

bool Image::LoadGDI(const char* fileName)
{
    return ReadThroughPlatform(*this, false,
                               [&](const PictureSink& sink) { return LoadCheckedBitmap(fileName, sink); });
}

bool Image::LoadPicture(const char* fileName)
{
    if (!fileName)
        return false;
    return ReadThroughPlatform(*this, true,
                               [&](const PictureSink& sink) { return LoadCheckedPicture(fileName, sink); });
}

bool Image::GrabScreen()
{
    return ReadThroughPlatform(*this, true, [](const PictureSink& sink) { return PlatformGrabScreen(sink); });
}
