// CoLVCollection: lookups between collection index, list position and row ID,
// the selection, display-order navigation and the diagnostic listings.

#include "listhelpers/CoLVCollection.h"

#include "base/AppError.h"
#include "listhelpers/clsListViewHelper.h"

#include <QLoggingCategory>

namespace {
const char kObject[] = "CoLVCollection";
Q_LOGGING_CATEGORY(lcLVCollection, "quillon.lvcollection", QtWarningMsg)
}  // namespace

// ---------------------------------------------------------------- counts and access

int32_t CoLVCollection::ColCount() const
{
    return Traced(kObject, "ColCount", [&] { return Collection().Count(); });
}

int32_t CoLVCollection::ListCount() const
{
    return Traced(kObject, "ListCount", [&] { return static_cast<int32_t>(List().ItemCount()); });
}

ObjectRef CoLVCollection::Item(int32_t lIndex) const
{
    return Traced(kObject, "Item", [&] { return Collection().Item(lIndex); });
}

bool CoLVCollection::Sorted() const
{
    return Traced(kObject, "Sorted", [&] { return List().Sorted(); });
}

void CoLVCollection::SetSorted(bool on)
{
    Traced(kObject, "Sorted", [&] { List().SetSorted(on); });
}

int32_t CoLVCollection::NumberSelected() const
{
    return Traced(kObject, "NumberSelected", [&] { return m_helper ? m_helper->NumberSelected() : 0; });
}

int32_t CoLVCollection::NumberChecked() const
{
    return Traced(kObject, "NumberChecked", [&] { return m_helper ? m_helper->NumberChecked() : 0; });
}

void CoLVCollection::SelectAll()
{
    Traced(kObject, "SelectAll", [&] { Helper().SelectAll(); });
}

void CoLVCollection::UnSelectAll()
{
    Traced(kObject, "UnSelectAll", [&] { Helper().UnSelectAll(); });
}

// ---------------------------------------------------------------- index, row and object

::ListItem* CoLVCollection::ListItem(int32_t lIndex) const
{
    return Traced(kObject, "ListItem", [&]() -> ::ListItem* {
        try {
            return List().Item(FindLvByKey(FindKeyByColIndex(lIndex)));
        } catch (const AppError& e) {
            if (e.number() == 35601)
                return nullptr;
            throw;
        }
    });
}

bool CoLVCollection::Selected(int32_t lIndex) const
{
    return Traced(kObject, "Selected", [&] {
        const ::ListItem* row = ListItem(lIndex);
        return row && row->Selected();
    });
}

int32_t CoLVCollection::GetColIndexFromLVIndex(int32_t lLVIndex) const
{
    return Traced(kObject, "GetColIndexFromLVIndex", [&] { return ColIndexOfRow(List().Item(lLVIndex)); });
}

Variant CoLVCollection::ObjectFromListItem(const ::ListItem* oItem) const
{
    return Traced(kObject, "ObjectFromListItem", [&] {
        const int32_t index = ColIndexOfRow(oItem);
        return index > 0 ? Variant(Collection().Item(index)) : Variant();
    });
}

// Whether the list has a current row, or selected rows without one: a parent that
// removed the current row leaves the list without one while rows stay selected.
bool CoLVCollection::HasSelectedItem() const
{
    const ReportListView& list = List();
    return list.SelectedItem() != nullptr || list.SelectedCount() > 0;
}

int32_t CoLVCollection::SelectedItem()
{
    return Traced(kObject, "SelectedItem", [&] {
        ReportListView& list = List();
        if (!HasSelectedItem())
            return -1;
        const ::ListItem* current = list.SelectedItem();
        if (!current || !current->Selected()) {
            // The selected row nearest the bottom becomes the current one.
            for (int p = list.ItemCount(); p >= 1; --p) {
                ::ListItem* row = list.Item(p);
                if (row->Selected()) {
                    list.SetSelectedItem(row);
                    break;
                }
            }
        }
        return list.SelectedItem() ? ColIndexOfRow(list.SelectedItem()) : -1;
    });
}

ObjectRef CoLVCollection::SelectedObject()
{
    return Traced(kObject, "SelectedObject", [&] { return Item(SelectedItem()); });
}

Variant CoLVCollection::ItemExists(const ObjectRef& obj) const
{
    return Traced(kObject, "ItemExists", [&] {
        CoCollection& col = Collection();
        for (int32_t i = 1; i <= col.Count(); ++i) {
            const ObjectRef item = col.Item(i);
            if (!item)
                RaiseError(vberr::ObjectNotSet);
            auto* comparable = dynamic_cast<LVCollectionComparable*>(item.get());
            if (!comparable)
                RaiseError(vberr::ObjectDoesntSupport);
            // An equal item that is deleted does not count; the search goes on.
            if (comparable->Equal(obj) && !comparable->deleted())
                return Variant(true);
        }
        return Variant(false);
    });
}

// ---------------------------------------------------------------- walks and navigation

