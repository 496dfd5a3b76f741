// UTF-8 texts to the 8-bit Windows-1252 character set of the results lists.
#pragma once

#include <string>

namespace kvt::base {

// What stands in for a character that Windows-1252 does not have.
enum class Unmappable { QuestionMark, CharacterReference };

std::u32string DecodeUtf8(const std::string& text);
std::string EncodeUtf8(const std::u32string& text);
std::string EncodeWindows1252(const std::u32string& text, Unmappable unmappable);

}  // namespace kvt::base
