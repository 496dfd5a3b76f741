#include "ui/program.h"

#include "ui/number_text.h"

namespace kvt::ui {

Program::Program(Platform& platform, std::string programFolder)
    : Program(platform, LocationsInFolder(programFolder)) {}

Program::Program(Platform& platform, Locations locations)
    : platform(platform),
      locations(std::move(locations)),
      programFolder(this->locations.programFolder) {
    for (DataControl* data :
         {&Main.TimeData, &Main.SetTimeData, &Main.NameData, &Main.ClubData, &Main.ClassData,
          &Main.SetupData, &Main.ControlData, &Main.UserData, &Main.ResultsData})
        data->setEngine(&platform.engine);
    CompetitorNames.resize(MaxStartNumber + 1);
    CompetitorClubs.resize(MaxStartNumber + 1);
    CompetitorClasses.resize(MaxStartNumber + 1);
    PaymentByNumber.resize(MaxStartNumber + 1);
    StartTimes.resize(MaxStartNumber + 1);
    FinishTimes.resize(MaxStartNumber + 1);
    TimingStates.resize(MaxStartNumber + 1);
    RegisteredTimes.resize(MaxStartNumber + 1);
    ClubNames.resize(MaxClubOrClass + 1);
    ClassNames.resize(MaxClubOrClass + 1);
}

void Program::clearTables() {
    for (int n = 1; n <= MaxStartNumber; ++n) {
        CompetitorNames[n] = CompetitorClubs[n] = CompetitorClasses[n] = "-";
        StartTimes[n] = FinishTimes[n] = "-";
        PaymentByNumber[n] = 1;
        TimingStates[n] = NotStarted;
        RegisteredTimes[n] = RegisteredTime{};
    }
    for (int i = 1; i <= 6; ++i) {
        ChannelCounts[i] = 0;
        Main.SetupText[8 + i].setText("0");
    }
    for (int i = 1; i <= MaxClubOrClass; ++i) ClassNames[i] = ClubNames[i] = "-";
    RegisteredCount = 0;
    Main.SetupText[6].setText("0");
    FetchedCount = 0;
    Main.SetupText[7].setText("0");
}

void Program::readCounts() {
    const auto& text = Main.SetupText;
    HighestNumber = TextToInt16(text[0].text());
    ClubCount = TextToInt16(text[1].text());
    ClassCount = TextToInt16(text[2].text());
    RegisteredCount = TextToInt16(text[6].text());
    FetchedCount = TextToInt16(text[7].text());
    TimeTableSize = TextToInt16(text[8].text());
}

std::optional<std::string> Program::chooseFile(const std::string& title,
                                               const std::string& preset) {
    auto chosen = platform.dialogs.openFile(
        {title, preset, "Database (*.mdb)|*.mdb", DialogFolder(locations, lastChosenFile)});
    platform.pump.pumpEvents();
    if (!chosen || chosen->empty()) return std::nullopt;
    lastChosenFile = *chosen;
    return chosen;
}

void Program::beginProgress(const std::string& text, int maximum) {
    platform.application.setBusy(true);
    status(text);
    MDIMain.Progress.setMaximum(maximum);
}

void Program::endProgress() {
    platform.application.setBusy(false);
    MDIMain.Progress.setValue(0);
    status("");
}

void Program::setObserver(ControlObserver* observer) {
    MDIMain.registry.setObserver(observer);
    Main.registry.setObserver(observer);
    MainAbout.registry.setObserver(observer);
}

void Program::info(const std::string& text) {
    platform.dialogs.message(text, LanguageTexts[11], MessageButtons::Ok);
}

void Program::status(const std::string& text) {
    MDIMain.Status.setPanelText(2, text);
}

}  // namespace kvt::ui
