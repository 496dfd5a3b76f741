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
