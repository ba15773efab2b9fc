// ReportListView: its own text sort, and the rows put in the order of keys given.

#include "platform/controls/ReportListView.h"

#include "platform/controls/ReportListModel.h"

#include <QCollator>
#include <QItemSelectionModel>
#include <QLocale>
#include <QScopedValueRollback>
#include <QTreeView>
#include <algorithm>

namespace {

// The user's locale collates; the C locale has no collation of its own (Qt would
// compare code units there), so it collates as the common order does. Kept while
// the locale stays, since lists with Sorted on sort again after every added row
// that is read.
const QCollator& UserCollator()
{
    static QLocale made(QLocale::C);
    static QCollator collator = [] {
        QCollator c(QLocale(QLocale::English, QLocale::UnitedStates));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const QLocale user;
    if (user != made) {
        made = user;
        collator.setLocale(user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
    }
    return collator;
}

// The rows in the order of their keys, stable, ascending or descending.
template <class Key, class Less>
std::vector<ListItem*> RowsInOrder(std::vector<std::pair<Key, ListItem*>>& keyed, bool descending, Less less)
{
    if (descending)
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return less(b.first, a.first); });
    else
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return less(a.first, b.first); });
    std::vector<ListItem*> rows;
    rows.reserve(keyed.size());
    for (const auto& k : keyed)
        rows.push_back(k.second);
    keyed.clear();
    return rows;
}

}  // namespace

void ReportListView::SetSortKey(int column)
{
    m_sortKey = column;
    if (m_sorted)
        sortNow();
}

void ReportListView::SetSortOrder(int order)
{
    m_sortOrder = order == 1 ? 1 : 0;
    if (m_sorted)
        sortNow();
}

void ReportListView::SetSorted(bool on)
{
    m_sorted = on;
    if (on)
        sortNow();
    else
        m_orderDirty = false;
}

void ReportListView::ensureOrder() const
{
    if (m_sorted && m_orderDirty)
        const_cast<ReportListView*>(this)->sortNow();
}

void ReportListView::scheduleSort()
{
    m_orderDirty = true;
    if (m_sortPosted)
        return;
    m_sortPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_sortPosted = false;
            ensureOrder();
        },
        Qt::QueuedConnection);
}

void ReportListView::sortNow()
{
    m_orderDirty = false;
    const int n = ItemCount();
    if (!m_sorted || n < 2 || m_sortKey < 0 || m_sortKey >= std::max(1, ColumnCount()))
        return;
    // Each text's collation key once, rather than collating in every comparison.
    const QCollator& collator = UserCollator();
    const size_t column = static_cast<size_t>(m_sortKey);
    std::vector<std::pair<QCollatorSortKey, ListItem*>> keyed;
    keyed.reserve(static_cast<size_t>(n));
    for (const auto& item : m_items)
        keyed.emplace_back(collator.sortKey(column < item->m_texts.size() ? item->m_texts[column] : QString()),
                           item.get());
    applyOrder(RowsInOrder(keyed, m_sortOrder == 1,
                           [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b) < 0; }));
}

void ReportListView::SortByKeys(std::vector<QString> keys, int order)
{
    const int n = ItemCount();
    if (static_cast<int>(keys.size()) != n)
        return;
    m_sorted = false;
    m_orderDirty = false;
    if (n < 2)
        return;
    std::vector<std::pair<QString, ListItem*>> keyed;
    keyed.reserve(keys.size());
    for (int i = 0; i < n; ++i)
        keyed.emplace_back(std::move(keys[static_cast<size_t>(i)]), m_items[static_cast<size_t>(i)].get());
    // By code unit, as the keys are built to sort: the empty key first, "&" and the
    // blank before the digits, a shorter key before a longer one it begins.
    applyOrder(RowsInOrder(keyed, order == 1, [](const QString& a, const QString& b) { return a < b; }));
}

// The rows in the new order, the view's persistent indexes, selection and current
// row moved with them.
void ReportListView::applyOrder(const std::vector<ListItem*>& order)
{
    const int n = ItemCount();
    renumber();
    QScopedValueRollback<bool> syncing(m_syncing, true);
    // The rows keep their own selection: the view's is set again afterwards, so
    // few persistent indexes have to move with the rows.
    m_tree->selectionModel()->clear();
    emit m_model->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOfOld(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        ListItem* item = order[static_cast<size_t>(i)];
        newRowOfOld[static_cast<size_t>(item->m_row)] = i;
        m_items[static_cast<size_t>(i)].release();
    }
    for (int i = 0; i < n; ++i)
        m_items[static_cast<size_t>(i)].reset(order[static_cast<size_t>(i)]);
    m_numberedTo = 0;
    renumber();
    const QModelIndexList persistent = m_model->persistentIndexList();
    for (const QModelIndex& from : persistent)
        if (from.isValid() && from.row() < n)
            m_model->changePersistentIndex(from, m_model->index(newRowOfOld[static_cast<size_t>(from.row())],
                                                                from.column()));
    emit m_model->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    pushSelection();
}
