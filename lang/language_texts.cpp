#include "lang/language_texts.h"

namespace kvt::lang {

const std::vector<TextEntry>& TextCatalogue() {
    static const std::vector<TextEntry> entries = {
        {1, {"Place", "Plass"}},
        {2, {"Number", "Nummer"}},
        {3, {"Competitor", "Deltaker"}},
        {4, {"Club", "Klubb"}},
        {5, {"Result", "Resultat"}},
        {6, {"Open", "Åpne"}},
        {7, {"Demomeet", "Demorenn"}},
        {8, {"[KVT] Kvarne Timecapture System", "[KVT] Kvarne tidtaking System"}},
        {9, {"Error trying initializeing I/O Inteface", "Feil under initiering av I/O Inteface"}},
        {11, {"Info", "Info"}},
        {12, {"Compress", "Komprimer"}},
        {13, {"Copy", "Kopier"}},
        {14, {"Classes", "Klasser"}},
        {15, {"Index", "Index"}},
        {16, {"Id", "Id"}},
        {17, {"Name", "Navn"}},
        {18, {"Spesifikation", "Spesifikasjon"}},
        {19, {"Creating class record", "Lager klasse registeret"}},
        {20, {"Junior", "Junior"}},
        {21, {"J", "J"}},
        {22, {"Senior", "Senior"}},
        {23, {"S", "S"}},
        {24,
         {"Do you want to overwrite the old class record?",
          "Vil du overskrive det gamle klasse registeret?"}},
        {25, {"Clubs", "Klubber"}},
        {26, {"Creating club record", "Lager klubb register"}},
        {27,
         {"Do you want to overwrite the old club record?",
          "Vil du overskrive det gamle klubb registeret?"}},
        {28, {"Make new", "Lag ny"}},
        {29,
         {"Do you want to overwrite the old database?", "Vil du overskrive den gamle databasen?"}},
        {30, {"Competitors", "Deltakere"}},
        {31, {"Creating competitor record", "Lager deltaker register"}},
        {32,
         {"Do you want to overwrite the old competitor record?",
          "Vil du overskrive det gamle deltaker registeret?"}},
        {33, {"Results.txt", "Resultat.txt"}},
        {34, {"RESULTS", "RESULTAT"}},
        {35, {"Results-", "Resultat-"}},
        {36,
         {":Place:Number: Competitor         : Club            : Result      :",
          ":Plass:Nummer: Deltaker           : Klubb           : Resultat    :"}},
        {37, {"Results.htm", "Resultat.htm"}},
        {38, {"Difference", "Differanse"}},
        {39,
         {":Place:Number: Competitor         : Club            : Result      : Difference  :",
          ":Plass:Nummer: Deltaker           : Klubb           : Resultat    : Differanse  :"}},
        {40, {"", ""}},
        {41, {"", ""}},
        {42, {"[KVT] Kvarne Timecapture System</B>", "[KVT] Kvarne Tidtaking System</B>"}},
        {43, {"Creating results record.", "Lager resultat register."}},
        {44,
         {"Do you want to overwrite the old results record?",
          "Vil du overskrive det gamle resultat registeret?"}},
        {45, {"Work", "Arbeid"}},
        {46, {"Creating work record", "Lager arbeids register"}},
        {47,
         {"Do you want to overwrite the old work record?",
          "Vil du overskrive det gamle arbeids registeret?"}},
        {48, {"Setup", "Oppsett"}},
        {49, {"Creating setup record", "Lager oppsett register"}},
        {50,
         {"Do you want to overwrite the old setup record?",
          "Vil du overskrive det gamle oppsett registeret?"}},
        {51, {"Time", "Tider"}},
        {52, {"Creating time record", "Lager tid register"}},
        {53,
         {"Do you want to overwrite the old time record?",
          "Vil du overskrive det gamle tid registeret?"}},
        {54, {"Index", "Index"}},
        {55, {"Id", "Id"}},
        {56, {"Time", "Tid"}},
        {57, {"Nr", "Nr"}},
        {58, {"Type", "Type"}},
        {59, {"Competitor", "Deltaker"}},
        {60, {"Info", "Info"}},
        {61, {"Deleteing results record", "Sletter resultat register"}},
        {62,
         {"Error trying deleteing results record", "Feil under sletting av resultat registeret"}},
        {63, {"Error trying deleteing work record", "Feil under sletting av arbeid registeret"}},
        {64, {"Error trying deleteing time record", "Feil under sletting av tid registeret"}},
        {65, {"\\Help.hlp", "\\Hjelp.hlp"}},
        {66, {"Present", "Oppmøtt"}},
        {67, {"Checked in", "Påmeldt"}},
        {68, {"Sick", "Sjuk"}},
        {69, {"Disqualified", "Disket"}},
        {70, {"Canceled", "Brutt"}},
        {71, {"Ok", "Ok"}},
        {72, {"Man", "Mann"}},
        {73, {"Woman", "Kvinne"}},
        {74, {"Boy", "Gutt"}},
        {75, {"Girl", "Jente"}},
        {76, {"Reading class record", "Leser klasse registeret."}},
        {77, {"Error in class record", "Feil i klasse register"}},
        {78, {"Reading club record", "Leser klubb registeret."}},
        {79, {"Error in club record", "Feil i klubb register"}},
        {80, {"Reading competitor record", "Leser deltaker registeret."}},
        {81, {"Error in competitor record", "Feil i deltaker register"}},
        {82, {"Reading time record", "Leser tid registeret."}},
        {83, {"Error in time record", "Feil i tid register"}},
        {84, {"Out all", "Ut alle"}},
        {85, {"Out", "Ut"}},
        {86, {"In", "Inn"}},
        {87, {"Transmitted", "Overført"}},
        {88,
         {"[KVT] Kvarne Timecapture System [ No database open ]",
          "[KVT] Kvarne Tidtaking System [ Ingen database åpnet ]"}},
        {89, {"Repair", "Reparer"}},
        {90, {"Reset", "Resett"}},
        {91, {"Error trying resetting database", "Feil under resetting av database"}},
        {92, {"This kind of list don't exist", "Det er ikke laget en slik resultatliste"}},
        {93, {"Error trying to sort result record", "Feil under sortering av resultat register"}},
        {94, {"Iocard.hlp", "Iokort.hlp"}},
        {95,
         {"Do you want to overwrite the old control record?",
          "Vil du overskrive det gamle kontroll registeret?"}},
        {96,
         {"The databasen was made with a different language setup in the program. Change this "
          "language, and try again. This database can't be loaded.",
          "Databasen er laget med et annet språkoppsett i programmet. Bytt språk, og prøv på nytt. "
          "Denne databasen kan derfor ikke åpnes."}},
        {100,
         {"[KVT] Kvarne Timecapture System, version 1.0",
          "[KVT] Kvarne Tidtaking System, versjon 1.0"}},
        {101, {"by", "av"}},
        {102, {"the KVT developers", "KVT-utviklerne"}},
        {103, {"Race timing to the hundredth of a second,", "Tidtaking til hundredels sekund,"}},
        {104,
         {"from up to six input lines or the keys F2 to F7.",
          "fra opptil seks inngangslinjer eller tastene F2 til F7."}},
        {105, {"Runs on Linux with Qt 6 and SQLite.", "Kjører på Linux med Qt 6 og SQLite."}},
        {106, {"Help: the Help menu.", "Hjelp: menyen Hjelp."}},
        {107, {"Free software for sports clubs.", "Fri programvare for idrettslag."}},
        {108, {"About", "Om"}},
        {109, {"&Back", "&Tilbake"}},
    };
    return entries;
}

const std::vector<CaptionRow>& MenuCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"Database", 0, {"&Database", "&Database"}},
        {"Open", 0, {"&Open...", "&Åpne..."}},
        {"Close", 0, {"&Close...", "&Lukke..."}},
        {"Reset", 0, {"&Reset...", "&Resett..."}},
        {"MakeNew", 0, {"&Make new...", "&Lag ny..."}},
        {"Repair", 0, {"&Repair...", "&Reparer..."}},
        {"Kompress", 0, {"&Compress...", "&Komprimer..."}},
        {"Copy", 0, {"&Copy...", "&Kopier..."}},
        {"HostOnServer", 0, {"&Host on a server...", "Legg på en &server..."}},
        {"JoinServer", 0, {"&Join a server meet...", "Koble til et ser&verstevne..."}},
        {"SaveAsFile", 0, {"Save as a meet &file...", "Lagre som stevne&fil..."}},
        {"StartServer", 0, {"Start a server on this &laptop...", "Start en server på denne &maskinen..."}},
        {"ImportCsv", 0, {"&Import from CSV...", "&Importer fra CSV..."}},
        {"ExportCsv", 0, {"E&xport to CSV", "E&ksporter til CSV"}},
        {"ImportIof", 0, {"Import from IOF &XML...", "Importer fra IOF &XML..."}},
        {"Avslutt", 0, {"&Exit...", "&Avslutt..."}},
        {"Lists", 0, {"&Lists", "&Lister"}},
        {"MakeResultslist", 0, {"&Make resultslist...", "&Lag resultatliste..."}},
        {"ViewResultslist", 0, {"&View resultslist...", "&Vis resultatliste..."}},
        {"MakeResultslistHtml", 0, {"&Make resultslist HTML...", "&Lag resultatliste HTML..."}},
        {"ViewResultslistHtml", 0, {"&View resultslist HTML...", "&Vis resultatliste HTML..."}},
        {"MakeStartlist", 0, {"Make &startlist...", "Lag &startliste..."}},
        {"ViewStartlist", 0, {"View s&tartlist...", "Vis s&tartliste..."}},
        {"ViewStartlistHtml", 0, {"View st&artlist HTML...", "Vis st&artliste HTML..."}},
        {"PrintResultslist", 0, {"&Print resultslist...", "&Skriv ut resultatliste..."}},
        {"PdfResultslist", 0, {"Resultslist as &PDF...", "Resultatliste som &PDF..."}},
        {"PrintStartlist", 0, {"Print startl&ist...", "Skriv ut startl&iste..."}},
        {"PdfStartlist", 0, {"Startlist as P&DF...", "Startliste som P&DF..."}},
        {"MakeIofXml", 0, {"Make IOF &XML files...", "Lag IOF &XML-filer..."}},
        {"Help", 0, {"&Help", "&Hjelp"}},
        {"General", 0, {"&General...", "&Generell..."}},
        {"Search", 0, {"&Search...", "&Søk..."}},
        {"Adapter", 0, {"&Setup I/O adapter...", "&Oppsett I/O adapter..."}},
        {"About", 0, {"&About...", "&Om..."}},
    };
    return rows;
}

