// The database engine behind the data controls: tables of SQLite files, records in stored
// (rowid) order.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "meetdb/sqlite.h"
#include "storage/store.h"

namespace kvt::meetdb {

class SqliteEngine : public storage::Engine {
public:
    // vfs names the SQLite file system its connections use (empty: the system's own).
    explicit SqliteEngine(std::string vfs = "") : vfs_(std::move(vfs)) {}
    std::unique_ptr<storage::Table> openTable(const std::string& databaseName,
                                              const std::string& recordSource,
                                              const std::string& sortField = "") override;
    // The open connection to a database file (opened on first use; never creates the file).
    std::shared_ptr<Connection> connection(const std::string& databaseName);
    // Closes every connection to the file (before it is replaced, reset or deleted).
    void release(const std::string& databaseName) override;
    void transaction(const std::string& databaseName, const std::function<void()>& work) override;
    bool inTransaction() const override { return openTransactions_ > 0; }
    std::unique_ptr<storage::Hold> hold(const std::string& databaseName) override;
    void createDatabase(const std::string& databaseName, const storage::TableSpec& table,
                        const storage::Record& record) override;
    bool hasTable(const std::string& databaseName, const std::string& table) override;
    void addTable(const std::string& databaseName, const storage::TableSpec& table) override;

private:
    std::map<std::string, std::weak_ptr<Connection>> connections_;
    int openTransactions_ = 0;
    std::string vfs_;
};

// The names of the tables of a database, in the order they were made.
std::vector<std::string> TableNames(Connection& connection);

}  // namespace kvt::meetdb
