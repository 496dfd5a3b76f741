#include "results/lists.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "base/native_path.h"
#include "base/number_text.h"
#include "base/windows1252.h"
#include "lang/meet_texts.h"
#include "results/results_page.h"
#include "ui/program.h"

namespace kvt::results {

namespace fs = std::filesystem;
namespace entry = lang::entry;
using base::DecodeUtf8;
using base::EncodeUtf8;
using base::EncodeWindows1252;
using base::Unmappable;

namespace {

constexpr const char* DownloadAddress = "https://www.example.com/kvt/";

struct ListRow {
    std::string place, number, competitor, club, result, difference;
};

// Every class with its rows in ranked order, from the meet's own results: the classes are
// ranked anew first (what changes is stored in one transaction). The results page shows the
// last class afterwards.
void walkClasses(ui::Program& program,
                 const std::function<void(int, const std::vector<ListRow>&)>& visit) {
    auto& meet = *program.meet;
    auto ranked = meet.rankAll();
    if (!ranked.stored)
        program.dialogs().notify(lang::NotStoredText().in(program.language) + ranked.failure + "." +
                                     lang::KeptText().in(program.language),
                                 program.LanguageTexts[lang::entry::Info]);
    for (int c = 1; c <= meet.classCount(); ++c) {
        const auto& results = meet.results(c);
        if (results.rows().empty()) continue;
        program.MDIMain.Progress.setMaximum(static_cast<int>(results.rows().size()));
        std::vector<ListRow> rows;
        rows.reserve(results.rows().size());
        int k = 0;
        for (int index : results.ranking()) {
            program.progress(++k);
            const auto& r = results.rows()[index];
            rows.push_back({std::to_string(r.place), std::to_string(r.number), r.competitor, r.club,
                            r.result, r.difference});
        }
        visit(c, rows);
        program.progress(0);
    }
    ShowStoredClass(program, meet.classCount());
}

bool isAscii(const std::string& text) {
    for (char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

// Characters of a UTF-8 text, as DecodeUtf8 counts them.
std::size_t characterCount(const std::string& utf8) {
    return isAscii(utf8) ? utf8.size() : DecodeUtf8(utf8).size();
}

// Lines of Windows-1252 text with CR LF ends, written to a file beside the list and put in
// its place when complete.
class ListFile {
public:
    ListFile(const std::string& path, Unmappable unmappable)
        : path_(path), making_(path + ".making"), unmappable_(unmappable) {}
    void line(const std::string& utf8) {
        // Most lines are plain ASCII, the same bytes in both character sets.
        if (isAscii(utf8))
            content_ += utf8;
        else
            content_ += EncodeWindows1252(DecodeUtf8(utf8), unmappable_);
        content_ += "\r\n";
    }
    void save() {
        {
            std::ofstream file(making_, std::ios::binary | std::ios::trunc);
            if (!file) fail();
            file.write(content_.data(), static_cast<std::streamsize>(content_.size()));
            file.flush();
            if (!file) fail();
        }
        std::error_code error;
        fs::rename(making_, path_, error);
        if (error) {
            fs::remove(making_, error);
            throw std::runtime_error(path_ + ": " + error.message());
        }
    }

private:
    [[noreturn]] void fail() {
        std::string reason = std::strerror(errno);
        std::error_code ignored;
        fs::remove(making_, ignored);
        throw std::runtime_error(path_ + ": " + reason);
    }
    std::string path_, making_;
    Unmappable unmappable_;
    std::string content_;
};

// A text line with values printed at columns counted from 1.
class Columns {
public:
    Columns& at(std::size_t column, const std::string& utf8) {
        std::size_t before = column > 1 ? column - 1 : 0;
        if (characters_ < before) {
            line_.append(before - characters_, ' ');
            characters_ = before;
        }
        line_ += utf8;
        characters_ += characterCount(utf8);
        return *this;
    }
    const std::string& text() const { return line_; }

private:
    std::string line_;  // UTF-8
    std::size_t characters_ = 0;
};

std::string firstCharacters(const std::string& utf8, std::size_t count) {
    if (isAscii(utf8)) return utf8.size() > count ? utf8.substr(0, count) : utf8;
    std::u32string decoded = DecodeUtf8(utf8);
    if (decoded.size() > count) decoded.resize(count);
    return EncodeUtf8(decoded);
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A value as text of the page, never as markup: a name like "A & B" or "<b>" shows as typed.
std::string htmlText(const std::string& value) {
    std::string text;
    text.reserve(value.size());
    for (char ch : value) {
        switch (ch) {
            case '&':
                text += "&amp;";
                break;
            case '<':
                text += "&lt;";
                break;
            case '>':
                text += "&gt;";
                break;
            case '"':
                text += "&quot;";
                break;
            default:
                text += ch;
        }
    }
    return text;
}

std::string table(int border) {
    return "<TABLE CELLPADDING=1 CELLSPACING=1 WIDTH=560 BORDER=" + std::to_string(border) +
           " ALIGN=" + quoted("CENTER") + "VALIGN=" + quoted("LEFT") + ">";
}

std::string cell(const std::string& width) {
    return "<TD WIDTH=" + quoted(width) + " VALIGN=" + quoted("TOP") + ">";
}

std::string font(const std::string& size, const std::string& colour) {
    return "<B><FONT FACE=" + quoted("Arial") + size + quoted(colour) + "><P>";
}

void runListCommand(ui::Program& program, const std::function<void()>& write) {
    if (!program.meet) return;
    program.platform.application.setBusy(true);
    try {
        write();
    } catch (...) {
        program.endProgress();
        throw;
    }
    program.endProgress();
}

void view(ui::Program& program, int fileEntry, const std::string& viewer) {
    const std::string path = program.listFolder + program.LanguageTexts[fileEntry];
    std::error_code error;
    if (!fs::exists(base::NativePath(path), error)) {
        program.info(program.LanguageTexts[entry::NoSuchList]);
        return;
    }
    if (!program.platform.launcher.launch(viewer, base::NativePath(path)))
        program.info(lang::CannotStartText().in(program.language) + viewer);
}

}  // namespace

void WriteTextList(ui::Program& program) {
    runListCommand(program, [&] {
        const auto& words = program.LanguageTexts;
        const bool differences = program.meet->setup().yes(meet::field::Differences);
        const std::size_t width = differences ? 81 : 67;
        const std::string dashes(width, '-'), equals(width, '=');
        ListFile file(base::NativePath(program.listFolder + words[entry::TextListFile]),
                      Unmappable::QuestionMark);
        file.line(dashes);
        Columns title;
        title.at(1, words[entry::ResultsHeading] + ": ").at(width, ":");
        file.line(title.text());
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
                    .at(14, firstCharacters(row.competitor, 18) + ": ")
                    .at(35, firstCharacters(row.club, 15) + ": ")
                    .at(53, row.result + ": ");
                if (differences)
                    line.at(67, row.difference + ": ").at(81, ":");
                else
                    line.at(67, ":");
                file.line(line.text());
            }
            file.line(equals);
            file.line("");
        });
        file.save();
    });
}

void WriteHtmlList(ui::Program& program) {
    try {
        runListCommand(program, [&] {
            const auto& words = program.LanguageTexts;
            const bool differences = program.meet->setup().yes(meet::field::Differences);
            ListFile file(base::NativePath(program.listFolder + words[entry::HtmlListFile]),
                          Unmappable::CharacterReference);
            auto line = [&](const std::string& text) { file.line(text); };
            line("<HTML>");
            line("<HEAD>");
            line("<META HTTP-EQUIV=" + quoted("Content-Type") +
                 " CONTENT=" + quoted("text/html; charset=windows-1252") + ">");
            line("</HEAD>");
            line("<BODY BGCOLOR=" + quoted("BLUE") + ">");
            line("<BODY BACKGROUND=" + quoted("Kvt.gif") + ">");
            for (const std::string& piece :
                 {table(3), std::string("<TR>"), cell("100%"), font(" SIZE=3 COLOR=", "CYAN"),
                  htmlText(words[entry::ResultsHeading]), std::string("</FONT></TD>"),
                  std::string("</TR>"), std::string("</TABLE>"), std::string("<P>")})
                line(piece);
            walkClasses(program, [&](int c, const std::vector<ListRow>& rows) {
                for (const std::string& piece :
                     {std::string("<P>"), table(0), std::string("<TR>"), cell("100%"),
                      font(" SIZE=3 COLOR=", "CYAN"), htmlText(program.meet->className(c)),
                      std::string("</FONT></TD>"), std::string("</TR>"), std::string("</TABLE>")})
                    line(piece);
                auto cells = [&](const std::string& colour,
                                 const std::vector<std::string>& values) {
                    static const char* widths[5] = {"10%", "35%", "25%", "15%", "15%"};
                    line(table(3));
                    line("<TR>");
                    for (std::size_t i = 0; i < values.size(); ++i) {
                        line(cell(widths[i]));
                        line(font(" SIZE=2 COLOR=", colour));
                        line(htmlText(values[i]));
                        if (i >= 3) line("</FONT></B></TD>");
                    }
                    line("</TR>");
                    line("</B>");
                };
                std::vector<std::string> headings = {words[entry::Place], words[entry::Competitor],
                                                     words[entry::Club], words[entry::Result]};
                if (differences) headings.push_back(words[entry::Difference]);
                cells("CYAN", headings);
                for (const ListRow& row : rows) {
                    std::vector<std::string> values = {row.place, row.competitor, row.club,
                                                       row.result};
                    if (differences) values.push_back(row.difference);
                    cells("YELLOW", values);
                }
            });
            for (const std::string& piece :
                 {table(0), std::string("<TR>"), cell("100%"), font(" SIZE=1 COLOR=", "CYAN"),
                  "<P>" + words[entry::HtmlFooter], std::string("</FONT></TD>"),
                  std::string("</TR>"), std::string("</TABLE>"), std::string("<P>")})
                line(piece);
            const auto& languages = program.Main.SetupLanguageOption;
            const int norwegian = static_cast<int>(lang::Language::Norwegian);
            const int english = static_cast<int>(lang::Language::English);
            const char* banner = languages[norwegian].selected() ? "Kvtn.gif"
                                 : languages[english].selected() ? "Kvte.gif"
                                                                 : nullptr;
            if (banner)
                line("<CENTER><P><A HREF=" + quoted(DownloadAddress) +
                     "><IMG SRC=" + quoted(banner) + "></A></P></CENTER>");
            line("</BODY>");
            line("</HTML>");
            file.save();
        });
    } catch (const std::exception& error) {
        program.info(std::string("033 Error: ") + error.what());
    }
}

void ViewTextList(ui::Program& program) {
    double choice = base::TextToNumber(program.Main.SetupText[ui::setup::EditorText].text());
    int index = choice >= 0 && choice <= 3 ? static_cast<int>(choice) : 0;
    view(program, entry::TextListFile, program.editors[index]);
}

void ViewHtmlList(ui::Program& program) {
    view(program, entry::HtmlListFile, program.Main.SetupText[ui::setup::ExplorerPathText].text());
}

}  // namespace kvt::results
