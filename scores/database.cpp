// database.cpp -- SQLite and PostgreSQL behind Database.
#include "database.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <stdexcept>

// How long an SQLite writer waits for another's lock (ms).
static const int SQLITE_BUSY_MS = 10000;
// PostgreSQL's type of a BYTEA column.
static const Oid BYTEA_OID = 17;
// Held while the tables are created, so that servers starting together do not race.
static const char* const SCHEMA_LOCK = "SELECT pg_advisory_xact_lock(72151)";

// The tables; {ID} and {BLOB} and {REAL} become each database's own types.
static const char* const SCHEMA[] = {
    "CREATE TABLE IF NOT EXISTS runs (id {ID}, name TEXT NOT NULL, address TEXT NOT NULL,"
    " submitted BIGINT NOT NULL, state TEXT NOT NULL, reason TEXT NOT NULL DEFAULT '',"
    " claim BIGINT NOT NULL DEFAULT 0, claimed BIGINT NOT NULL DEFAULT 0,"
    " attempts INTEGER NOT NULL DEFAULT 0, checked BIGINT NOT NULL DEFAULT 0,"
    " mode TEXT NOT NULL DEFAULT '', difficulty TEXT NOT NULL DEFAULT '', version TEXT NOT NULL DEFAULT '',"
    " score BIGINT NOT NULL DEFAULT 0, score1 BIGINT NOT NULL DEFAULT 0, score2 BIGINT NOT NULL DEFAULT 0,"
    " frames BIGINT NOT NULL DEFAULT 0, seconds {REAL} NOT NULL DEFAULT 0, digest TEXT NOT NULL DEFAULT '',"
    " replay {BLOB} NOT NULL)",
    // One verified run per game: a copy of a run (another file of the same game) is refused.
    "CREATE UNIQUE INDEX IF NOT EXISTS runs_game ON runs (digest) WHERE state = 'verified'",
    "CREATE INDEX IF NOT EXISTS runs_table ON runs (state, mode, difficulty, version, score)",
    "CREATE INDEX IF NOT EXISTS runs_name ON runs (name, id)",
    "CREATE TABLE IF NOT EXISTS names (name TEXT PRIMARY KEY, secret TEXT NOT NULL)",
};

static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at; (at = text.find(from)) != std::string::npos;)
        text.replace(at, from.size(), to);
    return text;
}

// ---------------------------------------------------------------------------------------------
// SQLite: a file, a connection per thread (a process opens one database), in WAL mode so that
// readers do not wait for the writer.

class Sqlite : public Database {
  public:
    explicit Sqlite(std::string path) : path_(std::move(path)) { Connection(); }

    std::vector<Row> Query(const std::string& sql, const std::vector<Param>& params) override {
        sqlite3* db = Connection();
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) Fail(db);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(statement, sqlite3_finalize);
        for (size_t i = 0; i < params.size(); i++) {
            const Param& p = params[i];
            const int n = static_cast<int>(i + 1);
            if (p.blob)
                sqlite3_bind_blob(statement, n, p.value.data(), static_cast<int>(p.value.size()),
                                  SQLITE_TRANSIENT);
            else
                sqlite3_bind_text(statement, n, p.value.data(), static_cast<int>(p.value.size()),
                                  SQLITE_TRANSIENT);
        }
        std::vector<Row> rows;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            Row row;
            for (int c = 0; c < sqlite3_column_count(statement); c++) {
                const void* data = sqlite3_column_blob(statement, c);
                row.emplace_back(data ? static_cast<const char*>(data) : "",
                                 static_cast<size_t>(sqlite3_column_bytes(statement, c)));
            }
            rows.push_back(std::move(row));
        }
        if (step != SQLITE_DONE) Fail(db);
        return rows;
    }

    void CreateTables() override {
        for (const char* statement : SCHEMA)
            Query(Replace(Replace(Replace(statement, "{ID}", "INTEGER PRIMARY KEY AUTOINCREMENT"), "{BLOB}",
                                  "BLOB"),
                          "{REAL}", "REAL"),
                  {});
    }

    const char* SkipLocked() const override { return ""; }

  private:
    std::string path_;

    [[noreturn]] static void Fail(sqlite3* db) {
        throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db));
    }

    sqlite3* Connection() {
        struct Closer {
            sqlite3* db = nullptr;
            ~Closer() { sqlite3_close(db); }
        };
        thread_local Closer connection;
        if (connection.db) return connection.db;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(path_.c_str(), &db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string problem = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw std::runtime_error("SQLite: " + path_ + ": " + problem);
        }
        sqlite3_busy_timeout(db, SQLITE_BUSY_MS);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
        return connection.db = db;
    }
};

