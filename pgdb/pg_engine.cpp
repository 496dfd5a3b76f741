#include "pgdb/pg_engine.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "pgdb/server_name.h"

namespace kvt::pgdb {

namespace {

constexpr const char* NumberPattern = "'^-?[0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]+)?$'";

std::string Trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

bool IsIntegerText(const std::string& text) {
    std::size_t i = text.size() > 1 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool IsRealText(const std::string& text, double& value) {
    if (text.empty()) return false;
    const char first = text[0];
    if (!std::isdigit(static_cast<unsigned char>(first)) && first != '-' && first != '+' &&
        first != '.')
        return false;
    for (char ch : text)
        if (!std::isdigit(static_cast<unsigned char>(ch)) && ch != '-' && ch != '+' &&
            ch != '.' && ch != 'e' && ch != 'E')
            return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string RealText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    // As SQLite writes a real: the mantissa always with a decimal point ("1.0e+20", "5.0").
    if (text.find_first_of("in") != std::string::npos) return text;
    const auto exponent = text.find('e');
    const std::string mantissa = text.substr(0, exponent);
    if (mantissa.find('.') == std::string::npos)
        text.insert(exponent == std::string::npos ? text.size() : exponent, ".0");
    return text;
}

// The fields and declared types of a table, from the catalog; empty when it has none.
std::vector<std::pair<std::string, std::string>> CatalogFields(PgConnection& db,
                                                               const std::string& table) {
    std::vector<std::pair<std::string, std::string>> fields;
    const Result present = db.run("SELECT to_regclass($1) IS NOT NULL", {QuoteName(CatalogColumns)});
    if (present.value(0, 0) != Value("t")) return fields;
    const Result rows = db.run("SELECT \"name\", \"declared\" FROM " + QuoteName(CatalogColumns) +
                                   " WHERE \"table\" = $1 ORDER BY \"position\"",
                               {table});
    for (int r = 0; r < rows.rows(); ++r)
        fields.emplace_back(rows.value(r, 0).value_or(""), rows.value(r, 1).value_or(""));
    return fields;
}

// A text[] literal of the values (NULL for no value).
std::string ArrayLiteral(const std::vector<Value>& values) {
    std::string out = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        if (!values[i]) {
            out += "NULL";
            continue;
        }
        out += '"';
        for (char ch : *values[i]) {
            if (ch == '"' || ch == '\\') out += '\\';
            out += ch;
        }
        out += '"';
    }
    return out + "}";
}

class PgTable : public storage::Table {
public:
    PgTable(std::shared_ptr<PgConnection> connection, std::string table,
            const std::string& sortField)
        : connection_(std::move(connection)), table_(std::move(table)) {
        for (const auto& [name, declared] : CatalogFields(*connection_, table_)) {
            fields_.push_back(name);
            affinities_[name] = AffinityOf(declared);
        }
        if (fields_.empty()) throw PgError("no table " + table_);
        for (std::size_t i = 0; i < fields_.size(); ++i)
            columns_ += (i ? ", " : "") + QuoteName(fields_[i]);
        const std::string row = QuoteName(RowColumn);
        if (sortField.empty()) {
            order_ = row;
        } else {
            // As the file orders them: no value last, numbers (in a numeric field) before
            // texts, texts by their bytes, ties in stored order.
            const std::string f = QuoteName(sortField);
            const auto affinity = affinities_.find(sortField);
            order_ = "(" + f + " IS NULL)";
            if (affinity != affinities_.end() && affinity->second != Affinity::Text &&
                affinity->second != Affinity::Blob)
                order_ += ", (" + f + " !~ " + NumberPattern + "), CASE WHEN " + f + " ~ " +
                          NumberPattern + " THEN " + f + "::numeric END";
            order_ += ", " + f + " COLLATE \"C\", " + row;
        }
        reread();
    }

    void readAdded() override {
        if (arranged_ || order_ != QuoteName(RowColumn) || rows_.empty()) {
            reread();
            return;
        }
        const Result rows = connection_->run("SELECT " + QuoteName(RowColumn) + " FROM " +
                                                 QuoteName(table_) + " WHERE " +
                                                 QuoteName(RowColumn) + " > $1 ORDER BY " + order_,
                                             {std::to_string(rows_.back())});
        for (int r = 0; r < rows.rows(); ++r) rows_.push_back(rows.integer(r, 0));
    }

