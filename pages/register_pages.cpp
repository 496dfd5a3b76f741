#include "pages/register_pages.h"

#include <cmath>

#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

// A cache index from a number box; -1 when the number does not fit the cache.
int cacheIndex(const ui::TextBox& box, int bound) {
    double value = ui::TextToNumber(box.text());
    return value >= 0 && value <= bound ? static_cast<int>(value) : -1;
}

void moveTo(ui::Program& program, ui::DataControl& data, const ui::TextBox& mover, int limit) {
    double n = ui::TextToNumber(mover.text());
    if (!(n > 0 && n <= limit)) return;
    try {
        data.moveTo(1 + static_cast<int>(std::nearbyint(n - 1)));
    } catch (const std::exception& failure) {
        program.info(std::string(lang::CannotSaveText().in(program.language)) + failure.what());
    }
}

void confirm(ui::Program& program, ui::DataControl& data) {
    try {
        data.saveRecord();
    } catch (const std::exception& failure) {
        program.info(std::string(lang::CannotSaveText().in(program.language)) + failure.what());
    }
}

void fillList(ui::ComboBox& list, const std::vector<std::string>& names, int count) {
    std::string shown = list.text();
    list.clear();
    for (int i = 1; i <= count && i < static_cast<int>(names.size()); ++i) list.addItem(names[i]);
    list.setText(shown);
}

}  // namespace

void ConnectRegisterPages(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;

    main.NameMover.Change = [&p] { moveTo(p, p.Main.NameData, p.Main.NameMover, p.HighestNumber); };
    main.ClubMover.Change = [&p] { moveTo(p, p.Main.ClubData, p.Main.ClubMover, p.ClubCount); };
    main.ClassMover.Change = [&p] { moveTo(p, p.Main.ClassData, p.Main.ClassMover, p.ClassCount); };

    main.NameButton.Click = [&p] { confirm(p, p.Main.NameData); };
    main.ClubButton.Click = [&p] { confirm(p, p.Main.ClubData); };
    main.ClassButton.Click = [&p] { confirm(p, p.Main.ClassData); };

    main.NameData.Validate = [&p](bool&) {
        const auto& m = p.Main;
        int n = cacheIndex(m.NameIndex, ui::MaxStartNumber);
        if (n < 0) return;
        p.CompetitorNames[n] = m.NameText[0].text() + ", " + m.NameText[1].text();
        p.CompetitorClubs[n] = m.NameCombo[0].text();
        p.CompetitorClasses[n] = m.NameCombo[1].text();
        try {
            p.PaymentByNumber[n] = ui::TextToInt16(m.NameText[16].text());
        } catch (const ui::OverflowError&) {
            p.PaymentByNumber[n] = 1;
        }
    };
    main.ClubData.Validate = [&p](bool&) {
        int m = cacheIndex(p.Main.ClubIndex, ui::MaxClubOrClass);
        if (m >= 0) p.ClubNames[m] = p.Main.ClubText[0].text();
    };
    main.ClassData.Validate = [&p](bool&) {
        int m = cacheIndex(p.Main.ClassIndex, ui::MaxClubOrClass);
        if (m >= 0) p.ClassNames[m] = p.Main.ClassText[1].text();
    };

    main.NameCombo[0].DropDown = [&p] { fillList(p.Main.NameCombo[0], p.ClubNames, p.ClubCount); };
    main.NameCombo[1].DropDown = [&p] {
        fillList(p.Main.NameCombo[1], p.ClassNames, p.ClassCount);
    };

    for (int k = 0; k < 4; ++k)
        main.NameOption[k].Click = [&main, k] {
            main.NameText[16].setText(ui::NumberToText(k + 1));
        };
    main.NameText[16].Change = [&main] {
        double value = ui::TextToNumber(main.NameText[16].text());
        for (int v = 1; v <= 4; ++v)
            if (value == v) main.NameOption[v - 1].select();
    };
}

}  // namespace kvt::pages
