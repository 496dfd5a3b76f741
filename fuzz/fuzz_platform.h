// A program without a person or a screen, for the fuzz targets: every dialog cancelled or
// answered No, nothing started.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "meetdb/sqlite_engine.h"
#include "ui/program.h"

namespace kvt::fuzz {

class Quiet : public ui::Dialogs,
              public ui::EventPump,
              public base::Clock,
              public ui::Launcher,
              public ui::HelpViewer,
              public ui::Application,
              public ui::ImportDialogs {
public:
    std::optional<std::string> openFile(const ui::FileDialogRequest&) override { return {}; }
    ui::Answer message(const std::string&, const std::string&, ui::MessageButtons) override {
        return ui::Answer::No;
    }
    void notify(const std::string&, const std::string&) override {}
    void showModal(ui::MainAboutWindow&) override {}
    void pumpEvents() override {}
    base::LocalTime now() override { return {12, 0, 0, 0}; }
    bool launch(const std::string&, const std::string&) override { return false; }
    bool openDocument(const std::string&) override { return false; }
    void showHelp(const std::string&, int) override {}
    void quit() override {}
    void setBusy(bool) override {}
    bool preview(entries::ImportSession&) override { return false; }
    bool report(const entries::ImportSession&, const entries::Report&) override { return false; }
};

struct FuzzProgram {
    FuzzProgram()
        : folder(std::filesystem::temp_directory_path() /
                 ("kvt-fuzz-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder);
    }
    ~FuzzProgram() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ui::Program& make() {
        program.reset();
        platform = std::make_unique<ui::Platform>(
            ui::Platform{quiet, quiet, quiet, quiet, quiet, quiet, engine, adapter, quiet});
        program = std::make_unique<ui::Program>(*platform, folder.string());
        return *program;
    }

    std::filesystem::path folder;
    Quiet quiet;
    meetdb::SqliteEngine engine;
    devices::SimulatedAdapter adapter;
    std::unique_ptr<ui::Platform> platform;
    std::unique_ptr<ui::Program> program;
};

}  // namespace kvt::fuzz
