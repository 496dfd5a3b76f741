#include "support/fakes.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "base/files.h"
#include "shell/commands.h"

namespace kvt::testing {

std::optional<std::string> FakeDialogs::openFile(const ui::FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

ui::Answer FakeDialogs::message(const std::string& text, const std::string& title,
                                ui::MessageButtons buttons) {
    messages.push_back({text, title, buttons});
    if (onMessage) onMessage(messages.back());
    if (buttons == ui::MessageButtons::Ok) return ui::Answer::Ok;
    if (answers.empty()) return ui::Answer::No;
    ui::Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeDialogs::showModal(ui::MainAboutWindow& window) {
    ++modalShown;
    if (whileModal) whileModal(window);
}

void FakePrinter::writePdf(const ui::PrintedList& list, const std::string& path,
                           std::function<void(const std::string&)> done) {
    if (!failure.empty()) return done(failure);
    std::string bytes = list.title + "\n" + list.meetName + "\n";
    for (const auto& section : list.sections) {
        bytes += section.heading + "\n";
        for (const auto& row : section.rows)
            for (const auto& cell : row) bytes += cell + "\n";
    }
    try {
        base::WriteWholeFile(path, bytes);
    } catch (const base::FileError& error) {
        return done(error.what());
    }
    pdfs.emplace_back(path, list);
    done("");
}

TestProgram::TestProgram(const std::string& vfs) : engine(vfs) {
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() /
              ("kvt-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(folder_);
    previousDirectory_ = std::filesystem::current_path();
}

TestProgram::~TestProgram() {
    program_.reset();
    std::error_code ignored;
    std::filesystem::current_path(previousDirectory_, ignored);
    std::filesystem::remove_all(folder_, ignored);
}

void TestProgram::writeUserIni(const std::string& explorerPath, const std::string& language,
                               const std::string& editor, const std::string& editorPath) {
    meetdb::Connection db(userIniPath(), meetdb::Connection::Mode::Create);
    db.execute(
        "CREATE TABLE \"User\" (\"ExplorerPath\" TEXT, \"Språk\" TEXT, \"Editor\" TEXT, "
        "\"EditorPath\" TEXT)");
    auto insert = db.prepare("INSERT INTO \"User\" VALUES (?1, ?2, ?3, ?4)");
    insert.bind(1, explorerPath).bind(2, language).bind(3, editor).bind(4, editorPath);
    insert.run();
}

ui::Program& TestProgram::program() {
    if (!program_) {
        platform_ = std::make_unique<ui::Platform>(ui::Platform{
            otherDialogs_ ? *otherDialogs_ : dialogs, pump, otherClock_ ? *otherClock_ : clock,
            launcher, help, application, engines, otherAdapter_ ? *otherAdapter_ : adapter, imports,
            otherPrinter_ ? otherPrinter_ : &printer, otherWeb_ ? otherWeb_ : &web});
        program_ = std::make_unique<ui::Program>(
            *platform_, locations ? *locations : ui::LocationsInFolder(folder_.string()));
    }
    return *program_;
}

ui::Program& TestProgram::start() {
    ui::Program& p = program();
    shell::LoadMain(p);
    return p;
}

std::string TestProgram::makeAndOpenMeet(const std::string& name) {
    const std::string path = (folder_ / name).string();
    dialogs.fileAnswers.push_back(path);
    program().MDIMain.MakeNew.click();
    dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    return path;
}

std::optional<std::string> ReadField(const std::string& database, const std::string& table,
                                     const std::string& field) {
    meetdb::Connection db(database, meetdb::Connection::Mode::ReadOnly);
    auto select = db.prepare("SELECT " + meetdb::QuoteIdentifier(field) + " FROM " +
                             meetdb::QuoteIdentifier(table) + " ORDER BY rowid LIMIT 1");
    if (!select.step()) return std::nullopt;
    return select.text(0);
}

}  // namespace kvt::testing
