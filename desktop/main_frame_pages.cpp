// The layout of the six tab pages.
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "desktop/main_frame.h"

namespace kvt::desktop {

namespace {

QFont fixedFont() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QWidget* page(QLayout* layout) {
    auto* widget = new QWidget;
    widget->setLayout(layout);
    return widget;
}

QVBoxLayout* column() {
    auto* layout = new QVBoxLayout;
    layout->setSpacing(4);
    return layout;
}

QGridLayout* formGrid() {
    auto* layout = new QGridLayout;
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(6);
    return layout;
}

}  // namespace

QWidget* MainFrame::buildCapturePage() {
    auto& main = program_.Main;

    // The ten-row list of registered times, with the clock and the line buttons beside it.
    auto* rows = formGrid();
    QLabel* heading = label(main.TimeLabel[0]);
    heading->setFont(fixedFont());
    rows->addWidget(heading, 0, 0, 1, 11);
    for (int i = 0; i < ui::CaptureRows; ++i) {
        int r = i + 1, c = 0;
        rows->addWidget(lamp(main.Outled[i]), r, c++);
        rows->addWidget(lamp(main.Inled[i]), r, c++);
        QWidget* number = textBox(main.Number[i]);
        number->setFixedWidth(70);
        rows->addWidget(number, r, c++);
        rows->addWidget(upDown(main.UpDown[i]), r, c++);
        QLabel* name = label(main.TimeNames[i]);
        name->setMinimumWidth(260);
        rows->addWidget(name, r, c++);
        QLabel* running = label(main.Time[i]);
        running->setFont(fixedFont());
        running->setMinimumWidth(110);
        rows->addWidget(running, r, c++);
        rows->addWidget(lamp(main.ReadyLed[i]), r, c++);
        QWidget* set = button(main.Set[i]);
        set->setFixedWidth(44);
        rows->addWidget(set, r, c++);
        QWidget* remove = button(main.Delete[i]);
        remove->setFixedWidth(36);
        rows->addWidget(remove, r, c++);
        QWidget* registered = textBox(main.RegTime[i]);
        registered->setFont(fixedFont());
        registered->setFixedWidth(120);
        rows->addWidget(registered, r, c++);
        // Row index and lamp state are kept in hidden boxes bound to the Work record.
        QWidget* index = textBox(main.RegTimeIndex[i]);
        index->setFixedWidth(50);
        rows->addWidget(index, r, c++);
        textBox(main.Regtimeled[i])->setParent(hidden_);
    }
    rows->setColumnStretch(4, 1);
    rows->setRowStretch(ui::CaptureRows + 1, 1);

    auto* lines = column();
    QWidget* clock = textBox(main.ExactTime);
    QFont big = fixedFont();
    big.setPointSize(26);
    big.setBold(true);
    clock->setFont(big);
    static_cast<QLineEdit*>(clock)->setAlignment(Qt::AlignCenter);
    lines->addWidget(clock);
    // The run being timed, large and plain above the line buttons.
    QLabel* run = label(main.CaptureRun);
    QFont runFont = run->font();
    runFont.setPointSize(runFont.pointSize() + 6);
    runFont.setBold(true);
    run->setFont(runFont);
    lines->addWidget(run);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        auto* line = new QHBoxLayout;
        line->addWidget(lamp(main.ChannelLed[c]));
        QWidget* press = button(main.TimeButton[c]);
        press->setMinimumHeight(34);
        line->addWidget(press, 1);
        lines->addLayout(line);
    }
    lines->addSpacing(12);
    lines->addWidget(button(main.CaptureNewCompetitor));
    // A timer's link in words, and its memory asked for again with one click.
    QLabel* timerLink = label(main.TimeTimerLink);
    timerLink->setWordWrap(true);
    timerLink->setTextFormat(Qt::PlainText);
    timerLink->setMaximumWidth(260);
    lines->addWidget(timerLink);
    QWidget* memory = button(main.TimeTimerMemoryButton);
    memory->setFocusPolicy(Qt::NoFocus);  // the keys stay with the capture lines
    lines->addWidget(memory);
    lines->addStretch(1);

    auto* listAndLines = new QHBoxLayout;
    listAndLines->addLayout(rows, 1);
    listAndLines->addLayout(lines);
    // Below the list: who is on the course, the times that wait, and the statuses.
    auto* timesLayout = column();
    timesLayout->addLayout(listAndLines, 1);
    timesLayout->addWidget(raceBar());
    timesLayout->addWidget(statusBox(program_.Race.CaptureStatus));

