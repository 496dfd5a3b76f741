// A small RAII wrapper over the SQLite C API.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "storage/schema.h"

namespace kvt::meetdb {

class SqliteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// CREATE TABLE with every identifier quoted; Yes/No and Integer fields are INTEGER columns.
std::string CreateTableSql(const storage::TableSpec& table);

// Quotes an identifier for SQL text: "name" with inner quotes doubled.
std::string QuoteIdentifier(const std::string& name);

class Statement;

class Connection {
public:
    enum class Mode { ReadWrite, Create, ReadOnly };
    // Opens an existing file (ReadWrite, ReadOnly) or makes it (Create); throws SqliteError.
    // A connection that writes syncs every commit to the disk, the folder included, before
    // the commit returns, so that a power cut right after it keeps it. vfs names the SQLite
    // file system to use (empty: the system's own). Locking::Exclusive holds the file's lock
    // from the first read until the connection closes (a file no other connection opens
    // meanwhile), which lets a log-ahead journal do without shared memory.
    enum class Locking { Shared, Exclusive };
    Connection(const std::string& path, Mode mode, const std::string& vfs = "",
               Locking locking = Locking::Shared);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void execute(const std::string& sql);
    Statement prepare(const std::string& sql);
    sqlite3* handle() const { return db_; }
    const std::string& path() const { return path_; }

private:
    sqlite3* db_ = nullptr;
    std::string path_;
};

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::optional<std::string>& value);
    Statement& bind(int index, long long value);
    // Steps once; true while a row is there.
    bool step();
    // Runs to the end.
    void run();
    void reset();
    int columnCount() const;
    std::optional<std::string> text(int column) const;
    long long integer(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    void commit();

private:
    Connection& connection_;
    bool done_ = false;
};

}  // namespace kvt::meetdb