int32_t CoLVCollection::NextSelectedItem(bool bResetFirst)
{
    return Traced(kObject, "NextSelectedItem", [&] {
        ReportListView& list = List();
        if (m_lScanPos < 1 || bResetFirst)
            m_lScanPos = list.ItemCount() + 1;
        if (!HasSelectedItem()) {
            m_lScanPos = 0;
            return -1;
        }
        for (int32_t p = m_lScanPos - 1; p >= 1; --p) {
            const ::ListItem* row = list.Item(p);
            if (row->Selected()) {
                m_lScanPos = p;
                return ColIndexOfRow(row);
            }
        }
        m_lScanPos = 0;
        return -1;
    });
}

ObjectRef CoLVCollection::RemoveNextSelectedobject()
{
    return Traced(kObject, "RemoveNextSelectedobject", [&] {
        const int32_t index = NextSelectedItem(false);
        if (index <= 0)
            return ObjectRef();
        ObjectRef obj = Item(index);
        if (!obj)
            RaiseError(vberr::ProgramDefined, QStringLiteral("Collection does not contain selected object."));
        // The scan position stays on the removed row: the next call looks above it.
        Remove(index);
        return obj;
    });
}

int32_t CoLVCollection::NextItemSorted(int32_t lIndex)
{
    return Traced(kObject, "NextItemSorted", [&] { return SortedNeighbour(lIndex, +1); });
}

int32_t CoLVCollection::PreviousItemSorted(int32_t lIndex)
{
    return Traced(kObject, "PreviousItemSorted", [&] { return SortedNeighbour(lIndex, -1); });
}

int32_t CoLVCollection::SortedNeighbour(int32_t lIndex, int step)
{
    if (lIndex < 1 || lIndex > Collection().Count())
        RaiseError(vberr::ProgramDefined, QStringLiteral("Invalid index."));
    const ::ListItem* row = ListItem(lIndex);
    if (!row)
        RaiseError(vberr::ObjectNotSet);
    // At either end of the list the row is its own neighbour.
    const int p = row->Index() + step;
    if (p < 1 || p > List().ItemCount())
        return lIndex;
    return ColIndexOfRow(List().Item(p));
}

void CoLVCollection::SelectItemByID(int32_t lID, bool bEnsureVisible)
{
    Traced(kObject, "SelectItemByID", [&] {
        Helper().UnSelectAll();
        if (lID <= 0)
            return;
        ReportListView& list = List();
        for (int p = 1; p <= list.ItemCount(); ++p) {
            ::ListItem* row = list.Item(p);
            if (KeyToID(row->Key()) == lID) {
                list.SetSelectedItem(row);
                if (bEnsureVisible)
                    row->EnsureVisible();
                return;
            }
        }
    });
}

void CoLVCollection::Resort(int32_t lItemToSelectID)
{
    Traced(kObject, "Resort", [&] {
        if (!List().Sorted())
            List().SetSorted(true);
        Helper().Resort();
        if (lItemToSelectID > 0)
            SelectItemByID(lItemToSelectID, true);
    });
}

// ---------------------------------------------------------------- diagnostics

QString CoLVCollection::ShowArray() const
{
    return Traced(kObject, "ShowArray", [&] {
        QString text = QStringLiteral("Row map (row ID, collection index):");
        for (size_t k = 1; k < m_rowMap.size(); ++k)
            text += QStringLiteral("\n%1: %2, %3").arg(k).arg(m_rowMap[k].first).arg(m_rowMap[k].second);
        qCDebug(lcLVCollection).noquote() << text;
        return text;
    });
}

QString CoLVCollection::ShowList() const
{
    return Traced(kObject, "ShowList", [&] {
        const ReportListView& list = List();
        QString text = QStringLiteral("List rows (position, key, text):");
        for (int p = 1; p <= list.ItemCount(); ++p)
            text += QStringLiteral("\n%1: %2, %3").arg(p).arg(list.Item(p)->Key(), list.Item(p)->Text());
        qCDebug(lcLVCollection).noquote() << text;
        return text;
    });
}

QString CoLVCollection::ShowCol() const
{
    return Traced(kObject, "ShowCol", [&] {
        CoCollection& col = Collection();
        QString text = QStringLiteral("Items:");
        for (int32_t i = 1; i <= col.Count(); ++i) {
            const ObjectRef item = col.Item(i);
            auto* displayable = dynamic_cast<LVCollectionDebugItem*>(item.get());
            if (!item)
                RaiseError(vberr::ObjectNotSet);
            if (!displayable)
                RaiseError(vberr::ObjectDoesntSupport);
            text += QStringLiteral("\n%1: %2").arg(i).arg(displayable->DebugDisplay());
        }
        qCDebug(lcLVCollection).noquote() << text;
        return text;
    });
}

QString CoLVCollection::SHOWALL() const
{
    return Traced(kObject, "SHOWALL", [&] {
        return ShowArray() + QLatin1Char('\n') + ShowList() + QLatin1Char('\n') + ShowCol();
    });
}
