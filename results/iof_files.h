// The Lists menu's IOF XML command: the result list, start list and entry list of the open
// meet written into the meet folder.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// Ranks every class (one transaction, as the lists do), then writes "ResultList.xml",
// "StartList.xml" and "EntryList.xml" whole and says where.
void WriteIofFiles(ui::Program& program);

}  // namespace kvt::results
