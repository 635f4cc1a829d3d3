// files.cpp -- the game's file locations and durable saves.
#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "orientation.h"

// Where the data folder stands relative to the folder of an installed program (set by the build
// from the install layout, "../share/games/korvel").
static const char* const DATA_FROM_PROGRAM = KORVEL_DATA_FROM_BIN;
// The game's own folder inside each XDG base folder.
static const char* const GAME_FOLDER = "/korvel/";
// What the landscape game's own saves add to their names.
static const char* const LANDSCAPE_SUFFIX = "-landscape";
// A saved file's mode before the creation mask, and the end of its temporary names (mkstemp fills
// in the Xs).
static const mode_t SAVED_MODE = 0644;
static const char* const TEMP_SUFFIX = ".XXXXXX";

// Per run: whether the data folder has been looked for yet, and what was found (empty: not installed).
static bool dataFolderKnown = false;
static std::string dataFolder;

void FindInstalledDataFolder(const std::string& program) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path candidate = (fs::path(program).parent_path() / DATA_FROM_PROGRAM).lexically_normal();
    // Only a program whose own place is known can be installed.
    dataFolder = candidate.is_absolute() && fs::is_directory(candidate, error) ? candidate.string() : "";
    dataFolderKnown = true;
}

const std::string& InstalledDataFolder() {
    if (!dataFolderKnown) {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        FindInstalledDataFolder(error ? "" : program.string());
    }
    return dataFolder;
}

static bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// Not installed, every file is in the working folder; installed, those that are there.
static bool InWorkingFolder(const char* name) {
    return InstalledDataFolder().empty() || Exists(name);
}

// name in the game's folder of an XDG base folder: $variable when it is an absolute path, else
// $HOME/fallback. Empty when neither names a folder.
static std::string InXdgFolder(const char* variable, const char* fallback, const char* name) {
    const char* value = getenv(variable);
    if (value && value[0] == '/') return value + std::string(GAME_FOLDER) + name;
    const char* home = getenv("HOME");
    if (home && home[0] == '/') return home + std::string("/") + fallback + GAME_FOLDER + name;
    return "";
}

std::string DataFile(const char* name) {
    return InWorkingFolder(name) ? name : InstalledDataFolder() + "/" + name;
}

std::string SaveFile(const char* name) {
    return InWorkingFolder(name) ? name : InXdgFolder("XDG_DATA_HOME", ".local/share", name);
}

std::string UserDataFile(const char* name) {
    return InXdgFolder("XDG_DATA_HOME", ".local/share", name);
}

std::string OwnSaveName(const char* name) {
    std::string own = name;
    if (LANDSCAPE) own.insert(std::min(own.rfind('.'), own.size()), LANDSCAPE_SUFFIX);
    return own;
}

std::string SaveToRead(const char* name, bool* adopted) {
    const std::string own = SaveFile(OwnSaveName(name).c_str());
    const std::string shared = SaveFile(name);
    const bool adopt = own != shared && !Exists(own) && !shared.empty() && Exists(shared);
    if (adopted) *adopted = adopt;
    return adopt ? shared : own;
}

std::string ConfigFile(const char* name) {
    if (InWorkingFolder(name)) return name;
    const std::string own = UserConfigFile(name);
    return !own.empty() && Exists(own) ? own : InstalledDataFolder() + "/" + name;
}

std::string UserConfigFile(const char* name) {
    return InWorkingFolder(name) ? name : InXdgFolder("XDG_CONFIG_HOME", ".config", name);
}

// The folder holding path ("." for a bare name).
static std::string Folder(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string SaveProblem(const char* name) {
    const std::string path = SaveFile(name);
    if (path.empty()) return "no home folder (neither XDG_DATA_HOME nor HOME is set to one)";
    // The nearest folder that exists must be one the game may write in: the rest it makes.
    std::string folder = Folder(path);
    while (!Exists(folder) && folder != "/" && folder != ".")
        folder = Folder(folder);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return folder + ": " + strerror(errno);
    if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return "cannot write in " + (folder == "." ? "the working folder" : folder) + ": " + strerror(errno);
    return "";
}

// Writes all of text to fd; false on any error.
static bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Flushes a folder's entries (the rename) to the disk.
static void SyncFolder(const std::string& path) {
    int fd = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Makes a folder and the missing ones above it, readable by the player alone (as XDG asks).
static bool MakeFolders(const std::string& folder) {
    if (Exists(folder) || folder == "/" || folder == ".") return true;
    return MakeFolders(Folder(folder)) && (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST);
}

// The process's file-creation mask, as the kernel tells it (the usual 022 where it does not).
// Asking umask itself would change the mask for a moment.
static mode_t CreationMask() {
    unsigned mask = 022;
    FILE* f = fopen("/proc/self/status", "r");
    if (!f) return mask;
    char line[128];
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "Umask: %o", &mask) == 1) break;
    fclose(f);
    return mask;
}

bool WriteFileDurably(const std::string& path, const std::string& text) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!MakeFolders(Folder(path))) return false;
    // A temporary name of this write's own: two games saving at once never share one.
    std::string temp = path + TEMP_SUFFIX;
    int fd = mkstemp(&temp[0]);
    if (fd < 0) return false;
    bool ok = fchmod(fd, SAVED_MODE & ~CreationMask()) == 0;
    ok = ok && WriteAll(fd, text);
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        remove(temp.c_str());
        errno = error;
        return false;
    }
    SyncFolder(path);
    return true;
}

int ReadBounded(const std::string& path, size_t limit, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat info;
    int error = fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
    text.resize(limit);
    size_t got = 0;
    while (!error && got < limit) {
        const ssize_t n = read(fd, &text[got], limit - got);
        if (n < 0 && errno != EINTR) error = errno;
        if (n == 0) break;
        if (n > 0) got += static_cast<size_t>(n);
    }
    text.resize(got);
    close(fd);
    return error;
}
