#include "pgdb/pq.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>

namespace kvt::pgdb {

namespace {

using Clock = std::chrono::steady_clock;
// How long one step of making a lost connection again may take on the window's thread, and
// how long after a failed attempt the next one begins.
constexpr auto ReconnectStep = std::chrono::milliseconds(100);
constexpr auto ReconnectPause = std::chrono::milliseconds(500);

// The connection's parameters: the address (expand_dbname: it may carry host, port, user and
// database), the password, and keepalives with a bound on unanswered sends, so that a link
// that goes quiet is found broken within seconds rather than minutes.
struct Params {
    explicit Params(const Reach& reach) {
        values = {reach.address.c_str(), reach.password.c_str(), "3", "kvt", "1", "2", "1",
                  "2", "4000", nullptr};
    }
    const char* keys[11] = {"dbname",          "password",           "connect_timeout",
                            "application_name", "keepalives",        "keepalives_idle",
                            "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                            nullptr};
    std::vector<const char*> values;
};

// The session's settings on every connection: notices above warnings only; the server's side
// of the same keepalives, so that a station whose link is gone lets go of the locks and the
// turn it held within seconds rather than hours; and a bound on waiting for a lock, so that a
// commit held up by one that another station left prepared when its link broke fails (and
// waits in the meet) instead of freezing the window.
constexpr const char* SessionSettings =
    "SET client_min_messages = warning; SET tcp_keepalives_idle = 2; "
    "SET tcp_keepalives_interval = 1; SET tcp_keepalives_count = 2; "
    "SET tcp_user_timeout = 4000; SET lock_timeout = '3s'";

PGconn* Connect(const Reach& reach) {
    Params params(reach);
    PGconn* conn = PQconnectdbParams(params.keys, params.values.data(), 1);
    if (!conn) throw PgError("out of memory");
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string message = PQerrorMessage(conn);
        PQfinish(conn);
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        throw PgError(message);
    }
    return conn;
}

std::string Trimmed(const char* text) {
    std::string message = text ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

// A value in COPY's text format: backslash, tab, newline and carriage return escaped.
void AppendCopyValue(std::string& line, const Value& value) {
    if (!value) {
        line += "\\N";
        return;
    }
    for (char ch : *value) {
        switch (ch) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += ch;
        }
    }
}

}  // namespace

std::string QuoteText(const std::string& text) {
    std::string quoted = "'";
    for (char ch : text) {
        if (ch == '\'') quoted += '\'';
        quoted += ch;
    }
    return quoted + "'";
}

std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char ch : name) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    return quoted + "\"";
}

long long Result::integer(int row, int column) const {
    const Value text = value(row, column);
    return text ? std::strtoll(text->c_str(), nullptr, 10) : 0;
}

PgConnection::PgConnection(const Reach& reach) : reach_(reach), conn_(Connect(reach)) {
    std::random_device random;
    char name[40];
    std::snprintf(name, sizeof name, "%08x%08x", random(), random());
    commitName_ = name;
    execute(SessionSettings);
}

PgConnection::~PgConnection() {
    // A commit whose second phase waits is completed (or one reported failed rolled back)
    // before the program lets go of the server: a prepared transaction left behind would hold
    // its records from every other station. A server still away is tried for a short while.
    for (int attempt = 0; attempt < 20 && !open_ && !doubt_.empty(); ++attempt) {
        try {
            ensureOpen();
        } catch (const PgError&) {
            ::poll(nullptr, 0, 100);
        }
    }
    if (pending_) PQfinish(pending_);
    PQfinish(conn_);
}

void PgConnection::sendWithoutWaiting(const std::string& sql,
                                      const std::vector<Value>& values) noexcept {
    settle();
    if (PQstatus(conn_) != CONNECTION_OK || awaySince_) return;
    std::vector<const char*> params;
    for (const Value& value : values) params.push_back(value ? value->c_str() : nullptr);
    unanswered_ = PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr,
                                    params.data(), nullptr, nullptr, 0) == 1;
}

void PgConnection::settle() noexcept {
    if (!unanswered_) return;
    unanswered_ = false;
    while (PGresult* result = PQgetResult(conn_)) PQclear(result);
}

void PgConnection::keepForSession(const std::string& sql) {
    execute(sql);
    session_.push_back(sql);
}

