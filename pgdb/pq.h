// A small RAII wrapper over libpq, PostgreSQL's client library: a connection, its results, and
// statements with every value bound as text.
#pragma once

#include <libpq-fe.h>

#include <map>
#include <memory>
#include <set>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvt::pgdb {

class PgError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Quotes an identifier for SQL text: "name" with inner quotes doubled.
std::string QuoteName(const std::string& name);

using Value = std::optional<std::string>;

// The rows a statement gave back.
class Result {
public:
    explicit Result(PGresult* result) : result_(result, PQclear) {}
    int rows() const { return PQntuples(result_.get()); }
    int columns() const { return PQnfields(result_.get()); }
    Value value(int row, int column) const {
        if (PQgetisnull(result_.get(), row, column)) return std::nullopt;
        return std::string(PQgetvalue(result_.get(), row, column),
                           static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
    }
    long long integer(int row, int column) const;

private:
    std::unique_ptr<PGresult, void (*)(PGresult*)> result_;
};

// How a server is reached: a libpq address (a postgresql:// URI without a password, or a
// "key=value" text) and the password, kept apart so that the address alone can be shown.
struct Reach {
    std::string address;
    std::string password;
};

class PgConnection {
public:
    // Connects, within a few seconds; throws PgError when it cannot.
    explicit PgConnection(const Reach& reach);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs a statement with the values bound as $1, $2, ...; throws PgError when it fails.
    // A connection that was lost is made again first, unless a transaction is open on it
    // (the transaction is lost with it: the statement fails).
    Result run(const std::string& sql, const std::vector<Value>& values = {});
    // Statements without values, one after another (no rows given back).
    void execute(const std::string& sql);
    // Sends rows to COPY ... FROM STDIN (text format) for the statement given.
    void copyIn(const std::string& copySql, const std::vector<std::vector<Value>>& rows);
    // A transaction: begun, then committed or rolled back. While one is open a lost
    // connection is not made again (what was written in it is gone): every statement fails
    // until it is rolled back.
    void begin();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return open_; }
    PGconn* handle() const { return conn_; }

    // The change feed: records written on this connection are noted by table and key, and
    // published with the transaction (numbered in commit order, the stations woken after
    // it), or at once when written outside one. station: this program's number on the meet.
    void setStation(int station) { station_ = station; }
    void noteChange(const std::string& table, long long key);

    // A statement sent without waiting for its answer (no values, its rows unread): its answer
    // is read before the next statement on the connection, or by settle.
    void sendWithoutWaiting(const std::string& sql) noexcept;
    void settle() noexcept;

private:
    void ensureOpen();
    void publishChanges();
    PGconn* conn_ = nullptr;
    std::set<std::pair<std::string, long long>> changes_;
    int station_ = 0;
    bool unanswered_ = false;
    // Statements run with values are prepared once per connection (parsed and planned once).
    std::map<std::string, std::string> prepared_;
    long long preparedCount_ = 0;
    bool open_ = false;
};

}  // namespace kvt::pgdb
