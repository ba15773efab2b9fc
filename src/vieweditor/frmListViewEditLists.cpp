// The view editor's tab lists: what the view uses (left) and what it could
// still use (right) for its columns, filters, column functions and links; add,
// remove, move, Sync with Columns, the pick lists' sorting and the popup menus.

#include "vieweditor/frmListViewEdit.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "listhelpers/ListSelectHelper.h"
#include "platform/controls/ReportListView.h"
#include "shell/PopUpMenu.h"
#include "shell/ViewFormUtilities.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

namespace {

struct HeaderDef {
    const char* text;
    double share;
    int alignment;
};
using Headers = std::vector<HeaderDef>;
const std::array<std::pair<Headers, Headers>, 4> kHeaders = {{
    {{{"ID", 0, 0}, {"Column", 0.65, 0}, {"Required", 0.25, 2}, {"Order", 0, 0}},
     {{"ID", 0, 0}, {"Column", 0.70, 0}, {"Imported", 0.20, 0}}},
    {{{"ID", 0, 0}, {"Filter", 0.65, 0}, {"Required", 0.25, 2}, {"Order", 0, 0}},
     {{"ID", 0, 0}, {"Filter", 0.90, 0}}},
    {{{"ID", 0, 0}, {"Function", 0.25, 0}, {"Column", 0.65, 0}, {"Order", 0, 0}},
     {{"ID", 0, 0}, {"Function", 0.25, 0}, {"Column", 0.65, 0}, {"Order", 0, 0}}},
    {{{"ID", 0, 0}, {"View", 0.90, 0}, {"Required", 0, 0}, {"Order", 0, 0}}, {{"ID", 0, 0}, {"View", 0.90, 0}}},
}};

void SetHeaders(ReportListView* list, const Headers& headers)
{
    const double width = list->WidthTwips();
    list->ClearColumns();
    for (const HeaderDef& h : headers)
        list->AddColumn(0, QString(), QString::fromLatin1(h.text), h.share * width, h.alignment);
    list->ClearItems();
}

ListItem* AddRow(ReportListView* list, const QString& key, const QStringList& subItems)
{
    ListItem* item = list->AddItem(0, key, QString());
    for (int i = 0; i < subItems.size(); ++i)
        item->SetSubItem(i + 1, subItems[i]);
    return item;
}

int OrderOf(const ListItem* item) { return item->SubItem(3).toInt(); }

// Puts the rows in the numeric order of their order texts (a text sort would put
// 100 between 10 and 11), keeping each row's selection and the current row.
void SortRowsByOrder(ReportListView* list)
{
    struct Row {
        QString key;
        std::vector<QString> texts;
        Variant tag;
        bool selected;
        bool current;
        int order;
    };
    std::vector<Row> rows;
    const int n = list->ItemCount();
    const int columns = std::max(1, list->ColumnCount());
    rows.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        ListItem* it = list->Item(i);
        Row r{it->Key(), {it->Text()}, it->Tag(), it->Selected(), it == list->SelectedItem(), OrderOf(it)};
        for (int c = 1; c < columns; ++c)
            r.texts.push_back(it->SubItem(c));
        rows.push_back(std::move(r));
    }
    if (std::is_sorted(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.order < b.order; }))
        return;
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.order < b.order; });
    ListRedrawLock lock(list);
    list->ClearItems();
    ListItem* current = nullptr;
    std::vector<ListItem*> items;
    for (const Row& r : rows) {
        ListItem* it = list->AddItem(0, r.key, r.texts[0]);
        for (size_t c = 1; c < r.texts.size(); ++c)
            it->SetSubItem(static_cast<int>(c), r.texts[c]);
        it->SetTag(r.tag);
        if (r.current)
            current = it;
        items.push_back(it);
    }
    if (current)
        list->SetSelectedItem(current);
    for (size_t i = 0; i < items.size(); ++i)
        items[i]->SetSelected(rows[i].selected);
}

}  // namespace

QString frmListViewEdit::FormatOrder(int value)
{
    const QString text = QString::number(value);
    return text.size() == 1 ? QStringLiteral("0") + text : text;
}

