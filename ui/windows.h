// The three windows of the program as structs of named controls. Control arrays keep the
// program's indexes; each control is registered under its name ("Number_3").
#pragma once

#include <array>

#include "storage/schema.h"
#include "ui/controls.h"
#include "ui/data_binding.h"

namespace kvt::ui {

// The frame window: menus, status bar (three panels, the third shows progress texts) and the
// progress bar.
struct MDIMainWindow {
    MDIMainWindow();
    MDIMainWindow(const MDIMainWindow&) = delete;

    Form Frame;
    MenuItem Database, Open, Close, Reset, MakeNew, Repair, Kompress, Copy, Avslutt;
    MenuItem HostOnServer, JoinServer, SaveAsFile, StartServer;
    MenuItem ImportCsv, ExportCsv, ImportIof;
    MenuItem Lists, MakeResultslist, ViewResultslist, MakeResultslistHtml, ViewResultslistHtml;
    MenuItem MakeStartlist, ViewStartlist, ViewStartlistHtml;
    MenuItem PrintResultslist, PdfResultslist;
    MenuItem PrintStartlist, PdfStartlist;
    MenuItem MakeIofXml;
    MenuItem Help, General, Search, Adapter, About;
    StatusBar Status;
    ProgressBar Progress;

    ControlRegistry registry;
};

inline constexpr int CaptureRows = 10;
// The table of User.ini and its fields, shown in SetupText(15) to (18).
using storage::UserSettingsFields;
using storage::UserSettingsTable;
inline constexpr int ChannelTotal = 6;

// The setup page's controls by what they hold (the indexes of SetupCheck, SetupText, ...).
namespace setup {
inline constexpr int SpareCheck = 0, FictiveNamesCheck = 1, StartAtSameTimeCheck = 2;
inline constexpr int AutomaticCaptureCheck = 3, RemoveFromListCheck = 4, DifferencesCheck = 5;
inline constexpr int StatusesCheck = 6;
inline constexpr int CheckCount = 7;
inline constexpr int CompetitorCountText = 0, ClubCountText = 1, ClassCountText = 2;
inline constexpr int TimeFormatText = 3, SignalText = 4, DatabaseTypeText = 5;
inline constexpr int RegisteredCountText = 6, FetchedCountText = 7, TimeTableSizeText = 8;
constexpr int ChannelCountText(int line) {  // line 1 to 6
    return 8 + line;
}
inline constexpr int ExplorerPathText = 15, UserLanguageText = 16, EditorText = 17;
inline constexpr int EditorPathText = 18, MeetLanguageText = 19;
inline constexpr int AdapterHandleLabel = 13, DigitalChannelsLabel = 14, AnalogChannelsLabel = 15;
inline constexpr int IntervalSlider = 0, DelaySlider = 1;
inline constexpr int IntervalValue = 1, DelayValue = 2, PollRateValue = 3;
inline constexpr int SignalGoesLowOption = 1;
inline constexpr int Format16BitOption = 0, Format32BitOption = 1;
}  // namespace setup

// The corrections a page offers: a start number (the competitor acted on), the start number a
// time is given to, a time typed by hand and its reason, the buttons, and what undo and redo
// would act on. The capture page acts on the time chosen in its time log.
struct CorrectionBar {
    Frame Box;
    Label NumberLabel, GiveToLabel, TimeLabel, ReasonLabel, Last;
    TextBox Number, GiveTo, Time, Reason;
    CommandButton Reassign, TakeBack, TakeBackStart, TakeBackFinish, HandStart, HandFinish;
    CommandButton Undo, Redo;
    // Two systems: the replacement proposed for the competitor's start or finish (asked, then
    // accepted), a backup watch's time typed, and A - B of the last ones paired.
    CommandButton ReplaceStart, ReplaceFinish, WatchStart, WatchFinish;
    Label Systems;

    // Registers every control under prefix + its name ("TimeCorrectionUndo").
    void registerIn(ControlRegistry& registry, const std::string& prefix);
};

// The main child window: toolbar, the six tab pages, data controls and timers.
struct MainWindow {
    MainWindow();
    MainWindow(const MainWindow&) = delete;

    Form Window;
    Toolbar MainToolbar;
    TabStrip MainTabStrip{7};
    ContainerStack MainConTainer{7};
    Timer Hitime1, Hitime2, Hitime3;