    bool arrange(const std::vector<int>& storedPositions) override {
        if (order_ != QuoteName(RowColumn) || arranged_ || storedPositions.size() != rows_.size())
            return false;
        std::vector<long long> arranged;
        std::vector<bool> seen(rows_.size(), false);
        arranged.reserve(rows_.size());
        for (int position : storedPositions) {
            if (position < 1 || position > static_cast<int>(rows_.size()) || seen[position - 1])
                return false;
            seen[position - 1] = true;
            arranged.push_back(rows_[position - 1]);
        }
        rows_ = std::move(arranged);
        arrangement_ = storedPositions;
        arranged_ = true;
        return true;
    }

    void reread() override {
        arranged_ = false;
        rows_.clear();
        const Result rows = connection_->run("SELECT " + QuoteName(RowColumn) + " FROM " +
                                             QuoteName(table_) + " ORDER BY " + order_);
        rows_.reserve(static_cast<std::size_t>(rows.rows()));
        for (int r = 0; r < rows.rows(); ++r) rows_.push_back(rows.integer(r, 0));
    }

    std::vector<std::string> fieldNames() override { return fields_; }
    int recordCount() override { return static_cast<int>(rows_.size()); }

    storage::Record readRecord(int position) override {
        const Result rows = connection_->run("SELECT " + columns_ + " FROM " + QuoteName(table_) +
                                                 " WHERE " + QuoteName(RowColumn) + " = $1",
                                             {std::to_string(row(position))});
        storage::Record record(fields_.size());
        if (rows.rows() > 0)
            for (std::size_t i = 0; i < fields_.size(); ++i)
                record[i] = rows.value(0, static_cast<int>(i));
        return record;
    }

    std::vector<storage::Record> readAll() override {
        const Result rows = connection_->run("SELECT " + columns_ + " FROM " + QuoteName(table_) +
                                             " ORDER BY " + order_);
        std::vector<storage::Record> records;
        records.reserve(static_cast<std::size_t>(rows.rows()));
        for (int r = 0; r < rows.rows(); ++r) {
            storage::Record record(fields_.size());
            for (std::size_t i = 0; i < fields_.size(); ++i)
                record[i] = rows.value(r, static_cast<int>(i));
            records.push_back(std::move(record));
        }
        if (!arranged_ || records.size() != arrangement_.size()) return records;
        std::vector<storage::Record> arranged;
        arranged.reserve(records.size());
        for (int position : arrangement_) arranged.push_back(std::move(records[position - 1]));
        return arranged;
    }

    void writeFields(int position, const storage::NamedFields& fields) override {
        if (fields.empty()) return;
        std::string sql = "UPDATE " + QuoteName(table_) + " SET ";
        std::vector<Value> values;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            sql += (i ? ", " : "") + QuoteName(fields[i].first) + " = $" + std::to_string(i + 1);
            values.push_back(AsStored(affinity(fields[i].first), fields[i].second));
        }
        sql += " WHERE " + QuoteName(RowColumn) + " = $" + std::to_string(fields.size() + 1);
        values.push_back(std::to_string(row(position)));
        connection_->run(sql, values);
        connection_->noteChange(table_, row(position));
    }

    // Every record in one statement: the values go as arrays, one per field.
    void writeRecords(const std::vector<std::string>& fields,
                      const std::vector<std::pair<int, storage::Record>>& records) override {
        if (records.empty() || fields.empty()) return;
        std::vector<Value> rowNumbers;
        std::vector<std::vector<Value>> columns(fields.size());
        for (const auto& [position, values] : records) {
            rowNumbers.push_back(std::to_string(row(position)));
            for (std::size_t i = 0; i < fields.size(); ++i)
                columns[i].push_back(AsStored(affinity(fields[i]), i < values.size()
                                                                       ? values[i]
                                                                       : storage::FieldValue{}));
        }
        std::string sql = "UPDATE " + QuoteName(table_) + " AS t SET ";
        std::string names = "r";
        std::string arrays = "$1::bigint[]";
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string column = "v" + std::to_string(i);
            sql += (i ? ", " : "") + QuoteName(fields[i]) + " = v." + column;
            names += ", " + column;
            arrays += ", $" + std::to_string(i + 2) + "::text[]";
        }
        sql += " FROM unnest(" + arrays + ") AS v(" + names + ") WHERE t." +
               QuoteName(RowColumn) + " = v.r";
        std::vector<Value> values{ArrayLiteral(rowNumbers)};
        for (const auto& column : columns) values.push_back(ArrayLiteral(column));
        connection_->run(sql, values);
        for (const auto& record : records) connection_->noteChange(table_, row(record.first));
    }

