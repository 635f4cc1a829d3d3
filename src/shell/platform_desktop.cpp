// platform_desktop.cpp -- the desktop game's side of platform.h.
#include "platform.h"

const char* const MUSIC_FILE = "music1.xm";
const bool WINDOW_CHOICES = true;

void SavesWritten() {}
