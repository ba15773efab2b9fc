// CoLVCollection: binding, loading, adding, updating and removing items, and
// the row map.

#include "listhelpers/CoLVCollection.h"

#include "base/AppError.h"
#include "listhelpers/clsListViewHelper.h"

#include <algorithm>

namespace {
const char kObject[] = "CoLVCollection";
}  // namespace

CoLVCollection::CoLVCollection() = default;

CoLVCollection::~CoLVCollection() = default;

// ---------------------------------------------------------------- small parts

QString CoLVCollection::IDToKey(int32_t rowId) { return QLatin1Char('S') + QString::number(rowId); }

int32_t CoLVCollection::KeyToID(const QString& key)
{
    bool ok = false;
    const int32_t id = key.mid(1).trimmed().toInt(&ok);
    if (!ok)
        RaiseError(vberr::TypeMismatch);
    return id;
}

Variant CoLVCollection::CallParent(COLVC_MSG msg)
{
    if (!m_parent)
        RaiseError(vberr::ObjectNotSet);
    return m_parent->LVCollectionCallBack(msg, *this);
}

CoCollection& CoLVCollection::Collection() const
{
    if (!m_col)
        RaiseError(vberr::ObjectNotSet);
    return *m_col;
}

ReportListView& CoLVCollection::List() const
{
    if (!m_lv)
        RaiseError(vberr::ObjectNotSet);
    return *m_lv;
}

clsListViewHelper& CoLVCollection::Helper() const
{
    if (!m_helper)
        RaiseError(vberr::ObjectNotSet);
    return *m_helper;
}

// The parent's answer to a removal: a value above 0 means done; Empty, Null,
// 0 or less, or anything that is not a number refuses.
static bool AnswerAboveZero(const Variant& answer)
{
    if (answer.isObject())
        return false;
    try {
        const auto c = answer.compare(Variant(int32_t(0)));
        return c && *c > 0;
    } catch (const AppError&) {
        return false;
    }
}

// A map of n entries after entry 0; the entries it had keep their values.
void CoLVCollection::ResizeRowMap(int32_t n)
{
    m_rowMap.resize(static_cast<size_t>(std::max(0, n)) + 1, {0, 0});
    m_rowMapSized = true;
}

// Searching a map that LoadView or Add never sized fails, as an undimensioned array does.
void CoLVCollection::RequireRowMap() const
{
    if (!m_rowMapSized)
        RaiseError(vberr::SubscriptOutOfRange);
}

int32_t CoLVCollection::FindColByKey(int32_t rowId) const
{
    RequireRowMap();
    for (size_t k = 1; k < m_rowMap.size(); ++k)
        if (m_rowMap[k].first == rowId)
            return m_rowMap[k].second;
    return -1;
}

int32_t CoLVCollection::FindKeyByColIndex(int32_t colIndex) const
{
    RequireRowMap();
    for (size_t k = 1; k < m_rowMap.size(); ++k)
        if (m_rowMap[k].second == colIndex)
            return m_rowMap[k].first;
    return -1;
}

// The list position of the row of that row ID; 35601 from the list when it has none.
int32_t CoLVCollection::FindLvByKey(int32_t rowId) const { return List().Item(IDToKey(rowId))->Index(); }

int32_t CoLVCollection::ColIndexOfRow(const ::ListItem* row) const
{
    if (!row)
        RaiseError(vberr::ObjectNotSet);
    return FindColByKey(KeyToID(row->Key()));
}

std::vector<std::pair<int32_t, int32_t>> CoLVCollection::RowMap() const
{
    if (m_rowMap.size() <= 1)
        return {};
    return {m_rowMap.begin() + 1, m_rowMap.end()};
}

// The collection renumbers its items after a removal: drop the removed indexes'
// entries and lower the collection index of every entry above them. The map is
// in collection order, so one pass over it with the sorted removed indexes does.
void CoLVCollection::UpdateArrayAfterRemove(std::vector<int32_t> removed)
{
    std::sort(removed.begin(), removed.end());
    const int32_t n = static_cast<int32_t>(m_rowMap.size()) - 1;
    int32_t dropped = 0;
    size_t cursor = 1;
    for (int32_t k = 1; k <= n; ++k) {
        auto& entry = m_rowMap[static_cast<size_t>(k)];
        if (cursor < removed.size() && entry.second == removed[cursor]) {
            ++dropped;
            ++cursor;
        } else if (dropped > 0) {
            m_rowMap[static_cast<size_t>(k - dropped)] = {entry.first, entry.second - dropped};
        }
    }
    m_rowMap.resize(static_cast<size_t>(n - dropped) + 1);
}

// ---------------------------------------------------------------- binding and loading

