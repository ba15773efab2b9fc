#include "platform/controls/ReportListView.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/VbKeys.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

const QString kSource = QStringLiteral("ListView");

[[noreturn]] void NotFound()
{
    throw AppError(kListElementNotFound, QStringLiteral("Element not found"), kSource);
}

int PixelsOf(int twips) { return twips <= 0 ? 0 : std::max(1, twips / TwipsPerPixelX()); }

Qt::Alignment AlignmentOf(int code)
{
    return (code == 1 ? Qt::AlignRight : code == 2 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

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

QString ListColumnHeader::Text() const
{
    return m_list->m_tree->headerItem()->text(Index() - 1);
}

void ListColumnHeader::SetText(const QString& text)
{
    m_list->m_tree->headerItem()->setText(Index() - 1, text);
}

int ListColumnHeader::Width() const { return m_list->m_tree->columnWidth(Index() - 1) * TwipsPerPixelX(); }

void ListColumnHeader::SetWidth(int twips) { m_list->m_tree->setColumnWidth(Index() - 1, PixelsOf(twips)); }

void ListColumnHeader::SetAlignment(int alignment)
{
    m_alignment = alignment;
    m_list->updateHeaderItem(Index() - 1);
}

void ListColumnHeader::SetImage(int image)
{
    m_image = image;
    m_list->updateHeaderItem(Index() - 1);
}

// ---------------------------------------------------------------- rows

ListItem::ListItem(ReportListView* list, QString key) : QTreeWidgetItem(UserType), m_list(list), m_key(std::move(key))
{
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | (list->m_checkboxes ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
    if (list->m_checkboxes)
        setCheckState(0, Qt::Unchecked);
    for (int c = 0; c < list->ColumnCount(); ++c)
        setTextAlignment(c, AlignmentOf(c == 0 ? 0 : list->m_columns[c]->Alignment()));
}

int ListItem::Index() const
{
    m_list->resort();
    return m_list->m_tree->indexOfTopLevelItem(const_cast<ListItem*>(this)) + 1;
}

void ListItem::SetKey(const QString& key)
{
    if (!key.isEmpty())
        m_list->checkKeyFree(key, this);
    m_key = key;
}

void ListItem::SetText(const QString& text) { setText(0, text); }

QString ListItem::SubItem(int i) const { return i >= 1 ? text(i) : QString(); }

void ListItem::SetSubItem(int i, const QString& text)
{
    if (i < 1 || i >= std::max(1, m_list->ColumnCount()))
        throw AppError(380, QStringLiteral("Invalid property value"), kSource);
    setText(i, text);
}

bool ListItem::Checked() const { return checkState(0) == Qt::Checked; }

void ListItem::SetChecked(bool checked)
{
    m_list->m_filling = true;
    setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    m_list->m_filling = false;
}

bool ListItem::Selected() const { return isSelected(); }

void ListItem::SetSelected(bool selected)
{
    if (selected && !m_list->m_multiSelect)
        m_list->m_tree->clearSelection();
    setSelected(selected);
}

void ListItem::EnsureVisible() { m_list->m_tree->scrollToItem(this); }

// The list's text sort: without regard to case, character by character.
bool ListItem::operator<(const QTreeWidgetItem& other) const
{
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return QString::compare(text(column), other.text(column), Qt::CaseInsensitive) < 0;
}

// ---------------------------------------------------------------- the list

ReportListView::ReportListView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeWidget(this);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(false);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setColumnCount(0);
    m_tree->setHeaderLabels({});
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionsMovable(false);
    m_tree->setSortingEnabled(false);  // (this also makes the headers unclickable)
    m_tree->header()->setSectionsClickable(true);
    m_tree->header()->setMinimumSectionSize(0);
    layout->addWidget(m_tree);
    setFocusProxy(m_tree);
    SetHideSelection(true);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);

    connect(m_tree->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section >= 0 && section < ColumnCount())
            emit ColumnClick(m_columns[section].get());
    });
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (item)
            emit ItemClick(static_cast<ListItem*>(item));
    });
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!m_filling && m_checkboxes && column == 0)
            emit ItemCheck(static_cast<ListItem*>(item));
    });
}

ReportListView::~ReportListView()
{
    m_filling = true;
    m_tree->clear();
}

