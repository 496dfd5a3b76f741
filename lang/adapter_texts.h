// Texts of the program's own about the adapter's device and wiring, the race clock and the
// "Test lines" view, in both languages.
#pragma once

#include <string>
#include <vector>

#include "base/clock.h"
#include "lang/language_texts.h"

namespace kvt::lang {

// The captions of the setup page's device controls, by control name.
const std::vector<CaptionRow>& AdapterPageCaptions();
// The settings were written to the file (its path follows).
Bilingual AdapterSettingsUsedText();
// The settings could not be written; the reason follows.
Bilingual AdapterSettingsNotWrittenText();
// The settings file was refused unread (no regular file, too large); the file and the reason
// follow.
Bilingual AdapterSettingsRefusedText();
// A setting of the page that is none of its choices; the setting follows.
Bilingual AdapterSettingInvalidText();
// The device could not be opened for the test; the reason follows.
Bilingual LineTestFailedText();
// "Race clock: anchored at 09.05.03.078, system clock +0.4 ms from it".
std::string ClockAnchorText(Language language, const base::LocalTime& anchor, double drift);
// One line of the "Test lines" view: its level and its last edge.
std::string LineTestText(Language language, int line, int level, bool active, long edges,
                         bool hasEdge, const base::LocalTime& lastEdge, int lastLevel);

}  // namespace kvt::lang
