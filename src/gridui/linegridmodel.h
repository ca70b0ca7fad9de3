#pragma once

#include "core/grid/traverse.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace corvane {

// A line grid as a table view sees it: the core's rows, read on demand, so a grid of tens of
// thousands of lines opens without building a widget item per cell. The heading is the
// view's header; data row 1 is model row 0.
class LineGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    LineGridModel(const TraverseGrid& grid, QStringList headings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The grid's rows were replaced wholesale (a window opened).
    void reload();
    // The core changed cells or added or removed rows: the count is brought in step at the
    // end of the table and every shown cell is read again.
    void refresh();

  private:
    const TraverseGrid& grid_;
    QStringList headings_;
    int shownRows_ = 0;
};

} // namespace corvane
