#include "results/start_list.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "base/native_path.h"
#include "lang/entry_texts.h"
#include "lang/meet_texts.h"
#include "lang/output_texts.h"
#include "lang/start_texts.h"
#include "results/list_file.h"
#include "results/printed_list.h"
#include "ui/program.h"

namespace kvt::results {

namespace {

namespace entry = lang::entry;
using base::Unmappable;

constexpr std::size_t Width = 47;
constexpr const char* DownloadAddress = "https://www.example.com/kvt/";

std::string trimmed(const std::string& value) {
    const auto begin = value.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
}

struct Entry {
    int number;
    const meet::Competitor* competitor;
    // The planned start as the list shows it (hh.mm.ss, hundredths only when there are
    // some); empty when he has none.
    std::string start;
};

std::string shownStart(const std::string& planned) {
    if (planned.size() == 11 && planned.compare(8, 3, ".00") == 0) return planned.substr(0, 8);
    return planned;
}

// A class whose competitors have planned starts lists them by their start times, with them.
bool timed(const std::vector<Entry>& entries) {
    return std::any_of(entries.begin(), entries.end(),
                       [](const Entry& entry) { return !entry.start.empty(); });
}

// Every class that has competitors, with them by start number (by start time in a class with
// planned starts), as a finish finds its class.
std::vector<std::pair<int, std::vector<Entry>>> classesWithCompetitors(const meet::Meet& meet) {
    std::map<std::string, std::vector<Entry>> byClass;
    for (int n = 1; n <= meet.highestNumber(); ++n) {
        const auto& competitor = meet.competitor(n);
        const std::string name = trimmed(competitor.className);
        if (name.empty() || name == "-") continue;
        const meet::PlannedStart* plan = meet.plannedStart(n);
        byClass[name].push_back({n, &competitor, plan ? shownStart(plan->planned) : ""});
    }
    for (auto& [name, entries] : byClass)
        if (timed(entries))
            std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
                // Those without a plan follow those with one.
                if (a.start.empty() != b.start.empty()) return b.start.empty();
                return a.start < b.start;
            });
    std::vector<std::pair<int, std::vector<Entry>>> classes;
    for (int c = 1; c <= meet.classCount(); ++c) {
        const std::string name = trimmed(meet.className(c));
        auto found = byClass.find(name);
        if (name.empty() || name == "-" || found == byClass.end()) continue;
        classes.emplace_back(c, found->second);
    }
    return classes;
}

// A class with planned starts: the start time first, then the columns of the others.
void writeTimedClass(ListFile& file, const std::vector<Entry>& entries, lang::Language language) {
    constexpr std::size_t TimedWidth = 59;
    const std::string equals(TimedWidth, '=');
    file.line(equals);
    file.line(lang::TimedStartListColumns().in(language));
    file.line(equals);
    for (const Entry& entry : entries) {
        Columns line;
        line.at(1, entry.start + ": ")
            .at(13, std::to_string(entry.number) + ": ")
            .at(20, FirstCharacters(entry.competitor->name, 18) + ": ")
            .at(41, FirstCharacters(entry.competitor->club, 15) + ": ")
            .at(TimedWidth, ":");
        file.line(line.utf8());
    }
    file.line(equals);
    file.line("");
}

void writeText(ui::Program& program, const std::string& path,
               const std::vector<std::pair<int, std::vector<Entry>>>& classes) {
    const auto language = program.language;
    const std::string dashes(Width, '-'), equals(Width, '=');
    ListFile file(path, Unmappable::QuestionMark);
    file.line(dashes);
    Columns title;
    title.at(1, std::string(lang::StartListHeading().in(language)) + ": ").at(Width, ":");
    file.line(title.utf8());
    file.line(dashes);
    for (const auto& [c, entries] : classes) {
        file.line("");
        file.line(program.meet->className(c));
        if (timed(entries)) {
            writeTimedClass(file, entries, language);
            continue;
        }
        file.line(equals);
        file.line(lang::StartListColumns().in(language));
        file.line(equals);
        for (const Entry& entry : entries) {
            Columns line;
            line.at(1, std::to_string(entry.number) + ": ")
                .at(8, FirstCharacters(entry.competitor->name, 18) + ": ")
                .at(29, FirstCharacters(entry.competitor->club, 15) + ": ")
                .at(Width, ":");
            file.line(line.utf8());
        }
        file.line(equals);
        file.line("");
    }
    file.save();
}

// A cell of a row: its width, the font's size and colour, the value as text of the page.
std::string cell(const char* width, const char* size, const char* colour,
                 const std::string& value) {
    return HtmlCell(width) + HtmlFont(size, colour) + HtmlText(value) + "</FONT></B></TD>";
}

// The cells of the competitors' rows, their beginnings made once.
class RowCells {
public:
    RowCells() {
        for (int i = 0; i < 4; ++i)
            begin_[i] = HtmlCell(widths_[i]) + HtmlFont(" SIZE=2 COLOR=", "YELLOW");
    }
    const std::string& line(int i, const std::string& value) {
        line_ = begin_[i];
        line_ += HtmlText(value);
        line_ += "</FONT></B></TD>";
        return line_;
    }

private:
    static constexpr const char* widths_[4] = {"10%", "35%", "25%", "15%"};
    std::string begin_[4];
    std::string line_;
};