void PgConnection::setStation(int station, const std::string& role) {
    station_ = station;
    // Kept for the session first: a server away now is told the name when it is reached again.
    session_.push_back("SET application_name = 'kvt station " + std::to_string(station) +
                       (role.empty() ? "" : " " + role) + "'");
    try {
        execute(session_.back());
    } catch (const PgError&) {
    }
}

void PgConnection::lost() {
    if (!awaySince_) awaySince_ = std::chrono::system_clock::now();
}

void PgConnection::ensureOpen() {
    settle();
    if (PQstatus(conn_) == CONNECTION_OK && !awaySince_) {
        if (!doubt_.empty() && !open_) settleDoubt();
        return;
    }
    lost();
    if (open_) throw ServerAway("the connection to the server was lost");
    reconnect(ReconnectStep);
}

bool PgConnection::probe() {
    if (!awaySince_ && PQstatus(conn_) == CONNECTION_OK) {
        // Reads what has come without waiting: a closed socket shows as a failure.
        if (!open_ && PQconsumeInput(conn_) == 1 && PQstatus(conn_) == CONNECTION_OK) return true;
        if (PQstatus(conn_) == CONNECTION_OK) return true;
    }
    lost();
    if (open_) return false;
    try {
        reconnect(std::chrono::milliseconds(0));
    } catch (const PgError&) {
        return false;
    }
    return true;
}

