#include "results/results.h"

#include "pages/setup_page.h"
#include "results/time_text.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::results {

namespace {

// Results table fields in order: place, number, competitor, club, result, difference.
constexpr int PlaceEntry = 1, NumberEntry = 2, ResultEntry = 5, DifferenceEntry = 38;

int startNumber(const ui::FieldValue& value) {
    double number = ui::TextToNumber(value.value_or(""));
    return number >= 0 && number <= ui::MaxStartNumber ? static_cast<int>(number) : 0;
}

std::string raceTime(const ui::Program& program, int n) {
    return RaceTime(program.StartTimes[n], program.FinishTimes[n]);
}

void layOutResultsGrid(ui::Program& program, bool differences) {
    std::vector<ui::DataGrid::Column> columns;
    for (int width : {700, 700, 2500, 1500, 1000, 1000}) columns.push_back({width, true, true});
    columns[5].visible = differences;
    program.Main.ResultsDBGrid.setColumns(columns);
    program.Main.ResultsDBGrid.setReadOnly(true);
}

}  // namespace

std::string ResultsTable(const ui::Program& program, int classNumber) {
    return program.LanguageTexts[35] + std::to_string(classNumber);
}

void AddResult(ui::Program& program, const std::string& table, const std::string& number,
               const std::string& name, const std::string& club, const std::string& raw) {
    auto& data = program.Main.ResultsData;
    if (!data.isOpen() || data.recordSource() != table ||
        data.databaseName() != program.currentDatabase) {
        data.setDatabaseName(program.currentDatabase);
        data.setRecordSource(table);
        data.refresh();
    }
    const std::string result = FormatResultTime(raw, pages::SelectedTimeFormat(program));
    data.appendRecord({std::string("0"), std::to_string(ui::TextToInt16(number)), name, club,
                       result, std::string("-")});
}

void SortResults(ui::Program& program) {
    auto& data = program.Main.ResultsData;
    program.platform.application.setBusy(true);
    try {
        data.setSortField(program.LanguageTexts[ResultEntry]);
        data.refresh();
    } catch (const std::exception&) {
        program.platform.application.setBusy(false);
        program.info(program.LanguageTexts[93]);
        return;
    }
    program.platform.application.setBusy(false);
    layOutResultsGrid(program, program.Main.SetupCheck[5].checked());
}

void RankResults(ui::Program& program) {
    auto& main = program.Main;
    auto& data = main.ResultsData;
    const bool differences = main.SetupCheck[5].checked();
    main.ResultsLabel[8].setVisible(differences);
    main.ResultsText[5].setVisible(differences);
    layOutResultsGrid(program, differences);
    if (!data.isOpen() || data.recordCount() == 0) return;

    const auto& words = program.LanguageTexts;
    const int timeFormat = pages::SelectedTimeFormat(program);
    auto rows = data.readAll();
    std::string winner;
    // Only the rows whose place or difference changes are written, in one transaction.
    program.platform.engine.transaction(program.currentDatabase, [&] {
        for (int place = 1; place <= static_cast<int>(rows.size()); ++place) {
            const auto& row = rows[place - 1];
            std::vector<std::pair<std::string, ui::FieldValue>> changed;
            if (ui::TextToNumber(row[0].value_or("")) != place)
                changed.emplace_back(words[PlaceEntry], std::to_string(place));
            if (differences) {
                std::string own = raceTime(program, startNumber(row[1]));
                if (place == 1) winner = own;
                std::string difference = FormatResultTime(
                    place == 1 ? "00.00.00.00" : TimeDifference(winner, own), timeFormat);
                if (row[5].value_or("") != difference)
                    changed.emplace_back(words[DifferenceEntry], difference);
            }
            if (!changed.empty()) data.writeFields(place, changed);
        }
    });
    data.moveFirst();
}

void ShowClassResults(ui::Program& program, int classNumber) {
    auto& data = program.Main.ResultsData;
    data.setDatabaseName(program.currentDatabase);
    data.setRecordSource(ResultsTable(program, classNumber));
    try {
        data.refresh();
    } catch (const std::exception&) {
        program.info(program.LanguageTexts[93]);
        return;
    }
    SortResults(program);
    RankResults(program);
}

void ConnectResultsPage(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.ResultsCombo.DropDown = [&p] {
        auto& list = p.Main.ResultsCombo;
        std::string shown = list.text();
        list.clear();
        for (int c = 1; c <= p.ClassCount && c <= ui::MaxClubOrClass; ++c)
            list.addItem(p.ClassNames[c]);
        list.setText(shown);
    };
    main.ResultsCombo.Click = [&p] {
        if (!p.currentDatabase.empty()) ShowClassResults(p, p.Main.ResultsCombo.listIndex() + 1);
    };
    main.ResultsMover.Change = [&p] {
        auto& data = p.Main.ResultsData;
        double n = ui::TextToNumber(p.Main.ResultsMover.text());
        if (n > 0 && n <= data.recordCount()) data.moveTo(static_cast<int>(n));
    };
}

}  // namespace kvt::results
