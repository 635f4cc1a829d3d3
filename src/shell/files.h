// files.h -- where the game finds its files, and how a saved file reaches the disk whole.
//
// Not installed (the build's run folder, or any copy of the programs), every file lives in the
// working folder. Installed (the data folder found beside the program), a file that is in the working
// folder is still used from there; any other comes from the installed data folder, or from the
// player's XDG folders: saves in $XDG_DATA_HOME/korvel, own settings in $XDG_CONFIG_HOME/korvel.
#pragma once

#include <string>

// The path of a file that ships with the game: the font, the music, the sounds.
std::string DataFile(const char* name);
// The path of a file the game keeps between runs and writes itself: "highscore.txt". Empty when the
// game is installed and the player has no home folder to save in.
std::string SaveFile(const char* name);
// The path of a file a player may edit, to read: "level.txt". Installed, the player's own copy if there
// is one, else the installed default.
std::string ConfigFile(const char* name);
// Where the player's own copy of such a file is written (empty without a home folder).
std::string UserConfigFile(const char* name);
// Where the player's own save of that name is kept, installed or not: "$XDG_DATA_HOME/korvel/name"
// (empty without a home folder).
std::string UserDataFile(const char* name);

// The name this program gives its own save of a kind: name itself in the portrait game, and in the
// landscape game "-landscape" before the extension ("highscore-landscape.txt"), so the two programs
// keep their own high score and options in the folders they share.
std::string OwnSaveName(const char* name);
// Where this program reads its save of a kind (name as the portrait game calls it) at start-up: its
// own (SaveFile(OwnSaveName(name))); or, while the landscape game has none yet, the one both
// programs shared before each had its own (SaveFile(name)), when there is one: *adopted (when
// given) says so. Its first save then writes its own, and the shared file stays the portrait game's.
std::string SaveToRead(const char* name, bool* adopted = nullptr);

// Per run: the installed game's data folder ("<prefix>/share/games/korvel", found from the program's
// own place on first use), or empty when the program is not installed.
const std::string& InstalledDataFolder();
// Looks for the data folder again, as for a program at the given path (tests pretend an installation).
void FindInstalledDataFolder(const std::string& program);

// Why a file cannot be saved at SaveFile(name), in words for the player: no home folder, or a folder
// that is not one or cannot be written. Empty when the save can be made (its folder may still be
// missing: WriteFileDurably makes it).
std::string SaveProblem(const char* name);

// Replaces the file at path with text: written to a temporary file of this write's own beside it
// (mode 0644 less the creation mask), flushed to the disk, renamed over it, and the folder flushed,
// so a crash or power cut at any moment leaves either the old file or the new one, whole, and two
// programs saving at once leave one of their files. Missing folders above it are made first,
// private to the player. False, with errno set, the old file untouched and the temporary file
// removed, when a step fails.
bool WriteFileDurably(const std::string& path, const std::string& text);
// Reads up to limit bytes of the file at path into text; 0, or the error number. Only a plain file
// is read: a folder, a pipe or a device gives EINVAL, without waiting for a writer.
int ReadBounded(const std::string& path, size_t limit, std::string& text);
