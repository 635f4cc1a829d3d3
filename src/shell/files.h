// files.h -- where the game finds its files, and how a saved file reaches the disk whole.
#pragma once

#include <string>

// The path of a file that ships with the game: the font, the music, the sounds.
std::string DataFile(const char* name);
// The path of a file the game keeps between runs and writes itself: "highscore.txt".
std::string SaveFile(const char* name);
// The path of a file a player may edit, to read: "level.txt".
std::string ConfigFile(const char* name);
// Where the player's own copy of such a file is written.
std::string UserConfigFile(const char* name);

// Replaces the file at path with text: written to a temporary file beside it, flushed to the
// disk, renamed over it, and the folder flushed, so a crash or power cut at any moment leaves
// either the old file or the new one, whole. False, with the old file untouched, when a step fails.
bool WriteFileDurably(const std::string& path, const std::string& text);
