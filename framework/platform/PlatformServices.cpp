// Palettes, the clock and the message to the user, in the portable half.
#include "framework/platform/PlatformState.h"

#include <chrono>
#include <cstdio>

namespace glintwork {

namespace plat {

// --- palettes ------------------------------------------------------------------
// The displays this runs on are true-colour: a palette is kept so that the
// calls have their usual results, but it changes no pixel.

HPALETTE CreatePalette(const PaletteEntry* entries, int count)
{
    if (!entries || count <= 0)
        return nullptr;
    std::uintptr_t id = S().nextId++;
    S().palettes[id] = std::vector<PaletteEntry>(entries, entries + count);
    return ToHandle<HPALETTE>(id);
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, bool)
{
    WindowRecord* w = FindDC(hdc);
    if (!w)
        return nullptr;
    HPALETTE previous = w->palette;
    w->palette = palette;
    return previous;
}

unsigned RealizePalette(HDC)
{
    return 0;
}

bool DeletePalette(HPALETTE palette)
{
    return S().palettes.erase(ToId(palette)) != 0;
}

// --- process services ----------------------------------------------------------

std::uint32_t GetTickCount()
{
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void MessageBox(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "Message", text ? text : "");
    std::fflush(stderr);
}

}  // namespace plat

}  // namespace glintwork