    int appendRecord(const storage::Record& values) override {
        std::string sql = "INSERT INTO " + QuoteName(table_) + " (" + columns_ + ") VALUES (";
        std::vector<Value> bound;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            sql += (i ? ", $" : "$") + std::to_string(i + 1);
            bound.push_back(AsStored(affinity(fields_[i]),
                                     i < values.size() ? values[i] : storage::FieldValue{}));
        }
        const Result added =
            connection_->run(sql + ") RETURNING " + QuoteName(RowColumn), bound);
        rows_.push_back(added.integer(0, 0));
        connection_->noteChange(table_, rows_.back());
        return static_cast<int>(rows_.size());
    }

    void removeRecordsFrom(int position) override {
        if (order_ != QuoteName(RowColumn) || arranged_)
            throw PgError("records of " + table_ + " are taken away in stored order only");
        if (position > static_cast<int>(rows_.size())) return;
        connection_->run("DELETE FROM " + QuoteName(table_) + " WHERE " + QuoteName(RowColumn) +
                             " >= $1",
                         {std::to_string(row(position))});
        connection_->noteChange(table_, -row(position));
        rows_.resize(static_cast<std::size_t>(position - 1));
    }

    int positionOfKey(long long key) override {
        if (!arranged_ && order_ == QuoteName(RowColumn)) {
            const auto found = std::lower_bound(rows_.begin(), rows_.end(), key);
            return found != rows_.end() && *found == key
                       ? static_cast<int>(found - rows_.begin()) + 1
                       : 0;
        }
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i] == key) return static_cast<int>(i) + 1;
        return 0;
    }

private:
    long long row(int position) const {
        if (position < 1 || position > static_cast<int>(rows_.size()))
            throw PgError("no record " + std::to_string(position) + " in " + table_);
        return rows_[position - 1];
    }
    Affinity affinity(const std::string& field) const {
        const auto found = affinities_.find(field);
        return found == affinities_.end() ? Affinity::Text : found->second;
    }

    std::shared_ptr<PgConnection> connection_;
    std::string table_;
    std::string order_;
    std::string columns_;
    std::vector<std::string> fields_;
    std::map<std::string, Affinity> affinities_;
    std::vector<long long> rows_;
    bool arranged_ = false;
    std::vector<int> arrangement_;
};

std::string DeclaredType(storage::FieldType type) {
    return type == storage::FieldType::Text ? "TEXT" : "INTEGER";
}

}  // namespace

Affinity AffinityOf(const std::string& declared) {
    std::string upper;
    for (char ch : declared) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (upper.find("INT") != std::string::npos) return Affinity::Integer;
    if (upper.find("CHAR") != std::string::npos || upper.find("CLOB") != std::string::npos ||
        upper.find("TEXT") != std::string::npos)
        return Affinity::Text;
    if (upper.empty() || upper.find("BLOB") != std::string::npos) return Affinity::Blob;
    if (upper.find("REAL") != std::string::npos || upper.find("FLOA") != std::string::npos ||
        upper.find("DOUB") != std::string::npos)
        return Affinity::Real;
    return Affinity::Numeric;
}

