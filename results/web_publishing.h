// The setup page's pages for the web and their publishing: the settings, kept for the user in
// "Publish.ini" of the settings folder (beside User.ini, whose layout stays as it is; the
// password is the user's, not the meet's, and the file is readable by the user alone), and
// the WebTimer that hands the writer a snapshot each second the results or the entries changed.
#pragma once

#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

struct WebSettings {
    bool pages = false;     // write the pages for the web at every change
    bool utf8List = false;  // the text results list in UTF-8 (Windows-1252 otherwise)
    bool publish = false;
    std::string target, user, keyFile, password, command;
    bool operator==(const WebSettings&) const = default;
};

// "key=value" lines; unknown keys and broken lines are skipped.
WebSettings ParseWebSettings(const std::string& text);
std::string FormatWebSettings(const WebSettings& settings);
// The file in the settings folder.
std::string WebSettingsPath(const ui::Program& program);
// The settings of the program's file; the defaults when there is none.
WebSettings ReadWebSettings(const ui::Program& program);

// The setup page's controls read (and shown from the file at load), and the timer.
void ConnectWebPages(ui::Program& program);

}  // namespace kvt::results
