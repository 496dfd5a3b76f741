#include "results/results_page.h"

#include "base/number_text.h"
#include "lang/meet_texts.h"
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

}  // namespace

void ShowStoredClass(ui::Program& program, int classNumber) {
    if (!program.meet) return;
    auto& data = program.Main.ResultsData;
    data.setShowOnly(true);
    data.setDatabaseName(program.meet->path());
    data.setRecordSource(classNumber > 0 ? program.meet->resultsTable(classNumber) : "");
    // In the order of the places, which follow the full race times: when the class is stored
    // whole, its ranking is the order of the stored places.
    data.setSortField(program.LanguageTexts[entry::Place]);
    std::vector<int> order;
    if (classNumber > 0 && program.meet->results(classNumber).allStored())
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
    main.ResultsMover.Change = p.guarded([&p] {
        auto& data = p.Main.ResultsData;
        double n = base::TextToNumber(p.Main.ResultsMover.text());
        if (n > 0 && n <= data.recordCount()) data.moveTo(static_cast<int>(n));
    });
}

}  // namespace kvt::results
