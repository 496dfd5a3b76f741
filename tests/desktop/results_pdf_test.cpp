// The results list on paper through Qt's print support: the PDF read back with pdftotext
// (every row in order, no class heading left at the foot of a page), its paper, and the print
// preview.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "desktop/live_server.h"
#include "desktop/main_frame.h"
#include "desktop/results_printer.h"
#include "shell/commands.h"
#include "base/files.h"
#include "support/fakes.h"
#include "support/full_disk.h"
#include "support/race_file.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;
namespace ui = kvt::ui;

namespace {

std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return process.readAllStandardOutput().toStdString();
}

// The text of each page, laid out as printed.
std::vector<std::vector<std::string>> pagesOf(const std::string& pdf) {
    const std::string text = run("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    std::vector<std::vector<std::string>> pages(1);
    std::string line;
    for (char ch : text) {
        if (ch == '\f') {
            pages.emplace_back();
        } else if (ch == '\n') {
            if (line.find_first_not_of(' ') != std::string::npos) pages.back().push_back(line);
            line.clear();
        } else {
            line += ch;
        }
    }
    if (pages.back().empty()) pages.pop_back();
    return pages;
}

std::string trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// A printed row: place, number, competitor, club, result.
const std::regex RowLine(
    R"(^\s*(\d+)\s+(\d+)\s+(.+?)\s{2,}(\S.*?)\s{2,}(\d\d\.\d\d\.\d\d)(\s+\S+)?\s*$)");

struct Row {
    std::string place, number, competitor;
};

// Every row of every page in the order printed, each page checked on the way: its header, and
// each class heading followed by its column headings and at least its first rows (all of
// them when the class has fewer than three) before the page ends.
std::vector<Row> readRows(const std::vector<std::vector<std::string>>& pages,
                          const std::vector<std::string>& headings, const std::string& header,
                          const std::string& columnsStart, const std::string& pageWords) {
    std::vector<Row> rows;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const auto& lines = pages[p];
        EXPECT_GE(lines.size(), 2u);
        if (lines.size() < 2) continue;
        const std::string numbers = pageWords + " " + std::to_string(p + 1) + " " +
                                    (pageWords == "Side" ? "av" : "of") + " " +
                                    std::to_string(pages.size());
        EXPECT_NE(lines[0].find(header), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(numbers), std::string::npos) << lines[0];
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string text = trimmed(lines[i]);
            std::smatch match;
            if (std::regex_match(lines[i], match, RowLine)) {
                rows.push_back({match[1], match[2], trimmed(match[3])});
                continue;
            }
            const bool heading =
                std::find_if(headings.begin(), headings.end(), [&](const std::string& h) {
                    return text == h || text.rfind(h + " (", 0) == 0;
                }) != headings.end();
            EXPECT_TRUE(heading || text.rfind(columnsStart, 0) == 0)
                << "page " << p + 1 << ": " << text;
            if (!heading) continue;
            // The heading, its column headings and the rows kept with it, on this page.
            EXPECT_LT(i + 2, lines.size()) << "a heading at the foot of page " << p + 1;
            if (i + 1 < lines.size()) {
                EXPECT_EQ(trimmed(lines[i + 1]).rfind(columnsStart, 0), 0u) << lines[i + 1];
            }
            int following = 0;
            for (std::size_t k = i + 2; k < lines.size() && std::regex_match(lines[k], RowLine);
                 ++k)
                ++following;
            EXPECT_GE(following, 1) << "page " << p + 1 << ": " << text;
        }
    }
    return rows;
}