const std::vector<ToolTipRow>& ToolTips() {
    static const std::vector<ToolTipRow> rows = {
        {1, {"Open database", "Åpne database"}},
        {2, {"Close database", "Lukke database"}},
        {4, {"Reset database", "Resett database"}},
        {5, {"Make new database", "Lag ny database"}},
        {7, {"Repair database", "Reparer database"}},
        {8, {"Compress database", "Komprimer database"}},
        {9, {"Copy database", "Kopier database"}},
        {11, {"Make resultslist", "Lag resultatliste"}},
        {12, {"View resultslist", "Vis resultatliste"}},
        {14, {"Make resultslist HTML", "Lag resultatliste HTML"}},
        {15, {"View resultslist HTML", "Vis resultatliste HTML"}},
        {17, {"General help", "Generell hjelp"}},
        {18, {"Setup I/O adapter", "Oppsett I/O adapter"}},
        {20, {"Exit", "Avslutt"}},
    };
    return rows;
}

const std::vector<CaptionRow>& MainTabCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"MainTabStrip", 1, {"&Capture", "&Fange"}},
        {"MainTabStrip", 2, {"&Competitors", "&Deltakere"}},
        {"MainTabStrip", 3, {"&Clubs", "&Klubber"}},
        {"MainTabStrip", 4, {"&Classes", "&Klasser"}},
        {"MainTabStrip", 5, {"&Setup", "&Oppsett"}},
        {"MainTabStrip", 6, {"&Results", "&Resultater"}},
    };
    return rows;
}

