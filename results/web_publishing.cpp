#include "results/web_publishing.h"


#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "base/files.h"
#include "base/time_text.h"
#include "lang/publish_texts.h"
#include "meet/meet.h"
#include "results/publisher.h"
#include "results/web_pages.h"
#include "ui/program.h"

namespace kvt::results {

namespace {

constexpr const char* SettingsFile = "Publish.ini";
// An upload, or the command after it, that takes longer than this is ended.
constexpr Milliseconds UploadBound{60000};

std::string trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// The publisher of the open meet, shared with the writer's thread, which tells it of changes.
class PublisherSlot {
public:
    void set(std::shared_ptr<Publisher> publisher) {
        std::shared_ptr<Publisher> old;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            old = std::move(publisher_);
            publisher_ = std::move(publisher);
        }
        // The old one ends (and its upload with it) outside the lock.
    }
    std::shared_ptr<Publisher> get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return publisher_;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<Publisher> publisher_;
};

// What belongs to the open meet's pages: ended when the meet closes or the pages are switched
// off.
struct WebState {
    // The settings as the file holds them.
    WebSettings saved;
    std::string meetPath;
    std::unique_ptr<WebPagesWriter> writer;
    std::shared_ptr<PublisherSlot> slot = std::make_shared<PublisherSlot>();
    std::optional<PublishSettings> publishing;
    // The meet as the pages last showed it.
    std::shared_ptr<const WebSource> last;
    // The writer's last failure as told, so that it is told once.
    std::string toldFailure;

    void end() {
        writer.reset();
        slot->set(nullptr);
        publishing.reset();
        last.reset();
        meetPath.clear();
    }
};

WebSettings settingsOnPage(const ui::MainWindow& main) {
    WebSettings settings;
    settings.pages = main.SetupWebCheck.checked();
    settings.utf8List = main.SetupUtf8Check.checked();
    settings.publish = main.SetupPublishCheck.checked();
    settings.target = trim(main.SetupPublishTargetText.text());
    settings.user = trim(main.SetupPublishUserText.text());
    settings.keyFile = trim(main.SetupPublishKeyText.text());
    settings.password = main.SetupPublishPasswordText.text();
    settings.command = trim(main.SetupPublishCommandText.text());
    return settings;
}

void showSettings(ui::MainWindow& main, const WebSettings& settings) {
    main.SetupWebCheck.setChecked(settings.pages);
    main.SetupUtf8Check.setChecked(settings.utf8List);
    main.SetupPublishCheck.setChecked(settings.publish);
    main.SetupPublishTargetText.setText(settings.target);
    main.SetupPublishUserText.setText(settings.user);
    main.SetupPublishKeyText.setText(settings.keyFile);
    main.SetupPublishPasswordText.setText(settings.password);
    main.SetupPublishCommandText.setText(settings.command);
}

// The file is the user's alone: it may hold a password.
void saveSettings(ui::Program& program, const WebSettings& settings) {
    base::WriteWholeFile(WebSettingsPath(program), FormatWebSettings(settings), {.mode = 0600});
}

std::shared_ptr<const WebSource> takeSource(ui::Program& program, const std::string& now) {
    auto source = std::make_shared<WebSource>();
    const auto language = program.language;
    source->meet = CopyMeet(*program.meet);
    // The words alone: the rest is made from the copy on the writer's thread.
    source->words = TakeSnapshot(nullptr, program.LanguageTexts, language, now);
    source->day = IofDay::Today();
    source->startListWord = lang::StartListWord().in(language);
    source->resultsWord = lang::ResultsWord().in(language);
    source->refreshNote = lang::WebRefreshNoteText().in(language);
    return source;
}

void showPublishState(ui::Program& program, WebState& state) {
    auto& label = program.Main.SetupPublishState;
    const auto language = program.language;
    const auto publisher = state.slot->get();
    if (!publisher) {
        label.setCaption("");
        return;
    }
    const Publisher::Status status = publisher->status();
    std::string text = status.lastSuccess.empty()
                           ? std::string(lang::PublishNeverText().in(language))
                           : lang::PublishedAtText().in(language) + status.lastSuccess;
    if (!status.lastError.empty())
        text += "   " + std::string(lang::PublishErrorText().in(language)) + status.lastError;
    label.setCaption(text);
}

void tick(ui::Program& program, WebState& state) {
    auto& main = program.Main;
    // The settings are kept as the page shows them (not at each event of a control: the
    // window's design values, set before a reload, are none of the user's).
    const WebSettings settings = settingsOnPage(main);
    if (!(settings == state.saved)) {
        state.saved = settings;
        saveSettings(program, settings);
    }
    if (!program.meet || !main.SetupWebCheck.checked()) {
        if (!state.meetPath.empty()) state.end();
        main.SetupPublishState.setCaption("");
        return;
    }
    const auto language = program.language;
    if (state.meetPath != program.meet->path()) {
        state.end();
        state.meetPath = program.meet->path();
        auto slot = state.slot;
        state.writer = std::make_unique<WebPagesWriter>(
            WebFolder(program.listFolder), [slot](bool changed) {
                if (!changed) return;
                if (auto publisher = slot->get()) publisher->changed();
            });
    }
    // The publisher follows the settings; a new one publishes what is there.
    std::optional<PublishSettings> wanted;
    if (settings.publish && !settings.target.empty()) {
        PublishSettings publishing;
        publishing.target = settings.target;
        publishing.user = settings.user;
        publishing.keyFile = settings.keyFile;
        publishing.password = settings.password;
        publishing.command = settings.command;
        publishing.knownHosts = program.locations.settingsFolder + "/known_hosts";
        publishing.bound = UploadBound;
        publishing.timedOutText = lang::PublishTimedOutText().in(language);
        publishing.invalidTargetText = lang::PublishTargetInvalidText().in(language);
        wanted = publishing;
    }
    const auto samePublishing = [](const std::optional<PublishSettings>& a,
                         const std::optional<PublishSettings>& b) {
        if (a.has_value() != b.has_value()) return false;
        if (!a) return true;
        return a->target == b->target && a->user == b->user && a->keyFile == b->keyFile &&
               a->password == b->password && a->command == b->command &&
               a->timedOutText == b->timedOutText && a->invalidTargetText == b->invalidTargetText;
    };
    if (!samePublishing(wanted, state.publishing)) {
        state.publishing = wanted;
        std::shared_ptr<Publisher> publisher;
        if (wanted) {
            publisher = std::make_shared<Publisher>(*wanted, WebFolder(program.listFolder));
            publisher->changed();
        }
        state.slot->set(std::move(publisher));
    }

    // A new snapshot only when the results or the entries changed.
    const std::string now = base::TimeText(program.platform.clock.now()).substr(0, 8);
    if (!state.last || state.last->words.language != language ||
        !SameAsMeet(state.last->meet, *program.meet)) {
        state.last = takeSource(program, now);
        state.writer->post(state.last);
    }
    const std::string failure = state.writer->lastError();
    if (!failure.empty() && failure != state.toldFailure)
        program.status(lang::WebPagesFailedText().in(language) + failure);
    state.toldFailure = failure;
    showPublishState(program, state);
}

}  // namespace