ListColumnHeader* ReportListView::AddColumn(int index, const QString& key, const QString& text, int width,
                                            int alignment)
{
    if (!key.isEmpty())
        for (const auto& c : m_columns)
            if (c->m_key == key)
                throw AppError(kListKeyNotUnique, QStringLiteral("Key is not unique in collection"), kSource);
    const int count = ColumnCount();
    const int at = index <= 0 || index > count ? count : index - 1;
    std::unique_ptr<ListColumnHeader> column(new ListColumnHeader(this, key));
    column->m_alignment = alignment;
    ListColumnHeader* result = column.get();
    m_columns.insert(m_columns.begin() + at, std::move(column));

    // Keep the texts of the columns after it in their columns.
    m_filling = true;
    QTreeWidgetItem* header = m_tree->headerItem();
    QStringList captions;
    for (int c = 0; c < count; ++c)
        captions << header->text(c);
    captions.insert(at, text);
    std::vector<int> widths;
    for (int c = 0; c < count; ++c)
        widths.push_back(m_tree->columnWidth(c));
    widths.insert(widths.begin() + at, PixelsOf(width < 0 ? 1440 : width));
    m_tree->setColumnCount(count + 1);
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        for (int c = count; c > at; --c)
            item->setText(c, item->text(c - 1));
        item->setText(at, QString());
    }
    for (int c = 0; c <= count; ++c) {
        header->setText(c, captions[c]);
        m_tree->setColumnWidth(c, widths[c]);
        updateHeaderItem(c);
    }
    m_filling = false;
    return result;
}

void ReportListView::RemoveColumn(int index)
{
    if (index < 1 || index > ColumnCount())
        NotFound();
    const int at = index - 1;
    const int count = ColumnCount();
    m_filling = true;
    QTreeWidgetItem* header = m_tree->headerItem();
    QStringList captions;
    std::vector<int> widths;
    for (int c = 0; c < count; ++c) {
        captions << header->text(c);
        widths.push_back(m_tree->columnWidth(c));
    }
    captions.removeAt(at);
    widths.erase(widths.begin() + at);
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        for (int c = at; c < count - 1; ++c)
            item->setText(c, item->text(c + 1));
        item->setText(count - 1, QString());
    }
    m_columns.erase(m_columns.begin() + at);
    m_tree->setColumnCount(count - 1);
    for (int c = 0; c < count - 1; ++c) {
        header->setText(c, captions[c]);
        m_tree->setColumnWidth(c, widths[c]);
        updateHeaderItem(c);
    }
    if (m_sortKey >= count - 1)
        m_sortKey = 0;
    m_filling = false;
}

void ReportListView::ClearColumns()
{
    m_columns.clear();
    m_tree->setColumnCount(0);
}

ListColumnHeader* ReportListView::Column(int index) const
{
    if (index < 1 || index > ColumnCount())
        NotFound();
    return m_columns[index - 1].get();
}

ListColumnHeader* ReportListView::Column(const QString& key) const
{
    for (const auto& c : m_columns)
        if (!key.isEmpty() && c->m_key == key)
            return c.get();
    NotFound();
}

void ReportListView::SetColumnHeaderIcons(const QList<QIcon>& icons)
{
    m_headerIcons = icons;
    for (int c = 0; c < ColumnCount(); ++c)
        updateHeaderItem(c);
}

void ReportListView::updateHeaderItem(int column)
{
    if (column < 0 || column >= ColumnCount())
        return;
    const ListColumnHeader& h = *m_columns[column];
    QTreeWidgetItem* header = m_tree->headerItem();
    header->setTextAlignment(column, AlignmentOf(h.m_alignment));
    const bool hasImage = h.m_image >= 0 && h.m_image < m_headerIcons.size();
    header->setIcon(column, hasImage ? m_headerIcons[h.m_image] : QIcon());
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        m_tree->topLevelItem(i)->setTextAlignment(column, AlignmentOf(column == 0 ? 0 : h.m_alignment));
}

void ReportListView::checkKeyFree(const QString& key, const ListItem* except) const
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        auto* item = static_cast<ListItem*>(m_tree->topLevelItem(i));
        if (item != except && item->m_key == key)
            throw AppError(kListKeyNotUnique, QStringLiteral("Key is not unique in collection"), kSource);
    }
}

ListItem* ReportListView::AddItem(int index, const QString& key, const QString& text)
{
    if (!key.isEmpty())
        checkKeyFree(key, nullptr);
    auto* item = new ListItem(this, key);
    m_filling = true;
    item->setText(0, text);
    const int count = m_tree->topLevelItemCount();
    if (index <= 0 || index > count)
        m_tree->addTopLevelItem(item);
    else
        m_tree->insertTopLevelItem(index - 1, item);
    m_filling = false;
    if (m_sorted)
        resort();
    return item;
}

void ReportListView::RemoveItem(int index)
{
    ListItem* item = Item(index);
    m_filling = true;
    delete item;
    m_filling = false;
}

