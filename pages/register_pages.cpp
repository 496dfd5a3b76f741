#include "pages/register_pages.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "lang/entry_texts.h"
#include "lang/meet_texts.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

using meet::Register;

// What the operator changed in the record shown, by field position.
std::vector<std::pair<int, std::string>> editsOf(const ui::DataControl& data) {
    std::vector<std::pair<int, std::string>> fields;
    const auto& names = data.fieldNames();
    for (const auto& [name, value] : data.editedFields()) {
        auto found = std::find(names.begin(), names.end(), name);
        if (found != names.end())
            fields.emplace_back(static_cast<int>(found - names.begin()), value.value_or(""));
    }
    return fields;
}

// The record shown, as the operator changed it, stored by the meet as one action (together
// with an earlier edit of it that still waits). False when it could not be stored: the page
// keeps what was typed and says so, and the meet tries it again.
// What the meet says of an edit (another station changed the record a moment before).
void tellNotices(ui::Program& program, const meet::Outcome& outcome) {
    for (const auto& notice : outcome.notices)
        program.dialogs().notify(notice, program.LanguageTexts[lang::entry::Info]);
}

bool storeShownRecord(ui::Program& program, Register which) {
    auto& data = RegisterBinding(program, which);
    if (!program.meet || !data.isOpen() || data.position() < 1) return true;
    auto fields = editsOf(data);
    // A field of an edit that waits and shows its stored value again was changed back.
    for (const auto& [field, waiting] : program.meet->unstoredEdit(which, data.position())) {
        const bool shown = std::any_of(fields.begin(), fields.end(),
                                       [field = field](const auto& f) { return f.first == field; });
        if (!shown && field < static_cast<int>(data.fieldNames().size()))
            fields.emplace_back(field, data.field(data.fieldNames()[field]).value_or(""));
    }
    if (fields.empty()) return true;
    auto outcome = program.meet->editRecord(which, data.position(), fields);
    ShowStoredRecords(program, outcome);
    if (which == Register::Competitors) ShowCompetitorWarning(program);
    tellNotices(program, outcome);
    program.tellIfNotStored(outcome);
    return outcome.stored;
}

void moveTo(ui::Program& program, Register which, const ui::TextBox& mover, int limit) {
    double n = base::TextToNumber(mover.text());
    if (!(n > 0 && n <= limit)) return;
    // Validate stores the record left; one that cannot be stored keeps the page on it.
    RegisterBinding(program, which).moveTo(1 + static_cast<int>(std::nearbyint(n - 1)));
}

// The fields of the record shown that wait to be stored, shown as the operator left them.
void showUnstoredEdit(ui::Program& program, Register which) {
    auto& data = RegisterBinding(program, which);
    if (!program.meet || !data.isOpen() || data.position() < 1) return;
    for (const auto& [field, value] : program.meet->unstoredEdit(which, data.position()))
        if (field < static_cast<int>(data.fieldNames().size()))
            data.showField(data.fieldNames()[field], value);
}

// A cell of the class grid: the record's field, stored by the meet. On the record the page
// shows, a cell that cannot be stored shows in its box as typed.
void editCell(ui::Program& program, int position, int column, const std::string& text) {
    if (!program.meet) return;
    auto outcome = program.meet->editRecord(Register::Classes, position, {{column, text}});
    ShowStoredRecords(program, outcome);
    tellNotices(program, outcome);
    if (!outcome.stored && position == program.Main.ClassData.position())
        showUnstoredEdit(program, Register::Classes);
    program.tellIfNotStored(outcome);
}

