#include "results/lists.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "results/results.h"
#include "results/windows1252.h"
#include "shell/commands.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::results {

namespace fs = std::filesystem;

namespace {

constexpr const char* DownloadAddress = "https://www.example.com/kvt/";

struct ResultRow {
    std::string place, number, competitor, club, result, difference;
};

std::string text(const ui::FieldValue& value) {
    return value.value_or("");
}

// Every class with its rows in ranked order; the results page shows the last class afterwards.
void walkClasses(ui::Program& program,
                 const std::function<void(int, const std::vector<ResultRow>&)>& visit) {
    for (int c = 1; c <= program.ClassCount && c <= ui::MaxClubOrClass; ++c) {
        ShowClassResults(program, c);
        auto records = program.Main.ResultsData.readAll();
        if (records.empty()) continue;
        program.MDIMain.Progress.setMaximum(static_cast<int>(records.size()));
        std::vector<ResultRow> rows;
        for (std::size_t k = 0; k < records.size(); ++k) {
            program.progress(static_cast<int>(k + 1));
            const auto& r = records[k];
            rows.push_back(
                {text(r[0]), text(r[1]), text(r[2]), text(r[3]), text(r[4]), text(r[5])});
        }
        visit(c, rows);
        program.progress(0);
    }
}

// Lines of Windows-1252 text with CR LF ends, written to a file beside the list and put in
// its place when complete.
class ListFile {
public:
    ListFile(const std::string& path, Unmappable unmappable)
        : path_(path), making_(path + ".making"), unmappable_(unmappable) {}
    void line(const std::string& utf8) {
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
        if (line_.size() < before) line_.append(before - line_.size(), U' ');
        line_ += DecodeUtf8(utf8);
        return *this;
    }
    std::u32string text() const { return line_; }

private:
    std::u32string line_;
};

std::string firstCharacters(const std::string& utf8, std::size_t count) {
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
    if (!fs::exists(shell::NativePath(path), error)) {
        program.info(program.LanguageTexts[92]);
        return;
    }
    if (!program.platform.launcher.launch(viewer, shell::NativePath(path)))
        program.info(lang::CannotStartText().in(program.language) + viewer);
}

}  // namespace

void WriteTextList(ui::Program& program) {
    runListCommand(program, [&] {
        const auto& words = program.LanguageTexts;
        const bool differences = program.Main.SetupCheck[5].checked();
        const std::size_t width = differences ? 81 : 67;
        const std::string dashes(width, '-'), equals(width, '=');
        ListFile file(shell::NativePath(program.listFolder + words[33]), Unmappable::QuestionMark);
        file.line(dashes);
        Columns title;
        title.at(1, words[34] + ": ").at(width, ":");
        file.line(EncodeUtf8(title.text()));
        file.line(dashes);
        walkClasses(program, [&](int c, const std::vector<ResultRow>& rows) {
            file.line("");
            file.line(program.ClassNames[c]);
            file.line(equals);
            file.line(differences ? words[39] : words[36]);
            file.line(equals);
            for (const ResultRow& row : rows) {
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
                file.line(EncodeUtf8(line.text()));
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
            const bool differences = program.Main.SetupCheck[5].checked();
            ListFile file(shell::NativePath(program.listFolder + words[37]),
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
                  htmlText(words[34]), std::string("</FONT></TD>"), std::string("</TR>"),
                  std::string("</TABLE>"), std::string("<P>")})
                line(piece);
            walkClasses(program, [&](int c, const std::vector<ResultRow>& rows) {
                for (const std::string& piece :
                     {std::string("<P>"), table(0), std::string("<TR>"), cell("100%"),
                      font(" SIZE=3 COLOR=", "CYAN"), htmlText(program.ClassNames[c]),
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
                std::vector<std::string> headings = {words[1], words[3], words[4], words[5]};
                if (differences) headings.push_back(words[38]);
                cells("CYAN", headings);
                for (const ResultRow& row : rows) {
                    std::vector<std::string> values = {row.place, row.competitor, row.club,
                                                       row.result};
                    if (differences) values.push_back(row.difference);
                    cells("YELLOW", values);
                }
            });
            for (const std::string& piece :
                 {table(0), std::string("<TR>"), cell("100%"), font(" SIZE=1 COLOR=", "CYAN"),
                  "<P>" + words[42], std::string("</FONT></TD>"), std::string("</TR>"),
                  std::string("</TABLE>"), std::string("<P>")})
                line(piece);
            const auto& languages = program.Main.SetupLanguageOption;
            const char* banner = languages[0].selected()   ? "Kvtn.gif"
                                 : languages[1].selected() ? "Kvte.gif"
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
    double choice = ui::TextToNumber(program.Main.SetupText[17].text());
    int index = choice >= 0 && choice <= 3 ? static_cast<int>(choice) : 0;
    view(program, 33, program.editors[index]);
}

void ViewHtmlList(ui::Program& program) {
    view(program, 37, program.Main.SetupText[15].text());
}

}  // namespace kvt::results
