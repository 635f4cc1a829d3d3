// server.h -- korvel-scores' HTTP side: the API, the score pages, the upload page and the browser
// game's files, all from one address.
#pragma once

#include <httplib.h>

#include <string>

#include "database.h"

// Per run: what the HTTP side is told on the command line.
struct ServerSettings {
    std::string web;               // the browser game's folder (build/web), or "" for none
    int submissionsPerMinute = 12; // per address
    long long queueLimit = 1000;   // runs waiting or being checked; beyond it submissions wait (503)
    std::string version;           // the game's version this server checks, the tables' default
};

// The largest replay taken, and the largest request (the replay with its form around it).
constexpr size_t MAX_REPLAY_BYTES = 256 * 1024;
constexpr size_t MAX_REQUEST_BYTES = MAX_REPLAY_BYTES + 16 * 1024;

// Sets up every route of the server on http, answering from db.
void AddRoutes(httplib::Server& http, Database& db, const ServerSettings& settings);
