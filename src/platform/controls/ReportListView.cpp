#include "platform/controls/ReportListView.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/ReportListModel.h"
#include "platform/forms/VbKeys.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kSource = QStringLiteral("ListView");

[[noreturn]] void NotFound()
{
    throw AppError(kListElementNotFound, QStringLiteral("Element not found"), kSource);
}

[[noreturn]] void KeyNotUnique()
{
    throw AppError(kListKeyNotUnique, QStringLiteral("Key is not unique in collection"), kSource);
}

[[noreturn]] void InvalidValue()
{
    throw AppError(380, QStringLiteral("Invalid property value"), kSource);
}

int PixelsOf(double twips)
{
    return twips <= 0 ? 0 : std::max(1, static_cast<int>(twips / TwipsPerPixelX() + 0.5));
}

// Sets a flag for the length of a scope, whatever way it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_old; }

private:
    bool& m_flag;
    bool m_old;
};

}  // namespace

QString FormatSystemCurrency(const Variant& value)
{
    double amount = 0;
    if (!value.isNull() && !value.isEmpty()) {
        try {
            amount = value.toDouble();
        } catch (...) {
            amount = 0;
        }
    }
    return QLocale::system().toCurrencyString(amount);
}

// ---------------------------------------------------------------- columns

int ListColumnHeader::Index() const
{
    for (size_t i = 0; i < m_list->m_columns.size(); ++i)
        if (m_list->m_columns[i].get() == this)
            return static_cast<int>(i) + 1;
    return 0;
}

void ListColumnHeader::SetText(const QString& text)
{
    m_text = text;
    const int c = Index() - 1;
    emit m_list->m_model->headerDataChanged(Qt::Horizontal, c, c);
}

double ListColumnHeader::Width() const { return m_width; }

void ListColumnHeader::SetWidth(double twips)
{
    m_width = std::max(0.0, twips);
    FlagScope applying(m_list->m_widthsApplying);
    m_list->m_tree->header()->resizeSection(Index() - 1, PixelsOf(m_width));
}

void ListColumnHeader::SetAlignment(int alignment)
{
    if (alignment < 0 || alignment > 2)
        InvalidValue();
    m_alignment = alignment;
    const int c = Index() - 1;
    emit m_list->m_model->headerDataChanged(Qt::Horizontal, c, c);
    m_list->m_tree->viewport()->update();
}

void ListColumnHeader::SetImage(int image)
{
    m_image = image;
    const int c = Index() - 1;
    emit m_list->m_model->headerDataChanged(Qt::Horizontal, c, c);
}

// ---------------------------------------------------------------- rows

int ListItem::Index() const
{
    m_list->ensureOrder();
    m_list->renumber();
    return m_row + 1;
}

void ListItem::SetKey(const QString& key)
{
    if (key == m_key)
        return;
    if (!key.isEmpty() && m_list->m_keys.contains(key))
        KeyNotUnique();
    if (!m_key.isEmpty())
        m_list->m_keys.remove(m_key);
    m_key = key;
    if (!key.isEmpty())
        m_list->m_keys.insert(key, this);
}

void ListItem::SetText(const QString& text)
{
    if (m_texts.empty())
        m_texts.emplace_back();
    m_texts[0] = text;
    m_list->rowChanged(this, 0);
}

QString ListItem::SubItem(int i) const
{
    if (i < 1 || i >= std::max(1, m_list->ColumnCount()))
        InvalidValue();
    return i < static_cast<int>(m_texts.size()) ? m_texts[static_cast<size_t>(i)] : QString();
}

void ListItem::SetSubItem(int i, const QString& text)
{
    if (i < 1 || i >= std::max(1, m_list->ColumnCount()))
        InvalidValue();
    if (static_cast<int>(m_texts.size()) <= i)
        m_texts.resize(static_cast<size_t>(i) + 1);
    m_texts[static_cast<size_t>(i)] = text;
    m_list->rowChanged(this, i);
}

Variant ListItem::ReportIcon(int i) const
{
    if (i < 1 || i >= std::max(1, m_list->ColumnCount()))
        InvalidValue();
    return i < static_cast<int>(m_reportIcons.size()) ? m_reportIcons[static_cast<size_t>(i)] : Variant();
}

void ListItem::SetReportIcon(int i, const Variant& icon)
{
    if (i < 1 || i >= std::max(1, m_list->ColumnCount()))
        InvalidValue();
    if (static_cast<int>(m_reportIcons.size()) <= i)
        m_reportIcons.resize(static_cast<size_t>(i) + 1);
    m_reportIcons[static_cast<size_t>(i)] = icon;
    m_list->rowChanged(this, i);
}

void ListItem::SetIcon(const Variant& icon)
{
    m_icon = icon;
    m_list->rowChanged(this, 0);
}

