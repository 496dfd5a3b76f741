// The program's number-to-text form and its text-to-number rule.
#pragma once

#include <stdexcept>
#include <string>

namespace kvt::base {

// Decimal digits with one leading blank when the number is not negative: 7 gives " 7".
std::string NumberToText(long long number);

// Leading blanks skipped, reading stops at the first character that cannot continue a number
// (sign, digits, one decimal point, an exponent); a text without a number reads as 0.
double TextToNumber(const std::string& text);

// A value that does not fit the 16-bit integer the program keeps it in.
class OverflowError : public std::range_error {
public:
    OverflowError() : std::range_error("Overflow") {}
};

// Rounds to the nearest whole number, a half to the even neighbour; throws OverflowError
// outside -32768..32767.
int ToInt16(double number);

// TextToNumber then ToInt16.
int TextToInt16(const std::string& text);

}  // namespace kvt::base
