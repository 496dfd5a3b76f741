// The meet's storage on a PostgreSQL server: one database per meet, its tables with the same
// names and fields as a meet file's, their records in stored order (a position column of the
// engine's own, never one of the fields), each operator action one server transaction.
// A catalog of the engine's own in the database keeps the tables' order and their fields'
// declared types, so that the meet can be written back as a meet file alike.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "pgdb/pq.h"
#include "storage/store.h"

namespace kvt::pgdb {

// The catalog's tables and the stations' table, made with the first table of a meet.
inline constexpr const char* CatalogTables = "kvt_tables";
inline constexpr const char* CatalogColumns = "kvt_columns";
inline constexpr const char* CatalogFile = "kvt_file";
inline constexpr const char* StationsTable = "kvt_stations";
// The change feed: its counter (one row) and the changes, by the counter's number.
inline constexpr const char* FeedTable = "kvt_feed";
inline constexpr const char* ChangesTable = "kvt_changes";
// The position column of every meet table.
inline constexpr const char* RowColumn = "kvt_row";

// How SQLite would keep a value of a field of that declared type: the ordering and the text a
// number reads back as follow it.
enum class Affinity { Text, Numeric, Integer, Real, Blob };
Affinity AffinityOf(const std::string& declared);
// The value as a field of that affinity would give it back ("05" as "5" in an INTEGER field).
Value AsStored(Affinity affinity, const Value& value);

// Makes the catalog when the database lacks it (inside the caller's transaction, if any).
void MakeCatalog(PgConnection& connection);
// Makes a meet table and records it in the catalog: fields of those names and declared types.
void MakeTable(PgConnection& connection, const std::string& table,
               const std::vector<std::pair<std::string, std::string>>& fields);

// A station on a server meet: the meet is not held for one program, but each program on it is
// known by a number of its own while it is there.
class StationHold : public storage::Hold {
public:
    explicit StationHold(const Reach& reach);
    ~StationHold() override;
    int station() const { return station_; }

private:
    std::unique_ptr<PgConnection> connection_;
    int station_ = 0;
};

// The change feed of a server meet for one station: a connection of its own that listens for
// the server's wake-ups and reads the changes, and holds the turn (a lock of the server's,
// let go with the connection should the program end while it holds it).
class PgFeed : public storage::ChangeFeed {
public:
    // records: finds the connection the station commits on, when one is open (told what the
    // feed held at its turn).
    PgFeed(const Reach& reach, int station,
           std::function<std::shared_ptr<PgConnection>()> records = {});
    int station() const override { return station_; }
    // How long a prepared commit's station must have been seen gone before the turn's holder
    // completes it.
    void setLeftBehindAfter(std::chrono::seconds after) { leftBehindAfter_ = after; }
    bool woken() override;
    std::vector<storage::Change> since(long long sequence, long long& reached) override;
    long long head() override;
    std::vector<storage::Change> takeTurn(long long sequence, long long& reached) override;
    void endTurn() noexcept override;

private:
    std::vector<storage::Change> changesOf(const Result& rows, long long& reached) const;
    PgConnection connection_;
    int station_ = 0;
    std::function<std::shared_ptr<PgConnection>()> records_;
    std::shared_ptr<PgConnection> records() const;
    bool turn_ = false;
    long long turnSession_ = 0;
    // Completes, under the turn, the commits that stations gone from the server left prepared
    // (they hold the feed's counter from every station); true when one was.
    bool completeLeftBehind();
    std::chrono::steady_clock::time_point nextLookBehind_{};
    std::chrono::seconds leftBehindAfter_{30};
    // Each prepared commit whose station was found gone, and when it was first found so.
    std::map<std::string, std::chrono::steady_clock::time_point> goneSince_;
};

class PgEngine : public storage::Engine {
public:
    // The password to use for a server meet's name (kept in memory only).
    void setPassword(const std::string& databaseName, std::string password);
    // For the feeds made from now on (see PgFeed::setLeftBehindAfter).
    void setLeftBehindAfter(std::chrono::seconds after) { leftBehindAfter_ = after; }
    // How the server of a name is reached (its password included); throws when the name is no
    // server meet's.
    Reach reach(const std::string& databaseName) const;
    // The open connection to a database (made on first use).
    std::shared_ptr<PgConnection> connection(const std::string& databaseName);

    std::unique_ptr<storage::Table> openTable(const std::string& databaseName,
                                              const std::string& recordSource,
                                              const std::string& sortField = "") override;
    void release(const std::string& databaseName) override;
    void transaction(const std::string& databaseName, const std::function<void()>& work) override;
    bool inTransaction() const override { return openTransactions_ > 0; }
    storage::Reachability reachability(const std::string& databaseName) override;
    // A station's identity on the meet (never HeldElsewhere: many stations share a meet).
    std::unique_ptr<storage::Hold> hold(const std::string& databaseName) override;
    void createDatabase(const std::string& databaseName, const storage::TableSpec& table,
                        const storage::Record& record) override;
    bool hasTable(const std::string& databaseName, const std::string& table) override;
    void addTable(const std::string& databaseName, const storage::TableSpec& table) override;
    // The feed of the station this engine holds the meet for (none before it holds it).
    std::unique_ptr<storage::ChangeFeed> feed(const std::string& databaseName) override;

private:
    std::map<std::string, std::weak_ptr<PgConnection>> connections_;
    std::map<std::string, int> stations_;
    std::chrono::seconds leftBehindAfter_{30};
    std::map<std::string, std::string> passwords_;
    int openTransactions_ = 0;
};

// Meet files by their paths, server meets by their names: one engine for the program.
class Engines : public storage::Engine {
public:
    Engines(storage::Engine& files, PgEngine& server) : files_(files), server_(server) {}
    PgEngine& server() { return server_; }
    std::unique_ptr<storage::Table> openTable(const std::string& databaseName,
                                              const std::string& recordSource,
                                              const std::string& sortField = "") override {
        return of(databaseName).openTable(databaseName, recordSource, sortField);
    }
    void release(const std::string& databaseName) override { of(databaseName).release(databaseName); }
    void transaction(const std::string& databaseName, const std::function<void()>& work) override {
        if (inTransaction()) throw storage::NestedTransaction();
        of(databaseName).transaction(databaseName, work);
    }
    std::unique_ptr<storage::Hold> hold(const std::string& databaseName) override {
        return of(databaseName).hold(databaseName);
    }
    bool inTransaction() const override {
        return files_.inTransaction() || server_.inTransaction();
    }
    storage::Reachability reachability(const std::string& databaseName) override {
        return of(databaseName).reachability(databaseName);
    }
    void createDatabase(const std::string& databaseName, const storage::TableSpec& table,
                        const storage::Record& record) override {
        of(databaseName).createDatabase(databaseName, table, record);
    }
    bool hasTable(const std::string& databaseName, const std::string& table) override {
        return of(databaseName).hasTable(databaseName, table);
    }
    void addTable(const std::string& databaseName, const storage::TableSpec& table) override {
        of(databaseName).addTable(databaseName, table);
    }
    std::unique_ptr<storage::ChangeFeed> feed(const std::string& databaseName) override {
        return of(databaseName).feed(databaseName);
    }

private:
    storage::Engine& of(const std::string& databaseName);
    storage::Engine& files_;
    PgEngine& server_;
};

}  // namespace kvt::pgdb
