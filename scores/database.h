// database.h -- the server's SQL on SQLite or PostgreSQL: bound parameters only, one connection per
// thread, the same statements on both (written with "?" for each parameter).
#pragma once

#include <memory>
#include <string>
#include <vector>

// A parameter: text, or bytes bound as a blob (BYTEA on PostgreSQL).
struct Param {
    std::string value;
    bool blob = false;
    Param(std::string v, bool isBlob = false) : value(std::move(v)), blob(isBlob) {}
    Param(const char* v) : value(v) {}
    Param(long long v) : value(std::to_string(v)) {}
};

// A result row: each column as text (blobs as their bytes); NULL as "".
using Row = std::vector<std::string>;

class Database {
  public:
    virtual ~Database() = default;
    // Runs one statement with its parameters; the rows it returns. Throws std::runtime_error when the
    // database fails (the request or the check that ran it then fails, and nothing is half-written).
    virtual std::vector<Row> Query(const std::string& sql, const std::vector<Param>& params = {}) = 0;
    // Creates the tables unless they are there (several servers starting at once agree).
    virtual void CreateTables() = 0;
    // The claim's lock clause ("FOR UPDATE SKIP LOCKED" on PostgreSQL, where several servers claim at
    // once; "" on SQLite, whose writes are one at a time).
    virtual const char* SkipLocked() const = 0;
};

// "postgresql://..." (or "postgres://...") opens PostgreSQL, anything else is an SQLite file.
// Throws std::runtime_error when the database cannot be opened.
std::unique_ptr<Database> OpenDatabase(const std::string& where);