    // The Time table: the grid and the details of the current row.
    auto* details = formGrid();
    formRow(details, 0, 0, main.TimeLabel[1], textBox(main.TimeRegTimeIndex));
    for (int i = 0; i < 6; ++i)
        formRow(details, i + 1, 0, main.TimeLabel[2 + i], textBox(main.TimeRegTime[i]));
    details->setRowStretch(7, 1);
    details->setColumnStretch(1, 1);
    auto* listLayout = column();
    listLayout->addWidget(tabbedPages(main.TimeListTabStrip, main.TimeListContainer,
                                      {grid(main.TimeDBGrid), page(details)}),
                          1);
    listLayout->addWidget(dataBar(main.TimeData));
    listLayout->addWidget(correctionBar(main.TimeCorrection, false));

    auto* layout = column();
    layout->addWidget(
        tabbedPages(main.TimeTabStrip, main.TimeContainer, {page(timesLayout), page(listLayout)}));
    QWidget* capture = page(layout);
    undoKeys(capture, main.TimeCorrection);
    return capture;
}

// The corrections of a page: on the capture page of the time chosen in the time log, on the
// results page of a competitor (with a time set by hand and its reason).
QWidget* MainFrame::correctionBar(ui::CorrectionBar& bar, bool competitor) {
    auto* layout = column();
    auto* acts = new QHBoxLayout;
    if (competitor) {
        acts->addWidget(label(bar.NumberLabel));
        QWidget* number = textBox(bar.Number);
        number->setFixedWidth(70);
        acts->addWidget(number);
        acts->addSpacing(20);
    }
    acts->addWidget(label(bar.GiveToLabel));
    QWidget* to = textBox(bar.GiveTo);
    to->setFixedWidth(70);
    acts->addWidget(to);
    acts->addWidget(button(bar.Reassign));
    acts->addSpacing(20);
    if (competitor) {
        acts->addWidget(button(bar.TakeBackStart));
        acts->addWidget(button(bar.TakeBackFinish));
    } else {
        acts->addWidget(button(bar.TakeBack));
    }
    acts->addStretch(1);
    layout->addLayout(acts);
    if (competitor) {
        auto* hand = new QHBoxLayout;
        hand->addWidget(label(bar.TimeLabel));
        QWidget* time = textBox(bar.Time);
        time->setFont(fixedFont());
        time->setFixedWidth(120);
        hand->addWidget(time);
        hand->addWidget(label(bar.ReasonLabel));
        hand->addWidget(textBox(bar.Reason), 1);
        hand->addWidget(button(bar.HandStart));
        hand->addWidget(button(bar.HandFinish));
        layout->addLayout(hand);
        auto* systems = new QHBoxLayout;
        systems->addWidget(button(bar.ReplaceStart));
        systems->addWidget(button(bar.ReplaceFinish));
        systems->addWidget(button(bar.WatchStart));
        systems->addWidget(button(bar.WatchFinish));
        systems->addStretch(1);
        layout->addLayout(systems);
    }
    // A - B of the last ones paired (empty while the meet has no system B).
    layout->addWidget(label(bar.Systems));
    auto* undo = new QHBoxLayout;
    undo->addWidget(button(bar.Undo));
    undo->addWidget(button(bar.Redo));
    QLabel* last = label(bar.Last);
    last->setWordWrap(true);
    undo->addWidget(last, 1);
    layout->addLayout(undo);
    return frame(bar.Box, layout);
}

// Ctrl+Alt+Z undoes and Ctrl+Alt+Y redoes a correction while the page has the focus: keys that
// capture never uses, and that no text box takes for itself.
void MainFrame::undoKeys(QWidget* page, ui::CorrectionBar& bar) {
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z), page);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, [&bar] {
        if (bar.Undo.enabled()) bar.Undo.click();
    });
    auto* redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Y), page);
    redo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(redo, &QShortcut::activated, this, [&bar] {
        if (bar.Redo.enabled()) bar.Redo.click();
    });
}

