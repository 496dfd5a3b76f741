// UTF-8 texts to and from the 8-bit Windows-1252 character set of the results lists and of
// spreadsheets' CSV files.
#pragma once

#include <string>

namespace kvt::base {

// What stands in for a character that Windows-1252 does not have.
enum class Unmappable { QuestionMark, CharacterReference };

std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(const std::u32string& text);
std::string EncodeWindows1252(const std::u32string& text, Unmappable unmappable);
// The same from UTF-8 text, appended to out (a list written line by line).
void AppendWindows1252(std::string& out, const std::string& utf8, Unmappable unmappable);
// 8-bit Windows-1252 text (a spreadsheet's CSV file); the five bytes the code page leaves
// undefined stay their Latin-1 control characters.
std::u32string DecodeWindows1252(const std::string& text);
// True when every byte sequence of the text is UTF-8.
bool IsUtf8(const std::string& text);

}  // namespace kvt::base
