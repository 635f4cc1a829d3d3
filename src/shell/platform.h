// platform.h -- what differs between the desktop game and the browser's, behind a few names; the
// build picks one file that defines them (platform_desktop.cpp or platform_web.cpp).
#pragma once

#include "input.h"

// The music's file in the data folder: the tracker module on the desktop, the tune rendered from it
// on the browser, which cannot play a module.
extern const char* const MUSIC_FILE;
// The controllers' buttons as the platform's own SDL library numbers them, without a mapping of
// its own.
extern const PadButtons PLATFORM_PAD_BUTTONS;