const std::vector<CaptionRow>& CapturePageCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"TimeTabStrip", 1, {"&Times", "&Tider"}},
        {"TimeTabStrip", 2, {"&List", "&Liste"}},
        {"TimeListTabStrip", 1, {"&List", "&Liste"}},
        {"TimeListTabStrip", 2, {"&Details", "&Detaljer"}},
        {"TimeLabel_0",
         0,
         {"Out  In     Startnumber  Competitorname                              Used               "
          "   Set        Delete             Registered time",
          "Ut   Inn    Startnummer  Deltakernavn                                Brukt              "
          "   Sett       Slett              Registrert tid "}},
        {"TimeLabel_1", 0, {"&Timenumber", "&Tidnummer"}},
        {"TimeLabel_2", 0, {"&Identification", "&Identifikation"}},
        {"TimeLabel_3", 0, {"&Captured time", "&Fanget tid"}},
        {"TimeLabel_4", 0, {"&Belongs to ", "&Tilhører"}},
        {"TimeLabel_5", 0, {"&Kind of", "&Type tid"}},
        {"TimeLabel_6", 0, {"&Competitor", "&Deltaker"}},
        {"TimeLabel_7", 0, {"&Information", "&Informasjon"}},
        {"TimeData", 0, {"         Captured times", "         Fangede tider "}},
        {"CaptureNewCompetitor", 0, {"New competitor", "Ny deltaker"}},
    };
    return rows;
}

