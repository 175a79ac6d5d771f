// The framework's own fixed bitmap font: one display list per character code
// 0..254. Glyphs are 5 pixels wide in a 6-pixel advance; each stands on the
// raster position with 7 rows above it (including the baseline row) and 2
// below for descenders.
#ifndef GLINTWORK_BITMAPFONT_H
#define GLINTWORK_BITMAPFONT_H

namespace glintwork {

constexpr int FONT_GLYPHS = 255;
constexpr int FONT_ADVANCE = 6;
constexpr int FONT_ASCENT = 7;
constexpr int FONT_DESCENT = 2;

// Compiles the lists base .. base + 254 in the current context.
bool BuildFontLists(unsigned base);

}  // namespace glintwork

#endif  // GLINTWORK_BITMAPFONT_H
