// Work on meet database files while none is open: reset for a new run, copy, repair, compress.
#include "shell/maintenance.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/number_text.h"
#include "lang/file_texts.h"
#include "lang/meet_texts.h"
#include "meetdb/meet_files.h"
#include "shell/commands.h"
#include "pages/setup_page.h"
#include "shell/meet_commands.h"
#include "storage/trail.h"
#include "ui/program.h"

namespace kvt::shell {

namespace fs = std::filesystem;
namespace entry = lang::entry;

namespace {

int boundedCount(const std::optional<std::string>& text, int bound) {
    double count = base::TextToNumber(text.value_or(""));
    return count < 0 ? 0 : count > bound ? bound : static_cast<int>(count);
}

std::string chooseExisting(ui::Program& program, int titleEntry) {
    auto chosen = program.chooseFile(program.LanguageTexts[titleEntry], "");
    if (!chosen) return "";
    std::error_code error;
    return fs::is_regular_file(*chosen, error) ? *chosen : "";
}

// The file a chosen name stands for: a file put in place of a symlink would replace the link,
// not the meet it names.
std::string realFile(const std::string& chosen) {
    std::error_code error;
    const fs::path real = fs::canonical(chosen, error);
    return error ? chosen : real.string();
}

// The temporary file of a compaction: beside the chosen file, and never the file itself (a
// name ending in ".tmp" less four characters and ".tmp" is its own name).
std::string temporaryNameFor(const std::string& path) {
    std::string temporary = meetdb::BesideName(path, ".tmp");
    std::error_code error;
    if (temporary == path || fs::equivalent(temporary, path, error)) temporary = path + ".tmp";
    return temporary;
}

void message(ui::Program& program, const lang::Bilingual& text, const std::string& detail) {
    program.info(text.in(program.language) + detail);
}

}  // namespace

namespace {

// What Reset reads of a meet before it asks: its sizes and what it holds.
struct ResetSizes {
    int classCount = 0;
    int timeRows = 0;
    long long times = 0;
    long long results = 0;
};

ResetSizes readSizes(ui::Program& program, meetdb::MeetFile& file) {
    const auto& words = program.LanguageTexts;
    ResetSizes sizes;
    // The database's own sizes: every results table it has, and its Time table.
    sizes.classCount =
        boundedCount(file.firstValue(words[entry::SetupTable], "23"), meet::MaxClasses);
    sizes.timeRows =
        boundedCount(file.firstValue(words[entry::SetupTable], "31"), pages::MaxPreparedTimeRows);
    if (file.hasTable(words[entry::TimeTable]))
        sizes.times = file.filledCount(words[entry::TimeTable], "Id");
    for (int c = 1; c <= sizes.classCount; ++c) {
        const auto table = storage::DescribeTable(storage::TableKind::Results, words, c).name;
        if (file.hasTable(table)) sizes.results += file.recordCount(table);
    }
    return sizes;
}

// Empties the meet's times, results and list and zeroes its counts, in one transaction: a
// kill or a power cut at any moment leaves the meet as it was or wholly reset. The tables
// that were not there to be dropped are told afterwards (entries 62, 64, 63).
void resetTables(ui::Program& program, meetdb::MeetFile& file, const ResetSizes& sizes,
                 std::vector<int>& notDropped) {
    const auto& words = program.LanguageTexts;
    auto drop = [&](const std::string& table, int message) {
        if (file.hasTable(table)) {
            file.dropTable(table);
        } else if (std::find(notDropped.begin(), notDropped.end(), message) ==
                   notDropped.end()) {
            notDropped.push_back(message);
        }
    };
    file.inOneTransaction([&] {
        program.beginProgress(words[entry::DeletingResults], sizes.classCount);
        for (int c = 1; c <= sizes.classCount; ++c) {
            program.progress(c);
            drop(storage::DescribeTable(storage::TableKind::Results, words, c).name,
                 entry::ResultsNotDeleted);
        }
        program.endProgress();
        // What the runs after the first kept goes with them (the runs set stay).
        for (int run = 2; run <= meet::MaxRuns; ++run)
            for (int c = 1; c <= sizes.classCount; ++c)
                if (file.hasTable(storage::RunResultsTableName(words, c, run)))
                    file.dropTable(storage::RunResultsTableName(words, c, run));
        for (const char* own : {storage::TimeRunsTable, storage::RunStatusesTable})
            if (file.hasTable(own)) file.dropTable(own);
        drop(words[entry::TimeTable], entry::TimeNotDeleted);
        drop(words[entry::WorkTable], entry::WorkNotDeleted);
        MakeResults(program, file, sizes.classCount);
        MakeTime(program, file, sizes.timeRows);
        MakeWork(program, file);
        file.setFields(words[entry::SetupTable], {{"29", "0"},
                                                  {"30", "0"},
                                                  {"31", std::to_string(sizes.timeRows)},
                                                  {"32", "0"},
                                                  {"33", "0"},
                                                  {"34", "0"},
                                                  {"35", "0"},
                                                  {"36", "0"},
                                                  {"37", "0"}});
        // The starts given go with the times; the draw and how each class starts stay.
        if (file.hasTable(storage::PlannedStartsTable))
            file.setFields(storage::PlannedStartsTable,
                           {{"Impulse", std::string("-")}, {"ImpulseRow", "0"}, {"Jury", ""}});
        if (file.hasTable(storage::ClassStartsTable))
            file.setFields(storage::ClassStartsTable,
                           {{"MassTime", std::string("-")}, {"MassRow", "0"}});
        // The reset in the meet's trail, with what it emptied.
        auto trail = storage::MakeTrailEntry(
            storage::trail::Reset, -1, words[entry::TimeTable],
            std::to_string(sizes.times) + " / " + std::to_string(sizes.results), "0 / 0");
        trail.entry = file.hasTable(storage::TrailTable)
                          ? static_cast<int>(file.recordCount(storage::TrailTable)) + 1
                          : 1;
        file.appendRecord(storage::TrailSpec(), storage::TrailRecord(trail));
    });
}

}  // namespace

void ResetDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    // The dialog starts on the meet closed last, never on another meet that happens to bear
    // the preset name.
    std::error_code gone;
    const std::string last =
        fs::is_regular_file(program.lastClosedMeet, gone) ? program.lastClosedMeet : "";
    auto chosen = program.dialogs().openFile(
        {words[entry::ResetTitle], last.empty() ? "" : fs::path(last).filename().string(),
         "Databaser (*.mdb)|*.mdb",
         last.empty() ? ui::DialogFolder(program.locations, program.lastChosenFile)
                      : fs::path(last).parent_path().string()});
    program.pumpEvents();
    if (!chosen || chosen->empty()) return;  // a cancelled dialog ends the reset quietly
    const std::string path = *chosen;
    program.lastChosenFile = path;
    std::error_code missing;
    if (!fs::is_regular_file(path, missing)) {
        program.info(words[entry::ResetFailed] + ": " +
                     lang::NoSuchFileText().in(program.language));
        return;
    }
    if (!UserLanguageUsable(program)) return;
    // A meet open in another program is never reset under it.
    auto hold = HoldMeet(program, path);
    if (!hold) return;

