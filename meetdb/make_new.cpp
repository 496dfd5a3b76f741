#include "meetdb/make_new.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>

#include "shell/commands.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::meetdb {

namespace fs = std::filesystem;
using Record = std::vector<ui::FieldValue>;

namespace {

bool tableExists(Connection& db, const std::string& name) {
    auto query = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    query.bind(1, name);
    return query.step();
}

std::string insertSql(const TableSpec& table, std::size_t fieldCount) {
    std::string sql = "INSERT INTO " + QuoteIdentifier(table.name) + " (";
    for (std::size_t i = 0; i < fieldCount; ++i)
        sql += (i ? ", " : "") + QuoteIdentifier(table.fields[i].name);
    sql += ") VALUES (";
    for (std::size_t i = 0; i < fieldCount; ++i) sql += (i ? ", ?" : "?") + std::to_string(i + 1);
    return sql + ")";
}

struct MakerTexts {
    int status;    // 0: none
    int question;  // the overwrite question
};

// The common course of a table maker: the table is made and filled in one transaction, so it
// is there whole or not at all. count records come from record(k), k = 1 to count.
void makeTable(ui::Program& program, Connection& db, const TableSpec& table, MakerTexts texts,
               int count, const std::function<Record(int)>& record) {
    const auto& words = program.LanguageTexts;
    if (tableExists(db, table.name)) {
        program.endProgress();
        auto answer = program.platform.dialogs.message(words[texts.question], words[11],
                                                       ui::MessageButtons::YesNo);
        if (answer != ui::Answer::Yes) return;
    }
    try {
        Transaction transaction(db);
        if (tableExists(db, table.name)) db.execute("DROP TABLE " + QuoteIdentifier(table.name));
        db.execute(CreateTableSql(table));
        program.beginProgress(texts.status ? words[texts.status] : "", count);
        if (count > 0) {
            Record first = record(1);
            auto insert = db.prepare(insertSql(table, first.size()));
            for (int k = 1; k <= count; ++k) {
                program.progress(k);
                Record values = k == 1 ? first : record(k);
                for (std::size_t i = 0; i < values.size(); ++i)
                    insert.bind(static_cast<int>(i + 1), values[i]);
                insert.run();
                insert.reset();
            }
        }
        transaction.commit();
        program.endProgress();
    } catch (const std::exception& error) {
        program.endProgress();
        throw MakerAborted(table.name + ": " + error.what());
    }
}

int countFromPage(ui::Program& program, int box) {
    return ui::TextToInt16(program.Main.SetupText[box].text());
}

std::string twoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

std::tm localNow() {
    std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string yesNo(bool value) {
    return value ? "1" : "0";
}

struct SampleCompetitor {
    const char* first;
    const char* surname;
};
constexpr SampleCompetitor sampleCompetitors[5] = {
    {"Eirik", "Dahl"}, {"Lars", "Vika"}, {"Sindre", "Vika"}, {"Knut", "Dahl"}, {"Geir", "Dahl"}};
constexpr const char* sampleClubs[3] = {"Tornado", "Sprint", "Olsberg"};

}  // namespace

std::string MeetFolder(const std::string& databasePath) {
    return databasePath.size() > 4 ? databasePath.substr(0, databasePath.size() - 4) : "";
}

void PrepareMeetFolder(ui::Program& program, const std::string& databasePath) {
    const fs::path folder = MeetFolder(databasePath);
    if (folder.empty()) throw std::runtime_error("no meet folder for " + databasePath);
    if (!fs::exists(folder)) fs::create_directories(folder);
    program.listFolder = (folder / "").string();
    if (fs::exists(folder / "Kvt.gif")) return;
    for (const char* image : {"Kvt.gif", "Kvtn.gif", "Kvte.gif"}) {
        fs::path source = fs::path(program.locations.dataFolder) / image;
        if (fs::exists(source))
            fs::copy_file(source, folder / image, fs::copy_options::overwrite_existing);
    }
}

void MakeCompetitors(ui::Program& program, Connection& db) {
    program.HighestNumber = countFromPage(program, 0);
    const bool samples = program.Main.SetupCheck[1].checked();
    const auto table = DescribeTable(TableKind::Competitors, program.LanguageTexts);
    makeTable(program, db, table, {31, 32}, program.HighestNumber, [&](int k) {
        Record record(23, std::string("-"));  // fields 0 to 22; 23 to 26 stay Null
        record[0] = ui::NumberToText(k);
        record[19] = "1";
        if (samples && k <= 5) {
            record[1] = sampleCompetitors[k - 1].first;
            record[2] = sampleCompetitors[k - 1].surname;
            record[3] = "Tornado";
            record[4] = "Junior";
        }
        return record;
    });
}

void MakeClubs(ui::Program& program, Connection& db) {
    program.ClubCount = countFromPage(program, 1);
    const bool samples = program.Main.SetupCheck[1].checked();
    const auto table = DescribeTable(TableKind::Clubs, program.LanguageTexts);
    makeTable(program, db, table, {26, 27}, program.ClubCount, [&](int k) {
        Record record(16, std::string("-"));
        record[0] = ui::NumberToText(k);
        if (samples && k <= 3) record[1] = sampleClubs[k - 1];
        return record;
    });
}

void MakeClasses(ui::Program& program, Connection& db) {
    program.ClassCount = countFromPage(program, 2);
    const auto& words = program.LanguageTexts;
    const auto table = DescribeTable(TableKind::Classes, words);
    makeTable(program, db, table, {19, 24}, program.ClassCount, [&](int k) {
        Record record{ui::NumberToText(k), "-", "-", "-"};
        if (k == 1) record[1] = words[21], record[2] = words[20];
        if (k == 2) record[1] = words[23], record[2] = words[22];
        return record;
    });
}

void MakeSetup(ui::Program& program, Connection& db) {
    const auto& main = program.Main;
    const auto table = DescribeTable(TableKind::Setup, program.LanguageTexts);
    makeTable(program, db, table, {49, 50}, 1, [&](int) {
        Record record(38, std::string("0"));
        for (int c = 0; c < 6; ++c) record[2 * c] = yesNo(main.SetupChannelCheck[c].checked());
        for (int i = 0; i < 6; ++i) record[12 + i] = yesNo(main.SetupCheck[i].checked());
        const int boxes[] = {0, 1, 2, 5, 4, 3};
        for (int i = 0; i < 6; ++i) record[21 + i] = main.SetupText[boxes[i]].text();
        record[27] = main.SetupTimerValue[1].caption();
        record[28] = main.SetupTimerValue[2].caption();
        for (int i = 6; i <= 14; ++i) record[23 + i] = main.SetupText[i].text();
        return record;
    });
}

void MakeTime(ui::Program& program, Connection& db) {
    const auto table = DescribeTable(TableKind::Time, program.LanguageTexts);
    makeTable(program, db, table, {52, 53}, program.TimeTableSize, [](int k) {
        Record record(7, std::string("-"));
        record[0] = ui::NumberToText(k);
        return record;
    });
}

void MakeWork(ui::Program& program, Connection& db) {
    const auto table = DescribeTable(TableKind::Work, program.LanguageTexts);
    makeTable(program, db, table, {46, 47}, 1, [](int) {
        Record record(41, std::string("-"));
        for (int i = 30; i <= 40; ++i) record[i] = "0";
        return record;
    });
}

void MakeResults(ui::Program& program, Connection& db) {
    for (int n = 1; n <= program.ClassCount; ++n) {
        const auto table = DescribeTable(TableKind::Results, program.LanguageTexts, n);
        makeTable(program, db, table, {43, 44}, 0, [](int) { return Record{}; });
    }
}

void MakeControl(ui::Program& program, Connection& db) {
    const auto table = DescribeTable(TableKind::Control, program.LanguageTexts);
    makeTable(program, db, table, {0, 95}, 1, [&](int) {
        std::tm now = localNow();
        return Record{
            program.Main.SetupText[16].text(),
            twoDigits(now.tm_mon + 1) + "-" + twoDigits(now.tm_mday) + "-" +
                std::to_string(now.tm_year + 1900),
            twoDigits(now.tm_hour) + ":" + twoDigits(now.tm_min) + ":" + twoDigits(now.tm_sec)};
    });
}

void MakeNewDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    auto chosen = program.chooseFile(words[28], words[7]);
    if (!chosen) return;
    const std::string path = *chosen;

