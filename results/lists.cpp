#include "results/lists.h"

#include <array>
#include <functional>

#include "base/files.h"
#include "base/native_path.h"
#include "base/windows1252.h"
#include "lang/meet_texts.h"
#include "results/list_file.h"
#include "results/results_page.h"
#include "ui/program.h"

namespace kvt::results {

namespace entry = lang::entry;
using base::EncodeUtf8;
using base::Unmappable;

namespace {

constexpr const char* DownloadAddress = "https://www.example.com/kvt/";

// The text list's lines in the encoding chosen on the setup page: Windows-1252, as the list
// has always been, or UTF-8; CR LF either way, and put in place when whole.
class TextListFile {
public:
    TextListFile(const std::string& path, bool utf8)
        : path_(path), utf8_(utf8), windows1252_(path, Unmappable::QuestionMark) {}
    void line(const std::string& text) {
        if (!utf8_) return windows1252_.line(text);
        content_ += text;
        content_ += "\r\n";
    }
    void save() {
        if (!utf8_) return windows1252_.save();
        base::WriteWholeFile(path_, content_);
    }

private:
    std::string path_;
    bool utf8_;
    ListFile windows1252_;
    std::string content_;
};

struct ListRow {
    std::string place, number, competitor, club, result, difference;
};

// Every class with its rows in ranked order, from the meet's own results: the classes are
// ranked anew first (what changes is stored in one transaction). The results page goes on
// showing the class it showed.
void walkClasses(ui::Program& program,
                 const std::function<void(int, const std::vector<ListRow>&)>& visit) {
    auto& meet = *program.meet;
    program.tellIfNotStored(meet.rankAll());
    for (int c = 1; c <= meet.classCount(); ++c) {
        const auto& results = meet.results(c);
        // Those given a status during the race without a result follow the results.
        const auto statused = meet.statusedWithoutResult(c);
        if (results.rows().empty() && statused.empty()) continue;
        program.MDIMain.Progress.setMaximum(static_cast<int>(results.rows().size()));
        std::vector<ListRow> rows;
        rows.reserve(results.rows().size() + statused.size());
        int k = 0;
        auto add = [&](const meet::ResultRow& r) {
            // A competitor without a place shows none, and his status in the place of a result.
            rows.push_back({r.status.empty() ? std::to_string(r.place) : std::string(),
                            std::to_string(r.number), r.competitor, r.club, meet.markedResult(r),
                            r.difference});
        };
        for (int index : results.ranking()) {
            program.progress(++k);
            add(results.rows()[index]);
        }
        for (const auto& r : statused) add(r);
        visit(c, rows);
        program.progress(0);
    }
    ShowChosenClass(program);
}

}  // namespace

void WriteTextList(ui::Program& program) {
    RunListCommand(program, [&] {
        const auto& words = program.LanguageTexts;
        const bool differences = program.meet->setup().yes(meet::field::Differences);
        const std::size_t width = differences ? 81 : 67;
        const std::string dashes(width, '-'), equals(width, '=');
        TextListFile file(base::NativePath(program.listFolder + words[entry::TextListFile]),
                          program.Main.SetupUtf8Check.checked());
        file.line(dashes);
        Columns title;
        title.at(1, words[entry::ResultsHeading] + ": ").at(width, ":");
        file.line(title.utf8());
        file.line(dashes);
        walkClasses(program, [&](int c, const std::vector<ListRow>& rows) {
            file.line("");
            file.line(program.meet->className(c));
            file.line(equals);
            file.line(differences ? words[entry::TextListColumnsWithDifference]
                                  : words[entry::TextListColumns]);
            file.line(equals);
            for (const ListRow& row : rows) {
                Columns line;
                line.at(1, row.place + ": ")
                    .at(7, row.number + ": ")
                    .at(14, FirstCharacters(row.competitor, 18) + ": ")
                    .at(35, FirstCharacters(row.club, 15) + ": ")
                    .at(53, row.result + ": ");
                if (differences)
                    line.at(67, row.difference + ": ").at(81, ":");
                else
                    line.at(67, ":");
                file.line(line.utf8());
            }
            file.line(equals);
            file.line("");
        });
        file.save();
    });
}

void WriteHtmlList(ui::Program& program) {
    try {
        RunListCommand(program, [&] {
            const auto& words = program.LanguageTexts;
            const bool differences = program.meet->setup().yes(meet::field::Differences);
            ListFile file(base::NativePath(program.listFolder + words[entry::HtmlListFile]),
                          Unmappable::CharacterReference);
            auto line = [&](const std::string& text) { file.line(text); };
            line("<HTML>");
            line("<HEAD>");
            line("<META HTTP-EQUIV=" + Quoted("Content-Type") +
                 " CONTENT=" + Quoted("text/html; charset=windows-1252") + ">");
            line("</HEAD>");
            line("<BODY BGCOLOR=" + Quoted("BLUE") + ">");
            line("<BODY BACKGROUND=" + Quoted("Kvt.gif") + ">");
            for (const std::string& piece :
                 {HtmlTable(3), std::string("<TR>"), HtmlCell("100%"),
                  HtmlFont(" SIZE=3 COLOR=", "CYAN"), HtmlText(words[entry::ResultsHeading]),
                  std::string("</FONT></TD>"), std::string("</TR>"), std::string("</TABLE>"),
                  std::string("<P>")})
                line(piece);
            walkClasses(program, [&](int c, const std::vector<ListRow>& rows) {
                for (const std::string& piece :
                     {std::string("<P>"), HtmlTable(0), std::string("<TR>"), HtmlCell("100%"),
                      HtmlFont(" SIZE=3 COLOR=", "CYAN"), HtmlText(program.meet->className(c)),
                      std::string("</FONT></TD>"), std::string("</TR>"), std::string("</TABLE>")})
                    line(piece);
                // The pieces every row repeats are made once.
                static const char* widths[5] = {"10%", "35%", "25%", "15%", "15%"};
                static const std::string rowTable = HtmlTable(3);
                static const std::array<std::string, 5> rowCells = {
                    HtmlCell(widths[0]), HtmlCell(widths[1]), HtmlCell(widths[2]),
                    HtmlCell(widths[3]), HtmlCell(widths[4])};
                static const std::string headingFont = HtmlFont(" SIZE=2 COLOR=", "CYAN");
                static const std::string rowFont = HtmlFont(" SIZE=2 COLOR=", "YELLOW");
                const std::size_t columns = differences ? 5 : 4;
                auto cells = [&](const std::string& font, const std::string* const* values) {
                    line(rowTable);
                    line("<TR>");
                    for (std::size_t i = 0; i < columns; ++i) {
                        line(rowCells[i]);
                        line(font);
                        line(HtmlText(*values[i]));
                        if (i >= 3) line("</FONT></B></TD>");
                    }
                    line("</TR>");
                    line("</B>");
                };
                const std::string* headings[5] = {
                    &words[entry::Place], &words[entry::Competitor], &words[entry::Club],
                    &words[entry::Result], &words[entry::Difference]};
                cells(headingFont, headings);
                for (const ListRow& row : rows) {
                    const std::string* values[5] = {&row.place, &row.competitor, &row.club,
                                                    &row.result, &row.difference};
                    cells(rowFont, values);
                }
            });
            for (const std::string& piece :
                 {HtmlTable(0), std::string("<TR>"), HtmlCell("100%"),
                  HtmlFont(" SIZE=1 COLOR=", "CYAN"), "<P>" + words[entry::HtmlFooter],
                  std::string("</FONT></TD>"), std::string("</TR>"), std::string("</TABLE>"),
                  std::string("<P>")})
                line(piece);
            const auto& languages = program.Main.SetupLanguageOption;
            const int norwegian = static_cast<int>(lang::Language::Norwegian);
            const int english = static_cast<int>(lang::Language::English);
            const char* banner = languages[norwegian].selected() ? "Kvtn.gif"
                                 : languages[english].selected() ? "Kvte.gif"
                                                                 : nullptr;
            if (banner)
                line("<CENTER><P><A HREF=" + Quoted(DownloadAddress) +
                     "><IMG SRC=" + Quoted(banner) + "></A></P></CENTER>");
            line("</BODY>");
            line("</HTML>");
            file.save();
        });
    } catch (const std::exception& error) {
        program.info(std::string("033 Error: ") + error.what());
    }
}

void ViewTextList(ui::Program& program) {
    ViewList(program, program.LanguageTexts[entry::TextListFile], TextViewer(program));
}

void ViewHtmlList(ui::Program& program) {
    ViewList(program, program.LanguageTexts[entry::HtmlListFile],
             program.Main.SetupText[ui::setup::ExplorerPathText].text());
}

}  // namespace kvt::results
