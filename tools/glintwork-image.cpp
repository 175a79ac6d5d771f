// glintwork-image: loads pictures the way Glintwork does and saves them as
// 24-bit BMP, PNG or JPEG files, by the output name's extension.
#include "framework/image/Image.h"

#include <cstdio>
#include <string>

#include "app/OptionParser.h"
#include "app/StandardStreams.h"
#include "framework/image/PictureFileKind.h"

#ifndef GLINTWORK_VERSION
#define GLINTWORK_VERSION "unknown"
#endif

namespace glintwork {

namespace {

const char* const ImageToolUsage = "usage: glintwork-image info FILE\n"
                           "       glintwork-image convert IN OUT\n"
                           "       glintwork-image --help | --version\n";

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
                          "arguments or an OUT with another extension, 3 when standard output cannot be\n"
                          "written (nothing is said when it is a pipe whose reader has gone); why is said\n"
                          "on standard error.\n";

constexpr int ExitNoOutput = 3;

const char* FormatName(PixelFormat format)
{
    static const char* const names[] = {"RGB", "RGBA", "BGR", "BGRA", "LUMINANCE", "LUMINANCE_ALPHA", "ALPHA"};
    return format >= RGB && format <= ALPHA ? names[format] : "UNKNOWN";
}

int Info(const char* path)
{
    Image image;
    if (!image.Load(path)) {
        fprintf(stderr, "glintwork-image: cannot load %s: %s\n", ShownArgument(path).c_str(), Image::FailureReason());
        return 1;
    }
    printf("%d %d %s %d\n", image.Width(), image.Height(), FormatName(image.GetFormat()), image.GetRowPadding());
    return 0;
}

int Convert(const char* in, const char* out)
{
    PictureFileKind kind;
    if (!PictureFileKindOf(out, kind)) {
        fprintf(stderr, "glintwork-image: %s: unknown extension; OUT must end in %s\n", ShownArgument(out).c_str(),
                PictureExtensionList().c_str());
        return 2;
    }
    Image image;
    if (!image.Load(in)) {
        fprintf(stderr, "glintwork-image: cannot load %s: %s\n", ShownArgument(in).c_str(), Image::FailureReason());
        return 1;
    }
    if (!SavePicture(image, out, kind)) {
        fprintf(stderr, "glintwork-image: cannot save %s: %s\n", ShownArgument(out).c_str(), Image::FailureReason());
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace glintwork

int main(int argumentCount, char** arguments)
{
    using namespace glintwork;
    const std::vector<Option> options = {
        {"--help", "-h", nullptr, nullptr, {}, "", true},
        {"--version", nullptr, nullptr, nullptr, {}, "", true},
    };
    const ParsedArguments parsed = ParseArguments(argumentCount, arguments, options);
    const std::vector<std::string>& operands = parsed.operands;
    int status = 2;
    bool misused = false;
    if (!parsed.error.empty()) {
        fprintf(stderr, "glintwork-image: %s\n", parsed.error.c_str());
        misused = true;
    } else if (parsed.final == &options[0]) {
        fputs((std::string(ImageToolUsage) + "\n" + ImageToolHelp).c_str(), stdout);
        status = 0;
    } else if (parsed.final == &options[1]) {
        fputs("glintwork-image " GLINTWORK_VERSION "\n", stdout);
        status = 0;
    } else if (operands.size() == 2 && operands[0] == "info") {
        status = Info(operands[1].c_str());
    } else if (operands.size() == 3 && operands[0] == "convert") {
        status = Convert(operands[1].c_str(), operands[2].c_str());
    } else {
        misused = true;
    }
    if (misused)
        fputs(ImageToolUsage, stderr);
    return FinishStandardOutput("glintwork-image") ? status : ExitNoOutput;
}
