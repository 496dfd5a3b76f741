#include "shell/entries_commands.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/files.h"
#include "base/native_path.h"
#include "capture/show.h"
#include "entries/export.h"
#include "entries/import.h"
#include "entries/iof_entries.h"
#include "lang/entry_texts.h"
#include "lang/meet_texts.h"
#include "lang/publish_texts.h"
#include "pages/register_pages.h"
#include "shell/meet_commands.h"
#include "ui/program.h"

namespace kvt::shell {

namespace {

namespace fs = std::filesystem;
using meet::Register;

// Larger than any list of entries a meet can hold: a file chosen by mistake.
constexpr std::uintmax_t LargestFile = 32 * 1024 * 1024;

// What the operator typed on the register pages is stored first, so that the caches, the
// checks and the files hold it.
void saveRegisterPages(ui::Program& program) {
    for (ui::DataControl* data :
         {&program.Main.NameData, &program.Main.ClubData, &program.Main.ClassData})
        data->saveRecord();
}

// The file's bytes; no value (after a message) when it cannot be read.
std::optional<std::string> readFile(ui::Program& program, const std::string& path) {
    const auto language = program.language;
    std::error_code error;
    const auto size = fs::file_size(base::NativePath(path), error);
    if (error) {
        program.info(lang::NoSuchFileText().in(language) + path);
        return std::nullopt;
    }
    if (size > LargestFile) {
        program.info(lang::NotCsvText().in(language) +
                     std::string(lang::TooLargeText().in(language)) + " (" + path + ")");
        return std::nullopt;
    }
    std::ifstream file(base::NativePath(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (!file && !file.eof()) {
        program.info(lang::NoSuchFileText().in(language) + path);
        return std::nullopt;
    }
    return bytes.str();
}

// The preview, the report of what cannot go in and the import of the good rows, whatever
// file the rows came from.
void importRows(ui::Program& program, const std::string& chosen, std::string bytes, bool iofXml) {
    const auto language = program.language;
    std::optional<entries::ImportSession> session;
    try {
        if (iofXml) bytes = entries::IofEntriesAsCsv(bytes, language);
        session.emplace(std::move(bytes), *program.meet, language);
    } catch (const entries::NotCsv& notCsv) {
        program.info(std::string(notCsv.what()) + " (" + chosen + ")");
        return;
    }
    // Nothing is written before the operator has seen what cannot go in; declining the rows
    // that can goes back to the preview with his choices, to map the columns otherwise.
    bool declined = false;
    for (;;) {
        if (!program.importDialogs().preview(*session) || !program.meet) {
            if (declined && program.meet) program.info(lang::NothingImportedText().in(language));
            return;
        }
        const auto report = session->check();
        if (!report.numberMapped || !report.fieldMapped) {
            program.info(
                (report.numberMapped ? lang::NoFieldColumnText() : lang::NoNumberColumnText())
                    .in(language) +
                std::string(" ") + lang::NothingImportedText().in(language));
            return;
        }
        if (report.problems.empty()) break;
        const bool goodRows = program.importDialogs().report(*session, report);
        if (!program.meet) return;
        if (goodRows) break;
        declined = true;
    }
    const auto good = session->goodEntries();
    if (good.empty()) {
        program.info(lang::NothingImportedText().in(language));
        return;
    }
    const Register target = session->target();
    const int countBefore = program.meet->registerCount(target);
    auto outcome = program.meet->importEntries(target, good);
    if (!outcome.stored) {
        capture::ShowMeet(program);
        program.info(lang::ImportNotStoredText().in(language) + outcome.failure);
        return;
    }
    // The page shows the records as they are now; the lists and caches follow them.
    pages::RegisterBinding(program, target).recordsWritten();
    FillNameLists(program);
    pages::ShowRegisterCounts(program);
    capture::ShowOutcome(program, outcome);
    const int countNow = program.meet->registerCount(target);
    int added = 0;
    for (const auto& entry : good) added += entry.number > countBefore ? 1 : 0;
    program.info(lang::ImportedText(language, static_cast<int>(good.size()),
                                    program.meet->registerTable(target), added, countNow));
}

void importFile(ui::Program& program, const char* title, const char* filter, bool iofXml) {
    if (!program.meet) return;
    saveRegisterPages(program);
    auto chosen = program.chooseFile(title, "", filter);
    if (!chosen || !program.meet) return;
    auto bytes = readFile(program, *chosen);
    if (!bytes) return;
    // An XML file chosen for the CSV import is read as what it is.
    const bool xml = iofXml || entries::LooksLikeXml(*bytes);
    importRows(program, *chosen, std::move(*bytes), xml);
}

}  // namespace

void ImportEntries(ui::Program& program) {
    importFile(program, lang::ImportTitle().in(program.language), "CSV (*.csv)|*.csv", false);
}

void ImportIofEntries(ui::Program& program) {
    importFile(program, lang::IofImportTitle().in(program.language), "IOF XML (*.xml)|*.xml",
               true);
}

void ExportEntries(ui::Program& program) {
    if (!program.meet) return;
    const auto language = program.language;
    saveRegisterPages(program);
    std::string written;
    for (Register which : {Register::Competitors, Register::Clubs, Register::Classes}) {
        const std::string name = program.meet->registerTable(which) + ".csv";
        base::WriteWholeFile(base::NativePath(program.listFolder + name),
                             entries::ExportCsv(*program.meet, which, language));
        written += (written.empty() ? "" : ", ") + name;
    }
    program.info(lang::ExportedText().in(language) + program.listFolder + ": " + written);
}

}  // namespace kvt::shell
