// web.h -- what the browser's shell files share.
#pragma once

// Copies the saves written so far ($HOME) into the browser's storage, where the next visit finds them.
void KeepSaves();
// Runs the bench's scenes instead of the game when the page asks for them (?bench, ?picture=K);
// false when it does not.
bool StartPageBench();
// Sizes the canvas's drawing buffer to its size on the page in device pixels, and fits the picture
// into it, when that size has changed: sharp at any page size and pixel ratio. Called once a display
// frame: when the frames come late, the buffer has fewer pixels (never fewer than the world's size).
void FollowCanvasSize();
