#include "pages/register_pages.h"

#include <cmath>

#include "base/number_text.h"
#include "lang/entry_texts.h"
#include "lang/meet_texts.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

// A cache index from a number box; -1 when the number does not fit the cache.
int cacheIndex(const ui::TextBox& box, int bound) {
    double value = base::TextToNumber(box.text());
    return value >= 0 && value <= bound ? static_cast<int>(value) : -1;
}

// A record left on a page may let a finish that waited for its class be recorded.
void storeWaiting(ui::Program& program) {
    if (!program.meet) return;
    auto outcome = program.meet->store();
    program.tellIfNotStored(outcome);
}

void moveTo(ui::Program& program, ui::DataControl& data, const ui::TextBox& mover, int limit) {
    double n = base::TextToNumber(mover.text());
    if (!(n > 0 && n <= limit)) return;
    try {
        data.moveTo(1 + static_cast<int>(std::nearbyint(n - 1)));
    } catch (const std::exception& failure) {
        program.info(std::string(lang::CannotSaveText().in(program.language)) + failure.what());
    }
    storeWaiting(program);
}

void confirm(ui::Program& program, ui::DataControl& data) {
    try {
        data.saveRecord();
    } catch (const std::exception& failure) {
        program.info(std::string(lang::CannotSaveText().in(program.language)) + failure.what());
    }
    storeWaiting(program);
}

void fillList(ui::ComboBox& list, ui::Program& program, bool clubs) {
    std::string shown = list.text();
    list.clear();
    if (program.meet) {
        const auto& meet = *program.meet;
        const int count = clubs ? meet.clubCount() : meet.classCount();
        for (int i = 1; i <= count && i <= ui::MaxClubOrClass; ++i)
            list.addItem(clubs ? meet.clubName(i) : meet.className(i));
    }
    list.setText(shown);
}

int limit(const ui::Program& program, int (meet::Meet::*count)() const) {
    return program.meet ? ((*program.meet).*count)() : 0;
}

std::string trimmed(const std::string& value) {
    const auto begin = value.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
}

bool named(const std::string& value) {
    const std::string text = trimmed(value);
    return !text.empty() && text != "-";
}

}  // namespace

void ShowCompetitorWarning(ui::Program& program) {
    auto& main = program.Main;
    std::string warning;
    auto add = [&](const std::string& text) { warning += (warning.empty() ? "" : "  ") + text; };
    if (program.meet && main.NameData.isOpen() && main.NameData.position() > 0) {
        const auto& meet = *program.meet;
        const double number = base::TextToNumber(main.NameIndex.text());
        if (number >= 1 && number <= ui::MaxStartNumber && number == static_cast<int>(number)) {
            const int n = static_cast<int>(number);
            for (int record : meet.recordsNumbered(n))
                if (record != main.NameData.position()) {
                    add(lang::DuplicateNumberWarning(program.language, n, record));
                    break;
                }
        }
        const std::string& club = main.NameCombo[0].text();
        if (named(club) && !meet.hasClub(club))
            add(lang::UnknownClubWarning(program.language, trimmed(club)));
        const std::string& className = main.NameCombo[1].text();
        if (named(className) && !meet.hasClass(className))
            add(lang::UnknownClassWarning(program.language, trimmed(className)));
    }
    main.NameWarning.setCaption(warning);
}

void ConnectRegisterPages(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;

    main.NameMover.Change = p.guarded([&p] {
        moveTo(p, p.Main.NameData, p.Main.NameMover, limit(p, &meet::Meet::highestNumber));
    });
    main.ClubMover.Change = p.guarded(
        [&p] { moveTo(p, p.Main.ClubData, p.Main.ClubMover, limit(p, &meet::Meet::clubCount)); });
    main.ClassMover.Change = p.guarded([&p] {
        moveTo(p, p.Main.ClassData, p.Main.ClassMover, limit(p, &meet::Meet::classCount));
    });

    main.NameButton.Click = p.guarded([&p] { confirm(p, p.Main.NameData); });
    main.ClubButton.Click = p.guarded([&p] { confirm(p, p.Main.ClubData); });
    main.ClassButton.Click = p.guarded([&p] { confirm(p, p.Main.ClassData); });

    // The caches of the meet follow what was on the page when a record is left.
    main.NameData.Validate = [&p](bool&) {
        const auto& m = p.Main;
        int n = cacheIndex(m.NameIndex, ui::MaxStartNumber);
        if (n < 0 || !p.meet) return;
        int payment = 1;
        try {
            payment = base::TextToInt16(m.NameText[16].text());
        } catch (const base::OverflowError&) {
        }
        p.meet->updateCompetitor(m.NameData.position(), n, m.NameText[0].text(),
                                 m.NameText[1].text(), m.NameCombo[0].text(), m.NameCombo[1].text(),
                                 payment, m.NameCombo[2].text());
    };
    // The warning follows the record shown and what the operator types into it.
    main.NameData.Reposition = p.guarded([&p] { ShowCompetitorWarning(p); });
    auto typed = [&p] {
        if (!p.Main.NameData.loading()) ShowCompetitorWarning(p);
    };
    main.NameIndex.Change = p.guarded(typed);
    main.NameCombo[0].Change = p.guarded(typed);
    main.NameCombo[1].Change = p.guarded(typed);
    main.ClubData.Validate = [&p](bool&) {
        int m = cacheIndex(p.Main.ClubIndex, ui::MaxClubOrClass);
        if (m >= 0 && p.meet) p.meet->updateClub(m, p.Main.ClubText[0].text());
    };
    main.ClassData.Validate = [&p](bool&) {
        int m = cacheIndex(p.Main.ClassIndex, ui::MaxClubOrClass);
        if (m >= 0 && p.meet) p.meet->updateClass(m, p.Main.ClassText[1].text());
    };

    main.NameCombo[0].DropDown = p.guarded([&p] { fillList(p.Main.NameCombo[0], p, true); });
    main.NameCombo[1].DropDown = p.guarded([&p] { fillList(p.Main.NameCombo[1], p, false); });

    for (int k = 0; k < 4; ++k)
        main.NameOption[k].Click = [&main, k] {
            main.NameText[16].setText(base::NumberToText(k + 1));
        };
    main.NameText[16].Change = [&main] {
        double value = base::TextToNumber(main.NameText[16].text());
        for (int v = 1; v <= 4; ++v)
            if (value == v) main.NameOption[v - 1].select();
    };
}

}  // namespace kvt::pages
