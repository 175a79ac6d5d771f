// PNG and JPEG files, encoded by the system's encoders and written the way
// every file of the library is; and the save of a picture file by its kind.
#include "framework/image/BmpHeader.h"
#include "framework/image/Image.h"
#include "framework/image/ImageFailure.h"
#include "framework/image/PictureFileKind.h"
#include "framework/platform/PlatformFiles.h"
#include "framework/platform/PlatformPictures.h"

#include <vector>

namespace glintwork {

namespace {

// The bytes of the picture as a file of the encoder's `kind`.
bool Encode(const Image& image, const char* kind, int quality, const char* encoderFailed,
            std::vector<unsigned char>& bytes)
{
    if (!image.IsValid())
        return ImageFail("the image is empty");
    // The encoders take rows top first, tightly packed, in RGB order.
    Image rows(image);
    if (!rows.IsValid() || !rows.SetFormat(RGB) || !rows.RemoveRowPadding())
        return ImageFail("out of memory");
    rows.FlipVertical();
    if (!PlatformEncodePicture(kind, rows.GetData(), rows.Width(), rows.Height(), rows.GetRowStride(), quality, bytes))
        return ImageFail(encoderFailed);
    return true;
}

bool SaveEncoded(const Image& image, const char* fileName, const char* kind, int quality, const char* encoderFailed)
{
    std::vector<unsigned char> bytes;
    if (!Encode(image, kind, quality, encoderFailed, bytes))
        return false;
    const PlatformFilePart part{bytes.data(), bytes.size()};
    return PlatformWriteFileWhole(fileName, &part, 1) || ImageFailCopy(PlatformWriteFailure());
}

}  // namespace

bool Image::SavePNG(const char* fileName) const
{
    return SaveEncoded(*this, fileName, "PNG", 0, "png: the system's encoder failed");
}

bool Image::SaveJPEG(const char* fileName, int quality) const
{
    if (quality < 1 || quality > 100)
        return ImageFail("jpeg: the quality must be from 1 to 100");
    return SaveEncoded(*this, fileName, "JPG", quality, "jpeg: the system's encoder failed");
}

bool EncodePicture(const Image& image, PictureFileKind kind, std::vector<unsigned char>& bytes)
{
    switch (kind) {
    case PictureFileKind::Bmp:
        return EncodeBMP(image, bytes);
    case PictureFileKind::Png:
        return Encode(image, "PNG", 0, "png: the system's encoder failed", bytes);
    case PictureFileKind::Jpeg:
        return Encode(image, "JPG", 90, "jpeg: the system's encoder failed", bytes);
    }
    return ImageFail("unknown kind of picture file");
}

bool SavePicture(const Image& image, const char* fileName, PictureFileKind kind)
{
    switch (kind) {
    case PictureFileKind::Bmp:
        return image.SaveBMP(fileName);
    case PictureFileKind::Png:
        return image.SavePNG(fileName);
    case PictureFileKind::Jpeg:
        return image.SaveJPEG(fileName);
    }
    return ImageFail("unknown kind of picture file");
}

}  // namespace glintwork
