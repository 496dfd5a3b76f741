#include "ui/program.h"

namespace kvt::ui {

Program::Program(Platform& platform, std::string programFolder)
    : platform(platform), programFolder(std::move(programFolder)) {
    for (DataControl* data :
         {&Main.TimeData, &Main.SetTimeData, &Main.NameData, &Main.ClubData, &Main.ClassData,
          &Main.SetupData, &Main.ControlData, &Main.UserData, &Main.ResultsData})
        data->setEngine(&platform.engine);
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