QWidget* MainFrame::buildCompetitorPage() {
    auto& main = program_.Main;
    auto* primary = formGrid();
    formRow(primary, 0, 0, main.NameLabel[0], textBox(main.NameIndex));
    formRow(primary, 1, 0, main.NameLabel[2], textBox(main.NameText[0]));
    formRow(primary, 2, 0, main.NameLabel[3], textBox(main.NameText[1]));
    formRow(primary, 3, 0, main.NameLabel[4], comboBox(main.NameCombo[0]));
    formRow(primary, 4, 0, main.NameLabel[5], comboBox(main.NameCombo[1]));
    formRow(primary, 0, 1, main.NameLabel[6], textBox(main.NameText[2]));
    formRow(primary, 1, 1, main.NameLabel[7], textBox(main.NameText[3]));
    formRow(primary, 2, 1, main.NameLabel[8], textBox(main.NameText[8]));
    formRow(primary, 3, 1, main.NameLabel[9], textBox(main.NameText[13]));
    formRow(primary, 4, 1, main.NameLabel[10], textBox(main.NameText[14]));
    primary->setRowStretch(5, 1);
    primary->setColumnStretch(1, 1);
    primary->setColumnStretch(3, 1);

    auto* secondary = formGrid();
    formRow(secondary, 0, 0, main.NameLabel[11], textBox(main.NameText[9]));
    formRow(secondary, 1, 0, main.NameLabel[12], textBox(main.NameText[10]));
    formRow(secondary, 2, 0, main.NameLabel[13], textBox(main.NameText[11]));
    formRow(secondary, 3, 0, main.NameLabel[14], textBox(main.NameText[12]));
    formRow(secondary, 4, 0, main.NameLabel[15], comboBox(main.NameCombo[2]));
    formRow(secondary, 5, 0, main.NameLabel[16], comboBox(main.NameCombo[3]));
    formRow(secondary, 6, 0, main.NameLabel[17], textArea(main.NameText[15]));
    secondary->addWidget(label(main.NameLabel[18]), 0, 2, 1, 2);
    formRow(secondary, 1, 1, main.NameLabel[1], textBox(main.NameText[4]));
    formRow(secondary, 2, 1, main.NameLabel[20], textBox(main.NameText[5]));
    formRow(secondary, 3, 1, main.NameLabel[21], textBox(main.NameText[6]));
    formRow(secondary, 4, 1, main.NameLabel[22], textBox(main.NameText[7]));
    auto* payment = new QHBoxLayout;
    for (auto& choice : main.NameOption) payment->addWidget(option(choice));
    secondary->addWidget(frame(main.NameFrame[0], payment), 5, 2, 2, 2, Qt::AlignTop);
    secondary->setRowStretch(7, 1);
    secondary->setColumnStretch(1, 1);
    secondary->setColumnStretch(3, 1);

    auto* database = new QHBoxLayout;
    database->addWidget(label(main.NameLabel[19]));
    database->addWidget(textBox(main.NameMover));
    database->addWidget(button(main.NameButton));
    database->addWidget(button(main.NameNew));
    database->addWidget(dataBar(main.NameData), 1);
    textBox(main.NameText[16])->setParent(hidden_);  // the payment index, kept hidden

    auto* layout = column();
    layout->addWidget(
        tabbedPages(main.NameTabStrip, main.NameContainer, {page(primary), page(secondary)}), 1);
    QLabel* warning = label(main.NameWarning);
    warning->setStyleSheet("color: #a00000; font-weight: bold;");
    warning->setWordWrap(true);
    layout->addWidget(warning);
    layout->addWidget(frame(main.NameFrame[1], database));
    return page(layout);
}