// ---------------------------------------------------------------------------------------------
// PostgreSQL: a connection per thread; "?" becomes $1, $2 ...

class Postgres : public Database {
  public:
    explicit Postgres(std::string url) : url_(std::move(url)) { Connection(); }

    std::vector<Row> Query(const std::string& sql, const std::vector<Param>& params) override {
        PGconn* conn = Connection();
        std::vector<const char*> values;
        std::vector<int> lengths, formats;
        for (const Param& p : params) {
            values.push_back(p.value.data());
            lengths.push_back(static_cast<int>(p.value.size()));
            formats.push_back(p.blob ? 1 : 0);
        }
        std::unique_ptr<PGresult, void (*)(PGresult*)> result(
            PQexecParams(conn, Numbered(sql).c_str(), static_cast<int>(params.size()), nullptr, values.data(),
                         lengths.data(), formats.data(), 0),
            PQclear);
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            const std::string problem = PQerrorMessage(conn);
            if (PQstatus(conn) != CONNECTION_OK) PQreset(conn);
            throw std::runtime_error("PostgreSQL: " + problem);
        }
        std::vector<Row> rows(static_cast<size_t>(PQntuples(result.get())));
        for (int r = 0; r < PQntuples(result.get()); r++)
            for (int c = 0; c < PQnfields(result.get()); c++)
                rows[r].push_back(Field(result.get(), r, c));
        return rows;
    }

    void CreateTables() override {
        std::string script =
            std::string("BEGIN; SET LOCAL client_min_messages = warning; ") + SCHEMA_LOCK + "; ";
        for (const char* statement : SCHEMA)
            script += Replace(Replace(Replace(statement, "{ID}", "BIGSERIAL PRIMARY KEY"), "{BLOB}", "BYTEA"),
                              "{REAL}", "DOUBLE PRECISION") +
                      "; ";
        std::unique_ptr<PGresult, void (*)(PGresult*)> result(
            PQexec(Connection(), (script + "COMMIT").c_str()), PQclear);
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(Connection()));
    }

    const char* SkipLocked() const override { return " FOR UPDATE SKIP LOCKED"; }

  private:
    std::string url_;

    static std::string Numbered(const std::string& sql) {
        std::string out;
        int n = 0;
        for (char c : sql)
            out += c == '?' ? "$" + std::to_string(++n) : std::string(1, c);
        return out;
    }

    // A text-format field; a BYTEA comes as "\x" and hex digits.
    static std::string Field(const PGresult* result, int r, int c) {
        const std::string text(PQgetvalue(result, r, c), static_cast<size_t>(PQgetlength(result, r, c)));
        if (PQftype(result, c) != BYTEA_OID || text.compare(0, 2, "\\x") != 0) return text;
        std::string bytes;
        for (size_t i = 2; i + 1 < text.size(); i += 2)
            bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
        return bytes;
    }

    PGconn* Connection() {
        struct Closer {
            PGconn* conn = nullptr;
            ~Closer() { PQfinish(conn); }
        };
        thread_local Closer connection;
        if (connection.conn) return connection.conn;
        PGconn* conn = PQconnectdb(url_.c_str());
        if (PQstatus(conn) != CONNECTION_OK) {
            const std::string problem = PQerrorMessage(conn);
            PQfinish(conn);
            throw std::runtime_error("PostgreSQL: " + problem);
        }
        return connection.conn = conn;
    }
};

std::unique_ptr<Database> OpenDatabase(const std::string& where) {
    if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0)
        return std::make_unique<Postgres>(where);
    return std::make_unique<Sqlite>(where);
}
