#include "storage/schema.h"

namespace kvt::storage {

namespace {

// Fields named "0", "1", ... of one type.
void numberedFields(std::vector<FieldSpec>& fields, int from, int to, FieldType type) {
    for (int i = from; i <= to; ++i) fields.push_back({std::to_string(i), type});
}

std::vector<FieldSpec> textFields(const lang::TextTable& texts,
                                  std::initializer_list<int> entries) {
    std::vector<FieldSpec> fields;
    for (int entry : entries) fields.push_back({texts[entry], FieldType::Text});
    return fields;
}

}  // namespace

TableSpec DescribeTable(TableKind kind, const lang::TextTable& texts, int classNumber) {
    TableSpec table{kind, {}, {}};
    switch (kind) {
        case TableKind::Competitors:
            table.name = texts[lang::entry::CompetitorsTable];
            numberedFields(table.fields, 0, 26, FieldType::Text);
            break;
        case TableKind::Clubs:
            table.name = texts[lang::entry::ClubsTable];
            numberedFields(table.fields, 0, 15, FieldType::Text);
            break;
        case TableKind::Classes:
            table.name = texts[lang::entry::ClassesTable];
            table.fields = textFields(
                texts, {lang::entry::ClassIndexField, lang::entry::ClassIdField,
                        lang::entry::ClassNameField, lang::entry::ClassSpecificationField});
            break;
        case TableKind::Setup:
            table.name = texts[lang::entry::SetupTable];
            numberedFields(table.fields, 0, 20, FieldType::YesNo);
            numberedFields(table.fields, 21, 37, FieldType::Text);
            break;
        case TableKind::Time:
            table.name = texts[lang::entry::TimeTable];
            table.fields =
                textFields(texts, {lang::entry::TimeIndexField, lang::entry::TimeIdField,
                                   lang::entry::TimeTimeField, lang::entry::TimeNumberField,
                                   lang::entry::TimeKindField, lang::entry::TimeCompetitorField,
                                   lang::entry::TimeInfoField});
            break;
        case TableKind::Work:
            table.name = texts[lang::entry::WorkTable];
            numberedFields(table.fields, 0, 40, FieldType::Text);
            break;
        case TableKind::Results:
            table.name = texts[lang::entry::ResultsTablePrefix] + std::to_string(classNumber);
            table.fields = textFields(
                texts, {lang::entry::Place, lang::entry::Number, lang::entry::Competitor,
                        lang::entry::Club, lang::entry::Result, lang::entry::Difference});
            table.fields[0].type = FieldType::Integer;
            table.fields[1].type = FieldType::Integer;
            break;
        case TableKind::Control:
            table.name = "Control";
            table.fields = {{"Language", FieldType::Text},
                            {"Date", FieldType::Text},
                            {"Time", FieldType::Text}};
            break;
    }
    return table;
}

TableSpec UserSettingsSpec() {
    TableSpec table{TableKind::Control, UserSettingsTable, {}};
    for (const char* field : UserSettingsFields) table.fields.push_back({field, FieldType::Text});
    return table;
}

TableSpec ImpulseJournalSpec() {
    return {TableKind::Control,
            ImpulseJournalTable,
            {{"Impulse", FieldType::Integer},
             {"Source", FieldType::Text},
             {"Channel", FieldType::Text},
             {"Line", FieldType::Integer},
             {"TimeOfDay", FieldType::Text},
             {"Microseconds", FieldType::Integer},
             {"Decimals", FieldType::Integer},
             {"Arrival", FieldType::Text},
             {"ArrivalNanoseconds", FieldType::Integer},
             {"Number", FieldType::Integer},
             {"Flags", FieldType::Integer},
             {"Raw", FieldType::Text},
             {"TimeRow", FieldType::Integer}}};
}

TableSpec StationImpulsesSpec() {
    return {TableKind::Control,
            StationImpulsesTable,
            {{"Station", FieldType::Text},
             {"Sequence", FieldType::Integer},
             {"Impulse", FieldType::Integer}}};
}

TableSpec ProgramSettingsSpec() {
    return {TableKind::Control,
            ProgramSettingsTable,
            {{"Name", FieldType::Text}, {"Value", FieldType::Text}}};
}

TableSpec RaceStatusesSpec() {
    return {TableKind::Control,
            RaceStatusesTable,
            {{"Number", FieldType::Integer},
             {"Status", FieldType::Text},
             {"Reason", FieldType::Text},
             {"Before", FieldType::Text}}};
}

TableSpec TimeRunsSpec() {
    return {TableKind::Control,
            TimeRunsTable,
            {{"Row", FieldType::Integer}, {"Run", FieldType::Integer}}};
}

TableSpec RunStatusesSpec() {
    return {TableKind::Control,
            RunStatusesTable,
            {{"Run", FieldType::Integer},
             {"Number", FieldType::Integer},
             {"Status", FieldType::Text},
             {"Reason", FieldType::Text}}};
}

std::string RunResultsTableName(const lang::TextTable& texts, int classNumber, int run) {
    return "Run" + std::to_string(run) + "-" + texts[lang::entry::ResultsTablePrefix] +
           std::to_string(classNumber);
}

TableSpec ReplacementsSpec() {
    return {TableKind::Control,
            ReplacementsTable,
            {{"Number", FieldType::Integer},
             {"Use", FieldType::Text},
             {"Source", FieldType::Text},
             {"Own", FieldType::Text},
             {"Sum", FieldType::Text},
             {"Basis", FieldType::Text},
             {"Time", FieldType::Text},
             {"TimeRow", FieldType::Integer}}};
}

TableSpec ClassStartsSpec() {
    return {TableKind::Control,
            ClassStartsTable,
            {{"Run", FieldType::Integer},
             {"Class", FieldType::Integer},
             {"Mode", FieldType::Text},
             {"FirstStart", FieldType::Text},
             {"Interval", FieldType::Integer},
             {"StartOrder", FieldType::Text},
             {"ListOrder", FieldType::Text},
             {"Gap", FieldType::Integer},
             {"Sequence", FieldType::Integer},
             {"Tolerance", FieldType::Integer},
             {"MassTime", FieldType::Text},
             {"MassRow", FieldType::Integer},
             {"Draws", FieldType::Integer}}};
}

TableSpec PlannedStartsSpec() {
    return {TableKind::Control,
            PlannedStartsTable,
            {{"Run", FieldType::Integer},
             {"Number", FieldType::Integer},
             {"Class", FieldType::Integer},
             {"Planned", FieldType::Text},
             {"Impulse", FieldType::Text},
             {"ImpulseRow", FieldType::Integer},
             {"Jury", FieldType::Text}}};
}

std::vector<TableSpec> MeetTables(const lang::TextTable& texts, int classCount) {
    std::vector<TableSpec> tables;
    for (TableKind kind : {TableKind::Competitors, TableKind::Clubs, TableKind::Classes,
                           TableKind::Setup, TableKind::Time, TableKind::Work})
        tables.push_back(DescribeTable(kind, texts));
    for (int c = 1; c <= classCount; ++c)
        tables.push_back(DescribeTable(TableKind::Results, texts, c));
    tables.push_back(DescribeTable(TableKind::Control, texts));
    return tables;
}

}  // namespace kvt::storage
