// Who is on the course, and the times that wait beyond the list: the capture page's count and
// line, and the course view's lines with their running times.
#pragma once

#include <string>
#include <vector>

#include "meet/meet.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

// One line per competitor on the course, in start order: start number, name, class, start
// time and running time at now.
std::vector<std::string> CourseLines(const meet::Meet& meet, const std::string& now);

// The count on the capture page, the line of waiting times, and the course view's lines while
// it is shown (nothing of a meet once none is open).
void ShowRace(ui::Program& program);

}  // namespace kvt::pages