// The competitors, clubs, classes, setup and results pages, in that order.
const std::vector<CaptionRow>& RegisterAndSetupPageCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"NameTabStrip", 1, {"&Primary", "&Primær"}},
        {"NameTabStrip", 2, {"&Secondary", "&Secundær"}},
        {"NameLabel_0", 0, {"&Competitornumber", "&Deltakernummer"}},
        {"NameLabel_1", 0, {"&Home", "&Hjemme"}},
        {"NameLabel_2", 0, {"&Mainname", "&Fornavn"}},
        {"NameLabel_3", 0, {"&Secondname", "&Etternavn"}},
        {"NameLabel_4", 0, {"&Club", "&Klubb"}},
        {"NameLabel_5", 0, {"&Class", "&Klasse"}},
        {"NameLabel_6", 0, {"&Adress", "&Adresse"}},
        {"NameLabel_7", 0, {"&Adress", "&Adresse"}},
        {"NameLabel_8", 0, {"&City", "&By"}},
        {"NameLabel_9", 0, {"&Born", "&Født"}},
        {"NameLabel_10", 0, {"&Age", "&Alder"}},
        {"NameLabel_11", 0, {"&State", "&Fylke"}},
        {"NameLabel_12", 0, {"&Country", "&Land"}},
        {"NameLabel_13", 0, {"&Code", "&Kode"}},
        {"NameLabel_14", 0, {"&Job", "&Jobb"}},
        {"NameLabel_20", 0, {"&Job", "&Jobb"}},
        {"NameLabel_15", 0, {"&Status", "&Status"}},
        {"NameLabel_16", 0, {"&Sex", "&Kjønn"}},
        {"NameLabel_17", 0, {"&Other", "&Annet"}},
        {"NameLabel_18", 0, {"&Phones", "&Telefoner"}},
        {"NameLabel_19", 0, {"&Move to", "&Flytt til"}},
        {"NameLabel_21", 0, {"&Fax", "&Fax"}},
        {"NameLabel_22", 0, {"&Mobil", "&Mobil"}},
        {"NameFrame_0", 0, {"&Payment", "&Betaling"}},
        {"NameFrame_1", 0, {"&Database", "&Database"}},
        {"NameData", 0, {"             Competitors", "             Deltakere  "}},
        {"NameButton", 0, {"&Confirm this", "&Bekreft denne"}},
        {"NameNew", 0, {"Add &new", "Legg til &ny"}},
        {"ClubTabStrip", 1, {"&Primary", "&Primær"}},
        {"ClubTabStrip", 2, {"&Secondary", "&Secundær"}},
        {"ClubLabel_0", 0, {"&Clubnumber", "&Klubbnummer"}},
        {"ClubLabel_1", 0, {"&Move to", "&Flytt til"}},
        {"ClubLabel_2", 0, {"&Clubname", "&Klubbnavn"}},
        {"ClubLabel_3", 0, {"&School", "&Skole"}},
        {"ClubLabel_4", 0, {"&Leader", "&Leder"}},
        {"ClubLabel_5", 0, {"&Coach", "&Trener"}},
        {"ClubLabel_6", 0, {"&Adress", "&Adresse"}},
        {"ClubLabel_7", 0, {"&Adress", "&Adresse"}},
        {"ClubLabel_8", 0, {"&City", "&By"}},
        {"ClubLabel_9", 0, {"&State", "&Fylke"}},
        {"ClubLabel_10", 0, {"&Country", "&Land"}},
        {"ClubLabel_11", 0, {"&Code", "&Kode"}},
        {"ClubLabel_12", 0, {"&Other", "&Annet"}},
        {"ClubLabel_13", 0, {"&Phones leader", "&telefoner leder"}},
        {"ClubLabel_14", 0, {"&Home", "&Hjemme"}},
        {"ClubLabel_15", 0, {"&Job", "&Jobb"}},
        {"ClubLabel_16", 0, {"&Fax", "&Fax"}},
        {"ClubLabel_17", 0, {"&Mobil", "&Mobil"}},
        {"ClubData", 0, {"                Clubs  ", "                Klubber "}},
        {"ClubButton", 0, {"&Confirm this", "&Bekreft denne"}},
        {"ClubNew", 0, {"Add &new", "Legg til &ny"}},
        {"ClassTabStrip", 1, {"&List", "&Liste"}},
        {"ClassTabStrip", 2, {"&Details", "&Detaljer"}},
        {"ClassLabel_0", 0, {"&Identification", "&Identifikasjon"}},
        {"ClassLabel_1", 0, {"&Classnumber", "&Klassenummer"}},
        {"ClassLabel_2", 0, {"&Move to", "&Flytt til"}},
        {"ClassLabel_3", 0, {"&Spesification", "&Spesifikasjon"}},
        {"ClassLabel_4", 0, {"&Classname", "&Klassenavn"}},
        {"ClassData", 0, {"              Classes", "              Klasser"}},
        {"ClassButton", 0, {"&Confirm this", "&Bekreft denne"}},
        {"ClassNew", 0, {"Add &new", "Legg til &ny"}},
        {"SetupTabStrip", 1, {"&Lines", "&Linjer"}},
        {"SetupTabStrip", 2, {"&Interval", "&Intervall"}},
        {"SetupTabStrip", 3, {"&Database", "&Database"}},
        {"SetupTabStrip", 4, {"&Other", "&Annet"}},
        {"SetupTimeOption_0", 0, {"&Hour, minute and seconds", "&Timer, minutt og sekunder"}},
        {"SetupTimeOption_1",
         0,
         {"&Minute, second and hundreds", "&Minutt, sekund og hundredeler"}},
        {"SetupTimeOption_2", 0, {"&Second and hundreds", "&Sekund og hundredeler"}},
        {"SetupTimeOption_3",
         0,
         {"&Hour, minute, seconds and hundreds", "&Timer, minutt, sekund og hundredeler"}},
        {"SetupFrame_0", 0, {"&Size", "&Størrelse"}},
        {"SetupFrame_1", 0, {"&Other", "&Annet"}},
        {"SetupFrame_4", 0, {"&Other", "&Annet"}},
        {"SetupFrame_2", 0, {"&Type", "&Type"}},
        {"SetupFrame_3", 0, {"&Interval", "&Intervall"}},
        {"SetupFrame_5", 0, {"&Time", "&Tid"}},
        {"SetupFrame_6", 0, {"&Set lines", "&Sett linjer"}},
        {"SetupFrame_7", 0, {"&I/O adapter", "&I/O adapter"}},
        {"SetupFrame_8", 0, {"&Register times when", "&Registrer tid når"}},
        {"SetupFrame_9", 0, {"&Database", "&Database"}},
        {"SetupFrame_10", 0, {"&Language", "&Språk"}},
        {"SetupFrame_11", 0, {"&Editor", "&Tekstbehandler"}},
        {"SetupSignalOption_0", 0, {"&Signal go high", "&Signal går høy"}},
        {"SetupSignalOption_1", 0, {"&Signal go low", "&Signal går lav"}},
        {"SetupCheck_1",
         0,
         {"&Insert fictive names when creating database",
          "&Legg inn fiktive navn når databasen lages"}},
        {"SetupCheck_2", 0, {"&Start at same time", "&Start til samme tid"}},
        {"SetupCheck_3", 0, {"&Activate automatic timecapture", "&Aktiver automatisk tidtaking"}},
        {"SetupCheck_4",
         0,
         {"&Remove from list, when time is set", "&Fjern fra liste, når tid settes"}},
        {"SetupCheck_5",
         0,
         {"&Add differences to vinner in lists", "&Legg til differanser fra vinner i listene"}},
        {"SetupCheck_6",
         0,
         {"&No place for disqualified and canceled in results",
          "&Ingen plass for disket og brutt i resultatene"}},
        {"SetupOption_0", 0, {"&16 Bits Windows 3.1", "&16 Bits Windows 3.1"}},
        {"SetupOption_1", 0, {"&32 Bits Windows 98 ", "&32 Bits Windows 98 "}},
        {"SetupLabel_0", 0, {"&Number of competitors", "&Antall deltakere"}},
        {"SetupLabel_1", 0, {"&Number of clubs", "&Antall klubber"}},
        {"SetupLabel_2", 0, {"&Number of classes", "&Antall klasser"}},
        {"SetupLabel_3",
         0,
         {"&Checks the adapters I/O ports                            pr.  second",
          "&Kontrollerer adapterets porter                           pr.  sekund"}},
        {"SetupLabel_4",
         0,
         {"&Insignals     [ Interval in ms ]", "&Innsignaler   [ Intervall i ms ]"}},
        {"SetupLabel_5",
         0,
         {"&Delay         [ Interval in ms ]", "&Forsinkelse   [ Intervall i ms ]"}},
        {"SetupLabel_6", 0, {"&Number of registered times", "&Antall registrerte tider  "}},
        {"SetupLabel_7", 0, {"&Number of set times", "&Antall satte tider "}},
        {"SetupLabel_8", 0, {"&Number of times in timerecord", "&Antall tider i tidregister   "}},
        {"SetupLabel_9", 0, {"&Explorer path", "&Explorer sti "}},
        {"SetupLabel_12", 0, {"&Controlvalues", "&Kontrollverdier"}},
        {"SetupChannelCheck_0",
         0,
         {"&Line 1    [F2]        Pin 1 og 2    ", "&Linje 1   [F2]        Pin 1 og 2    "}},
        {"SetupChannelCheck_1",
         0,
         {"&Line 2    [F3]        Pin 1 og 3    ", "&Linje 2   [F3]        Pin 1 og 3    "}},
        {"SetupChannelCheck_2",
         0,
         {"&Line 3    [F4]        Pin 1 og 4    ", "&Linje 3   [F4]        Pin 1 og 4    "}},
        {"SetupChannelCheck_3",
         0,
         {"&Line 4    [F5]        Pin 1 og 5    ", "&Linje 4   [F5]        Pin 1 og 5    "}},
        {"SetupChannelCheck_4",
         0,
         {"&Line 5    [F6]        Pin 1 og 6    ", "&Linje 5   [F6]        Pin 1 og 6    "}},
        {"SetupChannelCheck_5",
         0,
         {"&Line 6    [F7]        Pin 1 og 7    ", "&Linje 6   [F7]        Pin 1 og 7    "}},
        {"SetupLanguageOption_0", 0, {"&Norwegian", "&Norsk"}},
        {"SetupLanguageOption_1", 0, {"&English", "&Engelsk"}},
        {"SetupLanguageOption_2", 0, {"&German", "&Tysk"}},
        {"SetupLanguageOption_3", 0, {"&Spanish", "&Spansk"}},
        {"SetupLanguageOption_4", 0, {"&French", "&Fransk"}},
        {"SetupLanguageOption_5", 0, {"&Italiano", "&Italiensk"}},
        {"SetupEditorOption_0", 0, {"&Notepad", "&Notepad"}},
        {"SetupEditorOption_1", 0, {"&Wordpad", "&Wordpad"}},
        {"SetupEditorOption_2", 0, {"&Word", "&Word"}},
        {"SetupEditorOption_3", 0, {"&Other", "&Annet"}},
        {"SetupLiveFrame", 0, {"&Live results", "&Direkte resultater"}},
        {"SetupLiveCheck",
         0,
         {"&Serve live results on the local network", "&Vis resultatene direkte på lokalnettet"}},
        {"SetupLivePortLabel", 0, {"&Port", "&Port"}},
        {"SetupWebFrame", 0, {"Pages for the &web", "Sider for &nettet"}},
        {"SetupWebCheck",
         0,
         {"&Write pages for the web at every change (folder \"web\" of the meet)",
          "&Lag sider for nettet ved hver endring (mappen \"web\" i stevnet)"}},
        {"SetupUtf8Check",
         0,
         {"Text results list in &UTF-8 (otherwise Windows-1252)",
          "Resultatliste som tekst i &UTF-8 (ellers Windows-1252)"}},
        {"SetupPublishCheck", 0, {"P&ublish the pages", "P&ubliser sidene"}},
        {"SetupPublishTargetLabel",
         0,
         {"&Target: sftp://host/folder, ftps://host/folder, or host:folder (rsync over SSH)",
          "&Mål: sftp://vert/mappe, ftps://vert/mappe, eller vert:mappe (rsync over SSH)"}},
        {"SetupPublishUserLabel", 0, {"U&ser", "B&ruker"}},
        {"SetupPublishKeyLabel", 0, {"&Key file", "&Nøkkelfil"}},
        {"SetupPublishPasswordLabel", 0, {"Pass&word (SFTP, FTPS)", "Pass&ord (SFTP, FTPS)"}},
        {"SetupPublishCommandLabel",
         0,
         {"&Command after each publish", "&Kommando etter hver publisering"}},
        {"ResultsTabStrip", 1, {"&List", "&Liste"}},
        {"ResultsTabStrip", 2, {"&Details", "&Detaljer"}},
        {"ResultsLabel_0", 0, {"&Move to", "&Flytt til"}},
        {"ResultsLabel_1", 0, {"&Resultnumber", "&Resultatnummer"}},
        {"ResultsLabel_2", 0, {"&Show me the class", "&Vis meg for klasse"}},
        {"ResultsLabel_3", 0, {"&Number", "&Nummer"}},
        {"ResultsLabel_4", 0, {"&Competitor", "&Deltaker"}},
        {"ResultsLabel_5", 0, {"&Club", "&Klubb"}},
        {"ResultsLabel_6", 0, {"&Result", "&Resultat"}},
        {"ResultsLabel_7", 0, {"&Place", "&Plass"}},
        {"ResultsLabel_8", 0, {"&Difference", "&Differanse"}},
        {"ResultsFrame", 0, {"&Database", "&Database"}},
        {"ResultsData", 0, {"              Results ", "              Resultat "}},
    };
    return rows;
}

