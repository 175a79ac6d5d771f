#include "framework/image/TgaRuns.h"

#include <cstring>

namespace glintwork {

bool DecodeTgaRuns(FILE* file, unsigned char* pixels, unsigned char* end, size_t p)
{
    unsigned char* at = pixels;
    if (p == 0 || p > 4)
        return false;
    for (;;) {
        int packet = fgetc(file);
        if (packet == EOF || at == end)
            break;
        size_t count = size_t(packet & 127) + 1;
        if (count * p > size_t(end - at))
            break;
        if (packet & 128) {
            unsigned char pixel[4];
            if (fread(pixel, 1, p, file) != p)
                break;
            for (size_t i = 0; i < count; ++i, at += p)
                memcpy(at, pixel, p);
        } else {
            if (fread(at, 1, count * p, file) != count * p)
                break;
            at += count * p;
        }
    }
    return at == end;
}

}  // namespace glintwork