QWidget* MainFrame::buildClubPage() {
    auto& main = program_.Main;
    auto* primary = formGrid();
    formRow(primary, 0, 0, main.ClubLabel[0], textBox(main.ClubIndex));
    formRow(primary, 1, 0, main.ClubLabel[2], textBox(main.ClubText[0]));
    formRow(primary, 2, 0, main.ClubLabel[3], textBox(main.ClubText[1]));
    formRow(primary, 3, 0, main.ClubLabel[4], textBox(main.ClubText[2]));
    formRow(primary, 4, 0, main.ClubLabel[5], textBox(main.ClubText[3]));
    formRow(primary, 0, 1, main.ClubLabel[6], textBox(main.ClubText[4]));
    formRow(primary, 1, 1, main.ClubLabel[7], textBox(main.ClubText[5]));
    formRow(primary, 2, 1, main.ClubLabel[8], textBox(main.ClubText[6]));
    formRow(primary, 3, 1, main.ClubLabel[9], textBox(main.ClubText[7]));
    formRow(primary, 4, 1, main.ClubLabel[10], textBox(main.ClubText[8]));
    primary->setRowStretch(5, 1);
    primary->setColumnStretch(1, 1);
    primary->setColumnStretch(3, 1);

    auto* secondary = formGrid();
    formRow(secondary, 0, 0, main.ClubLabel[11], textBox(main.ClubText[9]));
    formRow(secondary, 1, 0, main.ClubLabel[12], textArea(main.ClubText[10]));
    secondary->addWidget(label(main.ClubLabel[13]), 0, 2, 1, 2);
    formRow(secondary, 1, 1, main.ClubLabel[14], textBox(main.ClubText[11]));
    formRow(secondary, 2, 1, main.ClubLabel[15], textBox(main.ClubText[12]));
    formRow(secondary, 3, 1, main.ClubLabel[16], textBox(main.ClubText[13]));
    formRow(secondary, 4, 1, main.ClubLabel[17], textBox(main.ClubText[14]));
    secondary->setRowStretch(5, 1);
    secondary->setColumnStretch(1, 1);
    secondary->setColumnStretch(3, 1);

    auto* database = new QHBoxLayout;
    database->addWidget(label(main.ClubLabel[1]));
    database->addWidget(textBox(main.ClubMover));
    database->addWidget(button(main.ClubButton));
    database->addWidget(button(main.ClubNew));
    database->addWidget(dataBar(main.ClubData), 1);

    auto* layout = column();
    layout->addWidget(
        tabbedPages(main.ClubTabStrip, main.ClubContainer, {page(primary), page(secondary)}), 1);
    layout->addLayout(database);
    return page(layout);
}

QWidget* MainFrame::buildClassPage() {
    auto& main = program_.Main;
    auto* details = formGrid();
    formRow(details, 0, 0, main.ClassLabel[1], textBox(main.ClassIndex));
    formRow(details, 1, 0, main.ClassLabel[0], textBox(main.ClassText[0]));
    formRow(details, 2, 0, main.ClassLabel[4], textBox(main.ClassText[1]));
    formRow(details, 3, 0, main.ClassLabel[3], textArea(main.ClassText[2]));
    details->setRowStretch(4, 1);
    details->setColumnStretch(1, 1);

    auto* database = new QHBoxLayout;
    database->addWidget(label(main.ClassLabel[2]));
    database->addWidget(textBox(main.ClassMover));
    database->addWidget(button(main.ClassButton));
    database->addWidget(button(main.ClassNew));
    database->addWidget(dataBar(main.ClassData), 1);

    auto* layout = column();
    layout->addWidget(tabbedPages(main.ClassTabStrip, main.ClassContainer,
                                  {grid(main.ClassDBGrid), page(details)}),
                      1);
    layout->addLayout(database);
    return page(layout);
}

