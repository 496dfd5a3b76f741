// What the meet's files share: reading a stored field as text, the blanks the program ignores
// around typed texts, and the small rules of the stored records. Used only inside meet/.
#pragma once

#include <algorithm>
#include <optional>
#include <string>

#include "base/number_text.h"
#include "lang/meet_texts.h"
#include "meet/class_results.h"
#include "storage/store.h"

namespace kvt::meet::detail {

inline std::string text(const storage::FieldValue& value) {
    return value.value_or("");
}

inline std::string trimmed(const std::string& value) {
    auto begin = value.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
}

inline std::string withoutBlanks(std::string value) {
    value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    return value;
}

// The 16-bit count of a text; 0 when it holds none that fits.
inline int count16(const std::string& value) {
    try {
        return base::TextToInt16(value);
    } catch (const base::OverflowError&) {
        return 0;
    }
}

// A cache index read from a record's number; -1 when it is outside the cache.
inline int cacheIndex(const storage::FieldValue& number, int bound) {
    double value = base::TextToNumber(text(number));
    return value >= 0 && value <= bound ? static_cast<int>(value) : -1;
}

// "n-0012": channel and registration count of that channel in four digits at least.
inline std::string identification(int line, int count) {
    std::string digits = std::to_string(count);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return std::to_string(line) + "-" + digits;
}

// The most times a meet registers, and the most of one line.
constexpr int MaxCount = storage::MaxTimeRows;

// A row without a place stores none (an empty place sorts after every number).
inline storage::FieldValue placeValue(const ResultRow& row) {
    if (!row.status.empty()) return std::nullopt;
    return std::to_string(row.place);
}

// Letters of A to Z as small letters: the status words compared as an official types them.
inline std::string folded(const std::string& value) {
    std::string result = trimmed(value);
    for (char& ch : result)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return result;
}

// A text of the catalogue in both languages.
inline lang::Bilingual catalogueText(int number) {
    for (const auto& text : lang::TextCatalogue())
        if (text.number == number) return text.text;
    return {"", ""};
}

}  // namespace kvt::meet::detail
