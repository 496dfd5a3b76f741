// Time texts and the text-to-number rule on any bytes: no crash, no hang, and the results keep
// their shape.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/number_text.h"
#include "base/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    auto split = input.find('|');
    std::string a = input.substr(0, split);
    std::string b = split == std::string::npos ? input : input.substr(split + 1);
    std::string difference = kvt::base::TimeDifference(a, b);
    if (difference.size() != 11) std::abort();  // four two-character parts and three points
    std::string race = kvt::base::RaceTime(a, b);
    if (race.size() != 11) std::abort();
    for (int format = -1; format <= 4; ++format) kvt::base::FormatResultTime(a, format);
    kvt::base::TextToNumber(input);
    try {
        int value = kvt::base::TextToInt16(input);
        if (value < -32768 || value > 32767) std::abort();
    } catch (const kvt::base::OverflowError&) {
    }
    kvt::base::Tokenizer tokenizer;
    std::string token = tokenizer.NextToken(a, b.empty() ? "." : b.substr(0, 3));
    for (int i = 0; i < 20 && !token.empty(); ++i) token = tokenizer.NextToken("", ".");
    return 0;
}