class ResultsPdf : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        test.useServices(&printer, &web);
        if (english()) test.writeUserIni("x", " 1", " 0", "");
        frame = std::make_unique<MainFrame>(test.program());
        kvt::shell::LoadMain(test.program());
        frame->refreshAll();
        frame->show();
    }
    bool english() const { return GetParam(); }
    // Makes the meet, writes the race into its file and opens it through the menu.
    void openRace(int competitors, int classes, int finishers) {
        auto& main = test.program().Main;
        main.SetupText[0].setText(std::to_string(competitors));
        main.SetupText[2].setText(std::to_string(classes));
        const std::string path = (test.folder() / "Race.mdb").string();
        test.dialogs.fileAnswers.push_back(path);
        frame->findChild<QAction*>("MakeNew")->trigger();
        kvt::testing::PrepareRace(path, test.program().LanguageTexts, competitors, classes,
                                  finishers, false);
        test.dialogs.fileAnswers.push_back(path);
        frame->findChild<QAction*>("Open")->trigger();
        ASSERT_EQ(test.program().currentDatabase(), path);
    }

    kvt::desktop::QtPrinter printer;
    kvt::desktop::QtWebServer web;
    TestProgram test;
    std::unique_ptr<MainFrame> frame;
};

}  // namespace

TEST_P(ResultsPdf, ThePdfOfATwoClassMeetHoldsEveryRowInOrderAndNoHeadingAtAPagesFoot) {
    // 2 x 65 finishers: more than a page, so that pages break inside the classes.
    openRace(130, 2, 130);
    frame->findChild<QAction*>("PdfResultslist")->trigger();
    // Written away from the window's thread: the command is over before the file is done, and
    // the events (the polls of the lines among them) go on meanwhile.
    EXPECT_TRUE(test.launcher.opened.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !test.launcher.opened.empty(); }, 60000));
    EXPECT_TRUE(test.dialogs.messages.empty());
    const fs::path pdf = test.folder() / "Race" / (english() ? "Results.pdf" : "Resultat.pdf");
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(test.launcher.opened, (std::vector<std::string>{pdf.string()}));

    const auto pages = pagesOf(pdf.string());
    ASSERT_GE(pages.size(), 3u);
    const std::string columns = english() ? "Place" : "Plass";
    const auto rows = readRows(pages, {"K1", "K2"}, english() ? "RESULTS" : "RESULTAT", columns,
                               english() ? "Page" : "Side");
    EXPECT_NE(pages[0][0].find("Race"), std::string::npos);
    EXPECT_EQ(trimmed(pages[0][1]), "K1");
    EXPECT_NE(pages[0][2].find(english() ? "Competitor" : "Deltaker"), std::string::npos);

    // The rows of each class by race time, places counting up, the classes in order.
    ASSERT_EQ(rows.size(), 130u);
    for (int c = 0; c < 2; ++c) {
        std::vector<int> numbers;
        for (int n = c * 65 + 1; n <= c * 65 + 65; ++n) numbers.push_back(n);
        std::sort(numbers.begin(), numbers.end(),
                  [](int a, int b) { return kvt::testing::RaceOf(a) < kvt::testing::RaceOf(b); });
        for (int k = 0; k < 65; ++k) {
            const Row& row = rows[c * 65 + k];
            EXPECT_EQ(row.place, std::to_string(k + 1));
            EXPECT_EQ(row.number, std::to_string(numbers[k]));
            EXPECT_EQ(row.competitor, "Competitor, number " + std::to_string(numbers[k]));
        }
    }
    bool continued = false;
    for (const auto& page : pages)
        for (const auto& line : page)
            continued = continued ||
                        line.find(english() ? "(continued)" : "(fortsatt)") != std::string::npos;
    EXPECT_TRUE(continued);
}

TEST_P(ResultsPdf, TheStartListPdfHoldsEveryClassWithItsCompetitorsByStartNumber) {
    openRace(130, 2, 0);
    frame->findChild<QAction*>("PdfStartlist")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !test.launcher.opened.empty(); }, 60000));
    EXPECT_TRUE(test.dialogs.messages.empty());
    const fs::path pdf = test.folder() / "Race" / (english() ? "Startlist.pdf" : "Startliste.pdf");
    ASSERT_TRUE(fs::exists(pdf));
    const auto pages = pagesOf(pdf.string());
    ASSERT_GE(pages.size(), 3u);
    EXPECT_NE(pages[0][0].find(english() ? "START LIST" : "STARTLISTE"), std::string::npos);
    // Every competitor once, by start number, each under the heading of his class.
    const std::regex entryLine(R"(^\s*(\d+)\s+Competitor, number (\d+)\b.*$)");
    std::vector<int> numbers;
    std::string heading;
    for (const auto& page : pages)
        for (const auto& line : page) {
            std::smatch match;
            if (trimmed(line) == "K1" || trimmed(line) == "K2") {
                heading = trimmed(line);
            } else if (std::regex_match(line, match, entryLine)) {
                const int number = std::stoi(match[1]);
                EXPECT_EQ(match[2], match[1].str());
                EXPECT_EQ(heading, number <= 65 ? "K1" : "K2") << number;
                numbers.push_back(number);
            }
        }
    ASSERT_EQ(numbers.size(), 130u);
    for (int k = 0; k < 130; ++k) EXPECT_EQ(numbers[k], k + 1);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ResultsPdf, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "English" : "Norwegian"; });

