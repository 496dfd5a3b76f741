// A table view's model over a grid of the window model: the records of its data control.
#pragma once

#include <QAbstractTableModel>

#include "ui/data_binding.h"

namespace kvt::desktop {

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(ui::DataGrid& grid, QObject* parent = nullptr);

    // Reads the rows again when the data control opened, closed or was written.
    void sync();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    ui::DataGrid& grid_;
    int generation_ = -1;
    int writeCount_ = 0;
    std::vector<std::string> fields_;
    std::vector<std::vector<ui::FieldValue>> rows_;
};

}  // namespace kvt::desktop