void PgConnection::reconnect(std::chrono::milliseconds budget) {
    const auto now = Clock::now();
    if (!pending_) {
        if (now < nextAttempt_)
            throw ServerAway("the server is not reached: " + Trimmed(PQerrorMessage(conn_)));
        Params params(reach_);
        pending_ = PQconnectStartParams(params.keys, params.values.data(), 1);
        pendingStatus_ = PGRES_POLLING_WRITING;
        if (!pending_ || PQstatus(pending_) == CONNECTION_BAD) {
            if (pending_) PQfinish(pending_);
            pending_ = nullptr;
            nextAttempt_ = now + ReconnectPause;
            throw ServerAway("the server is not reached");
        }
    }
    // Steps of the connection, each when its socket is ready, for a short while at most; an
    // attempt not done by then goes on at the next call.
    const auto deadline = now + budget;
    while (pendingStatus_ != PGRES_POLLING_OK) {
        if (pendingStatus_ == PGRES_POLLING_FAILED) {
            const std::string message = Trimmed(PQerrorMessage(pending_));
            PQfinish(pending_);
            pending_ = nullptr;
            nextAttempt_ = Clock::now() + ReconnectPause;
            throw ServerAway("the server is not reached: " + message);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd wait{PQsocket(pending_),
                    static_cast<short>(pendingStatus_ == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                    0};
        if (::poll(&wait, 1, static_cast<int>(std::max<long long>(0, left.count()))) == 0) {
            if (left.count() <= 0) throw ServerAway("the server is being reached again");
            continue;
        }
        pendingStatus_ = PQconnectPoll(pending_);
    }
    PQfinish(conn_);
    conn_ = pending_;
    pending_ = nullptr;
    prepared_.clear();  // a new session knows none of them
    twoPhase_ = -1;
    awaySince_.reset();
    ++sessions_;
    try {
        execute(SessionSettings);
        for (const auto& sql : session_) execute(sql);
        settleDoubt();
    } catch (const PgError&) {
        lost();
        throw;
    }
}

// The prepared transaction of a commit whose answer was lost: rolled back when the commit was
// reported failed, committed when it was reported done; gone already when the server never
// prepared it (or finished it before the connection broke).
void PgConnection::settleDoubt() {
    if (doubt_.empty()) return;
    const std::string gid = std::exchange(doubt_, std::string());
    try {
        const Result found = run("SELECT 1 FROM pg_prepared_xacts WHERE \"gid\" = $1", {gid});
        if (found.rows() > 0)
            execute((doubtCommits_ ? "COMMIT PREPARED " : "ROLLBACK PREPARED ") + QuoteText(gid));
    } catch (...) {
        doubt_ = gid;
        throw;
    }
}

bool PgConnection::twoPhase() {
    if (twoPhase_ < 0) {
        const Result allowed = run("SELECT current_setting('max_prepared_transactions')::int > 0");
        twoPhase_ = allowed.value(0, 0) == Value("t") ? 1 : 0;
    }
    return twoPhase_ == 1;
}

Result PgConnection::run(const std::string& sql, const std::vector<Value>& values) {
    ensureOpen();
    std::vector<const char*> params;
    params.reserve(values.size());
    for (const Value& value : values) params.push_back(value ? value->c_str() : nullptr);
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
        if (prepared_.size() >= 256) {
            PQclear(PQexec(conn_, "DEALLOCATE ALL"));
            prepared_.clear();
        }
        const std::string name = "kvt_" + std::to_string(++preparedCount_);
        PGresult* made = PQprepare(conn_, name.c_str(), sql.c_str(),
                                   static_cast<int>(params.size()), nullptr);
        const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
        std::string message = ok ? "" : Trimmed(PQresultErrorMessage(made));
        PQclear(made);
        if (!ok) throw PgError(message.empty() ? Trimmed(PQerrorMessage(conn_)) : message);
        found = prepared_.emplace(sql, name).first;
    }
    PGresult* result = PQexecPrepared(conn_, found->second.c_str(),
                                      static_cast<int>(params.size()), params.data(), nullptr,
                                      nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        std::string message = Trimmed(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
        if (message.empty()) message = Trimmed(PQerrorMessage(conn_));
        PQclear(result);
        throw PgError(message);
    }
    return Result(result);
}

void PgConnection::execute(const std::string& sql) {
    ensureOpen();
    PGresult* result = PQexec(conn_, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        std::string message = Trimmed(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
        PQclear(result);
        throw PgError(message);
    }
    PQclear(result);
}

void PgConnection::copyIn(const std::string& copySql,
                          const std::vector<std::vector<Value>>& rows) {
    ensureOpen();
    PGresult* start = PQexec(conn_, copySql.c_str());
    const bool ready = PQresultStatus(start) == PGRES_COPY_IN;
    std::string message = ready ? "" : Trimmed(PQresultErrorMessage(start));
    PQclear(start);
    if (!ready) throw PgError(message);
    std::string data;
    bool sent = true;
    auto flush = [&] {
        if (sent && !data.empty())
            sent = PQputCopyData(conn_, data.data(), static_cast<int>(data.size())) == 1;
        data.clear();
    };
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i) data += '\t';
            AppendCopyValue(data, row[i]);
        }
        data += '\n';
        if (data.size() > (1 << 16)) flush();
    }
    flush();
    if (PQputCopyEnd(conn_, sent ? nullptr : "the rows could not be sent") != 1)
        throw PgError(Trimmed(PQerrorMessage(conn_)));
    bool failed = false;
    while (PGresult* result = PQgetResult(conn_)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            failed = true;
            message = Trimmed(PQresultErrorMessage(result));
        }
        PQclear(result);
    }
    if (failed || !sent) throw PgError(message.empty() ? "the rows could not be sent" : message);
}

void PgConnection::begin() {
    ensureOpen();
    const bool prepare = twoPhase();
    execute("BEGIN");
    changes_.clear();
    published_.clear();
    open_ = true;
    preparing_ = prepare;
}

