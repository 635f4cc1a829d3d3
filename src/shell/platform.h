// platform.h -- what differs between the desktop game and the browser's, behind a few names; the
// build picks one file that defines them (platform_desktop.cpp or platform_web.cpp).
#pragma once

// The music's file in the data folder: the tracker module on the desktop, the tune rendered from it
// on the browser, which cannot play a module.
extern const char* const MUSIC_FILE;

// Called after the game has written a save or a setting: the browser keeps its files in its own
// storage; the desktop's are on disk already.
void SavesWritten();
// The options screen's picture page: the desktop's window takes a scale, smoothing and v-sync; the
// browser's canvas only goes fullscreen.
extern const bool WINDOW_CHOICES;