Bilingual NoDatabaseTitle() {
    return {"[KVT] Kvarne Time Capture System [ No database open ]",
            "[KVT] Kvarne Tidtaking System [ Ingen database åpenet ]"};
}

Bilingual LineButtonWord() {
    return {"&Line", "&Linje"};
}

Bilingual SettingsUnreadableText() {
    return {"The user settings (User.ini) could not be read; the defaults apply.",
            "Brukerinnstillingene (User.ini) kunne ikke leses; standardverdiene gjelder."};
}

Bilingual SettingsUnsavedText() {
    return {"The user settings (User.ini) could not be saved.",
            "Brukerinnstillingene (User.ini) kunne ikke lagres."};
}

Bilingual CannotMakeDatabaseText() {
    return {"The meet database could not be made: ", "Stevnedatabasen kunne ikke lages: "};
}

Bilingual NotAMeetDatabaseText() {
    return {"This file cannot be opened as a meet database: ",
            "Filen kan ikke åpnes som stevnedatabase: "};
}

Bilingual CountsBeyondBoundsText() {
    return {
        "The meet database holds more competitors, clubs or classes than the program can "
        "keep (3000 competitors, 50 clubs, 50 classes), so it is not opened.",
        "Stevnedatabasen har flere deltakere, klubber eller klasser enn programmet kan "
        "holde (3000 deltakere, 50 klubber, 50 klasser), så den åpnes ikke."};
}