QWidget* MainFrame::buildSetupPage() {
    auto& main = program_.Main;

    auto* lineChecks = formGrid();
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        QWidget* check = checkBox(main.SetupChannelCheck[c]);
        check->setFont(fixedFont());
        lineChecks->addWidget(check, c, 0);
        QWidget* count = textBox(main.SetupText[9 + c]);
        count->setFixedWidth(80);
        lineChecks->addWidget(count, c, 1);
    }
    auto* linesFrameLayout = column();
    linesFrameLayout->addLayout(lineChecks);
    linesFrameLayout->addStretch(1);
    auto* signal = column();
    for (auto& choice : main.SetupSignalOption) signal->addWidget(option(choice));
    auto* adapter = column();
    adapter->addWidget(frame(main.SetupFrame[8], signal));
    adapter->addWidget(label(main.SetupLabel[12]));
    for (int i = 13; i <= 15; ++i) adapter->addWidget(label(main.SetupLabel[i]));
    adapter->addStretch(1);
    auto* linesTop = new QHBoxLayout;
    linesTop->addWidget(frame(main.SetupFrame[6], linesFrameLayout), 1);
    linesTop->addWidget(frame(main.SetupFrame[7], adapter), 1);

    // The device and its wiring, kept in the adapter's settings file.
    auto* device = formGrid();
    formRow(device, 0, 0, main.SetupDeviceLabel, comboBox(main.SetupDeviceCombo));
    formRow(device, 1, 0, main.SetupDevicePathLabel, textBox(main.SetupDevicePathText));
    device->addWidget(label(main.SetupLineHeading), 2, 0, 1, 4);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        device->addWidget(label(main.SetupLineLabel[c]), 3 + c, 0);
        device->addWidget(textBox(main.SetupLineSourceText[c]), 3 + c, 1);
        device->addWidget(comboBox(main.SetupLineBiasCombo[c]), 3 + c, 2);
        device->addWidget(comboBox(main.SetupLineActiveCombo[c]), 3 + c, 3);
        device->addWidget(comboBox(main.SetupLineSystemCombo[c]), 3 + c, 4);
    }
    device->addWidget(label(main.SetupLineSystemHeading), 2, 4);
    formRow(device, 9, 0, main.SetupOutputsLabel, textBox(main.SetupOutputsText));
    auto* deviceLayout = column();
    deviceLayout->addLayout(device);
    auto* deviceButtons = new QHBoxLayout;
    deviceButtons->addWidget(button(main.SetupAdapterUseButton));
    deviceButtons->addWidget(checkBox(main.SetupTestLinesCheck));
    deviceButtons->addStretch(1);
    deviceLayout->addLayout(deviceButtons);
    QLabel* message = label(main.SetupAdapterMessage);
    message->setWordWrap(true);
    deviceLayout->addWidget(message);

    // A timer on a serial line: the port is the device's path, its channels the lines'.
    auto* timer = formGrid();
    formRow(timer, 0, 0, main.SetupTimerKindLabel, comboBox(main.SetupTimerKindCombo));
    formRow(timer, 1, 0, main.SetupTimerRateLabel, textBox(main.SetupTimerRateText));
    formRow(timer, 2, 0, main.SetupTimerHandshakeLabel, comboBox(main.SetupTimerHandshakeCombo));
    formRow(timer, 3, 0, main.SetupTimerMemoryLabel, textBox(main.SetupTimerMemoryText));
    auto* timerLayout = column();
    timerLayout->addLayout(timer);
    QLabel* link = label(main.SetupTimerLink);
    link->setWordWrap(true);
    link->setTextFormat(Qt::PlainText);
    timerLayout->addWidget(link);
    auto* timerButtons = new QHBoxLayout;
    timerButtons->addWidget(button(main.SetupTimerMemoryButton));
    timerButtons->addStretch(1);
    timerLayout->addLayout(timerButtons);
    deviceLayout->addWidget(frame(main.SetupTimerFrame, timerLayout));
    deviceLayout->addWidget(checkBox(main.SetupFullPrecisionCheck));
    deviceLayout->addWidget(checkBox(main.SetupGiveNumberedCheck));
    // Systems A and B: the bounds, the synchronisation and a backup watch's times.
    auto* systems = column();
    auto* bounds = new QHBoxLayout;
    bounds->addWidget(label(main.SetupSystemsWindowLabel));
    QWidget* window = textBox(main.SetupSystemsWindowText);
    window->setFixedWidth(80);
    bounds->addWidget(window);
    bounds->addWidget(label(main.SetupSystemsBoundLabel));
    QWidget* bound = textBox(main.SetupSystemsBoundText);
    bound->setFixedWidth(80);
    bounds->addWidget(bound);
    bounds->addWidget(button(main.SetupSystemsUseButton));
    bounds->addStretch(1);
    systems->addLayout(bounds);
    auto* sync = new QHBoxLayout;
    sync->addWidget(button(main.SetupSyncButton));
    sync->addWidget(button(main.SetupSyncCheckButton));
    sync->addWidget(button(main.SetupHandStartsButton));
    sync->addWidget(button(main.SetupHandFinishesButton));
    sync->addStretch(1);
    systems->addLayout(sync);
    QLabel* syncState = label(main.SetupSyncLabel);
    syncState->setWordWrap(true);
    systems->addWidget(syncState);
    deviceLayout->addWidget(frame(main.SetupSystemsFrame, systems));
    deviceLayout->addWidget(label(main.SetupClockLabel));
    deviceLayout->addStretch(1);

    // The "Test lines" view: each line's level and its last edge, live.
    auto* testLines = column();
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        auto* row = new QHBoxLayout;
        row->addWidget(lamp(main.TestLineLamp[c]));
        QLabel* text = label(main.TestLineText[c]);
        text->setFont(fixedFont());
        row->addWidget(text, 1);
        testLines->addLayout(row);
    }
    // A timer's records as they arrive, each with what was read from it.
    testLines->addWidget(label(main.TestTimerHeading));
    for (auto& record : main.TestTimerRecord) {
        QLabel* text = label(record);
        text->setFont(fixedFont());
        text->setTextFormat(Qt::PlainText);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        testLines->addWidget(text);
    }
    testLines->addStretch(1);

    auto* linesBottom = new QHBoxLayout;
    linesBottom->addWidget(frame(main.SetupDeviceFrame, deviceLayout), 1);
    linesBottom->addWidget(frame(main.TestLinesFrame, testLines), 1);
    auto* linesTab = column();
    linesTab->addLayout(linesTop);
    linesTab->addLayout(linesBottom, 1);

    auto* interval = formGrid();
    interval->addWidget(label(main.SetupLabel[3]), 0, 0);
    interval->addWidget(label(main.SetupTimerValue[3]), 0, 1);
    interval->addWidget(label(main.SetupLabel[4]), 1, 0);
    interval->addWidget(slider(main.SetupSlider[0]), 1, 1);
    interval->addWidget(label(main.SetupTimerValue[1]), 1, 2);
    interval->addWidget(label(main.SetupLabel[5]), 2, 0);
    interval->addWidget(slider(main.SetupSlider[1]), 2, 1);
    interval->addWidget(label(main.SetupTimerValue[2]), 2, 2);
    interval->addWidget(progressBar(main.SetupProgressBar), 3, 0, 1, 3);
    interval->setRowStretch(4, 1);
    interval->setColumnStretch(1, 1);
    auto* intervalFrameLayout = column();
    intervalFrameLayout->addLayout(interval);
    auto* intervalTab = column();
    intervalTab->addWidget(frame(main.SetupFrame[3], intervalFrameLayout));
    intervalTab->addStretch(1);

    auto* sizes = formGrid();
    for (int i = 0; i < 3; ++i)
        formRow(sizes, i, 0, main.SetupLabel[i], textBox(main.SetupText[i]));
    auto* sizeLayout = column();
    sizeLayout->addLayout(sizes);
    auto* counts = formGrid();
    for (int i = 6; i <= 8; ++i)
        formRow(counts, i - 6, 0, main.SetupLabel[i], textBox(main.SetupText[i]));
    auto* countLayout = column();
    countLayout->addLayout(counts);
    auto* type = column();
    for (auto& choice : main.SetupOption) type->addWidget(option(choice));
    auto* other = column();
    other->addWidget(checkBox(main.SetupCheck[1]));
    other->addWidget(checkBox(main.SetupCheck[0]));
    auto* databaseTab = new QGridLayout;
    databaseTab->addWidget(frame(main.SetupFrame[0], sizeLayout), 0, 0);
    databaseTab->addWidget(frame(main.SetupFrame[9], countLayout), 0, 1);
    databaseTab->addWidget(frame(main.SetupFrame[2], type), 1, 0);
    databaseTab->addWidget(frame(main.SetupFrame[1], other), 1, 1);
    databaseTab->setRowStretch(2, 1);

    auto* browser = new QHBoxLayout;
    browser->addWidget(label(main.SetupLabel[9]));
    browser->addWidget(textBox(main.SetupText[15]), 1);
    auto* editor = column();
    for (auto& choice : main.SetupEditorOption) editor->addWidget(option(choice));
    editor->addWidget(textBox(main.SetupText[18]));
    auto* language = column();
    for (auto& choice : main.SetupLanguageOption) language->addWidget(option(choice));
    // The index in force, which tells a stored 2 to 5 that no option of its own shows.
    language->addWidget(textBox(main.SetupText[16]));
    language->addWidget(textBox(main.SetupText[19]));
    auto* choices = new QHBoxLayout;
    choices->addWidget(frame(main.SetupFrame[11], editor), 1);
    choices->addWidget(frame(main.SetupFrame[10], language), 1);
    auto* port = new QHBoxLayout;
    port->addWidget(checkBox(main.SetupLiveCheck));
    port->addSpacing(20);
    QLabel* portLabel = label(main.SetupLivePortLabel);
    port->addWidget(portLabel);
    QWidget* portBox = textBox(main.SetupLivePortText);
    portBox->setFixedWidth(80);
    portLabel->setBuddy(portBox);
    port->addWidget(portBox);
    port->addStretch(1);
    auto* live = column();
    live->addLayout(port);
    QLabel* address = label(main.SetupLiveAddress);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    live->addWidget(address);
    auto* otherTab = column();
    otherTab->addLayout(browser);
    otherTab->addLayout(choices);
    otherTab->addWidget(frame(main.SetupLiveFrame, live));
    otherTab->addWidget(frame(main.SetupWebFrame, webLayout()));
    otherTab->addStretch(1);

    // The boxes that hold the options' indexes are not shown.
    for (int hidden : {3, 4, 5, 17}) textBox(main.SetupText[hidden])->setParent(hidden_);

    auto* general = column();
    for (int i = 2; i <= ui::setup::StatusesCheck; ++i)
        general->addWidget(checkBox(main.SetupCheck[i]));
    auto* timeFormat = column();
    for (auto& choice : main.SetupTimeOption) timeFormat->addWidget(option(choice));
    auto* below = new QHBoxLayout;
    below->addWidget(frame(main.SetupFrame[4], general), 1);
    below->addWidget(frame(main.SetupFrame[5], timeFormat), 1);

    auto* layout = column();
    layout->addWidget(
        tabbedPages(main.SetupTabStrip, main.SetupContainer,
                    {page(linesTab), page(intervalTab), page(databaseTab), page(otherTab)}),
        1);
    layout->addLayout(below);
    return page(layout);
}

