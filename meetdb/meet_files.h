// Work on meet database files as files, while no meet is open on them: the checks before a
// file is opened, making and remaking tables, compacting and repairing. SQLite is behind it;
// the commands above see only paths, tables and records.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "lang/language_texts.h"
#include "storage/schema.h"
#include "storage/store.h"

namespace kvt::meetdb {

class Connection;

// The file format recorded in a meet database (user_version): 2 for the 16-bit choice of the
// setup page, 3 for the 32-bit one; and the collating order (application_id): the language
// identifier 0x0414 in the high half, code page 1252 in the low half.
inline constexpr int Format16Bit = 2;
inline constexpr int Format32Bit = 3;
inline constexpr int CollatingOrder = (0x0414 << 16) | 1252;

// A meet database file held open to make, reset or read its tables.
class MeetFile {
public:
    // An existing file; throws when it is no database.
    explicit MeetFile(const std::string& path);
    // A new, empty file of the format given (an existing one is replaced).
    MeetFile(const std::string& path, int format);
    ~MeetFile();
    MeetFile(const MeetFile&) = delete;
    MeetFile& operator=(const MeetFile&) = delete;

    bool hasTable(const std::string& name);
    void dropTable(const std::string& name);
    // The number of records of the table.
    long long recordCount(const std::string& name);
    // The number of records whose field holds a value (not empty, not "-").
    long long filledCount(const std::string& table, const std::string& field);
    // Runs work as one transaction: everything it drops, makes and sets is in the file
    // together or not at all, whenever the program is stopped or the power goes.
    void inOneTransaction(const std::function<void()>& work);
    // Makes the table (replacing one of that name) and fills it with count records, in one
    // transaction (or in the one open): it is there whole or not at all. progress(k) is told
    // each record.
    void makeTable(const storage::TableSpec& table, int count,
                   const std::function<storage::Record(int)>& record,
                   const std::function<void(int)>& progress);
    // Adds a record after the table's last one, making the table first when the file has
    // none of that name (in the transaction open, or in one of its own).
    void appendRecord(const storage::TableSpec& table, const storage::Record& record);
    // A field of the table's first record; no value when there is none.
    std::optional<std::string> firstValue(const std::string& table, const std::string& field);
    // Sets fields of every record of the table.
    void setFields(const std::string& table, const storage::NamedFields& fields);
    // Lets go of the file.
    void close();

private:
    std::unique_ptr<Connection> db_;
};

// Why a file cannot be opened as a meet database of the language in force.
// Language: reason is the language value the meet was made with.
struct Examination {
    enum Kind { Fine, Language, NotMeet, Bounds } kind = Fine;
    std::string reason;
};
// The most times a meet keeps (its counts are 16-bit), and so the most rows of its Time table.
inline constexpr int MaxTimeRows = 32767;
// What the path is, told before anything opens it: no file, a folder, a device or pipe, a
// file or folder that cannot be written, a file that is no database. No value when it may be
// a meet database.
std::optional<Examination> ExaminePath(const std::string& path, lang::Language language);
// Checks the file wholly before anything of it is used: a database, not damaged, of the
// language number given, with every table and field, counts within the program's bounds.
// A write left unfinished by a program stopped in the middle is examined undone, on a copy:
// the file and its journal are written to only once it is known to be a meet.
Examination ExamineMeetFile(const std::string& path, const lang::TextTable& words,
                            double languageNumber, lang::Language language);

// Lets SQLite finish what a program stopped in the middle of a write left (its journal rolls
// the write back), as opening the file for work would; throws when the file cannot be opened.
void FinishInterruptedWrite(const std::string& path);

// Compacts a database into a new file beside target and puts it in target's place in one
// step, synced: after a kill or a power cut target is the old file or the new one, whole.
// The new file is removed again when anything fails.
void CompactInto(const std::string& source, const std::string& target);
// Compacts the database at path into temporary and puts that in path's place in one step,
// synced; temporary is removed again when anything fails.
void CompactInPlace(const std::string& path, const std::string& temporary);

struct RepairReport {
    bool damaged = false;
    long long recordsKept = 0;
    int readFailures = 0;
    std::string damagedCopy;  // where the damaged file was kept
};
// Not one record of a damaged file could be read.
class NothingReadableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Checks the file and, when it is damaged, rebuilds it from every record that can be read.
// Throws when the file cannot be read as a database at all. The damaged file is kept beside
// (with its journal, which never meets the rebuilt file), and the rebuilt one takes its name
// in one step: after a kill or a power cut the name holds the damaged file or the rebuilt one.
RepairReport RepairFile(const std::string& path);

// The file's name without its last four characters, followed by an ending.
std::string BesideName(const std::string& path, const std::string& ending);

}  // namespace kvt::meetdb
