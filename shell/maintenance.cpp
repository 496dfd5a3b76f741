// Work on meet database files while none is open: reset for a new run, copy, repair, compress.
#include "shell/maintenance.h"

#include <filesystem>
#include <memory>

#include "base/number_text.h"
#include "meetdb/meet_files.h"
#include "shell/commands.h"
#include "shell/meet_commands.h"
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

void ResetDatabase(ui::Program& program) {
    const auto& words = program.LanguageTexts;
    auto chosen = program.dialogs().openFile(
        {words[entry::ResetTitle], words[entry::DemoMeet], "Databaser (*.mdb)|*.mdb",
         ui::DialogFolder(program.locations, program.lastChosenFile)});
    program.pumpEvents();
    if (!chosen || chosen->empty()) return;  // a cancelled dialog ends the reset quietly
    const std::string path = *chosen;
    program.lastChosenFile = path;
    // A meet open in another program is never reset under it.
    std::error_code missing;
    if (!fs::is_regular_file(path, missing)) {
        program.info(words[entry::ResetFailed] + ": " +
                     lang::NoSuchFileText().in(program.language));
        return;
    }
    auto hold = HoldMeet(program, path);
    if (!hold) return;

    std::unique_ptr<meetdb::MeetFile> file;
    int classCount = 0, timeRows = 0;
    try {
        std::error_code error;
        if (!fs::is_regular_file(path, error))
            throw std::runtime_error(lang::NoSuchFileText().in(program.language));
        file = std::make_unique<meetdb::MeetFile>(path);
        auto language = file->firstValue("Control", "Language");
        if (!language)
            throw std::runtime_error(lang::NoRecordText().in(program.language) +
                                     std::string("Control"));
        if (base::TextToNumber(*language) !=
            base::TextToNumber(program.Main.userLanguageText().text())) {
            program.info(words[entry::OtherLanguage]);
            return;
        }
        // The database's own sizes: every results table it has, and its Time table.
        classCount =
            boundedCount(file->firstValue(words[entry::SetupTable], "23"), meet::MaxClubOrClass);
        timeRows =
            boundedCount(file->firstValue(words[entry::SetupTable], "31"), meet::MaxStartNumber);
    } catch (const std::exception& failure) {
        program.info(words[entry::ResetFailed] + ": " + failure.what());
        return;
    }

    program.beginProgress(words[entry::DeletingResults], classCount);
    try {
        for (int c = 1; c <= classCount; ++c) {
            program.progress(c);
            file->dropTable(storage::DescribeTable(storage::TableKind::Results, words, c).name);
        }
    } catch (const std::exception&) {
        program.endProgress();
        program.info(words[entry::ResultsNotDeleted]);
    }
    program.endProgress();
    try {
        file->dropTable(words[entry::TimeTable]);
    } catch (const std::exception&) {
        program.info(words[entry::TimeNotDeleted]);
    }
    try {
        file->dropTable(words[entry::WorkTable]);
    } catch (const std::exception&) {
        program.info(words[entry::WorkNotDeleted]);
    }

    try {
        MakeResults(program, *file, classCount);
        MakeTime(program, *file, timeRows);
        MakeWork(program, *file);
        file->setFields(words[entry::SetupTable], {{"29", "0"},
                                                   {"30", "0"},
                                                   {"31", std::to_string(timeRows)},
                                                   {"32", "0"},
                                                   {"33", "0"},
                                                   {"34", "0"},
                                                   {"35", "0"},
                                                   {"36", "0"},
                                                   {"37", "0"}});
        file.reset();
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
    }
}

void CopyDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, entry::CopyTitle);
    if (path.empty()) return;
    program.platform.application.setBusy(true);
    try {
        meetdb::CompactInto(path, meetdb::BesideName(path, ".bak"));
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        message(program, lang::CopyFailedText(), failure.what());
        return;
    }
    program.platform.application.setBusy(false);
}

void CompressDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, entry::CompressTitle);
    if (path.empty()) return;
    auto hold = HoldMeet(program, path);  // never moved away under a program racing on it
    if (!hold) return;
    program.platform.application.setBusy(true);
    program.platform.engine.release(path);
    try {
        // Compacted into the temporary file, which then takes the chosen name in one step:
        // exactly one file remains, under the chosen name.
        const std::string temporary = temporaryNameFor(path);
        std::error_code error;
        fs::remove(temporary, error);
        if (error) throw std::runtime_error(temporary + ": " + error.message());
        meetdb::CompactInto(path, temporary);
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

void RepairDatabase(ui::Program& program) {
    const std::string path = chooseExisting(program, entry::RepairTitle);
    if (path.empty()) return;
    auto hold = HoldMeet(program, path);
    if (!hold) return;
    program.platform.application.setBusy(true);
    program.platform.engine.release(path);
    try {
        meetdb::RepairReport report = meetdb::RepairFile(path);
        program.platform.application.setBusy(false);
        if (report.damaged)
            message(program, lang::RepairedText(),
                    std::to_string(report.recordsKept) + " / " + report.damagedCopy);
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        std::error_code error;
        fs::remove(path + ".rebuilt", error);
        const bool nothing = dynamic_cast<const meetdb::NothingReadableError*>(&failure) != nullptr;
        message(program, lang::RepairFailedText(),
                nothing ? lang::NothingReadableText().in(program.language) : failure.what());
    }
}

}  // namespace kvt::shell
