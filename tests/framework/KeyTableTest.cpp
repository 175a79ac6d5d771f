// The platform's key table: which virtual-key code each key sends.
#include "framework/platform/SdlKeyTable.h"

#include <gtest/gtest.h>

namespace glintwork {

namespace {

SDL_Keysym Key(SDL_Scancode scancode, SDL_Keycode sym)
{
    SDL_Keysym key{};
    key.scancode = scancode;
    key.sym = sym;
    return key;
}

// Keypad keys go by position, so with Num Lock off (when the system gives
// them the meanings of the arrow and editing keys) they send the same codes
// as with it on. Their neighbours in the table of positions go by meaning.
TEST(KeyTable, KeypadKeysAndTheirNeighbours)
{
    const struct {
        SDL_Scancode scancode;
        SDL_Keycode numLockOn, numLockOff;
        int vk;
    } cases[] = {
        {SDL_SCANCODE_NUMLOCKCLEAR, SDLK_NUMLOCKCLEAR, SDLK_NUMLOCKCLEAR, 144},
        {SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, SDLK_KP_DIVIDE, 111},
        {SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY, SDLK_KP_MULTIPLY, 106},
        {SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, SDLK_KP_MINUS, 109},
        {SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, SDLK_KP_PLUS, 107},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, SDLK_KP_ENTER, 13},
        {SDL_SCANCODE_KP_1, SDLK_KP_1, SDLK_END, 97},
        {SDL_SCANCODE_KP_2, SDLK_KP_2, SDLK_DOWN, 98},
        {SDL_SCANCODE_KP_3, SDLK_KP_3, SDLK_PAGEDOWN, 99},
        {SDL_SCANCODE_KP_4, SDLK_KP_4, SDLK_LEFT, 100},
        {SDL_SCANCODE_KP_5, SDLK_KP_5, SDLK_UNKNOWN, 101},
        {SDL_SCANCODE_KP_6, SDLK_KP_6, SDLK_RIGHT, 102},
        {SDL_SCANCODE_KP_7, SDLK_KP_7, SDLK_HOME, 103},
        {SDL_SCANCODE_KP_8, SDLK_KP_8, SDLK_UP, 104},
        {SDL_SCANCODE_KP_9, SDLK_KP_9, SDLK_PAGEUP, 105},
        {SDL_SCANCODE_KP_0, SDLK_KP_0, SDLK_INSERT, 96},
        {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, SDLK_DELETE, 110},
        {SDL_SCANCODE_NONUSBACKSLASH, SDLK_LESS, SDLK_LESS, 0},
        {SDL_SCANCODE_KP_EQUALS, SDLK_KP_EQUALS, SDLK_KP_EQUALS, 0},
        {SDL_SCANCODE_KP_00, SDLK_KP_00, SDLK_KP_00, 0},
        // The keys whose meanings the keypad takes with Num Lock off, where
        // they stand on their own.
        {SDL_SCANCODE_END, SDLK_END, SDLK_END, 35},
        {SDL_SCANCODE_INSERT, SDLK_INSERT, SDLK_INSERT, 45},
        {SDL_SCANCODE_DELETE, SDLK_DELETE, SDLK_DELETE, 46},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, SDLK_RETURN, 13},
        {SDL_SCANCODE_SLASH, SDLK_SLASH, SDLK_SLASH, 191},
        {SDL_SCANCODE_MINUS, SDLK_MINUS, SDLK_MINUS, 189},
        {SDL_SCANCODE_0, SDLK_0, SDLK_0, '0'},
        {SDL_SCANCODE_9, SDLK_9, SDLK_9, '9'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(SDL_GetScancodeName(c.scancode));
        EXPECT_EQ(plat::backend::VirtualKey(Key(c.scancode, c.numLockOn)), c.vk);
        EXPECT_EQ(plat::backend::VirtualKey(Key(c.scancode, c.numLockOff)), c.vk);
    }
}

}  // namespace

}  // namespace glintwork
