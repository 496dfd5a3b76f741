#include "shell/meet_commands.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>

#include "base/number_text.h"
#include "capture/show.h"
#include "lang/file_texts.h"
#include "lang/meet_texts.h"
#include "lang/window_texts.h"
#include "meetdb/station_journal.h"
#include "pages/setup_page.h"
#include "pages/starts_page.h"
#include "pgdb/server_name.h"
#include "results/results_page.h"
#include "shell/commands.h"
#include "ui/program.h"

namespace kvt::shell {

namespace fs = std::filesystem;
namespace entry = lang::entry;
namespace setup = ui::setup;
using storage::Record;
using storage::TableKind;

namespace {

// A table maker's failure on its second attempt: it ends the whole command.
class MakerAborted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct MakerTexts {
    int status;    // 0: none
    int question;  // the overwrite question
};

// The common course of a table maker: the table is made and filled in one transaction, so it
// is there whole or not at all. count records come from record(k), k = 1 to count.
void makeTable(ui::Program& program, meetdb::MeetFile& file, const storage::TableSpec& table,
               MakerTexts texts, int count, const std::function<Record(int)>& record) {
    const auto& words = program.LanguageTexts;
    if (file.hasTable(table.name)) {
        program.endProgress();
        auto answer = program.dialogs().message(words[texts.question], words[entry::Info],
                                                ui::MessageButtons::YesNo);
        if (answer != ui::Answer::Yes) return;
    }
    try {
        program.beginProgress(texts.status ? words[texts.status] : "", count);
        file.makeTable(table, count, record, [&](int k) { program.progress(k); });
        program.endProgress();
    } catch (const std::exception& error) {
        program.endProgress();
        throw MakerAborted(table.name + ": " + error.what());
    }
}

int countFromPage(ui::Program& program, int box, int bound) {
    return std::clamp(base::TextToInt16(program.Main.SetupText[box].text()), 0, bound);
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

struct MakeCounts {
    int competitors, clubs, classes, timeRows;
};

void makeCompetitors(ui::Program& program, meetdb::MeetFile& file, int count) {
    const bool samples = program.Main.SetupCheck[setup::FictiveNamesCheck].checked();
    const auto table = storage::DescribeTable(TableKind::Competitors, program.LanguageTexts);
    makeTable(program, file, table, {entry::MakingCompetitors, entry::OverwriteCompetitors}, count,
              [&](int k) {
                  Record record(23, std::string("-"));  // fields 0 to 22; 23 to 26 stay Null
                  record[0] = base::NumberToText(k);
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

void makeClubs(ui::Program& program, meetdb::MeetFile& file, int count) {
    const bool samples = program.Main.SetupCheck[setup::FictiveNamesCheck].checked();
    const auto table = storage::DescribeTable(TableKind::Clubs, program.LanguageTexts);
    makeTable(program, file, table, {entry::MakingClubs, entry::OverwriteClubs}, count, [&](int k) {
        Record record(16, std::string("-"));
        record[0] = base::NumberToText(k);
        if (samples && k <= 3) record[1] = sampleClubs[k - 1];
        return record;
    });
}

void makeClasses(ui::Program& program, meetdb::MeetFile& file, int count) {
    const auto& words = program.LanguageTexts;
    const auto table = storage::DescribeTable(TableKind::Classes, words);
    makeTable(program, file, table, {entry::MakingClasses, entry::OverwriteClasses}, count,
              [&](int k) {
                  Record record{base::NumberToText(k), "-", "-", "-"};
                  if (k == 1)
                      record[1] = words[entry::JuniorId], record[2] = words[entry::JuniorName];
                  if (k == 2)
                      record[1] = words[entry::SeniorId], record[2] = words[entry::SeniorName];
                  return record;
              });
}

// The Setup record as the page shows it, its time-table size the rows the Time table gets.
void makeSetup(ui::Program& program, meetdb::MeetFile& file, int timeRows) {
    const auto& main = program.Main;
    const auto table = storage::DescribeTable(TableKind::Setup, program.LanguageTexts);
    makeTable(program, file, table, {entry::MakingSetup, entry::OverwriteSetup}, 1, [&](int) {
        Record record(meet::field::Count, std::string("0"));
        for (int c = 0; c < ui::ChannelTotal; ++c)
            record[meet::field::LineInUse(c)] = yesNo(main.SetupChannelCheck[c].checked());
        for (int i = 0; i < setup::CheckCount; ++i)
            record[meet::field::Spare + i] = yesNo(main.SetupCheck[i].checked());
        // Each text field from the box bound to it.
        for (const ui::TextBox& box : main.SetupText) {
            const std::string& field = box.dataField();
            if (field.empty() || field.find_first_not_of("0123456789") != std::string::npos)
                continue;
            int f = std::stoi(field);
            if (f >= meet::field::FirstText && f < meet::field::Count) record[f] = box.text();
        }
        record[meet::field::PollInterval] = main.SetupTimerValue[setup::IntervalValue].caption();
        record[meet::field::Delay] = main.SetupTimerValue[setup::DelayValue].caption();
        record[meet::field::TimeTableSize] = std::to_string(timeRows);
        return record;
    });
}

void makeControl(ui::Program& program, meetdb::MeetFile& file) {
    const auto table = storage::DescribeTable(TableKind::Control, program.LanguageTexts);
    makeTable(program, file, table, {0, entry::OverwriteControl}, 1, [&](int) {
        std::tm now = localNow();
        return Record{
            program.Main.userLanguageText().text(),
            twoDigits(now.tm_mon + 1) + "-" + twoDigits(now.tm_mday) + "-" +
                std::to_string(now.tm_year + 1900),
            twoDigits(now.tm_hour) + ":" + twoDigits(now.tm_min) + ":" + twoDigits(now.tm_sec)};
    });
}

}  // namespace

void MakeResults(ui::Program& program, meetdb::MeetFile& file, int classCount) {
    for (int n = 1; n <= classCount; ++n) {
        const auto table = storage::DescribeTable(TableKind::Results, program.LanguageTexts, n);
        makeTable(program, file, table, {entry::MakingResults, entry::OverwriteResults}, 0,
                  [](int) { return Record{}; });
    }
}

void MakeTime(ui::Program& program, meetdb::MeetFile& file, int timeRows) {
    const auto table = storage::DescribeTable(TableKind::Time, program.LanguageTexts);
    makeTable(program, file, table, {entry::MakingTime, entry::OverwriteTime}, timeRows, [](int k) {
        Record record(7, std::string("-"));
        record[0] = base::NumberToText(k);
        return record;
    });
}

void MakeWork(ui::Program& program, meetdb::MeetFile& file) {
    const auto table = storage::DescribeTable(TableKind::Work, program.LanguageTexts);
    makeTable(program, file, table, {entry::MakingWork, entry::OverwriteWork}, 1, [](int) {
        Record record(41, std::string("-"));
        for (int i = 30; i <= 40; ++i) record[i] = "0";
        return record;
    });
}

std::string MeetFolder(const std::string& databasePath) {
    return databasePath.size() > 4 ? databasePath.substr(0, databasePath.size() - 4) : "";
}

void PrepareMeetFolder(ui::Program& program, const std::string& databasePath) {
    // A server meet's lists are written on this station, in a folder named after its database.
    const auto server = pgdb::ParseServerName(databasePath);
    const fs::path folder = server ? fs::path(program.locations.meetsFolder) / server->database
                                   : fs::path(MeetFolder(databasePath));
    if (folder.empty())
        throw std::runtime_error(lang::NoMeetFolderText().in(program.language) + databasePath);
    if (!fs::exists(folder)) fs::create_directories(folder);
    program.listFolder = (folder / "").string();
    if (fs::exists(folder / "Kvt.gif")) return;
    for (const char* image : {"Kvt.gif", "Kvtn.gif", "Kvte.gif"}) {
        fs::path source = fs::path(program.locations.dataFolder) / image;
        if (fs::exists(source))
            fs::copy_file(source, folder / image, fs::copy_options::overwrite_existing);
    }
}

void MakeNewDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    auto chosen =
        program.chooseFile(words[entry::MakeNewTitle], words[entry::DemoMeet],
                           "Database (*.mdb)|*.mdb", lang::MakeButtonText().in(program.language));
    if (!chosen) return;
    const std::string path = *chosen;

    std::error_code error;
    if (fs::exists(path, error) &&
        program.dialogs().message(words[entry::OverwriteDatabase], words[entry::Info],
                                  ui::MessageButtons::YesNo) != ui::Answer::Yes)
        return;

    MakeNewDatabaseFile(program, path);
}

bool MakeNewDatabaseFile(ui::Program& program, const std::string& path) {
    std::error_code error;
    // Told here in the operator's words: the making below would name its own temporary file.
    const fs::path folder = fs::absolute(fs::path(path), error).parent_path();
    if (!fs::is_directory(folder, error)) {
        program.info(lang::NoSuchFolderText().in(program.language) + folder.string());
        return false;
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        program.info(lang::FolderNotWritableText().in(program.language) + folder.string());
        return false;
    }
    // A meet made under a language the program does not have could never be opened.
    if (!UserLanguageUsable(program)) return false;
    // A meet it replaces may be open in another program: it is held until it is replaced.
    std::unique_ptr<storage::Hold> replaced;
    if (fs::is_regular_file(path, error) && ::access(path.c_str(), W_OK) == 0) {
        replaced = HoldMeet(program, path);
        if (!replaced) return false;
    }
    // The database is made beside the chosen name and put in its place when it is whole, so a
    // failure leaves no half-made file and an old file stays until the new one is complete.
    const std::string making = path + ".making";
    try {
        const MakeCounts counts{
            countFromPage(program, setup::CompetitorCountText, meet::MaxCompetitors),
            countFromPage(program, setup::ClubCountText, meet::MaxClubs),
            countFromPage(program, setup::ClassCountText, meet::MaxClasses),
            countFromPage(program, setup::TimeTableSizeText, pages::MaxPreparedTimeRows)};
        {
            const bool format32 = program.Main.SetupOption[setup::Format32BitOption].selected();
            meetdb::MeetFile file(making, format32 ? meetdb::Format32Bit : meetdb::Format16Bit);
            makeCompetitors(program, file, counts.competitors);
            makeClubs(program, file, counts.clubs);
            makeClasses(program, file, counts.classes);
            makeSetup(program, file, counts.timeRows);
            MakeTime(program, file, counts.timeRows);
            MakeWork(program, file);
            MakeResults(program, file, counts.classes);
            makeControl(program, file);
        }
        PrepareMeetFolder(program, path);
        program.platform.engine.release(path);
        fs::rename(making, path);
        // Left closed, as a meet made always is; the operator is told where it is, and the
        // next Open starts on it.
        program.madeMeet = fs::absolute(fs::path(path), error).string();
        program.lastChosenFile = program.madeMeet;
        program.status(lang::MeetMadeText(program.language, program.madeMeet));
        return true;
    } catch (const std::exception& failure) {
        program.endProgress();
        fs::remove(making, error);
        program.info(lang::CannotMakeDatabaseText().in(program.language) +
                     std::string(failure.what()));
    }
    return false;
}

// ---- opening and closing ----

namespace {

void setMakingControlsEnabled(ui::MainWindow& main, bool enabled) {
    for (int i : {setup::CompetitorCountText, setup::ClubCountText, setup::ClassCountText,
                  setup::TimeTableSizeText}) {
        main.SetupText[i].setEnabled(enabled);
        main.SetupLabel[i].setEnabled(enabled);
    }
    for (auto& option : main.SetupOption) option.setEnabled(enabled);
    main.SetupCheck[setup::SpareCheck].setEnabled(enabled);
    main.SetupCheck[setup::FictiveNamesCheck].setEnabled(enabled);
}

void layOutGrids(ui::MainWindow& main) {
    std::vector<ui::DataGrid::Column> time;
    for (int width : {600, 700, 1100, 300, 1000, 2600, 1300}) time.push_back({width, true, true});
    main.TimeDBGrid.setColumns(time);
    main.TimeDBGrid.setReadOnly(true);
    main.ClassDBGrid.setColumns({{700, true, false}, {700}, {2500}, {3500}});
}

void bindTable(ui::DataControl& data, const std::string& path, const std::string& source,
               bool showOnly) {
    data.setShowOnly(showOnly);
    data.setDatabaseName(path);
    data.setRecordSource(source);
    data.refresh();
}

// The meet's long reads on the status bar and the progress bar.
class ShownProgress : public meet::Progress {
public:
    explicit ShownProgress(ui::Program& program) : program_(program) {}
    void begin(const std::string& text, int maximum) override {
        program_.beginProgress(text, maximum);
    }
    void step(int value) override { program_.progress(value); }
    void end() override { program_.endProgress(); }

private:
    ui::Program& program_;
};

}  // namespace

void FillNameLists(ui::Program& program) {
    auto& main = program.Main;
    const auto& meet = *program.meet;
    auto& clubs = main.NameCombo[0];
    clubs.clear();
    for (int m = 1; m <= meet.clubCount(); ++m) clubs.addItem(meet.clubName(m));
    auto& classes = main.NameCombo[1];
    classes.clear();
    main.ResultsCombo.clear();
    for (int m = 1; m <= meet.classCount(); ++m) {
        classes.addItem(meet.className(m));
        main.ResultsCombo.addItem(meet.className(m));
    }
    main.NameData.reload();
}

bool OpenDatabaseFile(ui::Program& program, const std::string& path) {
    if (program.meet) return false;
    auto& main = program.Main;
    const auto& words = program.LanguageTexts;
    if (!UserLanguageUsable(program)) return false;
    // A meet on a server was examined as a file when it was hosted; the server keeps it whole.
    const bool onServer = pgdb::IsServerName(path);
    if (auto refusal = onServer ? std::nullopt : meetdb::ExaminePath(path, program.language)) {
        program.info(std::string(lang::NotAMeetDatabaseText().in(program.language)) +
                     refusal->reason);
        return false;
    }
    // One program per meet file: it is held for this one before anything of it is read (on a
    // server, the station is made known).
    auto hold = HoldMeet(program, path);
    if (!hold) return false;
    auto examination =
        onServer ? meetdb::Examination{}
                 : meetdb::ExamineMeetFile(path, words,
                                           base::TextToNumber(main.userLanguageText().text()),
                                           program.language);
    switch (examination.kind) {
        case meetdb::Examination::Language:
            program.info(LanguageRefusal(program, examination.reason));
            return false;
        case meetdb::Examination::Bounds:
            program.info(lang::BadCountText().in(program.language) + examination.reason);
            return false;
        case meetdb::Examination::NotMeet:
            program.info(std::string(lang::NotAMeetDatabaseText().in(program.language)) +
                         examination.reason);
            return false;
        case meetdb::Examination::Fine:
            break;
    }
    std::vector<int> warnings;
    try {
        // The meet is read whole before anything of the window changes.
        ShownProgress progress(program);
        program.meet = meet::Meet::Open(program.platform.engine, path, words, program.language,
                                        progress, warnings, std::move(hold));
        // A station keeps every impulse on its own disk before it is shown.
        if (onServer) {
            try {
                program.stationJournal =
                    meetdb::OpenStationJournal(program.locations.settingsFolder, path);
                program.meet->setStationJournal(program.stationJournal.get());
            } catch (const std::exception& failure) {
                program.info(std::string(lang::CannotSaveText().in(program.language)) +
                             failure.what());
            }
        }
        bindTable(main.ControlData, path, "Control", true);
        PrepareMeetFolder(program, path);
        SetCommandStates(program, true);
        SetDatabaseControls(program, true);
        main.Window.setKeyPreview(false);  // on again when the pages are ready
        program.MDIMain.Frame.setCaption(words[entry::Title] + "[" +
                                         fs::path(path).filename().string() + "]");
        // The meet writes every table of the meet itself; the bindings only show them (the
        // register pages hand what the operator changes to the meet).
        bindTable(main.NameData, path, words[entry::CompetitorsTable], true);
        bindTable(main.ClubData, path, words[entry::ClubsTable], true);
        bindTable(main.ClassData, path, words[entry::ClassesTable], true);
        bindTable(main.SetupData, path, words[entry::SetupTable], true);
        bindTable(main.TimeData, path, words[entry::TimeTable], true);
        layOutGrids(main);
        setMakingControlsEnabled(main, false);
        pages::LockCounts(program, true);
        program.pumpEvents();
        if (!program.meet) return false;  // closed while events ran
        FillNameLists(program);
        bindTable(main.SetTimeData, path, words[entry::WorkTable], true);
        main.ResultsData.setShowOnly(true);
        main.ResultsData.setDatabaseName(path);
        capture::ShowMeet(program);
        pages::ShowStartsPage(program);
        if (!main.ResultsCombo.items().empty()) main.ResultsCombo.pick(0);
        main.NameMover.setText("1");
        main.Window.setKeyPreview(true);
        // What the station's journal kept and the server lacks (the station was stopped while
        // it waited to be sent) is sent now, each impulse once.
        std::vector<meet::Outcome> sent;
        program.meet->sendKept(sent);
        for (const auto& outcome : sent) capture::ShowOutcome(program, outcome);
        // Finishes that waited for their class are recorded now that it may match.
        capture::ShowOutcome(program, program.meet->store());
    } catch (const std::exception& failure) {
        program.endProgress();
        program.info(std::string(lang::NotAMeetDatabaseText().in(program.language)) +
                     failure.what());
        if (program.meet) CloseDatabase(program);
        return false;
    }
    for (int warning : warnings) program.info(words[warning]);
    if (program.meet)
        for (const auto& notice : program.meet->openingNotices()) program.info(notice);
    return true;
}

void OpenDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    // The meet made last is offered first, once.
    std::error_code error;
    std::string preset = words[entry::DemoMeet];
    if (!program.madeMeet.empty() && fs::is_regular_file(program.madeMeet, error))
        preset = program.madeMeet;
    program.madeMeet.clear();
    if (auto chosen = program.chooseFile(words[entry::OpenTitle], preset))
        OpenDatabaseFile(program, *chosen);
}

bool UserLanguageUsable(ui::Program& program) {
    const std::string& value = program.Main.userLanguageText().text();
    const double number = base::TextToNumber(value);
    if (number == static_cast<int>(lang::Language::Norwegian) ||
        number == static_cast<int>(lang::Language::English))
        return true;
    program.info(lang::UserLanguageWrongText(program.language, value));
    return false;
}

std::string LanguageRefusal(ui::Program& program, const std::string& madeWith) {
    return program.LanguageTexts[entry::OtherLanguage] +
           lang::MadeWithLanguageText(program.language, madeWith);
}

std::unique_ptr<storage::Hold> HoldMeet(ui::Program& program, const std::string& path) {
    try {
        return program.platform.engine.hold(path);
    } catch (const storage::HeldElsewhere& held) {
        program.info(lang::MeetHeldText().in(program.language) + held.holder +
                     lang::MeetHeldAfterText().in(program.language));
    } catch (const std::exception& failure) {
        program.info(lang::CannotHoldText().in(program.language) + std::string(failure.what()));
    }
    return nullptr;
}

bool SecureUnstored(ui::Program& program) {
    if (!program.meet) return true;
    auto& meet = *program.meet;
    // What the operator changed in the records shown goes to the meet as when they are left.
    for (ui::DataControl* data :
         {&program.Main.NameData, &program.Main.ClubData, &program.Main.ClassData})
        data->saveRecord();
    // Captures still waiting for their delay belong to this meet: registered now.
    capture::ShowOutcomes(program, meet.finishPendingCaptures());
    while (!meet.allStored()) {
        auto outcome = meet.store();
        if (outcome.stored) break;
        const std::string& file = meet.recoveryFilePath();
        auto answer = program.dialogs().message(
            lang::UnstoredAtCloseQuestion(program.language, std::max(1, meet.unstoredTimes()),
                                          outcome.failure, file),
            program.LanguageTexts[entry::Info], ui::MessageButtons::YesNo);
        if (answer == ui::Answer::Yes) continue;
        try {
            meet.writeRecoveryFile();
        } catch (const std::exception& failure) {
            program.info(lang::RecoveryFailedText(program.language, file, failure.what()));
            return false;
        }
        program.info(lang::RecoveryWrittenText(program.language, file));
        return true;
    }
    return true;
}

bool CloseDatabase(ui::Program& program) {
    if (!SecureUnstored(program)) return false;
    auto& main = program.Main;
    const std::string path = program.currentDatabase();
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
    // Everything of the meet goes with it: its data, the lines' states, the list.
    program.meet.reset();
    program.stationJournal.reset();
    if (!path.empty()) program.platform.engine.release(path);
    program.laptopServer.reset();
    pages::ShowStartsPage(program);
    if (!path.empty()) program.lastClosedMeet = path;
    if (!path.empty()) program.platform.engine.release(path);
    program.MDIMain.Frame.setCaption(program.LanguageTexts[entry::NoDatabaseTitle]);
    program.MDIMain.Status.setPanelText(1, "");
    setMakingControlsEnabled(main, true);
    pages::LockCounts(program, false);
    ReloadMain(program);
    EnterNoDatabaseState(program);
    return true;
}

}  // namespace kvt::shell
