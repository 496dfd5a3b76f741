#include "meetdb/sqlite_engine.h"

#include <filesystem>
#include <vector>

#include "meetdb/meet_lock.h"

namespace kvt::meetdb {

namespace {

class SqliteRecordTable : public storage::Table {
public:
    SqliteRecordTable(std::shared_ptr<Connection> connection, std::string table,
                      const std::string& sortField)
        : connection_(std::move(connection)), table_(std::move(table)) {
        // A record without a value (a result without a place) sorts after every value.
        order_ = sortField.empty() ? "rowid" : QuoteIdentifier(sortField) + " NULLS LAST, rowid";
        auto columns = connection_->prepare("SELECT name FROM pragma_table_info(?1) ORDER BY cid");
        columns.bind(1, table_);
        while (columns.step()) fields_.push_back(columns.text(0).value_or(""));
        if (fields_.empty()) throw SqliteError("no table " + table_);
        reread();
    }

    void readAdded() override {
        if (arranged_ || order_ != "rowid" || rowids_.empty()) {
            reread();
            return;
        }
        auto rows = connection_->prepare("SELECT rowid FROM " + QuoteIdentifier(table_) +
                                         " WHERE rowid > ?1 ORDER BY rowid");
        rows.bind(1, rowids_.back());
        while (rows.step()) rowids_.push_back(rows.integer(0));
    }

    bool arrange(const std::vector<int>& storedPositions) override {
        if (order_ != "rowid" || arranged_ || storedPositions.size() != rowids_.size())
            return false;
        std::vector<long long> arranged;
        std::vector<bool> seen(rowids_.size(), false);
        arranged.reserve(rowids_.size());
        for (int position : storedPositions) {
            if (position < 1 || position > static_cast<int>(rowids_.size()) || seen[position - 1])
                return false;
            seen[position - 1] = true;
            arranged.push_back(rowids_[position - 1]);
        }
        storedOrder_ = std::move(rowids_);
        rowids_ = std::move(arranged);
        arrangement_ = storedPositions;
        arranged_ = true;
        return true;
    }

    void reread() override {
        arranged_ = false;
        rowids_.clear();
        auto rows = connection_->prepare("SELECT rowid FROM " + QuoteIdentifier(table_) +
                                         " ORDER BY " + order_);
        while (rows.step()) rowids_.push_back(rows.integer(0));
    }

    std::vector<std::string> fieldNames() override { return fields_; }
    int recordCount() override { return static_cast<int>(rowids_.size()); }

    storage::Record readRecord(int position) override {
        auto statement =
            connection_->prepare("SELECT * FROM " + QuoteIdentifier(table_) + " WHERE rowid = ?1");
        statement.bind(1, rowid(position));
        storage::Record record(fields_.size());
        if (statement.step())
            for (std::size_t i = 0; i < fields_.size(); ++i)
                record[i] = statement.text(static_cast<int>(i));
        return record;
    }

    std::vector<storage::Record> readAll() override {
        std::vector<int> every(fields_.size());
        for (std::size_t i = 0; i < every.size(); ++i) every[i] = static_cast<int>(i);
        return readFields(every);
    }

    std::vector<storage::Record> readFields(const std::vector<int>& fields) override {
        std::vector<int> read;
        std::string columns;
        for (int field : fields) {
            if (field < 0 || field >= static_cast<int>(fields_.size())) continue;
            columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(fields_[field]);
            read.push_back(field);
        }
        if (read.empty()) columns = "rowid";
        auto statement = connection_->prepare("SELECT " + columns + " FROM " +
                                              QuoteIdentifier(table_) + " ORDER BY " + order_);
        std::vector<storage::Record> records;
        records.reserve(rowids_.size());
        while (statement.step()) {
            storage::Record record(fields_.size());
            for (std::size_t i = 0; i < read.size(); ++i)
                record[read[i]] = statement.text(static_cast<int>(i));
            records.push_back(std::move(record));
        }
        if (!arranged_ || records.size() != arrangement_.size()) return records;
        std::vector<storage::Record> arranged;
        arranged.reserve(records.size());
        for (int position : arrangement_) arranged.push_back(std::move(records[position - 1]));
        return arranged;
    }

    void writeFields(int position, const storage::NamedFields& fields) override {
        std::string sql = "UPDATE " + QuoteIdentifier(table_) + " SET ";
        for (std::size_t i = 0; i < fields.size(); ++i)
            sql +=
                (i ? ", " : "") + QuoteIdentifier(fields[i].first) + " = ?" + std::to_string(i + 1);
        sql += " WHERE rowid = ?" + std::to_string(fields.size() + 1);
        // The same update is prepared once (a ranking writes many rows the same way).
        auto cached = updates_.find(sql);
        if (cached == updates_.end())
            cached = updates_.emplace(sql, connection_->prepare(sql)).first;
        Statement& statement = cached->second;
        statement.reset();
        for (std::size_t i = 0; i < fields.size(); ++i)
            statement.bind(static_cast<int>(i + 1), fields[i].second);
        statement.bind(static_cast<int>(fields.size() + 1), rowid(position));
        statement.run();
        statement.reset();
    }

