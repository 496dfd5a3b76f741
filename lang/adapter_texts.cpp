#include "lang/adapter_texts.h"

#include <cstdio>

namespace kvt::lang {

namespace {
bool english(Language language) {
    return language == Language::English;
}

std::string clockText(const base::LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d.%03d", t.hour % 100, t.minute % 100,
                  t.second % 100, t.millisecond % 1000);
    return text;
}
}  // namespace

const std::vector<CaptionRow>& AdapterPageCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"SetupDeviceFrame", 0, {"&Device and wiring", "&Enhet og kobling"}},
        {"SetupDeviceLabel", 0, {"Device", "Enhet"}},
        {"SetupDevicePathLabel",
         0,
         {"Chip, port or input device", "Brikke, port eller inndataenhet"}},
        {"SetupOutputsLabel", 0, {"Output lines", "Utgangslinjer"}},
        {"SetupLineHeading",
         0,
         {"Source, bias and active level of each line",
          "Kilde, forspenning og aktivt nivå for hver linje"}},
        {"SetupLineLabel_0", 0, {"Line 1", "Linje 1"}},
        {"SetupLineLabel_1", 0, {"Line 2", "Linje 2"}},
        {"SetupLineLabel_2", 0, {"Line 3", "Linje 3"}},
        {"SetupLineLabel_3", 0, {"Line 4", "Linje 4"}},
        {"SetupLineLabel_4", 0, {"Line 5", "Linje 5"}},
        {"SetupLineLabel_5", 0, {"Line 6", "Linje 6"}},
        {"SetupAdapterUseButton", 0, {"&Use these settings", "&Bruk disse innstillingene"}},
        {"SetupTestLinesCheck", 0, {"Test lines", "Test linjene"}},
        {"TestLinesFrame", 0, {"Test lines", "Test linjene"}},
        {"SetupTimerFrame", 0, {"Timer on a serial line", "Tidtakerur på seriell linje"}},
        {"SetupTimerKindLabel", 0, {"Timer", "Tidtakerur"}},
        {"SetupTimerRateLabel", 0, {"Rate (baud)", "Hastighet (baud)"}},
        {"SetupTimerHandshakeLabel", 0, {"Handshake", "Flytkontroll"}},
        {"SetupTimerMemoryLabel",
         0,
         {"Memory command (- for none)", "Minnekommando (- for ingen)"}},
        {"SetupTimerMemoryButton",
         0,
         {"Ask the timer for its &memory", "Hent tidene i urets &minne"}},
        {"SetupFullPrecisionCheck",
         0,
         {"Race times at the timer's full precision, cut to 1/100 at the end",
          "Løpstider med urets fulle presisjon, kuttet til 1/100 til slutt"}},
        {"SetupGiveNumberedCheck",
         0,
         {"Give times that carry a start number at once",
          "Gi tider som har startnummer med en gang"}},
        {"TestTimerHeading",
         0,
         {"The timer's records as they arrive, and what was read from them:",
          "Urets poster slik de kommer, og hva som ble lest av dem:"}},
        {"TimeTimerMemoryButton", 0, {"Timer's memory", "Urets minne"}},
    };
    return rows;
}

Bilingual AdapterSettingsUsedText() {
    return {"The device settings are used and kept in ",
            "Enhetsinnstillingene brukes og er lagret i "};
}

Bilingual AdapterSettingsNotWrittenText() {
    return {"The device settings could not be kept: ", "Enhetsinnstillingene kunne ikke lagres: "};
}

Bilingual AdapterSettingsRefusedText() {
    return {"The device settings were not read, the defaults apply: ",
            "Enhetsinnstillingene ble ikke lest, standardverdiene gjelder: "};
}

Bilingual AdapterSettingInvalidText() {
    return {"Not a choice of this setting: ", "Ikke et valg for denne innstillingen: "};
}

Bilingual LineTestFailedText() {
    return {"The lines cannot be tested: ", "Linjene kan ikke testes: "};
}

std::string ClockAnchorText(Language language, const base::LocalTime& anchor, double drift) {
    char driftText[32];
    std::snprintf(driftText, sizeof driftText, "%+.1f ms", drift);
    if (english(language))
        return "Race clock anchored at " + clockText(anchor) + "; the system clock is " +
               driftText + " from it";
    return "Løpsklokka forankret kl. " + clockText(anchor) + "; systemklokka er " + driftText +
           " fra den";
}

std::string LineTestText(Language language, int line, int level, bool active, long edges,
                         bool hasEdge, const base::LocalTime& lastEdge, int lastLevel) {
    const bool en = english(language);
    std::string text = (en ? "Line " : "Linje ") + std::to_string(line) + ": ";
    if (level < 0) return text + (en ? "not wired" : "ikke koblet");
    text += level ? (en ? "high" : "høy") : (en ? "low" : "lav");
    if (active) text += en ? " (active)" : " (aktiv)";
    text += ", " + std::to_string(edges) + (en ? " edges" : " flanker");
    if (hasEdge)
        text +=
            (en ? ", last " : ", siste ") +
            std::string(lastLevel ? (en ? "rising" : "stigende") : (en ? "falling" : "fallende")) +
            (en ? " at " : " kl. ") + clockText(lastEdge);
    return text;
}

}  // namespace kvt::lang
