// platform_desktop.cpp -- the desktop game's side of platform.h.
#include "platform.h"

const char* const MUSIC_FILE = "music1.xm";

// Linux's own numbering of the common pads (the xpad driver's): A 0, B 1, X 2, Y 3, the shoulders
// 4 and 5, Back 6, Start 7, Guide 8; the d-pad is the first hat.
const PadButtons PLATFORM_PAD_BUTTONS = {0, 7, -1};
