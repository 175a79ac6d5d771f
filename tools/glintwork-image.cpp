// glintwork-image: loads pictures the way Glintwork does and saves them as
// 24-bit BMP, PNG or JPEG files, by the output name's extension.
#include "framework/image/Image.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace glintwork {

namespace {

const char* const ImageToolUsage = "usage: glintwork-image info FILE\n"
                           "       glintwork-image convert IN OUT\n"
                           "       glintwork-image --help\n";

const char* const ImageToolHelp = "Loads a picture (BMP, TGA, PNG, JPEG, GIF or QOI, chosen by content) the way\n"
                          "Glintwork does.\n"
                          "\n"
                          "  info FILE        print \"<width> <height> <FORMAT> <padding>\" of the loaded image\n"
                          "  convert IN OUT   save the picture IN as OUT, by OUT's extension (any case): .bmp\n"
                          "                   a 24-bit BMP file, .png a PNG file, .jpg or .jpeg a JPEG file\n"
                          "                   (quality 90); OUT is replaced whole or left alone, never\n"
                          "                   when it is a FIFO, socket, folder or block device, nor through\n"
                          "                   another user's link in a sticky folder; a character device\n"
                          "                   it names (out.bmp -> /dev/null, say) is written to\n"
                          "\n"
                          "Exit status: 0 on success, 1 when a file cannot be loaded or saved, 2 on wrong\n"
                          "arguments or an OUT with another extension; why is said on standard error.\n";

const char* FormatName(PixelFormat format)
{
    static const char* const names[] = {"RGB", "RGBA", "BGR", "BGRA", "LUMINANCE", "LUMINANCE_ALPHA", "ALPHA"};
    return format >= RGB && format <= ALPHA ? names[format] : "UNKNOWN";
}

int Info(const char* path)
{
    Image image;
    if (!image.Load(path)) {
        fprintf(stderr, "glintwork-image: cannot load %s: %s\n", path, Image::FailureReason());
        return 1;
    }
    printf("%d %d %s %d\n", image.Width(), image.Height(), FormatName(image.GetFormat()), image.GetRowPadding());
    return 0;
}

// The writer an output name asks for, by its extension (any case); null for
// any other name.
using Writer = bool (*)(const Image&, const char*);

Writer WriterFor(const char* name)
{
    static const struct {
        const char* extension;
        Writer write;
    } writers[] = {
        {".bmp", [](const Image& image, const char* path) { return image.SaveBMP(path); }},
        {".png", [](const Image& image, const char* path) { return image.SavePNG(path); }},
        {".jpg", [](const Image& image, const char* path) { return image.SaveJPEG(path); }},
        {".jpeg", [](const Image& image, const char* path) { return image.SaveJPEG(path); }},
    };
    const std::size_t length = strlen(name);
    for (const auto& w : writers) {
        const std::size_t n = strlen(w.extension);
        if (length > n && strcasecmp(name + length - n, w.extension) == 0)
            return w.write;
    }
    return nullptr;
}

int Convert(const char* in, const char* out)
{
    const Writer write = WriterFor(out);
    if (!write) {
        fprintf(stderr, "glintwork-image: %s: unknown extension; OUT must end in .bmp, .png, .jpg or .jpeg\n", out);
        return 2;
    }
    Image image;
    if (!image.Load(in)) {
        fprintf(stderr, "glintwork-image: cannot load %s: %s\n", in, Image::FailureReason());
        return 1;
    }
    if (!write(image, out)) {
        fprintf(stderr, "glintwork-image: cannot save %s: %s\n", out, Image::FailureReason());
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace glintwork

int main(int argc, char** argv)
{
    using namespace glintwork;
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(ImageToolUsage, stdout);
        fputs("\n", stdout);
        fputs(ImageToolHelp, stdout);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "info") == 0)
        return Info(argv[2]);
    if (argc == 4 && strcmp(argv[1], "convert") == 0)
        return Convert(argv[2], argv[3]);
    fputs(ImageToolUsage, stderr);
    return 2;
}
