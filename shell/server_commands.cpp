#include "shell/server_commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "base/files.h"
#include "base/number_text.h"
#include "lang/entry_texts.h"
#include "lang/meet_texts.h"
#include "lang/server_texts.h"
#include "meetdb/meet_files.h"
#include "pgdb/pg_engine.h"
#include "pgdb/server_name.h"
#include "shell/meet_commands.h"
#include "shell/server_meets.h"
#include "ui/program.h"

namespace kvt::shell {

namespace fs = std::filesystem;
namespace entry = lang::entry;

namespace {

constexpr const char* SettingsFile = "Servers.ini";

struct Asked {
    pgdb::ServerMeet meet;
    std::string password;
    ui::ServerMeetAnswer answer;
};

void remember(ui::Program& program, const ui::ServerMeetAnswer& answer) {
    // Readable by the user alone: it holds the password.
    try {
        base::WriteWholeFile(ServerSettingsPath(program),
                             "address=" + answer.address + "\ndatabase=" + answer.database +
                                 "\npassword=" + answer.password + "\n",
                             {.mode = 0600});
    } catch (const std::exception&) {
        // Not remembered: the next dialog starts empty.
    }
}

std::optional<Asked> ask(ui::Program& program, lang::Bilingual title, lang::Bilingual accept) {
    const auto language = program.language;
    const RememberedServer last = ReadRememberedServer(program);
    ui::ServerMeetRequest request{title.in(language),
                                  lang::ServerAddressLabel().in(language),
                                  lang::ServerDatabaseLabel().in(language),
                                  lang::ServerPasswordLabel().in(language),
                                  accept.in(language),
                                  lang::CancelButtonText().in(language),
                                  last.address,
                                  last.database,
                                  last.password};
    auto answer = program.dialogs().askServerMeet(request);
    if (!answer) return std::nullopt;
    auto meet = pgdb::ServerMeetFrom(answer->address, answer->database);
    if (!meet || answer->address.find_first_not_of(' ') == std::string::npos) {
        program.info(lang::BadServerMeetText().in(language) + answer->address + " / " +
                     answer->database);
        return std::nullopt;
    }
    return Asked{*meet, answer->password, *answer};
}

pgdb::Engines* engines(ui::Program& program) {
    return dynamic_cast<pgdb::Engines*>(&program.platform.engine);
}

// Why a file cannot be hosted: what Open would refuse it for; empty when it may be.
std::string refusalOf(ui::Program& program, const std::string& path) {
    const auto language = program.language;
    if (auto refusal = meetdb::ExaminePath(path, language))
        return lang::NotAMeetDatabaseText().in(language) + refusal->reason;
    const auto examination = meetdb::ExamineMeetFile(
        path, program.LanguageTexts,
        base::TextToNumber(program.Main.userLanguageText().text()), language);
    switch (examination.kind) {
        case meetdb::Examination::Fine:
            return "";
        case meetdb::Examination::Language:
            return LanguageRefusal(program, examination.reason);
        case meetdb::Examination::Bounds:
            return lang::BadCountText().in(language) + examination.reason;
        case meetdb::Examination::NotMeet:
            break;
    }
    return lang::NotAMeetDatabaseText().in(language) + examination.reason;
}

}  // namespace

std::string ServerSettingsPath(const ui::Program& program) {
    return program.locations.settingsFolder + "/" + SettingsFile;
}

RememberedServer ReadRememberedServer(const ui::Program& program) {
    RememberedServer remembered;
    std::optional<std::string> text;
    try {
        text = base::ReadSettingsFile(ServerSettingsPath(program), 4096);
    } catch (const std::exception&) {
        return remembered;
    }
    if (!text) return remembered;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "address") remembered.address = value;
        if (key == "database") remembered.database = value;
        if (key == "password") remembered.password = value;
    }
    return remembered;
}

bool OpenServerMeet(ui::Program& program, const std::string& name, const std::string& password) {
    auto* all = engines(program);
    if (!all || program.meet) return false;
    all->server().setPassword(name, password);
    return OpenDatabaseFile(program, name);
}

void JoinServerMeet(ui::Program& program) {
    if (program.meet || !UserLanguageUsable(program)) return;
    auto asked = ask(program, lang::JoinTitle(), lang::JoinButton());
    if (!asked) return;
    if (OpenServerMeet(program, asked->meet.name(), asked->password))
        remember(program, asked->answer);
}

namespace {

// The meet file to put on a server: the open meet's (what waits stored first, so that the server
// gets the meet as it is) or, with none open, one chosen in the file dialog; none when there is
// nothing to put there (the operator is told why).
std::optional<std::string> fileForServer(ui::Program& program, const lang::Bilingual& title) {
    const auto language = program.language;
    if (program.meet) {
        if (pgdb::IsServerName(program.meet->path())) {
            program.info(lang::AlreadyOnServerText().in(language));
            return std::nullopt;
        }
        if (!SecureUnstored(program)) return std::nullopt;
        return program.meet->path();
    }
    auto chosen = program.chooseFile(title.in(language), program.LanguageTexts[entry::DemoMeet]);
    if (!chosen) return std::nullopt;
    const std::string refusal = refusalOf(program, *chosen);
    if (!refusal.empty()) {
        program.info(refusal);
        return std::nullopt;
    }
    return chosen;
}

}  // namespace

