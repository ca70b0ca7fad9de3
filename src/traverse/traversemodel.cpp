#include "traverse/traversemodel.h"

#include "platform/desktop.h"

#include <QGuiApplication>
#include <QPalette>

namespace corvane {

namespace {

constexpr int kColumns = 5;

} // namespace

TraverseModel::TraverseModel(const TraverseGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), shownRows_(grid.dataRows()) {}

int TraverseModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int TraverseModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TraverseModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    // The link column is shaded like the heading: it is the grid's fixed column.
    if (role == Qt::BackgroundRole && index.column() == ColLink)
        return QGuiApplication::palette().button();
    if (role != Qt::DisplayRole)
        return {};
    const int row = index.row() + 1;
    if (row > grid_.dataRows() || index.column() >= kColumns)
        return {};
    return fromCore(grid_.cell(row, index.column()));
}

QVariant TraverseModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    switch (section) {
    case ColFrom:
        return QStringLiteral("From");
    case ColTo:
        return QStringLiteral("To");
    case ColBearing:
        return QStringLiteral("Bearing");
    case ColDistance:
        return QStringLiteral("Distance");
    default:
        return QString();
    }
}

Qt::ItemFlags TraverseModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The link column is the grid's fixed column: shown, never current.
    if (index.column() == ColLink)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TraverseModel::reload() {
    beginResetModel();
    shownRows_ = grid_.dataRows();
    endResetModel();
}

void TraverseModel::refresh() {
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
        emit dataChanged(index(0, 0), index(rows - 1, kColumns - 1), {Qt::DisplayRole});
}

} // namespace corvane
