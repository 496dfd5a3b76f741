#include "entries/export.h"

#include <algorithm>

#include "entries/csv.h"
#include "entries/fields.h"

namespace kvt::entries {

std::string ExportCsv(const meet::Meet& meet, meet::Register which, lang::Language language) {
    const auto& fields = RegisterFields(which);
    std::vector<std::string> cells;
    for (const auto& field : fields) cells.push_back(field.name.in(language));
    std::string file = "\xEF\xBB\xBF" + CsvLine(cells);
    const auto records = meet.registerRecords(which);
    const int count = std::min<int>(meet.registerCount(which), static_cast<int>(records.size()));
    for (int k = 0; k < count; ++k) {
        cells.clear();
        for (const auto& field : fields) {
            const auto& value = records[k][field.position];
            std::string text = value.value_or("");
            if (field.position == 0) {
                const auto begin = text.find_first_not_of(' ');
                text = begin == std::string::npos ? "" : text.substr(begin);
            }
            if (text == "-") text.clear();
            // A spreadsheet would run a name such as "=HYPERLINK(...)" as a formula.
            cells.push_back(NeutralisedCell(text));
        }
        file += CsvLine(cells);
    }
    return file;
}

}  // namespace kvt::entries