    std::unique_ptr<meetdb::MeetFile> file;
    ResetSizes sizes;
    try {
        file = std::make_unique<meetdb::MeetFile>(path);
        auto language = file->firstValue("Control", "Language");
        if (!language)
            throw std::runtime_error(lang::NoRecordText().in(program.language) +
                                     std::string("Control"));
        if (base::TextToNumber(*language) !=
            base::TextToNumber(program.Main.userLanguageText().text())) {
            program.info(LanguageRefusal(program, *language));
            return;
        }
        sizes = readSizes(program, *file);
    } catch (const std::exception& failure) {
        program.info(words[entry::ResetFailed] + ": " + failure.what());
        return;
    }
    // Nothing is emptied without the operator's word.
    const std::string name = fs::path(path).filename().string();
    if (program.dialogs().message(
            lang::ResetQuestion(program.language, name, sizes.times, sizes.results),
            words[entry::Info], ui::MessageButtons::YesNo) != ui::Answer::Yes)
        return;

    std::vector<int> notDropped;
    try {
        resetTables(program, *file, sizes, notDropped);
    } catch (const std::exception& failure) {
        program.endProgress();
        program.info(words[entry::ResetFailed] + ": " + failure.what());
        return;
    }
    file.reset();
    hold.reset();
    for (int message : notDropped) program.info(words[message]);
    try {
        ReloadMain(program);
        // The lists of the database just reset, in its own meet folder.
        const fs::path folder = MeetFolder(path);
        for (int list : {entry::HtmlListFile, entry::TextListFile}) {
            std::error_code error;
            fs::path listFile = folder / program.LanguageTexts[list];
            if (fs::exists(listFile, error)) fs::remove(listFile);
        }
    } catch (const std::exception& failure) {
        program.endProgress();
        program.info(words[entry::ResetFailed] + ": " + failure.what());
        return;
    }
    program.status(lang::ResetDoneText(program.language, name));
}

void CopyDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, entry::CopyTitle);
    if (path.empty()) return;
    const std::string copy = meetdb::BesideName(path, ".bak");
    program.platform.application.setBusy(true);
    try {
        meetdb::CompactInto(path, copy);
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        message(program, lang::CopyFailedText(), failure.what());
        return;
    }
    program.platform.application.setBusy(false);
    program.status(lang::CopiedText(program.language, copy));
}

void CompressDatabase(ui::Program& program) {
    const std::string chosen = chooseExisting(program, entry::CompressTitle);
    if (chosen.empty()) return;
    const std::string path = realFile(chosen);
    auto hold = HoldMeet(program, path);  // never moved away under a program racing on it
    if (!hold) return;
    program.platform.application.setBusy(true);
    program.platform.engine.release(path);
    try {
        // What a program stopped in the middle of a write left is undone first; then the file
        // is compacted into the temporary file, which takes the chosen name in one synced
        // step: exactly one file remains, under the chosen name, the old one or the new one.
        meetdb::FinishInterruptedWrite(path);
        meetdb::CompactInPlace(path, temporaryNameFor(path));
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        message(program, lang::CompressFailedText(), failure.what());
        return;
    }
    program.platform.application.setBusy(false);
    program.status(lang::CompressedText(program.language, fs::path(path).filename().string()));
}

void RepairDatabase(ui::Program& program) {
    const std::string chosen = chooseExisting(program, entry::RepairTitle);
    if (chosen.empty()) return;
    const std::string path = realFile(chosen);
    auto hold = HoldMeet(program, path);
    if (!hold) return;
    program.platform.application.setBusy(true);
    program.platform.engine.release(path);
    meetdb::RepairReport report;
    try {
        report = meetdb::RepairFile(path);
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        std::error_code error;
        fs::remove(path + ".rebuilt", error);
        const bool nothing = dynamic_cast<const meetdb::NothingReadableError*>(&failure) != nullptr;
        message(program, lang::RepairFailedText(),
                nothing ? lang::NothingReadableText().in(program.language) : failure.what());
        return;
    }
    program.platform.application.setBusy(false);
    // Whole or rebuilt, the file is told as Open would find it: a file Open refuses is never
    // called repaired.
    const auto examination = meetdb::ExamineMeetFile(
        path, program.LanguageTexts, base::TextToNumber(program.Main.userLanguageText().text()),
        program.language);
    const bool refused = examination.kind == meetdb::Examination::NotMeet ||
                         examination.kind == meetdb::Examination::Bounds;
    if (refused) {
        message(program, report.damaged ? lang::RebuiltButNoMeetText() : lang::WholeButNoMeetText(),
                examination.reason);
    } else if (report.damaged) {
        message(program, lang::RepairedText(),
                std::to_string(report.recordsKept) + " / " + report.damagedCopy);
    } else {
        program.status(lang::FoundWholeText(program.language, fs::path(path).filename().string()));
    }
}

}  // namespace kvt::shell
