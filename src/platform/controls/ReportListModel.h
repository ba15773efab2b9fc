#pragma once
// The model behind ReportListView: it shows the list's own rows and columns to
// the Qt item view and tells the list of the user's check-box clicks. Only the
// list uses it.

#include <QAbstractTableModel>
#include <QHeaderView>

class ReportListView;
class ListItem;

class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportListModel(ReportListView* list);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The notifications the list sends when it changes its rows and columns.
    using QAbstractTableModel::beginInsertColumns;
    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveColumns;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::changePersistentIndex;
    using QAbstractTableModel::endInsertColumns;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveColumns;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;
    using QAbstractTableModel::persistentIndexList;

private:
    ReportListView* m_list;
};

// Header sections that draw their image right of the caption.
class ReportListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit ReportListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
};

// The role of a cell's busy flag (a value still coming), and the delegate that
// draws it as an empty cell with a turning arc; phase: the arc's step (0-11).
inline constexpr int kReportListBusyRole = Qt::UserRole + 71;
class QStyledItemDelegate;
QStyledItemDelegate* MakeBusyCellDelegate(QObject* parent, const int* phase);

// The default header images: an arrow up (ascending) and an arrow down (descending).
QList<QIcon> DefaultSortArrows();
