// headless.h -- the game started without a window, a GPU or sound (with null_platform.cpp), for the
// verifier and the tools that make long runs for its benchmark.
#pragma once

// Brings the world up as Init does after the settings (the seed, the power-up marks, the field's
// size, the drawing table and the title menu), without opening anything.
void StartHeadlessGame();
// The main loop's frames until quit is set: each frame's replay hooks around Render.
void RunHeadlessFrames();
