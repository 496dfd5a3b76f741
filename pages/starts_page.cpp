#include "pages/starts_page.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <random>

#include "base/time_text.h"
#include "lang/run_texts.h"
#include "lang/start_texts.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

using meet::ClassStart;
using meet::StartMode;
using meet::StartOrder;

std::string trimmed(const std::string& value) {
    const auto begin = value.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
}

// Hundredths as seconds for a box: "30", "1,5".
std::string secondsText(long long hundredths) {
    std::string text = std::to_string(hundredths / 100);
    if (hundredths % 100 != 0) {
        char part[8];
        std::snprintf(part, sizeof part, ",%02lld", hundredths % 100);
        text += part;
        if (text.back() == '0') text.pop_back();
    }
    return text;
}

std::string numbersText(const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) text += (text.empty() ? "" : " ") + std::to_string(n);
    return text;
}

std::vector<int> typedNumbers(const std::string& typed) {
    std::vector<int> numbers;
    std::string digits;
    for (char ch : typed + " ") {
        if (ch >= '0' && ch <= '9') {
            digits += ch;
            continue;
        }
        if (!digits.empty() && digits.size() <= 5) numbers.push_back(std::stoi(digits));
        digits.clear();
    }
    return numbers;
}

// The class chosen in the combo (its items are "3 K3"); 0 when none.
int chosenClass(const ui::Program& program) {
    const int index = program.Main.StartsClassCombo.listIndex();
    return index >= 0 && program.meet && index < program.meet->classCount() ? index + 1 : 0;
}

void fillChoices(ui::Program& program) {
    auto& main = program.Main;
    const auto language = program.language;
    auto fill = [](ui::ComboBox& combo, std::initializer_list<lang::Bilingual> texts,
                   lang::Language language) {
        const int kept = combo.listIndex();
        combo.clear();
        for (const auto& text : texts) combo.addItem(text.in(language));
        if (kept >= 0) combo.pick(kept);
    };
    fill(main.StartsModeCombo,
         {lang::ImpulseModeText(), lang::IntervalModeText(), lang::MassModeText()}, language);
    fill(main.StartsOrderCombo,
         {lang::ByNumberOrderText(), lang::RandomOrderText(), lang::ListOrderText(),
          lang::SameOrderText(), lang::ReversedOrderText(), lang::BestReversedOrderText()},
         language);
}

void showClass(ui::Program& program) {
    auto& main = program.Main;
    const int c = chosenClass(program);
    const auto& meet = *program.meet;
    const ClassStart start = c > 0 ? meet.classStart(c) : ClassStart{};
    main.StartsModeCombo.pick(static_cast<int>(start.mode));
    main.StartsOrderCombo.pick(static_cast<int>(start.order));
    main.StartsFirstText.setText(start.firstStart == "-" ? "" : start.firstStart);
    main.StartsIntervalText.setText(secondsText(start.interval));
    main.StartsGapText.setText(secondsText(start.gap));
    main.StartsSequenceText.setText(start.sequence > 0 ? std::to_string(start.sequence) : "");
    main.StartsToleranceText.setText(secondsText(start.tolerance));
    main.StartsListText.setText(numbersText(start.listOrder));
    main.StartsBestText.setText(start.best > 0 ? std::to_string(start.best) : "");
    main.StartsMassTimeText.setText(start.massTime == "-" ? "" : start.massTime);
    // The class's competitors by their planned starts.
    std::vector<std::pair<std::string, int>> planned;
    if (c > 0)
        for (int n : meet.classMembers(c)) {
            const meet::PlannedStart* plan = meet.plannedStart(n);
            planned.emplace_back(plan ? plan->planned : "-", n);
        }
    std::stable_sort(planned.begin(), planned.end());
    std::string lines;
    for (const auto& [time, n] : planned)
        lines += time + "  " + std::to_string(n) + "  " + meet.competitor(n).name + "\n";
    main.StartsPlanText.setText(lines);
    std::string jury;
    for (int n : meet.juryMarked()) {
        const auto* plan = meet.plannedStart(n);
        const auto mark =
            plan->jury == meet::JuryMark::Early ? lang::EarlyMarkText() : lang::LateMarkText();
        jury += std::string(mark.in(program.language)) + "  " + std::to_string(n) + "  " +
                meet.competitor(n).name + "  " + plan->impulse + " / " + plan->planned + "\n";
    }
    main.StartsJuryText.setText(jury);
}