void ListItem::SetChecked(bool checked)
{
    m_list->setCheckedFlag(this, checked);
    m_list->rowChanged(this, 0);
}

void ListItem::SetSelected(bool selected)
{
    ReportListView* list = m_list;
    if (selected && !list->m_multiSelect) {
        if (list->m_selectedCount > 0)
            for (const auto& other : list->m_items)
                list->setSelectedFlag(other.get(), false);
        list->m_current = this;
    } else if (selected && !list->m_current) {
        list->m_current = this;
    }
    list->setSelectedFlag(this, selected);
    list->renumber();
    FlagScope syncing(list->m_syncing);
    QItemSelectionModel* sm = list->m_tree->selectionModel();
    const QModelIndex at = list->m_model->index(m_row, 0);
    if (!selected)
        sm->select(at, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    else if (!list->m_multiSelect)
        sm->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        sm->select(at, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (list->m_current == this)
        sm->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
}

void ListItem::EnsureVisible()
{
    m_list->ensureOrder();
    m_list->renumber();
    m_list->m_tree->scrollTo(m_list->m_model->index(m_row, 0));
}

// ---------------------------------------------------------------- the list

ReportListView::ReportListView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_model = new ReportListModel(this);
    m_tree = new QTreeView(this);
    m_tree->setHeader(new ReportListHeader(m_tree));
    m_tree->setModel(m_model);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(false);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSortingEnabled(false);
    QHeaderView* header = m_tree->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setMinimumSectionSize(0);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(m_tree);
    setFocusProxy(m_tree);
    m_headerIcons = DefaultSortArrows();
    SetHideSelection(true);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);

    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (section >= 0 && section < ColumnCount())
            emit ColumnClick(m_columns[static_cast<size_t>(section)].get());
    });
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!m_widthsApplying && section >= 0 && section < ColumnCount())
            m_columns[static_cast<size_t>(section)]->m_width = size * TwipsPerPixelX();
    });
    connect(m_tree, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && index.row() < ItemCount())
            emit ItemClick(itemAtRow(index.row()));
    });
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (!m_syncing)
                    pullSelection(selected, deselected);
            });
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!m_syncing)
                    m_current = current.isValid() && current.row() < ItemCount() ? itemAtRow(current.row()) : nullptr;
            });
}

ReportListView::~ReportListView()
{
    m_syncing = true;
    m_tree->setModel(nullptr);
}

ListItem* ReportListView::itemAtRow(int row) const { return m_items[static_cast<size_t>(row)].get(); }

void ReportListView::renumber() const
{
    const int n = ItemCount();
    for (int i = m_numberedTo; i < n; ++i)
        m_items[static_cast<size_t>(i)]->m_row = i;
    m_numberedTo = n;
}

void ReportListView::rowChanged(const ListItem* item, int column)
{
    if (m_redrawLocks > 0 || !m_tree->isVisible())
        return;  // drawn in full when shown or unlocked
    renumber();
    const int last = std::max(0, ColumnCount() - 1);
    emit m_model->dataChanged(m_model->index(item->m_row, column < 0 ? 0 : column),
                              m_model->index(item->m_row, column < 0 ? last : column));
}

// ---------------------------------------------------------------- columns

ListColumnHeader* ReportListView::AddColumn(int index, const QString& key, const QString& text, double width,
                                            int alignment)
{
    if (!key.isEmpty())
        for (const auto& c : m_columns)
            if (c->m_key == key)
                KeyNotUnique();
    if (alignment < 0 || alignment > 2)
        InvalidValue();
    const int count = ColumnCount();
    const int at = index <= 0 || index > count ? count : index - 1;
    std::unique_ptr<ListColumnHeader> column(new ListColumnHeader(this, key));
    column->m_text = text;
    column->m_alignment = alignment;
    column->m_width = width < 0 ? 1440 : width;
    ListColumnHeader* result = column.get();
    m_model->beginInsertColumns(QModelIndex(), at, at);
    m_columns.insert(m_columns.begin() + at, std::move(column));
    // The texts of the columns after it stay with their columns.
    if (at < count)
        for (const auto& item : m_items) {
            if (static_cast<int>(item->m_texts.size()) > at)
                item->m_texts.insert(item->m_texts.begin() + at, QString());
            if (static_cast<int>(item->m_reportIcons.size()) > at)
                item->m_reportIcons.insert(item->m_reportIcons.begin() + at, Variant());
        }
    m_model->endInsertColumns();
    applyColumnWidths();
    return result;
}

