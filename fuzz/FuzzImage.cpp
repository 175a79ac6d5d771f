// One image reader fed with arbitrary bytes. The reader (a member of Image
// such as LoadBMP) and the name of the file it is given are chosen when the
// target is built: GLINTWORK_FUZZ_READER and GLINTWORK_FUZZ_FILE_NAME.
//
// Beyond "no crash, no leak, no hang, no huge allocation", every run checks
// what a caller relies on: a loaded picture is within the limits and its
// buffer holds every row; a failed load leaves the image empty (the system
// picture reader may instead leave it untouched when it gives up before
// decoding). The whole-file entry point also saves what it loaded and reads
// it back, which must give the same pixels.
#include "framework/image/Image.h"
#include "framework/image/ImageLimits.h"
#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef GLINTWORK_FUZZ_READER
#error "GLINTWORK_FUZZ_READER names the Image member to fuzz"
#endif

namespace glintwork {

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz check failed: %s\n", what);
        abort();
    }
}

// Touches every byte of every row, so a buffer shorter than the layout
// claims is caught by the address checker.
unsigned Sum(const Image& image)
{
    unsigned sum = 0;
    size_t rowBytes = size_t(image.Width()) * size_t(image.GetPixelSize());
    for (int y = 0; y < image.Height(); ++y) {
        const unsigned char* row = image.GetRow(y);
        for (size_t i = 0; i < rowBytes; ++i)
            sum += row[i];
    }
    return sum;
}

void CheckLoaded(const Image& image)
{
    Check(image.IsValid(), "a successful load gives a picture");
    int width = image.Width(), height = image.Height();
    Check(width >= 1 && height >= 1 && width <= MaxPictureSide && height <= MaxPictureSide,
          "sides within the limits");
    Check(image.GetRowStride() >= width * image.GetPixelSize(), "rows hold their pixels");
    Check(uint64_t(image.GetRowStride()) * uint64_t(height) == image.GetDataSize(), "data size is stride x height");
    Check(image.GetDataSize() <= MaxPictureBytes, "data within the limit");
    volatile unsigned sum = Sum(image);
    (void)sum;
}

#ifdef GLINTWORK_FUZZ_ROUND_TRIP
// What was loaded, saved as a BMP file and read back, is the same picture
// in BGR.
void CheckRoundTrip(const Image& image)
{
    const std::string& saved = FuzzFilePath("saved.bmp");
    Check(image.Save(saved.c_str()), "a loaded picture can be saved");
    Image expected(image);
    Check(expected.SetFormat(BGR), "a loaded picture converts to BGR");
    Image back;
    Check(back.LoadBMP(saved.c_str()), "a saved picture loads");
    Check(back.GetFormat() == BGR && back.Width() == image.Width() && back.Height() == image.Height(),
          "a saved picture keeps its size");
    for (int y = 0; y < image.Height(); ++y)
        Check(memcmp(back.GetRow(y), expected.GetRow(y), size_t(image.Width()) * 3) == 0,
              "a saved picture keeps its pixels");
}
#endif

}  // namespace

}  // namespace glintwork

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace glintwork;
    const std::string& path = WriteFuzzInput(data, size, GLINTWORK_FUZZ_FILE_NAME);
    Image image(1, 1, RGBA);
    if ((image.*(&Image::GLINTWORK_FUZZ_READER))(path.c_str())) {
        CheckLoaded(image);
#ifdef GLINTWORK_FUZZ_ROUND_TRIP
        CheckRoundTrip(image);
#endif
    } else {
#ifdef GLINTWORK_FUZZ_MAY_KEEP
        Check(image.IsNull() || (image.Width() == 1 && image.GetFormat() == RGBA),
              "a failed load leaves the image empty or untouched");
#else
        Check(image.IsNull(), "a failed load leaves the image empty");
#endif
    }
    return 0;
}