WebSettings ParseWebSettings(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        values[trim(line.substr(0, equals))] = line.substr(equals + 1);
    }
    WebSettings settings;
    settings.pages = trim(values["pages"]) == "1";
    settings.utf8List = trim(values["utf8list"]) == "1";
    settings.publish = trim(values["publish"]) == "1";
    settings.target = trim(values["target"]);
    settings.user = trim(values["user"]);
    settings.keyFile = trim(values["key"]);
    settings.password = values["password"];
    settings.command = trim(values["command"]);
    return settings;
}

std::string FormatWebSettings(const WebSettings& settings) {
    // A line break inside a value would start another key.
    auto line = [](const char* key, const std::string& value) {
        std::string kept;
        for (char ch : value)
            if (ch != '\n' && ch != '\r') kept += ch;
        return std::string(key) + "=" + kept + "\n";
    };
    return line("pages", settings.pages ? "1" : "0") +
           line("utf8list", settings.utf8List ? "1" : "0") +
           line("publish", settings.publish ? "1" : "0") + line("target", settings.target) +
           line("user", settings.user) + line("key", settings.keyFile) +
           line("password", settings.password) + line("command", settings.command);
}

std::string WebSettingsPath(const ui::Program& program) {
    return program.locations.settingsFolder + "/" + SettingsFile;
}

WebSettings ReadWebSettings(const ui::Program& program) {
    std::ifstream file(WebSettingsPath(program), std::ios::binary);
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return ParseWebSettings(text.str());
}

void ConnectWebPages(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    auto state = std::make_shared<WebState>();
    state->saved = ReadWebSettings(program);
    showSettings(main, state->saved);
    main.WebTimer.Tick = p.guarded([&p, state] { tick(p, *state); });
    main.WebTimer.setRunning(true);
}

}  // namespace kvt::results
