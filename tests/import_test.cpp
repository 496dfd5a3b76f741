// Entries imported from spreadsheets' CSV files and exported again, driven as the operator
// does it: the Database menu's commands, the file dialog, the preview and the report.
#include "entries/import.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "entries/csv.h"
#include "meetdb/sqlite.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

using Records = std::vector<std::vector<std::string>>;

Records records(const std::string& database, const std::string& table) {
    meetdb::Connection db(database, meetdb::Connection::Mode::ReadOnly);
    auto select = db.prepare("SELECT * FROM " + meetdb::QuoteIdentifier(table) + " ORDER BY rowid");
    Records rows;
    while (select.step()) {
        std::vector<std::string> row;
        for (int i = 0; i < select.columnCount(); ++i)
            row.push_back(select.text(i).value_or("<null>"));
        rows.push_back(std::move(row));
    }
    return rows;
}

int commits = 0;
int countCommit(void*) {
    ++commits;
    return 0;
}

// A meet made with the sample names: 10 competitors, clubs Tornado, Sprint and Olsberg, classes
// Junior and Senior.
class Import : public ::testing::Test {
protected:
    void open(bool english = false) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        test.dialogs.messages.clear();
    }
    std::string file(const std::string& name, const std::string& bytes) {
        const fs::path written = test.folder() / name;
        std::ofstream(written, std::ios::binary) << bytes;
        return written.string();
    }
    // The Import command on a file of these bytes.
    void import(const std::string& bytes, const std::string& name = "Entries.csv") {
        test.dialogs.fileAnswers.push_back(file(name, bytes));
        test.program().MDIMain.ImportCsv.click();
    }
    std::string lastMessage() const {
        return test.dialogs.messages.empty() ? "" : test.dialogs.messages.back().text;
    }
    std::string competitors() const { return english ? "Competitors" : "Deltakere"; }

    TestProgram test;
    std::string path;
    bool english = false;
};

}  // namespace

TEST(CsvReader, QuotedCellsKeepSeparatorsQuotesAndLineBreaksAndRecordsKnowTheirLine) {
    auto read = entries::ReadCsv(
        "a;b;c\r\n\"x; y\";\"say \"\"hi\"\"\";\"one\r\ntwo\"\r\n\r\n  spaced  ;\" kept "
        "\";\r\nlast;1",
        ';');
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[1].cells, (std::vector<std::string>{"x; y", "say \"hi\"", "one\r\ntwo"}));
    EXPECT_EQ(read[1].line, 2);
    EXPECT_EQ(read[2].cells, (std::vector<std::string>{"spaced", " kept ", ""}));
    EXPECT_EQ(read[2].line, 5);
    EXPECT_EQ(read[3].line, 6);
    EXPECT_EQ(read[3].cells, (std::vector<std::string>{"last", "1"}));
}

TEST(CsvReader, AStrayQuoteOrAQuoteNeverClosedIsAFaultOfItsLine) {
    try {
        entries::ReadCsv("a,b\nc,d\"e\nf,g\n", ',');
        FAIL() << "read";
    } catch (const entries::CsvError& error) {
        EXPECT_EQ(error.line(), 2);
    }
    EXPECT_THROW(entries::ReadCsv("a,b\n\"never closed,c\nd,e\n", ','), entries::CsvError);
}

TEST(CsvReader, AWrittenLineReadsBackAsItsCells) {
    const std::vector<std::string> cells = {"Dahl, Eirik", "\"Quoted\"", "two\r\nlines", "", " 3"};
    auto read = entries::ReadCsv(entries::CsvLine(cells) + entries::CsvLine(cells), ',');
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].cells, cells);
    EXPECT_EQ(entries::ReadCsv(entries::CsvLine(cells, '\t'), '\t')[0].cells, cells);
}

TEST(CsvCells, AFormulaIsWrittenAsTextAndEveryCellReadsBackAsItWas) {
    for (const char* formula : {"=1+1", "+47 22 00 00 00", "-5", "@SUM(A1)", "\tx", "\rx"})
        EXPECT_EQ(entries::NeutralisedCell(formula), std::string("'") + formula) << formula;
    // The program's empty value and plain texts are left as they are.
    for (const char* plain : {"-", "", "Dahl", "a=b", "'quoted", "5-3"})
        EXPECT_EQ(entries::NeutralisedCell(plain), plain) << plain;
    for (const char* cell : {"=1+1", "'=1+1", "''=1+1", "-", "'-", "--", "'", "Dahl", "'Dahl", "@",
                             "+", "=", "'+", "-5"})
        EXPECT_EQ(entries::RestoredCell(entries::NeutralisedCell(cell)), cell) << cell;
}

