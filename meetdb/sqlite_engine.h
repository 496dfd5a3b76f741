// The database engine behind the data controls: tables of SQLite files, records in stored
// (rowid) order.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "meetdb/sqlite.h"
#include "ui/data_binding.h"

namespace kvt::meetdb {

class SqliteEngine : public ui::DatabaseEngine {
public:
    std::unique_ptr<ui::RecordTable> openTable(const std::string& databaseName,
                                               const std::string& recordSource,
                                               const std::string& sortField = "") override;
    // The open connection to a database file (opened on first use; never creates the file).
    std::shared_ptr<Connection> connection(const std::string& databaseName);
    // Closes every connection to the file (before it is replaced, reset or deleted).
    void release(const std::string& databaseName) override;
    void transaction(const std::string& databaseName, const std::function<void()>& work) override;

private:
    std::map<std::string, std::weak_ptr<Connection>> connections_;
};

// The names of the tables of a database, in the order they were made.
std::vector<std::string> TableNames(Connection& connection);

}  // namespace kvt::meetdb
