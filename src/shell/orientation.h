// orientation.h -- the one build-time switch between the portrait and the landscape game.
#pragma once

#if !defined(KORVEL_LANDSCAPE) || (KORVEL_LANDSCAPE != 0 && KORVEL_LANDSCAPE != 1)
#error "KORVEL_LANDSCAPE must be defined as 0 (portrait, 480 x 800) or 1 (landscape, 800 x 480)"
#endif

// True in the landscape build: the ships fly to the right and enemies come in from the right.
constexpr bool LANDSCAPE = KORVEL_LANDSCAPE == 1;

// Window size of this build.
constexpr int WINDOW_WIDTH = LANDSCAPE ? 800 : 480;
constexpr int WINDOW_HEIGHT = LANDSCAPE ? 480 : 800;