    void writeRecords(const std::vector<std::string>& fields,
                      const std::vector<std::pair<int, storage::Record>>& records) override {
        if (records.empty()) return;
        std::string sql = "UPDATE " + QuoteIdentifier(table_) + " SET ";
        for (std::size_t i = 0; i < fields.size(); ++i)
            sql += (i ? ", " : "") + QuoteIdentifier(fields[i]) + " = ?" + std::to_string(i + 1);
        sql += " WHERE rowid = ?" + std::to_string(fields.size() + 1);
        auto cached = updates_.find(sql);
        if (cached == updates_.end())
            cached = updates_.emplace(sql, connection_->prepare(sql)).first;
        Statement& statement = cached->second;
        for (const auto& [position, values] : records) {
            statement.reset();
            for (std::size_t i = 0; i < fields.size(); ++i)
                statement.bind(static_cast<int>(i + 1),
                               i < values.size() ? values[i] : storage::FieldValue{});
            statement.bind(static_cast<int>(fields.size() + 1), rowid(position));
            statement.run();
        }
        statement.reset();
    }

    int appendRecord(const storage::Record& values) override {
        std::string sql = "INSERT INTO " + QuoteIdentifier(table_) + " VALUES (";
        for (std::size_t i = 0; i < fields_.size(); ++i) sql += i ? ", ?" : "?";
        auto insert = connection_->prepare(sql + ")");
        for (std::size_t i = 0; i < fields_.size(); ++i)
            insert.bind(static_cast<int>(i + 1),
                        i < values.size() ? values[i] : storage::FieldValue{});
        insert.run();
        rowids_.push_back(sqlite3_last_insert_rowid(connection_->handle()));
        return static_cast<int>(rowids_.size());
    }

    void removeRecordsFrom(int position) override {
        if (order_ != "rowid" || arranged_)
            throw SqliteError("records of " + table_ + " are taken away in stored order only");
        const int count = static_cast<int>(rowids_.size());
        if (position > count) return;
        auto remove = connection_->prepare("DELETE FROM " + QuoteIdentifier(table_) +
                                           " WHERE rowid >= ?1");
        remove.bind(1, rowid(position));
        remove.run();
        rowids_.resize(position - 1);
    }

private:
    long long rowid(int position) const {
        if (position < 1 || position > static_cast<int>(rowids_.size()))
            throw SqliteError("no record " + std::to_string(position) + " in " + table_);
        return rowids_[position - 1];
    }

    std::shared_ptr<Connection> connection_;
    std::string table_;
    std::string order_;
    std::vector<std::string> fields_;
    std::vector<long long> rowids_;
    // An arranged handle: the records in the order of arrangement_ (stored positions).
    bool arranged_ = false;
    std::vector<int> arrangement_;
    std::vector<long long> storedOrder_;
    std::map<std::string, Statement> updates_;
};

}  // namespace

std::vector<std::string> TableNames(Connection& connection) {
    auto statement = connection.prepare(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
        "ORDER BY rowid");
    std::vector<std::string> names;
    while (statement.step()) names.push_back(statement.text(0).value_or(""));
    return names;
}

std::shared_ptr<Connection> SqliteEngine::connection(const std::string& databaseName) {
    if (auto open = connections_[databaseName].lock()) return open;
    // Every commit reaches the disk before it returns (the rollback journal keeps the file
    // whole, and a copy of the file alone always holds everything committed).
    auto opened = std::make_shared<Connection>(databaseName, Connection::Mode::ReadWrite, vfs_);
    connections_[databaseName] = opened;
    return opened;
}

void SqliteEngine::transaction(const std::string& databaseName, const std::function<void()>& work) {
    if (openTransactions_ > 0) throw storage::NestedTransaction();
    auto db = connection(databaseName);
    if (!sqlite3_get_autocommit(db->handle())) throw storage::NestedTransaction();
    struct Open {
        int& count;
        explicit Open(int& count) : count(count) { ++count; }
        ~Open() { --count; }
    } open(openTransactions_);
    Transaction transaction(*db);
    work();
    transaction.commit();
}

void SqliteEngine::createDatabase(const std::string& databaseName, const storage::TableSpec& table,
                                  const storage::Record& record) {
    namespace fs = std::filesystem;
    const std::string making = databaseName + ".making";
    std::error_code error;
    fs::remove(making, error);
    try {
        {
            Connection db(making, Connection::Mode::Create);
            db.execute(CreateTableSql(table));
            std::string marks;
            for (std::size_t i = 0; i < table.fields.size(); ++i) marks += i ? ", ?" : "?";
            auto insert = db.prepare("INSERT INTO " + QuoteIdentifier(table.name) + " VALUES (" +
                                     marks + ")");
            for (std::size_t i = 0; i < table.fields.size(); ++i)
                insert.bind(static_cast<int>(i + 1),
                            i < record.size() ? record[i] : storage::FieldValue{});
            insert.run();
        }
        release(databaseName);
        fs::rename(making, databaseName);
    } catch (...) {
        fs::remove(making, error);
        throw;
    }
}

bool SqliteEngine::hasTable(const std::string& databaseName, const std::string& table) {
    auto statement = connection(databaseName)->prepare(
        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    statement.bind(1, table);
    return statement.step();
}

void SqliteEngine::addTable(const std::string& databaseName, const storage::TableSpec& table) {
    if (hasTable(databaseName, table.name)) return;
    connection(databaseName)->execute(CreateTableSql(table));
}

std::unique_ptr<storage::Hold> SqliteEngine::hold(const std::string& databaseName) {
    return MeetLock::Take(databaseName);
}

void SqliteEngine::release(const std::string& databaseName) {
    connections_.erase(databaseName);
}

std::unique_ptr<storage::Table> SqliteEngine::openTable(const std::string& databaseName,
                                                        const std::string& recordSource,
                                                        const std::string& sortField) {
    return std::make_unique<SqliteRecordTable>(connection(databaseName), recordSource, sortField);
}

}  // namespace kvt::meetdb