void frmListViewEdit::SetListHeaders()
{
    for (int tab = 0; tab < kTabs; ++tab) {
        SetHeaders(m_lvwList[static_cast<size_t>(tab)], kHeaders[static_cast<size_t>(tab)].first);
        SetHeaders(m_lvwPickList[static_cast<size_t>(tab)], kHeaders[static_cast<size_t>(tab)].second);
    }
}

void frmListViewEdit::PopulateAllTabs()
{
    FillColumnsList();
    FillFiltersList();
    FillFunctionsList();
    FillLinksList();
}

void frmListViewEdit::FillColumnsList()
{
    ReportListView* list = m_lvwList[0];
    list->ClearItems();
    const auto columns = m_oView->Columns();
    for (int16_t i = 1; i <= columns->Count(); ++i) {
        const auto col = columns->Item(Variant(int32_t(i)));
        if (col->Viewable)
            AddRow(list, IDToListKey(i),
                   {col->DisplayName, col->Required ? QStringLiteral("Yes") : QString(), FormatOrder(col->Order)});
    }
    SortListByColumn(0, 0);
    SetListViewState(list, false);
    FillPickList(0);
}

void frmListViewEdit::FillFiltersList()
{
    ReportListView* list = m_lvwList[1];
    list->ClearItems();
    const auto columns = m_oView->Columns();
    for (int16_t i = 1; i <= columns->Count(); ++i) {
        const auto col = columns->Item(Variant(int32_t(i)));
        if (col->Filterable)
            AddRow(list, IDToListKey(i),
                   {col->DisplayName, col->Required ? QStringLiteral("Yes") : QString(), FormatOrder(col->FilterOrder)});
    }
    SortListByColumn(1, 0);
    SetListViewState(list, false);
    RenumberListOrder(1);
    FillPickList(1);
}

void frmListViewEdit::FillFunctionsList()
{
    ReportListView* list = m_lvwList[2];
    list->ClearItems();
    const auto functions = m_oView->ColumnFunctions();
    for (int16_t i = 1; i <= functions->Count(); ++i) {
        const auto f = functions->Item(Variant(int32_t(i)));
        AddRow(list, IDToListKey(i), {f->ColumnFunction, f->ColumnName, FormatOrder(f->Order)});
    }
    SortListByColumn(2, 0);
    SetListViewState(list, false);
    FillPickList(2);
}

void frmListViewEdit::FillLinksList()
{
    ReportListView* list = m_lvwList[3];
    list->ClearItems();
    const auto links = m_oView->AssocViews();
    int count = 0;
    for (int16_t i = 1; i <= links->Count(); ++i) {
        const auto link = links->Item(Variant(int32_t(i)));
        if (link->UseMe)
            AddRow(list, IDToListKey(i), {link->ViewName, QString(), QString::number(++count)});
    }
    SortListByColumn(3, 1);
    SetListViewState(list, false);
    FillPickList(3);
}

void frmListViewEdit::FillPickList(int tab)
{
    ReportListView* pick = m_lvwPickList[static_cast<size_t>(tab)];
    pick->ClearItems();
    const auto columns = m_oView->Columns();
    switch (tab) {
    case 0:
    case 1:
        for (int16_t i = 1; i <= columns->Count(); ++i) {
            const auto col = columns->Item(Variant(int32_t(i)));
            if (tab == 0 && !col->Viewable)
                AddRow(pick, IDToListKey(i), {col->DisplayName, col->Imported ? QStringLiteral("Yes") : QString()});
            else if (tab == 1 && !col->Filterable)
                AddRow(pick, IDToListKey(i), {col->DisplayName});
        }
        break;
    case 2: {
        // One function once per column: what a column has chosen is not offered for it again.
        BrandleDatabase& dbi = SessionEngine().DBI();
        ReportListView* list = m_lvwList[2];
        int k = 0;
        for (int16_t i = 1; i <= columns->Count(); ++i) {
            const auto col = columns->Item(Variant(int32_t(i)));
            if (!col->AllowFunctions)
                continue;
            QStringList names;
            for (int r = 1; r <= list->ItemCount(); ++r)
                if (list->Item(r)->SubItem(2) == col->DisplayName)
                    names << QuoteSQLString(Variant(list->Item(r)->SubItem(1)));
            QString sql = QStringLiteral("SELECT * FROM LdColumnFunctions ");
            if (!names.isEmpty())
                sql += QStringLiteral(" WHERE ColumnFunction NOT IN (") + names.join(QLatin1Char(',')) + QStringLiteral(")");
            BrandleRecordsetPtr rs;
            if (dbi.OpenRecordset(sql, rs)) {
                for (; rs->HasRecord(); rs->MoveNext())
                    AddRow(pick, IDToListKey(++k), {rs->Item(QStringLiteral("ColumnFunction")).toString(), col->DisplayName});
            }
            dbi.CloseRecordset(rs);
        }
        break;
    }
    case 3: {
        const auto links = m_oView->AssocViews();
        for (int16_t i = 1; i <= links->Count(); ++i) {
            const auto link = links->Item(Variant(int32_t(i)));
            if (!link->UseMe)
                AddRow(pick, IDToListKey(i), {link->ViewName});
        }
        break;
    }
    default:
        break;
    }
    pick->UnSelectAll();
    SetListViewState(pick, false);
    if (tab < 3)
        UpdateMoveButtons(tab);
    // The direction a header click chose survives a refill; the column returns to the name.
    pick->SetSortKey(1);
    pick->SetSorted(true);
}

