// Work on meet database files while none is open: reset for a new run, copy, repair, compress.
#include "shell/maintenance.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>

#include "meetdb/make_new.h"
#include "meetdb/schema.h"
#include "meetdb/sqlite.h"
#include "shell/commands.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::shell {

namespace fs = std::filesystem;
using meetdb::Connection;
using meetdb::QuoteIdentifier;

namespace {

// The file's name without its last four characters, followed by an ending.
std::string besideName(const std::string& path, const std::string& ending) {
    return (path.size() > 4 ? path.substr(0, path.size() - 4) : path) + ending;
}

std::optional<std::string> firstValue(Connection& db, const std::string& table,
                                      const std::string& field) {
    auto query = db.prepare("SELECT " + QuoteIdentifier(field) + " FROM " + QuoteIdentifier(table) +
                            " ORDER BY rowid LIMIT 1");
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

int boundedCount(const std::optional<std::string>& text, int bound) {
    double count = ui::TextToNumber(text.value_or(""));
    return count < 0 ? 0 : count > bound ? bound : static_cast<int>(count);
}

void dropTable(Connection& db, const std::string& name) {
    db.execute("DROP TABLE " + QuoteIdentifier(name));
}

std::string chooseExisting(ui::Program& program, int titleEntry) {
    auto chosen = program.chooseFile(program.LanguageTexts[titleEntry], "");
    if (!chosen) return "";
    std::error_code error;
    return fs::is_regular_file(*chosen, error) ? *chosen : "";
}

// Compacts a database into a new file beside target and puts it in target's place in one
// step; the new file is removed again when anything fails.
void compactInto(const std::string& source, const std::string& target) {
    const std::string making = target + ".making";
    std::error_code error;
    fs::remove(making, error);
    try {
        Connection db(source, Connection::Mode::ReadOnly);
        auto vacuum = db.prepare("VACUUM INTO ?1");
        vacuum.bind(1, making);
        vacuum.run();
    } catch (...) {
        fs::remove(making, error);
        throw;
    }
    fs::rename(making, target, error);
    if (error) {
        fs::remove(making, error);
        throw std::runtime_error(target + ": " + error.message());
    }
}

void message(ui::Program& program, const lang::Bilingual& text, const std::string& detail) {
    program.info(text.in(program.language) + detail);
}

}  // namespace

void ResetDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    auto chosen = program.platform.dialogs.openFile(
        {words[90], words[7], "Databaser (*.mdb)|*.mdb",
         ui::DialogFolder(program.locations, program.lastChosenFile)});
    program.platform.pump.pumpEvents();
    if (!chosen || chosen->empty()) return;  // a cancelled dialog ends the reset quietly
    const std::string path = *chosen;
    program.lastChosenFile = path;

    std::unique_ptr<Connection> db;
    int classCount = 0, timeRows = 0;
    try {
        std::error_code error;
        if (!fs::is_regular_file(path, error)) throw std::runtime_error("no such file");
        db = std::make_unique<Connection>(path, Connection::Mode::ReadWrite);
        auto language = firstValue(*db, "Control", "Language");
        if (!language) throw std::runtime_error("no Control record");
        if (ui::TextToNumber(*language) != ui::TextToNumber(program.Main.SetupText[16].text())) {
            program.info(words[96]);
            return;
        }
        // The database's own sizes: every results table it has, and its Time table.
        classCount = boundedCount(firstValue(*db, words[48], "23"), ui::MaxClubOrClass);
        timeRows = boundedCount(firstValue(*db, words[48], "31"), ui::MaxStartNumber);
    } catch (const std::exception& failure) {
        program.info(words[91] + ": " + failure.what());
        return;
    }

    program.beginProgress(words[61], classCount);
    try {
        for (int c = 1; c <= classCount; ++c) {
            program.progress(c);
            dropTable(*db, meetdb::DescribeTable(meetdb::TableKind::Results, words, c).name);
        }
    } catch (const std::exception&) {
        program.endProgress();
        program.info(words[62]);
    }
    program.endProgress();
    try {
        dropTable(*db, words[51]);
    } catch (const std::exception&) {
        program.info(words[64]);
    }
    try {
        dropTable(*db, words[45]);
    } catch (const std::exception&) {
        program.info(words[63]);
    }

    try {
        program.clearTables();
        program.ClassCount = classCount;
        program.TimeTableSize = timeRows;
        meetdb::MakeResults(program, *db);
        meetdb::MakeTime(program, *db);
        meetdb::MakeWork(program, *db);
        auto zero = db->prepare("UPDATE " + QuoteIdentifier(words[48]) +
                                " SET \"29\" = '0', \"30\" = '0', \"32\" = '0', \"33\" = '0', "
                                "\"34\" = '0', \"35\" = '0', \"36\" = '0', \"37\" = '0'");
        zero.run();
        db.reset();
        ReloadMain(program);
        // The lists of the database just reset, in its own meet folder.
        const fs::path folder = meetdb::MeetFolder(path);
        for (int entry : {37, 33}) {
            std::error_code error;
            fs::path list = folder / program.LanguageTexts[entry];
            if (fs::exists(list, error)) fs::remove(list);
        }
    } catch (const std::exception& failure) {
        program.endProgress();
        program.info(words[91] + ": " + failure.what());
    }
}

void CopyDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, 13);
    if (path.empty()) return;
    program.platform.application.setBusy(true);
    try {
        compactInto(path, besideName(path, ".bak"));
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        message(program, lang::CopyFailedText(), failure.what());
        return;
    }
    program.platform.application.setBusy(false);
}

void CompressDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, 12);
    if (path.empty()) return;
    program.platform.application.setBusy(true);
    program.platform.engine.release(path);
    try {
        // Compacted into the temporary file, which then takes the chosen name in one step:
        // exactly one file remains, under the chosen name.
        const std::string temporary = besideName(path, ".tmp");
        std::error_code error;
        fs::remove(temporary, error);
        if (error) throw std::runtime_error(temporary + ": " + error.message());
        compactInto(path, temporary);
        fs::rename(temporary, path, error);
        if (error) {
            fs::remove(temporary, error);
            throw std::runtime_error(path + ": " + error.message());
        }
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        message(program, lang::CompressFailedText(), failure.what());
        return;
    }
    program.platform.application.setBusy(false);
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
        meetdb::Transaction transaction(target);
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
            std::unique_ptr<meetdb::Statement> insert;
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
                            insert = std::make_unique<meetdb::Statement>(
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
                } catch (const meetdb::SqliteError&) {
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
        throw std::runtime_error("no record could be read");
    }
    // The damaged file is kept beside, the rebuilt one takes its name.
    report.damagedCopy = besideName(path, ".damaged");
    fs::rename(path, report.damagedCopy);
    fs::rename(rebuilt, path);
    return report;
}

void RepairDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, 89);
    if (path.empty()) return;
    program.platform.application.setBusy(true);
    program.platform.engine.release(path);
    try {
        RepairReport report = RepairFile(path);
        program.platform.application.setBusy(false);
        if (report.damaged)
            message(program, lang::RepairedText(),
                    std::to_string(report.recordsKept) + " / " + report.damagedCopy);
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        std::error_code error;
        fs::remove(path + ".rebuilt", error);
        message(program, lang::RepairFailedText(), failure.what());
    }
}

}  // namespace kvt::shell
