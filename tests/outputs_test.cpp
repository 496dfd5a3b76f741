// Every file the program writes for the operator (both results lists, the start list, the
// exports, the PDF, the recovery file at Exit) is written whole or not at all: on a disk that
// is full, the earlier file stays as it was, nothing half written is left beside it, and the
// operator is told which file and why. A viewer that cannot be started is told with the folder
// that holds the file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "base/files.h"
#include "support/fakes.h"
#include "support/full_disk.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::FullDisk;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

void plant(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// Names in the folder that are none of the files wanted: what a writer left half made.
std::vector<std::string> leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".making") != std::string::npos)
            found.push_back(entry.path().filename().string());
    return found;
}

}  // namespace

TEST(WholeFile, ReplacesTheFileAndLeavesNothingBeside) {
    TestProgram test;
    const fs::path path = test.folder() / "list.txt";
    plant(path, "earlier");
    base::WriteWholeFile(path.string(), "the new list\r\n");
    EXPECT_EQ(bytes(path), "the new list\r\n");
    EXPECT_TRUE(leftovers(test.folder()).empty());
}

TEST(WholeFile, OnAFullDiskTheEarlierFileStaysAndTheFailureNamesTheFileAndTheReason) {
    TestProgram test;
    const fs::path path = test.folder() / "list.txt";
    plant(path, "earlier");
    const std::string large(100000, 'x');
    try {
        FullDisk full(4096);  // the first pages go to the disk, the rest does not
        base::WriteWholeFile(path.string(), large);
        FAIL() << "a write past the full disk was taken as done";
    } catch (const base::FileError& error) {
        EXPECT_EQ(std::string(error.what()), path.string() + ": File too large");
    }
    EXPECT_EQ(bytes(path), "earlier");
    EXPECT_TRUE(leftovers(test.folder()).empty());
}

TEST(WholeFile, ASymlinkInThePlaceOfTheFileIsReplacedNotWrittenThrough) {
    TestProgram test;
    const fs::path other = test.folder() / "other.txt";
    const fs::path path = test.folder() / "list.txt";
    plant(other, "not the program's");
    fs::create_symlink(other, path);
    base::WriteWholeFile(path.string(), "list");
    EXPECT_EQ(bytes(other), "not the program's");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(bytes(path), "list");
}

TEST(WholeFile, AFolderThatIsNotThereIsTold) {
    EXPECT_THROW(base::WriteWholeFile("/nonexistent-folder/list.txt", "x"), base::FileError);
}

namespace {

// A meet with the sample competitors: 1 to 3 finish in Junior.
class Outputs : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
        race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
        race(3, {10, 2, 0, 0}, {10, 33, 7, 450});
    }
    void race(int n, base::LocalTime start, base::LocalTime finish) {
        auto& main = test.program().Main;
        main.Number[0].setText(std::to_string(n));
        for (auto time : {start, finish}) {
            test.clock.time = time;
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
        }
    }
    fs::path meetFolder() const { return test.folder() / "Meet"; }
    // Whether a message told of the file and of the full disk.
    bool told(const fs::path& file) const {
        for (const auto& message : test.dialogs.messages)
            if (message.text.find(file.string()) != std::string::npos &&
                message.text.find("File too large") != std::string::npos)
                return true;
        return false;
    }

    TestProgram test;
    std::string path;
};

struct OutputCase {
    const char* name;
    std::function<ui::MenuItem&(ui::MDIMainWindow&)> item;
    std::vector<std::string> files;  // in the meet folder
};

class EveryOutput : public Outputs, public ::testing::WithParamInterface<OutputCase> {};

}  // namespace

