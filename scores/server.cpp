// server.cpp -- the API, the pages and the browser game's files.
#include "server.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unordered_map>

#include "checks.h"
#include "text.h"

using nlohmann::json;

// A table shows the best this many runs, or as many as asked up to the most.
static const int TABLE_ROWS = 10, MOST_TABLE_ROWS = 100;
// A player's page lists this many of their latest runs.
static const int PLAYER_RUNS = 100;
// The browser game's folder: at most this many files are served.
static const size_t MOST_WEB_FILES = 1000;
// Addresses remembered by the rate limit before the stale ones are swept out.
static const size_t MOST_ADDRESSES = 100000;
static const long long MINUTE_MS = 60000;

static long long Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// ---------------------------------------------------------------------------------------------
// Submissions per address per minute

static std::mutex rateLock;
static std::unordered_map<std::string, std::deque<long long>> recentSubmissions;

// 0 when the address may submit now (counted), else the seconds until it may.
static int RateWait(const std::string& address, int perMinute) {
    const long long now = Now();
    std::lock_guard<std::mutex> hold(rateLock);
    if (recentSubmissions.size() > MOST_ADDRESSES)
        for (auto it = recentSubmissions.begin(); it != recentSubmissions.end();)
            it = it->second.back() < now - MINUTE_MS ? recentSubmissions.erase(it) : std::next(it);
    std::deque<long long>& times = recentSubmissions[address];
    while (!times.empty() && times.front() <= now - MINUTE_MS)
        times.pop_front();
    if (static_cast<int>(times.size()) >= perMinute)
        return static_cast<int>((times.front() + MINUTE_MS - now) / 1000) + 1;
    times.push_back(now);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Answers

static std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + EscapeHtml(title) +
           "</title><meta name=\"viewport\" "
           "content=\"width=device-width\"><style>body{font-family:sans-serif;"
           "background:#000;color:#ddd;margin:2em}a{color:#6af}td,th{padding:.2em .8em;text-align:left}"
           "</style></head><body><p><a href=\"/scores\">Scores</a> &middot; <a href=\"/upload\">Send a "
           "run</a>"
           " &middot; <a href=\"/\">Play</a></p><h1>" +
           EscapeHtml(title) + "</h1>\n" + body + "</body></html>\n";
}

// An answer with its reason, as JSON for the API and as a page for the pages.
static void Fail(httplib::Response& res, int status, const std::string& reason, bool html) {
    res.status = status;
    if (html)
        res.set_content(Page("Not taken", "<p>" + EscapeHtml(reason) + "</p>"), "text/html; charset=utf-8");
    else
        res.set_content(json{{"error", reason}}.dump(), "application/json");
}

