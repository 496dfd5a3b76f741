#include "meetdb/meet_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

#include "base/number_text.h"
#include "lang/file_texts.h"
#include "lang/meet_texts.h"
#include "meetdb/sqlite.h"

namespace kvt::meetdb {

namespace fs = std::filesystem;

std::string BesideName(const std::string& path, const std::string& ending) {
    return (path.size() > 4 ? path.substr(0, path.size() - 4) : path) + ending;
}

// ---- a meet file held open ----

namespace {

std::string insertSql(const storage::TableSpec& table, std::size_t fieldCount) {
    std::string sql = "INSERT INTO " + QuoteIdentifier(table.name) + " (";
    for (std::size_t i = 0; i < fieldCount; ++i)
        sql += (i ? ", " : "") + QuoteIdentifier(table.fields[i].name);
    sql += ") VALUES (";
    for (std::size_t i = 0; i < fieldCount; ++i) sql += (i ? ", ?" : "?") + std::to_string(i + 1);
    return sql + ")";
}

}  // namespace

MeetFile::MeetFile(const std::string& path)
    : db_(std::make_unique<Connection>(path, Connection::Mode::ReadWrite)) {}

MeetFile::MeetFile(const std::string& path, int format) {
    std::error_code error;
    fs::remove(path, error);
    db_ = std::make_unique<Connection>(path, Connection::Mode::Create);
    db_->execute("PRAGMA user_version = " + std::to_string(format));
    db_->execute("PRAGMA application_id = " + std::to_string(CollatingOrder));
}

MeetFile::~MeetFile() = default;

void MeetFile::close() {
    db_.reset();
}

bool MeetFile::hasTable(const std::string& name) {
    auto query = db_->prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    query.bind(1, name);
    return query.step();
}

void MeetFile::dropTable(const std::string& name) {
    db_->execute("DROP TABLE " + QuoteIdentifier(name));
}

long long MeetFile::recordCount(const std::string& name) {
    auto query = db_->prepare("SELECT count(*) FROM " + QuoteIdentifier(name));
    return query.step() ? query.integer(0) : 0;
}

long long MeetFile::filledCount(const std::string& table, const std::string& field) {
    auto query = db_->prepare("SELECT count(*) FROM " + QuoteIdentifier(table) + " WHERE trim(" +
                              QuoteIdentifier(field) + ") NOT IN ('', '-')");
    return query.step() ? query.integer(0) : 0;
}

void MeetFile::inOneTransaction(const std::function<void()>& work) {
    Transaction transaction(*db_);
    work();
    transaction.commit();
}

void MeetFile::makeTable(const storage::TableSpec& table, int count,
                         const std::function<storage::Record(int)>& record,
                         const std::function<void(int)>& progress) {
    // Its own transaction, unless it is part of a larger one.
    std::optional<Transaction> transaction;
    if (sqlite3_get_autocommit(db_->handle())) transaction.emplace(*db_);
    if (hasTable(table.name)) dropTable(table.name);
    db_->execute(CreateTableSql(table));
    if (count > 0) {
        storage::Record first = record(1);
        auto insert = db_->prepare(insertSql(table, first.size()));
        for (int k = 1; k <= count; ++k) {
            progress(k);
            storage::Record values = k == 1 ? first : record(k);
            for (std::size_t i = 0; i < values.size(); ++i)
                insert.bind(static_cast<int>(i + 1), values[i]);
            insert.run();
            insert.reset();
        }
    }
    if (transaction) transaction->commit();
}

void MeetFile::appendRecord(const storage::TableSpec& table, const storage::Record& record) {
    std::optional<Transaction> transaction;
    if (sqlite3_get_autocommit(db_->handle())) transaction.emplace(*db_);
    if (!hasTable(table.name)) db_->execute(CreateTableSql(table));
    auto insert = db_->prepare(insertSql(table, record.size()));
    for (std::size_t i = 0; i < record.size(); ++i)
        insert.bind(static_cast<int>(i + 1), record[i]);
    insert.run();
    if (transaction) transaction->commit();
}

std::optional<std::string> MeetFile::firstValue(const std::string& table,
                                                const std::string& field) {
    auto query = db_->prepare("SELECT " + QuoteIdentifier(field) + " FROM " +
                              QuoteIdentifier(table) + " ORDER BY rowid LIMIT 1");
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

void MeetFile::setFields(const std::string& table, const storage::NamedFields& fields) {
    std::string sql = "UPDATE " + QuoteIdentifier(table) + " SET ";
    for (std::size_t i = 0; i < fields.size(); ++i)
        sql += (i ? ", " : "") + QuoteIdentifier(fields[i].first) + " = ?" + std::to_string(i + 1);
    auto update = db_->prepare(sql);
    for (std::size_t i = 0; i < fields.size(); ++i)
        update.bind(static_cast<int>(i + 1), fields[i].second);
    update.run();
}

// ---- the checks before opening ----

namespace {

std::vector<std::string> columnsOf(Connection& db, const std::string& table) {
    auto query = db.prepare("SELECT name FROM pragma_table_info(?1) ORDER BY cid");
    query.bind(1, table);
    std::vector<std::string> names;
    while (query.step()) names.push_back(query.text(0).value_or(""));
    return names;
}

// A table that should hold the meet's one record of its kind holds none.
struct NoRecordError : std::runtime_error {
    explicit NoRecordError(const std::string& table) : std::runtime_error(table), table(table) {}
    std::string table;
};

std::optional<std::string> firstValue(Connection& db, const std::string& table,
                                      const std::string& field) {
    auto query = db.prepare("SELECT " + QuoteIdentifier(field) + " FROM " + QuoteIdentifier(table) +
                            " ORDER BY rowid LIMIT 1");
    if (!query.step()) throw NoRecordError(table);
    return query.text(0);
}

// The journal of a database file: SQLite keeps it beside the file's real path (a symlink
// resolved).
std::string journalOf(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    return (error ? path : real.string()) + "-journal";
}

// A copy of the file and of the journal beside it, in a folder of its own, so that SQLite can
// undo the unfinished write there: the file itself is written only once it is known as a meet.
class RecoveredCopy {
public:
    RecoveredCopy(const std::string& path, const std::string& journal) {
        folder_ =
            fs::temp_directory_path() / ("kvt-examine-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(folder_);
        copy_ = (folder_ / fs::path(path).filename()).string();
        fs::copy_file(path, copy_);
        fs::copy_file(journal, copy_ + "-journal");
        Connection db(copy_, Connection::Mode::ReadWrite);
        auto read = db.prepare("SELECT count(*) FROM sqlite_master");
        read.step();
    }
    ~RecoveredCopy() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    const std::string& path() const { return copy_; }

private:
    fs::path folder_;
    std::string copy_;
};

constexpr char SqliteHeader[] = "SQLite format 3";

bool startsAsDatabase(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char header[16] = {};
    file.read(header, sizeof header);
    return file.gcount() == 16 && std::memcmp(header, SqliteHeader, sizeof SqliteHeader) == 0;
}

}  // namespace

std::optional<Examination> ExaminePath(const std::string& path, lang::Language language) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0)
        return Examination{Examination::NotMeet, lang::NoSuchFileText().in(language)};
    if (S_ISDIR(file.st_mode))
        return Examination{Examination::NotMeet, lang::FolderChosenText().in(language)};
    if (!S_ISREG(file.st_mode))
        return Examination{Examination::NotMeet, lang::NotAFileText().in(language)};
    if (::access(path.c_str(), W_OK) != 0)
        return Examination{Examination::NotMeet, lang::ReadOnlyFileText().in(language)};
    const std::string folder = fs::path(path).parent_path().empty()
                                   ? std::string(".")
                                   : fs::path(path).parent_path().string();
    if (::access(folder.c_str(), W_OK) != 0)
        return Examination{Examination::NotMeet, lang::FolderReadOnlyText().in(language)};
    if (!startsAsDatabase(path))
        return Examination{Examination::NotMeet, lang::NotADatabaseText().in(language)};
    return std::nullopt;
}

namespace {

// A count of the Setup record that defines the size of a table: a refusal naming it when it
// is below 0 or above what the program keeps.
std::optional<Examination> examineCount(Connection& db, const std::string& setup,
                                        const std::string& field, int bound,
                                        const lang::Bilingual& name, lang::Language language) {
    const std::string value = firstValue(db, setup, field).value_or("");
    double count = base::TextToNumber(value);
    if (count >= 0 && count <= bound) return std::nullopt;
    return Examination{Examination::Bounds, std::string(name.in(language)) + " = " + value};
}

Examination examineDatabase(const std::string& path, const lang::TextTable& words,
                            double languageNumber, lang::Language language) {
    try {
        Connection db(path, Connection::Mode::ReadOnly);
        // A damaged file is refused before anything is read from it into the window.
        auto check = db.prepare("PRAGMA quick_check");
        if (!check.step() || check.text(0) != "ok")
            return {Examination::NotMeet, lang::DamagedFileText().in(language)};
        auto control = storage::DescribeTable(storage::TableKind::Control, words);
        auto columns = columnsOf(db, control.name);
        if (std::find(columns.begin(), columns.end(), "Language") == columns.end())
            return {Examination::NotMeet, lang::MissingTableText().in(language) + control.name};
        const std::string madeUnder = firstValue(db, control.name, "Language").value_or("");
        if (base::TextToNumber(madeUnder) != languageNumber)
            return {Examination::Language, madeUnder};

        auto setup = storage::DescribeTable(storage::TableKind::Setup, words);
        if (columnsOf(db, setup.name).size() < setup.fields.size())
            return {Examination::NotMeet, lang::MissingTableText().in(language) + setup.name};
        // The counts that are the sizes of the registers; the counts of times are put right
        // from the Time table when the meet opens.
        for (auto refusal :
             {examineCount(db, setup.name, "21", 3000, lang::CompetitorCountName(), language),
              examineCount(db, setup.name, "22", 50, lang::ClubCountName(), language),
              examineCount(db, setup.name, "23", 50, lang::ClassCountName(), language)})
            if (refusal) return *refusal;
        const int classCount =
            static_cast<int>(base::TextToNumber(firstValue(db, setup.name, "23").value_or("")));
        for (const storage::TableSpec& table : storage::MeetTables(words, classCount)) {
            auto present = columnsOf(db, table.name);
            for (const storage::FieldSpec& field : table.fields)
                if (std::find(present.begin(), present.end(), field.name) == present.end())
                    return {Examination::NotMeet,
                            present.empty() ? lang::MissingTableText().in(language) + table.name
                                            : lang::MissingFieldText().in(language) + field.name +
                                                  lang::InTableText().in(language) + table.name};
        }
        firstValue(db, storage::DescribeTable(storage::TableKind::Work, words).name, "0");
        // Every row of the Time table must be one the counts can reach.
        auto rows = db.prepare(
            "SELECT count(*) FROM " +
            QuoteIdentifier(storage::DescribeTable(storage::TableKind::Time, words).name));
        if (rows.step() && rows.integer(0) > MaxTimeRows)
            return {Examination::NotMeet, lang::TooManyTimeRowsText(language, rows.integer(0))};
    } catch (const NoRecordError& failure) {
        return {Examination::NotMeet, lang::NoRecordText().in(language) + failure.table};
    } catch (const std::exception& failure) {
        return {Examination::NotMeet, failure.what()};
    }
    return {};
}

}  // namespace

Examination ExamineMeetFile(const std::string& path, const lang::TextTable& words,
                            double languageNumber, lang::Language language) {
    if (auto refusal = ExaminePath(path, language)) return *refusal;
    // A program stopped in the middle of a write left its journal: the file is examined as it
    // will be once the write is undone, on a copy; the file and its journal stay as they are
    // until the meet is known to be one.
    const std::string journal = journalOf(path);
    std::error_code error;
    if (fs::exists(journal, error) && fs::file_size(journal, error) > 0) {
        try {
            RecoveredCopy copy(path, journal);
            return examineDatabase(copy.path(), words, languageNumber, language);
        } catch (const std::exception& failure) {
            return {Examination::NotMeet, failure.what()};
        }
    }
    return examineDatabase(path, words, languageNumber, language);
}

// ---- compacting and repairing ----

namespace {

// Syncs a file's content, or a folder's list of names, to the disk; throws when it cannot.
void syncToDisk(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced) throw std::runtime_error(path + ": " + std::strerror(error));
}

std::string folderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// Puts the whole, synced file made in place of target in one step, and syncs the folder so
// that the step itself survives a power cut.
void putInPlace(const std::string& made, const std::string& target) {
    syncToDisk(made);
    std::error_code error;
    fs::rename(made, target, error);
    if (error) throw std::runtime_error(target + ": " + error.message());
    syncToDisk(folderOf(target));
}

// The compacted copy of source, made as made; removed again when anything fails.
void compact(const std::string& source, const std::string& made) {
    std::error_code error;
    fs::remove(made, error);
    if (error) throw std::runtime_error(made + ": " + error.message());
    try {
        Connection db(source, Connection::Mode::ReadOnly);
        auto vacuum = db.prepare("VACUUM INTO ?1");
        vacuum.bind(1, made);
        vacuum.run();
    } catch (...) {
        fs::remove(made, error);
        throw;
    }
}

}  // namespace

