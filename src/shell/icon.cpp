// icon.cpp -- the window's icon, read from the BMP that tools/mkicon draws.
#include "icon.h"

#include <SDL/SDL.h>

#include "files.h"

// The colour mkicon paints where the icon is transparent.
static const Uint8 KEY_RED = 255, KEY_GREEN = 0, KEY_BLUE = 255;

void SetWindowIcon() {
    SDL_Surface* icon = SDL_LoadBMP(DataFile("icon.bmp").c_str());
    if (!icon) return;
    SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, KEY_RED, KEY_GREEN, KEY_BLUE));
    // Both SDL 1.2 libraries copy the picture (and a mask made from the colour key) into the window.
    SDL_WM_SetIcon(icon, nullptr);
    SDL_FreeSurface(icon);
}
