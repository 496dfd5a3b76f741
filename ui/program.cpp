#include "ui/program.h"

#include "lang/meet_texts.h"

namespace kvt::ui {

namespace {

// A dialog or an event pump inside a transaction: a fault of the program.
class DialogInTransaction : public std::logic_error {
public:
    DialogInTransaction() : std::logic_error("a dialog was shown inside a transaction") {}
};

}  // namespace

Program::Program(Platform& platform, std::string programFolder)
    : Program(platform, LocationsInFolder(programFolder)) {}

Program::Program(Platform& platform, Locations locations)
    : platform(platform),
      locations(std::move(locations)),
      programFolder(this->locations.programFolder) {
    for (DataControl* data :
         {&Main.TimeData, &Main.SetTimeData, &Main.NameData, &Main.ClubData, &Main.ClassData,
          &Main.SetupData, &Main.ControlData, &Main.UserData, &Main.ResultsData})
        data->setEngine(&platform.engine);
}

void Program::GuardedDialogs::check() const {
    if (program_.platform.engine.inTransaction()) throw DialogInTransaction();
}

std::optional<std::string> Program::GuardedDialogs::openFile(const FileDialogRequest& request) {
    check();
    return program_.platform.dialogs.openFile(request);
}

Answer Program::GuardedDialogs::message(const std::string& text, const std::string& title,
                                        MessageButtons buttons) {
    check();
    return program_.platform.dialogs.message(text, title, buttons);
}

void Program::GuardedDialogs::notify(const std::string& text, const std::string& title) {
    check();
    program_.platform.dialogs.notify(text, title);
}

void Program::GuardedDialogs::showModal(MainAboutWindow& window) {
    check();
    program_.platform.dialogs.showModal(window);
}

std::optional<ServerMeetAnswer> Program::GuardedDialogs::askServerMeet(
    const ServerMeetRequest& request) {
    check();
    return program_.platform.dialogs.askServerMeet(request);
}

Dialogs& Program::dialogs() {
    return dialogs_;
}

bool Program::GuardedImportDialogs::preview(entries::ImportSession& session) {
    if (program_.platform.engine.inTransaction()) throw DialogInTransaction();
    return program_.platform.imports.preview(session);
}

bool Program::GuardedImportDialogs::report(const entries::ImportSession& session,
                                           const entries::Report& report) {
    if (program_.platform.engine.inTransaction()) throw DialogInTransaction();
    return program_.platform.imports.report(session, report);
}

ImportDialogs& Program::importDialogs() {
    return importDialogs_;
}

void Program::pumpEvents() {
    if (platform.engine.inTransaction()) throw DialogInTransaction();
    platform.pump.pumpEvents();
}

std::optional<std::string> Program::chooseFile(const std::string& title, const std::string& preset,
                                               const std::string& filter,
                                               const std::string& acceptLabel) {
    auto chosen = dialogs().openFile(
        {title, preset, filter, DialogFolder(locations, lastChosenFile), acceptLabel});
    pumpEvents();
    if (!chosen || chosen->empty()) return std::nullopt;
    lastChosenFile = *chosen;
    return chosen;
}

void Program::beginProgress(const std::string& text, int maximum) {
    platform.application.setBusy(true);
    status(text);
    MDIMain.Progress.setMaximum(maximum);
}

void Program::endProgress() {
    platform.application.setBusy(false);
    MDIMain.Progress.setValue(0);
    status("");
}

void Program::setObserver(ControlObserver* observer) {
    MDIMain.registry.setObserver(observer);
    Main.registry.setObserver(observer);
    MainAbout.registry.setObserver(observer);
    Race.registry.setObserver(observer);
}

void Program::info(const std::string& text) {
    dialogs().message(text, LanguageTexts[lang::entry::Info], MessageButtons::Ok);
}

void Program::tellIfNotStored(const meet::Outcome& outcome) {
    if (outcome.stored) return;
    dialogs().notify(lang::NotStoredText().in(language) + outcome.failure + "." +
                         lang::KeptText().in(language),
                     LanguageTexts[lang::entry::Info]);
}

void Program::status(const std::string& text) {
    MDIMain.Status.setPanelText(2, text);
}

void Program::guard(const std::function<void()>& work, lang::Bilingual message) {
    try {
        work();
        return;
    } catch (const std::exception& failure) {
        platform.application.setBusy(false);
        const char* text =
            message.english ? message.in(language) : lang::UnexpectedFailureText().in(language);
        // The message itself must not fail out of the handler either.
        try {
            platform.dialogs.message(text + std::string(failure.what()),
                                     LanguageTexts[lang::entry::Info], MessageButtons::Ok);
        } catch (...) {
        }
    } catch (...) {
        platform.application.setBusy(false);
    }
}

std::function<void()> Program::guarded(std::function<void()> handler, lang::Bilingual message) {
    return [this, handler = std::move(handler), message] { guard(handler, message); };
}

}  // namespace kvt::ui
