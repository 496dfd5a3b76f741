// Texts of the program's own about the open meet: what could not be stored, what waits, what
// was kept. Each in both languages.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// The registered count cannot grow further; the time follows.
Bilingual TimeTableFullText();
// A finish whose class is none of the meet's; name, number and class text follow.
Bilingual NoClassForFinishText();
// An action whose writes could not be stored; the reason follows, then KeptText().
Bilingual NotStoredText();
Bilingual KeptText();
// The status bar while something is not stored, and when it is stored again.
std::string UnstoredStatus(Language language, int times);
// The same with register edits and settings that wait too.
std::string UnstoredStatus(Language language, int times, int edits);
// Under a register record whose edits wait to be stored.
Bilingual RecordNotStoredText();
Bilingual StoredAgainText();
// Close or Exit with times not stored: the question (Yes tries again, No writes the file).
std::string UnstoredAtCloseQuestion(Language language, int times, const std::string& reason,
                                    const std::string& recoveryFile);
std::string RecoveryWrittenText(Language language, const std::string& recoveryFile);
std::string RecoveryFailedText(Language language, const std::string& recoveryFile,
                               const std::string& reason);
// Why a file is not opened as a meet, when it is not even a database file.
Bilingual FolderChosenText();
Bilingual NotAFileText();
Bilingual FolderReadOnlyText();
Bilingual NotADatabaseText();
// The counts that size the registers, by name; a refusal of a count names it and its value.
Bilingual CompetitorCountName();
Bilingual ClubCountName();
Bilingual ClassCountName();
Bilingual BadCountText();
// The counts of times put right from the Time table when a meet opens: what was what.
Bilingual RegisteredCountName();
Bilingual FetchedCountName();
Bilingual TimeTableSizeName();
Bilingual LineCountName();  // the line's number follows
Bilingual CountsRepairedText();
// The meet is open in another program; who holds it follows.
Bilingual MeetHeldText();
Bilingual MeetHeldAfterText();
Bilingual CannotHoldText();

// A register that holds the most records it can: nothing is added to it.
std::string RegisterFullText(Language language, const std::string& table, int count);
// A start number asked for a competitor added: none (the text typed follows), or one that a
// record holds already.
std::string NoStartNumberText(Language language, const std::string& typed);
std::string StartNumberTakenText(Language language, int number, int record);
// The competitor added (a late entry), by start number and record.
std::string CompetitorAddedText(Language language, int number, int record);

// A failure no handler expected; the reason follows.
Bilingual UnexpectedFailureText();
// Captures of a line that were too many to keep while the window was held up.
std::string ChangesLostText(Language language, int line, long count);

}  // namespace kvt::lang
