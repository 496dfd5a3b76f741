// The station's journal of impulses as a small SQLite file of its own, beside the user's
// settings: one per server meet, synced at every impulse.
#pragma once

#include <memory>
#include <string>

#include "meetdb/sqlite.h"
#include "storage/station_journal.h"

namespace kvt::meetdb {

class SqliteStationJournal : public storage::StationJournal {
public:
    // Opens the journal at path, made (with a new station name) when it is not there; throws
    // SqliteError when it cannot.
    explicit SqliteStationJournal(const std::string& path);
    const std::string& station() const override { return station_; }
    long long keep(const storage::Record& impulse) override;
    void sent(long long sequence) override;
    std::vector<std::pair<long long, storage::Record>> waiting() override;

private:
    std::unique_ptr<Connection> db_;
    std::string station_;
};

// The journal's file for a server meet's name, in the settings folder: the name with every
// character but letters, digits, '.', '_' and '-' made '_'.
std::string StationJournalPath(const std::string& settingsFolder, const std::string& meetName);

}  // namespace kvt::meetdb
