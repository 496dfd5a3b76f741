// IOF XML 3.0 out of the meet (result list, start list, entry list) and entries in, driven as
// the operator does it: the Lists menu's command writes the files, the Database menu's import
// takes an entry list through the preview and the report. Every file is checked against the
// IOF schema with xmllint when the schema lies beside the checkout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "entries/iof_entries.h"
#include "entries/xml_reader.h"
#include "meet/meet.h"
#include "results/iof_xml.h"
#include "results/xml_writer.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

const fs::path SchemaFolder = KVT_IOF_DIR;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// xmllint's verdict on a file: 0 when it is valid against the IOF schema.
int validate(const fs::path& file) {
    const std::string command = "xmllint --noout --schema '" +
                                (SchemaFolder / "IOF.xsd").string() + "' '" + file.string() +
                                "' 2>/dev/null";
    return std::system(command.c_str());
}

#define REQUIRE_SCHEMA()                                                                   \
    if (!fs::exists(SchemaFolder / "IOF.xsd") || std::system("xmllint --version >/dev/null 2>&1") != 0) \
    GTEST_SKIP() << "The IOF schema (" << (SchemaFolder / "IOF.xsd").string()                \
                 << ") or xmllint is missing: the files are not validated."

// A meet made with the sample names (competitors 1 to 5 of Tornado in Junior).
class Iof : public ::testing::Test {
protected:
    ui::Program& open(bool english = false) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        test.dialogs.messages.clear();
        return p;
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
    fs::path file(const std::string& name, const std::string& bytes) {
        const fs::path written = test.folder() / name;
        std::ofstream(written, std::ios::binary) << bytes;
        return written;
    }
    void import(const std::string& bytes, const std::string& name, bool iofCommand) {
        test.dialogs.fileAnswers.push_back(file(name, bytes).string());
        if (iofCommand)
            test.program().MDIMain.ImportIof.click();
        else
            test.program().MDIMain.ImportCsv.click();
    }
    fs::path listed(const std::string& name) {
        return fs::path(test.program().listFolder) / name;
    }
    std::string lastMessage() const {
        return test.dialogs.messages.empty() ? "" : test.dialogs.messages.back().text;
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Iof, TheResultListCarriesEveryCompetitorWithNumberNameClubTimesPlaceAndStatus) {
    open();
    // 3 is disqualified; 4 starts and is still out; 5 never starts.
    import("Startnummer;Status\r\n3;Disket\r\n", "Status.csv", false);
    race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    race(3, {10, 2, 0, 0}, {10, 3, 0, 0});
    auto& main = test.program().Main;
    main.Number[0].setText("4");
    test.clock.time = {10, 4, 0, 0};
    main.Number[0].KeyDown.raise(ui::KeyReturn);
    main.Number[0].KeyUp.raise(ui::KeyReturn);

    test.program().MDIMain.MakeIofXml.click();
    EXPECT_TRUE(contains(lastMessage(), "IOF XML-filene er skrevet i ")) << lastMessage();
    const std::string xml = readFile(listed("ResultList.xml"));
    const auto root = entries::ReadXml(xml);
    ASSERT_EQ(root->name, "ResultList");
    EXPECT_EQ(root->attribute("iofVersion"), "3.0");
    EXPECT_EQ(root->child("Event")->childText("Name"), "Meet");
    const entries::XmlElement* junior = root->child("ClassResult");
    ASSERT_NE(junior, nullptr);
    EXPECT_EQ(junior->child("Class")->childText("Name"), "Junior");
    std::vector<const entries::XmlElement*> persons;
    for (const auto& child : junior->children)
        if (child->name == "PersonResult") persons.push_back(child.get());
    ASSERT_EQ(persons.size(), 5u);

    // The winner: 2, 28:59.99.
    const auto* winner = persons[0]->child("Result");
    EXPECT_EQ(persons[0]->child("Person")->child("Name")->childText("Given"), "Lars");
    EXPECT_EQ(persons[0]->child("Person")->child("Name")->childText("Family"), "Vika");
    EXPECT_EQ(persons[0]->child("Organisation")->childText("Name"), "Tornado");
    EXPECT_EQ(winner->childText("BibNumber"), "2");
    EXPECT_TRUE(contains(winner->childText("StartTime"), "T10:01:00"));
    EXPECT_TRUE(contains(winner->childText("FinishTime"), "T10:29:59.99"));
    EXPECT_EQ(winner->childText("Time"), "1739.99");
    EXPECT_EQ(winner->childText("TimeBehind"), "0.00");
    EXPECT_EQ(winner->childText("Position"), "1");
    EXPECT_EQ(winner->childText("Status"), "OK");
    // Second: 1, 31:07.45, 127.46 s behind.
    const auto* second = persons[1]->child("Result");
    EXPECT_EQ(second->childText("BibNumber"), "1");
    EXPECT_EQ(second->childText("Time"), "1867.45");
    EXPECT_EQ(second->childText("TimeBehind"), "127.46");
    EXPECT_EQ(second->childText("Position"), "2");
    // The disqualified finisher has his time but no place.
    const auto* disqualified = persons[2]->child("Result");
    EXPECT_EQ(disqualified->childText("BibNumber"), "3");
    EXPECT_EQ(disqualified->childText("Status"), "Disqualified");
    EXPECT_EQ(disqualified->child("Position"), nullptr);
    EXPECT_EQ(disqualified->child("TimeBehind"), nullptr);
    // Still out, and not started.
    EXPECT_EQ(persons[3]->child("Result")->childText("Status"), "Active");
    EXPECT_EQ(persons[3]->child("Result")->child("FinishTime"), nullptr);
    EXPECT_EQ(persons[4]->child("Result")->childText("Status"), "Inactive");
    EXPECT_EQ(persons[4]->child("Result")->child("StartTime"), nullptr);

    // The start list: every competitor of the class by number, with his start where he has one.
    const auto start = entries::ReadXml(readFile(listed("StartList.xml")));
    const auto* classStart = start->child("ClassStart");
    ASSERT_NE(classStart, nullptr);
    const auto* first = classStart->child("PersonStart");
    EXPECT_EQ(first->child("Start")->childText("BibNumber"), "1");
    EXPECT_TRUE(contains(first->child("Start")->childText("StartTime"), "T10:00:00"));
    // The entry list: the entry's id is its start number.
    const auto entry = entries::ReadXml(readFile(listed("EntryList.xml")));
    EXPECT_EQ(entry->child("PersonEntry")->childText("Id"), "1");
    EXPECT_EQ(entry->child("PersonEntry")->child("Class")->childText("Name"), "Junior");
}

TEST_F(Iof, EveryFileTheProgramWritesIsValidAgainstTheSchemaAndABrokenOneIsNot) {
    REQUIRE_SCHEMA();
    open(true);
    race(1, {23, 50, 0, 0}, {0, 10, 5, 700});  // across midnight
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    test.program().MDIMain.MakeIofXml.click();
    for (const char* name : {"ResultList.xml", "StartList.xml", "EntryList.xml"})
        EXPECT_EQ(validate(listed(name)), 0) << name;
    const std::string results = readFile(listed("ResultList.xml"));
    EXPECT_TRUE(contains(results, "<Time>1205.70</Time>"));
    // The finish after midnight is on the next day.
    const auto root = entries::ReadXml(results);
    const auto* late = root->child("ClassResult")->child("PersonResult")->child("Result");
    ASSERT_NE(late, nullptr);
    const std::string startDate = late->childText("StartTime").substr(0, 10);
    const std::string finishDate = late->childText("FinishTime").substr(0, 10);
    EXPECT_NE(startDate, finishDate);

    // A status the schema does not know fails the check.
    std::string broken = results;
    const auto at = broken.find("<Status>OK</Status>");
    ASSERT_NE(at, std::string::npos);
    broken.replace(at, 19, "<Status>GaveUp</Status>");
    EXPECT_NE(validate(file("Broken.xml", broken)), 0);
}

TEST(IofXml, NamesAndClubsWithMarkupOrControlCharactersStayText) {
    results::IofSnapshot snapshot;
    snapshot.eventName = "Vår & \"høst\" <løp>";
    snapshot.day = {"2026-06-01", "+02:00", "2026-06-01T12:00:00+02:00"};
    results::IofClass c;
    c.number = 1;
    c.name = "H 17-20";
    results::IofEntrant entrant;
    entrant.number = 12;
    entrant.given = "Ærlend";
    entrant.family = "O'Brien\x01";
    entrant.club = "A<B>";
    entrant.start = "09.59.59.00";
    entrant.status = results::IofStatus::DidNotStart;
    c.entrants.push_back(entrant);
    snapshot.classes.push_back(c);
    const std::string xml = results::IofResultList(snapshot);
    EXPECT_TRUE(contains(xml, "<Name>Vår &amp; &quot;høst&quot; &lt;løp&gt;</Name>"));
    EXPECT_TRUE(contains(xml, "<Family>O&apos;Brien\xEF\xBF\xBD</Family>"));
    EXPECT_TRUE(contains(xml, "<StartTime>2026-06-01T09:59:59+02:00</StartTime>"));
    EXPECT_TRUE(contains(xml, "<Status>DidNotStart</Status>"));
    // And read back as written.
    const auto root = entries::ReadXml(xml);
    EXPECT_EQ(root->child("Event")->childText("Name"), "Vår & \"høst\" <løp>");
    EXPECT_EQ(results::IofDateTime(snapshot.day, "23.59.59.99", true),
              "2026-06-02T23:59:59.99+02:00");
    EXPECT_EQ(results::IofDateTime({"2026-12-31", "+01:00", ""}, "00.00.01.00", true),
              "2027-01-01T00:00:01+01:00");
}

TEST_F(Iof, TheOfficialEntryListImportsWithItsPersonsClubsAndClasses) {
    if (!fs::exists(SchemaFolder / "EntryList1.xml"))
        GTEST_SKIP() << "The official examples are not beside the checkout.";
    open(true);
    // The meet's clubs and classes first, as the entries name them.
    import("Club number;Club name\r\n1;OC Back and Forth\r\n2;Bushmen OC\r\n", "Clubs.csv", false);
    import("Class number;Class name\r\n1;Men Elite\r\n2;Open\r\n", "Classes.csv", false);
    import(readFile(SchemaFolder / "EntryList1.xml"), "EntryList1.xml", true);
    EXPECT_EQ(test.imports.reports, 0);
    EXPECT_EQ(lastMessage(), "Imported: 3 records of Competitors.");
    const auto& meet = *test.program().meet;
    EXPECT_EQ(meet.competitor(1).name, "George, Wood");
    EXPECT_EQ(meet.competitor(1).club, "OC Back and Forth");
    EXPECT_EQ(meet.competitor(1).className, "Men Elite");
    EXPECT_EQ(meet.competitor(2).name, "Edgar, Martin");
    EXPECT_EQ(meet.competitor(2).club, "Bushmen OC");
    EXPECT_EQ(meet.competitor(3).name, "Toni, Lawson");
    EXPECT_EQ(meet.competitor(3).club, "-");  // no club: the program's empty value
    EXPECT_EQ(meet.competitor(3).className, "Open");
    EXPECT_EQ(meet.competitor(4).name, "Knut, Dahl");  // untouched
}

TEST_F(Iof, AnExportedEntryListReadBackGivesTheSameCompetitors) {
    open();
    test.program().MDIMain.MakeIofXml.click();
    const std::string exported = readFile(listed("EntryList.xml"));
    // Names changed meanwhile come back from the file.
    import("Startnummer;Fornavn;Etternavn\r\n1;X;Y\r\n5;Z;W\r\n", "Change.csv", false);
    ASSERT_EQ(test.program().meet->competitor(5).name, "Z, W");
    import(exported, "EntryList.xml", true);
    EXPECT_EQ(lastMessage(), "Importert: 5 poster i Deltakere.");
    EXPECT_EQ(test.program().meet->competitor(1).name, "Eirik, Dahl");
    EXPECT_EQ(test.program().meet->competitor(5).name, "Geir, Dahl");
    EXPECT_EQ(test.program().meet->competitor(5).className, "Junior");
}

TEST_F(Iof, UnknownElementsAreSkippedAndARowBeyondTheCountIsAdded) {
    open(true);
    const std::string list =
        "<?xml version=\"1.0\"?>\n<!-- a list -->\n"
        "<iof:CompetitorList xmlns:iof=\"http://www.orienteering.org/datastandard/3.0\" "
        "iofVersion=\"3.0\">\n"
        "<iof:Unknown><Deep>x</Deep></iof:Unknown>\n"
        "<iof:Competitor><iof:Person sex=\"F\"><iof:Id>4</iof:Id><iof:Name>"
        "<iof:Family>Bråten</iof:Family><iof:Given>Åse &amp; Co</iof:Given></iof:Name>"
        "<iof:Nationality code=\"NOR\">Norway</iof:Nationality><iof:Shoe>42</iof:Shoe>"
        "</iof:Person><iof:Organisation><iof:Name>Sprint</iof:Name></iof:Organisation>"
        "<iof:ControlCard>123</iof:ControlCard></iof:Competitor>\n"
        "<iof:Competitor><iof:Person><iof:Id>9999</iof:Id><iof:Name><iof:Family>Far"
        "</iof:Family><iof:Given>Out</iof:Given></iof:Name></iof:Person></iof:Competitor>\n"
        "</iof:CompetitorList>\n";
    test.imports.importGoodRows = true;
    import(list, "Competitors.xml", true);
    // Number 9999 is beyond the meet's count: the meet grows to hold him, nothing is refused.
    EXPECT_EQ(test.imports.reported.size(), 0u);
    const auto& meet = *test.program().meet;
    EXPECT_EQ(meet.competitor(9999).name, "Out, Far");
    EXPECT_EQ(meet.competitor(4).name, "Åse & Co, Bråten");
    EXPECT_EQ(meet.competitor(4).club, "Sprint");

    // A file that is no such list is told, and nothing is written.
    import("<ResultList><Broken></ResultList>", "Broken.xml", true);
    EXPECT_TRUE(contains(lastMessage(), "The file is no IOF XML entry or competitor list"))
        << lastMessage();
    import("<ResultList iofVersion=\"3.0\"/>", "Results.xml", true);
    EXPECT_TRUE(contains(lastMessage(), "<ResultList>")) << lastMessage();
    EXPECT_EQ(meet.competitor(4).name, "Åse & Co, Bråten");
}

TEST(XmlReader, ReferencesCdataAndCommentsReadAndBrokenTextIsAFaultOfItsLine) {
    const auto root = entries::ReadXml(
        "\xEF\xBB\xBF<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x \"y\">]>\n<a k='v&lt;'>"
        "&#65;&#x42;<![CDATA[<c>]]><!-- no --><b/></a>");
    EXPECT_EQ(root->text, "AB<c>");
    EXPECT_EQ(root->attribute("k"), "v<");
    ASSERT_EQ(root->children.size(), 1u);
    try {
        entries::ReadXml("<a>\n<b>\n</a>");
        FAIL() << "a broken document was read";
    } catch (const entries::XmlError& error) {
        EXPECT_EQ(error.line(), 3);
    }
    EXPECT_THROW(entries::ReadXml("<a>&x;</a>"), entries::XmlError);
    EXPECT_THROW(entries::ReadXml(std::string(100, '<')), entries::XmlError);
    EXPECT_THROW(entries::ReadXml("<a></a><b/>"), entries::XmlError);
}