namespace {

ui::PrintedList listOf(const std::vector<int>& sizes) {
    ui::PrintedList list;
    list.title = "RESULTAT";
    list.meetName = "Stevne";
    list.pageNumbers = "Side %1 av %2";
    list.continued = " (fortsatt)";
    list.empty = "Ingen resultater ennå.";
    list.columns = {"Plass", "Nummer", "Deltaker", "Klubb", "Resultat"};
    list.alignRight = {true, true, false, false, true};
    int number = 0;
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        ui::PrintedSection section;
        section.heading = "Klasse " + std::to_string(s + 1);
        for (int k = 1; k <= sizes[s]; ++k) {
            ++number;
            section.rows.push_back({std::to_string(k), std::to_string(number),
                                    "Deltaker, nummer " + std::to_string(number), "Tornado",
                                    "00.31.07"});
        }
        list.sections.push_back(std::move(section));
    }
    return list;
}

}  // namespace

TEST(ResultsPdfPages, AClassHeadingIsNeverLeftAtTheFootOfAPage) {
    TestProgram test;
    // A first class of every length around a page, so that the second one's heading comes to
    // stand at every place near the foot of the first page.
    for (int first = 40; first <= 62; ++first) {
        const std::vector<int> sizes = {first, 2, 5, 1, 30};
        const std::string pdf =
            (test.folder() / ("list-" + std::to_string(first) + ".pdf")).string();
        kvt::desktop::WriteListPdf(listOf(sizes), QString::fromStdString(pdf),
                                   QPageSize(QPageSize::A4));
        const auto pages = pagesOf(pdf);
        std::vector<std::string> headings;
        for (std::size_t s = 1; s <= sizes.size(); ++s)
            headings.push_back("Klasse " + std::to_string(s));
        const auto rows = readRows(pages, headings, "RESULTAT", "Plass", "Side");
        int expected = 0;
        for (int size : sizes) expected += size;
        ASSERT_EQ(static_cast<int>(rows.size()), expected) << first;
        for (int k = 0; k < expected; ++k) EXPECT_EQ(rows[k].number, std::to_string(k + 1));
    }
}

TEST(ResultsPdfPages, AListIsWrittenOnA4AndOnLetter) {
    TestProgram test;
    for (const auto& [size, name] :
         {std::pair{QPageSize::A4, "A4"}, std::pair{QPageSize::Letter, "letter"}}) {
        const std::string pdf = (test.folder() / (std::string(name) + ".pdf")).string();
        kvt::desktop::WriteListPdf(listOf({80}), QString::fromStdString(pdf), QPageSize(size));
        const std::string info = run("pdfinfo", {QString::fromStdString(pdf)});
        EXPECT_NE(info.find(std::string("(") + name + ")"), std::string::npos) << info;
        EXPECT_NE(info.find("Title:           RESULTAT Stevne"), std::string::npos) << info;
        const auto pages = pagesOf(pdf);
        EXPECT_EQ(readRows(pages, {"Klasse 1"}, "RESULTAT", "Plass", "Side").size(), 80u);
    }
}

TEST(ResultsPdfPages, AnEmptyListSaysSoOnItsOnePage) {
    TestProgram test;
    const std::string pdf = (test.folder() / "empty.pdf").string();
    kvt::desktop::WriteListPdf(listOf({}), QString::fromStdString(pdf), QPageSize(QPageSize::A4));
    const auto pages = pagesOf(pdf);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 2u);
    EXPECT_NE(pages[0][0].find("Side 1 av 1"), std::string::npos);
    EXPECT_EQ(trimmed(pages[0][1]), "Ingen resultater ennå.");
}

