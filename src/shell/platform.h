// platform.h -- what differs between the desktop game and the browser's, behind a few names; the
// build picks one file that defines them (platform_desktop.cpp or platform_web.cpp).
#pragma once

// The music's file in the data folder: the tracker module on the desktop, the tune rendered from it
// on the browser, which cannot play a module.
extern const char* const MUSIC_FILE;
// The font texture's wrap mode and internal format: OpenGL 1.1's GL_CLAMP and 2 (two components) on
// the desktop; WebGL knows neither, and takes GL_CLAMP_TO_EDGE and GL_LUMINANCE_ALPHA.
extern const int FONT_WRAP;
extern const int FONT_INTERNAL_FORMAT;