Value AsStored(Affinity affinity, const Value& value) {
    if (!value || affinity == Affinity::Text || affinity == Affinity::Blob) return value;
    const std::string text = Trim(*value);
    if (IsIntegerText(text)) {
        errno = 0;
        const long long number = std::strtoll(text.c_str(), nullptr, 10);
        if (errno == ERANGE) {
            double real = 0;
            return IsRealText(text, real) ? Value(RealText(real)) : value;
        }
        return affinity == Affinity::Real ? RealText(static_cast<double>(number))
                                          : std::to_string(number);
    }
    double real = 0;
    if (!IsRealText(text, real)) return value;
    if (affinity != Affinity::Real && real == std::floor(real) && std::fabs(real) < 9.2e18)
        return std::to_string(static_cast<long long>(real));
    return RealText(real);
}

void MakeCatalog(PgConnection& db) {
    db.execute("CREATE TABLE IF NOT EXISTS " + QuoteName(CatalogTables) +
               " (\"name\" text PRIMARY KEY, \"made\" bigserial NOT NULL)");
    db.execute("CREATE TABLE IF NOT EXISTS " + QuoteName(CatalogColumns) +
               " (\"table\" text NOT NULL, \"position\" integer NOT NULL, \"name\" text NOT NULL,"
               " \"declared\" text NOT NULL, PRIMARY KEY (\"table\", \"position\"))");
    db.execute("CREATE TABLE IF NOT EXISTS " + QuoteName(CatalogFile) +
               " (\"user_version\" integer NOT NULL, \"application_id\" integer NOT NULL)");
    db.execute("CREATE TABLE IF NOT EXISTS " + QuoteName(StationsTable) +
               " (\"station\" serial PRIMARY KEY, \"host\" text NOT NULL, \"process\" integer NOT "
               "NULL, \"backend\" integer NOT NULL, \"since\" timestamptz NOT NULL DEFAULT now())");
    db.execute("CREATE TABLE IF NOT EXISTS " + QuoteName(FeedTable) +
               " (\"one\" boolean PRIMARY KEY DEFAULT true CHECK (\"one\"), \"sequence\" bigint NOT "
               "NULL)");
    db.execute("INSERT INTO " + QuoteName(FeedTable) +
               " (\"sequence\") VALUES (0) ON CONFLICT DO NOTHING");
    db.execute("CREATE TABLE IF NOT EXISTS " + QuoteName(ChangesTable) +
               " (\"sequence\" bigint NOT NULL, \"station\" integer NOT NULL, \"table\" text NOT "
               "NULL, \"key\" bigint NOT NULL, PRIMARY KEY (\"sequence\", \"table\", \"key\"))");
}

void MakeTable(PgConnection& db, const std::string& table,
               const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string sql = "CREATE TABLE " + QuoteName(table) + " (";
    for (const auto& field : fields) sql += QuoteName(field.first) + " text, ";
    db.execute(sql + QuoteName(RowColumn) + " bigserial PRIMARY KEY)");
    // An impulse is stored once: its station and sequence are a unique key.
    if (table == storage::StationImpulsesTable)
        db.execute("CREATE UNIQUE INDEX ON " + QuoteName(table) + " (\"Station\", \"Sequence\")");
    db.run("INSERT INTO " + QuoteName(CatalogTables) + " (\"name\") VALUES ($1)", {table});
    for (std::size_t i = 0; i < fields.size(); ++i)
        db.run("INSERT INTO " + QuoteName(CatalogColumns) +
                   " (\"table\", \"position\", \"name\", \"declared\") VALUES ($1, $2, $3, $4)",
               {table, std::to_string(i + 1), fields[i].first, fields[i].second});
    db.noteChange(table, 0);
}

StationHold::StationHold(const Reach& reach) : connection_(std::make_unique<PgConnection>(reach)) {
    MakeCatalog(*connection_);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    // Stations whose program is gone (its connection with it) leave no entry behind.
    connection_->execute("DELETE FROM " + QuoteName(StationsTable) +
                         " WHERE \"backend\" NOT IN (SELECT \"pid\" FROM pg_stat_activity"
                         " WHERE \"pid\" IS NOT NULL)");
    const Result added = connection_->run(
        "INSERT INTO " + QuoteName(StationsTable) +
            " (\"host\", \"process\", \"backend\") VALUES ($1, $2, pg_backend_pid()) RETURNING "
            "\"station\"",
        {std::string(host), std::to_string(::getpid())});
    station_ = static_cast<int>(added.integer(0, 0));
}

