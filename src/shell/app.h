// app.h -- start-up, the main loop and its two global keys, and the sound handles.
#pragma once

#include <SDL/SDL_mixer.h>

// Per run: the main loop ends once quit is set (Escape, closing the window, "EXIT", SIGINT or
// SIGTERM); while paused is set each frame returns at once and the loop rests between events.
extern bool quit;
extern bool paused;

// Per run: the music and the six effects, loaded by Init; an empty handle plays nothing. They live
// in their own namespace because the C library already has a global select().
namespace sfx {
extern Mix_Music* music;      // MUSIC_FILE ("music1.xm" on the desktop), looped for the whole run
extern Mix_Chunk* bam;        // "boom.wav", every explosion
extern Mix_Chunk* gotpowerup; // "powerup.wav", a ship collects a power-up
extern Mix_Chunk* shoot[3];   // "shoot1.wav" .. "shoot3.wav": straight, charge and lightning gun
extern Mix_Chunk* select;     // "selectmove.wav", the menu selection moves
} // namespace sfx

// Plays a chunk once on the first free mixer channel; an empty handle is a silent no-op.
void PlaySound(Mix_Chunk* chunk);

// Brings up the options and the command line, the settings, SDL, the window, the mixer, the drawing
// state, the title menu and the font, in that order. Exits the process with status 1 when no OpenGL
// window can be opened, and with the command line's status when it asks for help, the version or
// holds a mistake. At process exit the high score is saved first, then the sound stops, the mixer
// closes and SDL shuts down, however the program ends after the command line has been read.
void Init(int argc, char** argv, const char* windowname);
// One turn of the main loop: a frame, the rest while paused, then the events.
void LoopTurn();
// The main loop: one frame, then the event queue; returns 1 once quit is set.
int Run();
// Nothing left to do at the end; returns 0.
int Quit();
// Takes the pending SDL events: Escape and the window's close request quit, the pause key (P) and a
// controller's Start pause, F11 and Alt+Enter switch between window and fullscreen (not while a
// replay plays); the controllers' other events go to the input layer.
void HandleEvents();
// Sleeps, looking every few milliseconds, until an event is queued or SIGINT or SIGTERM has asked
// the game to stop: a paused game rests instead of spinning. (SDL_WaitEvent polls the same way in
// SDL 1.2, but a signal would not end its wait.)
void RestUntilEvent();
