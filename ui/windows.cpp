#include "ui/windows.h"

#include "meet/meet.h"

namespace kvt::ui {

MDIMainWindow::MDIMainWindow() {
    auto& r = registry;
    r.add(Frame, "MDIMain");
    r.add(Database, "Database");
    r.add(Open, "Open");
    r.add(Close, "Close");
    r.add(Reset, "Reset");
    r.add(MakeNew, "MakeNew");
    r.add(Repair, "Repair");
    r.add(Kompress, "Kompress");
    r.add(Copy, "Copy");
    r.add(HostOnServer, "HostOnServer");
    r.add(JoinServer, "JoinServer");
    r.add(SaveAsFile, "SaveAsFile");
    r.add(StartServer, "StartServer");
    r.add(Avslutt, "Avslutt");
    r.add(ImportCsv, "ImportCsv");
    r.add(ExportCsv, "ExportCsv");
    r.add(ImportIof, "ImportIof");
    r.add(Lists, "Lists");
    r.add(MakeResultslist, "MakeResultslist");
    r.add(ViewResultslist, "ViewResultslist");
    r.add(MakeResultslistHtml, "MakeResultslistHtml");
    r.add(ViewResultslistHtml, "ViewResultslistHtml");
    r.add(MakeStartlist, "MakeStartlist");
    r.add(ViewStartlist, "ViewStartlist");
    r.add(ViewStartlistHtml, "ViewStartlistHtml");
    r.add(PrintResultslist, "PrintResultslist");
    r.add(PdfResultslist, "PdfResultslist");
    r.add(PrintStartlist, "PrintStartlist");
    r.add(PdfStartlist, "PdfStartlist");
    r.add(MakeIofXml, "MakeIofXml");
    r.add(Help, "Help");
    r.add(General, "General");
    r.add(Search, "Search");
    r.add(Adapter, "Adapter");
    r.add(About, "About");
    r.add(Status, "StatusBar");
    r.add(Progress, "ProgressBar");
}

// Toolbar positions 1 to 20 by key; separators have no key.
static std::vector<std::string> toolbarKeys() {
    return {"a", "b", "", "c", "d", "", "e", "f", "g", "",
            "h", "i", "", "j", "k", "", "l", "m", "",  "n"};
}

MainWindow::MainWindow() : MainToolbar(toolbarKeys()) {
    auto& r = registry;
    r.add(Window, "Main");
    r.add(MainToolbar, "MainToolbar");
    r.add(MainTabStrip, "MainTabStrip");
    r.add(MainConTainer, "MainConTainer");
    r.add(Hitime1, "Hitime1");
    r.add(Hitime2, "Hitime2");
    r.add(Hitime3, "Hitime3");

    r.add(TimeTabStrip, "TimeTabStrip");
    r.add(TimeContainer, "TimeContainer");
    r.add(TimeListTabStrip, "TimeListTabStrip");
    r.add(TimeListContainer, "TimeListContainer");
    r.addArray(TimeLabel, "TimeLabel");
    r.add(TimeData, "TimeData");
    r.add(TimeDBGrid, "TimeDBGrid");
    r.addArray(TimeButton, "TimeButton");
    r.addArray(ChannelLed, "ChannelLed");
    r.add(ExactTime, "ExactTime");
    r.add(TimeRegTimeIndex, "TimeRegTimeIndex");
    r.addArray(TimeRegTime, "TimeRegTime");
    r.add(TimeTimerLink, "TimeTimerLink");
    r.add(TimeTimerMemoryButton, "TimeTimerMemoryButton");
    r.addArray(Outled, "Outled");
    r.addArray(Inled, "Inled");
    r.addArray(ReadyLed, "ReadyLed");
    r.addArray(Number, "Number");
    r.addArray(UpDown, "UpDown");
    r.addArray(TimeNames, "TimeNames");
    r.addArray(Time, "Time");
    r.addArray(Set, "Set");
    r.addArray(Delete, "Delete");
    r.addArray(RegTime, "RegTime");
    r.addArray(RegTimeIndex, "RegTimeIndex");
    r.addArray(Regtimeled, "Regtimeled");
    r.add(SetTimeData, "SetTimeData");
    r.add(CaptureNewCompetitor, "CaptureNewCompetitor");

    r.add(NameTabStrip, "NameTabStrip");
    r.add(NameContainer, "NameContainer");
    r.addArray(NameLabel, "NameLabel");
    r.addArray(NameFrame, "NameFrame");
    r.addArray(NameOption, "NameOption");
    r.addArray(NameCombo, "NameCombo");
    r.addArray(NameText, "NameText");
    r.add(NameIndex, "NameIndex");
    r.add(NameMover, "NameMover");
    r.add(NameButton, "NameButton");
    r.add(NameNew, "NameNew");
    r.add(NameData, "NameData");
    r.add(NameWarning, "NameWarning");

    r.add(ClubTabStrip, "ClubTabStrip");
    r.add(ClubContainer, "ClubContainer");
    r.addArray(ClubLabel, "ClubLabel");
    r.addArray(ClubText, "ClubText");
    r.add(ClubIndex, "ClubIndex");
    r.add(ClubMover, "ClubMover");
    r.add(ClubButton, "ClubButton");
    r.add(ClubNew, "ClubNew");
    r.add(ClubData, "ClubData");

    r.add(ClassTabStrip, "ClassTabStrip");
    r.add(ClassContainer, "ClassContainer");
    r.addArray(ClassLabel, "ClassLabel");
    r.addArray(ClassText, "ClassText");
    r.add(ClassIndex, "ClassIndex");
    r.add(ClassMover, "ClassMover");
    r.add(ClassButton, "ClassButton");
    r.add(ClassNew, "ClassNew");
    r.add(ClassData, "ClassData");
    r.add(ClassDBGrid, "ClassDBGrid");

    r.add(SetupTabStrip, "SetupTabStrip");
    r.add(SetupContainer, "SetupContainer");
    r.addArray(SetupFrame, "SetupFrame");
    r.addArray(SetupLabel, "SetupLabel");
    r.addArray(SetupText, "SetupText");
    r.addArray(SetupCheck, "SetupCheck");
    r.addArray(SetupChannelCheck, "SetupChannelCheck");
    r.addArray(SetupTimeOption, "SetupTimeOption");
    r.addArray(SetupSignalOption, "SetupSignalOption");
    r.addArray(SetupOption, "SetupOption");
    r.addArray(SetupLanguageOption, "SetupLanguageOption");
    r.addArray(SetupEditorOption, "SetupEditorOption");
    r.addArray(SetupSlider, "SetupSlider");
    r.addArray(SetupTimerValue, "SetupTimerValue");
    r.add(SetupProgressBar, "SetupProgressBar");
    r.add(SetupDeviceFrame, "SetupDeviceFrame");
    r.add(SetupDeviceLabel, "SetupDeviceLabel");
    r.add(SetupDevicePathLabel, "SetupDevicePathLabel");
    r.add(SetupOutputsLabel, "SetupOutputsLabel");
    r.add(SetupLineHeading, "SetupLineHeading");
    r.add(SetupDeviceCombo, "SetupDeviceCombo");
    r.add(SetupDevicePathText, "SetupDevicePathText");
    r.add(SetupOutputsText, "SetupOutputsText");
    r.addArray(SetupLineLabel, "SetupLineLabel");
    r.addArray(SetupLineSourceText, "SetupLineSourceText");
    r.addArray(SetupLineBiasCombo, "SetupLineBiasCombo");
    r.addArray(SetupLineActiveCombo, "SetupLineActiveCombo");
    r.add(SetupAdapterUseButton, "SetupAdapterUseButton");
    r.add(SetupAdapterMessage, "SetupAdapterMessage");
    r.add(SetupTimerFrame, "SetupTimerFrame");
    r.add(SetupTimerKindLabel, "SetupTimerKindLabel");
    r.add(SetupTimerRateLabel, "SetupTimerRateLabel");
    r.add(SetupTimerHandshakeLabel, "SetupTimerHandshakeLabel");
    r.add(SetupTimerMemoryLabel, "SetupTimerMemoryLabel");
    r.add(SetupTimerKindCombo, "SetupTimerKindCombo");
    r.add(SetupTimerHandshakeCombo, "SetupTimerHandshakeCombo");
    r.add(SetupTimerRateText, "SetupTimerRateText");
    r.add(SetupTimerMemoryText, "SetupTimerMemoryText");
    r.add(SetupTimerLink, "SetupTimerLink");
    r.add(SetupTimerMemoryButton, "SetupTimerMemoryButton");
    r.add(SetupFullPrecisionCheck, "SetupFullPrecisionCheck");
    r.add(SetupGiveNumberedCheck, "SetupGiveNumberedCheck");
    r.addArray(SetupLineSystemCombo, "SetupLineSystemCombo");
    r.add(SetupLineSystemHeading, "SetupLineSystemHeading");
    r.add(SetupSystemsFrame, "SetupSystemsFrame");
    r.add(SetupSystemsWindowLabel, "SetupSystemsWindowLabel");
    r.add(SetupSystemsBoundLabel, "SetupSystemsBoundLabel");
    r.add(SetupSyncLabel, "SetupSyncLabel");
    r.add(SetupSystemsWindowText, "SetupSystemsWindowText");
    r.add(SetupSystemsBoundText, "SetupSystemsBoundText");
    r.add(SetupSystemsUseButton, "SetupSystemsUseButton");
    r.add(SetupSyncButton, "SetupSyncButton");
    r.add(SetupSyncCheckButton, "SetupSyncCheckButton");
    r.add(SetupHandStartsButton, "SetupHandStartsButton");
    r.add(SetupHandFinishesButton, "SetupHandFinishesButton");
    r.add(SetupClockLabel, "SetupClockLabel");
    r.add(SetupTestLinesCheck, "SetupTestLinesCheck");
    r.add(TestLinesFrame, "TestLinesFrame");
    r.addArray(TestLineLamp, "TestLineLamp");
    r.addArray(TestLineText, "TestLineText");
    r.add(TestTimerHeading, "TestTimerHeading");
    r.addArray(TestTimerRecord, "TestTimerRecord");
    r.add(SetupData, "SetupData");
    r.add(ControlData, "ControlData");
    r.add(UserData, "UserData");
    r.add(SetupLiveFrame, "SetupLiveFrame");
    r.add(SetupLiveCheck, "SetupLiveCheck");
    r.add(SetupLivePortLabel, "SetupLivePortLabel");
    r.add(SetupLivePortText, "SetupLivePortText");
    r.add(SetupLiveAddress, "SetupLiveAddress");
    r.add(SetupWebFrame, "SetupWebFrame");
    r.add(SetupWebCheck, "SetupWebCheck");
    r.add(SetupUtf8Check, "SetupUtf8Check");
    r.add(SetupPublishCheck, "SetupPublishCheck");
    r.add(SetupPublishTargetLabel, "SetupPublishTargetLabel");
    r.add(SetupPublishTargetText, "SetupPublishTargetText");
    r.add(SetupPublishUserLabel, "SetupPublishUserLabel");
    r.add(SetupPublishUserText, "SetupPublishUserText");
    r.add(SetupPublishKeyLabel, "SetupPublishKeyLabel");
    r.add(SetupPublishKeyText, "SetupPublishKeyText");
    r.add(SetupPublishPasswordLabel, "SetupPublishPasswordLabel");
    r.add(SetupPublishPasswordText, "SetupPublishPasswordText");
    r.add(SetupPublishCommandLabel, "SetupPublishCommandLabel");
    r.add(SetupPublishCommandText, "SetupPublishCommandText");
    r.add(SetupPublishState, "SetupPublishState");
    r.add(LiveTimer, "LiveTimer");
    r.add(WebTimer, "WebTimer");

    r.add(ResultsTabStrip, "ResultsTabStrip");
    r.add(ResultsContainer, "ResultsContainer");
    r.addArray(ResultsLabel, "ResultsLabel");
    r.add(ResultsFrame, "ResultsFrame");
    r.add(ResultsCombo, "ResultsCombo");
    r.add(ResultsMover, "ResultsMover");
    r.add(ResultsIndex, "ResultsIndex");
    r.addArray(ResultsText, "ResultsText");
    r.add(ResultsData, "ResultsData");
    r.add(ResultsDBGrid, "ResultsDBGrid");
    TimeCorrection.registerIn(r, "TimeCorrection");
    r.add(TrailFilterLabel, "TrailFilterLabel");
    r.add(TrailNote, "TrailNote");
    r.add(TrailFilter, "TrailFilter");
    r.add(TrailText, "TrailText");
    r.add(TrailPrint, "TrailPrint");
    r.add(TrailPdf, "TrailPdf");
    ResultsCorrection.registerIn(r, "ResultsCorrection");

    r.addArray(StartsLabel, "StartsLabel");
    r.add(StartsClassCombo, "StartsClassCombo");
    r.add(StartsModeCombo, "StartsModeCombo");
    r.add(StartsOrderCombo, "StartsOrderCombo");
    r.add(StartsFirstText, "StartsFirstText");
    r.add(StartsIntervalText, "StartsIntervalText");
    r.add(StartsGapText, "StartsGapText");
    r.add(StartsSequenceText, "StartsSequenceText");
    r.add(StartsToleranceText, "StartsToleranceText");
    r.add(StartsListText, "StartsListText");
    r.add(StartsMassTimeText, "StartsMassTimeText");
    r.add(StartsGroupText, "StartsGroupText");
    r.add(StartsKeepButton, "StartsKeepButton");
    r.add(StartsDrawButton, "StartsDrawButton");
    r.add(StartsMassButton, "StartsMassButton");
    r.add(StartsMassImpulseButton, "StartsMassImpulseButton");
    r.add(StartsPlanText, "StartsPlanText");
    r.add(StartsJuryText, "StartsJuryText");
    r.add(StartsMessage, "StartsMessage");
    r.add(StartsRunsLabel, "StartsRunsLabel");
    r.add(StartsRunLabel, "StartsRunLabel");
    r.add(StartsBestLabel, "StartsBestLabel");
    r.add(CaptureRun, "CaptureRun");
    r.add(ResultsRunLabel, "ResultsRunLabel");
    r.add(StartsRunsText, "StartsRunsText");
    r.add(StartsBestText, "StartsBestText");
    r.add(StartsRunsButton, "StartsRunsButton");
    r.add(StartsRunCombo, "StartsRunCombo");
    r.add(ResultsRunCombo, "ResultsRunCombo");
    r.add(ResultsCombinedText, "ResultsCombinedText");

    OptionButton::makeGroup(NameOption);
    OptionButton::makeGroup(SetupTimeOption);
    OptionButton::makeGroup(SetupSignalOption);
    OptionButton::makeGroup(SetupOption);
    OptionButton::makeGroup(SetupLanguageOption);
    OptionButton::makeGroup(SetupEditorOption);
    setDesignValues();
    bindPages();
}

void CorrectionBar::registerIn(ControlRegistry& r, const std::string& prefix) {
    r.add(Box, prefix + "Box");
    r.add(NumberLabel, prefix + "NumberLabel");
    r.add(GiveToLabel, prefix + "GiveToLabel");
    r.add(TimeLabel, prefix + "TimeLabel");
    r.add(ReasonLabel, prefix + "ReasonLabel");
    r.add(Last, prefix + "Last");
    r.add(Number, prefix + "Number");
    r.add(GiveTo, prefix + "GiveTo");
    r.add(Time, prefix + "Time");
    r.add(Reason, prefix + "Reason");
    r.add(Reassign, prefix + "Reassign");
    r.add(TakeBack, prefix + "TakeBack");
    r.add(TakeBackStart, prefix + "TakeBackStart");
    r.add(TakeBackFinish, prefix + "TakeBackFinish");
    r.add(HandStart, prefix + "HandStart");
    r.add(HandFinish, prefix + "HandFinish");
    r.add(Undo, prefix + "Undo");
    r.add(Redo, prefix + "Redo");
    r.add(ReplaceStart, prefix + "ReplaceStart");
    r.add(ReplaceFinish, prefix + "ReplaceFinish");
    r.add(WatchStart, prefix + "WatchStart");
    r.add(WatchFinish, prefix + "WatchFinish");
    r.add(Systems, prefix + "Systems");
}

// What the window shows before any record is loaded.
void MainWindow::setDesignValues() {
    static const char* const setupDefaults[20] = {
        "10",
        "15",
        "10",
        "0",
        "1",
        "1",
        "0",
        "0",
        "300",
        "0",
        "0",
        "0",
        "0",
        "0",
        "0",
        "C:\\Program Files\\Internet Explorer\\Iexplore.exe",
        "0",
        "0",
        "C:\\Windows\\Command\\Edit.com",
        "0"};
    for (int i = 0; i < 20; ++i) SetupText[i].setText(setupDefaults[i]);
    // The languages are chosen with the options and a meet keeps the one it was made under:
    // both boxes are shown, never typed.
    SetupText[16].setLocked(true);
    SetupText[19].setLocked(true);
    for (int i = 0; i < 4; ++i) {
        SetupText[15 + i].setDataField(UserSettingsFields[i]);
        UserData.bind(SetupText[15 + i]);
    }
    SetupTimeOption[0].select();
    SetupSignalOption[1].select();
    SetupOption[1].select();
    SetupLanguageOption[0].select();
    SetupEditorOption[0].select();
    for (int i = 2; i < 6; ++i) SetupLanguageOption[i].setEnabled(false);
    SetupCheck[0].setCaption("&Ledig");

    static const char* const payments[4] = {"Full ", "3/4", "1/2 ", "1/4 "};
    for (int i = 0; i < 4; ++i) NameOption[i].setCaption(payments[i]);

    SetupSlider[0].setRange(1, 100);
    SetupSlider[0].setValue(1);
    SetupSlider[1].setRange(1, 100);
    SetupSlider[1].setValue(20);
    SetupTimerValue[1].setCaption("1");
    SetupTimerValue[2].setCaption("20");
    SetupTimerValue[3].setCaption("0");

    ExactTime.setText("00.00.00.00");
    ExactTime.setLocked(true);  // the clock
    for (int i = 0; i < CaptureRows; ++i) {
        Set[i].setCaption("<<");
        Delete[i].setCaption("C");
        UpDown[i].setRange(0, meet::MaxStartNumber);
        Regtimeled[i].setText("0");
    }
    Hitime1.setInterval(1);
    Hitime2.setInterval(1000);
    Hitime3.setInterval(100);
    LiveTimer.setInterval(1000);
    WebTimer.setInterval(1000);
    SetupLivePortText.setText("8080");
}

void MainWindow::restoreDesign() {
    for (Control* control : registry.all()) {
        if (auto* box = dynamic_cast<TextBox*>(control)) box->setText("");
        if (auto* check = dynamic_cast<CheckBox*>(control)) check->setChecked(false);
        if (auto* lamp = dynamic_cast<Lamp*>(control)) lamp->setColour(Lamp::Dark);
        if (auto* label = dynamic_cast<ui::Label*>(control)) label->setCaption("");
        if (auto* combo = dynamic_cast<ComboBox*>(control)) {
            combo->clear();
            combo->setText("");
        }
        if (auto* upDown = dynamic_cast<ui::UpDown*>(control)) upDown->setValue(0);
        if (auto* bar = dynamic_cast<ProgressBar*>(control)) bar->setValue(0);
    }
    setDesignValues();
}

namespace {
template <typename Box>
void bindField(DataControl& data, Box& box, const std::string& field) {
    box.setDataField(field);
    data.bind(box);
}
}  // namespace

// The controls of the pages and the fields they show. The localised field names of the Time,
// Classes and Results boxes are set by the language routines.
void MainWindow::bindPages() {
    bindField(NameData, NameIndex, "0");
    static const int competitorText[17] = {1, 2, 5,  6,  15, 16, 17, 18, 7,
                                           8, 9, 10, 11, 20, 21, 14, 19};
    for (int i = 0; i < 17; ++i)
        bindField(NameData, NameText[i], std::to_string(competitorText[i]));
    static const int competitorCombo[4] = {3, 4, 12, 13};
    for (int i = 0; i < 4; ++i)
        bindField(NameData, NameCombo[i], std::to_string(competitorCombo[i]));

    bindField(ClubData, ClubIndex, "0");
    for (int i = 0; i < 15; ++i) bindField(ClubData, ClubText[i], std::to_string(i + 1));

    ClassData.bind(ClassIndex);
    for (auto& box : ClassText) ClassData.bind(box);

    TimeData.bind(TimeRegTimeIndex);
    for (auto& box : TimeRegTime) TimeData.bind(box);

    for (int i = 0; i < CaptureRows; ++i) {
        bindField(SetTimeData, Number[i], std::to_string(i));
        bindField(SetTimeData, RegTimeIndex[i], std::to_string(10 + i));
        bindField(SetTimeData, RegTime[i], std::to_string(20 + i));
        bindField(SetTimeData, Regtimeled[i], std::to_string(30 + i));
    }

    for (int c = 0; c < ChannelTotal; ++c)
        bindField(SetupData, SetupChannelCheck[c], std::to_string(2 * c));
    for (int i = 0; i < setup::CheckCount; ++i)
        bindField(SetupData, SetupCheck[i], std::to_string(12 + i));
    static const int setupTexts[] = {0, 1, 2, 5, 4, 3};  // fields 21 to 26
    for (int i = 0; i < 6; ++i)
        bindField(SetupData, SetupText[setupTexts[i]], std::to_string(21 + i));
    bindField(SetupData, SetupTimerValue[1], "27");
    bindField(SetupData, SetupTimerValue[2], "28");
    for (int i = 6; i <= 14; ++i) bindField(SetupData, SetupText[i], std::to_string(23 + i));
    bindField(ControlData, SetupText[19], "Language");

    ResultsData.bind(ResultsIndex);
    for (auto& box : ResultsText) ResultsData.bind(box);
}

MainAboutWindow::MainAboutWindow() {
    registry.add(Window, "MainAbout");
    registry.addArray(Label, "Label");
    registry.add(Button, "Button");
}

}  // namespace kvt::ui