// The changes are numbered inside the transaction; the other stations are woken only once it
// has committed (a transaction that has sent a notification cannot be prepared, and a wake-up
// before the commit would find nothing new).
void PgConnection::commit() {
    if (!preparing_) {
        try {
            publishChanges();
            execute("COMMIT");
        } catch (...) {
            changes_.clear();
            published_.clear();
            open_ = false;
            throw;
        }
        open_ = false;
        wakeStations();
        return;
    }
    try {
        publishChanges();
    } catch (...) {
        changes_.clear();
        published_.clear();
        throw;  // the transaction stays open: the caller rolls it back
    }
    // Named for the station too, so that a commit its station left prepared for good (the
    // program gone while the server was away) is known as left behind.
    const std::string gid = "kvt_" + (station_ > 0 ? "s" + std::to_string(station_) + "_" : "") +
                            commitName_ + "_" + std::to_string(++commits_);
    PGresult* prepared = PQexec(conn_, ("PREPARE TRANSACTION " + QuoteText(gid)).c_str());
    const bool done = PQresultStatus(prepared) == PGRES_COMMAND_OK &&
                      std::string(PQcmdStatus(prepared)) == "PREPARE TRANSACTION";
    std::string message = Trimmed(prepared ? PQresultErrorMessage(prepared) : nullptr);
    PQclear(prepared);
    open_ = false;
    if (!done) {
        published_.clear();
        if (PQstatus(conn_) != CONNECTION_OK) {
            // Lost on the way: it may have been prepared, and is rolled back once the server
            // is reached again (the commit failed).
            doubt_ = gid;
            doubtCommits_ = false;
            lost();
        } else {
            // Refused (or rolled back, the transaction having failed): nothing was prepared;
            // this session commits in one phase from now on.
            twoPhase_ = 0;
        }
        if (message.empty()) message = Trimmed(PQerrorMessage(conn_));
        throw PgError(message.empty() ? "the transaction was rolled back" : message);
    }
    try {
        execute("COMMIT PREPARED " + QuoteText(gid));
    } catch (const PgError&) {
        // Prepared is durable: the commit stands, and is completed once the server is reached
        // (the other stations find its changes by their numbers on their next look).
        doubt_ = gid;
        doubtCommits_ = true;
        published_.clear();
        if (PQstatus(conn_) != CONNECTION_OK) lost();
        return;
    }
    wakeStations();
}

void PgConnection::wakeStations() noexcept {
    if (published_.empty()) return;
    // Sent without waiting: the station goes on at once, and the answer is read before its
    // next statement. A wake-up that is lost costs a second at most: the stations also look
    // every second.
    sendWithoutWaiting("SELECT pg_notify('kvt_feed', $1)", {std::exchange(published_, {})});
}

void PgConnection::rollback() noexcept {
    settle();
    if (PQstatus(conn_) == CONNECTION_OK) {
        PGresult* result = PQexec(conn_, "ROLLBACK");
        PQclear(result);
    }
    changes_.clear();
    published_.clear();
    open_ = false;
}

void PgConnection::noteChange(const std::string& table, long long key) {
    changes_.emplace(table, key);
    if (!open_) publishChanges();
}

// The feed's counter is one row: taking the next number locks it until the transaction ends,
// so the numbers are handed out in the order the transactions commit, and a station that has
// read up to a number has seen every change numbered before it.
void PgConnection::publishChanges() {
    if (changes_.empty()) return;
    std::string tables = "{", keys = "{";
    bool first = true;
    for (const auto& [table, key] : changes_) {
        if (!first) {
            tables += ',';
            keys += ',';
        }
        first = false;
        tables += '"';
        for (char ch : table) {
            if (ch == '"' || ch == '\\') tables += '\\';
            tables += ch;
        }
        tables += '"';
        keys += std::to_string(key);
    }
    changes_.clear();
    const bool expecting = open_ && expectedHead_ >= 0;
    const Result next = run(
        "WITH \"next\" AS (UPDATE \"kvt_feed\" SET \"sequence\" = \"sequence\" + 1 WHERE $4::bigint "
        "< 0 OR \"sequence\" = $4::bigint RETURNING \"sequence\"), \"noted\" AS (INSERT INTO "
        "\"kvt_changes\" (\"sequence\", \"station\", \"table\", \"key\") SELECT "
        "\"next\".\"sequence\", $1, c.t, c.k FROM \"next\", unnest($2::text[], $3::bigint[]) AS "
        "c(t, k)) SELECT \"next\".\"sequence\"::text FROM \"next\"",
        {std::to_string(station_), tables + "}", keys + "}",
         std::to_string(expecting ? expectedHead_ : -1)});
    if (next.rows() == 0)
        throw PgError("another station's changes were stored since this station read them");
    published_ = next.value(0, 0).value_or("");
    const long long number = std::strtoll(published_.c_str(), nullptr, 10);
    if (expecting) {
        expectedHead_ = number;  // a second commit under the same turn follows this one
    } else if (expectedHead_ >= 0) {
        // Written outside a transaction under the turn (stored already, so never refused): the
        // next commit follows it, unless another's commit came between, unread.
        expectedHead_ = number == expectedHead_ + 1 ? number : std::numeric_limits<long long>::max();
    }
    // Written outside a transaction: committed already.
    if (!open_) wakeStations();
}

}  // namespace kvt::pgdb