int16_t frmListViewEdit::FindModelItemIndex(int tab, const QString& name) const
{
    if (tab < 0 || tab > 3 || !m_oView)
        return 0;
    if (tab <= 2) {
        const auto columns = m_oView->Columns();
        for (int16_t i = 1; i <= columns->Count(); ++i)
            if (columns->Item(Variant(int32_t(i)))->DisplayName == name)
                return i;
        return 0;
    }
    const QString viewName = name.left(std::max<qsizetype>(0, name.size() - 20)).trimmed();
    const QString relationship = name.right(20).trimmed();
    const auto links = m_oView->AssocViews();
    for (int16_t i = 1; i <= links->Count(); ++i) {
        const auto link = links->Item(Variant(int32_t(i)));
        if (link->ViewName == viewName && QString::number(link->ViewRelationshipID()) == relationship)
            return i;
    }
    return 0;
}

int16_t frmListViewEdit::GetMaxListOrder(int tab) const
{
    const ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    int greatest = 0;
    for (int i = 1; i <= list->ItemCount(); ++i)
        greatest = std::max(greatest, OrderOf(list->Item(i)));
    return static_cast<int16_t>(greatest);
}

QString frmListViewEdit::GetKeyByOrder(int tab, int order) const
{
    const ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    for (int i = 1; i <= list->ItemCount(); ++i)
        if (OrderOf(list->Item(i)) == order)
            return list->Item(i)->Key();
    return QString();
}

void frmListViewEdit::SortListByColumn(int tab, int column)
{
    ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    if (column == 0)
        column = 3;
    list->SetSortOrder(0);
    list->SetSortKey(column);
    if (column == 3) {
        // The order column sorts by number; the list keeps the rows in that order.
        list->SetSorted(false);
        SortRowsByOrder(list);
    } else {
        list->SetSorted(true);
    }
}

void frmListViewEdit::RenumberListOrder(int tab)
{
    ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    for (int k = 1; k <= list->ItemCount(); ++k) {
        ListItem* item = list->Item(k);
        if (item->SubItem(3) != FormatOrder(k))
            item->SetSubItem(3, FormatOrder(k));
    }
}

void frmListViewEdit::UpdateMoveButtons(int tab)
{
    if (tab < 0 || tab > 2)
        return;
    const bool one = m_oListSelect->OnlyOneSelected(m_lvwList[static_cast<size_t>(tab)]);
    m_cmdMoveListUp[static_cast<size_t>(tab)]->setEnabled(one);
    m_cmdMoveListDown[static_cast<size_t>(tab)]->setEnabled(one);
}

void frmListViewEdit::UpdateAddRemoveButtons(int tab)
{
    m_cmdQuickAddList[static_cast<size_t>(tab)]->setEnabled(m_oListSelect->NumberSelected(m_lvwPickList[static_cast<size_t>(tab)]) > 0);
    m_cmdRemoveList[static_cast<size_t>(tab)]->setEnabled(m_oListSelect->NumberSelected(m_lvwList[static_cast<size_t>(tab)]) > 0);
}

