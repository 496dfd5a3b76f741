#include "results/trail_view.h"

#include <filesystem>

#include "lang/correction_texts.h"
#include "lang/output_texts.h"
#include "lang/systems_texts.h"
#include "results/printed_list.h"
#include "ui/program.h"

namespace kvt::results {

namespace {

// A start number typed in the filter; 0 when none (or no number) is typed.
int typedNumber(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return 0;
    const std::string digits = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(digits);
}

// "12: 7 Inn; 15: -": whether a row of it is given to n.
bool sideNames(const std::string& side, int number) {
    const std::string wanted = ": " + std::to_string(number) + " ";
    for (std::size_t at = side.find(wanted); at != std::string::npos;
         at = side.find(wanted, at + 1)) {
        // The row number before the colon, and nothing but it since the last "; ".
        const std::size_t start = side.rfind("; ", at);
        const std::string row = side.substr(start == std::string::npos ? 0 : start + 2,
                                            at - (start == std::string::npos ? 0 : start + 2));
        if (!row.empty() && row.find_first_not_of("0123456789") == std::string::npos) return true;
    }
    return false;
}

bool correction(const std::string& action) {
    return action == storage::trail::Reassign || action == storage::trail::TakeBack ||
           action == storage::trail::HandTime || action == storage::trail::Undo ||
           action == storage::trail::Redo;
}

std::string numberText(int number) {
    return number > 0 ? std::to_string(number) : "";
}

std::string timeText(base::DayMicroseconds time) {
    return time < 0 ? std::string("-") : base::ClockTimeText(time, 4);
}

std::string differenceText(base::DayMicroseconds a, base::DayMicroseconds b) {
    return a < 0 || b < 0 ? std::string("-") : meet::DifferenceText(a - b);
}

// The parts of the report for two systems: the wiring and its settings, the synchronisation,
// every competitor's A and B, and each replacement with the ten it was computed from.
void addSystems(const meet::Meet& meet, lang::Language language, ui::PrintedList& list) {
    const auto& systems = meet.systems();
    ui::PrintedSection wiring;
    // Long texts stand in the headings: a cell as wide would squeeze the trail's columns.
    wiring.heading = lang::SystemsHeading(language) + ": " +
                     lang::SystemsSettingsText(language, meet::DifferenceText(systems.window),
                                               meet::DifferenceText(systems.bound));
    wiring.columns = lang::SystemsColumns(language);
    wiring.alignRight = {true, false, false};
    for (int line = 1; line <= meet::ChannelTotal && line < static_cast<int>(systems.lines.size());
         ++line) {
        if (!meet.setup().lineInUse(line - 1)) continue;
        const auto& one = systems.lines[line];
        wiring.rows.push_back(
            {std::to_string(line), one.system == meet::TimingSystem::B ? "B" : "A",
             lang::SystemWord(language, one.system == meet::TimingSystem::B,
                              static_cast<int>(one.use))});
    }
    list.sections.push_back(std::move(wiring));

    ui::PrintedSection sync;
    sync.heading = lang::SyncHeading(language);
    sync.columns = lang::SyncColumns(language);
    sync.alignRight = {false, true, true, true};
    const auto& check = meet.syncCheck();
    sync.rows.push_back({lang::SyncRowText(language, false), timeText(check.syncA),
                         timeText(check.syncB), differenceText(check.syncA, check.syncB)});
    sync.rows.push_back({lang::SyncRowText(language, true), timeText(check.checkA),
                         timeText(check.checkB), differenceText(check.checkA, check.checkB)});
    if (check.synced() && check.checked())
        sync.heading += ": " + lang::SyncAgreeText(language, check.agree(),
                                                   meet::DifferenceText((check.checkA - check.checkB) -
                                                                        (check.syncA - check.syncB)));
    list.sections.push_back(std::move(sync));

    ui::PrintedSection times;
    times.heading = lang::CompetitorsHeading(language);
    times.columns = lang::CompetitorsColumns(language);
    times.alignRight = {true, false, true, true, true};
    auto bText = [&](const meet::SystemsTime& one) {
        return timeText(one.b) + (one.hand && one.b >= 0 ? " " + lang::HandMark(language) : "");
    };
    // A row for the start and one for the finish.
    for (const auto& row : meet.systemsSheet())
        for (bool finish : {false, true}) {
            const auto& one = finish ? row.finish : row.start;
            std::string what = lang::CompetitorsUseText(language, finish);
            if (one.replaced) what += " (" + lang::ReplacementMark(language) + ")";
            times.rows.push_back({finish ? "" : std::to_string(row.number), what,
                                  timeText(one.a), bText(one), differenceText(one.a, one.b)});
        }
    list.sections.push_back(std::move(times));

    if (meet.replacements().empty()) {
        ui::PrintedSection none;
        none.heading = lang::ReplacementsHeading(language) + ": " + lang::NoReplacementsText(language);
        list.sections.push_back(std::move(none));
    }
    for (const auto& one : meet.replacements()) {
        const auto& r = one.replacement;
        ui::PrintedSection replaced;
        replaced.heading = lang::ReplacementsHeading(language) + ": " +
                           lang::ReplacementOfText(language, one.number,
                                                   one.use == meet::TimeUse::Finish,
                                                   base::ClockTimeText(r.time, 2));
        // How it was computed (his own time, the mean, of how many), then the ten.
        replaced.columns = lang::BasisColumns(language);
        replaced.columns.push_back("");
        replaced.alignRight = {true, true, true, true, false};
        replaced.rows.push_back(
            lang::ReplacementFormula(language, one.hand, base::ClockTimeText(r.own, 4),
                                     r.meanText(), static_cast<int>(r.basis.size())));
        for (const auto& basis : r.basis)
            replaced.rows.push_back({std::to_string(basis.number), timeText(basis.a),
                                     timeText(basis.b), meet::DifferenceText(basis.a - basis.b)});
        list.sections.push_back(std::move(replaced));
    }
}

}  // namespace

bool TrailConcerns(const storage::TrailEntry& entry, int number) {
    if (number <= 0 || entry.number == number) return true;
    return correction(entry.action) &&
           (sideNames(entry.before, number) || sideNames(entry.after, number));
}

std::vector<const storage::TrailEntry*> TrailNewestFirst(const meet::Meet& meet, int number) {
    std::vector<const storage::TrailEntry*> entries;
    const auto& trail = meet.trail();
    for (auto entry = trail.rbegin(); entry != trail.rend(); ++entry)
        if (TrailConcerns(*entry, number)) entries.push_back(&*entry);
    return entries;
}

std::string TrailLine(const storage::TrailEntry& entry, lang::Language language) {
    std::string line = entry.moment + "  " + lang::TrailActionText(language, entry.action);
    if (entry.number > 0) line += " " + std::to_string(entry.number);
    if (!entry.subject.empty()) line += "  " + entry.subject;
    line += ":  " + (entry.before.empty() ? std::string("-") : entry.before) + "  ->  " +
            (entry.after.empty() ? std::string("-") : entry.after);
    if (!entry.reason.empty()) line += "  (" + entry.reason + ")";
    line += "  [" + entry.station + ", " + entry.user + "]";
    return line;
}

ui::PrintedList TimingReport(const meet::Meet& meet, lang::Language language, int number) {
    ui::PrintedList list;
    list.title = lang::TimingReportTitle(language);
    list.meetName = std::filesystem::path(meet.path()).stem().string();
    list.pageNumbers = lang::PageNumbersText().in(language);
    list.continued = lang::ContinuedText().in(language);
    list.empty = lang::TimingReportEmpty(language);
    list.columns = lang::TimingReportColumns(language);
    // The number and the moment of each change keep their width: a referee reads them whole.
    list.alignRight = {true, true, false, false, true, false, false, false, false};
    // The whole report of a race timed by two systems opens with them.
    if (number == 0 && (meet.systems().hasB() || !meet.replacements().empty()))
        addSystems(meet, language, list);
    const auto entries = TrailNewestFirst(meet, number);
    if (entries.empty() && list.sections.empty()) return list;
    ui::PrintedSection changes;
    changes.heading = lang::TimingReportOf(language, number);
    for (const auto* entry : entries)
        changes.rows.push_back({std::to_string(entry->entry), entry->moment,
                                entry->station + ", " + entry->user,
                                lang::TrailActionText(language, entry->action),
                                numberText(entry->number), entry->subject, entry->before,
                                entry->after, entry->reason});
    list.sections.push_back(std::move(changes));
    // The referee signs under the last change.
    ui::PrintedSection signature;
    signature.heading = lang::RefereeSignatureText(language);
    // Lines to sign on, under a rule of their own (not the trail's column names).
    signature.columns = {""};
    signature.rows.push_back({""});
    signature.rows.push_back({""});
    list.sections.push_back(std::move(signature));
    return list;
}

void ShowTrail(ui::Program& program) {
    auto& main = program.Main;
    if (!program.meet) {
        main.TrailText.setText("");
        main.TrailNote.setCaption("");
        return;
    }
    const auto entries = TrailNewestFirst(*program.meet, typedNumber(main.TrailFilter.text()));
    std::string text;
    const int shown = std::min(static_cast<int>(entries.size()), TrailViewRows);
    for (int i = 0; i < shown; ++i)
        text += (i ? "\n" : "") + TrailLine(*entries[i], program.language);
    main.TrailText.setText(text);
    main.TrailNote.setCaption(shown < static_cast<int>(entries.size())
                                  ? lang::TrailNewestText(program.language, shown,
                                                          static_cast<int>(entries.size()))
                                  : "");
}

void ConnectTrail(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.TrailText.setLocked(true);
    main.TrailFilter.Change = p.guarded([&p] { ShowTrail(p); });
    // The third tab of the results page shows the trail as it stands when it is chosen.
    main.ResultsTabStrip.Click = p.guarded([&p] {
        auto& strip = p.Main.ResultsTabStrip;
        p.Main.ResultsContainer.bringToFront(strip.selectedTab() - 1);
        if (strip.selectedTab() == 3) ShowTrail(p);
    });
    main.TrailPrint.Click = p.guarded([&p] {
        if (p.meet)
            PrintList(p, TimingReport(*p.meet, p.language,
                                      typedNumber(p.Main.TrailFilter.text())));
    });
    main.TrailPdf.Click = p.guarded([&p] {
        if (p.meet)
            WritePdfList(p,
                         TimingReport(*p.meet, p.language, typedNumber(p.Main.TrailFilter.text())),
                         lang::TimingReportFile(p.language));
    });
}

}  // namespace kvt::results
