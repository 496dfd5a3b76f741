#include "shell/help_file.h"

#include <sstream>
#include <stdexcept>

#include "base/files.h"

namespace kvt::shell {

namespace {

// Lower case for ASCII and the Norwegian letters, which is what the help files hold.
std::string folded(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch >= 'A' && ch <= 'Z') {
            result += static_cast<char>(ch - 'A' + 'a');
        } else if (ch == 0xC3 && i + 1 < text.size()) {
            unsigned char next = static_cast<unsigned char>(text[i + 1]);
            // Æ Ø Å (C3 86, C3 98, C3 85) to æ ø å (C3 A6, C3 B8, C3 A5).
            if (next == 0x86 || next == 0x98 || next == 0x85) next += 0x20;
            result += static_cast<char>(ch);
            result += static_cast<char>(next);
            ++i;
        } else {
            result += static_cast<char>(ch);
        }
    }
    return result;
}

}  // namespace

HelpDocument ParseHelp(const std::string& text) {
    HelpDocument document;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("## ", 0) == 0) {
            document.topics.push_back({line.substr(3), line + "\n"});
        } else if (line.rfind("# ", 0) == 0 && document.title.empty()) {
            document.title = line.substr(2);
        } else if (!document.topics.empty()) {
            document.topics.back().body += line + "\n";
        }
    }
    return document;
}

HelpDocument LoadHelpFile(const std::string& path) {
    auto text = base::ReadSettingsFile(path, LargestHelpFile);
    if (!text) throw std::runtime_error("cannot read " + path);
    return ParseHelp(*text);
}

std::vector<int> HelpDocument::search(const std::string& query) const {
    std::vector<std::string> words;
    std::istringstream split(folded(query));
    for (std::string word; split >> word;) words.push_back(word);
    std::vector<int> found;
    for (std::size_t i = 0; i < topics.size(); ++i) {
        std::string haystack = folded(topics[i].body);
        bool all = true;
        for (const auto& word : words) all = all && haystack.find(word) != std::string::npos;
        if (all) found.push_back(static_cast<int>(i));
    }
    return found;
}

}  // namespace kvt::shell