    // Capture page
    TabStrip TimeTabStrip{2};
    ContainerStack TimeContainer{2};
    TabStrip TimeListTabStrip{2};
    ContainerStack TimeListContainer{2};
    std::array<Label, 8> TimeLabel;
    DataControl TimeData;
    DataGrid TimeDBGrid{TimeData};
    std::array<CommandButton, ChannelTotal> TimeButton;
    std::array<Lamp, ChannelTotal> ChannelLed;
    TextBox ExactTime;
    TextBox TimeRegTimeIndex;
    std::array<TextBox, 6> TimeRegTime;
    // A timer's link in words, its clock's offset from the race clock, and the button that
    // asks it for its memory (shown while the device is a timer).
    Label TimeTimerLink;
    CommandButton TimeTimerMemoryButton;
    std::array<Lamp, CaptureRows> Outled, Inled, ReadyLed;
    std::array<TextBox, CaptureRows> Number;
    std::array<ui::UpDown, CaptureRows> UpDown;
    std::array<Label, CaptureRows> TimeNames;
    std::array<ui::Label, CaptureRows> Time;
    std::array<CommandButton, CaptureRows> Set, Delete;
    std::array<TextBox, CaptureRows> RegTime, RegTimeIndex, Regtimeled;
    DataControl SetTimeData;
    // A late entry added while racing, with the number typed on a line when it is no one's.
    CommandButton CaptureNewCompetitor;

    // Competitors page
    TabStrip NameTabStrip{2};
    ContainerStack NameContainer{2};
    std::array<Label, 23> NameLabel;
    std::array<Frame, 2> NameFrame;
    std::array<OptionButton, 4> NameOption;
    std::array<ComboBox, 4> NameCombo;
    std::array<TextBox, 17> NameText;
    TextBox NameIndex;
    TextBox NameMover;
    CommandButton NameButton;
    // A record added after the last one (the same on the club and class pages).
    CommandButton NameNew;
    DataControl NameData;
    // Under the record: a start number that another record holds too, a club or class that
    // matches none of the meet's.
    Label NameWarning;

    // Clubs page
    TabStrip ClubTabStrip{2};
    ContainerStack ClubContainer{2};
    std::array<Label, 18> ClubLabel;
    std::array<TextBox, 15> ClubText;
    TextBox ClubIndex;
    TextBox ClubMover;
    CommandButton ClubButton;
    CommandButton ClubNew;
    DataControl ClubData;

    // Classes page
    TabStrip ClassTabStrip{2};
    ContainerStack ClassContainer{2};
    std::array<Label, 5> ClassLabel;
    std::array<TextBox, 3> ClassText;
    TextBox ClassIndex;
    TextBox ClassMover;
    CommandButton ClassButton;
    CommandButton ClassNew;
    DataControl ClassData;
    DataGrid ClassDBGrid{ClassData};

    // Setup page
    TabStrip SetupTabStrip{4};
    ContainerStack SetupContainer{4};
    std::array<Frame, 12> SetupFrame;
    std::array<Label, 16> SetupLabel;
    std::array<TextBox, 20> SetupText;
    std::array<CheckBox, setup::CheckCount> SetupCheck;
    std::array<CheckBox, ChannelTotal> SetupChannelCheck;
    std::array<OptionButton, 4> SetupTimeOption;
    std::array<OptionButton, 2> SetupSignalOption;
    std::array<OptionButton, 2> SetupOption;
    std::array<OptionButton, 6> SetupLanguageOption;
    std::array<OptionButton, 4> SetupEditorOption;
    std::array<Slider, 2> SetupSlider;
    std::array<Label, 4> SetupTimerValue;
    ProgressBar SetupProgressBar;
    // The lines tab: the adapter's device and wiring (kept in the adapter's settings file), the
    // race clock's anchor, and the "Test lines" view.
    Frame SetupDeviceFrame;
    Label SetupDeviceLabel, SetupDevicePathLabel, SetupOutputsLabel, SetupLineHeading;
    ComboBox SetupDeviceCombo;
    TextBox SetupDevicePathText, SetupOutputsText;
    std::array<Label, ChannelTotal> SetupLineLabel;
    std::array<TextBox, ChannelTotal> SetupLineSourceText;
    std::array<ComboBox, ChannelTotal> SetupLineBiasCombo, SetupLineActiveCombo;
    CommandButton SetupAdapterUseButton;
    Label SetupAdapterMessage;
    // A timer on a serial line: its kind, rate, handshake and memory command (the port is the
    // device's path, its channels the lines' sources), how its link stands, and the button
    // that asks it for its memory.
    Frame SetupTimerFrame;
    Label SetupTimerKindLabel, SetupTimerRateLabel, SetupTimerHandshakeLabel;
    Label SetupTimerMemoryLabel;
    ComboBox SetupTimerKindCombo, SetupTimerHandshakeCombo;
    TextBox SetupTimerRateText, SetupTimerMemoryText;
    Label SetupTimerLink;
    CommandButton SetupTimerMemoryButton;
    // Options of the meet for a timer's times: race times at full precision, and a time that
    // carries a competitor's start number given to him at once.
    CheckBox SetupFullPrecisionCheck, SetupGiveNumberedCheck;
    // Systems A and B: each line's system and what it times, the pairing window and the
    // out-of-sync bound, the synchronisation and its check, and hand times read from a file.
    std::array<ComboBox, ChannelTotal> SetupLineSystemCombo;
    Label SetupLineSystemHeading;
    Frame SetupSystemsFrame;
    Label SetupSystemsWindowLabel, SetupSystemsBoundLabel, SetupSyncLabel;
    TextBox SetupSystemsWindowText, SetupSystemsBoundText;
    CommandButton SetupSystemsUseButton, SetupSyncButton, SetupSyncCheckButton;
    CommandButton SetupHandStartsButton, SetupHandFinishesButton;
    Label SetupClockLabel;
    CheckBox SetupTestLinesCheck;
    Frame TestLinesFrame;
    std::array<Lamp, ChannelTotal> TestLineLamp;
    std::array<Label, ChannelTotal> TestLineText;
    // A timer's records as they arrive, the newest first, each with what was read from it.
    Label TestTimerHeading;
    std::array<Label, 8> TestTimerRecord;
    DataControl SetupData;
    DataControl ControlData;
    DataControl UserData;  // the user settings record in User.ini
    // Live results on the local network: settings of this run, neither in the Setup record
    // nor in User.ini. The address label tells where the pages are reached while they are.
    Frame SetupLiveFrame;
    CheckBox SetupLiveCheck;
    Label SetupLivePortLabel;
    TextBox SetupLivePortText;
    Label SetupLiveAddress;
    // Hands the live pages the results as they change, while the server runs.
    Timer LiveTimer;
    // Pages for the web and their publishing, and the text list's encoding: the user's
    // settings, kept in a file of their own beside User.ini.
    Frame SetupWebFrame;
    CheckBox SetupWebCheck, SetupUtf8Check, SetupPublishCheck;
    Label SetupPublishTargetLabel, SetupPublishUserLabel, SetupPublishKeyLabel;
    Label SetupPublishPasswordLabel, SetupPublishCommandLabel;
    TextBox SetupPublishTargetText, SetupPublishUserText, SetupPublishKeyText;
    TextBox SetupPublishPasswordText, SetupPublishCommandText;
    // The last publish that went through and the last error.
    Label SetupPublishState;
    // Hands the writer of the pages a snapshot when the results or the entries changed.
    Timer WebTimer;