void ReportListView::ClearItems()
{
    m_filling = true;
    m_tree->clear();
    m_filling = false;
}

int ReportListView::ItemCount() const { return m_tree->topLevelItemCount(); }

ListItem* ReportListView::Item(int index) const
{
    const_cast<ReportListView*>(this)->resort();
    if (index < 1 || index > ItemCount())
        NotFound();
    return static_cast<ListItem*>(m_tree->topLevelItem(index - 1));
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
    if (key.isEmpty())
        return nullptr;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        auto* item = static_cast<ListItem*>(m_tree->topLevelItem(i));
        if (item->m_key == key)
            return item;
    }
    return nullptr;
}

ListItem* ReportListView::SelectedItem() const
{
    return static_cast<ListItem*>(m_tree->currentItem());
}

void ReportListView::SetSelectedItem(ListItem* item)
{
    if (!item) {
        m_tree->setCurrentItem(nullptr);
        return;
    }
    if (m_multiSelect)
        m_tree->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    else
        m_tree->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    item->setSelected(true);
}

int ReportListView::SelectedCount() const
{
    int n = 0;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        n += m_tree->topLevelItem(i)->isSelected() ? 1 : 0;
    return n;
}

void ReportListView::SelectAll()
{
    if (m_multiSelect) {
        m_tree->selectAll();
    } else if (QTreeWidgetItem* item = m_tree->currentItem()) {
        item->setSelected(true);
    }
}

void ReportListView::UnSelectAll() { m_tree->clearSelection(); }

void ReportListView::SetMultiSelect(bool on)
{
    m_multiSelect = on;
    m_tree->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void ReportListView::SetFullRowSelect(bool on)
{
    m_fullRowSelect = on;
    m_tree->setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    m_tree->setAllColumnsShowFocus(on);
}

void ReportListView::SetGridLines(bool on)
{
    m_gridLines = on;
    m_tree->setStyleSheet(on ? QStringLiteral("QTreeView::item { border-right: 1px solid palette(mid); "
                                              "border-bottom: 1px solid palette(mid); }")
                             : QString());
}

void ReportListView::SetHideSelection(bool on)
{
    m_hideSelection = on;
    // Without focus a hidden selection shows in the normal colours, a kept one as when focused.
    QPalette p = m_tree->palette();
    const QPalette base = QApplication::palette(m_tree);
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               on ? base.color(QPalette::Inactive, QPalette::Base) : base.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               on ? base.color(QPalette::Inactive, QPalette::Text)
                  : base.color(QPalette::Active, QPalette::HighlightedText));
    m_tree->setPalette(p);
}

void ReportListView::SetCheckboxes(bool on)
{
    m_checkboxes = on;
    m_filling = true;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        item->setFlags(on ? item->flags() | Qt::ItemIsUserCheckable : item->flags() & ~Qt::ItemIsUserCheckable);
        if (on)
            item->setCheckState(0, item->checkState(0));
        else
            item->setData(0, Qt::CheckStateRole, QVariant());
    }
    m_filling = false;
}

bool ReportListView::HideColumnHeaders() const { return m_tree->isHeaderHidden(); }

void ReportListView::SetHideColumnHeaders(bool on) { m_tree->setHeaderHidden(on); }

void ReportListView::SetMousePointer(int pointer)
{
    m_mousePointer = pointer;
    if (pointer == vbHourglass)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

int ReportListView::WidthTwips() const { return width() * TwipsPerPixelX(); }

int ReportListView::HeightTwips() const { return height() * TwipsPerPixelY(); }

void ReportListView::SetSortKey(int column)
{
    m_sortKey = column;
    if (m_sorted)
        resort();
}

void ReportListView::SetSortOrder(int order)
{
    m_sortOrder = order == 1 ? 1 : 0;
    if (m_sorted)
        resort();
}

void ReportListView::SetSorted(bool on)
{
    m_sorted = on;
    if (on)
        resort();
}

void ReportListView::resort()
{
    if (!m_sorted || m_tree->topLevelItemCount() < 2 || m_sortKey < 0 || m_sortKey >= std::max(1, ColumnCount()))
        return;
    m_tree->sortItems(m_sortKey, m_sortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool ReportListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        int code = VbKeyCode(ke->key());
        emit KeyDown(code, VbShiftState(ke->modifiers()));
        if (code == 0)
            return true;
        // Ctrl+A is the owner's (the list helpers select all themselves).
        if (ke->key() == Qt::Key_A && (ke->modifiers() & Qt::ControlModifier))
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
