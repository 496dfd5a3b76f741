#include "desktop/grid_model.h"

#include "desktop/qt_text.h"

namespace kvt::desktop {

GridModel::GridModel(ui::DataGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

void GridModel::sync() {
    const auto& source = grid_.source();
    if (source.generation() != generation_) {
        beginResetModel();
        generation_ = source.generation();
        writeCount_ = source.writeCount();
        fields_ = source.fieldNames();
        rows_.clear();
        for (int position = 1; position <= source.recordCount(); ++position)
            rows_.push_back(source.readRecord(position));
        endResetModel();
        return;
    }
    // Records added at the end, and the one written in place, are read alone.
    const int count = source.recordCount();
    if (count > static_cast<int>(rows_.size())) {
        beginInsertRows({}, static_cast<int>(rows_.size()), count - 1);
        for (int position = static_cast<int>(rows_.size()) + 1; position <= count; ++position)
            rows_.push_back(source.readRecord(position));
        endInsertRows();
    }
    if (source.writeCount() != writeCount_) {
        writeCount_ = source.writeCount();
        int row = source.lastWrittenPosition() - 1;
        if (row >= 0 && row < static_cast<int>(rows_.size())) {
            rows_[row] = source.readRecord(row + 1);
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        }
    }
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const auto& row = rows_.at(index.row());
    if (index.column() >= static_cast<int>(row.size())) return {};
    return q(row[index.column()].value_or(""));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section < static_cast<int>(fields_.size()) ? q(fields_[section]) : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!grid_.readOnly() && !grid_.column(index.column()).readOnly) flags |= Qt::ItemIsEditable;
    return flags;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    grid_.edit(index.row() + 1, index.column(), value.toString().toStdString());
    sync();
    return true;
}

}  // namespace kvt::desktop
