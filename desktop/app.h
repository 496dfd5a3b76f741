// The desktop program: the Qt application, the real platform services and the frame window.
#pragma once

#include <functional>

namespace kvt::desktop {

class MainFrame;

// Runs the program until Exit. When given, shown is called once the window is on screen.
int RunProgram(int argc, char** argv, std::function<void(MainFrame&)> shown = {});

}  // namespace kvt::desktop
