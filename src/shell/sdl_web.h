// sdl_web.h -- the SDL 1.2 names Emscripten's SDL headers leave out; the browser build includes it
// before every source file.
#pragma once

#include <SDL/SDL.h>

// SDL 1.2's key-state array: Emscripten's headers leave it out, and its own version does not say
// how many keys the array holds, so the browser's shell defines it (platform_web.cpp).
extern "C" Uint8* SDL_GetKeyState(int* numkeys);
// SDL 1.2's key numbers start here.
constexpr SDLKey SDLK_FIRST = SDLKey(0);
// SDL 1.2's number of the swap-control attribute; the browser paces frames to the display anyway.
constexpr SDL_GLattr SDL_GL_SWAP_CONTROL = SDL_GLattr(16);
