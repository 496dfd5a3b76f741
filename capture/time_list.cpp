#include "capture/time_list.h"

#include <algorithm>

#include "results/time_text.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

bool isFree(const std::string& text) {
    return text.empty() || text == "-";
}

void setLamps(ui::MainWindow& main, int row, int state) {
    if (state == ui::NotStarted) {
        main.Outled[row].setColour(ui::Lamp::Dark);
        main.Inled[row].setColour(ui::Lamp::Dark);
    } else if (state == ui::Started) {
        main.Outled[row].setColour(ui::Lamp::Lit);
        main.Inled[row].setColour(ui::Lamp::Dark);
    } else if (state == ui::Finished) {
        main.Outled[row].setColour(ui::Lamp::Dark);
        main.Inled[row].setColour(ui::Lamp::Lit);
    }
}

// Row `to` takes the lamps and texts of row `from`.
void copyRow(ui::MainWindow& main, int from, int to) {
    main.ReadyLed[to].setColour(main.ReadyLed[from].colour());
    main.Outled[to].setColour(main.Outled[from].colour());
    main.Inled[to].setColour(main.Inled[from].colour());
    main.Number[to].setText(main.Number[from].text());
    main.TimeNames[to].setCaption(main.TimeNames[from].caption());
    main.Time[to].setCaption(main.Time[from].caption());
    main.RegTime[to].setText(main.RegTime[from].text());
    main.RegTimeIndex[to].setText(main.RegTimeIndex[from].text());
}

void clearRow(ui::MainWindow& main, int row) {
    main.Number[row].setText("-");
    main.TimeNames[row].setCaption("-");
    main.Time[row].setCaption("-");
    main.RegTime[row].setText("-");
    main.RegTimeIndex[row].setText("-");
}

std::string withoutBlanks(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

}  // namespace

void ClockTick(ui::Program& program) {
    auto& main = program.Main;
    const std::string now = results::TimeText(program.platform.clock.now());
    main.ExactTime.setText(now);
    for (int row = 0; row < ui::CaptureRows; ++row) {
        double number = ui::TextToNumber(main.Number[row].text());
        if (number < 0 || number > ui::MaxStartNumber) continue;
        int n = static_cast<int>(number);
        int state = program.TimingStates[n];
        if (state == ui::Started)
            main.Time[row].setCaption(results::RaceTime(program.StartTimes[n], now));
        else if (state == ui::Finished)
            main.Time[row].setCaption(
                results::RaceTime(program.StartTimes[n], program.FinishTimes[n]));
        setLamps(main, row, state);
    }
}

void TakeNextIntoList(ui::Program& program) {
    auto& main = program.Main;
    if (program.FetchedCount >= program.RegisteredCount) return;
    int row = 0;
    while (row < ui::CaptureRows && main.ReadyLed[row].lit()) ++row;
    if (row == ui::CaptureRows) return;
    int k = ++program.FetchedCount;
    main.SetupText[7].setText(std::to_string(k));
    const auto& slot = program.RegisteredTimes.at(k);
    main.RegTime[row].setText(slot.time);
    main.RegTimeIndex[row].setText(slot.rowIndex);
    main.ReadyLed[row].setColour(ui::Lamp::Lit);
}

void StoreLampStates(ui::Program& program) {
    auto& main = program.Main;
    for (int row = 0; row < ui::CaptureRows; ++row)
        main.Regtimeled[row].setText(main.ReadyLed[row].lit() ? "1" : "0");
}

bool StoreList(ui::Program& program) {
    try {
        program.Main.SetTimeData.updateRecord();
        return true;
    } catch (const std::exception& error) {
        program.platform.dialogs.notify(
            lang::CannotSaveText().in(program.language) + std::string(error.what()),
            program.LanguageTexts[11]);
        return false;
    }
}

void DeleteRow(ui::Program& program, int row) {
    auto& main = program.Main;
    if (!isFree(main.RegTime[row].text()) &&
        program.platform.dialogs.message(DeleteQuestion, "Info", ui::MessageButtons::YesNo) !=
            ui::Answer::Yes)
        return;
    clearRow(main, row);
    for (int j = row; j < ui::CaptureRows - 1; ++j) copyRow(main, j + 1, j);
    const int last = ui::CaptureRows - 1;
    main.ReadyLed[last].setColour(ui::Lamp::Dark);
    main.Outled[last].setColour(ui::Lamp::Dark);
    main.Inled[last].setColour(ui::Lamp::Dark);
    clearRow(main, last);
    if (program.FetchedCount < program.RegisteredCount) TakeNextIntoList(program);
    StoreLampStates(program);
    StoreList(program);
}

void ConnectTimeList(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.Hitime3.Tick = [&p] { ClockTick(p); };
    for (int row = 0; row < ui::CaptureRows; ++row) {
        main.Regtimeled[row].Change = [&main, row] {
            std::string state = withoutBlanks(main.Regtimeled[row].text());
            if (state == "0") main.ReadyLed[row].setColour(ui::Lamp::Dark);
            if (state == "1") main.ReadyLed[row].setColour(ui::Lamp::Lit);
        };
        main.UpDown[row].Change = [&main, row] {
            main.Number[row].setText(std::to_string(main.UpDown[row].value()));
        };
        main.Delete[row].Click = [&p, row] { DeleteRow(p, row); };
    }
}

}  // namespace kvt::capture
