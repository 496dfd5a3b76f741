// The two language tables: the program-wide text table, every caption and tool tip, in
// English and Norwegian side by side.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kvt::lang {

inline constexpr int LanguageTextCount = 201;
// LanguageTexts: entries 0 to 200; the language routines fill 1 to 9, 11 to 96, 100 to 109.
using TextTable = std::array<std::string, LanguageTextCount>;

// The entries of LanguageTexts that the program reads, by what they hold.
namespace entry {
inline constexpr int Place = 1, Number = 2, Competitor = 3, Club = 4, Result = 5;
inline constexpr int OpenTitle = 6, DemoMeet = 7, Title = 8, AdapterOpenFailed = 9;
inline constexpr int AdapterCloseFailed = 10, Info = 11, CompressTitle = 12, CopyTitle = 13;
inline constexpr int ClassesTable = 14, ClassIndexField = 15, ClassIdField = 16;
inline constexpr int ClassNameField = 17, ClassSpecificationField = 18;
inline constexpr int MakingClasses = 19, JuniorName = 20, JuniorId = 21, SeniorName = 22;
inline constexpr int SeniorId = 23, OverwriteClasses = 24, ClubsTable = 25, MakingClubs = 26;
inline constexpr int OverwriteClubs = 27, MakeNewTitle = 28, OverwriteDatabase = 29;
inline constexpr int CompetitorsTable = 30, MakingCompetitors = 31, OverwriteCompetitors = 32;
inline constexpr int TextListFile = 33, ResultsHeading = 34, ResultsTablePrefix = 35;
inline constexpr int TextListColumns = 36, HtmlListFile = 37, Difference = 38;
inline constexpr int TextListColumnsWithDifference = 39, HtmlFooter = 42, MakingResults = 43;
inline constexpr int OverwriteResults = 44, WorkTable = 45, MakingWork = 46, OverwriteWork = 47;
inline constexpr int SetupTable = 48, MakingSetup = 49, OverwriteSetup = 50, TimeTable = 51;
inline constexpr int MakingTime = 52, OverwriteTime = 53, TimeIndexField = 54, TimeIdField = 55;
inline constexpr int TimeTimeField = 56, TimeNumberField = 57, TimeKindField = 58;
inline constexpr int TimeCompetitorField = 59, TimeInfoField = 60, DeletingResults = 61;
inline constexpr int ResultsNotDeleted = 62, WorkNotDeleted = 63, TimeNotDeleted = 64;
inline constexpr int HelpFile = 65, FirstStatus = 66, Disqualified = 69, Canceled = 70;
inline constexpr int LastStatus = 71, FirstSex = 72, LastSex = 75, ReadingClasses = 76;
inline constexpr int ClassesInError = 77, ReadingClubs = 78, ClubsInError = 79;
inline constexpr int ReadingCompetitors = 80, CompetitorsInError = 81, ReadingTime = 82;
inline constexpr int TimeInError = 83, OutAll = 84, Out = 85, In = 86, Transmitted = 87;
inline constexpr int NoDatabaseTitle = 88, RepairTitle = 89, ResetTitle = 90, ResetFailed = 91;
inline constexpr int NoSuchList = 92, SortFailed = 93, AdapterHelpFile = 94;
inline constexpr int OverwriteControl = 95, OtherLanguage = 96, FirstAbout = 100;
inline constexpr int AboutTitle = 108, AboutButton = 109;
}  // namespace entry

// The option index of the language option buttons.
enum class Language { Norwegian = 0, English = 1 };

struct Bilingual {
    const char* english;
    const char* norwegian;
    const char* in(Language language) const {
        return language == Language::English ? english : norwegian;
    }
};

struct TextEntry {
    int number;
    Bilingual text;
};

// A caption of a control found by its registered name; tab > 0 names a tab of a tab strip.
struct CaptionRow {
    const char* control;
    int tab;
    Bilingual text;
};

struct ToolTipRow {
    int position;
    Bilingual text;
};

// Entries of LanguageTexts in ascending order.
const std::vector<TextEntry>& TextCatalogue();
// Menus of the frame window, in menu order.
const std::vector<CaptionRow>& MenuCaptions();
const std::vector<ToolTipRow>& ToolTips();
// The tabs of the main tab strip, then the captions of the six pages in page order.
const std::vector<CaptionRow>& MainTabCaptions();
const std::vector<CaptionRow>& CapturePageCaptions();
const std::vector<CaptionRow>& RegisterAndSetupPageCaptions();
// Both window titles while no database is open (not the same text as entry 88).
Bilingual NoDatabaseTitle();
// The word of the capture buttons, followed by the line number: "&Line 1".
Bilingual LineButtonWord();

// Texts of the program's own that the two tables do not hold.
Bilingual SettingsUnreadableText();
Bilingual SettingsUnsavedText();
Bilingual CannotMakeDatabaseText();
Bilingual NotAMeetDatabaseText();
Bilingual CountsBeyondBoundsText();
Bilingual CannotSaveText();
// "The time ... (id) could not be stored: ", the reason follows, then TimeKeptText().
Bilingual TimeNotStoredText();
Bilingual TimeKeptText();
// The poll could not read the adapter (the same words in both languages).
inline constexpr const char* AdapterLostText = "Feil, finner ikke I/O interfacet.";
Bilingual AdapterCloseText();
Bilingual CannotStartText();
Bilingual CopyFailedText();
Bilingual CompressFailedText();
Bilingual RepairedText();
Bilingual RepairFailedText();
// Why a file cannot be opened, reset or repaired (after the texts above).
Bilingual NoSuchFileText();
Bilingual ReadOnlyFileText();
Bilingual DamagedFileText();
// The table's name follows.
Bilingual MissingTableText();
Bilingual NoRecordText();
// The field's name follows, then InTableText() and the table's name.
Bilingual MissingFieldText();
Bilingual InTableText();
Bilingual NothingReadableText();
// The database's path follows.
Bilingual NoMeetFolderText();
Bilingual NoMeetOpenText();
// The help file's path follows.
Bilingual HelpFileMissingText();
// Tool tips of the two language boxes of the setup page.
Bilingual UserLanguageBoxText();
Bilingual MeetLanguageBoxText();

}  // namespace kvt::lang
