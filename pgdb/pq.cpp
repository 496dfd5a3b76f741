#include "pgdb/pq.h"

#include <cstdlib>

namespace kvt::pgdb {

namespace {

PGconn* Connect(const Reach& reach) {
    const char* keys[] = {"dbname", "password", "connect_timeout", "application_name", nullptr};
    const char* values[] = {reach.address.c_str(), reach.password.c_str(), "3", "kvt", nullptr};
    // expand_dbname: the address may carry host, port, user and database.
    PGconn* conn = PQconnectdbParams(keys, values, 1);
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

PgConnection::PgConnection(const Reach& reach) : conn_(Connect(reach)) {
    execute("SET client_min_messages = warning");
}

PgConnection::~PgConnection() {
    PQfinish(conn_);
}

void PgConnection::sendWithoutWaiting(const std::string& sql) noexcept {
    settle();
    unanswered_ = PQstatus(conn_) == CONNECTION_OK && PQsendQuery(conn_, sql.c_str()) == 1;
}

void PgConnection::settle() noexcept {
    if (!unanswered_) return;
    unanswered_ = false;
    while (PGresult* result = PQgetResult(conn_)) PQclear(result);
}

void PgConnection::ensureOpen() {
    settle();
    if (PQstatus(conn_) == CONNECTION_OK) return;
    if (open_) throw PgError("the connection to the server was lost");
    PQreset(conn_);
    prepared_.clear();  // a new session knows none of them
    if (PQstatus(conn_) != CONNECTION_OK) throw PgError(Trimmed(PQerrorMessage(conn_)));
    execute("SET client_min_messages = warning");
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
    execute("BEGIN");
    changes_.clear();
    open_ = true;
}

void PgConnection::commit() {
    try {
        publishChanges();
        execute("COMMIT");
    } catch (...) {
        changes_.clear();
        open_ = false;
        throw;
    }
    open_ = false;
}

void PgConnection::rollback() noexcept {
    settle();
    if (PQstatus(conn_) == CONNECTION_OK) {
        PGresult* result = PQexec(conn_, "ROLLBACK");
        PQclear(result);
    }
    changes_.clear();
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
    run("WITH \"next\" AS (UPDATE \"kvt_feed\" SET \"sequence\" = \"sequence\" + 1 RETURNING "
        "\"sequence\"), \"noted\" AS (INSERT INTO \"kvt_changes\" (\"sequence\", \"station\", "
        "\"table\", \"key\") SELECT \"next\".\"sequence\", $1, c.t, c.k FROM \"next\", "
        "unnest($2::text[], $3::bigint[]) AS c(t, k)) SELECT pg_notify('kvt_feed', "
        "\"next\".\"sequence\"::text) FROM \"next\"",
        {std::to_string(station_), tables + "}", keys + "}"});
}

}  // namespace kvt::pgdb
