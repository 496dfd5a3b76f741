// A data control: binds page controls to the fields of one table's current record.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/controls.h"

namespace kvt::ui {

// A stored value; no value stands for the database's Null.
using FieldValue = std::optional<std::string>;

// One table's records in stored order, numbered from 1.
class RecordTable {
public:
    virtual ~RecordTable() = default;
    virtual std::vector<std::string> fieldNames() = 0;
    virtual int recordCount() = 0;
    virtual std::vector<FieldValue> readRecord(int position) = 0;
    // Stores the given fields of the record durably before it returns.
    virtual void writeFields(int position,
                             const std::vector<std::pair<std::string, FieldValue>>& fields) = 0;
};

class DatabaseEngine {
public:
    virtual ~DatabaseEngine() = default;
    // Opens the table (record source) of an existing database file; throws when it cannot.
    virtual std::unique_ptr<RecordTable> openTable(const std::string& databaseName,
                                                   const std::string& recordSource) = 0;
};

class DataControl : public CaptionedControl {
public:
    void setEngine(DatabaseEngine* engine) { engine_ = engine; }

    const std::string& databaseName() const { return databaseName_; }
    void setDatabaseName(const std::string& name) { databaseName_ = name; }
    const std::string& recordSource() const { return recordSource_; }
    void setRecordSource(const std::string& source) { recordSource_ = source; }

    // Controls shown from the current record, by their data field names (read at each load,
    // so a changed field name takes effect at the next refresh).
    void bind(TextBox& box) { boxes_.push_back(&box); }
    void bind(CheckBox& box) { checks_.push_back(&box); }
    void bind(ComboBox& box) { combos_.push_back(&box); }

    // Saves an edited record, opens the record source afresh and shows its first record. With
    // an empty database name the binding is closed and shows nothing. Throws when the table
    // cannot be opened.
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

    // Stores the bound values that differ from the record as loaded. Does nothing while a
    // record is being shown (the controls then hold part old, part new values).
    void updateRecord();
    bool loading() const { return loading_; }
    // The stored value of a field of the current record, as loaded.
    FieldValue field(const std::string& name) const;

    // Raised before the current record is left; setting the flag to false keeps it.
    Event<bool&> Validate;
    // Raised after a record has been shown in the bound controls.
    Event<> Reposition;

private:
    void load();
    void showRecord();
    int fieldIndex(const std::string& name) const;
    std::vector<std::pair<std::string, FieldValue>> editedFields() const;

    DatabaseEngine* engine_ = nullptr;
    std::string databaseName_;
    std::string recordSource_;
    std::unique_ptr<RecordTable> table_;
    std::vector<std::string> fieldNames_;
    std::vector<FieldValue> record_;
    int recordCount_ = 0;
    int position_ = 0;
    bool loading_ = false;
    std::vector<TextBox*> boxes_;
    std::vector<CheckBox*> checks_;
    std::vector<ComboBox*> combos_;
};

}  // namespace kvt::ui
