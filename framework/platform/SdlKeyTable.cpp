#include "framework/platform/SdlKeyTable.h"

#include "framework/platform/PlatformWindow.h"

namespace glintwork {

namespace plat::backend {

namespace {

// Codes first to last map to vk, vk + 1, ...
struct KeyRange {
    int first, last;
    int vk;
};

constexpr KeyRange Scancodes[] = {
    {SDL_SCANCODE_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, SDL_SCANCODE_KP_MINUS, VK_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, SDL_SCANCODE_KP_PLUS, VK_ADD},
    {SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN},
    {SDL_SCANCODE_KP_0, SDL_SCANCODE_KP_0, VK_NUMPAD0},
    {SDL_SCANCODE_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, VK_DECIMAL},
    {SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_9, VK_NUMPAD0 + 1},
};

constexpr KeyRange Keycodes[] = {
    {SDLK_a, SDLK_z, 'A'},
    {SDLK_0, SDLK_9, '0'},
    {SDLK_F1, SDLK_F12, VK_F1},
    {SDLK_F13, SDLK_F24, VK_F1 + 12},
    {SDLK_BACKSPACE, SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, SDLK_TAB, VK_TAB},
    {SDLK_RETURN, SDLK_RETURN, VK_RETURN},
    {SDLK_LSHIFT, SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, SDLK_LALT, VK_MENU},
    {SDLK_RALT, SDLK_RALT, VK_MENU},
    {SDLK_PAUSE, SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_ESCAPE, SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, SDLK_END, VK_END},
    {SDLK_HOME, SDLK_HOME, VK_HOME},
    {SDLK_LEFT, SDLK_LEFT, VK_LEFT},
    {SDLK_UP, SDLK_UP, VK_UP},
    {SDLK_RIGHT, SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, SDLK_DOWN, VK_DOWN},
    {SDLK_PRINTSCREEN, SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, SDLK_DELETE, VK_DELETE},
    {SDLK_LGUI, SDLK_LGUI, VK_LWIN},
    {SDLK_RGUI, SDLK_RGUI, VK_RWIN},
    {SDLK_APPLICATION, SDLK_APPLICATION, VK_APPS},
    {SDLK_NUMLOCKCLEAR, SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_SEMICOLON, SDLK_SEMICOLON, VK_OEM_1},
    {SDLK_EQUALS, SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_COMMA, SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_MINUS, SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PERIOD, SDLK_PERIOD, VK_OEM_PERIOD},
    {SDLK_SLASH, SDLK_SLASH, VK_OEM_2},
    {SDLK_BACKQUOTE, SDLK_BACKQUOTE, VK_OEM_3},
    {SDLK_LEFTBRACKET, SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, SDLK_RIGHTBRACKET, VK_OEM_6},
    {SDLK_QUOTE, SDLK_QUOTE, VK_OEM_7},
};

template <size_t N> int Look(const KeyRange (&table)[N], int code)
{
    for (const KeyRange& r : table)
        if (code >= r.first && code <= r.last)
            return r.vk + (code - r.first);
    return 0;
}

}  // namespace

int VirtualKey(const SDL_Keysym& key)
{
    if (int vk = Look(Scancodes, key.scancode))
        return vk;
    return Look(Keycodes, key.sym);
}

}  // namespace plat::backend

}  // namespace glintwork
