#include "ui/race_controls.h"

#include "lang/race_texts.h"

namespace kvt::ui {

void StatusControls::add(ControlRegistry& registry, const std::string& prefix) {
    registry.add(Box, prefix + "Box");
    registry.add(NumberLabel, prefix + "NumberLabel");
    registry.add(ReasonLabel, prefix + "ReasonLabel");
    registry.add(Number, prefix + "Number");
    registry.add(Reason, prefix + "Reason");
    registry.add(Dns, prefix + "Dns");
    registry.add(Dnf, prefix + "Dnf");
    registry.add(Dsq, prefix + "Dsq");
    registry.add(Clear, prefix + "Clear");
    registry.add(Message, prefix + "Message");
}

void StatusControls::showLanguage(lang::Language language) {
    Box.setCaption(lang::StatusFrameCaption().in(language));
    NumberLabel.setCaption(lang::StatusNumberCaption().in(language));
    ReasonLabel.setCaption(lang::StatusReasonCaption().in(language));
    Dns.setCaption(lang::DnsButtonText().in(language));
    Dnf.setCaption(lang::DnfButtonText().in(language));
    Dsq.setCaption(lang::DsqButtonText().in(language));
    Clear.setCaption(lang::ClearStatusButtonText().in(language));
}

RaceControls::RaceControls() {
    registry.add(CourseButton, "CourseButton");
    registry.add(Waiting, "WaitingTimes");
    registry.add(Server, "ServerState");
    CaptureStatus.add(registry, "CaptureStatus");
    ResultsStatus.add(registry, "ResultsStatus");
    registry.add(Course.Window, "Course");
    registry.add(Course.Count, "CourseCount");
    registry.add(Course.Heading, "CourseHeading");
    registry.add(Course.List, "CourseList");
    registry.add(Course.NumberLabel, "CourseNumberLabel");
    registry.add(Course.Number, "CourseNumber");
    registry.add(Course.Dnf, "CourseDnf");
    registry.add(Course.Message, "CourseMessage");
    Course.List.setLocked(true);
    Course.Window.setVisible(false);
    showLanguage(lang::Language::Norwegian);
}

void RaceControls::showLanguage(lang::Language language) {
    CaptureStatus.showLanguage(language);
    ResultsStatus.showLanguage(language);
    Course.Window.setCaption(lang::CourseViewTitle().in(language));
    Course.Heading.setCaption(lang::CourseHeadingText().in(language));
    Course.NumberLabel.setCaption(lang::StatusNumberCaption().in(language));
    Course.Dnf.setCaption(lang::CourseDnfCaption().in(language));
}

}  // namespace kvt::ui
