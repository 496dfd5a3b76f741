// The station's journal of impulses as a small SQLite file of its own, beside the user's
// settings: one per server meet, synced at every impulse kept (a log-ahead journal, one sync
// an impulse).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "meetdb/sqlite.h"
#include "storage/station_journal.h"

namespace kvt::meetdb {

// The journal is another program's (of the same user, on the same meet) while it runs.
class JournalInUse : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteStationJournal : public storage::StationJournal {
public:
    // Opens the journal at path, made (with a new station name) when it is not there, and holds
    // it for this program alone (a lock on the file beside it, "path.lock", let go with the
    // program); throws JournalInUse when another program holds it, SqliteError when it cannot
    // be opened. vfs: SQLite's file system to use (a test's), the system's when empty.
    explicit SqliteStationJournal(const std::string& path, const std::string& vfs = {});
    ~SqliteStationJournal() override;
    SqliteStationJournal(const SqliteStationJournal&) = delete;
    SqliteStationJournal& operator=(const SqliteStationJournal&) = delete;
    const std::string& station() const override { return station_; }
    long long keep(const storage::Record& impulse) override;
    // Marked sent in memory at once, on the disk with the next impulse kept (in its commit) or
    // when the journal is let go: a mark lost with the program only offers the impulses again
    // at the next opening, where the server's key shows them sent.
    void sent(long long sequence) override;
    std::vector<std::pair<long long, storage::Record>> waiting() override;
    // Whether the journal is kept with a log ahead (one sync an impulse).
    bool logAhead() const { return walMode_; }

private:
    void open(const std::string& path, const std::string& vfs);
    void writeMark();
    long long sentUpTo_ = 0, markedUpTo_ = 0;
    int lock_ = -1;
    bool walMode_ = false;
    std::unique_ptr<Connection> db_;
    std::string station_;
};

// The journal's file for a server meet's name, in the settings folder: the name with every
// character but letters, digits, '.', '_' and '-' made '_'.
std::string StationJournalPath(const std::string& settingsFolder, const std::string& meetName);
// The station's journal for a server meet: the first of the meet's journals in the settings
// folder that no running program holds (Station-<meet>.journal, then -2, -3, ...), so that two
// programs of one user on one meet are two stations, each with its own journal, and a program
// started again takes up a journal whose impulses wait to be sent. Throws when none can be had.
std::unique_ptr<SqliteStationJournal> OpenStationJournal(const std::string& settingsFolder,
                                                         const std::string& meetName);

}  // namespace kvt::meetdb
