// checks.cpp -- the check queue and the verifier's process.
#include "checks.h"

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "text.h"

CheckSettings checkSettings;

// The most a verifier may print; beyond it the check is stopped.
static const size_t MAX_OUTPUT = 64 * 1024;
// Open files a verifier may hold: its standard streams and a few of its own; Node, which checks the
// browser's runs, holds some twenty before it reads a file.
static const rlim_t MAX_FILES = 32;
// An idle worker looks at the queue this often (ms), for runs other servers took in.
static const int IDLE_LOOK_MS = 500;

static std::mutex wakeLock;
static std::condition_variable wake;
// The claims of the checks this process is making now.
static std::mutex claimsLock;
static std::set<long long> liveClaims;

static long long Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// In the child, between fork and exec: only async-signal-safe calls.
static void LimitSelf() {
    const rlimit cpu = {static_cast<rlim_t>(checkSettings.cpuSeconds),
                        static_cast<rlim_t>(checkSettings.cpuSeconds + 1)};
    const rlim_t bytes = static_cast<rlim_t>(checkSettings.memoryMb) << 20;
    const rlimit memory = {bytes, bytes}, none = {0, 0}, files = {MAX_FILES, MAX_FILES};
    setrlimit(RLIMIT_CPU, &cpu);
    // Its writable memory rather than its address space: the browser's runs are checked under Node,
    // whose WebAssembly memory reserves gigabytes of address space it never touches.
    setrlimit(RLIMIT_DATA, &memory);
    setrlimit(RLIMIT_FSIZE, &none);
    setrlimit(RLIMIT_CORE, &none);
    setrlimit(RLIMIT_NOFILE, &files);
}

// Reads the child's output until it closes it, the output limit or the deadline.
static std::string ReadOutput(int fd, long long deadline, bool* complete) {
    std::string output;
    char buffer[4096];
    *complete = false;
    while (output.size() <= MAX_OUTPUT) {
        const long long left = deadline - Now();
        pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return output;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) {
            *complete = true;
            return output;
        }
        if (n < 0) return output;
        output.append(buffer, static_cast<size_t>(n));
    }
    return output;
}

CheckOutcome RunVerifier(const std::string& replay) {
    CheckOutcome outcome;
    const int input = memfd_create("replay", MFD_CLOEXEC);
    int pipeFds[2];
    if (input < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (input >= 0) close(input);
        return outcome;
    }
    const bool written = write(input, replay.data(), replay.size()) == static_cast<ssize_t>(replay.size()) &&
                         lseek(input, 0, SEEK_SET) == 0;
    const std::string& program = checkSettings.verifier;
    const std::string& levels = checkSettings.levels;
    const pid_t pid = written ? fork() : -1;
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(input, 0);
        dup2(pipeFds[1], 1);
        dup2(devNull, 2);
        close_range(3, ~0u, 0); // the server's sockets and files stay its own
        LimitSelf();
        execl(program.c_str(), program.c_str(), "--levels", levels.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input);
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return outcome;
    }
    bool complete = false;
    outcome.output = ReadOutput(pipeFds[0], Now() + checkSettings.wallSeconds * 1000LL, &complete);
    close(pipeFds[0]);
    if (!complete) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    const bool killedByLimit = WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU;
    outcome.outOfTime = killedByLimit || (!complete && outcome.output.size() <= MAX_OUTPUT);
    outcome.finished = complete && WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    return outcome;
}

static void Record(Database& db, long long id, long long claim, const nlohmann::json& verdict);

static nlohmann::json Refusal(const std::string& reason) {
    return {{"verdict", "refused"}, {"reason", reason}};
}

