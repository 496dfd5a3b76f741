// The storage a meet and the pages' bindings are kept in: named tables of records in stored
// order, changed in transactions. Today SQLite files (meetdb/); the interface names a database
// by a text and a record by its position, so that a database server shared by several
// stations could take the place of the files.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "storage/schema.h"

namespace kvt::storage {

// A stored value; no value stands for the database's Null.
using FieldValue = std::optional<std::string>;
using Record = std::vector<FieldValue>;
using NamedFields = std::vector<std::pair<std::string, FieldValue>>;

// A transaction asked for while another one is open: a fault of the program, never joined.
class NestedTransaction : public std::logic_error {
public:
    NestedTransaction() : std::logic_error("a transaction was begun inside another one") {}
};

// A database held by another program (on this machine or another one sharing its folder);
// holder says who, as far as it is known.
class HeldElsewhere : public std::runtime_error {
public:
    explicit HeldElsewhere(std::string holder)
        : std::runtime_error("held by " + holder), holder(std::move(holder)) {}
    std::string holder;
};

// Keeps a database for this program alone while it lives.
class Hold {
public:
    virtual ~Hold() = default;
};

// A record another program stored in a database shared by several stations: the table and the
// record's key (the engine's own; 0: the table itself was made; a negative key: the records from
// that key on were taken away), numbered by the order the server committed them.
struct Change {
    long long sequence = 0;
    int station = 0;
    std::string table;
    long long key = 0;
};

// What the stations of a shared database store, in the order it was committed, and the turn
// each station takes to act on the meet as it is (one station at a time).
class ChangeFeed {
public:
    virtual ~ChangeFeed() = default;
    // This program's station number.
    virtual int station() const = 0;
    // A wake-up came from the server since the last look (never waits).
    virtual bool woken() = 0;
    // The changes committed after sequence, in order, and the sequence reached (sequence
    // itself when none came).
    virtual std::vector<Change> since(long long sequence, long long& reached) = 0;
    // The sequence the server has reached now.
    virtual long long head() = 0;
    // The turn: no other station stores anything until it ends (bounded: throws when the turn
    // cannot be had within a few seconds). Taken, it gives the changes committed after
    // sequence as since does (in the same round trip where the engine can).
    virtual std::vector<Change> takeTurn(long long sequence, long long& reached) = 0;
    virtual void endTurn() noexcept = 0;
};

// One table's records in stored order, numbered from 1.
class Table {
public:
    virtual ~Table() = default;
    virtual std::vector<std::string> fieldNames() = 0;
    virtual int recordCount() = 0;
    virtual Record readRecord(int position) = 0;
    // Every record in order, in one read.
    virtual std::vector<Record> readAll() = 0;
    // Every record in order with only the fields at the given indices read (the others stay
    // empty; each record keeps every field's place). An engine that cannot read fewer fields
    // reads them all.
    virtual std::vector<Record> readFields(const std::vector<int>& fields) {
        (void)fields;
        return readAll();
    }
    // Writes the given fields of a record (stored when the transaction around it commits, or
    // at once outside one).
    virtual void writeFields(int position, const NamedFields& fields) = 0;
    // The same fields of many records, each record's values in the order of fields.
    virtual void writeRecords(const std::vector<std::string>& fields,
                              const std::vector<std::pair<int, Record>>& records) = 0;
    // Adds a record after the last one, its fields in order; returns the new record count.
    virtual int appendRecord(const Record& fields) = 0;
    // Takes away the records from position on to the last (a handle in stored order).
    virtual void removeRecordsFrom(int position) = 0;
    // Reads the order of the records again: after another handle added records, or after a
    // transaction that added some was rolled back.
    virtual void reread() = 0;
    // Records added after the last one this handle knows, in stored order, join it.
    virtual void readAdded() = 0;
    // The records in the order given, as positions of the stored order (a handle opened in
    // stored order); false, and the order unchanged, when they are not each record once.
    virtual bool arrange(const std::vector<int>& storedPositions) = 0;
    // The position of the record with the engine's key a Change names (0: none this handle
    // knows); a handle of an engine without keys knows none.
    virtual int positionOfKey(long long /*key*/) { return 0; }
};

// How a database is reached now: a meet file always is; a meet on a server may be away, since
// a moment of the system clock (seconds since the epoch).
struct Reachability {
    bool onServer = false;
    bool reached = true;
    long long awaySince = 0;
};

class Engine {
public:
    virtual ~Engine() = default;
    // Looks without waiting whether the database is reached, and takes a step towards reaching
    // it again when it is not.
    virtual Reachability reachability(const std::string& /*databaseName*/) { return {}; }
    // Opens the table (record source) of an existing database, its records in stored order,
    // or ascending by sortField (records without a value last, ties in stored order); throws
    // when it cannot.
    virtual std::unique_ptr<Table> openTable(const std::string& databaseName,
                                             const std::string& recordSource,
                                             const std::string& sortField = "") = 0;
    // Lets go of every connection to the database that no table handle still uses.
    virtual void release(const std::string& databaseName) = 0;
    // Runs work so that all it writes to the database is stored together, durably, or not at
    // all; throws what work threw or why the commit failed (everything rolled back then). It
    // never joins another transaction: begun inside one, it throws NestedTransaction.
    virtual void transaction(const std::string& databaseName,
                             const std::function<void()>& work) = 0;
    // Holds the database for this program until the hold is let go; throws HeldElsewhere
    // when another program holds it, or a runtime_error when it cannot be held at all.
    virtual std::unique_ptr<Hold> hold(const std::string& databaseName) = 0;
    // True while a transaction is open (no dialog and no event pumping may run then).
    virtual bool inTransaction() const = 0;
    // Makes a new database holding one table with one record; it is there whole or not at all
    // (an existing one of that name is replaced only once the new one is whole).
    virtual void createDatabase(const std::string& databaseName, const TableSpec& table,
                                const Record& record) = 0;
    // Whether the database holds a table of that name.
    virtual bool hasTable(const std::string& databaseName, const std::string& table) = 0;
    // Makes the table, empty, in an existing database that lacks it (a table of that name
    // already there is left as it is). Inside a transaction it is made with it, or not at all.
    virtual void addTable(const std::string& databaseName, const TableSpec& table) = 0;
    // What other stations store in a database they share with this program, for a station
    // that holds it; none for a database of one program (a meet file).
    virtual std::unique_ptr<ChangeFeed> feed(const std::string& /*databaseName*/) {
        return nullptr;
    }
};

}  // namespace kvt::storage
