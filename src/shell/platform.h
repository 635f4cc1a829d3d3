// platform.h -- what differs between the desktop game and the browser's, behind a few names; the
// build picks one file that defines them (platform_desktop.cpp or platform_web.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "input.h"

// The music's file in the data folder: the tracker module on the desktop, the tune rendered from it
// on the browser, which cannot play a module.
extern const char* const MUSIC_FILE;
// The font texture's wrap mode and internal format: OpenGL 1.1's GL_CLAMP and 2 (two components) on
// the desktop; WebGL knows neither, and takes GL_CLAMP_TO_EDGE and GL_LUMINANCE_ALPHA.
extern const int FONT_WRAP;
extern const int FONT_INTERNAL_FORMAT;

// Whether this is the browser's game: its arithmetic (musl's, in WebAssembly) differs from the
// desktop's, so its replays are marked as its own, and it plays back only its own.
extern const bool BROWSER_GAME;
// The replay file's compression in zlib's format (at its best) and its CRC-32: zlib's own on the
// desktop, pako's (a JavaScript port of zlib) in the browser, which has no zlib.
std::string Deflate(const std::string& raw);
// Whether packed inflates to exactly rawSize bytes, then held in raw; never makes more than rawSize.
bool Inflate(const std::string& packed, size_t rawSize, std::string& raw);
uint32_t Crc32(const char* bytes, size_t size);
// The controllers' buttons as the platform's own SDL library numbers them, without a mapping of
// its own.
extern const PadButtons PLATFORM_PAD_BUTTONS;

// Called after the game has written a save or a setting: the browser keeps its files in its own
// storage; the desktop's are on disk already.
void SavesWritten();
// Called once a run has entered the score table under the name typed for it, with its replay's
// file (a path, or "" when it has none): the browser's page offers to send it to the score server
// the page came from; the desktop's player sends a replay file from the server's upload page.
void RunEnteredTable(const std::string& name, int score, const std::string& replayPath);
// The options screen's picture page: the desktop's window takes a scale, smoothing and v-sync; the
// browser's canvas only goes fullscreen.
extern const bool WINDOW_CHOICES;