void writeHtml(ui::Program& program, const std::string& path,
               const std::vector<std::pair<int, std::vector<Entry>>>& classes) {
    const auto language = program.language;
    const auto& words = program.LanguageTexts;
    ListFile file(path, Unmappable::CharacterReference);
    RowCells row;
    file.line("<HTML>");
    file.line("<HEAD>");
    file.line("<META HTTP-EQUIV=" + Quoted("Content-Type") +
              " CONTENT=" + Quoted("text/html; charset=windows-1252") + ">");
    file.line(std::string("<TITLE>") + lang::StartListHeading().in(language) + "</TITLE>");
    file.line("</HEAD>");
    file.line("<BODY BGCOLOR=" + Quoted("BLUE") + " BACKGROUND=" + Quoted("Kvt.gif") + ">");
    file.line(HtmlTable(3));
    file.line("<TR>" +
              cell("100%", " SIZE=3 COLOR=", "CYAN", lang::StartListHeading().in(language)) +
              "</TR>");
    file.line("</TABLE>");
    for (const auto& [c, entries] : classes) {
        file.line("<P>");
        file.line(HtmlTable(0));
        file.line("<TR>" + cell("100%", " SIZE=3 COLOR=", "CYAN", program.meet->className(c)) +
                  "</TR>");
        file.line("</TABLE>");
        file.line(HtmlTable(3));
        file.line("<TR>");
        const bool withTimes = timed(entries);
        if (withTimes)
            file.line(cell("15%", " SIZE=2 COLOR=", "CYAN", lang::StartTimeHeading().in(language)));
        file.line(cell("10%", " SIZE=2 COLOR=", "CYAN", words[entry::Number]));
        file.line(cell("35%", " SIZE=2 COLOR=", "CYAN", words[entry::Competitor]));
        file.line(cell("25%", " SIZE=2 COLOR=", "CYAN", words[entry::Club]));
        file.line("</TR>");
        for (const Entry& entry : entries) {
            file.line("<TR>");
            if (withTimes) file.line(row.line(3, entry.start));
            file.line(row.line(0, std::to_string(entry.number)));
            file.line(row.line(1, entry.competitor->name));
            file.line(row.line(2, entry.competitor->club));
            file.line("</TR>");
        }
        file.line("</TABLE>");
    }
    file.line("<P>");
    file.line(HtmlTable(0));
    // The footer text of the results lists ends its bold itself.
    file.line("<TR>" + HtmlCell("100%") + HtmlFont(" SIZE=1 COLOR=", "CYAN") +
              words[entry::HtmlFooter] + "</FONT></TD></TR>");
    file.line("</TABLE>");
    const char* banner = language == lang::Language::English ? "Kvte.gif" : "Kvtn.gif";
    file.line("<CENTER><P><A HREF=" + Quoted(DownloadAddress) + "><IMG SRC=" + Quoted(banner) +
              "></A></P></CENTER>");
    file.line("</BODY>");
    file.line("</HTML>");
    file.save();
}

}  // namespace

void WriteStartList(ui::Program& program) {
    RunListCommand(program, [&] {
        const auto classes = classesWithCompetitors(*program.meet);
        const auto language = program.language;
        writeText(program,
                  base::NativePath(program.listFolder + lang::StartListTextFile().in(language)),
                  classes);
        writeHtml(program,
                  base::NativePath(program.listFolder + lang::StartListHtmlFile().in(language)),
                  classes);
    });
}

void ViewStartList(ui::Program& program) {
    ViewList(program, lang::StartListTextFile().in(program.language), TextViewer(program));
}

void ViewStartListHtml(ui::Program& program) {
    ViewList(program, lang::StartListHtmlFile().in(program.language),
             program.Main.SetupText[ui::setup::ExplorerPathText].text());
}

ui::PrintedList PrintedStartList(const ui::Program& program) {
    const auto language = program.language;
    const auto& words = program.LanguageTexts;
    ui::PrintedList list;
    list.title = lang::StartListHeading().in(language);
    list.meetName = std::filesystem::path(program.meet->path()).stem().string();
    list.pageNumbers = lang::PageNumbersText().in(language);
    list.continued = lang::ContinuedText().in(language);
    list.empty = lang::NoStartListText().in(language);
    list.columns = {words[entry::Number], words[entry::Competitor], words[entry::Club]};
    list.alignRight = {true, false, false};
    const auto classes = classesWithCompetitors(*program.meet);
    // With any class started at intervals, every section has a column of start times.
    const bool withTimes = std::any_of(classes.begin(), classes.end(),
                                       [](const auto& c) { return timed(c.second); });
    if (withTimes) {
        list.columns.insert(list.columns.begin(), lang::StartTimeHeading().in(language));
        list.alignRight.insert(list.alignRight.begin(), true);
    }
    for (const auto& [c, entries] : classes) {
        ui::PrintedSection section;
        section.heading = program.meet->className(c);
        section.rows.reserve(entries.size());
        for (const Entry& entry : entries) {
            section.rows.push_back(
                {std::to_string(entry.number), entry.competitor->name, entry.competitor->club});
            if (withTimes) section.rows.back().insert(section.rows.back().begin(), entry.start);
        }
        list.sections.push_back(std::move(section));
    }
    return list;
}

void PrintStartList(ui::Program& program) {
    if (!program.meet) return;
    PrintList(program, PrintedStartList(program));
}

void WriteStartListPdf(ui::Program& program) {
    if (!program.meet) return;
    WritePdfList(program, PrintedStartList(program), lang::StartListPdfFile().in(program.language));
}

}  // namespace kvt::results