void ReportListView::RemoveColumn(int index)
{
    if (index < 1 || index > ColumnCount())
        NotFound();
    const int at = index - 1;
    const int count = ColumnCount();
    m_model->beginRemoveColumns(QModelIndex(), at, at);
    m_columns.erase(m_columns.begin() + at);
    for (const auto& item : m_items) {
        if (static_cast<int>(item->m_texts.size()) > at && (at > 0 || item->m_texts.size() > 1))
            item->m_texts.erase(item->m_texts.begin() + at);
        if (static_cast<int>(item->m_reportIcons.size()) > at)
            item->m_reportIcons.erase(item->m_reportIcons.begin() + at);
    }
    m_model->endRemoveColumns();
    if (m_sortKey >= count - 1)
        m_sortKey = 0;
    applyColumnWidths();
}

void ReportListView::ClearColumns()
{
    FlagScope syncing(m_syncing);
    m_model->beginResetModel();
    m_columns.clear();
    for (const auto& item : m_items) {
        if (item->m_texts.size() > 1)
            item->m_texts.resize(1);
        item->m_reportIcons.clear();
    }
    m_model->endResetModel();
    pushSelection();
}

ListColumnHeader* ReportListView::Column(int index) const
{
    if (index < 1 || index > ColumnCount())
        NotFound();
    return m_columns[static_cast<size_t>(index) - 1].get();
}

ListColumnHeader* ReportListView::Column(const QString& key) const
{
    for (const auto& c : m_columns)
        if (!key.isEmpty() && c->m_key == key)
            return c.get();
    NotFound();
}

void ReportListView::applyColumnWidths()
{
    FlagScope applying(m_widthsApplying);
    QHeaderView* header = m_tree->header();
    for (int c = 0; c < ColumnCount(); ++c)
        header->resizeSection(c, PixelsOf(m_columns[static_cast<size_t>(c)]->m_width));
}

void ReportListView::SetColumnHeaderIcons(const QList<QIcon>& icons)
{
    m_headerIcons = icons;
    if (ColumnCount() > 0)
        emit m_model->headerDataChanged(Qt::Horizontal, 0, ColumnCount() - 1);
}

void ReportListView::SetSmallIcons(const QList<QIcon>& icons, const QStringList& keys)
{
    m_smallIcons = icons;
    m_smallIconKeys = keys;
    m_tree->viewport()->update();
}

// ---------------------------------------------------------------- rows

ListItem* ReportListView::AddItem(int index, const QString& key, const QString& text)
{
    std::unique_ptr<ListItem> item(new ListItem(this, key));
    // Room for the row's sub-items (long fills spend their time here).
    item->m_texts.reserve(static_cast<size_t>(std::max(1, ColumnCount())));
    item->m_texts.emplace_back(text);
    ListItem* result = item.get();
    if (!key.isEmpty()) {  // one look-up, whether the key is taken or not
        const qsizetype keys = m_keys.size();
        ListItem*& slot = m_keys[key];
        if (m_keys.size() == keys)
            KeyNotUnique();
        slot = result;
    }
    const int count = ItemCount();
    const int at = index <= 0 || index > count ? count : index - 1;
    m_model->beginInsertRows(QModelIndex(), at, at);
    if (at == count)
        m_items.push_back(std::move(item));
    else
        m_items.insert(m_items.begin() + at, std::move(item));
    m_numberedTo = std::min(m_numberedTo, at);
    m_model->endInsertRows();
    if (m_sorted)
        scheduleSort();
    return result;
}

void ReportListView::RemoveItem(int index)
{
    ListItem* item = Item(index);
    renumber();
    const int at = item->m_row;
    setSelectedFlag(item, false);
    setCheckedFlag(item, false);
    if (!item->m_key.isEmpty())
        m_keys.remove(item->m_key);
    const bool wasCurrent = m_current == item;
    FlagScope syncing(m_syncing);
    m_model->beginRemoveRows(QModelIndex(), at, at);
    m_items.erase(m_items.begin() + at);
    m_numberedTo = std::min(m_numberedTo, at);
    m_model->endRemoveRows();
    if (wasCurrent) {
        m_current = nullptr;
        m_tree->selectionModel()->clearCurrentIndex();
    }
}

void ReportListView::ClearItems()
{
    FlagScope syncing(m_syncing);
    m_model->beginResetModel();
    m_items.clear();
    m_keys.clear();
    m_current = nullptr;
    m_selectedCount = 0;
    m_checkedCount = 0;
    m_numberedTo = 0;
    m_orderDirty = false;
    m_model->endResetModel();
}

void ReportListView::ReserveItems(int count)
{
    if (count > 0) {
        m_items.reserve(static_cast<size_t>(count));
        m_keys.reserve(count);
    }
}

ListItem* ReportListView::Item(int index) const
{
    ensureOrder();
    if (index < 1 || index > ItemCount())
        NotFound();
    return m_items[static_cast<size_t>(index) - 1].get();
}

