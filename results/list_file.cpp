#include "results/list_file.h"

#include <filesystem>

#include "base/files.h"
#include "base/native_path.h"
#include "base/number_text.h"
#include "lang/meet_texts.h"
#include "lang/output_texts.h"
#include "ui/program.h"

namespace kvt::results {

namespace fs = std::filesystem;
using base::DecodeUtf8;
using base::EncodeUtf8;

void ListFile::line(const std::string& utf8) {
    base::AppendWindows1252(content_, utf8, unmappable_);
    content_ += "\r\n";
}

void ListFile::save() {
    base::WriteWholeFile(path_, content_);
}

namespace {
// Characters of UTF-8 text as DecodeUtf8 counts them: every byte that does not continue one.
bool startsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}
}  // namespace

Columns& Columns::at(std::size_t column, const std::string& utf8) {
    std::size_t before = column > 1 ? column - 1 : 0;
    if (characters_ < before) {
        line_.append(before - characters_, ' ');
        characters_ = before;
    }
    // Text that DecodeUtf8 would change (bytes that are no UTF-8) is counted as it decodes.
    if (!base::IsUtf8(utf8)) return at(column, EncodeUtf8(DecodeUtf8(utf8)));
    line_ += utf8;
    for (char byte : utf8) characters_ += startsCharacter(byte);
    return *this;
}

std::string FirstCharacters(const std::string& utf8, std::size_t count) {
    if (!base::IsUtf8(utf8)) return FirstCharacters(EncodeUtf8(DecodeUtf8(utf8)), count);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (startsCharacter(utf8[i]) && characters++ == count) return utf8.substr(0, i);
    return utf8;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string HtmlText(const std::string& value, bool apostrophes) {
    std::string text;
    text.reserve(value.size() + 8);
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
            case '\'':
                if (apostrophes)
                    text += "&#39;";
                else
                    text += ch;
                break;
            default:
                text += ch;
        }
    }
    return text;
}

std::string HtmlTable(int border) {
    return "<TABLE CELLPADDING=1 CELLSPACING=1 WIDTH=560 BORDER=" + std::to_string(border) +
           " ALIGN=" + Quoted("CENTER") + "VALIGN=" + Quoted("LEFT") + ">";
}

std::string HtmlCell(const std::string& width) {
    return "<TD WIDTH=" + Quoted(width) + " VALIGN=" + Quoted("TOP") + ">";
}

std::string HtmlFont(const std::string& size, const std::string& colour) {
    return "<B><FONT FACE=" + Quoted("Arial") + size + Quoted(colour) + "><P>";
}

void RunListCommand(ui::Program& program, const std::function<void()>& write) {
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

void ViewList(ui::Program& program, const std::string& fileName, const std::string& viewer) {
    const std::string path = program.listFolder + fileName;
    std::error_code error;
    if (!fs::exists(base::NativePath(path), error)) {
        program.info(program.LanguageTexts[lang::entry::NoSuchList]);
        return;
    }
    if (!program.platform.launcher.launch(viewer, base::NativePath(path)))
        program.info(lang::CannotStartText().in(program.language) + viewer + "\n" +
                     lang::FileFolderText().in(program.language) +
                     base::NativePath(program.listFolder));
}

std::string TextViewer(const ui::Program& program) {
    double choice = base::TextToNumber(program.Main.SetupText[ui::setup::EditorText].text());
    int index = choice >= 0 && choice <= 3 ? static_cast<int>(choice) : 0;
    return program.editors[index];
}

}  // namespace kvt::results