QWidget* MainFrame::buildResultsPage() {
    auto& main = program_.Main;
    auto* choose = new QHBoxLayout;
    choose->addWidget(label(main.ResultsLabel[2]));
    QWidget* classes = comboBox(main.ResultsCombo);
    classes->setMinimumWidth(220);
    choose->addWidget(classes);
    choose->addSpacing(30);
    choose->addWidget(label(main.ResultsRunLabel));
    // Its items come with the meet (the runs and the combined result): as wide as they are.
    auto* runs = static_cast<QComboBox*>(comboBox(main.ResultsRunCombo));
    runs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choose->addWidget(runs);
    choose->addSpacing(30);
    choose->addWidget(label(main.ResultsLabel[0]));
    choose->addWidget(textBox(main.ResultsMover));
    choose->addStretch(1);

    auto* details = formGrid();
    formRow(details, 0, 0, main.ResultsLabel[1], textBox(main.ResultsIndex));
    formRow(details, 1, 0, main.ResultsLabel[7], textBox(main.ResultsText[0]));
    formRow(details, 2, 0, main.ResultsLabel[3], textBox(main.ResultsText[1]));
    formRow(details, 3, 0, main.ResultsLabel[4], textBox(main.ResultsText[2]));
    formRow(details, 4, 0, main.ResultsLabel[5], textBox(main.ResultsText[3]));
    formRow(details, 5, 0, main.ResultsLabel[6], textBox(main.ResultsText[4]));
    formRow(details, 6, 0, main.ResultsLabel[8], textBox(main.ResultsText[5]));
    details->setRowStretch(7, 1);
    details->setColumnStretch(1, 1);

    auto* database = new QHBoxLayout;
    database->addWidget(dataBar(main.ResultsData));

    auto* layout = column();
    layout->addLayout(choose);
    // The trail of changes and the timing report.
    auto* trail = column();
    auto* filter = new QHBoxLayout;
    filter->addWidget(label(main.TrailFilterLabel));
    QWidget* number = textBox(main.TrailFilter);
    number->setFixedWidth(70);
    filter->addWidget(number);
    filter->addStretch(1);
    filter->addWidget(button(main.TrailPrint));
    filter->addWidget(button(main.TrailPdf));
    trail->addLayout(filter);
    QWidget* changes = textArea(main.TrailText);
    changes->setMaximumHeight(QWIDGETSIZE_MAX);
    changes->setFont(fixedFont());
    static_cast<QPlainTextEdit*>(changes)->setLineWrapMode(QPlainTextEdit::NoWrap);
    trail->addWidget(changes, 1);
    trail->addWidget(label(main.TrailNote));

    // The combined result of the class, in place of the grid while it is chosen.
    auto* listed = column();
    listed->addWidget(grid(main.ResultsDBGrid), 1);
    QWidget* combined = textArea(main.ResultsCombinedText);
    combined->setMaximumHeight(QWIDGETSIZE_MAX);
    combined->setFont(fixedFont());
    static_cast<QPlainTextEdit*>(combined)->setLineWrapMode(QPlainTextEdit::NoWrap);
    listed->addWidget(combined, 2);
    layout->addWidget(tabbedPages(main.ResultsTabStrip, main.ResultsContainer,
                                  {page(listed), page(details), page(trail)}),
                      1);
    layout->addWidget(correctionBar(main.ResultsCorrection, true));
    layout->addWidget(statusBox(program_.Race.ResultsStatus));
    layout->addWidget(frame(main.ResultsFrame, database));
    QWidget* results = page(layout);
    undoKeys(results, main.ResultsCorrection);
    return results;
}

