// checks.h -- the queue of runs to check, kept in the database, and the workers that check them by
// running the verifier in a process of its own with limits on its CPU time, memory and output.
#pragma once

#include <string>

#include "database.h"

// Per run: how the checks are made, from the command line.
struct CheckSettings {
    std::string verifier;   // korvel-verify (a landscape run it hands to korvel-verify-landscape)
    std::string levels;     // the folder of the difficulty presets
    int cpuSeconds = 60;    // a check's CPU time: some 1.7 million frames, 3 hours at 144 per second
    int wallSeconds = 120;  // a check's time on the clock (a verifier that waits is stopped too)
    long memoryMb = 512;    // a check's writable memory (RLIMIT_DATA)
    int claimTimeout = 300; // seconds after which a claimed check whose worker died is taken again
                            // (longer than any check may last)
    int maxAttempts = 3;    // checks that did not finish before the run is refused
};

// Per run: the settings every worker uses.
extern CheckSettings checkSettings;

// What one verifier process gave: its JSON verdict, or that it did not finish (killed, crashed,
// unreadable answer), or that it ran out of its time.
struct CheckOutcome {
    std::string output;    // what it printed (at most the output limit)
    bool finished = false; // ended by itself with an answer
    bool outOfTime = false;
};
// Runs the verifier on the replay's bytes (its standard input) under the limits.
CheckOutcome RunVerifier(const std::string& replay);

// Claims the oldest waiting run (or one whose claim timed out) and checks it; false when there
// was none. Safe to call from several threads, processes and machines at once.
bool CheckNextRun(Database& db);
// Starts count worker threads that check runs until the process ends; a submission wakes them.
void StartWorkers(Database& db, int count);
// Wakes a sleeping worker: a run was just queued.
void WakeWorkers();
// Puts the checks this process is making back in the queue (at SIGTERM, before it ends).
void ReleaseClaims(Database& db);
// Runs waiting or being checked now.
long long QueuedRuns(Database& db);
