// The competitor, club and class pages: Move to, Confirm this, the name caches filled when a
// record is left, the picking lists and the payment choice.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

void ConnectRegisterPages(ui::Program& program);

}  // namespace kvt::pages
