#include "base/number_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace kvt::base {

std::string NumberToText(long long number) {
    return number < 0 ? std::to_string(number) : " " + std::to_string(number);
}

double TextToNumber(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto digit = [&](std::size_t at) {
        return at < n && std::isdigit(static_cast<unsigned char>(text[at]));
    };
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t begin = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    bool anyDigit = false;
    while (digit(i)) ++i, anyDigit = true;
    if (i < n && text[i] == '.') {
        ++i;
        while (digit(i)) ++i, anyDigit = true;
    }
    if (!anyDigit) return 0.0;
    // An exponent counts only when digits follow it.
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < n && (text[e] == '+' || text[e] == '-')) ++e;
        if (digit(e)) {
            while (digit(e)) ++e;
            i = e;
        }
    }
    // Too large a number reads as infinity, which no 16-bit conversion accepts.
    return std::strtod(text.substr(begin, i - begin).c_str(), nullptr);
}

int ToInt16(double number) {
    if (!std::isfinite(number)) throw OverflowError();
    double rounded = std::nearbyint(number);  // the default rounding is half to even
    if (rounded < -32768.0 || rounded > 32767.0) throw OverflowError();
    return static_cast<int>(rounded);
}

int TextToInt16(const std::string& text) {
    return ToInt16(TextToNumber(text));
}

}  // namespace kvt::base
