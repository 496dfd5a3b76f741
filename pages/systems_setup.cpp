#include "pages/systems_setup.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/files.h"
#include "lang/systems_texts.h"
#include "meet/meet.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

namespace entry = lang::entry;

// The choice of a line's combo: A (either), A start, A finish, B start, B finish.
int choiceOf(const meet::LineSystem& line) {
    const int use = line.use == meet::LineUse::Start ? 1 : line.use == meet::LineUse::Finish ? 2 : 0;
    if (line.system == meet::TimingSystem::A) return use;
    return use == 2 ? 4 : 3;
}

meet::LineSystem lineOf(int choice) {
    static const meet::LineSystem lines[] = {
        {meet::TimingSystem::A, meet::LineUse::Either},
        {meet::TimingSystem::A, meet::LineUse::Start},
        {meet::TimingSystem::A, meet::LineUse::Finish},
        {meet::TimingSystem::B, meet::LineUse::Start},
        {meet::TimingSystem::B, meet::LineUse::Finish}};
    return choice >= 0 && choice < 5 ? lines[choice] : lines[0];
}

std::string secondsText(base::DayMicroseconds microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(microseconds) / 1e6);
    return text;
}

// Seconds as typed ("0.3", "0,3"); -1 when the text is no number above 0.
base::DayMicroseconds secondsOf(std::string text) {
    for (char& ch : text)
        if (ch == ',') ch = '.';
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0' || !(seconds > 0) || seconds > 60)
        return -1;
    return static_cast<base::DayMicroseconds>(seconds * 1e6 + 0.5);
}

void tell(ui::Program& program, const meet::Outcome& outcome) {
    program.tellIfNotStored(outcome);
    for (const auto& notice : outcome.notices)
        program.dialogs().notify(notice, program.LanguageTexts[entry::Info]);
}

void useSystems(ui::Program& program) {
    if (!program.meet) return;
    auto& main = program.Main;
    meet::SystemsSetup systems = program.meet->systems();
    const auto choices = lang::LineSystemChoices(program.language);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        const auto& text = main.SetupLineSystemCombo[c].text();
        systems.lines[c + 1] = lineOf(static_cast<int>(
            std::find(choices.begin(), choices.end(), text) - choices.begin()));
    }
    for (auto [box, value] : {std::pair{&main.SetupSystemsWindowText, &systems.window},
                              std::pair{&main.SetupSystemsBoundText, &systems.bound}}) {
        const auto read = secondsOf(box->text());
        if (read < 0) {
            program.dialogs().notify(lang::NotASecondsText(program.language, box->text()),
                                     program.LanguageTexts[entry::Info]);
            ShowSystems(program);
            return;
        }
        *value = read;
    }
    tell(program, program.meet->setSystems(systems));
    ShowSystems(program);
}

void readHandTimes(ui::Program& program, meet::TimeUse use) {
    if (!program.meet) return;
    ui::FileDialogRequest request;
    request.title = lang::HandTimesFileTitle(program.language, use == meet::TimeUse::Finish);
    request.filter = "Text (*.txt *.csv)|*.txt;*.csv";
    const auto path = program.dialogs().openFile(request);
    if (!path) return;
    const auto text = base::ReadSettingsFile(*path, 4 << 20);
    if (!text) return;
    std::vector<int> bad;
    const auto times = meet::ReadHandTimes(*text, bad);
    // A list with a line that cannot be read is not taken in part.
    if (!bad.empty()) {
        program.dialogs().notify(lang::BadHandTimesText(program.language, bad),
                                 program.LanguageTexts[entry::Info]);
        return;
    }
    const auto outcome = program.meet->addHandTimes(use, times);
    tell(program, outcome);
    if (outcome.acted && outcome.stored)
        program.dialogs().notify(
            lang::HandTimesReadText(program.language, static_cast<int>(times.size())),
            program.LanguageTexts[entry::Info]);
}

}  // namespace

void ShowSystems(ui::Program& program) {
    auto& main = program.Main;
    const auto choices = lang::LineSystemChoices(program.language);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        auto& combo = main.SetupLineSystemCombo[c];
        if (combo.items() != choices) {
            combo.clear();
            for (const auto& choice : choices) combo.addItem(choice);
        }
    }
    if (!program.meet) return;
    const auto& systems = program.meet->systems();
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        auto& combo = main.SetupLineSystemCombo[c];
        combo.setText(choices[choiceOf(systems.lines[c + 1])]);
    }
    main.SetupSystemsWindowText.setText(secondsText(systems.window));
    main.SetupSystemsBoundText.setText(secondsText(systems.bound));
    const auto& sync = program.meet->syncCheck();
    auto pair = [](base::DayMicroseconds a, base::DayMicroseconds b) {
        if (a < 0 || b < 0) return std::string("-");
        return "A " + base::ClockTimeText(a, 4) + ", B " + base::ClockTimeText(b, 4);
    };
    std::string state = lang::SyncStateText(program.language, pair(sync.syncA, sync.syncB),
                                            pair(sync.checkA, sync.checkB));
    if (sync.synced() && sync.checked())
        state += "  " + lang::SyncAgreeText(program.language, sync.agree(),
                                            meet::DifferenceText((sync.checkA - sync.checkB) -
                                                                 (sync.syncA - sync.syncB)));
    main.SetupSyncLabel.setCaption(state);
}

void ConnectSystemsSetup(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.SetupSystemsUseButton.Click = p.guarded([&p] { useSystems(p); });
    main.SetupSyncButton.Click = p.guarded([&p] {
        if (!p.meet) return;
        tell(p, p.meet->recordSync(false));
        ShowSystems(p);
    });
    main.SetupSyncCheckButton.Click = p.guarded([&p] {
        if (!p.meet) return;
        tell(p, p.meet->recordSync(true));
        ShowSystems(p);
    });
    main.SetupHandStartsButton.Click = p.guarded([&p] { readHandTimes(p, meet::TimeUse::Start); });
    main.SetupHandFinishesButton.Click =
        p.guarded([&p] { readHandTimes(p, meet::TimeUse::Finish); });
    ShowSystems(program);
}

}  // namespace kvt::pages
