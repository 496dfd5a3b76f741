// The controls of the race as it runs: the statuses an official sets (on the capture page and
// on the results page), the count of those on the course and the view that lists them, and the
// line that tells how many captured times wait beyond the ten rows of the list.
#pragma once

#include "lang/language_texts.h"
#include "ui/controls.h"

namespace kvt::ui {

// A start number, a reason and one button per status: each click is one action.
struct StatusControls {
    Frame Box;
    Label NumberLabel, ReasonLabel;
    TextBox Number, Reason;
    CommandButton Dns, Dnf, Dsq, Clear;
    // What the last click did, or why it did nothing.
    Label Message;

    void add(ControlRegistry& registry, const std::string& prefix);
    void showLanguage(lang::Language language);
};

// Who is on the course: every started competitor without a finish or a status, with his
// running time, kept current while the view is shown; a start number typed there is marked as
// gave up by one click.
struct CourseWindow {
    Form Window;
    Label Count;
    Label Heading;
    // One line per competitor: start number, name, class, start time, running time.
    TextBox List;
    Label NumberLabel;
    TextBox Number;
    CommandButton Dnf;
    Label Message;
};

struct RaceControls {
    RaceControls();
    RaceControls(const RaceControls&) = delete;

    // On the capture page: the count of those on the course (a click shows the view) and the
    // times that wait beyond the list.
    CommandButton CourseButton;
    Label Waiting;
    // On a server meet: the server reached, or away since when and how much waits to be sent.
    Label Server;
    StatusControls CaptureStatus;
    // On the results page: the start number follows the row shown.
    StatusControls ResultsStatus;
    CourseWindow Course;

    ControlRegistry registry;

    // Every caption in the language given.
    void showLanguage(lang::Language language);
};

}  // namespace kvt::ui
