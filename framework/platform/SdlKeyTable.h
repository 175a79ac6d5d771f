#ifndef GLINTWORK_SDLKEYTABLE_H
#define GLINTWORK_SDLKEYTABLE_H

#include <SDL.h>

namespace glintwork {

namespace plat::backend {

// The virtual-key code of a key, 0 for a key the framework has no code for.
// Keypad keys go by position (scancode), whatever Num Lock makes of them;
// every other key by its meaning (keycode), so letters are their upper-case
// character codes and digits their character codes.
int VirtualKey(const SDL_Keysym& key);

}  // namespace plat::backend

}  // namespace glintwork

#endif  // GLINTWORK_SDLKEYTABLE_H