StationHold::~StationHold() {
    try {
        connection_->run("DELETE FROM " + QuoteName(StationsTable) + " WHERE \"station\" = $1",
                         {std::to_string(station_)});
    } catch (const std::exception&) {
        // The server forgets the station with its connection anyway.
    }
}

// The key of the turn's lock (the server keeps advisory locks per database).
constexpr const char* TurnKey = "4937562";

// The turn and the changes after a sequence in one round trip: the lock first, then the
// changes read with a snapshot taken once it is held (a volatile function's statements each
// see what was committed before them).
constexpr const char* TurnFunction = "kvt_turn";

PgFeed::PgFeed(const Reach& reach, int station,
               std::function<std::shared_ptr<PgConnection>()> records)
    : connection_(reach), station_(station), records_(std::move(records)) {
    // A turn that cannot be had soon fails rather than freeze the station.
    // Both are the session's: made again with the connection after a loss.
    connection_.keepForSession("SET lock_timeout = '5s'");
    connection_.keepForSession("LISTEN kvt_feed");
    connection_.setStation(station, "feed");
    const Result made = connection_.run("SELECT count(*) FROM pg_proc WHERE proname = $1",
                                        {std::string(TurnFunction)});
    if (made.integer(0, 0) > 0) return;
    try {
        connection_.execute(
            std::string("CREATE OR REPLACE FUNCTION ") + QuoteName(TurnFunction) +
            "(after bigint) RETURNS TABLE (s bigint, st integer, t text, k bigint) LANGUAGE "
            "plpgsql VOLATILE AS $turn$ BEGIN PERFORM pg_advisory_lock(" + TurnKey +
            "); RETURN QUERY SELECT c.\"sequence\", c.\"station\", c.\"table\", c.\"key\" FROM " +
            QuoteName(ChangesTable) +
            " c WHERE c.\"sequence\" > after ORDER BY 1, 3, 4; END $turn$");
    } catch (const PgError&) {
        // Two stations joining at once may both make it: the one that loses finds it made.
    }
}

bool PgFeed::woken() {
    PGconn* conn = connection_.handle();
    if (PQstatus(conn) != CONNECTION_OK || PQconsumeInput(conn) == 0) return false;
    if (!PQisBusy(conn)) connection_.settle();
    bool woke = false;
    while (PGnotify* notice = PQnotifies(conn)) {
        woke = true;
        PQfreemem(notice);
    }
    return woke;
}

std::vector<storage::Change> PgFeed::since(long long sequence, long long& reached) {
    reached = sequence;
    return changesOf(connection_.run("SELECT \"sequence\", \"station\", \"table\", \"key\" FROM " +
                                         QuoteName(ChangesTable) +
                                         " WHERE \"sequence\" > $1 ORDER BY \"sequence\", "
                                         "\"table\", \"key\"",
                                     {std::to_string(sequence)}),
                     reached);
}

std::vector<storage::Change> PgFeed::changesOf(const Result& rows, long long& reached) const {
    std::vector<storage::Change> changes;
    changes.reserve(static_cast<std::size_t>(rows.rows()));
    for (int r = 0; r < rows.rows(); ++r) {
        storage::Change change;
        change.sequence = rows.integer(r, 0);
        change.station = static_cast<int>(rows.integer(r, 1));
        change.table = rows.value(r, 2).value_or("");
        change.key = rows.integer(r, 3);
        reached = std::max(reached, change.sequence);
        changes.push_back(std::move(change));
    }
    return changes;
}

long long PgFeed::head() {
    return connection_.run("SELECT \"sequence\" FROM " + QuoteName(FeedTable)).integer(0, 0);
}

