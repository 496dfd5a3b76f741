// A data control: binds page controls to the fields of one table's current record.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "storage/store.h"
#include "ui/controls.h"

namespace kvt::ui {

using storage::FieldValue;

class DataControl : public CaptionedControl {
public:
    void setEngine(storage::Engine* engine) { engine_ = engine; }

    const std::string& databaseName() const { return databaseName_; }
    void setDatabaseName(const std::string& name) { databaseName_ = name; }
    const std::string& recordSource() const { return recordSource_; }
    void setRecordSource(const std::string& source) { recordSource_ = source; }
    // The records ascending by this field from the next refresh on ("" for stored order).
    void setSortField(const std::string& field) { sortField_ = field; }
    // The records in this order of their stored positions from the next refresh on, when it
    // names each record once (otherwise the sort field's order).
    void setArrangement(std::vector<int> storedPositions) {
        arrangement_ = std::move(storedPositions);
    }
    const std::string& sortField() const { return sortField_; }

    // Controls shown from the current record, by their data field names (read at each load,
    // so a changed field name takes effect at the next refresh).
    void bind(TextBox& box) { boxes_.push_back(&box); }
    void bind(CheckBox& box) { checks_.push_back(&box); }
    void bind(ComboBox& box) { combos_.push_back(&box); }
    void bind(Label& label) { labels_.push_back(&label); }

    // Saves an edited record, opens the record source afresh and shows its first record. With
    // an empty database name or record source the binding is closed and shows nothing. Throws
    // when the table cannot be opened.
    void refresh();
    bool isOpen() const { return table_ != nullptr; }
    int recordCount() const { return recordCount_; }
    // Position of the current record, 1-based; 0 when there is none.
    int position() const { return position_; }

    void moveFirst() { moveTo(1); }
    void moveLast() { moveTo(recordCount_); }
    void moveNext() { moveTo(std::min(position_ + 1, recordCount_)); }
    void movePrevious() { moveTo(std::max(position_ - 1, 1)); }
    // Moves to record n: Validate is raised first, an edited record is saved.
    void moveTo(int position);

    // Saves the current record and stays on it: Validate is raised (as when the record is
    // left), then the edits are stored.
    void saveRecord();
    // Reloads the current record into the bound controls.
    void reload();

    // The fields and records of the open table, for a grid.
    const std::vector<std::string>& fieldNames() const { return fieldNames_; }
    std::vector<FieldValue> readRecord(int position) const;
    std::vector<std::vector<FieldValue>> readAll() const;
    // Stores one field of a record (a grid edit); the current record is shown afresh.
    void writeField(int position, const std::string& field, const FieldValue& value);
    // Stores fields of a record in one write; the current record is shown afresh.
    void writeFields(int position, const std::vector<std::pair<std::string, FieldValue>>& fields);
    // Adds a record after the last one (fields in order); the current record stays.
    void appendRecord(const std::vector<FieldValue>& fields);

    // Grows each time the table is opened or closed, so that a view can tell when to read
    // all its rows again (records added at the end show in recordCount).
    int generation() const { return generation_; }
    // Counts the records written in place (by a grid or writeFields), with the last one.
    int writeCount() const { return writeCount_; }
    int lastWrittenPosition() const { return lastWritten_; }

    // Stores the bound values that differ from the record as loaded. Does nothing while a
    // record is being shown (the controls then hold part old, part new values), nor on a
    // binding that only shows its table.
    void updateRecord();
    // A binding that only shows what others store (the meet writes its own tables): it
    // never writes.
    void setShowOnly(bool showOnly) { showOnly_ = showOnly; }
    bool showOnly() const { return showOnly_; }
    // The records were written by someone else: the table's order is read again, the given
    // records (or all, when none is given) shown afresh.
    void recordsWritten(const std::vector<int>& positions = {});
    // Records stored in place by someone else (the meet, from what the page showed): grids
    // read them again; the current record's stored values are read again while the controls
    // keep what the operator typed that is not stored, and follow the rest.
    void recordsStored(const std::vector<int>& positions);
    // The bound values that differ from the record as loaded (the operator's edits), by field.
    std::vector<std::pair<std::string, FieldValue>> editedFields() const;
    // Shows a value in the controls bound to a field, as if the operator had typed it.
    void showField(const std::string& name, const FieldValue& value);
    bool loading() const { return loading_; }
    // After a write that was undone: every bound value is written again at the next update.
    void forgetStored() { rewriteAll_ = true; }
    // The stored value of a field of the current record, as loaded.
    FieldValue field(const std::string& name) const;

    // Raised before the current record is left; setting the flag to false keeps it.
    Event<bool&> Validate;
    // Raised after a record has been shown in the bound controls.
    Event<> Reposition;

private:
    void load();
    void closeTable();
    void showRecord();
    int fieldIndex(const std::string& name) const;

    storage::Engine* engine_ = nullptr;
    std::string databaseName_;
    std::string recordSource_;
    std::string sortField_;
    std::vector<int> arrangement_;
    std::unique_ptr<storage::Table> table_;
    std::vector<std::string> fieldNames_;
    std::vector<FieldValue> record_;
    int recordCount_ = 0;
    int position_ = 0;
    bool loading_ = false;
    bool rewriteAll_ = false;
    bool showOnly_ = false;
    int generation_ = 0;
    int writeCount_ = 0;
    int lastWritten_ = 0;
    std::vector<TextBox*> boxes_;
    std::vector<CheckBox*> checks_;
    std::vector<ComboBox*> combos_;
    std::vector<Label*> labels_;
};

// A grid showing the records of a data control, a column per field.
class DataGrid : public Control {
public:
    struct Column {
        int widthTwips = 1000;
        bool readOnly = false;
        bool visible = true;
    };

    explicit DataGrid(DataControl& source) : source_(source) {}
    DataControl& source() const { return source_; }
    const std::vector<Column>& columns() const { return columns_; }
    void setColumns(std::vector<Column> columns) {
        columns_ = std::move(columns);
        notify();
    }
    // A grid that is read-only as a whole ignores edits.
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { assign(readOnly_, readOnly); }
    // The column of a field (by position), with the defaults when none was laid out.
    Column column(int index) const {
        return index >= 0 && index < static_cast<int>(columns_.size()) ? columns_[index] : Column{};
    }
    // An edit of a cell, unless the grid or the column is read-only: handed to Edit when it
    // has a handler (the one who stores the table), otherwise stored through the source.
    void edit(int position, int column, const std::string& text);
    // Raised with the record's position, the column and the text of an edit.
    Event<int, int, const std::string&> Edit;

private:
    DataControl& source_;
    std::vector<Column> columns_;
    bool readOnly_ = false;
};

}  // namespace kvt::ui
