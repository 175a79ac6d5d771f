// The fixed 256-colour logical palette for colour-index displays: red and
// green in eight steps from bits 0-2 and 3-5, blue in four from bits 6-7,
// with twelve entries replaced by the usual system colours.
#ifndef GLINTWORK_PALETTE_H
#define GLINTWORK_PALETTE_H

#include "framework/platform/PlatformWindow.h"

namespace glintwork {

constexpr int PALETTE_SIZE = 256;

void FillPalette(plat::PaletteEntry (&entries)[PALETTE_SIZE]);

}  // namespace glintwork

#endif  // GLINTWORK_PALETTE_H
