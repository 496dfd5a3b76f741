#include "meetdb/sqlite.h"

namespace kvt::meetdb {

namespace {
[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw SqliteError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}
}  // namespace

std::string QuoteIdentifier(const std::string& name) {
    std::string quoted = "\"";
    for (char ch : name) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    return quoted + "\"";
}

Connection::Connection(const std::string& path, Mode mode, const std::string& vfs,
                       Locking locking)
    : path_(path) {
    int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                : mode == Mode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                       : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX,
                        vfs.empty() ? nullptr : vfs.c_str()) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 2000);
    sqlite3_extended_result_codes(db_, 1);
    // FULL syncs the journal and the file; EXTRA also syncs the folder once the journal is
    // deleted, without which a power cut could bring the journal back and undo the commit.
    // A file that refuses it is closed again: a constructor that throws has no destructor.
    try {
        // Before anything reads the file: reading a log-ahead file takes shared memory unless
        // the lock is held for good.
        if (locking == Locking::Exclusive) execute("PRAGMA locking_mode = EXCLUSIVE");
        if (mode != Mode::ReadOnly) execute("PRAGMA synchronous = EXTRA");
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

Connection::~Connection() {
    sqlite3_close_v2(db_);
}

void Connection::execute(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw SqliteError(message);
    }
}

Statement Connection::prepare(const std::string& sql) {
    return Statement(db_, sql);
}

Statement::Statement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
        fail(db, "prepare");
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), statement_(other.statement_) {
    other.statement_ = nullptr;
}

Statement& Statement::bind(int index, const std::optional<std::string>& value) {
    int rc = value ? sqlite3_bind_text(statement_, index, value->data(),
                                       static_cast<int>(value->size()), SQLITE_TRANSIENT)
                   : sqlite3_bind_null(statement_, index);
    if (rc != SQLITE_OK) fail(db_, "bind");
    return *this;
}

Statement& Statement::bind(int index, long long value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

bool Statement::step() {
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step");
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(statement_);
}

std::optional<std::string> Statement::text(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    const unsigned char* data = sqlite3_column_text(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
}

long long Statement::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
    connection_.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!done_) {
        try {
            connection_.execute("ROLLBACK");
        } catch (const SqliteError&) {
        }
    }
}

void Transaction::commit() {
    connection_.execute("COMMIT");
    done_ = true;
}

std::string CreateTableSql(const storage::TableSpec& table) {
    std::string sql = "CREATE TABLE " + QuoteIdentifier(table.name) + " (";
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
        const storage::FieldSpec& field = table.fields[i];
        sql += (i ? ", " : "") + QuoteIdentifier(field.name) +
               (field.type == storage::FieldType::Text ? " TEXT" : " INTEGER");
    }
    return sql + ")";
}

}  // namespace kvt::meetdb
