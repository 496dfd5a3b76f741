#include "meetdb/station_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <random>

#include "storage/record_fields.h"

namespace kvt::meetdb {

namespace {

constexpr int Fields = storage::column::impulse::Count;
// The stations one user may run on one meet on one computer.
constexpr int MostJournals = 32;

std::string NewStationName() {
    std::random_device random;
    char name[24];
    std::snprintf(name, sizeof name, "%08x%08x", random(), random());
    return name;
}

}  // namespace

SqliteStationJournal::SqliteStationJournal(const std::string& path, const std::string& vfs) {
    // Held on a file of its own: a descriptor of the journal itself closed by this program would
    // let go of SQLite's own locks on it.
    lock_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_ < 0) throw SqliteError("the station's journal cannot be locked: " + path);
    if (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lock_);
        lock_ = -1;
        throw JournalInUse("the station's journal is another program's: " + path);
    }
    try {
        open(path, vfs);
    } catch (...) {
        ::close(lock_);
        lock_ = -1;
        throw;
    }
}

SqliteStationJournal::~SqliteStationJournal() {
    try {
        if (db_ && sentUpTo_ > markedUpTo_) writeMark();
    } catch (const std::exception&) {
        // Offered again at the next opening; the server's key refuses a second copy.
    }
    db_.reset();
    if (lock_ >= 0) ::close(lock_);
}

void SqliteStationJournal::open(const std::string& path, const std::string& vfs) {
    const bool made = !std::filesystem::exists(path);
    db_ = std::make_unique<Connection>(
        path, made ? Connection::Mode::Create : Connection::Mode::ReadWrite, vfs,
        Connection::Locking::Exclusive);
    // The file is this program's alone while it runs (the lock above): its own lock held for
    // good lets the log-ahead journal do without shared memory. An impulse kept is then one
    // append to the log and one sync, where a rollback journal took five syncs (the journal,
    // its header, the file, the folder twice). Where the log cannot be had, the rollback
    // journal stays, as safe and slower.
    {
        auto mode = db_->prepare("PRAGMA journal_mode = WAL");
        if (mode.step()) walMode_ = mode.text(0).value_or("") == "wal";
    }
    std::string fields;
    for (int i = 0; i < Fields; ++i) fields += ", \"f" + std::to_string(i) + "\" TEXT";
    Transaction transaction(*db_);
    db_->execute("CREATE TABLE IF NOT EXISTS \"Station\" (\"Name\" TEXT NOT NULL)");
    db_->execute("CREATE TABLE IF NOT EXISTS \"Kept\" (\"Sequence\" INTEGER PRIMARY KEY, "
                 "\"Sent\" INTEGER NOT NULL DEFAULT 0" + fields + ")");
    auto name = db_->prepare("SELECT \"Name\" FROM \"Station\"");
    if (name.step()) {
        station_ = name.text(0).value_or("");
    } else {
        station_ = NewStationName();
        db_->prepare("INSERT INTO \"Station\" (\"Name\") VALUES (?1)").bind(1, station_).run();
    }
    transaction.commit();
}

long long SqliteStationJournal::keep(const storage::Record& impulse) {
    std::string names = "\"Sent\"", values = "0";
    for (int i = 0; i < Fields; ++i) {
        names += ", \"f" + std::to_string(i) + "\"";
        values += ", ?" + std::to_string(i + 1);
    }
    // The impulses marked sent since the last one kept ride in its commit: one sync for both.
    const long long markedBefore = markedUpTo_;
    try {
        Transaction transaction(*db_);
        if (sentUpTo_ > markedUpTo_) writeMark();
        auto insert =
            db_->prepare("INSERT INTO \"Kept\" (" + names + ") VALUES (" + values + ")");
        for (int i = 0; i < Fields; ++i)
            insert.bind(i + 1, i < static_cast<int>(impulse.size()) ? impulse[i] : std::nullopt);
        insert.run();
        const long long sequence = sqlite3_last_insert_rowid(db_->handle());
        transaction.commit();
        return sequence;
    } catch (...) {
        markedUpTo_ = markedBefore;  // the mark was rolled back with the impulse
        throw;
    }
}

void SqliteStationJournal::writeMark() {
    db_->prepare("UPDATE \"Kept\" SET \"Sent\" = 1 WHERE \"Sent\" = 0 AND \"Sequence\" <= ?1")
        .bind(1, sentUpTo_)
        .run();
    markedUpTo_ = sentUpTo_;
}

void SqliteStationJournal::sent(long long sequence) {
    sentUpTo_ = std::max(sentUpTo_, sequence);
}

std::vector<std::pair<long long, storage::Record>> SqliteStationJournal::waiting() {
    std::string names = "\"Sequence\"";
    for (int i = 0; i < Fields; ++i) names += ", \"f" + std::to_string(i) + "\"";
    auto rows = db_->prepare("SELECT " + names +
                             " FROM \"Kept\" WHERE \"Sent\" = 0 AND \"Sequence\" > ?1 ORDER BY "
                             "\"Sequence\"");
    rows.bind(1, sentUpTo_);
    std::vector<std::pair<long long, storage::Record>> kept;
    while (rows.step()) {
        storage::Record record(Fields);
        for (int i = 0; i < Fields; ++i) record[i] = rows.text(i + 1);
        kept.emplace_back(rows.integer(0), std::move(record));
    }
    return kept;
}

std::string StationJournalPath(const std::string& settingsFolder, const std::string& meetName) {
    std::string file;
    for (char ch : meetName)
        file += std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '_' || ch == '-'
                    ? ch
                    : '_';
    return (std::filesystem::path(settingsFolder) / ("Station-" + file + ".journal")).string();
}

std::unique_ptr<SqliteStationJournal> OpenStationJournal(const std::string& settingsFolder,
                                                         const std::string& meetName) {
    const std::string first = StationJournalPath(settingsFolder, meetName);
    const std::string stem = first.substr(0, first.size() - std::string(".journal").size());
    for (int n = 1; n <= MostJournals; ++n) {
        try {
            return std::make_unique<SqliteStationJournal>(
                n == 1 ? first : stem + "-" + std::to_string(n) + ".journal");
        } catch (const JournalInUse&) {
            // Another station of this user's on this meet: the next one.
        }
    }
    throw JournalInUse("every journal of the meet is another program's: " + first);
}

}  // namespace kvt::meetdb