void fillList(ui::ComboBox& list, ui::Program& program, bool clubs) {
    std::string shown = list.text();
    list.clear();
    if (program.meet) {
        const auto& meet = *program.meet;
        const int count = clubs ? meet.clubCount() : meet.classCount();
        for (int i = 1; i <= count; ++i)
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

ui::DataControl& RegisterBinding(ui::Program& program, meet::Register which) {
    switch (which) {
        case meet::Register::Clubs:
            return program.Main.ClubData;
        case meet::Register::Classes:
            return program.Main.ClassData;
        case meet::Register::Competitors:
            break;
    }
    return program.Main.NameData;
}

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
    if (program.meet && main.NameData.isOpen() && main.NameData.position() > 0 &&
        !program.meet->unstoredEdit(meet::Register::Competitors, main.NameData.position()).empty())
        warning = lang::RecordNotStoredText().in(program.language) +
                  (warning.empty() ? "" : "  " + warning);
    main.NameWarning.setCaption(warning);
}

void ShowStoredRecords(ui::Program& program, const meet::Outcome& outcome) {
    for (Register which : {Register::Competitors, Register::Clubs, Register::Classes}) {
        std::vector<int> positions;
        for (const auto& [written, position] : outcome.writtenRecords)
            if (written == which) positions.push_back(position);
        if (positions.empty()) continue;
        auto& data = RegisterBinding(program, which);
        // A record added after the last one: the binding reads the table's order again.
        if (*std::max_element(positions.begin(), positions.end()) > data.recordCount())
            data.recordsWritten();
        else
            data.recordsStored(positions);
    }
    if (!outcome.writtenRecords.empty()) ShowRegisterCounts(program);
    if (!outcome.writtenRecords.empty()) ShowCompetitorWarning(program);
    ShowUnstored(program);
}

void ShowUnstored(ui::Program& program) {
    if (!program.meet) return;
    const auto& meet = *program.meet;
    // Only after a failure: what merely waits for the next commit (a number typed on a line)
    // has not failed to be stored.
    const bool waiting = !meet.allStored() && !meet.lastFailure().empty();
    program.MDIMain.Status.setPanelText(
        1, waiting ? lang::UnstoredStatus(program.language, meet.unstoredTimes(),
                                          meet.unstoredEdits())
                   : "");
}

void ShowRegisterCounts(ui::Program& program) {
    if (!program.meet) return;
    auto& text = program.Main.SetupText;
    const auto& meet = *program.meet;
    text[ui::setup::CompetitorCountText].setText(std::to_string(meet.highestNumber()));
    text[ui::setup::ClubCountText].setText(std::to_string(meet.clubCount()));
    text[ui::setup::ClassCountText].setText(std::to_string(meet.classCount()));
}

void ShowAddedRecord(ui::Program& program, Register which, const meet::Outcome& outcome) {
    ShowStoredRecords(program, outcome);
    int added = 0;
    for (const auto& [written, position] : outcome.writtenRecords)
        if (written == which) added = position;
    if (outcome.acted && added > 0) RegisterBinding(program, which).moveTo(added);
}

namespace {

// "Add new" on a register page: the record shown is stored first (as when it is left; one
// that cannot be stored keeps the page on it), then one is added and shown.
void addRecord(ui::Program& program, Register which) {
    if (!program.meet || !storeShownRecord(program, which)) return;
    auto outcome = program.meet->addRecord(which);
    ShowAddedRecord(program, which, outcome);
    const std::string& title = program.LanguageTexts[lang::entry::Info];
    for (const auto& notice : outcome.notices) program.dialogs().notify(notice, title);
    program.tellIfNotStored(outcome);
}

}  // namespace

void ConnectRegisterPages(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;

    main.NameMover.Change = p.guarded([&p] {
        moveTo(p, Register::Competitors, p.Main.NameMover, limit(p, &meet::Meet::highestNumber));
    });
    main.ClubMover.Change = p.guarded(
        [&p] { moveTo(p, Register::Clubs, p.Main.ClubMover, limit(p, &meet::Meet::clubCount)); });
    main.ClassMover.Change = p.guarded([&p] {
        moveTo(p, Register::Classes, p.Main.ClassMover, limit(p, &meet::Meet::classCount));
    });

    // "Confirm this" raises Validate and stays on the record.
    main.NameButton.Click = p.guarded([&p] { p.Main.NameData.saveRecord(); });
    main.ClubButton.Click = p.guarded([&p] { p.Main.ClubData.saveRecord(); });
    main.ClassButton.Click = p.guarded([&p] { p.Main.ClassData.saveRecord(); });
    main.NameNew.Click = p.guarded([&p] { addRecord(p, Register::Competitors); });
    main.ClubNew.Click = p.guarded([&p] { addRecord(p, Register::Clubs); });
    main.ClassNew.Click = p.guarded([&p] { addRecord(p, Register::Classes); });

    // A record confirmed or left is stored by the meet; the meet's names, clubs and classes
    // follow it once it is stored. One that cannot be stored is not left.
    auto validate = [&p](Register which) {
        return [&p, which](bool& leave) {
            // An edit the meet refuses as none of its records is told, not kept.
            p.guard([&] { leave = storeShownRecord(p, which); });
        };
    };
    main.NameData.Validate = validate(Register::Competitors);
    main.ClubData.Validate = validate(Register::Clubs);
    main.ClassData.Validate = validate(Register::Classes);
    main.ClassDBGrid.Edit = [&p](int position, int column, const std::string& text) {
        p.guard([&] { editCell(p, position, column, text); });
    };
    // A record shown again with edits that wait shows them as typed; the warning follows the
    // record shown and what the operator types into it.
    main.NameData.Reposition = p.guarded([&p] {
        showUnstoredEdit(p, Register::Competitors);
        ShowCompetitorWarning(p);
    });
    main.ClubData.Reposition = p.guarded([&p] { showUnstoredEdit(p, Register::Clubs); });
    main.ClassData.Reposition = p.guarded([&p] { showUnstoredEdit(p, Register::Classes); });
    auto typed = [&p] {
        if (!p.Main.NameData.loading()) ShowCompetitorWarning(p);
    };
    main.NameIndex.Change = p.guarded(typed);
    main.NameCombo[0].Change = p.guarded(typed);
    main.NameCombo[1].Change = p.guarded(typed);

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
