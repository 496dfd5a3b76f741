#include "pages/course_view.h"

#include <ctime>

#include "base/time_text.h"
#include "lang/race_texts.h"
#include "lang/server_texts.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

// A text cut or filled with blanks to width characters (a character of several bytes counts
// once, so that the columns stay straight with Norwegian letters).
std::string column(const std::string& text, std::size_t width) {
    std::string out;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation) {
            if (shown == width) break;
            ++shown;
        }
        out += text[i];
    }
    return out + std::string(width - shown, ' ');
}

// The server's state on a server meet (nothing on a meet file).
void showServer(ui::Program& program) {
    auto& label = program.Race.Server;
    const auto reach = program.platform.engine.reachability(program.meet->path());
    if (!reach.onServer) {
        label.setCaption("");
        return;
    }
    if (reach.reached) {
        label.setCaption(lang::ServerConnectedText(program.language));
        return;
    }
    const std::time_t since = static_cast<std::time_t>(reach.awaySince);
    std::tm local{};
    char text[16] = "-";
    if (::localtime_r(&since, &local)) std::strftime(text, sizeof text, "%H:%M:%S", &local);
    const auto& meet = *program.meet;
    label.setCaption(lang::ServerAwayText(program.language, text,
                                          meet.unstoredTimes() + meet.unstoredEdits()));
}

}  // namespace

std::vector<std::string> CourseLines(const meet::Meet& meet, const std::string& now) {
    std::vector<std::string> lines;
    for (const auto& out : meet.onCourse()) {
        const std::string number = std::to_string(out.number);
        lines.push_back(std::string(number.size() < 6 ? 6 - number.size() : 0, ' ') + number +
                        "  " + column(out.name, 26) + " " + column(out.className, 16) + " " +
                        column(out.start, 12) + " " + base::RaceTime(out.start, now));
    }
    return lines;
}

void ShowRace(ui::Program& program) {
    auto& race = program.Race;
    const auto language = program.language;
    if (!program.meet) {
        race.CourseButton.setCaption(lang::OnCourseButtonText(language, 0));
        race.Waiting.setCaption("");
        race.Server.setCaption("");
        race.Course.Count.setCaption(lang::OnCourseButtonText(language, 0));
        race.Course.List.setText("");
        // Nothing said of one meet stays for the next.
        for (ui::Label* message :
             {&race.CaptureStatus.Message, &race.ResultsStatus.Message, &race.Course.Message})
            message->setCaption("");
        return;
    }
    const auto& meet = *program.meet;
    const std::string now = base::TimeText(program.platform.clock.now());
    const int waiting = meet.waitingTimes();
    race.Waiting.setCaption(lang::WaitingTimesText(language, waiting, meet.oldestWaitingTime()));
    showServer(program);
    if (!race.Course.Window.visible()) {
        // The count alone: the lines are made only while the view is shown.
        race.CourseButton.setCaption(
            lang::OnCourseButtonText(language, meet.onCourseCount()));
        return;
    }
    const auto lines = CourseLines(meet, now);
    const std::string count = lang::OnCourseButtonText(language, static_cast<int>(lines.size()));
    race.CourseButton.setCaption(count);
    race.Course.Count.setCaption(count);
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    race.Course.List.setText(lines.empty() ? lang::NobodyOnCourseText().in(language) : text);
}

}  // namespace kvt::pages
