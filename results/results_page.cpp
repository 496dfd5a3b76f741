#include "results/results_page.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "lang/meet_texts.h"
#include "lang/run_texts.h"
#include "results/list_file.h"
#include "results/lists.h"
#include "ui/program.h"

namespace kvt::results {

namespace {

namespace entry = lang::entry;

bool differences(const ui::Program& program) {
    return program.meet && program.meet->setup().yes(meet::field::Differences);
}

void layOutResultsPage(ui::Program& program) {
    auto& main = program.Main;
    const bool shown = differences(program);
    main.ResultsLabel[8].setVisible(shown);
    main.ResultsText[5].setVisible(shown);
    std::vector<ui::DataGrid::Column> columns;
    for (int width : {700, 700, 2500, 1500, 1000, 1000}) columns.push_back({width, true, true});
    columns[5].visible = shown;
    main.ResultsDBGrid.setColumns(columns);
    main.ResultsDBGrid.setReadOnly(true);
}

// The choice of run: each run of the meet and the combined result, kept where it was.
void fillRunChoice(ui::Program& program) {
    auto& combo = program.Main.ResultsRunCombo;
    const int runs = program.meet ? program.meet->runCount() : 1;
    std::vector<std::string> items;
    if (runs > 1) {
        for (int run = 1; run <= runs; ++run)
            items.push_back(lang::RunText().in(program.language) + std::to_string(run));
        items.push_back(lang::CombinedText().in(program.language));
    }
    combo.setVisible(runs > 1);
    program.Main.ResultsRunLabel.setVisible(runs > 1);
    // Picking raises the combo's Click, which shows the page again: only when it changed.
    if (combo.items() == items && (items.empty() || combo.listIndex() >= 0)) return;
    const int kept = combo.listIndex();
    combo.clear();
    for (const auto& item : items) combo.addItem(item);
    if (!items.empty()) combo.pick(kept >= 0 && kept <= runs ? kept : program.meet->run() - 1);
}

// The combined result of the class as lines of text, in place of the grid.
void showCombined(ui::Program& program, int classNumber) {
    auto& text = program.Main.ResultsCombinedText;
    const bool combined = program.meet && ShownRun(program) == 0;
    text.setVisible(combined);
    // The combined result in place of the grid, which holds one run's results.
    program.Main.ResultsDBGrid.setVisible(!combined);
    if (!combined) {
        text.setText("");
        return;
    }
    const auto language = program.language;
    // Columns padded to their longest text, for the page's fixed font.
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> head = {lang::PlaceHeadText().in(language),
                                     lang::NumberHeadText().in(language),
                                     lang::NameHeadText().in(language),
                                     lang::ClubHeadText().in(language)};
    for (int run = 1; run <= program.meet->runCount(); ++run)
        head.push_back(lang::RunText().in(language) + std::to_string(run));
    head.push_back(lang::TotalText().in(language));
    head.push_back(lang::DifferenceHeadText().in(language));
    table.push_back(std::move(head));
    for (const auto& row : program.meet->combinedResults(classNumber)) {
        std::vector<std::string> cells = {row.status.empty() ? std::to_string(row.place) : "",
                                          std::to_string(row.number), row.competitor, row.club};
        for (int run = 0; run < program.meet->runCount(); ++run)
            cells.push_back(run < static_cast<int>(row.runs.size()) ? row.runs[run] : "-");
        cells.push_back(row.status.empty() ? row.total : row.status);
        cells.push_back(row.difference);
        table.push_back(std::move(cells));
    }
    // Each column as wide as its longest text in characters (a name with an o-slash is as
    // wide as one without), two spaces between.
    std::vector<std::size_t> widths(table.front().size(), 0);
    for (const auto& cells : table)
        for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], base::DecodeUtf8(cells[i]).size());
    std::string lines;
    for (const auto& cells : table) {
        Columns line;
        std::size_t column = 1;
        for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
            line.at(column, cells[i]);
            column += widths[i] + 2;
        }
        lines += line.utf8() + "\n";
    }
    text.setText(lines);
}

}  // namespace

void ShowStoredClass(ui::Program& program, int classNumber) {
    if (!program.meet) return;
    fillRunChoice(program);
    showCombined(program, classNumber);
    auto& data = program.Main.ResultsData;
    data.setShowOnly(true);
    data.setDatabaseName(program.meet->path());
    // The run chosen as stored; the combined result shows the run being timed beside it.
    int run = ShownRun(program);
    if (run == 0) run = program.meet->run();
    data.setRecordSource(classNumber > 0 ? program.meet->resultsTable(classNumber, run) : "");
    // In the order of the places, which follow the full race times: when the class is stored
    // whole, its ranking is the order of the stored places.
    data.setSortField(program.LanguageTexts[entry::Place]);
    std::vector<int> order;
    if (classNumber > 0 && run == program.meet->run() &&
        program.meet->results(classNumber).allStored())
        for (int index : program.meet->results(classNumber).ranking()) order.push_back(index + 1);
    data.setArrangement(std::move(order));
    try {
        data.refresh();
    } catch (const std::exception&) {
        program.info(program.LanguageTexts[entry::SortFailed]);
        return;
    }
    layOutResultsPage(program);
}

void ShowChosenClass(ui::Program& program) {
    if (!program.meet) return;
    const auto& meet = *program.meet;
    auto& combo = program.Main.ResultsCombo;
    int shown = 0;
    for (int c = 1; c <= meet.classCount() && shown == 0; ++c)
        if (meet.className(c) == combo.text()) shown = c;
    if (shown == 0 && combo.listIndex() >= 0 && combo.listIndex() < meet.classCount())
        shown = combo.listIndex() + 1;
    if (shown == 0 && meet.classCount() > 0) shown = 1;
    if (shown > 0 && combo.text() != meet.className(shown)) combo.setText(meet.className(shown));
    ShowStoredClass(program, shown);
}

void ShowClassResults(ui::Program& program, int classNumber) {
    if (!program.meet) return;
    auto outcome = program.meet->rankClass(classNumber);
    program.tellIfNotStored(outcome);
    ShowStoredClass(program, classNumber);
}

void ConnectResultsPage(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.ResultsCombo.DropDown = p.guarded([&p] {
        auto& list = p.Main.ResultsCombo;
        std::string shown = list.text();
        list.clear();
        if (p.meet)
            for (int c = 1; c <= p.meet->classCount(); ++c) list.addItem(p.meet->className(c));
        list.setText(shown);
    });
    main.ResultsCombo.Click = p.guarded([&p] {
        if (p.meet) ShowClassResults(p, p.Main.ResultsCombo.listIndex() + 1);
    });
    main.ResultsRunCombo.DropDown = p.guarded([&p] { fillRunChoice(p); });
    main.ResultsRunCombo.Click = p.guarded([&p] {
        if (p.meet) ShowChosenClass(p);
    });
    main.ResultsMover.Change = p.guarded([&p] {
        auto& data = p.Main.ResultsData;
        double n = base::TextToNumber(p.Main.ResultsMover.text());
        if (n > 0 && n <= data.recordCount()) data.moveTo(static_cast<int>(n));
    });
}

}  // namespace kvt::results