TEST_F(Import, ASemicolonWindows1252FileWithANorwegianHeaderFillsTheCompetitors) {
    open();
    entries::Encoding encoding{};
    char separator = 0;
    meet::Register target = meet::Register::Classes;
    std::vector<int> mapping;
    test.imports.onPreview = [&](entries::ImportSession& session) {
        encoding = session.encoding();
        separator = session.separator();
        target = session.target();
        mapping = session.mapping();
    };
    // "Ærlend Østbø", "Åse Bråten" in Windows-1252.
    import(
        "Startnummer;Fornavn;Etternavn;Klubb;Klasse;Kj\xF8nn\r\n"
        "1;\xC6rlend;\xD8stb\xF8;Tornado;Junior;Mann\r\n"
        "7;\xC5se;Br\xE5ten;sprint;SENIOR;kvinne\r\n"
        ";;;;;\r\n");
    EXPECT_EQ(encoding, entries::Encoding::Windows1252);
    EXPECT_EQ(separator, ';');
    EXPECT_EQ(target, meet::Register::Competitors);
    EXPECT_EQ(mapping, (std::vector<int>{0, 1, 2, 3, 4, 13}));
    EXPECT_EQ(test.imports.reports, 0);  // nothing to report
    EXPECT_EQ(lastMessage(), "Importert: 2 poster i Deltakere.");
    const auto stored = records(path, "Deltakere");
    EXPECT_EQ(stored[0][1], "Ærlend");
    EXPECT_EQ(stored[0][2], "Østbø");
    EXPECT_EQ(stored[6][1], "Åse");
    EXPECT_EQ(stored[6][3], "Sprint");  // as the meet spells its club and class
    EXPECT_EQ(stored[6][4], "Senior");
    EXPECT_EQ(stored[6][13], "Kvinne");
    EXPECT_EQ(stored[6][5], "-");  // fields without a column stay as they were
    EXPECT_EQ(stored[1][1], "Lars");
    EXPECT_EQ(test.program().meet->competitor(7).name, "Åse, Bråten");
    EXPECT_EQ(test.program().meet->competitor(7).className, "Senior");
    // The page shows the record as it is now.
    auto& main = test.program().Main;
    main.NameMover.setText("7");
    EXPECT_EQ(main.NameText[0].text(), "Åse");
    EXPECT_EQ(main.NameWarning.caption(), "");
}

TEST_F(Import, ACommaUtf8FileWithABomAndQuotedCellsHoldingSeparatorsAndLineBreaks) {
    open(true);
    english = true;
    entries::Encoding encoding{};
    test.imports.onPreview = [&](entries::ImportSession& session) {
        encoding = session.encoding();
        EXPECT_EQ(session.separator(), ',');
        EXPECT_EQ(session.rows().size(), 2u);
        EXPECT_EQ(session.rows()[1].line, 4);
    };
    import(
        "\xEF\xBB\xBF"
        "Number,First name,Surname,Club,Other,Status\r\n"
        "3,\"Anne, Marie\",\"Dahl \"\"Jr\"\"\",Tornado,\"Line one\r\nline two\",Disket\r\n"
        "4,Per,Hansen,,,\r\n");
    EXPECT_EQ(encoding, entries::Encoding::Utf8WithBom);
    EXPECT_EQ(lastMessage(), "Imported: 2 records of Competitors.");
    const auto stored = records(path, "Competitors");
    EXPECT_EQ(stored[2][1], "Anne, Marie");
    EXPECT_EQ(stored[2][2], "Dahl \"Jr\"");
    EXPECT_EQ(stored[2][14], "Line one\r\nline two");
    EXPECT_EQ(stored[2][12], "Disqualified");  // the meet's word for the other language's
    EXPECT_EQ(stored[3][3], "-");              // an empty cell is the program's empty value
    EXPECT_EQ(stored[3][1], "Per");
}

