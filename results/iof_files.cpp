#include "results/iof_files.h"

#include "base/files.h"
#include "base/native_path.h"
#include "lang/publish_texts.h"
#include "meet/meet.h"
#include "results/iof_xml.h"
#include "results/list_file.h"
#include "ui/program.h"

namespace kvt::results {

void WriteIofFiles(ui::Program& program) {
    if (!program.meet) return;
    RunListCommand(program, [&] {
        program.tellIfNotStored(program.meet->rankAll());
        const IofSnapshot snapshot = TakeIofSnapshot(*program.meet, IofDay::Today());
        const std::string& folder = program.listFolder;
        base::WriteWholeFile(base::NativePath(folder + IofResultFile), IofResultList(snapshot));
        base::WriteWholeFile(base::NativePath(folder + IofStartFile), IofStartList(snapshot));
        base::WriteWholeFile(base::NativePath(folder + IofEntryFile), IofEntryList(snapshot));
    });
    program.info(lang::IofWrittenText().in(program.language) + program.listFolder + ": " +
                 IofResultFile + ", " + IofStartFile + ", " + IofEntryFile);
}

}  // namespace kvt::results