// What the action did, under the buttons; a failure to store is told as every action's is.
void showOutcome(ui::Program& program, const meet::Outcome& outcome) {
    std::string text;
    for (const auto& notice : outcome.notices) text += (text.empty() ? "" : "\n") + notice;
    program.Main.StartsMessage.setCaption(text);
    program.tellIfNotStored(outcome);
    ShowStartsPage(program);
}

void refuse(ui::Program& program, const std::string& typed) {
    program.Main.StartsMessage.setCaption(lang::StartsBadValueText().in(program.language) +
                                          typed);
}

void keep(ui::Program& program) {
    auto& main = program.Main;
    const int c = chosenClass(program);
    if (c == 0) return;
    ClassStart start = program.meet->classStart(c);
    start.mode = static_cast<StartMode>(std::max(0, main.StartsModeCombo.listIndex()));
    start.order = static_cast<StartOrder>(std::max(0, main.StartsOrderCombo.listIndex()));
    const std::string first = TypedTimeOfDay(main.StartsFirstText.text());
    if (first.empty()) return refuse(program, main.StartsFirstText.text());
    start.firstStart = first;
    for (auto [box, value] : {std::pair{&main.StartsIntervalText, &start.interval},
                              std::pair{&main.StartsGapText, &start.gap},
                              std::pair{&main.StartsToleranceText, &start.tolerance}}) {
        const long long hundredths = TypedSeconds(box->text());
        if (hundredths < 0) return refuse(program, box->text());
        *value = hundredths;
    }
    const auto sequence = typedNumbers(main.StartsSequenceText.text());
    start.sequence = sequence.empty() ? 0 : sequence.front();
    start.listOrder = typedNumbers(main.StartsListText.text());
    const auto best = typedNumbers(main.StartsBestText.text());
    start.best = best.empty() ? 0 : best.front();
    showOutcome(program, program.meet->setClassStart(c, start));
}

void draw(ui::Program& program) {
    const std::string now = base::TimeText(program.platform.clock.now());
    std::random_device seed;
    showOutcome(program, program.meet->draw(now, seed()));
}

void massStart(ui::Program& program, bool atImpulse) {
    auto& main = program.Main;
    std::vector<int> classes = typedNumbers(main.StartsGroupText.text());
    if (classes.empty() && chosenClass(program) > 0) classes.push_back(chosenClass(program));
    if (classes.empty()) return;
    if (atImpulse) {
        if (program.meet->registeredCount() < 1) return;
        showOutcome(program, program.meet->massStart(classes, "", program.meet->registeredCount()));
        return;
    }
    const std::string time = TypedTimeOfDay(main.StartsMassTimeText.text());
    if (time.empty() || time == "-") return refuse(program, main.StartsMassTimeText.text());
    showOutcome(program, program.meet->massStart(classes, time));
}

}  // namespace

