#include "ui/data_binding.h"

#include <algorithm>
#include <stdexcept>

#include "base/number_text.h"

namespace kvt::ui {

namespace {
std::string shown(const FieldValue& value) {
    return value.value_or(std::string());
}
bool yes(const FieldValue& value) {
    return value && base::TextToNumber(*value) != 0;
}
}  // namespace

void DataControl::refresh() {
    try {
        if (table_ && position_ > 0) updateRecord();
    } catch (...) {
        // The binding is closed all the same; the caller tells what was not stored.
        closeTable();
        throw;
    }
    closeTable();
    if (databaseName_.empty() || recordSource_.empty()) {
        notify();
        return;
    }
    if (!engine_) throw std::runtime_error("no database engine");
    table_ = engine_->openTable(databaseName_, recordSource_,
                                arrangement_.empty() ? sortField_ : std::string());
    if (!arrangement_.empty() && !table_->arrange(arrangement_))
        table_ = engine_->openTable(databaseName_, recordSource_, sortField_);
    fieldNames_ = table_->fieldNames();
    recordCount_ = table_->recordCount();
    if (recordCount_ > 0) {
        position_ = 1;
        try {
            load();
        } catch (...) {
            closeTable();  // a record that cannot be read leaves nothing half shown
            throw;
        }
    }
    notify();
}

void DataControl::closeTable() {
    rewriteAll_ = false;
    table_.reset();
    fieldNames_.clear();
    record_.clear();
    recordCount_ = 0;
    position_ = 0;
    ++generation_;
}

void DataControl::saveRecord() {
    if (!table_ || position_ == 0) return;
    bool leave = true;
    Validate.raise(leave);
    updateRecord();
}

void DataControl::reload() {
    if (table_ && position_ > 0) load();
}

std::vector<FieldValue> DataControl::readRecord(int position) const {
    if (!table_ || position < 1 || position > recordCount_) return {};
    auto record = table_->readRecord(position);
    record.resize(fieldNames_.size());
    return record;
}

std::vector<std::vector<FieldValue>> DataControl::readAll() const {
    if (!table_) return {};
    auto records = table_->readAll();
    for (auto& record : records) record.resize(fieldNames_.size());
    return records;
}

void DataControl::writeField(int position, const std::string& field, const FieldValue& value) {
    writeFields(position, {{field, value}});
}

void DataControl::appendRecord(const std::vector<FieldValue>& fields) {
    if (!table_) throw std::runtime_error("the table is not open");
    if (showOnly_) throw std::logic_error("a binding that only shows its table was written");
    recordCount_ = table_->appendRecord(fields);
    notify();
}

void DataControl::writeFields(int position,
                              const std::vector<std::pair<std::string, FieldValue>>& fields) {
    if (!table_ || position < 1 || position > recordCount_) return;
    if (showOnly_) throw std::logic_error("a binding that only shows its table was written");
    for (const auto& written : fields)
        if (fieldIndex(written.first) < 0) throw std::runtime_error("no field " + written.first);
    if (position == position_) updateRecord();
    table_->writeFields(position, fields);
    ++writeCount_;
    lastWritten_ = position;
    if (position == position_) load();
    notify();
}

void DataControl::moveTo(int position) {
    if (!table_ || recordCount_ == 0) return;
    position = std::clamp(position, 1, recordCount_);
    bool leave = true;
    Validate.raise(leave);
    if (!leave) return;
    updateRecord();
    position_ = position;
    load();
}

void DataControl::load() {
    record_ = table_->readRecord(position_);
    record_.resize(fieldNames_.size());
    loading_ = true;
    try {
        showRecord();
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
    notify();
    Reposition.raise();
}

void DataControl::showRecord() {
    for (TextBox* box : boxes_) {
        int i = fieldIndex(box->dataField());
        if (i >= 0) box->setText(shown(record_[i]));
    }
    for (CheckBox* box : checks_) {
        int i = fieldIndex(box->dataField());
        if (i >= 0) box->setChecked(yes(record_[i]));
    }
    for (ComboBox* box : combos_) {
        int i = fieldIndex(box->dataField());
        if (i >= 0) box->setText(shown(record_[i]));
    }
    for (Label* label : labels_) {
        int i = fieldIndex(label->dataField());
        if (i >= 0) label->setCaption(shown(record_[i]));
    }
}

int DataControl::fieldIndex(const std::string& name) const {
    if (name.empty() || record_.size() < fieldNames_.size()) return -1;
    auto it = std::find(fieldNames_.begin(), fieldNames_.end(), name);
    return it == fieldNames_.end() ? -1 : static_cast<int>(it - fieldNames_.begin());
}

FieldValue DataControl::field(const std::string& name) const {
    int i = fieldIndex(name);
    return i < 0 || i >= static_cast<int>(record_.size()) ? FieldValue{} : record_[i];
}

std::vector<std::pair<std::string, FieldValue>> DataControl::editedFields() const {
    std::vector<std::pair<std::string, FieldValue>> edited;
    auto note = [&](const std::string& field, const std::string& now, bool differs) {
        if (differs || rewriteAll_) edited.emplace_back(field, now);
    };
    for (const TextBox* box : boxes_) {
        int i = fieldIndex(box->dataField());
        if (i >= 0) note(box->dataField(), box->text(), box->text() != shown(record_[i]));
    }
    for (const CheckBox* box : checks_) {
        int i = fieldIndex(box->dataField());
        if (i >= 0)
            note(box->dataField(), box->checked() ? "1" : "0", box->checked() != yes(record_[i]));
    }
    for (const ComboBox* box : combos_) {
        int i = fieldIndex(box->dataField());
        if (i >= 0) note(box->dataField(), box->text(), box->text() != shown(record_[i]));
    }
    for (const Label* label : labels_) {
        int i = fieldIndex(label->dataField());
        if (i >= 0)
            note(label->dataField(), label->caption(), label->caption() != shown(record_[i]));
    }
    return edited;
}

void DataControl::recordsWritten(const std::vector<int>& positions) {
    if (!table_) return;
    // Records written in place keep the order; only added ones make it read again.
    const bool added =
        positions.empty() || *std::max_element(positions.begin(), positions.end()) > recordCount_;
    if (added) table_->readAdded();
    recordCount_ = table_->recordCount();
    if (positions.size() == 1) {
        ++writeCount_;
        lastWritten_ = positions.front();
    } else {
        ++generation_;
    }
    if (position_ > recordCount_) position_ = recordCount_;
    if (position_ == 0 && recordCount_ > 0) position_ = 1;
    if (position_ > 0) load();
    notify();
}

void DataControl::recordsStored(const std::vector<int>& positions) {
    if (!table_ || positions.empty()) return;
    if (positions.size() == 1) {
        ++writeCount_;
        lastWritten_ = positions.front();
    } else {
        ++generation_;
    }
    if (position_ > 0 &&
        std::find(positions.begin(), positions.end(), position_) != positions.end()) {
        const auto typed = editedFields();
        record_ = table_->readRecord(position_);
        record_.resize(fieldNames_.size());
        loading_ = true;
        try {
            showRecord();
            for (const auto& [name, value] : typed) showField(name, value);
        } catch (...) {
            loading_ = false;
            throw;
        }
        loading_ = false;
        Reposition.raise();
    }
    notify();
}

void DataControl::showField(const std::string& name, const FieldValue& value) {
    for (TextBox* box : boxes_)
        if (box->dataField() == name) box->setText(shown(value));
    for (CheckBox* box : checks_)
        if (box->dataField() == name) box->setChecked(yes(value));
    for (ComboBox* box : combos_)
        if (box->dataField() == name) box->setText(shown(value));
    for (Label* label : labels_)
        if (label->dataField() == name) label->setCaption(shown(value));
}

void DataControl::updateRecord() {
    if (!table_ || position_ == 0 || loading_ || showOnly_) return;
    auto edited = editedFields();
    if (edited.empty()) return;
    table_->writeFields(position_, edited);
    for (const auto& [name, value] : edited) record_[fieldIndex(name)] = value;
    rewriteAll_ = false;
}

void DataGrid::edit(int position, int column, const std::string& text) {
    if (readOnly_ || this->column(column).readOnly) return;
    const auto& fields = source_.fieldNames();
    if (column < 0 || column >= static_cast<int>(fields.size())) return;
    if (Edit) {
        Edit.raise(position, column, text);
        return;
    }
    source_.writeField(position, fields[column], text);
}

}  // namespace kvt::ui