    // Results page
    TabStrip ResultsTabStrip{3};
    ContainerStack ResultsContainer{3};
    std::array<Label, 9> ResultsLabel;
    Frame ResultsFrame;
    ComboBox ResultsCombo;
    TextBox ResultsMover;
    TextBox ResultsIndex;
    std::array<TextBox, 6> ResultsText;
    DataControl ResultsData;
    DataGrid ResultsDBGrid{ResultsData};

    // Corrections: of the time chosen on the capture page, of a competitor on the results page.
    CorrectionBar TimeCorrection, ResultsCorrection;
    // The trail of changes (the results page's third tab): newest first, of every start number
    // or of the one typed, and the timing report printed or as a PDF.
    Label TrailFilterLabel, TrailNote;
    TextBox TrailFilter, TrailText;
    CommandButton TrailPrint, TrailPdf;
    // Starts page: how the chosen class starts (its mode, first start, interval, order, gap,
    // place in the order of starts, tolerance), the draw, and the class (or the classes
    // listed) started all at once; its planned starts and the starts for the jury are shown.
    std::array<Label, 12> StartsLabel;
    ComboBox StartsClassCombo, StartsModeCombo, StartsOrderCombo;
    TextBox StartsFirstText, StartsIntervalText, StartsGapText, StartsSequenceText;
    TextBox StartsToleranceText, StartsListText, StartsMassTimeText, StartsGroupText;
    CommandButton StartsKeepButton, StartsDrawButton, StartsMassButton, StartsMassImpulseButton;
    TextBox StartsPlanText, StartsJuryText;
    Label StartsMessage;
    // Runs: how many the meet holds and the run being timed (the starts page), how many of a
    // class's best start reversed in the next run, the run timed as the capture page shows
    // it, and the run or the combined result the results page and the lists show.
    Label StartsRunsLabel, StartsRunLabel, StartsBestLabel, CaptureRun, ResultsRunLabel;
    TextBox StartsRunsText, StartsBestText;
    CommandButton StartsRunsButton;
    ComboBox StartsRunCombo, ResultsRunCombo;
    TextBox ResultsCombinedText;

    ControlRegistry registry;

    // Every value back to what the window shows when it is loaded (tabs stay where they are).
    void restoreDesign();

    // The setup page's controls that the handlers read, by name.
    CheckBox& automaticCaptureCheck() { return SetupCheck[setup::AutomaticCaptureCheck]; }
    const CheckBox& automaticCaptureCheck() const {
        return SetupCheck[setup::AutomaticCaptureCheck];
    }
    CheckBox& differencesCheck() { return SetupCheck[setup::DifferencesCheck]; }
    TextBox& userLanguageText() { return SetupText[setup::UserLanguageText]; }
    const TextBox& userLanguageText() const { return SetupText[setup::UserLanguageText]; }

private:
    void setDesignValues();
    void bindPages();
};

struct MainAboutWindow {
    MainAboutWindow();
    MainAboutWindow(const MainAboutWindow&) = delete;

    Form Window;
    std::array<ui::Label, 8> Label;
    CommandButton Button;

    ControlRegistry registry;
};

}  // namespace kvt::ui