std::string TypedTimeOfDay(const std::string& typed) {
    const std::string text = trimmed(typed);
    if (text.empty() || text == "-") return "-";
    int parts[4] = {0, 0, 0, 0};
    int count = 0;
    std::string digits;
    for (char ch : text + ".") {
        if (ch >= '0' && ch <= '9') {
            digits += ch;
            continue;
        }
        if ((ch != '.' && ch != ':' && ch != ',') || digits.empty() || digits.size() > 2 ||
            count == 4)
            return "";
        parts[count++] = std::stoi(digits);
        digits.clear();
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return "";
    char time[48];
    std::snprintf(time, sizeof time, "%02d.%02d.%02d.%02d", parts[0], parts[1], parts[2],
                  parts[3]);
    return time;
}

long long TypedSeconds(const std::string& typed) {
    const std::string text = trimmed(typed);
    if (text.empty()) return 0;
    long long whole = 0, hundredths = 0;
    int decimals = -1;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            if (decimals < 0) {
                whole = whole * 10 + (ch - '0');
                if (whole > 86400) return -1;
            } else if (decimals < 2) {
                hundredths = hundredths * 10 + (ch - '0');
                ++decimals;
            }
        } else if ((ch == '.' || ch == ',') && decimals < 0) {
            decimals = 0;
        } else {
            return -1;
        }
    }
    if (decimals == 1) hundredths *= 10;
    return whole * 100 + hundredths;
}

void ShowStartsPage(ui::Program& program) {
    auto& main = program.Main;
    fillChoices(program);
    const bool open = program.meet != nullptr;
    for (ui::Control* control :
         std::initializer_list<ui::Control*>{&main.StartsKeepButton, &main.StartsDrawButton,
                                             &main.StartsMassButton, &main.StartsMassImpulseButton,
                                             &main.StartsClassCombo, &main.StartsRunsButton,
                                             &main.StartsRunCombo})
        control->setEnabled(open);
    if (!open) {
        main.StartsClassCombo.clear();
        main.StartsPlanText.setText("");
        main.StartsJuryText.setText("");
        main.StartsMessage.setCaption(lang::StartsNoMeetText().in(program.language));
        return;
    }
    if (main.StartsMessage.caption() == lang::StartsNoMeetText().in(program.language))
        main.StartsMessage.setCaption("");
    // The runs of the meet and the one being timed.
    main.StartsRunsText.setText(std::to_string(program.meet->runCount()));
    std::vector<std::string> runs;
    for (int run = 1; run <= program.meet->runCount(); ++run)
        runs.push_back(lang::RunText().in(program.language) + std::to_string(run));
    if (main.StartsRunCombo.items() != runs ||
        main.StartsRunCombo.listIndex() != program.meet->run() - 1) {
        main.StartsRunCombo.clear();
        for (const auto& run : runs) main.StartsRunCombo.addItem(run);
        main.StartsRunCombo.pick(program.meet->run() - 1);
    }
    const int kept = main.StartsClassCombo.listIndex();
    main.StartsClassCombo.clear();
    for (int c = 1; c <= program.meet->classCount(); ++c)
        main.StartsClassCombo.addItem(std::to_string(c) + " " + trimmed(program.meet->className(c)));
    if (program.meet->classCount() > 0)
        main.StartsClassCombo.pick(kept >= 0 && kept < program.meet->classCount() ? kept : 0);
    else
        showClass(program);
}

void ConnectStartsPage(ui::Program& program) {
    auto& main = program.Main;
    main.StartsPlanText.setLocked(true);
    main.StartsJuryText.setLocked(true);
    main.StartsClassCombo.Click = program.guarded([&program] {
        if (program.meet) showClass(program);
    });
    main.StartsKeepButton.Click = program.guarded([&program] {
        if (program.meet) keep(program);
    });
    main.StartsDrawButton.Click = program.guarded([&program] {
        if (program.meet) draw(program);
    });
    main.StartsMassButton.Click = program.guarded([&program] {
        if (program.meet) massStart(program, false);
    });
    main.StartsMassImpulseButton.Click = program.guarded([&program] {
        if (program.meet) massStart(program, true);
    });
    main.StartsRunsButton.Click = program.guarded([&program] {
        if (!program.meet) return;
        const auto typed = typedNumbers(program.Main.StartsRunsText.text());
        if (typed.size() != 1) return refuse(program, program.Main.StartsRunsText.text());
        showOutcome(program, program.meet->setRunCount(typed.front()));
    });
    ShowStartsPage(program);
}

}  // namespace kvt::pages