TEST_F(Import, ClubsAndClassesGoInByTheirNumbersAndThePickingListsFollow) {
    open();
    import("Klubbnummer;Klubbnavn;Leder\r\n4;Bøler IF;Kari\r\n5;Nordstrand;Ola\r\n");
    EXPECT_EQ(lastMessage(), "Importert: 2 poster i Klubber.");
    import("Nummer;Id;Klassenavn;Spesifikasjon\r\n3;V;Veteran;\"Over 40, begge kjønn\"\r\n",
           "Classes.csv");
    EXPECT_EQ(lastMessage(), "Importert: 1 poster i Klasser.");
    const auto clubs = records(path, "Klubber");
    EXPECT_EQ(clubs[3][1], "Bøler IF");
    EXPECT_EQ(clubs[3][3], "Kari");
    EXPECT_EQ(records(path, "Klasser")[2][3], "Over 40, begge kjønn");
    auto& main = test.program().Main;
    EXPECT_EQ(main.NameCombo[0].items().at(3), "Bøler IF");
    EXPECT_EQ(main.NameCombo[1].items().at(2), "Veteran");
    EXPECT_EQ(main.ResultsCombo.items().at(2), "Veteran");
    // A competitor of the new club and class is no longer a problem.
    import("Startnummer;Klubb;Klasse\r\n9;Bøler IF;Veteran\r\n", "More.csv");
    EXPECT_EQ(test.imports.reports, 0);
    EXPECT_EQ(records(path, "Deltakere")[8][3], "Bøler IF");
}

TEST_F(Import, TheReportListsBadRowsAndNothingIsWrittenWhenTheOperatorDeclines) {
    open();
    const auto before = records(path, "Deltakere");
    const std::string bytes =
        "Startnummer;Fornavn;Klubb;Klasse\r\n"
        "1;Ny;Tornado;Junior\r\n"      // line 2: good
        "2;Dobbel;Tornado;Junior\r\n"  // line 3: 2 twice
        "10000;Utenfor;Tornado;Junior\r\n"
        ";Uten nummer;Tornado;Junior\r\n"
        "2;Igjen;Tornado;Junior\r\n"
        "x7;Feil;Tornado;Junior\r\n"
        "8;Ukjent;Ingensteds IL;Veteran\r\n";
    import(bytes);
    ASSERT_EQ(test.imports.reports, 1);
    EXPECT_EQ(test.imports.reported, (std::vector<std::string>{
                                         "Linje 3: nummer 2 står også på linje 6.",
                                         "Linje 4: nummer 10000 er utenfor de 9999 postene et "
                                         "stevne kan ha.",
                                         "Linje 5: mangler nummer.",
                                         "Linje 6: nummer 2 står også på linje 3.",
                                         "Linje 7: \"x7\" er ikke et nummer.",
                                         "Linje 8: klubben \"Ingensteds IL\" er ingen av stevnets.",
                                         "Linje 8: klassen \"Veteran\" er ingen av stevnets.",
                                     }));
    EXPECT_EQ(lastMessage(), "Ingenting ble importert.");
    EXPECT_EQ(records(path, "Deltakere"), before);
    EXPECT_EQ(test.program().meet->competitor(1).name, "Eirik, Dahl");

    // Choosing the good rows imports them, and only them, in one commit.
    sqlite3_commit_hook(test.engine.connection(path)->handle(), countCommit, nullptr);
    commits = 0;
    test.imports.importGoodRows = true;
    import(bytes);
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(lastMessage(), "Importert: 1 poster i Deltakere.");
    const auto after = records(path, "Deltakere");
    EXPECT_EQ(after[0][1], "Ny");
    for (int k = 1; k < 10; ++k) EXPECT_EQ(after[k], before[k]) << k + 1;
    EXPECT_EQ(after.size(), before.size());
}

TEST_F(Import, DecliningTheReportGoesBackToThePreviewWithTheOperatorsChoices) {
    open();
    int shown = 0;
    test.imports.onPreview = [&](entries::ImportSession& session) {
        ++shown;
        if (shown == 1) {
            session.mapColumn(1, 2);  // the names are surnames
            return;
        }
        EXPECT_EQ(session.mapping(), (std::vector<int>{0, 2, 3}));  // his choice is kept
        session.mapColumn(2, -1);                                    // the clubs stay out
    };
    test.imports.goOnAfterDeclining = true;
    import("Startnummer;Fornavn;Klubb\r\n1;Ny;Ingensteds IL\r\n2;Nyere;Tornado\r\n");
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(test.imports.reports, 1);
    EXPECT_EQ(lastMessage(), "Importert: 2 poster i Deltakere.");
    EXPECT_EQ(test.program().meet->competitor(1).name, "Eirik, Ny");
    EXPECT_EQ(test.program().meet->competitor(2).name, "Lars, Nyere");
    EXPECT_EQ(test.program().meet->competitor(1).club, "Tornado");
}

