#include "results/printed_list.h"

#include <filesystem>
#include <stdexcept>

#include "base/native_path.h"
#include "base/time_text.h"
#include "lang/meet_texts.h"
#include "lang/output_texts.h"
#include "lang/run_texts.h"
#include "meet/meet.h"
#include "results/lists.h"
#include "results/results_page.h"
#include "ui/program.h"

namespace kvt::results {

namespace fs = std::filesystem;

namespace {

// Another run than the one timed as it is stored, or (run 0) the combined result of every run:
// the same pages with the run's name in the title, or a column for each run, the total and
// the difference.
ui::PrintedList runList(ui::Program& program, ui::PrintedList list, int run) {
    const auto& meet = *program.meet;
    const auto language = program.language;
    const bool differences = meet.setup().yes(meet::field::Differences);
    list.sections.clear();
    if (run > 0) {
        list.title += " - " + std::string(lang::RunText().in(language)) + std::to_string(run);
        for (int c = 1; c <= meet.classCount(); ++c) {
            const auto rows = meet.runResults(run, c);
            if (rows.empty()) continue;
            ui::PrintedSection section;
            section.heading = meet.className(c);
            for (const auto& row : rows) {
                std::vector<std::string> cells = {
                    row.status.empty() ? std::to_string(row.place) : "", std::to_string(row.number),
                    row.competitor, row.club, row.shownResult()};
                if (differences) cells.push_back(row.difference);
                section.rows.push_back(std::move(cells));
            }
            list.sections.push_back(std::move(section));
        }
        return list;
    }
    list.title = lang::CombinedHeadingText().in(language);
    list.columns = {lang::PlaceHeadText().in(language), lang::NumberHeadText().in(language),
                    lang::NameHeadText().in(language), lang::ClubHeadText().in(language)};
    list.alignRight = {true, true, false, false};
    for (int r = 1; r <= meet.runCount(); ++r) {
        list.columns.push_back(lang::RunText().in(language) + std::to_string(r));
        list.alignRight.push_back(true);
    }
    list.columns.push_back(lang::TotalText().in(language));
    list.columns.push_back(lang::DifferenceHeadText().in(language));
    list.alignRight.insert(list.alignRight.end(), {true, true});
    for (int c = 1; c <= meet.classCount(); ++c) {
        const auto rows = meet.combinedResults(c);
        if (rows.empty()) continue;
        ui::PrintedSection section;
        section.heading = meet.className(c);
        for (const auto& row : rows) {
            std::vector<std::string> cells = {row.status.empty() ? std::to_string(row.place) : "",
                                              std::to_string(row.number), row.competitor,
                                              row.club};
            for (int r = 0; r < meet.runCount(); ++r)
                cells.push_back(r < static_cast<int>(row.runs.size()) ? row.runs[r] : "-");
            cells.push_back(row.status.empty() ? row.total : row.status);
            cells.push_back(row.difference);
            section.rows.push_back(std::move(cells));
        }
        list.sections.push_back(std::move(section));
    }
    return list;
}

// Every class ranked anew (what changes is stored in one transaction), then taken as it stands:
// the run the results page shows, or the combined result.
ui::PrintedList rankedList(ui::Program& program) {
    auto& meet = *program.meet;
    program.tellIfNotStored(meet.rankAll());
    ShowChosenClass(program);
    const std::string now = base::TimeText(program.platform.clock.now()).substr(0, 8);
    auto list = PrintedResults(TakeSnapshot(&meet, program.LanguageTexts, program.language, now));
    const int run = ShownRun(program);
    return run == meet.run() ? list : runList(program, std::move(list), run);
}

// The printer's dialog, like every dialog, never runs inside a transaction.
ui::Printer* printerOf(ui::Program& program) {
    if (program.platform.engine.inTransaction())
        throw std::logic_error("a dialog was shown inside a transaction");
    if (!program.platform.printer)
        program.info(lang::PrintingUnavailableText().in(program.language));
    return program.platform.printer;
}

}  // namespace

ui::PrintedList PrintedResults(const ResultsSnapshot& snapshot) {
    const auto& words = snapshot.words;
    const lang::Language language = snapshot.language;
    ui::PrintedList list;
    list.title = words.results;
    list.meetName = snapshot.meetName;
    list.pageNumbers = lang::PageNumbersText().in(language);
    list.continued = lang::ContinuedText().in(language);
    list.empty = words.noResults;
    list.columns = {words.place, words.number, words.competitor, words.club, words.result};
    list.alignRight = {true, true, false, false, true};
    if (snapshot.differences) {
        list.columns.push_back(words.difference);
        list.alignRight.push_back(true);
    }
    for (const LiveClass& c : snapshot.classes) {
        if (c.rows.empty()) continue;
        ui::PrintedSection section;
        section.heading = c.name;
        section.rows.reserve(c.rows.size());
        for (const LiveRow& row : c.rows) {
            // A competitor without a place shows none; his status stands as his result.
            std::vector<std::string> cells = {row.place > 0 ? std::to_string(row.place) : "",
                                              std::to_string(row.number),
                                              row.competitor, row.club, row.result};
            if (snapshot.differences) cells.push_back(row.difference);
            section.rows.push_back(std::move(cells));
        }
        list.sections.push_back(std::move(section));
    }
    return list;
}

void PrintList(ui::Program& program, const ui::PrintedList& list) {
    ui::Printer* printer = printerOf(program);
    if (!printer) return;
    std::string failure;
    if (!printer->print(list, failure) && !failure.empty())
        program.info(lang::PrintFailedText().in(program.language) + failure);
}

void WritePdfList(ui::Program& program, const ui::PrintedList& list, const std::string& fileName) {
    const lang::Language language = program.language;
    ui::Printer* printer = printerOf(program);
    if (!printer) return;
    const std::string path = base::NativePath(program.listFolder + fileName);
    program.platform.application.setBusy(true);
    // Written on another thread, whole or not at all; shown only once it is in place.
    printer->writePdf(list, path, [&program, path, language](const std::string& failure) {
        program.guard([&] {
            program.platform.application.setBusy(false);
            if (!failure.empty()) {
                program.info(lang::PdfFailedText().in(language) + failure);
                return;
            }
            if (!program.platform.launcher.openDocument(path))
                program.info(lang::CannotShowFileText().in(language) + path + "\n" +
                             lang::FileFolderText().in(language) +
                             fs::path(path).parent_path().string());
        });
    });
}

void PrintResultsList(ui::Program& program) {
    if (!program.meet) return;
    PrintList(program, rankedList(program));
}

void WriteResultsPdf(ui::Program& program) {
    if (!program.meet) return;
    WritePdfList(program, rankedList(program), lang::PdfListFileText().in(program.language));
}

}  // namespace kvt::results
