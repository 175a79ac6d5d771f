// glintwork-image: loads pictures the way Glintwork does and saves them as
// 24-bit BMP files, or as PNG files when the name ends in ".png".
#include "framework/image/Image.h"
#include "tools/SavePng.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

const char* const kUsage = "usage: glintwork-image info FILE\n"
                           "       glintwork-image convert IN OUT\n"
                           "       glintwork-image --help\n";

const char* const kHelp = "Loads a picture (BMP, TGA, PNG, JPEG, GIF or QOI, chosen by content) the way\n"
                          "Glintwork does.\n"
                          "\n"
                          "  info FILE        print \"<width> <height> <FORMAT> <padding>\" of the loaded image\n"
                          "  convert IN OUT   save the picture IN as OUT: a PNG file when OUT ends in \".png\"\n"
                          "                   (any case), otherwise a 24-bit BMP file (whatever its name);\n"
                          "                   OUT is left alone when anything fails\n"
                          "\n"
                          "Exit status: 0 on success, 1 when a file cannot be loaded or saved, 2 on wrong\n"
                          "arguments; why a file cannot be loaded or saved is said on standard error.\n";

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

int Convert(const char* in, const char* out)
{
    Image image;
    if (!image.Load(in)) {
        fprintf(stderr, "glintwork-image: cannot load %s: %s\n", in, Image::FailureReason());
        return 1;
    }
    const std::size_t length = strlen(out);
    const bool png = length >= 4 && strcasecmp(out + length - 4, ".png") == 0;
    if (!(png ? SavePng(image, out) : image.Save(out))) {
        fprintf(stderr, "glintwork-image: cannot save %s: %s\n", out, Image::FailureReason());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(kUsage, stdout);
        fputs("\n", stdout);
        fputs(kHelp, stdout);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "info") == 0)
        return Info(argv[2]);
    if (argc == 4 && strcmp(argv[1], "convert") == 0)
        return Convert(argv[2], argv[3]);
    fputs(kUsage, stderr);
    return 2;
}
