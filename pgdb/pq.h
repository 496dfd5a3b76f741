// A small RAII wrapper over libpq, PostgreSQL's client library: a connection, its results, and
// statements with every value bound as text.
#pragma once

#include <libpq-fe.h>

#include <chrono>
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
// Quotes a text of the program's own making for a statement that takes no bound values
// (PREPARE TRANSACTION's name): 'text' with inner quotes doubled.
std::string QuoteText(const std::string& text);

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

// The connection to the server is lost, or being made again (never waited for).
class ServerAway : public PgError {
public:
    using PgError::PgError;
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
    // Where the server allows it the commit has two phases (PREPARE TRANSACTION, then COMMIT
    // PREPARED), so that its outcome is never in doubt: a connection lost before the first
    // phase was answered fails the commit, and the prepared transaction, if it got there, is
    // rolled back as soon as the server is reached again; lost after it, the commit has
    // succeeded (it is durable on the server) and is completed when the server is reached
    // again, before anything else is done on the connection.
    void begin();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return open_; }
    PGconn* handle() const { return conn_; }

    // Looks, without waiting, whether the connection still stands (a server gone or a link cut
    // shows as a closed socket), and takes one short step of making it again when it is lost.
    // True when the server is reached.
    bool probe();
    // The server is not reached now; since when (the system clock) it was first missed.
    bool away() const { return awaySince_.has_value(); }
    std::chrono::system_clock::time_point awaySince() const {
        return awaySince_.value_or(std::chrono::system_clock::time_point{});
    }
    // A commit whose second phase waits for the server.
    bool commitWaiting() const { return !doubt_.empty() && doubtCommits_; }
    // The name the commits' transactions are prepared under (the station's), "kvt_" and it.
    void setCommitName(const std::string& name) { commitName_ = name; }
    // A statement of the session's settings (SET, LISTEN): run now, and again on every
    // connection made after a loss. sessions() counts the connections made so far.
    void keepForSession(const std::string& sql);
    long long sessions() const { return sessions_; }

    // The change feed: records written on this connection are noted by table and key, and
    // published with the transaction (numbered in commit order, the stations woken once it has
    // committed), or at once when written outside one. station: this program's number on the
    // meet, also the connection's name on the server ("kvt station 3", and role after it when
    // given), so that an administrator tells the stations' connections apart.
    void setStation(int station, const std::string& role = "");
    // The feed's number as the station read it under its turn (-1: none): a commit while it is
    // set numbers its changes only when the feed is still there, so that nothing committed
    // between the reading and the commit (a commit left in doubt and completed meanwhile) is
    // written over unread; otherwise the commit fails and waits.
    void expectHead(long long head) { expectedHead_ = head; }
    void noteChange(const std::string& table, long long key);

    // A statement sent without waiting for its answer (its rows unread): its answer is read
    // before the next statement on the connection, or by settle.
    void sendWithoutWaiting(const std::string& sql,
                            const std::vector<Value>& values = {}) noexcept;
    void settle() noexcept;

private:
    void ensureOpen();
    // One bounded, non-blocking step of making the lost connection again; throws ServerAway
    // until it stands.
    void reconnect(std::chrono::milliseconds budget);
    void settleDoubt();
    void lost();
    bool twoPhase();
    void publishChanges();
    // The other stations woken for the feed's number the transaction took (once committed).
    void wakeStations() noexcept;
    const Reach reach_;
    PGconn* conn_ = nullptr;
    std::set<std::pair<std::string, long long>> changes_;
    int station_ = 0;
    bool unanswered_ = false;
    // The feed's number of the open transaction's changes (empty: none taken).
    std::string published_;
    long long expectedHead_ = -1;
    std::vector<std::string> session_;
    long long sessions_ = 1;
    // A connection being made again, and when the next one may be begun.
    PGconn* pending_ = nullptr;
    PostgresPollingStatusType pendingStatus_ = PGRES_POLLING_WRITING;
    std::chrono::steady_clock::time_point nextAttempt_{};
    std::optional<std::chrono::system_clock::time_point> awaySince_;
    // A prepared transaction whose outcome this connection has to settle (rolled back, or with
    // doubtCommits_ committed), and the counter of prepared names.
    std::string doubt_;
    bool doubtCommits_ = false;
    std::string commitName_;
    long long commits_ = 0;
    int twoPhase_ = -1;  // the server allows prepared transactions: -1 not asked yet
    // Statements run with values are prepared once per connection (parsed and planned once).
    std::map<std::string, std::string> prepared_;
    long long preparedCount_ = 0;
    bool open_ = false;
    bool preparing_ = false;
};

}  // namespace kvt::pgdb