static void Json(httplib::Response& res, const json& value, int status = 200) {
    res.status = status;
    res.set_content(value.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

static void Html(httplib::Response& res, const std::string& title, const std::string& body) {
    res.set_content(Page(title, body), "text/html; charset=utf-8");
}

static std::string Field(const httplib::Request& req, const char* name) {
    return req.has_file(name) ? req.get_file_value(name).content : "";
}

// A whole number from a request (a path part or a parameter), or -1.
static long long Number(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(text);
}

// ---------------------------------------------------------------------------------------------
// Submitting a run

// The name's owner's secret, if kept; a new secret when the sender asks to keep a free name.
// "" when the run may be taken under the name, else why not.
static std::string TakeName(Database& db, const std::string& name, const std::string& secret, bool keep,
                            std::string* newSecret) {
    const std::vector<Row> kept = db.Query("SELECT secret FROM names WHERE name = ?", {name});
    if (!kept.empty())
        return SameSecret(kept[0][0], secret)
                   ? ""
                   : "the name " + name + " is kept by its first sender; send its secret";
    if (!keep) return "";
    *newSecret = NewSecret();
    if (db.Query(
              "INSERT INTO names (name, secret) VALUES (?, ?) ON CONFLICT (name) DO NOTHING RETURNING name",
              {name, *newSecret})
            .empty())
        return "the name " + name + " was kept just now by someone else";
    return "";
}

static void Submit(Database& db, const ServerSettings& settings, const httplib::Request& req,
                   httplib::Response& res, bool html) {
    const int wait = RateWait(req.remote_addr, settings.submissionsPerMinute);
    if (wait) {
        res.set_header("Retry-After", std::to_string(wait));
        return Fail(
            res, 429,
            "too many runs from this address in a minute; try again in " + std::to_string(wait) + " s", html);
    }
    if (!req.is_multipart_form_data())
        return Fail(res, 400, "send a form (multipart/form-data) with the fields replay and name", html);
    const std::string replay = Field(req, "replay"), name = Field(req, "name"), secret = Field(req, "secret");
    if (replay.empty()) return Fail(res, 400, "the form has no replay file", html);
    if (replay.size() > MAX_REPLAY_BYTES) return Fail(res, 413, "a replay is at most 256 KB", html);
    const std::string problem = NameProblem(name);
    if (!problem.empty()) return Fail(res, 400, problem, html);
    if (QueuedRuns(db) >= settings.queueLimit) {
        res.set_header("Retry-After", "60");
        return Fail(res, 503, "too many runs wait to be checked; try again in a minute", html);
    }
    std::string newSecret;
    const std::string refusal = TakeName(db, name, secret, !Field(req, "keep").empty(), &newSecret);
    if (!refusal.empty()) return Fail(res, 403, refusal, html);
    const std::string id = db.Query("INSERT INTO runs (name, address, submitted, state, replay) VALUES (?, "
                                    "?, ?, 'waiting', ?) RETURNING id",
                                    {name, req.remote_addr, Now(), Param(replay, true)})[0][0];
    WakeWorkers();
    json answer = {
        {"id", std::stoll(id)}, {"state", "waiting"}, {"status", "/api/runs/" + id}, {"page", "/runs/" + id}};
    if (!newSecret.empty()) answer["secret"] = newSecret;
    if (!html) return Json(res, answer, 202);
    res.status = 202;
    std::string body =
        "<p>Run " + id + " waits to be checked: <a href=\"/runs/" + id + "\">see its state</a>.</p>";
    if (!newSecret.empty())
        body += "<p>The name " + EscapeHtml(name) +
                " is now yours. Its secret, shown only this once: <code>" + newSecret +
                "</code>. Send it with every later run under this name.</p>";
    Html(res, "Run taken", body);
}

static const char* const UPLOAD_FORM =
    "<form method=\"post\" action=\"/upload\" enctype=\"multipart/form-data\">"
    "<p><label>Replay file (.korvel-replay, at most 256 KB): <input type=\"file\" name=\"replay\" "
    "required></label></p>"
    "<p><label>Name (1 to 12 characters): <input name=\"name\" maxlength=\"12\" required></label></p>"
    "<p><label>Secret of a kept name: <input name=\"secret\"></label></p>"
    "<p><label><input type=\"checkbox\" name=\"keep\" value=\"1\"> Keep this name for me (a new name "
    "only)</label></p>"
    "<p><button>Send</button></p></form>"
    "<p>The desktop game keeps its recorded games; <code>korvel --replays</code> lists their files.</p>";

// ---------------------------------------------------------------------------------------------
// Runs and tables

static const char* const RUN_COLUMNS =
    "id, name, state, reason, mode, difficulty, version, score, score1, score2, frames, seconds, submitted";

static json RunJson(const Row& r) {
    json run = {{"id", std::stoll(r[0])}, {"name", r[1]}, {"state", r[2]}, {"submitted", std::stoll(r[12])}};
    if (r[2] == "refused") run["reason"] = r[3];
    if (r[2] == "verified")
        run.update({{"mode", r[4]},
                    {"difficulty", r[5]},
                    {"version", r[6]},
                    {"score", std::stoll(r[7])},
                    {"scores", {std::stoll(r[8]), std::stoll(r[9])}},
                    {"frames", std::stoll(r[10])},
                    {"seconds", std::stod(r[11])},
                    {"replay", "/api/runs/" + r[0] + "/replay"}});
    if (r[2] == "checking") run["state"] = "waiting";
    return run;
}

// The table asked for: mode, difficulty, version and count from the query, with defaults.
struct Board {
    std::string mode, difficulty, version;
    int count;
};

static Board AskedBoard(const httplib::Request& req, const ServerSettings& settings) {
    auto value = [&](const char* key, const std::string& fallback) {
        return req.has_param(key) ? req.get_param_value(key) : fallback;
    };
    const long long count = Number(value("count", ""));
    return {value("mode", "1p"), value("difficulty", "normal"), value("version", settings.version),
            count >= 1 && count <= MOST_TABLE_ROWS ? static_cast<int>(count) : TABLE_ROWS};
}

static std::vector<Row> BoardRuns(Database& db, const Board& b) {
    return db.Query(std::string("SELECT ") + RUN_COLUMNS +
                        " FROM runs WHERE state = 'verified' AND mode = ? AND difficulty = ? AND version = ?"
                        " ORDER BY score DESC, id ASC LIMIT ?",
                    {b.mode, b.difficulty, b.version, static_cast<long long>(b.count)});
}

static std::vector<Row> PlayerRuns(Database& db, const std::string& name) {
    return db.Query(std::string("SELECT ") + RUN_COLUMNS +
                        " FROM runs WHERE name = ? ORDER BY id DESC LIMIT ?",
                    {name, static_cast<long long>(PLAYER_RUNS)});
}

static std::vector<Row> Boards(Database& db) {
    return db.Query("SELECT DISTINCT mode, difficulty, version FROM runs WHERE state = 'verified'"
                    " ORDER BY version DESC, mode, difficulty LIMIT 100");
}

static std::string BoardLink(const std::string& mode, const std::string& difficulty,
                             const std::string& version, int count) {
    return "/scores?mode=" + EscapeUrl(mode) + "&amp;difficulty=" + EscapeUrl(difficulty) +
           "&amp;version=" + EscapeUrl(version) + "&amp;count=" + std::to_string(count);
}

static std::string PlayerLink(const std::string& name) {
    return "<a href=\"/scores/player?name=" + EscapeUrl(name) + "\">" + EscapeHtml(name) + "</a>";
}

// Seconds as minutes:seconds.
static std::string Length(const std::string& seconds) {
    const long long s = static_cast<long long>(std::stod(seconds));
    char text[32];
    snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

// The browser game's version ends so: its runs play exactly only in the browser, where their links
// lead to be watched. A desktop run's link downloads its replay, for the desktop game to play.
static const std::string BROWSER_VERSION = "+web";

static bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A verified run's link: "watch" in the game page of its orientation for a browser run when the
// server serves the browser game, else "replay", its file.
static std::string RunLink(const Row& r, bool browserGame) {
    const std::string replay = "/api/runs/" + r[0] + "/replay";
    if (!browserGame || !EndsWith(r[6], BROWSER_VERSION)) return "<a href=\"" + replay + "\">replay</a>";
    const char* page = EndsWith(r[4], "-landscape") ? "/korvel-landscape.html" : "/korvel.html";
    return "<a href=\"" + std::string(page) + "?watch=" + EscapeUrl(replay) + "\">watch</a>";
}

static std::string RunsTable(const std::vector<Row>& rows, bool ranked, bool browserGame) {
    std::string html = "<table><tr><th>" + std::string(ranked ? "#" : "run") +
                       "</th><th>name</th><th>score</th><th>state</th><th>length</th><th></th></tr>\n";
    int rank = 0;
    for (const Row& r : rows) {
        const json run = RunJson(r);
        const std::string state = run["state"];
        html += "<tr><td>" +
                (ranked ? std::to_string(++rank) : "<a href=\"/runs/" + r[0] + "\">" + r[0] + "</a>") +
                "</td><td>" + PlayerLink(r[1]) + "</td><td>" + (state == "verified" ? r[7] : "") +
                "</td><td>" + EscapeHtml(state == "refused" ? "refused: " + r[3] : state) + "</td><td>" +
                (state == "verified" ? Length(r[11]) + "</td><td>" + RunLink(r, browserGame) : "</td><td>") +
                "</td></tr>\n";
    }
    return html + "</table>\n";
}

static void ShowBoard(Database& db, const ServerSettings& settings, bool browserGame,
                      const httplib::Request& req, httplib::Response& res) {
    const Board b = AskedBoard(req, settings);
    std::string body =
        "<p>Every score here is the score the server reached playing the run's replay itself.</p><p>";
    for (const Row& r : Boards(db))
        body += "<a href=\"" + BoardLink(r[0], r[1], r[2], b.count) + "\">" +
                EscapeHtml(r[0] + " " + r[1] + " " + r[2]) + "</a> ";
    body += "</p><p><a href=\"" + BoardLink(b.mode, b.difficulty, b.version, TABLE_ROWS) +
            "\">best ten</a> &middot; <a href=\"" +
            BoardLink(b.mode, b.difficulty, b.version, MOST_TABLE_ROWS) + "\">best hundred</a></p>";
    body += RunsTable(BoardRuns(db, b), true, browserGame);
    Html(res, "Scores: " + b.mode + ", " + b.difficulty + ", version " + b.version, body);
}

// The run of the path's id, or an empty row list.
static std::vector<Row> RunOf(Database& db, const httplib::Request& req) {
    const long long id = Number(req.matches[1]);
    if (id < 0) return {};
    return db.Query(std::string("SELECT ") + RUN_COLUMNS + " FROM runs WHERE id = ?", {id});
}

// ---------------------------------------------------------------------------------------------
// The browser game's files, listed once at start: no path is ever made from a request.

static std::string ContentType(const std::filesystem::path& path) {
    static const std::map<std::string, std::string> TYPES = {{".html", "text/html; charset=utf-8"},
                                                             {".js", "text/javascript"},
                                                             {".wasm", "application/wasm"},
                                                             {".css", "text/css"},
                                                             {".png", "image/png"},
                                                             {".svg", "image/svg+xml"},
                                                             {".ogg", "audio/ogg"},
                                                             {".json", "application/json"},
                                                             {".txt", "text/plain; charset=utf-8"}};
    const auto it = TYPES.find(path.extension().string());
    return it == TYPES.end() ? "application/octet-stream" : it->second;
}

static std::map<std::string, std::filesystem::path> WebFiles(const std::string& folder) {
    std::map<std::string, std::filesystem::path> files;
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) return files;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator() && files.size() < MOST_WEB_FILES;
         it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string url = "/" + std::filesystem::relative(it->path(), folder, error).generic_string();
        files[url] = it->path();
        const std::string index = "index.html";
        if (url.size() >= index.size() && url.compare(url.size() - index.size(), index.size(), index) == 0)
            files[url.substr(0, url.size() - index.size())] = it->path();
    }
    return files;
}

static void ServeFile(const std::filesystem::path& path, httplib::Response& res) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    res.set_content(bytes.str(), ContentType(path).c_str());
}