std::vector<storage::Change> PgFeed::takeTurn(long long sequence, long long& reached) {
    reached = sequence;
    // A connection made again since the turn was taken let go of its lock with the old one.
    std::vector<storage::Change> changes;
    try {
        if (turn_ && turnSession_ == connection_.sessions()) {
            changes = since(sequence, reached);
        } else {
            turn_ = false;
            const Result rows = connection_.run(
                "SELECT * FROM " + QuoteName(TurnFunction) + "($1)", {std::to_string(sequence)});
            turn_ = true;
            turnSession_ = connection_.sessions();
            changes = changesOf(rows, reached);
        }
        if (completeLeftBehind()) {
            long long more = reached;
            for (auto& change : since(reached, more)) changes.push_back(std::move(change));
            reached = more;
        }
    } catch (...) {
        endTurn();  // a turn taken is not held on for a station that goes on without it
        throw;
    }
    // Read under the turn: the feed stands at the last number read until this station commits
    // (the numbers have no gaps), unless a commit left in doubt is completed meanwhile.
    if (auto open = records()) open->expectHead(reached);
    return changes;
}

// A commit prepared is one its station meant (a prepared transaction is durable, and the station
// counts it stored once the server answered the prepare). Its station completes it when it
// reaches the server again; one whose station has had no connection on the server for a while
// (the program closed or killed while it was away) would hold the feed's counter from every
// station for good, and is completed by the station that holds the turn, which reads it as
// that station's commit. Looked for every two seconds at most: it costs a round trip.
bool PgFeed::completeLeftBehind() {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLookBehind_) return false;
    nextLookBehind_ = now + std::chrono::seconds(2);
    std::optional<Result> left;
    try {
        left.emplace(connection_.run(
            "SELECT p.\"gid\" FROM pg_prepared_xacts p WHERE p.\"database\" = current_database() "
            "AND p.\"gid\" ~ '^kvt_s[0-9]+_' AND NOT EXISTS (SELECT 1 FROM pg_stat_activity a "
            "WHERE a.\"datname\" = current_database() AND a.\"application_name\" = 'kvt "
            "station ' || substring(p.\"gid\" from '^kvt_s([0-9]+)_'))"));
    } catch (const PgError&) {
        // A server that does not show them: looked for again later. A lost connection lost
        // the turn with it, and is told.
        if (PQstatus(connection_.handle()) != CONNECTION_OK) throw;
        return false;
    }
    std::map<std::string, std::chrono::steady_clock::time_point> gone;
    bool completed = false;
    for (int r = 0; r < left->rows(); ++r) {
        const auto gid = left->value(r, 0);
        if (!gid) continue;
        const auto seen = goneSince_.find(*gid);
        const auto since = seen == goneSince_.end() ? now : seen->second;
        if (now - since < leftBehindAfter_) {
            gone.emplace(*gid, since);
            continue;
        }
        try {
            connection_.execute("COMMIT PREPARED " + QuoteText(*gid));
            completed = true;
        } catch (const PgError&) {
            if (PQstatus(connection_.handle()) != CONNECTION_OK) throw;
            // Completed meanwhile by its station or another: nothing left to do.
        }
    }
    goneSince_ = std::move(gone);
    return completed;
}

std::shared_ptr<PgConnection> PgFeed::records() const {
    return records_ ? records_() : nullptr;
}

void PgFeed::endTurn() noexcept {
    if (auto open = records()) open->expectHead(-1);
    if (!turn_) return;
    turn_ = false;
    if (turnSession_ != connection_.sessions()) return;
    // Sent without waiting for the answer (read before the connection's next statement): the
    // station goes on at once. A connection that is gone let go of the lock with it.
    connection_.sendWithoutWaiting(std::string("SELECT pg_advisory_unlock(") + TurnKey + ")");
}

void PgEngine::setPassword(const std::string& databaseName, std::string password) {
    passwords_[databaseName] = std::move(password);
}

Reach PgEngine::reach(const std::string& databaseName) const {
    if (!ParseServerName(databaseName)) throw PgError("no server meet: " + databaseName);
    const auto password = passwords_.find(databaseName);
    return {databaseName, password == passwords_.end() ? std::string() : password->second};
}

std::shared_ptr<PgConnection> PgEngine::connection(const std::string& databaseName) {
    if (auto open = connections_[databaseName].lock()) return open;
    auto opened = std::make_shared<PgConnection>(reach(databaseName));
    if (auto station = stations_.find(databaseName); station != stations_.end())
        opened->setStation(station->second);
    connections_[databaseName] = opened;
    return opened;
}

