#include "results/lists.h"

#include <array>
#include <functional>

#include "base/files.h"
#include "base/native_path.h"
#include "base/windows1252.h"
#include "lang/meet_texts.h"
#include "lang/run_texts.h"
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
// showing the class it showed. Another run than the one timed is listed as it is stored.
void walkClasses(ui::Program& program,
                 const std::function<void(int, const std::vector<ListRow>&)>& visit) {
    auto& meet = *program.meet;
    program.tellIfNotStored(meet.rankAll());
    const int run = ShownRun(program);
    if (run != meet.run()) {
        for (int c = 1; c <= meet.classCount(); ++c) {
            const auto stored = meet.runResults(run, c);
            if (stored.empty()) continue;
            std::vector<ListRow> rows;
            rows.reserve(stored.size());
            for (const auto& r : stored)
                rows.push_back({r.status.empty() ? std::to_string(r.place) : std::string(),
                                std::to_string(r.number), r.competitor, r.club, r.shownResult(),
                                r.difference});
            visit(c, rows);
        }
        ShowChosenClass(program);
        return;
    }
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

// The combined result of every class with a result in any run: the classes are ranked anew
// first, and each class's rows come from the meet's combined result.
void walkCombined(ui::Program& program,
                  const std::function<void(int, const std::vector<meet::CombinedRow>&)>& visit) {
    auto& meet = *program.meet;
    program.tellIfNotStored(meet.rankAll());
    for (int c = 1; c <= meet.classCount(); ++c) {
        const auto rows = meet.combinedResults(c);
        if (!rows.empty()) visit(c, rows);
    }
    ShowChosenClass(program);
}

std::string placeText(const meet::CombinedRow& row) {
    return row.status.empty() ? std::to_string(row.place) : std::string();
}

std::string runHead(const ui::Program& program, int run) {
    return lang::RunText().in(program.language) + std::to_string(run);
}

// The combined text list: place, number, name, club, each run's result, the total and the
// difference in fixed columns; a status in the place of the total.
void writeCombinedText(ui::Program& program) {
    const auto& meet = *program.meet;
    const auto language = program.language;
    const int runs = meet.runCount();
    // Each time column holds the longest result text ("01.02.03,45") whole.
    const std::size_t runWidth = 14;
    const std::size_t totalAt = 53 + runWidth * runs, differenceAt = totalAt + runWidth,
                      width = differenceAt + runWidth;
    const std::string dashes(width, '-'), equals(width, '=');
    TextListFile file(
        base::NativePath(program.listFolder + program.LanguageTexts[entry::TextListFile]),
        program.Main.SetupUtf8Check.checked());
    file.line(dashes);
    Columns title;
    title.at(1, std::string(lang::CombinedHeadingText().in(language)) + ": ").at(width, ":");
    file.line(title.utf8());
    file.line(dashes);
    auto line = [&](const std::string& place, const std::string& number,
                    const std::string& name, const std::string& club,
                    const std::vector<std::string>& results, const std::string& total,
                    const std::string& difference) {
        Columns columns;
        columns.at(1, place + ": ")
            .at(7, number + ": ")
            .at(14, FirstCharacters(name, 18) + ": ")
            .at(35, FirstCharacters(club, 15) + ": ");
        for (int run = 0; run < runs; ++run)
            columns.at(53 + runWidth * run,
                       FirstCharacters(run < static_cast<int>(results.size()) ? results[run] : "-",
                                       runWidth - 2) +
                           ": ");
        columns.at(totalAt, FirstCharacters(total, runWidth - 2) + ": ")
            .at(differenceAt, FirstCharacters(difference, runWidth - 2) + ": ")
            .at(width, ":");
        return columns.utf8();
    };
    std::vector<std::string> heads;
    for (int run = 1; run <= runs; ++run) heads.push_back(runHead(program, run));
    walkCombined(program, [&](int c, const std::vector<meet::CombinedRow>& rows) {
        file.line("");
        file.line(meet.className(c));
        file.line(equals);
        file.line(line(lang::PlaceHeadText().in(language), lang::NumberHeadText().in(language),
                       lang::NameHeadText().in(language), lang::ClubHeadText().in(language),
                       heads, lang::TotalText().in(language),
                       lang::DifferenceHeadText().in(language)));
        file.line(equals);
        for (const auto& row : rows)
            file.line(line(placeText(row), std::to_string(row.number), row.competitor, row.club,
                           row.runs, row.status.empty() ? row.total : row.status,
                           row.difference));
        file.line(equals);
        file.line("");
    });
    file.save();
}

// The combined HTML list: the pieces of the results list, with a column for each run, the
// total and the difference.
void writeCombinedHtml(ui::Program& program) {
    const auto& meet = *program.meet;
    const auto language = program.language;
    const auto& words = program.LanguageTexts;
    const int runs = meet.runCount();
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
         {HtmlTable(3), std::string("<TR>"), HtmlCell("100%"), HtmlFont(" SIZE=3 COLOR=", "CYAN"),
          HtmlText(lang::CombinedHeadingText().in(language)), std::string("</FONT></TD>"),
          std::string("</TR>"), std::string("</TABLE>"), std::string("<P>")})
        line(piece);
    const std::string headingFont = HtmlFont(" SIZE=2 COLOR=", "CYAN");
    const std::string rowFont = HtmlFont(" SIZE=2 COLOR=", "YELLOW");
    auto cells = [&](const std::string& font, const std::vector<std::string>& values) {
        line(HtmlTable(3));
        line("<TR>");
        for (std::size_t i = 0; i < values.size(); ++i) {
            line(HtmlCell(i == 1 ? "25%" : i == 2 ? "20%" : "10%"));
            line(font);
            line(HtmlText(values[i]));
            line("</FONT></TD>");
        }
        line("</TR>");
        line("</TABLE>");
    };
    walkCombined(program, [&](int c, const std::vector<meet::CombinedRow>& rows) {
        for (const std::string& piece :
             {std::string("<P>"), HtmlTable(0), std::string("<TR>"), HtmlCell("100%"),
              HtmlFont(" SIZE=3 COLOR=", "CYAN"), HtmlText(meet.className(c)),
              std::string("</FONT></TD>"), std::string("</TR>"), std::string("</TABLE>")})
            line(piece);
        std::vector<std::string> heads = {lang::PlaceHeadText().in(language),
                                          lang::NameHeadText().in(language),
                                          lang::ClubHeadText().in(language)};
        for (int run = 1; run <= runs; ++run) heads.push_back(runHead(program, run));
        heads.push_back(lang::TotalText().in(language));
        heads.push_back(lang::DifferenceHeadText().in(language));
        cells(headingFont, heads);
        for (const auto& row : rows) {
            std::vector<std::string> values = {placeText(row), row.competitor, row.club};
            for (int run = 0; run < runs; ++run)
                values.push_back(run < static_cast<int>(row.runs.size()) ? row.runs[run] : "-");
            values.push_back(row.status.empty() ? row.total : row.status);
            values.push_back(row.difference);
            cells(rowFont, values);
        }
    });
    for (const std::string& piece :
         {HtmlTable(0), std::string("<TR>"), HtmlCell("100%"), HtmlFont(" SIZE=1 COLOR=", "CYAN"),
          "<P>" + words[entry::HtmlFooter], std::string("</FONT></TD>"), std::string("</TR>"),
          std::string("</TABLE>"), std::string("<P>")})
        line(piece);
    line("</BODY>");
    line("</HTML>");
    file.save();
}

}  // namespace

int ShownRun(const ui::Program& program) {
    if (!program.meet) return 1;
    const auto& meet = *program.meet;
    const int index = program.Main.ResultsRunCombo.listIndex();
    if (meet.runCount() <= 1 || index < 0) return meet.run();
    return index >= meet.runCount() ? 0 : index + 1;
}

void WriteTextList(ui::Program& program) {
    RunListCommand(program, [&] {
        if (ShownRun(program) == 0) return writeCombinedText(program);
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
            if (ShownRun(program) == 0) return writeCombinedHtml(program);
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
