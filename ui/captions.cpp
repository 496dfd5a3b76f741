#include "ui/captions.h"

#include <stdexcept>

#include "lang/adapter_texts.h"
#include "lang/correction_texts.h"
#include "lang/run_texts.h"
#include "lang/systems_texts.h"
#include "lang/start_texts.h"
#include "ui/program.h"

namespace kvt::ui {

using lang::Bilingual;
using lang::CaptionRow;
using lang::Language;
using lang::TextEntry;
using lang::ToolTipRow;

namespace {

ui::Control* findControl(ui::Program& program, const std::string& name) {
    for (ui::ControlRegistry* registry : {&program.MDIMain.registry, &program.Main.registry}) {
        if (ui::Control* control = registry->find(name)) return control;
    }
    return nullptr;
}

void applyCaptions(ui::Program& program, const std::vector<CaptionRow>& rows, Language language) {
    for (const CaptionRow& row : rows) {
        ui::Control* control = findControl(program, row.control);
        if (row.tab > 0) {
            auto* strip = dynamic_cast<ui::TabStrip*>(control);
            if (!strip) throw std::logic_error(std::string("no tab strip ") + row.control);
            strip->setTabCaption(row.tab, row.text.in(language));
        } else {
            auto* captioned = dynamic_cast<ui::CaptionedControl*>(control);
            if (!captioned) throw std::logic_error(std::string("no caption on ") + row.control);
            captioned->setCaption(row.text.in(language));
        }
    }
}

// The bound text boxes whose field names are entries of LanguageTexts.
void rebindLocalisedFields(ui::Program& program) {
    auto& main = program.Main;
    const auto& texts = program.LanguageTexts;
    for (int i = 0; i < 6; ++i)
        main.TimeRegTime[i].setDataField(texts[lang::entry::TimeIdField + i]);
    main.ResultsIndex.setDataField(texts[lang::entry::Place]);
    namespace entry = lang::entry;
    static const int resultsFields[6] = {entry::Place, entry::Number, entry::Competitor,
                                         entry::Club,  entry::Result, entry::Difference};
    for (int i = 0; i < 6; ++i) main.ResultsText[i].setDataField(texts[resultsFields[i]]);
    main.ClassIndex.setDataField(texts[lang::entry::ClassIndexField]);
    for (int i = 0; i < 3; ++i)
        main.ClassText[i].setDataField(texts[lang::entry::ClassIdField + i]);
}

}  // namespace

void ApplyLanguage(ui::Program& program, Language language) {
    program.Race.showLanguage(language);
    auto& mdi = program.MDIMain;
    auto& main = program.Main;
    program.language = language;

    const char* title = lang::NoDatabaseTitle().in(language);
    mdi.Frame.setCaption(title);
    main.Window.setCaption(title);

    applyCaptions(program, lang::MenuCaptions(), language);
    for (const ToolTipRow& row : lang::ToolTips())
        main.MainToolbar.setToolTip(row.position, row.text.in(language));
    applyCaptions(program, lang::MainTabCaptions(), language);

    applyCaptions(program, lang::CapturePageCaptions(), language);
    for (int i = 0; i < ui::ChannelTotal; ++i)
        main.TimeButton[i].setCaption(lang::LineButtonWord().in(language) + std::string(" ") +
                                      std::to_string(i + 1));
    applyCaptions(program, lang::RegisterAndSetupPageCaptions(), language);
    applyCaptions(program, lang::AdapterPageCaptions(), language);
    applyCaptions(program, lang::CorrectionCaptions(), language);
    applyCaptions(program, lang::SystemsCaptions(), language);
    applyCaptions(program, lang::StartsPageCaptions(), language);
    applyCaptions(program, lang::RunCaptions(), language);

    for (const TextEntry& entry : lang::TextCatalogue())
        program.LanguageTexts[entry.number] = entry.text.in(language);

    rebindLocalisedFields(program);
    program.helpFile = program.locations.dataFolder + program.LanguageTexts[lang::entry::HelpFile];
}

void SetNorwegianTexts(ui::Program& program) {
    ApplyLanguage(program, Language::Norwegian);
}

void SetEnglishTexts(ui::Program& program) {
    ApplyLanguage(program, Language::English);
}

}  // namespace kvt::ui