Bilingual CannotSaveText() {
    return {"The change could not be stored: ", "Endringen kunne ikke lagres: "};
}

Bilingual TimeNotStoredText() {
    return {"Could not store the time ", "Kunne ikke lagre tida "};
}

Bilingual TimeKeptText() {
    return {" It is kept in the list and stored as soon as the database can be written.",
            " Den er tatt vare på i lista og lagres så snart databasen kan skrives."};
}

Bilingual AdapterCloseText() {
    return {"Error trying to close the I/O adapter: ", "Feil under lukking av I/O adapteret: "};
}

Bilingual CannotStartText() {
    return {"This program could not be started: ", "Dette programmet kunne ikke startes: "};
}

Bilingual CopyFailedText() {
    return {"The database could not be copied: ", "Databasen kunne ikke kopieres: "};
}

Bilingual CompressFailedText() {
    return {"The database could not be compressed; it is unchanged: ",
            "Databasen kunne ikke komprimeres; den er uendret: "};
}

Bilingual RepairedText() {
    return {
        "The database was damaged and has been rebuilt from what could be read. Records "
        "kept / the damaged file: ",
        "Databasen var skadet og er bygd opp igjen av det som kunne leses. Poster tatt "
        "vare på / den skadde fila: "};
}

Bilingual RepairFailedText() {
    return {"The database could not be repaired: ", "Databasen kunne ikke repareres: "};
}

