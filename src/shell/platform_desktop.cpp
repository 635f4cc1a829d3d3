// platform_desktop.cpp -- the desktop game's side of platform.h.
#include "platform.h"

const char* const MUSIC_FILE = "music1.xm";
const bool SCORES_WITHOUT_REPLAYS = false;

void KeepWrittenSave() {}