TEST_F(Import, AYesNoColumnNamedPaidIsNotGuessedAsThePayment) {
    open();
    std::vector<int> guessed;
    test.imports.onPreview = [&](entries::ImportSession& session) { guessed = session.mapping(); };
    import("Startnummer;Fornavn;Betalt\r\n1;Ny;Ja\r\n2;Nyere;Nei\r\n");
    EXPECT_EQ(guessed, (std::vector<int>{0, 1, -1}));
    EXPECT_EQ(test.imports.reports, 0);
    EXPECT_EQ(lastMessage(), "Importert: 2 poster i Deltakere.");
    // A column of payment options still is.
    import("Startnummer;Fornavn;Betalt\r\n1;Ny;2\r\n2;Nyere;\r\n");
    EXPECT_EQ(guessed, (std::vector<int>{0, 1, 19}));
    EXPECT_EQ(test.program().meet->competitor(1).payment, 2);
}

TEST_F(Import, ACancelledPreviewWritesNothing) {
    open();
    const auto before = records(path, "Deltakere");
    test.imports.goOn = false;
    import("Startnummer;Fornavn\r\n1;Ny\r\n");
    EXPECT_EQ(test.imports.previews, 1);
    EXPECT_EQ(records(path, "Deltakere"), before);
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST_F(Import, TheOperatorsChoicesOnThePreviewDecideWhatGoesIn) {
    open();
    test.imports.onPreview = [](entries::ImportSession& session) {
        EXPECT_FALSE(session.header());  // no word of the first line names a field
        EXPECT_EQ(session.mapping(), (std::vector<int>{0, -1, -1}));
        session.mapColumn(2, 1);
        session.mapColumn(1, 2);
        session.mapColumn(0, 0);
    };
    import("5|Kari|x\r\n6|Per|y\r\n");  // a file whose separator is none of the three
    EXPECT_NE(lastMessage().find("ingen komma, semikolon eller tabulator"), std::string::npos)
        << lastMessage();
    import("5\tNordmann\tKari\r\n6\tHansen\tPer\r\n");
    EXPECT_EQ(lastMessage(), "Importert: 2 poster i Deltakere.");
    EXPECT_EQ(test.program().meet->competitor(6).name, "Per, Hansen");
}

TEST_F(Import, AFileThatIsNoCsvIsToldClearlyAndNothingIsWritten) {
    open();
    const auto before = records(path, "Deltakere");
    import(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "Picture.csv");
    EXPECT_EQ(test.imports.previews, 0);
    EXPECT_NE(lastMessage().find("Fila kan ikke importeres, den er ingen CSV-fil: den inneholder "
                                 "ikke tekst."),
              std::string::npos)
        << lastMessage();
    import("", "Empty.csv");
    EXPECT_NE(lastMessage().find("den er tom"), std::string::npos) << lastMessage();
    import("Dette er et brev og ingen liste.\nHilsen Ola\n", "Letter.csv");
    EXPECT_NE(lastMessage().find("ingen komma, semikolon eller tabulator skiller kolonnene"),
              std::string::npos)
        << lastMessage();
    import("Startnummer;Fornavn\n1;\"Aldri lukket\n2;Per\n", "Open.csv");
    EXPECT_NE(lastMessage().find("kan ikke leses"), std::string::npos) << lastMessage();
    EXPECT_EQ(test.imports.previews, 0);
    EXPECT_EQ(records(path, "Deltakere"), before);
}

TEST_F(Import, TheExportReadBackByTheImporterGivesTheSameRecords) {
    open();
    auto& main = test.program().Main;
    main.NameMover.setText("1");
    main.NameText[0].setText("Eirik \"Ekspressen\"");
    main.NameText[15].setText("Første linje\r\nandre linje, med komma");
    main.NameCombo[2].setText("Disket");
    main.NameOption[2].select();
    main.NameMover.setText("2");
    main.ClubMover.setText("2");
    main.ClubText[2].setText("Leder; med semikolon");
    main.ClubMover.setText("1");
    test.program().MDIMain.ExportCsv.click();
    const fs::path folder = test.folder() / "Meet";
    for (const char* name : {"Deltakere.csv", "Klubber.csv", "Klasser.csv"})
        ASSERT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_NE(lastMessage().find("Deltakere.csv, Klubber.csv, Klasser.csv"), std::string::npos);
    const auto competitors = records(path, "Deltakere");
    const auto clubs = records(path, "Klubber");
    const auto classes = records(path, "Klasser");

    // Everything changed on the pages, then the files imported again.
    main.NameMover.setText("1");
    main.NameText[0].setText("Endret");
    main.NameText[15].setText("-");
    main.NameMover.setText("3");
    main.NameText[1].setText("Endret");
    main.NameMover.setText("1");
    main.ClubMover.setText("2");
    main.ClubText[2].setText("Endret");
    main.ClubMover.setText("1");
    for (const char* name : {"Klubber.csv", "Klasser.csv", "Deltakere.csv"}) {
        test.dialogs.fileAnswers.push_back((folder / name).string());
        test.program().MDIMain.ImportCsv.click();
        EXPECT_NE(lastMessage().find("Importert"), std::string::npos) << name << lastMessage();
    }
    EXPECT_EQ(test.imports.reports, 0);
    EXPECT_EQ(records(path, "Deltakere"), competitors);
    EXPECT_EQ(records(path, "Klubber"), clubs);
    EXPECT_EQ(records(path, "Klasser"), classes);
    EXPECT_EQ(test.program().meet->competitor(1).name, "Eirik \"Ekspressen\", Dahl");
}

// A name such as =HYPERLINK(...) must not run in the secretary's spreadsheet.
TEST_F(Import, NamesThatLookLikeFormulasAreExportedAsTextAndImportedUnchanged) {
    open();
    auto& main = test.program().Main;
    main.NameMover.setText("1");
    main.NameText[0].setText("=HYPERLINK(\"http://x\",\"Eirik\")");
    main.NameText[1].setText("-Dahl");
    main.NameText[15].setText("+47 22 00 00 00");
    main.NameMover.setText("2");
    main.NameText[0].setText("'=Lars");
    main.NameText[1].setText("@Vika");
    main.NameMover.setText("1");
    test.program().MDIMain.ExportCsv.click();
    const fs::path file = test.folder() / "Meet" / "Deltakere.csv";
    std::ifstream in(file, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(written.find("\"'=HYPERLINK(\"\"http://x\"\",\"\"Eirik\"\")\""), std::string::npos);
    EXPECT_NE(written.find("\"'-Dahl\""), std::string::npos);
    EXPECT_NE(written.find("\"'+47 22 00 00 00\""), std::string::npos);
    EXPECT_NE(written.find("\"''=Lars\",\"'@Vika\""), std::string::npos);
    for (const std::string& line : {std::string("\",\"="), std::string("\",\"-"),
                                    std::string("\",\"+"), std::string("\",\"@")})
        EXPECT_EQ(written.find(line), std::string::npos) << line;
    // The program's empty value is still an empty cell.
    EXPECT_NE(written.find(",\"\","), std::string::npos);
    const auto competitors = records(path, "Deltakere");

    main.NameMover.setText("1");
    main.NameText[0].setText("Endret");
    main.NameMover.setText("2");
    main.NameText[1].setText("Endret");
    main.NameMover.setText("1");
    test.dialogs.fileAnswers.push_back(file.string());
    test.program().MDIMain.ImportCsv.click();
    EXPECT_NE(lastMessage().find("Importert"), std::string::npos) << lastMessage();
    EXPECT_EQ(records(path, "Deltakere"), competitors);
    EXPECT_EQ(test.program().meet->competitor(1).name, "=HYPERLINK(\"http://x\",\"Eirik\"), -Dahl");
    EXPECT_EQ(test.program().meet->competitor(2).name, "'=Lars, @Vika");
}

TEST_F(Import, AnImportThatCannotBeStoredKeepsNothingOfIt) {
    open();
    const auto before = test.program().meet->competitor(1).name;
    // The meet database cannot be written: the import's transaction fails.
    test.imports.onPreview = [&](entries::ImportSession&) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute(
            "CREATE TRIGGER \"refuse\" BEFORE UPDATE ON \"Deltakere\" BEGIN SELECT "
            "RAISE(ABORT, 'refused'); END");
    };
    import("Startnummer;Fornavn\r\n1;Ny\r\n");
    EXPECT_NE(lastMessage().find("Importen kunne ikke lagres"), std::string::npos) << lastMessage();
    EXPECT_EQ(test.program().meet->competitor(1).name, before);
    EXPECT_EQ(records(path, "Deltakere")[0][1], "Eirik");
}