void FinishInterruptedWrite(const std::string& path) {
    Connection db(path, Connection::Mode::ReadWrite);
    auto read = db.prepare("SELECT count(*) FROM sqlite_master");
    read.step();
}

void CompactInto(const std::string& source, const std::string& target) {
    const std::string making = target + ".making";
    compact(source, making);
    try {
        putInPlace(making, target);
    } catch (...) {
        std::error_code error;
        fs::remove(making, error);
        throw;
    }
}

void CompactInPlace(const std::string& path, const std::string& temporary) {
    compact(path, temporary);
    try {
        putInPlace(temporary, path);
    } catch (...) {
        std::error_code error;
        fs::remove(temporary, error);
        throw;
    }
}

namespace {

// A copy of a damaged file to read from: a file cut short is filled up with empty pages to the
// size its header gives, so that the pages still there can be read.
std::string readableCopy(const std::string& path) {
    const std::string copy = path + ".reading";
    fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
    std::ifstream header(path, std::ios::binary);
    unsigned char bytes[100] = {};
    header.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    if (header.gcount() < 100) return copy;
    std::uintmax_t pageSize = (bytes[16] << 8) | bytes[17];
    if (pageSize == 1) pageSize = 65536;
    std::uintmax_t pages =
        (std::uintmax_t(bytes[28]) << 24) | (bytes[29] << 16) | (bytes[30] << 8) | bytes[31];
    std::uintmax_t wanted = pageSize * pages;
    if (wanted > fs::file_size(copy) && wanted < (std::uintmax_t(1) << 32))
        fs::resize_file(copy, wanted);
    return copy;
}

}  // namespace