QWidget* MainFrame::buildStartsPage() {
    auto& main = program_.Main;
    // How the chosen class starts, and what starts it.
    auto* settings = formGrid();
    formRow(settings, 0, 0, main.StartsLabel[0], comboBox(main.StartsClassCombo));
    formRow(settings, 1, 0, main.StartsLabel[1], comboBox(main.StartsModeCombo));
    formRow(settings, 2, 0, main.StartsLabel[2], textBox(main.StartsFirstText));
    formRow(settings, 3, 0, main.StartsLabel[3], textBox(main.StartsIntervalText));
    formRow(settings, 4, 0, main.StartsLabel[4], comboBox(main.StartsOrderCombo));
    formRow(settings, 5, 0, main.StartsLabel[5], textBox(main.StartsListText));
    formRow(settings, 6, 0, main.StartsLabel[6], textBox(main.StartsGapText));
    formRow(settings, 7, 0, main.StartsLabel[7], textBox(main.StartsSequenceText));
    formRow(settings, 8, 0, main.StartsLabel[8], textBox(main.StartsToleranceText));
    auto* keep = new QHBoxLayout;
    keep->addWidget(button(main.StartsKeepButton));
    keep->addWidget(button(main.StartsDrawButton));
    keep->addStretch(1);
    settings->addLayout(keep, 9, 0, 1, 2);
    formRow(settings, 10, 0, main.StartsLabel[9], textBox(main.StartsMassTimeText));
    formRow(settings, 11, 0, main.StartsLabel[10], textBox(main.StartsGroupText));
    auto* mass = new QHBoxLayout;
    mass->addWidget(button(main.StartsMassButton));
    mass->addWidget(button(main.StartsMassImpulseButton));
    mass->addStretch(1);
    settings->addLayout(mass, 12, 0, 1, 2);
    QLabel* message = label(main.StartsMessage);
    message->setWordWrap(true);
    settings->addWidget(message, 13, 0, 1, 2);
    // The runs: how many, the one being timed, and the best N reversed in the next run.
    formRow(settings, 14, 0, main.StartsBestLabel, textBox(main.StartsBestText));
    auto* runs = new QHBoxLayout;
    runs->addWidget(textBox(main.StartsRunsText));
    runs->addWidget(button(main.StartsRunsButton));
    runs->addStretch(1);
    settings->addWidget(label(main.StartsRunsLabel), 15, 0);
    settings->addLayout(runs, 15, 1);
    formRow(settings, 16, 0, main.StartsRunLabel, comboBox(main.StartsRunCombo));
    settings->setRowStretch(17, 1);
    settings->setColumnStretch(1, 1);

    // The class's planned starts, and the starts for the jury below them.
    auto* shown = column();
    QWidget* plans = textArea(main.StartsPlanText);
    plans->setMaximumHeight(QWIDGETSIZE_MAX);
    plans->setFont(fixedFont());
    shown->addWidget(plans, 3);
    shown->addWidget(label(main.StartsLabel[11]));
    QWidget* jury = textArea(main.StartsJuryText);
    jury->setFont(fixedFont());
    shown->addWidget(jury, 1);

    auto* layout = new QHBoxLayout;
    layout->addLayout(settings, 1);
    layout->addLayout(shown, 1);
    return page(layout);
}

