#include "base/windows1252.h"

namespace kvt::base {

namespace {

// The characters of 0x80 to 0x9F; 0 where the code page has none.
constexpr char32_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                               0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int windows1252(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<int>(ch);
    for (int i = 0; i < 32; ++i)
        if (high[i] != 0 && high[i] == ch) return 0x80 + i;
    return -1;
}

}  // namespace

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string result;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
        char32_t ch = length == 1   ? lead
                      : length == 2 ? (lead & 0x1F)
                      : length == 3 ? (lead & 0x0F)
                                    : (lead & 0x07);
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            ch = (ch << 6) | (next & 0x3F);
        }
        if (!valid) {
            result += U'\uFFFD';  // a byte that is no UTF-8 stays one unknown character
            ++i;
            continue;
        }
        result += ch;
        i += length;
    }
    return result;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    for (char32_t ch : text) {
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else if (ch < 0x800) {
            out += static_cast<char>(0xC0 | (ch >> 6));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        } else if (ch < 0x10000) {
            out += static_cast<char>(0xE0 | (ch >> 12));
            out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (ch >> 18));
            out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

std::string EncodeWindows1252(const std::u32string& text, Unmappable unmappable) {
    std::string result;
    for (char32_t ch : text) {
        int byte = windows1252(ch);
        if (byte >= 0)
            result += static_cast<char>(byte);
        else if (unmappable == Unmappable::CharacterReference)
            result += "&#" + std::to_string(static_cast<unsigned long>(ch)) + ";";
        else
            result += '?';
    }
    return result;
}

void AppendWindows1252(std::string& out, const std::string& utf8, Unmappable unmappable) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        // Runs of plain ASCII, most of a list, are the same bytes in both.
        std::size_t plain = i;
        while (plain < utf8.size() && static_cast<unsigned char>(utf8[plain]) < 0x80) ++plain;
        out.append(utf8, i, plain - i);
        if (plain == utf8.size()) return;
        std::size_t end = plain + 1;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
        out += EncodeWindows1252(DecodeUtf8(utf8.substr(plain, end - plain)), unmappable);
        i = end;
    }
}

std::u32string DecodeWindows1252(const std::string& text) {
    std::u32string result;
    result.reserve(text.size());
    for (char byte : text) {
        unsigned char code = static_cast<unsigned char>(byte);
        char32_t ch = code >= 0x80 && code < 0xA0 && high[code - 0x80] != 0 ? high[code - 0x80]
                                                                            : char32_t(code);
        result += ch;
    }
    return result;
}

bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
        // Overlong two-byte forms (C0, C1) are no UTF-8 either.
        if (length == 0 || (length == 2 && lead < 0xC2) || i + length > text.size()) return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

}  // namespace kvt::base