void HostOnServer(ui::Program& program) {
    const auto language = program.language;
    if (!engines(program) || !UserLanguageUsable(program)) return;
    const auto chosen = fileForServer(program, lang::HostTitle());
    if (!chosen) return;
    const std::string file = *chosen;
    auto asked = ask(program, lang::HostTitle(), lang::HostButton());
    if (!asked) return;
    try {
        program.platform.application.setBusy(true);
        HostMeet(file, asked->meet, asked->password);
        program.platform.application.setBusy(false);
    } catch (const ServerMeetExists&) {
        program.platform.application.setBusy(false);
        program.info(lang::ServerMeetExistsText().in(language) + asked->meet.name());
        return;
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        program.info(std::string(lang::HostFailedText().in(language)) + failure.what());
        return;
    }
    remember(program, asked->answer);
    // The meet goes on on the server: the file is closed and the server meet opened.
    if (program.meet && !CloseDatabase(program)) return;
    if (OpenServerMeet(program, asked->meet.name(), asked->password))
        program.status(lang::HostedText(language, asked->meet.name()));
}

void StartServerOnLaptop(ui::Program& program) {
    const auto language = program.language;
    if (!engines(program) || !UserLanguageUsable(program)) return;
    const auto chosen = fileForServer(program, lang::StartServerTitle());
    if (!chosen) return;
    const std::string file = *chosen;
    // The meet's name on the server: the file's, in the letters a name may hold.
    std::string database;
    for (char ch : fs::path(file).stem().string())
        database += std::isalnum(static_cast<unsigned char>(ch)) ? static_cast<char>(std::tolower(
                                                                      static_cast<unsigned char>(ch)))
                                                                : '_';
    if (database.empty() || !std::isalpha(static_cast<unsigned char>(database[0])))
        database = "meet_" + database;
    ui::ServerMeetRequest request{lang::StartServerTitle().in(language),
                                  lang::ListenAddressLabel().in(language),
                                  lang::ServerDatabaseLabel().in(language),
                                  lang::MadePasswordLabel().in(language),
                                  lang::StartServerButton().in(language),
                                  lang::CancelButtonText().in(language),
                                  "127.0.0.1",
                                  database,
                                  ""};
    auto answer = program.dialogs().askServerMeet(request);
    if (!answer) return;
    std::string address = answer->address;
    address.erase(0, address.find_first_not_of(' '));
    address.erase(address.find_last_not_of(' ') + 1);
    if (address.empty()) address = "127.0.0.1";
    const auto own = LaptopServer::OwnAddresses();
    if (std::find(own.begin(), own.end(), address) == own.end()) {
        program.info(lang::NotOwnAddressText().in(language) + address);
        return;
    }
    const std::string password = LaptopServer::MakePassword();
    std::shared_ptr<LaptopServer> server;
    std::optional<pgdb::ServerMeet> meet;
    try {
        program.platform.application.setBusy(true);
        server = std::make_shared<LaptopServer>((fs::path(MeetFolder(file)) / "Server").string(),
                                                address, password);
        meet = pgdb::ServerMeetFrom(address + ":" + std::to_string(server->port()),
                                    answer->database);
        if (!meet) {
            program.platform.application.setBusy(false);
            program.info(lang::BadServerMeetText().in(language) + answer->database);
            return;
        }
        HostMeet(file, *meet, password);
        program.platform.application.setBusy(false);
    } catch (const LaptopServerError& failure) {
        program.platform.application.setBusy(false);
        using Why = LaptopServerError::Why;
        const std::string detail = failure.what();
        program.info(failure.why == Why::Root ? std::string(lang::RootCannotRunServerText().in(language))
                     : failure.why == Why::NoPostgres ? std::string(lang::NoPostgresText().in(language))
                     : failure.why == Why::NotOwnAddress
                         ? lang::NotOwnAddressText().in(language) + detail
                         : lang::ServerNotStartedText().in(language) + detail);
        return;
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        program.info(std::string(lang::HostFailedText().in(language)) + failure.what());
        return;
    }
    remember(program, {address + ":" + std::to_string(server->port()), meet->database, password});
    if (program.meet && !CloseDatabase(program)) return;
    if (!OpenServerMeet(program, meet->name(), password)) return;
    // It runs as long as the meet is open.
    program.laptopServer = server;
    program.info(lang::ServerStartedText(language, address + ":" + std::to_string(server->port()),
                                         meet->database, password));
}

void SaveServerMeetAsFile(ui::Program& program) {
    const auto language = program.language;
    auto* all = engines(program);
    if (!program.meet || !all) return;
    const std::string name = program.meet->path();
    const auto meet = pgdb::ParseServerName(name);
    if (!meet) {
        program.info(lang::NotOnServerText().in(language));
        return;
    }
    auto chosen = program.chooseFile(lang::SaveAsFileTitle().in(language),
                                     meet->database + ".mdb", "Database (*.mdb)|*.mdb",
                                     lang::SaveButton().in(language));
    if (!chosen) return;
    // A meet file open in a program (this one's or another's) is never written over.
    std::unique_ptr<storage::Hold> hold;
    std::error_code error;
    if (fs::exists(*chosen, error)) {
        hold = HoldMeet(program, *chosen);
        if (!hold) return;
    }
    try {
        program.platform.application.setBusy(true);
        SaveServerMeet(*meet, all->server().reach(name).password, *chosen);
        program.platform.application.setBusy(false);
    } catch (const std::exception& failure) {
        program.platform.application.setBusy(false);
        program.info(std::string(lang::SaveBackFailedText().in(language)) + failure.what());
        return;
    }
    program.status(lang::SavedBackText(language, *chosen));
}

}  // namespace kvt::shell
