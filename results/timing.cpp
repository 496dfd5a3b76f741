#include "results/timing.h"

#include <algorithm>

#include "capture/poll.h"
#include "capture/time_list.h"
#include "results/results.h"
#include "results/time_text.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::results {

namespace {

constexpr int IdEntry = 55, TimeEntry = 56, NumberEntry = 57, KindEntry = 58, CompetitorEntry = 59,
              InfoEntry = 60;
constexpr int OutAllEntry = 84, OutEntry = 85, InEntry = 86, TransmittedEntry = 87;

std::string trimmed(const std::string& text) {
    auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// The start number on a line, or 0 when it is not one of the meet's competitors.
int lineNumber(const ui::Program& program, int line) {
    double n = ui::TextToNumber(trimmed(program.Main.Number[line].text()));
    return n >= 1 && n <= program.HighestNumber && n <= ui::MaxStartNumber ? static_cast<int>(n)
                                                                           : 0;
}

void setLineLamps(ui::MainWindow& main, int line, int state) {
    main.Outled[line].setColour(state == ui::Started ? ui::Lamp::Lit : ui::Lamp::Dark);
    main.Inled[line].setColour(state == ui::Finished ? ui::Lamp::Lit : ui::Lamp::Dark);
}

int startKind(const ui::Program& program) {
    return program.Main.SetupCheck[2].checked() ? OutAllEntry : OutEntry;
}

// The time of this moment registered as a manual time on line 1; returns its slot.
int registerNow(ui::Program& program) {
    auto& main = program.Main;
    auto& channel = program.Channels[0];
    channel.CaptureTime = TimeText(program.platform.clock.now());
    int k = ++program.RegisteredCount;
    main.SetupText[6].setText(std::to_string(k));
    int count = ++program.ChannelCounts[1];
    main.SetupText[9].setText(ui::NumberToText(count));
    program.EnterLatch = 1;
    if (static_cast<int>(program.RegisteredTimes.size()) <= k)
        program.RegisteredTimes.resize(k + 1);
    auto& slot = program.RegisteredTimes[k];
    slot.identification = capture::Identification(1, count);
    slot.rowIndex = ui::NumberToText(k);
    slot.time = channel.CaptureTime;
    slot.number = main.Number[0].text();  // replaced by the caller's line
    return k;
}

void showLine(ui::Program& program, int line) {
    int n = lineNumber(program, line);
    if (n == 0) return;
    auto& main = program.Main;
    setLineLamps(main, line, program.TimingStates[n]);
    main.Time[line].setCaption("-");
    main.TimeNames[line].setCaption(program.CompetitorNames[n]);
}

// The result into its classes, then the class sorted and ranked: stored together.
void recordAndRank(ui::Program& program, int n, int line) {
    program.platform.engine.transaction(program.currentDatabase, [&] {
        RecordResult(program, n, line);
        SortResults(program);
        RankResults(program);
    });
}

}  // namespace

void StartAll(ui::Program& program, const std::string& startTime) {
    program.MDIMain.Progress.setMaximum(program.HighestNumber);
    for (int n = 1; n <= program.HighestNumber && n <= ui::MaxStartNumber; ++n) {
        if (program.TimingStates[n] == ui::Finished) continue;
        program.StartTimes[n] = startTime;
        program.TimingStates[n] = ui::Started;
    }
    program.endProgress();
}

void RecordResult(ui::Program& program, int n, int line) {
    auto& main = program.Main;
    const std::string name = program.CompetitorNames[n];
    const std::string club = program.CompetitorClubs[n];
    const std::string className = trimmed(program.CompetitorClasses[n]);
    const std::string raw = RaceTime(program.StartTimes[n], program.FinishTimes[n]);
    std::string table;
    for (int c = 1; c <= program.ClassCount && c <= ui::MaxClubOrClass; ++c) {
        if (trimmed(program.ClassNames[c]) != className) continue;
        main.ResultsCombo.setText(program.ClassNames[c]);
        table = ResultsTable(program, c);
        AddResult(program, table, main.Number[line].text(), name, club, raw);
    }
    main.ResultsData.setDatabaseName(program.currentDatabase);
    main.ResultsData.setRecordSource(table);
    main.ResultsData.refresh();
}

void GiveTimeNow(ui::Program& program, int line) {
    auto& main = program.Main;
    if (program.EnterLatch == 1) return;
    int n = lineNumber(program, line);
    if (n == 0) return;
    const std::string number = main.Number[line].text();
    const std::string name = main.TimeNames[line].caption();
    const int state = program.TimingStates[n];
    if (state == ui::Started || state == ui::NotStarted) {
        int k = registerNow(program);
        auto& slot = program.RegisteredTimes[k];
        slot.number = number;
        if (state == ui::NotStarted) {
            program.StartTimes[n] = slot.time;
            program.TimingStates[n] = ui::Started;
            slot.kind = program.LanguageTexts[startKind(program)];
            capture::QueueTimeRow(program, k,
                                  {{IdEntry, slot.identification},
                                   {TimeEntry, slot.time},
                                   {NumberEntry, number},
                                   {KindEntry, slot.kind},
                                   {CompetitorEntry, name}});
            setLineLamps(main, line, ui::Started);
            if (main.SetupCheck[2].checked()) StartAll(program, slot.time);
            capture::StoreChanges(program);
        } else {
            program.FinishTimes[n] = slot.time;
            program.TimingStates[n] = ui::Finished;
            setLineLamps(main, line, ui::Finished);
            capture::QueueTimeRow(program, k,
                                  {{IdEntry, slot.identification},
                                   {TimeEntry, slot.time},
                                   {NumberEntry, number},
                                   {KindEntry, program.LanguageTexts[InEntry]},
                                   {CompetitorEntry, name},
                                   {InfoEntry, program.LanguageTexts[TransmittedEntry]}});
            // The list offers neither this time nor any still waiting to enter it.
            program.FetchedCount = program.RegisteredCount;
            main.SetupText[7].setText(std::to_string(program.FetchedCount));
            capture::StoreChanges(program);
            recordAndRank(program, n, line);
        }
        return;
    }
    capture::DeleteRow(program, line);  // finished before: the line goes
}

bool GiveRegisteredTime(ui::Program& program, int line) {
    auto& main = program.Main;
    const std::string offered = trimmed(main.RegTime[line].text());
    if (trimmed(main.Number[line].text()) == "-" || offered == "-" || offered.empty()) return false;
    // A number that is not a competitor's gives nothing, and the time stays on the line.
    int n = lineNumber(program, line);
    if (n == 0) return false;
    const int row = static_cast<int>(ui::TextToNumber(main.RegTimeIndex[line].text()));
    const std::string number = main.Number[line].text();
    const std::string name = main.TimeNames[line].caption();
    const int state = program.TimingStates[n];
    if (state == ui::NotStarted) {
        program.StartTimes[n] = offered;
        program.TimingStates[n] = ui::Started;
        setLineLamps(main, line, ui::Started);
        if (row >= 1)
            capture::QueueTimeRow(program, row,
                                  {{NumberEntry, number},
                                   {KindEntry, program.LanguageTexts[startKind(program)]},
                                   {CompetitorEntry, name}});
        main.RegTime[line].setText("-");
        main.RegTimeIndex[line].setText("-");
        if (main.SetupCheck[2].checked()) StartAll(program, offered);
        capture::StoreChanges(program);
    } else if (state == ui::Started) {
        program.FinishTimes[n] = offered;
        program.TimingStates[n] = ui::Finished;
        setLineLamps(main, line, ui::Finished);
        if (row >= 1)
            capture::QueueTimeRow(program, row,
                                  {{NumberEntry, number},
                                   {KindEntry, program.LanguageTexts[InEntry]},
                                   {CompetitorEntry, name},
                                   {InfoEntry, program.LanguageTexts[TransmittedEntry]}});
        main.RegTime[line].setText("-");
        main.RegTimeIndex[line].setText("-");
        capture::StoreChanges(program);
        recordAndRank(program, n, line);
    }
    return true;
}

void ConnectTiming(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    for (int line = 0; line < ui::CaptureRows; ++line) {
        main.Number[line].Change = [&p, line] { showLine(p, line); };
        main.Number[line].KeyDown = [&p, line](int key) {
            if (key == ui::KeyReturn) GiveTimeNow(p, line);
        };
        main.Number[line].KeyUp = [&p](int) { p.EnterLatch = 0; };
        main.Set[line].Click = [&p, line] {
            bool given = GiveRegisteredTime(p, line);
            capture::StoreLampStates(p);
            if (given && p.Main.SetupCheck[4].checked()) capture::DeleteRow(p, line);
            capture::StoreList(p);
        };
    }
}

}  // namespace kvt::results