Bilingual NoSuchFileText() {
    return {"the file does not exist", "filen finnes ikke"};
}

Bilingual ReadOnlyFileText() {
    return {"the file is read-only", "filen er skrivebeskyttet"};
}

Bilingual DamagedFileText() {
    return {"the file is damaged; Repair can rebuild it",
            "filen er skadet; Reparer kan bygge den opp igjen"};
}

Bilingual MissingTableText() {
    return {"the table is missing: ", "tabellen mangler: "};
}

Bilingual NoRecordText() {
    return {"the table holds no record: ", "tabellen har ingen post: "};
}

Bilingual MissingFieldText() {
    return {"the field is missing: ", "feltet mangler: "};
}

Bilingual InTableText() {
    return {" in ", " i "};
}

Bilingual NothingReadableText() {
    return {"no record could be read", "ingen post kunne leses"};
}

Bilingual NoMeetFolderText() {
    return {"no meet folder can be named for ", "ingen stevnemappe kan lages for "};
}

Bilingual NoMeetOpenText() {
    return {"no meet database is open", "ingen stevnedatabase er åpen"};
}

Bilingual HelpFileMissingText() {
    return {"The help file cannot be read: ", "Hjelpefilen kan ikke leses: "};
}

Bilingual UserLanguageBoxText() {
    return {"The language of the program", "Programmets språk"};
}

Bilingual MeetLanguageBoxText() {
    return {"The language the open meet database was made under",
            "Språket den åpne stevnedatabasen ble laget under"};
}

}  // namespace kvt::lang