RepairReport RepairFile(const std::string& path) {
    RepairReport report;
    // A write left unfinished by a program that was stopped is undone first, as opening the
    // file would undo it: a file read past its journal only looks damaged.
    try {
        FinishInterruptedWrite(path);
    } catch (const std::exception&) {
        // Damaged beyond that: it is checked and rebuilt below.
    }
    {
        Connection db(path, Connection::Mode::ReadOnly);
        std::string verdict;
        try {
            auto check = db.prepare("PRAGMA integrity_check");
            while (check.step()) verdict += check.text(0).value_or("") + "\n";
        } catch (const std::exception& failure) {
            verdict = failure.what();
        }
        if (verdict == "ok\n") return report;  // whole: nothing to do
    }
    report.damaged = true;
    const std::string rebuilt = path + ".rebuilt";
    std::error_code error;
    fs::remove(rebuilt, error);
    const std::string reading = readableCopy(path);
    struct RemoveCopy {
        std::string file;
        ~RemoveCopy() {
            std::error_code ignored;
            fs::remove(file, ignored);
        }
    } removeCopy{reading};
    {
        Connection source(reading, Connection::Mode::ReadOnly);
        Connection target(rebuilt, Connection::Mode::Create);
        Transaction transaction(target);
        for (const char* pragma : {"user_version", "application_id"}) {
            try {
                auto read = source.prepare(std::string("PRAGMA ") + pragma);
                if (read.step())
                    target.execute(std::string("PRAGMA ") + pragma + " = " +
                                   std::to_string(read.integer(0)));
            } catch (const std::exception&) {
            }
        }
        std::vector<std::pair<std::string, std::string>> tables;
        auto schema = source.prepare(
            "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
            "'sqlite_%' ORDER BY rowid");
        while (schema.step())
            tables.emplace_back(schema.text(0).value_or(""), schema.text(1).value_or(""));
        for (const auto& [name, sql] : tables) {
            target.execute(sql);
            // Every record that can still be read, in stored order; a damaged stretch is
            // stepped over one record number at a time.
            long long after = std::numeric_limits<long long>::min();
            long long skip = 1;
            int columns = -1;
            std::unique_ptr<Statement> insert;
            for (int attempts = 0; attempts < 200; ++attempts) {
                try {
                    auto rows = source.prepare("SELECT rowid, * FROM " + QuoteIdentifier(name) +
                                               " WHERE rowid > ?1 ORDER BY rowid");
                    rows.bind(1, after);
                    while (rows.step()) {
                        if (!insert) {
                            columns = rows.columnCount() - 1;
                            std::string marks;
                            for (int i = 0; i < columns; ++i) marks += i ? ", ?" : "?";
                            insert = std::make_unique<Statement>(
                                target.prepare("INSERT INTO " + QuoteIdentifier(name) +
                                               " VALUES (" + marks + ")"));
                        }
                        for (int i = 0; i < columns; ++i) insert->bind(i + 1, rows.text(i + 1));
                        insert->run();
                        insert->reset();
                        after = rows.integer(0);
                        skip = 1;
                        ++report.recordsKept;
                    }
                    break;
                } catch (const SqliteError&) {
                    // Past the damage: record numbers further and further on are tried.
                    ++report.readFailures;
                    if (after == std::numeric_limits<long long>::min()) after = 0;
                    after += skip;
                    skip = skip < (1LL << 40) ? skip * 2 : skip;
                }
            }
        }
        transaction.commit();
    }
    if (report.recordsKept == 0) {
        fs::remove(rebuilt, error);
        throw NothingReadableError("no record could be read");
    }
    // The damaged file is kept beside, whole, and its journal with it: a journal left beside
    // the rebuilt file would be played into it at the next opening. Then the rebuilt file
    // takes the name in one step, so that the name never stands empty.
    report.damagedCopy = BesideName(path, ".damaged");
    const std::string keeping = report.damagedCopy + ".making";
    fs::copy_file(path, keeping, fs::copy_options::overwrite_existing);
    putInPlace(keeping, report.damagedCopy);
    const std::string journal = journalOf(path);
    if (fs::exists(journal, error)) {
        fs::rename(journal, report.damagedCopy + "-journal");
        syncToDisk(folderOf(path));
    }
    putInPlace(rebuilt, path);
    return report;
}

}  // namespace kvt::meetdb
