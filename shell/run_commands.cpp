#include "shell/run_commands.h"

#include <string>

#include "shell/meet_commands.h"
#include "ui/program.h"

namespace kvt::shell {

bool ChooseRun(ui::Program& program, int run) {
    if (!program.meet || run == program.meet->run()) return false;
    const auto outcome = program.meet->chooseRun(run);
    std::string notices;
    for (const auto& notice : outcome.notices) notices += (notices.empty() ? "" : "\n") + notice;
    program.Main.StartsMessage.setCaption(notices);
    if (!outcome.acted) {
        program.tellIfNotStored(outcome);
        if (!outcome.notices.empty()) program.info(notices);
        return false;
    }
    // Read again as Open reads it: every page and binding follows the run now timed.
    const std::string path = program.meet->path();
    if (!CloseDatabase(program)) return false;
    return OpenDatabaseFile(program, path);
}

void ConnectRuns(ui::Program& program) {
    program.Main.StartsRunCombo.Click = program.guarded([&program] {
        if (program.meet) ChooseRun(program, program.Main.StartsRunCombo.listIndex() + 1);
    });
}

}  // namespace kvt::shell
