// icon.h -- the game's own icon on its window.
#pragma once

// Gives the window the game's icon ("icon.bmp" among the game data). Call after SDL's video is up and
// before the first video mode; without the file the window keeps the desktop's default icon.
void SetWindowIcon();