std::unique_ptr<storage::Table> PgEngine::openTable(const std::string& databaseName,
                                                    const std::string& recordSource,
                                                    const std::string& sortField) {
    return std::make_unique<PgTable>(connection(databaseName), recordSource, sortField);
}

storage::Reachability PgEngine::reachability(const std::string& databaseName) {
    storage::Reachability reach;
    reach.onServer = true;
    auto found = connections_.find(databaseName);
    auto db = found == connections_.end() ? nullptr : found->second.lock();
    if (!db) return reach;
    reach.reached = db->probe();
    if (!reach.reached)
        reach.awaySince = std::chrono::duration_cast<std::chrono::seconds>(
                              db->awaySince().time_since_epoch())
                              .count();
    return reach;
}

void PgEngine::release(const std::string& databaseName) {
    connections_.erase(databaseName);
}

void PgEngine::transaction(const std::string& databaseName, const std::function<void()>& work) {
    if (openTransactions_ > 0) throw storage::NestedTransaction();
    auto db = connection(databaseName);
    if (db->inTransaction()) throw storage::NestedTransaction();
    struct Open {
        int& count;
        explicit Open(int& count) : count(count) { ++count; }
        ~Open() { --count; }
    } open(openTransactions_);
    db->begin();
    try {
        work();
        db->commit();
    } catch (...) {
        if (db->inTransaction()) db->rollback();
        throw;
    }
}

std::unique_ptr<storage::Hold> PgEngine::hold(const std::string& databaseName) {
    auto held = std::make_unique<StationHold>(reach(databaseName));
    stations_[databaseName] = held->station();
    if (auto open = connections_[databaseName].lock()) open->setStation(held->station());
    return held;
}

std::unique_ptr<storage::ChangeFeed> PgEngine::feed(const std::string& databaseName) {
    const auto station = stations_.find(databaseName);
    if (station == stations_.end()) return nullptr;
    // The records' connection is looked up at each turn: the meet opens it after its feed, and
    // opens it again should it be let go.
    auto made =
        std::make_unique<PgFeed>(reach(databaseName), station->second, [this, databaseName] {
            const auto open = connections_.find(databaseName);
            return open == connections_.end() ? nullptr : open->second.lock();
        });
    made->setLeftBehindAfter(leftBehindAfter_);
    return made;
}

void PgEngine::createDatabase(const std::string& databaseName, const storage::TableSpec& table,
                              const storage::Record& record) {
    transaction(databaseName, [&] {
        auto db = connection(databaseName);
        MakeCatalog(*db);
        const Result tables =
            db->run("SELECT \"name\" FROM " + QuoteName(CatalogTables) + " ORDER BY \"made\"");
        for (int r = 0; r < tables.rows(); ++r)
            db->execute("DROP TABLE IF EXISTS " + QuoteName(tables.value(r, 0).value_or("")));
        db->execute("DELETE FROM " + QuoteName(CatalogTables));
        db->execute("DELETE FROM " + QuoteName(CatalogColumns));
        std::vector<std::pair<std::string, std::string>> fields;
        for (const auto& field : table.fields) fields.emplace_back(field.name, DeclaredType(field.type));
        MakeTable(*db, table.name, fields);
        PgTable made(db, table.name, "");
        made.appendRecord(record);
    });
}

bool PgEngine::hasTable(const std::string& databaseName, const std::string& table) {
    return !CatalogFields(*connection(databaseName), table).empty();
}

void PgEngine::addTable(const std::string& databaseName, const storage::TableSpec& table) {
    if (hasTable(databaseName, table.name)) return;
    auto db = connection(databaseName);
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& field : table.fields) fields.emplace_back(field.name, DeclaredType(field.type));
    auto make = [&] {
        MakeCatalog(*db);
        MakeTable(*db, table.name, fields);
    };
    if (db->inTransaction()) {
        make();
    } else {
        db->begin();
        try {
            make();
            db->commit();
        } catch (...) {
            if (db->inTransaction()) db->rollback();
            throw;
        }
    }
}

storage::Engine& Engines::of(const std::string& databaseName) {
    if (IsServerName(databaseName)) return server_;
    return files_;
}

}  // namespace kvt::pgdb
