// What the lists of the meet folder share: a file of Windows-1252 lines with CR LF ends put in
// place when whole, fixed columns of text, the pieces of the HTML pages, and the viewers.
#pragma once

#include <functional>
#include <string>

#include "base/windows1252.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// Lines of Windows-1252 text with CR LF ends, written whole or not at all (base::WriteWholeFile):
// a list that cannot be written leaves the earlier one.
class ListFile {
public:
    ListFile(const std::string& path, base::Unmappable unmappable)
        : path_(path), unmappable_(unmappable) {}
    void line(const std::string& utf8);
    // Throws base::FileError naming the list and the reason.
    void save();

private:
    std::string path_;
    base::Unmappable unmappable_;
    std::string content_;
};

// A text line with values printed at columns counted from 1 (a column is a character).
class Columns {
public:
    Columns& at(std::size_t column, const std::string& utf8);
    std::u32string text() const { return base::DecodeUtf8(line_); }
    const std::string& utf8() const { return line_; }

private:
    std::string line_;
    std::size_t characters_ = 0;
};

std::string FirstCharacters(const std::string& utf8, std::size_t count);
std::string Quoted(const std::string& text);
// A value as text of the page, never as markup: a name like "A & B" or "<b>" shows as typed.
// The lists keep their bytes for apostrophes; a page that may put a value into an attribute
// quoted with them escapes those too.
std::string HtmlText(const std::string& value, bool apostrophes = false);
// The table, cell and font pieces of the HTML lists.
std::string HtmlTable(int border);
std::string HtmlCell(const std::string& width);
std::string HtmlFont(const std::string& size, const std::string& colour);

// Writes a list of the open meet with the busy pointer; the progress bar is reset after it.
void RunListCommand(ui::Program& program, const std::function<void()>& write);
// Opens the list file of the meet folder in the viewer given, or says that there is none.
void ViewList(ui::Program& program, const std::string& fileName, const std::string& viewer);
// The editor chosen on the setup page, for the text lists.
std::string TextViewer(const ui::Program& program);

}  // namespace kvt::results
