#include "capture/race_status.h"

#include <stdexcept>

#include "base/number_text.h"
#include "capture/show.h"
#include "lang/correction_texts.h"
#include "lang/race_texts.h"
#include "pages/course_view.h"
#include "results/results_page.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

std::string trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// The start number typed; 0 when the text is none of the meet's competitors.
int competitorNumber(const meet::Meet& meet, const std::string& typed) {
    const std::string text = trimmed(typed);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 4)
        return 0;
    const int n = std::stoi(text);
    return n >= 1 && n <= meet::MaxStartNumber && !meet.recordsNumbered(n).empty() ? n : 0;
}

// Sets the status and tells in message what came of it; false when nothing was done.
bool setStatus(ui::Program& program, const std::string& typed, const std::string& reason,
               meet::RaceStatus status, ui::Label& message) {
    const auto language = program.language;
    if (!program.meet) return false;
    auto& meet = *program.meet;
    const int n = competitorNumber(meet, typed);
    if (n == 0) {
        message.setCaption(lang::NoCompetitorNumberText(language, trimmed(typed)));
        return false;
    }
    if (status == meet::RaceStatus::Disqualified && trimmed(reason).empty()) {
        message.setCaption(lang::ReasonNeededText().in(language));
        return false;
    }
    const std::string before = meet.competitor(n).status;
    const auto outcome = meet.setRaceStatus(n, status, reason);
    const std::string& name = meet.competitor(n).name;
    if (!outcome.stored)
        message.setCaption(lang::StatusNotStoredText().in(language) + outcome.failure);
    else if (status == meet::RaceStatus::None)
        message.setCaption(lang::StatusClearedText(language, n, name, meet.competitor(n).status));
    else
        message.setCaption(lang::StatusSetText(language, n, name, meet.raceStatusWord(status)) +
                           (trimmed(reason).empty() ? "" : " (" + trimmed(reason) + ")"));
    ShowOutcome(program, outcome);
    // The results page shows his class as stored now, ranked again.
    if (program.meet && !outcome.writtenClasses.empty()) results::ShowChosenClass(program);
    pages::ShowRace(program);
    return outcome.acted;
}

}  // namespace

void SetRaceStatus(ui::Program& program, ui::StatusControls& controls, meet::RaceStatus status) {
    if (setStatus(program, controls.Number.text(), controls.Reason.text(), status,
                  controls.Message))
        controls.Reason.setText("");
}

void MarkNotFinishedOnCourse(ui::Program& program) {
    auto& course = program.Race.Course;
    if (setStatus(program, course.Number.text(), "", meet::RaceStatus::NotFinished, course.Message))
        course.Number.setText("");
}

void ConnectRaceStatuses(ui::Program& program) {
    auto& p = program;
    auto& race = program.Race;
    for (ui::StatusControls* controls : {&race.CaptureStatus, &race.ResultsStatus}) {
        auto& c = *controls;
        c.Dns.Click = p.guarded([&p, &c] { SetRaceStatus(p, c, meet::RaceStatus::NotStarted); });
        c.Dnf.Click = p.guarded([&p, &c] { SetRaceStatus(p, c, meet::RaceStatus::NotFinished); });
        c.Dsq.Click = p.guarded([&p, &c] { SetRaceStatus(p, c, meet::RaceStatus::Disqualified); });
        c.Clear.Click = p.guarded([&p, &c] { SetRaceStatus(p, c, meet::RaceStatus::None); });
    }
    // On the results page the start number follows the row shown.
    p.Main.ResultsText[1].Change = [&p] {
        p.Race.ResultsStatus.Number.setText(trimmed(p.Main.ResultsText[1].text()));
    };
    race.Course.Dnf.Click = p.guarded([&p] { MarkNotFinishedOnCourse(p); });
    race.CourseButton.Click = p.guarded([&p] {
        p.Race.Course.Window.setVisible(true);
        pages::ShowRace(p);
    });
}

}  // namespace kvt::capture
