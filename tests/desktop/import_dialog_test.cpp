// The import's preview and report as the real Qt dialogs show them, offscreen: the operator's
// choices on the widgets reach the session, and what it reads back is shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "desktop/import_dialog.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

class ImportDialog : public ::testing::Test {
protected:
    void SetUp() override {
        auto& program = test.start();
        program.Main.SetupCheck[1].setChecked(true);
        ASSERT_FALSE(test.makeAndOpenMeet().empty());
    }
    TestProgram test;
};

}  // namespace

TEST_F(ImportDialog, ThePreviewShowsTheGuessesAndTheOperatorsChoicesReachTheSession) {
    entries::ImportSession session(
        "Nr;Navn;Etternavn;Klubb\r\n1;Kari;Nordmann;Tornado\r\n2;Per;Hansen;Sprint\r\n",
        *test.program().meet, lang::Language::Norwegian);
    desktop::ImportPreviewDialog dialog(session, nullptr);
    auto* separator = dialog.findChild<QComboBox*>("ImportSeparator");
    auto* table = dialog.findChild<QTableWidget*>("ImportTable");
    auto* summary = dialog.findChild<QLabel*>("ImportSummary");
    auto* import = dialog.findChild<QPushButton*>("ImportButton");
    ASSERT_TRUE(separator && table && summary && import);
    EXPECT_EQ(separator->currentText(), "Semikolon");
    EXPECT_EQ(dialog.findChild<QComboBox*>("ImportRegister")->currentText(), "Deltakere");
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("ImportHeader")->isChecked());
    EXPECT_EQ(table->columnCount(), 4);
    EXPECT_EQ(table->horizontalHeaderItem(3)->text(), "Klubb");
    EXPECT_EQ(table->item(2, 1)->text(), "Per");
    auto* second = dialog.findChild<QComboBox*>("ImportColumn_1");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->currentText(), "(importeres ikke)");  // "Navn" names no competitor field
    EXPECT_EQ(summary->text(), "2 rader, 2 av dem kan importeres.");
    second->setCurrentIndex(second->findText("Fornavn"));
    EXPECT_EQ(session.mapping()[1], 1);
    // The number's column unmapped: nothing can go in, and the dialog says what is missing.
    auto* first = dialog.findChild<QComboBox*>("ImportColumn_0");
    first->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(session.mapping()[0], -1);
    EXPECT_EQ(dialog.findChild<QLabel*>("ImportSummary")->text(), "Velg kolonnen som har nummeret.");
    EXPECT_FALSE(dialog.findChild<QPushButton*>("ImportButton")->isEnabled());
    // Another separator reads the file again.
    separator->setCurrentIndex(0);
    EXPECT_EQ(session.separator(), ',');
    EXPECT_EQ(dialog.findChild<QTableWidget*>("ImportTable")->columnCount(), 1);
}

TEST_F(ImportDialog, TheReportListsEveryProblemAndOffersTheGoodRowsOrNothing) {
    entries::ImportSession session(
        "Startnummer;Fornavn\r\n1;Kari\r\n1;Per\r\n10000;Ola\r\n3;Åse\r\n40;Kåre\r\n",
        *test.program().meet, lang::Language::Norwegian);
    const auto report = session.check();
    desktop::ImportReportDialog dialog(session, report, nullptr);
    // A row numbered beyond the meet's count goes in as a record added; one beyond what a
    // meet can hold does not.
    EXPECT_EQ(dialog.findChild<QLabel*>("ReportHeading")->text(),
              "3 av 5 rader kan ikke importeres. Ingenting er skrevet ennå.\n"
              "1 rad har nummer utenfor stevnets 10 poster: den legges til som ny post.");
    EXPECT_EQ(dialog.findChild<QPlainTextEdit*>("ReportList")->toPlainText(),
              "Linje 2: nummer 1 står også på linje 3.\n"
              "Linje 3: nummer 1 står også på linje 2.\n"
              "Linje 4: nummer 10000 er utenfor de 9999 postene et stevne kan ha.\n");
    EXPECT_EQ(dialog.findChild<QPushButton*>("ImportGoodRows")->text(), "Importer de 2 gode radene");
    EXPECT_TRUE(dialog.findChild<QPushButton*>("ImportNothing")->isDefault());
}

// "0 of 150 can be imported" said nothing of why until Import was pressed.
TEST_F(ImportDialog, ThePreviewGivesTheReasonsRowsCannotGoInBeforeImport) {
    entries::ImportSession session(
        "Startnummer;Fornavn;Klubb\r\n1;Kari;Ingensteds IL\r\n2;Per;Tornado\r\n10000;Ola;Tornado\r\n"
        "x;Åse;Tornado\r\n5;Kåre;Nowhere\r\n",
        *test.program().meet, lang::Language::Norwegian);
    desktop::ImportPreviewDialog dialog(session, nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>("ImportSummary")->text(),
              "5 rader, 1 av dem kan importeres.\n"
              "Linje 2: klubben \"Ingensteds IL\" er ingen av stevnets.\n"
              "Linje 4: nummer 10000 er utenfor de 9999 postene et stevne kan ha.\n"
              "Linje 5: \"x\" er ikke et nummer.\n"
              "... og 1 til (listes ved Importer).");
    EXPECT_TRUE(dialog.findChild<QPushButton*>("ImportButton")->isEnabled());
    EXPECT_EQ(dialog.findChild<QComboBox*>("ImportColumn_2")->currentText(), "Klubb");
}