ListItem* ReportListView::Item(const QString& key) const
{
    ListItem* item = FindItem(key);
    if (!item)
        NotFound();
    return item;
}

ListItem* ReportListView::FindItem(const QString& key) const
{
    return key.isEmpty() ? nullptr : m_keys.value(key, nullptr);
}

// ---------------------------------------------------------------- selection

void ReportListView::setSelectedFlag(ListItem* item, bool on)
{
    if (item->m_selected != on) {
        item->m_selected = on;
        m_selectedCount += on ? 1 : -1;
    }
}

void ReportListView::setCheckedFlag(ListItem* item, bool on)
{
    if (item->m_checked != on) {
        item->m_checked = on;
        m_checkedCount += on ? 1 : -1;
    }
}

// The user changed the view's selection: the rows follow it.
void ReportListView::pullSelection(const QItemSelection& selected, const QItemSelection& deselected)
{
    const int n = ItemCount();
    for (const QItemSelectionRange& r : deselected)
        for (int row = r.top(); row <= r.bottom() && row < n; ++row)
            setSelectedFlag(itemAtRow(row), false);
    for (const QItemSelectionRange& r : selected)
        for (int row = r.top(); row <= r.bottom() && row < n; ++row)
            setSelectedFlag(itemAtRow(row), true);
}

// The view shows the rows' own selection and current row again.
void ReportListView::pushSelection()
{
    FlagScope syncing(m_syncing);
    QItemSelectionModel* sm = m_tree->selectionModel();
    const int last = ColumnCount() - 1;
    QItemSelection selection;
    if (last >= 0 && m_selectedCount > 0) {
        const int n = ItemCount();
        for (int row = 0; row < n;) {
            if (!itemAtRow(row)->m_selected) {
                ++row;
                continue;
            }
            int end = row;
            while (end + 1 < n && itemAtRow(end + 1)->m_selected)
                ++end;
            selection.append(QItemSelectionRange(m_model->index(row, 0), m_model->index(end, last)));
            row = end + 1;
        }
    }
    sm->select(selection, QItemSelectionModel::ClearAndSelect);
    if (m_current && last >= 0) {
        renumber();
        sm->setCurrentIndex(m_model->index(m_current->m_row, 0), QItemSelectionModel::NoUpdate);
    } else {
        sm->clearCurrentIndex();
    }
}

void ReportListView::SetSelectedItem(ListItem* item)
{
    if (!item) {
        m_current = nullptr;
        FlagScope syncing(m_syncing);
        m_tree->selectionModel()->clearCurrentIndex();
        return;
    }
    m_current = item;
    item->SetSelected(true);
}

void ReportListView::SelectItems(const std::vector<ListItem*>& items)
{
    if (items.empty())
        return;
    if (!m_multiSelect) {
        items.back()->SetSelected(true);
        return;
    }
    for (ListItem* item : items)
        setSelectedFlag(item, true);
    if (!m_current)
        m_current = items.front();
    pushSelection();
}

void ReportListView::SelectAll()
{
    if (!m_multiSelect) {
        if (m_current)
            m_current->SetSelected(true);
        return;
    }
    for (const auto& item : m_items)
        setSelectedFlag(item.get(), true);
    if (ItemCount() > 0 && ColumnCount() > 0) {
        FlagScope syncing(m_syncing);
        m_tree->selectionModel()->select(
            QItemSelection(m_model->index(0, 0), m_model->index(ItemCount() - 1, ColumnCount() - 1)),
            QItemSelectionModel::ClearAndSelect);
    }
}

void ReportListView::UnSelectAll()
{
    if (m_selectedCount > 0)
        for (const auto& item : m_items)
            setSelectedFlag(item.get(), false);
    FlagScope syncing(m_syncing);
    m_tree->selectionModel()->clearSelection();
}

QRect ReportListView::ItemRect(const ListItem* item) const
{
    ensureOrder();
    renumber();
    return m_tree->visualRect(m_model->index(item->m_row, 0));
}

bool ReportListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        int code = VbKeyCode(ke->key());
        emit KeyDown(code, VbShiftState(ke->modifiers()));
        if (code == 0)
            return true;
        // Ctrl+A and Ctrl+C are the owner's (the list helpers select all and copy
        // the selected rows themselves; the view would copy its current cell).
        if ((ke->key() == Qt::Key_A || ke->key() == Qt::Key_C) && (ke->modifiers() & Qt::ControlModifier))
            return true;
    } else if (watched == m_tree->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            emit DblClick();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint p = m_tree->viewport()->mapTo(this, me->position().toPoint());
            emit MouseUp(VbButton(me->button()), VbShiftState(me->modifiers()), p.x(), p.y());
        }
    }
    return QWidget::eventFilter(watched, event);
}