void frmListViewEdit::cmdQuickAddList_Click(int tab)
{
    ReportListView* pick = m_lvwPickList[static_cast<size_t>(tab)];
    ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    if (!m_oView || m_oListSelect->NumberSelected(pick) == 0)
        return;
    const int p = pick->SelectedItem() ? pick->SelectedItem()->Index() : 1;
    const auto columns = m_oView->Columns();
    for (int i = 1; i <= pick->ItemCount(); ++i) {
        ListItem* row = pick->Item(i);
        if (!row->Selected())
            continue;
        // Rows added together land at the end, in the order they stood in the pick list.
        const QString order = FormatOrder(GetMaxListOrder(tab) + 1);
        const QString key = row->Key();
        if (tab == 0 || tab == 1) {
            const auto col = columns->Item(Variant(ListKeyToID(key)));
            if (tab == 0) {
                col->Viewable = true;
                m_bDirtyColumns = true;
            } else {
                col->Filterable = true;
                m_bDirtyFilters = true;
            }
            AddRow(list, key, {col->DisplayName, col->Required ? QStringLiteral("Yes") : QString(), order});
        } else if (tab == 2) {
            m_bDirtyFunctions = true;
            AddRow(list, QString(), {row->SubItem(1), row->SubItem(2), order});
        } else {
            const auto link = m_oView->AssocViews()->Item(Variant(ListKeyToID(key)));
            link->UseMe = true;
            m_bDirtyLinksTo = true;
            AddRow(list, key, {link->ViewName, QString(), order});
        }
    }
    FillPickList(tab);
    SortListByColumn(tab, tab < 3 ? 0 : 1);
    if (pick->ItemCount() > 0) {
        pick->UnSelectAll();
        pick->SetSelectedItem(pick->Item(std::min(p, pick->ItemCount())));
    }
    list->UnSelectAll();
    if (list->ItemCount() > 0) {
        ListItem* last = list->Item(list->ItemCount());
        list->SetSelectedItem(last);
        last->EnsureVisible();
    }
    if (pick->SelectedItem())
        pick->SelectedItem()->EnsureVisible();
    SetListViewState(list, false);
    SetListViewState(pick, false);
    // The buttons follow the selection as the move left it.
    UpdateMoveButtons(tab);
    UpdateAddRemoveButtons(tab);
}

void frmListViewEdit::cmdRemoveList_Click(int tab)
{
    ReportListView* pick = m_lvwPickList[static_cast<size_t>(tab)];
    ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    if (!m_oView || m_oListSelect->NumberSelected(list) == 0)
        return;
    const int p = list->SelectedItem() ? list->SelectedItem()->Index() : 1;
    // The rows leave the list where they stand, so that the order the user gave
    // the others since the last fill is kept; required columns stay.
    const auto columns = m_oView->Columns();
    for (int i = list->ItemCount(); i >= 1; --i) {
        ListItem* row = list->Item(i);
        if (!row->Selected())
            continue;
        if (tab == 2) {
            m_bDirtyFunctions = true;
        } else if (tab == 3) {
            m_oView->AssocViews()->Item(Variant(ListKeyToID(row->Key())))->UseMe = false;
            m_bDirtyLinksTo = true;
        } else {
            const auto col = columns->Item(Variant(ListKeyToID(row->Key())));
            if (col->Required)
                continue;
            if (tab == 0) {
                col->Viewable = false;
                m_bDirtyColumns = true;
            } else {
                col->Filterable = false;
                m_bDirtyFilters = true;
            }
        }
        list->RemoveItem(i);
    }
    RenumberListOrder(tab);
    FillPickList(tab);
    if (list->ItemCount() > 0) {
        list->UnSelectAll();
        list->SetSelectedItem(list->Item(std::min(p, list->ItemCount())));
    }
    if (pick->SelectedItem())
        pick->SelectedItem()->EnsureVisible();
    if (list->SelectedItem())
        list->SelectedItem()->EnsureVisible();
    SetListViewState(list, false);
    SetListViewState(pick, false);
    // The buttons follow the selection as the move left it.
    UpdateMoveButtons(tab);
    UpdateAddRemoveButtons(tab);
}

