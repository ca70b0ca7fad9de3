#include "gridui/linegridmodel.h"

#include "platform/desktop.h"

#include <QGuiApplication>
#include <QPalette>

namespace corvane {

LineGridModel::LineGridModel(const TraverseGrid& grid, QStringList headings, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), headings_(std::move(headings)),
      shownRows_(grid.dataRows()) {}

int LineGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int LineGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant LineGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    // The link column is shaded like the heading: it is the grid's fixed column.
    if (role == Qt::BackgroundRole && index.column() == ColLink)
        return QGuiApplication::palette().button();
    if (role != Qt::DisplayRole)
        return {};
    const int row = index.row() + 1;
    if (row > grid_.dataRows() || index.column() >= columnCount())
        return {};
    return fromCore(grid_.cell(row, index.column()));
}

QVariant LineGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= headings_.size())
        return {};
    return headings_[section];
}

Qt::ItemFlags LineGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The link column is the grid's fixed column, and a computed column is only shown: they
    // are never current.
    if (index.column() == ColLink || index.column() > LastEntryColumn(grid_.kind))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void LineGridModel::reload() {
    beginResetModel();
    shownRows_ = grid_.dataRows();
    endResetModel();
}

void LineGridModel::refresh() {
    const int rows = grid_.dataRows();
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1), {Qt::DisplayRole});
}

} // namespace corvane
