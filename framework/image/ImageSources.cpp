#include "framework/image/Image.h"
#include "framework/image/BmpHeader.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/ImageLimits.h"
#include "framework/image/PictureChecks.h"
#include "framework/platform/PlatformFiles.h"
#include "framework/platform/PlatformPictures.h"

#include <cstring>
#include <string>

namespace glintwork {

namespace {

// The reasons of the system's readers for a file of none of their kinds.
constexpr char NotBitmap[] = "bmp: not a BMP file";
constexpr char NotPicture[] = "not a PNG, JPEG, GIF or QOI file the decoders take";

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
// checks, and names its kind when it loaded.
bool LoadCheckedBitmap(const char* path, const PictureSink& sink)
{
    uint64_t fileSize = 0;
    FILE* file = PlatformOpenFile(path, &fileSize);
    if (!file)
        return ImageFailOpen();
    BmpHeader header;
    if (!ReadBmpHeader(file, &header)) {
        fclose(file);
        return ImageFail(NotBitmap);
    }
    if (fseeko(file, 0, SEEK_SET) != 0 || !BitmapHeaderFits(file, fileSize) || fseeko(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    if (!PlatformDecodeBitmap(file, sink))
        return false;
    RecordLoadedFormat(BmpFormatName(header));
    return true;
}

// The names of the decoders' kinds.
const char* PictureFormatName(const char* kind)
{
    return strcmp(kind, "JPG") == 0 ? "JPEG" : kind;
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
    if (!kind) {
        fclose(file);
        return ImageFail(NotPicture);
    }
    if (!PictureClaimFits(file, fileSize, kind) || fseeko(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    if (!PlatformDecodePicture(file, kind, sink))
        return false;
    RecordLoadedFormat(PictureFormatName(kind));
    return true;
}

}  // namespace

bool Image::Load(const char* fileName)
{
    // A file that cannot be opened says why, once. A file that one of the
    // readers took for its own kind and refused says what that reader found
    // wrong: the own BMP reader first, then the system's bitmap loader, the
    // decoders of the other kinds (known by content), and last the TGA
    // reader (which may know its files by name alone). Any other file is of
    // no kind the readers take.
    if (LoadBMP(fileName))
        return true;
    if (!fileName || strncmp(FailureReason(), CannotOpen, sizeof CannotOpen - 1) == 0)
        return false;
    std::string reason = FailureReason() == NotBmp ? "" : FailureReason();
    auto keep = [&reason](const char* notMine) {
        if (reason.empty() && strcmp(FailureReason(), notMine) != 0)
            reason = FailureReason();
    };
    if (LoadGDI(fileName))
        return true;
    keep(NotBitmap);
    std::string tgaReason;
    if (LoadTGA(fileName))
        return true;
    if (FailureReason() != NotTga)
        tgaReason = FailureReason();
    if (LoadPicture(fileName))
        return true;
    keep(NotPicture);
    if (reason.empty())
        reason = tgaReason;
    return reason.empty() ? ImageFail("not a picture file that can be read") : ImageFailCopy(reason.c_str());
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
    return ReadThroughPlatform(*this, true, "the system's decoder cannot read the file (damaged?)",
                               [&](const PictureSink& sink) { return LoadCheckedPicture(fileName, sink); });
}

bool Image::GrabScreen()
{
    return ReadThroughPlatform(*this, true, "cannot capture the screen",
                               [](const PictureSink& sink) { return PlatformGrabScreen(sink); });
}

}  // namespace glintwork