void frmListViewEdit::MoveListItem(int tab, bool bUp)
{
    ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    if (tab < 0 || tab > 2 || !m_oListSelect->OnlyOneSelected(list))
        return;
    ListItem* moved = nullptr;
    for (int i = 1; i <= list->ItemCount() && !moved; ++i)
        if (list->Item(i)->Selected())
            moved = list->Item(i);
    const int d = OrderOf(moved);
    const int m = GetMaxListOrder(tab);
    if ((bUp && d == 1) || (!bUp && d == m))
        return;
    const int target = bUp ? d - 1 : d + 1;
    for (int i = 1; i <= list->ItemCount(); ++i) {
        ListItem* row = list->Item(i);
        if (row == moved)
            row->SetSubItem(3, FormatOrder(target));
        else if (OrderOf(row) == target)
            row->SetSubItem(3, FormatOrder(d));
    }
    SortListByColumn(tab, 0);
    (tab == 0 ? m_bDirtyColumns : tab == 1 ? m_bDirtyFilters : m_bDirtyFunctions) = true;
}

void frmListViewEdit::cmdSyncWithColumns_Click()
{
    if (!m_oView)
        return;
    for (const auto& col : *m_oView->Columns()) {
        col->Filterable = col->Viewable;
        col->FilterOrder = col->Order;
    }
    FillFiltersList();
    FillPickList(1);
    m_bDirtyFilters = true;
}

void frmListViewEdit::SSTab1_Click()
{
    std::vector<QWidget*> frames(m_TabFrame.begin(), m_TabFrame.end());
    EnableSelectedTabFrame(m_SSTab1, frames);
}

void frmListViewEdit::lvwPickList_ColumnClick(int tab, ListColumnHeader* header)
{
    ReportListView* pick = m_lvwPickList[static_cast<size_t>(tab)];
    for (int i = 1; i <= pick->ColumnCount(); ++i) {
        if (pick->Column(i)->Text() == header->Text()) {
            pick->SetSortKey(i - 1);
            break;
        }
    }
    pick->SetSortOrder(pick->SortOrder() == 0 ? 1 : 0);
    pick->SetSorted(true);
}

void frmListViewEdit::lvwList_MouseUp(int tab, int button, int, int x, int y)
{
    ReportListView* list = m_lvwList[static_cast<size_t>(tab)];
    if (tab != 0 || button != 2 || !list->SelectedItem() || !m_oView)
        return;
    const QString key = list->SelectedItem()->Key();
    PopUpMenu menu;
    menu.Init(list, 1);
    menu.AddPopUpItem(QStringLiteral("View SQL Column Name"));
    float fx = static_cast<float>(x * TwipsPerPixelX());
    float fy = static_cast<float>(y * TwipsPerPixelY());
    QString menuKey;
    const QString chosen = menu.ShowPopUpMenu(fx, fy, &menuKey, nullptr);
    if (chosen == QStringLiteral("View SQL Column Name")) {
        const auto col = m_oView->Columns()->Item(Variant(ListKeyToID(key)));
        MsgBox(col->ColumnName, vbInformation, QStringLiteral("Attention Required"));
    }
}

void frmListViewEdit::lvwPickList_MouseUp(int tab, int button, int, int x, int y)
{
    ReportListView* pick = m_lvwPickList[static_cast<size_t>(tab)];
    if (tab != 0 || button != 2 || !pick->SelectedItem() || !m_oView)
        return;
    if (m_nMode != 4 || m_chkSaveAsNewView->isChecked())
        return;
    const bool imported = pick->SelectedItem()->SubItem(2) == QStringLiteral("Yes");
    const QString key = pick->SelectedItem()->Key();
    PopUpMenu menu;
    menu.Init(pick, 1);
    menu.AddPopUpItem(QStringLiteral("Import New Columns"));
    if (imported) {
        menu.AddPopUpItem(QStringLiteral("Delete"));
        menu.AddPopUpItem(QStringLiteral("Edit"));
    }
    float fx = static_cast<float>(x * TwipsPerPixelX());
    float fy = static_cast<float>(y * TwipsPerPixelY());
    QString menuKey;
    const QString chosen = menu.ShowPopUpMenu(fx, fy, &menuKey, nullptr);
    if (chosen == QStringLiteral("Import New Columns"))
        cmdImportNewColumns_Click();
    else if (chosen == QStringLiteral("Delete"))
        DeleteImportedColumn(m_oView->Columns()->Item(Variant(ListKeyToID(key)))->ColumnID);
    else if (chosen == QStringLiteral("Edit"))
        EditImportedColumn(0);
}
