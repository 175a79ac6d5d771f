#include "framework/glwindow/Palette.h"

namespace glintwork {

void FillPalette(plat::PaletteEntry (&entries)[PALETTE_SIZE])
{
    static const unsigned char steps8[8] = {0, 63, 104, 139, 171, 200, 229, 255};
    static const unsigned char steps4[4] = {0, 116, 191, 255};
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        entries[i].red = steps8[i & 7];
        entries[i].green = steps8[(i >> 3) & 7];
        entries[i].blue = steps4[(i >> 6) & 3];
        entries[i].flags = 0;
    }
    static const struct {
        int index;
        unsigned char red, green, blue;
    } fixed[] = {{3, 128, 0, 0},       {24, 0, 128, 0},      {27, 128, 128, 0},    {64, 0, 0, 128},
                 {67, 128, 0, 128},    {88, 0, 128, 128},    {91, 128, 128, 128},  {164, 160, 160, 164},
                 {173, 192, 192, 192}, {181, 192, 220, 192}, {236, 166, 202, 240}, {247, 255, 251, 240}};
    for (const auto& f : fixed) {
        entries[f.index].red = f.red;
        entries[f.index].green = f.green;
        entries[f.index].blue = f.blue;
    }
}

}  // namespace glintwork