TEST_P(EveryOutput, OnAFullDiskLeavesTheEarlierFileAndSaysWhichAndWhy) {
    auto& program = test.program();
    std::vector<fs::path> files;
    for (const auto& name : GetParam().files) {
        files.push_back(meetFolder() / name);
        plant(files.back(), "earlier " + name);
    }
    {
        FullDisk full(16);
        GetParam().item(program.MDIMain).click();
    }
    for (const auto& file : files) EXPECT_EQ(bytes(file), "earlier " + file.filename().string());
    EXPECT_TRUE(leftovers(meetFolder()).empty());
    EXPECT_TRUE(told(files.front())) << (test.dialogs.messages.empty()
                                             ? std::string("no message")
                                             : test.dialogs.messages.back().text);
    EXPECT_TRUE(test.launcher.opened.empty());  // nothing is shown that was not written
    EXPECT_FALSE(test.application.busy);

    // With room on the disk again the same command writes every file whole.
    GetParam().item(program.MDIMain).click();
    for (const auto& file : files) {
        const std::string written = bytes(file);
        EXPECT_NE(written, "earlier " + file.filename().string());
        EXPECT_GT(written.size(), 20u) << file;
    }
    EXPECT_TRUE(leftovers(meetFolder()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, EveryOutput,
    ::testing::Values(
        OutputCase{"TextList", [](ui::MDIMainWindow& m) -> ui::MenuItem& { return m.MakeResultslist; },
                   {"Resultat.txt"}},
        OutputCase{"HtmlList",
                   [](ui::MDIMainWindow& m) -> ui::MenuItem& { return m.MakeResultslistHtml; },
                   {"Resultat.htm"}},
        OutputCase{"StartList", [](ui::MDIMainWindow& m) -> ui::MenuItem& { return m.MakeStartlist; },
                   {"Startliste.txt"}},
        OutputCase{"Export", [](ui::MDIMainWindow& m) -> ui::MenuItem& { return m.ExportCsv; },
                   {"Deltakere.csv"}},
        OutputCase{"Pdf", [](ui::MDIMainWindow& m) -> ui::MenuItem& { return m.PdfResultslist; },
                   {"Resultat.pdf"}}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return info.param.name; });

TEST_F(Outputs, ARecoveryFileThatCannotBeWrittenKeepsTheMeetOpenAndSaysWhy) {
    auto& program = test.program();
    auto db = test.engine.connection(path);
    db->execute("PRAGMA query_only = ON");
    race(4, {10, 3, 0, 0}, {10, 40, 0, 0});  // two times that wait
    ASSERT_FALSE(program.meet->allStored());
    const fs::path recovery = program.meet->recoveryFilePath();
    const std::string last =
        program.meet->registered(program.meet->registeredCount()).identification;
    {
        FullDisk full(16);
        test.dialogs.answers.push_back(ui::Answer::No);  // not again: to the recovery file
        program.MDIMain.Avslutt.click();
    }
    ASSERT_NE(program.meet, nullptr);  // nothing that waits is given up
    EXPECT_EQ(test.application.quitCalls, 0);
    EXPECT_FALSE(fs::exists(recovery));
    EXPECT_TRUE(leftovers(test.folder()).empty());
    EXPECT_TRUE(told(recovery)) << test.dialogs.messages.back().text;

    test.dialogs.answers.push_back(ui::Answer::No);
    program.MDIMain.Avslutt.click();
    EXPECT_EQ(program.meet, nullptr);
    EXPECT_EQ(test.application.quitCalls, 1);
    EXPECT_NE(bytes(recovery).find(last), std::string::npos) << bytes(recovery);
    db.reset();
}

TEST_F(Outputs, AnEditorThatCannotBeStartedIsToldWithTheListsFolder) {
    auto& program = test.program();
    program.MDIMain.MakeResultslist.click();
    test.launcher.succeed = false;
    program.MDIMain.ViewResultslist.click();
    ASSERT_FALSE(test.dialogs.messages.empty());
    const std::string& text = test.dialogs.messages.back().text;
    EXPECT_NE(text.find("Dette programmet kunne ikke startes"), std::string::npos) << text;
    EXPECT_NE(text.find("Fila ligger i denne mappa: " + meetFolder().string()), std::string::npos)
        << text;
}

TEST_F(Outputs, APdfViewerThatCannotBeStartedIsToldWithThePdfsFolder) {
    test.launcher.succeed = false;
    test.program().MDIMain.PdfResultslist.click();
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    const std::string& text = test.dialogs.messages[0].text;
    EXPECT_NE(text.find((meetFolder() / "Resultat.pdf").string()), std::string::npos) << text;
    EXPECT_NE(text.find("Fila ligger i denne mappa: " + meetFolder().string()), std::string::npos)
        << text;
}

TEST_F(Outputs, APrintoutThatFailsIsTold) {
    test.printer.failure = "the printer is out of paper";
    test.program().MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text,
              "Resultatlista kunne ikke skrives ut: the printer is out of paper");
}
