// The program's help files: a title line "# ...", then topics that each start with "## ".
// The help viewer shows the topics as contents and searches them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kvt::shell {

struct HelpTopic {
    std::string title;
    std::string body;  // Markdown text of the topic, heading included
};

struct HelpDocument {
    std::string title;
    std::vector<HelpTopic> topics;

    // Topics whose title or text holds every word of the query, ignoring case; all topics for
    // an empty query.
    std::vector<int> search(const std::string& query) const;
};

// Far larger than any help file of the program; a larger one is refused unread.
inline constexpr std::size_t LargestHelpFile = 8 * 1024 * 1024;
// Reads a help file (a regular file only, never waited for); throws std::runtime_error when
// it cannot be read.
HelpDocument LoadHelpFile(const std::string& path);
HelpDocument ParseHelp(const std::string& text);

}  // namespace kvt::shell
