#ifndef GLINTWORK_PICTUREFILEKIND_H
#define GLINTWORK_PICTUREFILEKIND_H

#include <cstddef>
#include <string>
#include <strings.h>
#include <vector>

namespace glintwork {

class Image;

// The kinds of picture file the library writes, and the one table of the
// extensions that ask for each (any case), for every program that names an
// output file. The lookups are inline so that a program can check a name
// without linking the library.
enum class PictureFileKind { Bmp, Png, Jpeg };

struct PictureExtension {
    const char* extension;
    PictureFileKind kind;
    const char* kindName;  // as help texts name the kind
};

// The extensions of one kind stand together.
inline constexpr PictureExtension PictureExtensions[] = {
    {".bmp", PictureFileKind::Bmp, "BMP"},
    {".png", PictureFileKind::Png, "PNG"},
    {".jpg", PictureFileKind::Jpeg, "JPEG"},
    {".jpeg", PictureFileKind::Jpeg, "JPEG"},
};
inline constexpr std::size_t PictureExtensionCount = sizeof PictureExtensions / sizeof PictureExtensions[0];

// The kind `name` asks for by its extension; false for a name that ends in
// none of them (or is nothing but one).
inline bool PictureFileKindOf(const std::string& name, PictureFileKind& kind)
{
    for (const PictureExtension& e : PictureExtensions) {
        const std::size_t length = std::char_traits<char>::length(e.extension);
        if (name.size() > length && strcasecmp(name.c_str() + name.size() - length, e.extension) == 0) {
            kind = e.kind;
            return true;
        }
    }
    return false;
}

// The extensions as a message lists them: ".bmp, .png, .jpg or .jpeg".
inline std::string PictureExtensionList()
{
    std::string list;
    for (std::size_t i = 0; i < PictureExtensionCount; ++i)
        list += std::string(i == 0 ? "" : i + 1 == PictureExtensionCount ? " or " : ", ") +
                PictureExtensions[i].extension;
    return list;
}

// The extensions with their kinds, as help texts give them: ".bmp BMP,
// .png PNG, .jpg or .jpeg JPEG".
inline std::string PictureKindList()
{
    std::string list;
    for (std::size_t i = 0; i < PictureExtensionCount; ++i) {
        const PictureExtension& e = PictureExtensions[i];
        const bool sameKind = i > 0 && PictureExtensions[i - 1].kind == e.kind;
        const bool lastOfKind = i + 1 == PictureExtensionCount || PictureExtensions[i + 1].kind != e.kind;
        list += std::string(i == 0 ? "" : sameKind ? " or " : ", ") + e.extension;
        if (lastOfKind)
            list += std::string(" ") + e.kindName;
    }
    return list;
}

// Saves `image` as a file of that kind (JPEG at quality 90), replacing the
// file whole or leaving it alone; a failure says why in
// Image::FailureReason(). In the image library.
bool SavePicture(const Image& image, const char* fileName, PictureFileKind kind);

// The bytes of the file SavePicture would write; false, with the reason in
// Image::FailureReason(), when there are none. In the image library.
bool EncodePicture(const Image& image, PictureFileKind kind, std::vector<unsigned char>& bytes);

}  // namespace glintwork

#endif
