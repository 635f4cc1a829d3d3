// files.cpp -- the game's file locations and durable saves.
#include "files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

std::string DataFile(const char* name) {
    return name;
}

std::string SaveFile(const char* name) {
    return name;
}

std::string ConfigFile(const char* name) {
    return name;
}

std::string UserConfigFile(const char* name) {
    return name;
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
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool WriteFileDurably(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text);
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        remove(temp.c_str());
        return false;
    }
    SyncFolder(path);
    return true;
}
