#include "meetdb/open_close.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "meetdb/make_new.h"
#include "meetdb/schema.h"
#include "meetdb/sqlite.h"
#include "shell/commands.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::meetdb {

namespace fs = std::filesystem;

namespace {

// Why a file cannot be opened as a meet database of the language in force.
struct Refusal {
    enum Kind { None, Language, NotMeet, Bounds } kind = None;
    std::string reason;
};

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

int boundedCount(const std::optional<std::string>& text, int bound) {
    int count = ui::TextToInt16(text.value_or(""));
    if (count < 0 || count > bound) throw ui::OverflowError();
    return count;
}

// A database left by a program that was stopped in the middle of a write has its journal
// beside it; reading it first undoes the unfinished write, as SQLite does on any write access.
void recoverUnfinishedWrite(const std::string& path) {
    std::error_code error;
    if (!fs::exists(path + "-journal", error)) return;
    try {
        Connection db(path, Connection::Mode::ReadWrite);
        auto read = db.prepare("SELECT count(*) FROM sqlite_master");
        read.step();
    } catch (const SqliteError&) {
        // Not a database after all: the checks below say so.
    }
}

// Everything is checked before the program's state changes.
Refusal examine(ui::Program& program, const std::string& path) {
    const lang::Language language = program.language;
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return {Refusal::NotMeet, lang::NoSuchFileText().in(language)};
    if (::access(path.c_str(), W_OK) != 0)
        return {Refusal::NotMeet, lang::ReadOnlyFileText().in(language)};
    recoverUnfinishedWrite(path);
    try {
        Connection db(path, Connection::Mode::ReadOnly);
        // A damaged file is refused before anything is read from it into the window.
        auto check = db.prepare("PRAGMA quick_check");
        if (!check.step() || check.text(0) != "ok")
            return {Refusal::NotMeet, lang::DamagedFileText().in(language)};
        const auto& words = program.LanguageTexts;
        auto control = DescribeTable(TableKind::Control, words);
        auto columns = columnsOf(db, control.name);
        if (std::find(columns.begin(), columns.end(), "Language") == columns.end())
            return {Refusal::NotMeet, lang::MissingTableText().in(language) + control.name};
        double madeUnder = ui::TextToNumber(firstValue(db, control.name, "Language").value_or(""));
        if (madeUnder != ui::TextToNumber(program.Main.SetupText[16].text()))
            return {Refusal::Language, ""};

        auto setup = DescribeTable(TableKind::Setup, words);
        int classCount = 0;
        try {
            if (columnsOf(db, setup.name).size() < setup.fields.size())
                return {Refusal::NotMeet, lang::MissingTableText().in(language) + setup.name};
            boundedCount(firstValue(db, setup.name, "21"), ui::MaxStartNumber);
            boundedCount(firstValue(db, setup.name, "22"), ui::MaxClubOrClass);
            classCount = boundedCount(firstValue(db, setup.name, "23"), ui::MaxClubOrClass);
            // The Time table grows past its prepared rows during a race; its size only has
            // to fit the 16-bit count.
            int timeRows = ui::TextToInt16(firstValue(db, setup.name, "31").value_or(""));
            if (timeRows < 0) throw ui::OverflowError();
            ui::TextToInt16(firstValue(db, setup.name, "29").value_or(""));
        } catch (const ui::OverflowError&) {
            return {Refusal::Bounds, ""};
        }
        for (const TableSpec& table : MeetTables(words, classCount)) {
            auto present = columnsOf(db, table.name);
            for (const FieldSpec& field : table.fields)
                if (std::find(present.begin(), present.end(), field.name) == present.end())
                    return {Refusal::NotMeet,
                            present.empty() ? lang::MissingTableText().in(language) + table.name
                                            : lang::MissingFieldText().in(language) + field.name +
                                                  lang::InTableText().in(language) + table.name};
        }
        firstValue(db, DescribeTable(TableKind::Work, words).name, "0");
    } catch (const NoRecordError& failure) {
        return {Refusal::NotMeet, lang::NoRecordText().in(language) + failure.table};
    } catch (const std::exception& failure) {
        return {Refusal::NotMeet, failure.what()};
    }
    return {};
}

void setMakingControlsEnabled(ui::MainWindow& main, bool enabled) {
    for (int i : {0, 1, 2, 8}) {
        main.SetupText[i].setEnabled(enabled);
        main.SetupLabel[i].setEnabled(enabled);
    }
    main.SetupOption[0].setEnabled(enabled);
    main.SetupOption[1].setEnabled(enabled);
    main.SetupCheck[0].setEnabled(enabled);
    main.SetupCheck[1].setEnabled(enabled);
}

void layOutGrids(ui::MainWindow& main) {
    std::vector<ui::DataGrid::Column> time;
    for (int width : {600, 700, 1100, 300, 1000, 2600, 1300}) time.push_back({width, true, true});
    main.TimeDBGrid.setColumns(time);
    main.TimeDBGrid.setReadOnly(true);
    main.ClassDBGrid.setColumns({{700, true, false}, {700}, {2500}, {3500}});
}

// The records of a table in stored order, each as its fields.
std::vector<std::vector<std::optional<std::string>>> readAll(Connection& db,
                                                             const TableSpec& table) {
    auto query = db.prepare("SELECT * FROM " + QuoteIdentifier(table.name) + " ORDER BY rowid");
    std::vector<std::vector<std::optional<std::string>>> rows;
    while (query.step()) {
        std::vector<std::optional<std::string>> row(query.columnCount());
        for (int i = 0; i < query.columnCount(); ++i) row[i] = query.text(i);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string text(const std::optional<std::string>& value) {
    return value.value_or("");
}

struct Check {
    TableKind kind;
    int count;
    int statusEntry;
    int errorEntry;
};

// Walks a register table: its numbering (the k-th record carries k) and the caches filled
// from each record. The error is told once, after the walk.
template <typename Fill>
void checkRecords(ui::Program& program, Connection& db, const Check& check, Fill fill) {
    const auto& words = program.LanguageTexts;
    auto rows = readAll(db, DescribeTable(check.kind, words));
    program.beginProgress(words[check.statusEntry], check.count);
    bool error = static_cast<int>(rows.size()) < check.count;
    for (int k = 1; k <= check.count && k <= static_cast<int>(rows.size()); ++k) {
        program.progress(k);
        const auto& row = rows[k - 1];
        if (ui::TextToNumber(text(row[0])) != k) error = true;
        fill(row);
    }
    program.endProgress();
    if (error) program.info(words[check.errorEntry]);
}

// A cache index read from a record's number; -1 when it is outside the cache.
int cacheIndex(const std::optional<std::string>& number, int bound) {
    double value = ui::TextToNumber(text(number));
    return value >= 0 && value <= bound ? static_cast<int>(value) : -1;
}

void loadRegisters(ui::Program& program, Connection& db) {
    auto& p = program;
    checkRecords(p, db, {TableKind::Competitors, p.HighestNumber, 80, 81}, [&](const auto& row) {
        int n = cacheIndex(row[0], ui::MaxStartNumber);
        if (n < 0) return;
        p.CompetitorNames[n] = text(row[1]) + ", " + text(row[2]);
        p.CompetitorClubs[n] = text(row[3]);
        p.CompetitorClasses[n] = text(row[4]);
        try {
            p.PaymentByNumber[n] = ui::TextToInt16(text(row[19]));
        } catch (const ui::OverflowError&) {
            p.PaymentByNumber[n] = 1;
        }
    });
    checkRecords(p, db, {TableKind::Clubs, p.ClubCount, 78, 79}, [&](const auto& row) {
        int m = cacheIndex(row[0], ui::MaxClubOrClass);
        if (m >= 0) p.ClubNames[m] = text(row[1]);
    });
    auto& clubs = p.Main.NameCombo[0];
    clubs.clear();
    for (int m = 1; m <= p.ClubCount; ++m) clubs.addItem(p.ClubNames[m]);
    checkRecords(p, db, {TableKind::Classes, p.ClassCount, 76, 77}, [&](const auto& row) {
        int m = cacheIndex(row[0], ui::MaxClubOrClass);
        if (m >= 0) p.ClassNames[m] = text(row[2]);
    });
    auto& classes = p.Main.NameCombo[1];
    classes.clear();
    p.Main.ResultsCombo.clear();
    for (int m = 1; m <= p.ClassCount; ++m) {
        classes.addItem(p.ClassNames[m]);
        p.Main.ResultsCombo.addItem(p.ClassNames[m]);
    }
    p.Main.NameData.reload();
}

std::string withoutBlanks(std::string value) {
    value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    return value;
}

void markStarted(ui::Program& program, int n, const std::string& time) {
    if (n < 1 || n > ui::MaxStartNumber) return;
    program.StartTimes[n] = time;
    if (program.TimingStates[n] != ui::Finished) program.TimingStates[n] = ui::Started;
}

void loadTimes(ui::Program& program, Connection& db) {
    auto& p = program;
    const auto& words = p.LanguageTexts;
    auto rows = readAll(db, DescribeTable(TableKind::Time, words));
    const int count = p.TimeTableSize;
    if (static_cast<int>(p.RegisteredTimes.size()) <= count) p.RegisteredTimes.resize(count + 1);
    p.beginProgress(words[82], count);
    bool error = static_cast<int>(rows.size()) < count;
    for (int k = 1; k <= count && k <= static_cast<int>(rows.size()); ++k) {
        p.progress(k);
        const auto& row = rows[k - 1];  // index, id, time, number, type, competitor, info
        const std::string time = text(row[2]);
        const std::string kind = withoutBlanks(text(row[4]));
        double number = ui::TextToNumber(text(row[3]));
        int n = number >= 1 && number <= ui::MaxStartNumber ? static_cast<int>(number) : 0;
        if (kind == withoutBlanks(words[84])) {
            for (int all = 1; all <= p.HighestNumber; ++all) markStarted(p, all, time);
        } else if (kind == withoutBlanks(words[85])) {
            markStarted(p, n, time);
        } else if (kind == withoutBlanks(words[86]) && n > 0) {
            p.FinishTimes[n] = time;
            p.TimingStates[n] = ui::Finished;
        }
        double index = ui::TextToNumber(text(row[0]));
        p.RegisteredTimes[k] = {time, text(row[3]), text(row[4]), text(row[1]),
                                std::to_string(static_cast<long long>(index))};
        if (index != k) error = true;
    }
    p.endProgress();
    if (error) p.info(words[83]);
}

void bindTable(ui::DataControl& data, const std::string& path, const std::string& source) {
    data.setDatabaseName(path);
    data.setRecordSource(source);
    data.refresh();
}

}  // namespace

bool OpenDatabaseFile(ui::Program& program, const std::string& path) {
    auto& main = program.Main;
    const auto& words = program.LanguageTexts;
    Refusal refusal = examine(program, path);
    switch (refusal.kind) {
        case Refusal::Language:
            program.info(words[96]);
            return false;
        case Refusal::Bounds:
            program.info(lang::CountsBeyondBoundsText().in(program.language));
            return false;
        case Refusal::NotMeet:
            program.info(std::string(lang::NotAMeetDatabaseText().in(program.language)) +
                         refusal.reason);
            return false;
        case Refusal::None:
            break;
    }
    try {
        program.currentDatabase = path;
        bindTable(main.ControlData, path, "Control");
        PrepareMeetFolder(program, path);
        shell::SetCommandStates(program, true);
        shell::SetDatabaseControls(program, true);
        main.Window.setKeyPreview(false);  // on again when the pages are ready
        program.MDIMain.Frame.setCaption(words[8] + "[" + fs::path(path).filename().string() + "]");
        bindTable(main.NameData, path, words[30]);
        bindTable(main.ClubData, path, words[25]);
        bindTable(main.ClassData, path, words[14]);
        bindTable(main.SetupData, path, words[48]);
        bindTable(main.TimeData, path, words[51]);
        layOutGrids(main);
        setMakingControlsEnabled(main, false);
        program.platform.pump.pumpEvents();
        program.readCounts();
        {
            Connection db(path, Connection::Mode::ReadOnly);
            loadRegisters(program, db);
            loadTimes(program, db);
        }
        bindTable(main.SetTimeData, path, words[45]);
        main.ResultsData.setDatabaseName(path);
        for (int i = 1; i <= 6; ++i)
            program.ChannelCounts[i] = ui::TextToInt16(main.SetupText[8 + i].text());
        if (!main.ResultsCombo.items().empty()) main.ResultsCombo.pick(0);
        main.NameMover.setText("2");
        main.Window.setKeyPreview(true);
        return true;
    } catch (const std::exception& failure) {
        program.endProgress();
        program.info(std::string(lang::NotAMeetDatabaseText().in(program.language)) +
                     failure.what());
        CloseDatabase(program);
        return false;
    }
}

void OpenDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    if (auto chosen = program.chooseFile(words[6], words[7])) OpenDatabaseFile(program, *chosen);
}

void CloseDatabase(ui::Program& program) {
    auto& main = program.Main;
    const std::string path = program.currentDatabase;
    program.currentDatabase.clear();
    for (ui::DataControl* data :
         {&main.NameData, &main.ClubData, &main.ClassData, &main.SetupData, &main.TimeData,
          &main.SetTimeData, &main.ResultsData, &main.ControlData}) {
        data->setDatabaseName("");
        try {
            data->refresh();
        } catch (const std::exception& failure) {
            program.info(std::string(lang::CannotSaveText().in(program.language)) + failure.what());
            data->setDatabaseName("");
            data->refresh();
        }
    }
    if (!path.empty()) program.platform.engine.release(path);
    program.MDIMain.Frame.setCaption(program.LanguageTexts[88]);
    setMakingControlsEnabled(main, true);
    shell::ReloadMain(program);
    shell::EnterNoDatabaseState(program);
    program.clearTables();
}

}  // namespace kvt::meetdb