TEST(ResultsPdfPages, APdfThatCannotBeWrittenIsToldOnTheWindowsThread) {
    kvt::desktop::QtPrinter printer;
    std::string failure;
    bool told = false;
    printer.writePdf(listOf({3}), "/nonexistent-folder/x.pdf", [&](const std::string& why) {
        failure = why;
        told = QThread::currentThread() == qApp->thread();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !failure.empty(); }, 30000));
    EXPECT_TRUE(told);
    EXPECT_NE(failure.find("/nonexistent-folder/x.pdf"), std::string::npos) << failure;
}

TEST(ResultsPdfPages, APdfThatCannotBeWrittenThrows) {
    EXPECT_THROW(kvt::desktop::WriteListPdf(listOf({3}), "/nonexistent-folder/x.pdf",
                                            QPageSize(QPageSize::A4)),
                 std::runtime_error);
}

// A full disk (every write past 4 KiB fails): the PDF is not put in place, the earlier one
// stays as it was, nothing half written is left beside it, no viewer is asked to show it, and
// the operator is told the file and the reason.
TEST_P(ResultsPdf, OnAFullDiskTheEarlierPdfStaysAndTheFailureIsTold) {
    openRace(130, 2, 130);
    const fs::path pdf = test.folder() / "Race" / (english() ? "Results.pdf" : "Resultat.pdf");
    {
        std::ofstream earlier(pdf, std::ios::binary);
        earlier << "%PDF-1.4 the earlier list";
    }
    {
        kvt::testing::FullDisk full(4096);
        frame->findChild<QAction*>("PdfResultslist")->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !test.dialogs.messages.empty(); }, 60000));
    }
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    const std::string& text = test.dialogs.messages[0].text;
    EXPECT_NE(text.find(pdf.string() + ": File too large"), std::string::npos) << text;
    std::ifstream file(pdf, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "%PDF-1.4 the earlier list");
    for (const auto& entry : fs::directory_iterator(pdf.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".making"), std::string::npos)
            << entry.path();
    EXPECT_TRUE(test.launcher.opened.empty());
    EXPECT_FALSE(test.application.busy);
}

TEST(ResultsPdfPages, APdfOnAFullDiskThrowsAndLeavesTheEarlierFile) {
    TestProgram test;
    const std::string pdf = (test.folder() / "list.pdf").string();
    kvt::desktop::WriteListPdf(listOf({3}), QString::fromStdString(pdf), QPageSize(QPageSize::A4));
    std::ifstream before(pdf, std::ios::binary);
    const std::string earlier(std::istreambuf_iterator<char>(before), {});
    ASSERT_GT(earlier.size(), 1000u);
    try {
        kvt::testing::FullDisk full(512);
        kvt::desktop::WriteListPdf(listOf({80}), QString::fromStdString(pdf),
                                   QPageSize(QPageSize::A4));
        ADD_FAILURE() << "a PDF was taken as written on a full disk";
    } catch (const kvt::base::FileError& error) {
        EXPECT_EQ(std::string(error.what()), pdf + ": File too large");
    }
    std::ifstream after(pdf, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), earlier);
}

TEST(ResultsPrint, ThePrintCommandShowsThePreviewOfTheList) {
    kvt::desktop::QtPrinter printer;
    TestProgram test;
    test.useServices(&printer, nullptr);
    MainFrame frame(test.program());
    kvt::shell::LoadMain(test.program());
    frame.show();
    printer.setParent(&frame);
    test.program().Main.SetupCheck[1].setChecked(true);
    test.makeAndOpenMeet();
    int pages = -1;
    bool shown = false;
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(window);
            if (!dialog || !dialog->isVisible()) continue;
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            if (!preview || preview->pageCount() == 0) continue;
            shown = true;
            pages = preview->pageCount();
            timer->stop();
            dialog->reject();
            return;
        }
    });
    timer->start();
    frame.findChild<QAction*>("PrintResultslist")->trigger();
    delete timer;
    EXPECT_TRUE(shown);
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(test.dialogs.messages.empty());
}
