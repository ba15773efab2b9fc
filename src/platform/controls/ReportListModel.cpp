#include "platform/controls/ReportListModel.h"

#include "platform/controls/ReportListView.h"

#include "base/AppError.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

namespace {

Qt::Alignment AlignmentOf(int code)
{
    return (code == 1 ? Qt::AlignRight : code == 2 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

QIcon Arrow(bool up)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x50, 0x50, 0x50));
    const QPolygonF triangle = up ? QPolygonF({QPointF(2, 8.5), QPointF(10, 8.5), QPointF(6, 3.5)})
                                  : QPolygonF({QPointF(2, 3.5), QPointF(10, 3.5), QPointF(6, 8.5)});
    p.drawPolygon(triangle);
    return QIcon(pixmap);
}

}  // namespace

QList<QIcon> DefaultSortArrows()
{
    static const QList<QIcon> arrows = {Arrow(true), Arrow(false)};
    return arrows;
}

ReportListModel::ReportListModel(ReportListView* list) : QAbstractTableModel(list), m_list(list) {}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list->ItemCount();
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list->ColumnCount();
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list->ItemCount())
        return {};
    const ListItem* item = m_list->m_items[static_cast<size_t>(index.row())].get();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return column < static_cast<int>(item->m_texts.size()) ? item->m_texts[static_cast<size_t>(column)] : QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            AlignmentOf(column == 0 || column >= m_list->ColumnCount() ? 0 : m_list->m_columns[column]->m_alignment));
    case Qt::CheckStateRole:
        if (column == 0 && m_list->m_checkboxes)
            return item->m_checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole: {
        // The row's icon in the first column, a sub-item's report icon in the others.
        const Variant empty;
        const Variant& icon = column == 0 ? item->m_icon
                              : column < static_cast<int>(item->m_reportIcons.size())
                                  ? item->m_reportIcons[static_cast<size_t>(column)]
                                  : empty;
        if (icon.isEmpty() || icon.isNull())
            return {};
        int at = -1;
        if (icon.isString())
            at = m_list->m_smallIconKeys.indexOf(icon.toString());
        else if (icon.isNumber())
            at = static_cast<int>(icon.toDouble());
        return at >= 0 && at < m_list->m_smallIcons.size() ? QVariant(m_list->m_smallIcons[at]) : QVariant();
    }
    case kReportListBusyRole:
        return column < static_cast<int>(item->m_busy.size()) && item->m_busy[static_cast<size_t>(column)];
    case Qt::BackgroundRole:
        if (m_list->HasBands())
            return m_list->BandColor(index.row());
        return {};
    default:
        return {};
    }
}

bool ReportListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != 0 || !m_list->m_checkboxes || !index.isValid() ||
        index.row() >= m_list->ItemCount())
        return false;
    ListItem* item = m_list->m_items[static_cast<size_t>(index.row())].get();
    m_list->setCheckedFlag(item, value.toInt() == Qt::Checked);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit m_list->ItemCheck(item);
    return true;
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_list->ColumnCount())
        return {};
    const ListColumnHeader& column = *m_list->m_columns[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.m_text;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(AlignmentOf(column.m_alignment));
    case Qt::DecorationRole:
        if (column.m_image >= 0 && column.m_image < m_list->m_headerIcons.size())
            return m_list->m_headerIcons[column.m_image];
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0 && m_list->m_checkboxes)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void ReportListHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    option->iconAlignment = Qt::AlignRight | Qt::AlignVCenter;
    // The style makes room for the image on the caption's left only: a caption
    // aligned to the right would run under the image, so it ends before it.
    if (!option->icon.isNull() && (option->textAlignment & Qt::AlignRight)) {
        const int room = style()->pixelMetric(QStyle::PM_SmallIconSize, option, this) +
                         style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
        const int space = std::max(1, option->fontMetrics.horizontalAdvance(QLatin1Char(' ')));
        option->text += QString((room + space - 1) / space, QLatin1Char(' '));
    }
}

namespace {

class BusyCellDelegate : public QStyledItemDelegate {
public:
    BusyCellDelegate(QObject* parent, const int* phase) : QStyledItemDelegate(parent), m_phase(phase) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(kReportListBusyRole).toBool())
            return;
        const int side = std::max(6, std::min(option.rect.height() - 6, 14));
        QRect r(0, 0, side, side);
        r.moveCenter(option.rect.center());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(option.palette.color(QPalette::Mid), 2));
        painter->drawArc(r, -(*m_phase) * 30 * 16, 270 * 16);
        painter->restore();
    }

private:
    const int* m_phase;
};

}  // namespace

QStyledItemDelegate* MakeBusyCellDelegate(QObject* parent, const int* phase)
{
    return new BusyCellDelegate(parent, phase);
}

// ---------------------------------------------------------------- busy cells

bool ListItem::SubItemBusy(int i) const
{
    return i >= 1 && i < static_cast<int>(m_busy.size()) && m_busy[static_cast<size_t>(i)];
}

void ListItem::SetSubItemBusy(int i, bool busy)
{
    if (i < 1 || i >= std::max(1, m_list->ColumnCount()))
        throw AppError(380, QStringLiteral("Invalid property value"), QStringLiteral("ListView"));
    if (static_cast<int>(m_busy.size()) <= i)
        m_busy.resize(static_cast<size_t>(i) + 1);
    m_busy[static_cast<size_t>(i)] = busy;
    m_list->rowChanged(this, i);
    ReportListView* list = m_list;
    if (!busy || (list->m_busyTimer && list->m_busyTimer->isActive()))
        return;
    if (!list->m_busyTimer) {
        list->m_tree->setItemDelegate(MakeBusyCellDelegate(list->m_tree, &list->m_busyPhase));
        list->m_busyTimer = new QTimer(list);
        list->m_busyTimer->setInterval(100);
        QObject::connect(list->m_busyTimer, &QTimer::timeout, list, [list] {
            bool any = false;
            for (const auto& item : list->m_items)
                for (bool b : item->m_busy)
                    any = any || b;
            if (!any) {
                list->m_busyTimer->stop();
                return;
            }
            list->m_busyPhase = (list->m_busyPhase + 1) % 12;
            list->m_tree->viewport()->update();
        });
    }
    list->m_busyTimer->start();
}