// ---------------------------------------------------------------------------------------------

void AddRoutes(httplib::Server& http, Database& db, const ServerSettings& settings) {
    using httplib::Request;
    using httplib::Response;
    const auto files = std::make_shared<std::map<std::string, std::filesystem::path>>(WebFiles(settings.web));
    const bool browserGame = files->count("/korvel.html") && files->count("/korvel-landscape.html");
    http.set_payload_max_length(MAX_REQUEST_BYTES);
    http.set_error_handler([](const Request&, Response& res) {
        const std::string reason =
            res.status == 413 ? "a request is at most " + std::to_string(MAX_REQUEST_BYTES / 1024) +
                                    " KB (a replay at most 256 KB)"
                              : "the request cannot be answered (" + std::to_string(res.status) + ")";
        if (res.body.empty()) res.set_content(json{{"error", reason}}.dump(), "application/json");
    });
    http.set_exception_handler([](const Request&, Response& res, std::exception_ptr) {
        res.status = 503;
        res.set_content(json{{"error", "the database cannot answer now; try again"}}.dump(),
                        "application/json");
    });
    http.Post("/api/runs", [&](const Request& req, Response& res) { Submit(db, settings, req, res, false); });
    http.Post("/upload", [&](const Request& req, Response& res) { Submit(db, settings, req, res, true); });
    http.Get("/upload", [](const Request&, Response& res) { Html(res, "Send a run", UPLOAD_FORM); });
    http.Get(R"(/api/runs/(\d+))", [&](const Request& req, Response& res) {
        const std::vector<Row> run = RunOf(db, req);
        run.empty() ? Fail(res, 404, "no such run", false) : Json(res, RunJson(run[0]));
    });
    http.Get(R"(/api/runs/(\d+)/replay)", [&](const Request& req, Response& res) {
        const long long id = Number(req.matches[1]);
        const std::vector<Row> run =
            db.Query("SELECT replay FROM runs WHERE id = ? AND state = 'verified'", {id});
        if (run.empty()) return Fail(res, 404, "no verified run of that number", false);
        res.set_header("Content-Disposition",
                       "attachment; filename=\"korvel-run-" + std::to_string(id) + ".korvel-replay\"");
        res.set_content(run[0][0], "application/octet-stream");
    });
    http.Get("/api/tables", [&](const Request& req, Response& res) {
        const Board b = AskedBoard(req, settings);
        json runs = json::array();
        for (const Row& r : BoardRuns(db, b))
            runs.push_back(RunJson(r));
        json boards = json::array();
        for (const Row& r : Boards(db))
            boards.push_back({{"mode", r[0]}, {"difficulty", r[1]}, {"version", r[2]}});
        Json(res, {{"mode", b.mode},
                   {"difficulty", b.difficulty},
                   {"version", b.version},
                   {"runs", runs},
                   {"tables", boards}});
    });
    http.Get("/api/players", [&](const Request& req, Response& res) {
        json runs = json::array();
        for (const Row& r : PlayerRuns(db, req.get_param_value("name")))
            runs.push_back(RunJson(r));
        Json(res, {{"name", req.get_param_value("name")}, {"runs", runs}});
    });
    // What the browser game's page asks before it offers to send a run here.
    http.Get("/api/status", [&](const Request&, Response& res) {
        Json(res, {{"server", "korvel-scores"}, {"version", settings.version}});
    });
    http.Get("/scores", [&, browserGame](const Request& req, Response& res) {
        ShowBoard(db, settings, browserGame, req, res);
    });
    http.Get("/scores/player", [&, browserGame](const Request& req, Response& res) {
        const std::string name = req.get_param_value("name");
        Html(res, "Runs of " + name, RunsTable(PlayerRuns(db, name), false, browserGame));
    });
    http.Get(R"(/runs/(\d+))", [&, browserGame](const Request& req, Response& res) {
        const std::vector<Row> run = RunOf(db, req);
        if (run.empty()) return Fail(res, 404, "no such run", true);
        Html(res, "Run " + run[0][0], RunsTable(run, false, browserGame));
    });
    http.Get(".*", [files](const Request& req, Response& res) {
        const auto it = files->find(req.path);
        if (it != files->end()) return ServeFile(it->second, res);
        if (req.path == "/") return res.set_redirect("/scores");
        Fail(res, 404, "nothing here", false);
    });
}