void CoLVCollection::Init(LVCollectionParent* oParentForm, ReportListView* oLv, CoCollectionRef oCol, bool bUseHelper)
{
    Traced(kObject, "Init", [&] {
        m_parent = oParentForm;
        m_lv = oLv;
        m_col = std::move(oCol);
        if (bUseHelper) {
            m_helper.reset();
            auto helper = std::make_unique<clsListViewHelper>();
            helper->Init(oLv, nullptr, true);
            m_helper = std::move(helper);
        }
    });
}

void CoLVCollection::InitView()
{
    Traced(kObject, "InitView", [&] {
        ReportListView& list = List();
        list.ClearColumns();
        list.ClearItems();
        CallParent(lvcLoadHeaderRow);
        m_lNextRowID = 1;
    });
}

void CoLVCollection::LoadView()
{
    Traced(kObject, "LoadView", [&] {
        if (!m_col || !m_lv)
            return;
        ReportListView& list = List();
        list.ClearItems();
        const int32_t n = m_col->Count();
        ResizeRowMap(n);
        list.ReserveItems(n);
        {
            // Not drawn while the rows go in; drawn again however the filling ends.
            ListRedrawLock lock(&list);
            for (int32_t i = 1; i <= n; ++i) {
                m_rowMap[static_cast<size_t>(i)] = {i, i};
                m_Key = IDToKey(i);
                m_CurObj = m_col->Item(i);
                m_ColIndex = i;
                CallParent(lvcLoadRow);
            }
        }
        if (m_helper)
            m_helper->Resort();
        m_lNextRowID = n + 1;
        m_bLoaded = true;
    });
}

bool CoLVCollection::IsLoaded() const { return m_bLoaded; }

// ---------------------------------------------------------------- changes

int32_t CoLVCollection::Add(const ObjectRef& obj, const QString& sKey)
{
    return Traced(kObject, "Add", [&] {
        m_CurObj = obj;
        m_CurObjColKey = sKey;
        const int32_t answer = CallParent(lvcAdd).toInt32();
        m_ColIndex = answer;
        if (answer < 1) {
            const int32_t c = Collection().Count();
            m_ColIndex = c;
            ResizeRowMap(c);
            m_rowMap[static_cast<size_t>(c)] = {m_lNextRowID, c};
            m_Key = IDToKey(m_lNextRowID);
            ++m_lNextRowID;
            CallParent(lvcLoadRow);
        } else {
            m_Key = IDToKey(FindKeyByColIndex(answer));
        }
        // An item without a row selects nothing.
        ::ListItem* row = nullptr;
        try {
            row = List().Item(m_Key);
        } catch (const AppError& e) {
            if (e.number() != 35601)
                throw;
        }
        if (row) {
            if (List().SelectedItem())
                Helper().UnSelectAll();
            List().SetSelectedItem(row);
            row->EnsureVisible();
        }
        return m_ColIndex;
    });
}

void CoLVCollection::Update(int32_t lIndex)
{
    Traced(kObject, "Update", [&] {
        m_Key = IDToKey(FindKeyByColIndex(lIndex));
        m_CurObj = Collection().Item(lIndex);
        CallParent(lvcUpdate);
    });
}

void CoLVCollection::Remove(int32_t lIndex)
{
    Traced(kObject, "Remove", [&] {
        const int32_t position = FindLvByKey(FindKeyByColIndex(lIndex));
        m_Key = List().Item(position)->Key();
        m_ColIndex = lIndex;
        m_LVIndex = position;
        m_CurObj = Item(lIndex);
        if (AnswerAboveZero(CallParent(lvcRemove)))
            UpdateArrayAfterRemove({0, lIndex});
    });
}

bool CoLVCollection::RemoveSelected()
{
    return Traced(kObject, "RemoveSelected", [&] {
        if (!HasSelectedItem())
            return true;
        // Bottom-up, so that a removal never moves a row still to be visited.
        for (int32_t p = List().ItemCount(); p >= 1; --p) {
            ::ListItem* row = List().Item(p);
            if (!row->Selected())
                continue;
            m_Key = row->Key();
            m_LVIndex = p;
            m_ColIndex = FindColByKey(KeyToID(m_Key));
            m_CurObj = Item(m_ColIndex);
            if (AnswerAboveZero(CallParent(lvcRemove)))
                UpdateArrayAfterRemove({0, m_ColIndex});
        }
        return true;
    });
}

void CoLVCollection::ChangeColKey(const QString& sOldKey, const QString& sNewKey)
{
    Traced(kObject, "ChangeColKey", [&] { Collection().ChangeKey(sOldKey, sNewKey); });
}

Variant CoLVCollection::IDFromItem(int32_t lIndex)
{
    return Traced(kObject, "IDFromItem", [&] {
        m_ColIndex = lIndex;
        return CallParent(lvcGetID);
    });
}

ObjectRef CoLVCollection::ItemFromID(const Variant& varID)
{
    return Traced(kObject, "ItemFromID", [&] {
        m_varID = varID;
        const int32_t index = CallParent(lvcIndexByID).toInt32();
        return index > 0 ? Collection().Item(index) : ObjectRef();
    });
}