QBoxLayout* MainFrame::webLayout() {
    auto& main = program_.Main;
    auto* layout = column();
    layout->addWidget(checkBox(main.SetupWebCheck));
    layout->addWidget(checkBox(main.SetupUtf8Check));
    layout->addWidget(checkBox(main.SetupPublishCheck));
    auto* grid = new QGridLayout;
    formRow(grid, 0, 0, main.SetupPublishTargetLabel, textBox(main.SetupPublishTargetText));
    formRow(grid, 1, 0, main.SetupPublishUserLabel, textBox(main.SetupPublishUserText));
    formRow(grid, 2, 0, main.SetupPublishKeyLabel, textBox(main.SetupPublishKeyText));
    QWidget* password = textBox(main.SetupPublishPasswordText);
    if (auto* edit = qobject_cast<QLineEdit*>(password)) edit->setEchoMode(QLineEdit::Password);
    formRow(grid, 3, 0, main.SetupPublishPasswordLabel, password);
    formRow(grid, 4, 0, main.SetupPublishCommandLabel, textBox(main.SetupPublishCommandText));
    layout->addLayout(grid);
    QLabel* state = label(main.SetupPublishState);
    state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    state->setWordWrap(true);
    layout->addWidget(state);
    return layout;
}

}  // namespace kvt::desktop