// The run's check written, if its claim still holds (a worker that was too slow writes nothing). A
// copy of a verified game is refused (the database's unique index has the last word when two
// copies are checked at once: the later write fails, and the run is checked again).
static void Record(Database& db, long long id, long long claim, const nlohmann::json& verdict) {
    const std::string state = verdict["verdict"];
    if (state == "refused") {
        db.Query("UPDATE runs SET state = 'refused', reason = ?, checked = ? WHERE id = ? AND claim = ?",
                 {verdict["reason"].get<std::string>(), Now(), id, claim});
        return;
    }
    const long long score1 = verdict["score"][0], score2 = verdict["score"][1];
    const std::string digest = verdict["digest"];
    const std::vector<Row> copied =
        db.Query("SELECT id FROM runs WHERE digest = ? AND state = 'verified'", {digest});
    if (!copied.empty()) return Record(db, id, claim, Refusal("the same game as run " + copied[0][0]));
    db.Query(
        "UPDATE runs SET state = 'verified', reason = '', checked = ?, mode = ?, difficulty = ?, version = ?,"
        " score = ?, score1 = ?, score2 = ?, frames = ?, seconds = ?, digest = ? WHERE id = ? AND claim = ?",
        {Now(), verdict["mode"].get<std::string>(), verdict["difficulty"].get<std::string>(),
         verdict["version"].get<std::string>(), score1 + score2, score1, score2,
         verdict["frames"].get<long long>(), std::to_string(verdict["seconds"].get<double>()), digest, id,
         claim});
}

bool CheckNextRun(Database& db) {
    static thread_local std::mt19937_64 random(std::random_device{}());
    const long long claim = static_cast<long long>(random() >> 1), now = Now();
    const std::vector<Row> claimed = db.Query(
        std::string(
            "UPDATE runs SET state = 'checking', claim = ?, claimed = ?, attempts = attempts + 1"
            " WHERE id = (SELECT id FROM runs WHERE state = 'waiting' OR (state = 'checking' AND claimed < ?)"
            " ORDER BY id LIMIT 1") +
            db.SkipLocked() + ") RETURNING id, attempts, replay",
        {claim, now, now - checkSettings.claimTimeout * 1000LL});
    if (claimed.empty()) return false;
    const long long id = std::stoll(claimed[0][0]);
    if (std::stoi(claimed[0][1]) > checkSettings.maxAttempts) {
        Record(
            db, id, claim,
            Refusal("its check did not finish in " + std::to_string(checkSettings.maxAttempts) + " tries"));
        return true;
    }
    {
        std::lock_guard<std::mutex> hold(claimsLock);
        liveClaims.insert(claim);
    }
    const CheckOutcome outcome = RunVerifier(claimed[0][2]);
    {
        std::lock_guard<std::mutex> hold(claimsLock);
        liveClaims.erase(claim);
    }
    const nlohmann::json verdict = outcome.finished ? ReadVerdict(outcome.output) : nlohmann::json();
    if (outcome.outOfTime)
        Record(db, id, claim,
               Refusal("its check takes more than " + std::to_string(checkSettings.cpuSeconds) + " s"));
    else if (!verdict.is_null())
        Record(db, id, claim, verdict);
    else
        // The verifier was killed or crashed: the run waits to be checked again.
        db.Query("UPDATE runs SET state = 'waiting', claimed = 0 WHERE id = ? AND claim = ?", {id, claim});
    return true;
}

static void Work(Database* db) {
    for (;;) {
        bool checked = false;
        try {
            checked = CheckNextRun(*db);
        } catch (const std::exception& error) {
            fprintf(stderr, "korvel-scores: a check failed: %s\n", error.what());
        }
        if (checked) continue;
        std::unique_lock<std::mutex> lock(wakeLock);
        wake.wait_for(lock, std::chrono::milliseconds(IDLE_LOOK_MS));
    }
}

void StartWorkers(Database& db, int count) {
    for (int i = 0; i < count; i++)
        std::thread(Work, &db).detach();
}

void WakeWorkers() {
    wake.notify_one();
}

void ReleaseClaims(Database& db) {
    std::lock_guard<std::mutex> hold(claimsLock);
    for (long long claim : liveClaims)
        db.Query("UPDATE runs SET state = 'waiting', claimed = 0 WHERE claim = ? AND state = 'checking'",
                 {claim});
}

long long QueuedRuns(Database& db) {
    return std::stoll(db.Query("SELECT COUNT(*) FROM runs WHERE state IN ('waiting', 'checking')")[0][0]);
}