    std::error_code error;
    if (fs::exists(path, error) &&
        program.platform.dialogs.message(words[29], words[11], ui::MessageButtons::YesNo) !=
            ui::Answer::Yes)
        return;

    MakeNewDatabaseFile(program, path);
}

bool MakeNewDatabaseFile(ui::Program& program, const std::string& path) {
    std::error_code error;
    // The database is made beside the chosen name and put in its place when it is whole, so a
    // failure leaves no half-made file and an old file stays until the new one is complete.
    const std::string making = path + ".making";
    try {
        fs::remove(making);
        {
            Connection db(making, Connection::Mode::Create);
            const bool format32 = program.Main.SetupOption[1].selected();
            db.execute("PRAGMA user_version = " +
                       std::to_string(format32 ? Format32Bit : Format16Bit));
            db.execute("PRAGMA application_id = " + std::to_string(CollatingOrder));
            for (auto maker : {MakeCompetitors, MakeClubs, MakeClasses, MakeSetup, MakeTime,
                               MakeWork, MakeResults, MakeControl})
                maker(program, db);
        }
        PrepareMeetFolder(program, path);
        program.platform.engine.release(path);
        fs::rename(making, path);
        return true;
    } catch (const std::exception& failure) {
        program.endProgress();
        fs::remove(making, error);
        program.info(lang::CannotMakeDatabaseText().in(program.language) +
                     std::string(failure.what()));
    }
    return false;
}

}  // namespace kvt::meetdb
