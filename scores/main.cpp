// main.cpp -- korvel-scores: the score server. Takes runs (replays), checks each by playing it with
// the game's own code in a verifier process, and keeps the tables of verified scores.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "checks.h"
#include "database.h"
#include "server.h"

static const char* const USAGE =
    "usage: korvel-scores [OPTION]...\n"
    "The Korvel score server: takes runs, checks each by playing its replay, keeps the tables.\n\n"
    "  --database WHERE    an SQLite file, or postgresql://... (default scores.sqlite)\n"
    "  --listen ADDRESS    the address to listen on (default 127.0.0.1)\n"
    "  --port N            the port (default 8080)\n"
    "  --web DIR           serve the browser game from DIR (build/web)\n"
    "  --levels DIR        the difficulty presets (default: levels beside the verifier)\n"
    "  --verifier PATH     the verifier program (default: korvel-verify beside this program)\n"
    "  --workers N         checks run at once by this process (default: the processor count)\n"
    "  --no-http           only check runs (a worker for a shared PostgreSQL database)\n"
    "  --submissions-per-minute N   per address (default 12)\n"
    "  --queue N           the most runs waiting to be checked (default 1000)\n"
    "  --claim-timeout S   seconds before a check whose worker died is taken again (default 300)\n";

// The folder this program is in, with its trailing slash.
static std::string OwnFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : "";
    return self.substr(0, self.rfind('/') + 1);
}

// Per run: the command line.
struct Options {
    std::string database = "scores.sqlite", listen = "127.0.0.1";
    int port = 8080, workers = static_cast<int>(std::thread::hardware_concurrency());
    bool http = true;
};

// Reads the command line into options and the two settings; false (after a message) on a mistake.
static bool ReadOptions(int argc, char** argv, Options* o, ServerSettings* s) {
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto number = [&](int* to) { return value && (*to = atoi(value)) >= 0 && ++i; };
        bool ok = true;
        if (arg == "--no-http")
            o->http = false;
        else if (arg == "--help")
            return fputs(USAGE, stdout), exit(0), false;
        else if (!value)
            ok = false;
        else if (arg == "--database")
            o->database = argv[++i];
        else if (arg == "--listen")
            o->listen = argv[++i];
        else if (arg == "--web")
            s->web = argv[++i];
        else if (arg == "--levels")
            checkSettings.levels = argv[++i];
        else if (arg == "--verifier")
            checkSettings.verifier = argv[++i];
        else if (arg == "--port")
            ok = number(&o->port);
        else if (arg == "--workers")
            ok = number(&o->workers);
        else if (arg == "--submissions-per-minute")
            ok = number(&s->submissionsPerMinute);
        else if (arg == "--claim-timeout")
            ok = number(&checkSettings.claimTimeout);
        else if (arg == "--queue") {
            int queue = 0;
            ok = number(&queue);
            s->queueLimit = queue;
        } else
            ok = false;
        if (!ok) {
            fprintf(stderr, "korvel-scores: cannot use '%s'\n%s", arg.c_str(), USAGE);
            return false;
        }
    }
    return true;
}

// Waits for SIGTERM or SIGINT; then stops answering, puts this process's checks back in the queue
// for another worker, and ends at once (the verifiers it started end with their output pipes).
static void StopOnSignal(sigset_t signals, Database* db, httplib::Server* http) {
    int number = 0;
    sigwait(&signals, &number);
    http->stop();
    try {
        ReleaseClaims(*db);
    } catch (const std::exception& error) {
        fprintf(stderr, "korvel-scores: %s\n", error.what());
    }
    _exit(0);
}

int main(int argc, char** argv) {
    if (geteuid() == 0) {
        fputs("korvel-scores: refusing to run as root; run it as a user of its own (see packaging/)\n",
              stderr);
        return 1;
    }
    Options options;
    ServerSettings settings;
    settings.version = KORVEL_VERSION;
    checkSettings.verifier = OwnFolder() + "korvel-verify";
    checkSettings.levels = OwnFolder() + "levels";
    if (!ReadOptions(argc, argv, &options, &settings)) return 2;
    signal(SIGPIPE, SIG_IGN);
    // SIGTERM and SIGINT are taken by a thread of their own (below), never by the others.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::unique_ptr<Database> db;
    try {
        db = OpenDatabase(options.database);
        db->CreateTables();
    } catch (const std::exception& error) {
        fprintf(stderr, "korvel-scores: %s\n", error.what());
        return 1;
    }
    httplib::Server http;
    std::thread(StopOnSignal, stopSignals, db.get(), &http).detach();
    StartWorkers(*db, options.workers);
    if (!options.http) {
        printf("korvel-scores: checking runs with %d workers\n", options.workers);
        fflush(stdout);
        for (;;)
            pause();
    }
    AddRoutes(http, *db, settings);
    if (!http.bind_to_port(options.listen.c_str(), options.port)) {
        fprintf(stderr, "korvel-scores: cannot listen on %s port %d\n", options.listen.c_str(), options.port);
        return 1;
    }
    printf("korvel-scores: http://%s:%d/ (%d workers)\n", options.listen.c_str(), options.port,
           options.workers);
    fflush(stdout);
    return http.listen_after_bind() ? 0 : 1;
}
