#pragma once
// A collection shown in a report list view, kept in step with it. The owner of
// the list (its parent, normally the form the list lies on) does everything
// that depends on the items' type: it makes the column headers, writes an
// item's row, adds items to the collection and removes them, and maps its own
// IDs to items. CoLVCollection asks for each through the parent's
// LVCollectionCallBack with a COLVC_MSG, and publishes the details in context
// properties (Key, CurObj, CurObjColKey, varID, ColIndex, LVIndex) that are
// valid only during that call.
//
// What it owns is the row map: each list row has the key "S" + a row ID, and
// the map says which collection index each row ID shows. LoadView numbers the
// rows 1..n; rows added later take the next row IDs, and row IDs are not used
// again until the list is built anew (InitView, LoadView). So an item has three
// names: its collection index, its row's position in the list (which changes
// with sorting), and its row ID.
//
// Use: Init(parent, list, collection), InitView(), LoadView(); then Add, Update,
// Remove and RemoveSelected keep list, collection and map in step.

#include "base/Variant.h"
#include "core/CoCollection.h"
#include "platform/controls/ReportListView.h"

#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class CoLVCollection;
class clsListViewHelper;

// The requests to the parent.
enum COLVC_MSG : int32_t {
    lvcAdd = 0,            // append CurObj to col (under CurObjColKey); answer < 1, or the index of an item already there
    lvcUpdate = 1,         // rewrite the row Key from CurObj
    lvcRemove = 2,         // remove item ColIndex from col and row LVIndex from the list; answer > 0, or refuse
    lvcLoadHeaderRow = 3,  // make the column headers
    lvcLoadRow = 4,        // add a row with key Key that shows CurObj (item ColIndex)
    lvcIndexByID = 5,      // the collection index of the application ID varID; 0 or less: none
    lvcGetID = 6,          // the application ID of item ColIndex
};

// What a form implements to own a CoLVCollection. Errors it raises reach the
// caller of the operation that called it.
class LVCollectionParent {
public:
    virtual ~LVCollectionParent() = default;
    virtual Variant LVCollectionCallBack(COLVC_MSG lvcMsg, CoLVCollection& oLvCol) = 0;
};

// What items offer for ItemExists: equality with another object and a deleted
// mark. An item without it fails with 438, as a call by name would.
class LVCollectionComparable {
public:
    virtual ~LVCollectionComparable() = default;
    virtual bool Equal(const ObjectRef& obj) = 0;
    virtual bool deleted() = 0;
};

// What items offer for the diagnostic listing of ShowCol (438 without it).
class LVCollectionDebugItem {
public:
    virtual ~LVCollectionDebugItem() = default;
    virtual QString DebugDisplay() = 0;
};

class CoLVCollection : public VObject {
public:
    CoLVCollection();
    ~CoLVCollection() override;
    CoLVCollection(const CoLVCollection&) = delete;
    CoLVCollection& operator=(const CoLVCollection&) = delete;

    // ---- Binding and loading ----
    // Binds (again). With bUseHelper a new list-view helper styles the list and
    // serves the selection and sort members; without it an earlier one stays.
    void Init(LVCollectionParent* oParentForm, ReportListView* oLv, CoCollectionRef oCol, bool bUseHelper = true);
    // Empties the list, has the parent make the headers, restarts the row IDs at 1.
    void InitView();
    // Fills the list with a row per item (row IDs 1..n), sorts it again; needs the
    // collection and the list.
    void LoadView();
    bool IsLoaded() const;

    // ---- Changes ----
    // Has the parent add obj (or name the item that stands for it); the item's row
    // becomes the only selected one. Returns the item's collection index.
    int32_t Add(const ObjectRef& obj, const QString& sKey = QString());
    // Has the parent write item lIndex's row again.
    void Update(int32_t lIndex);
    // Has the parent remove item lIndex and its row (35601 when it has no row).
    void Remove(int32_t lIndex);
    // Has the parent remove the selected rows' items, bottom-up. True when done.
    bool RemoveSelected();
    // The collection's ChangeKey; list and map stay.
    void ChangeColKey(const QString& sOldKey, const QString& sNewKey);
    // The parent's application ID of item lIndex.
    Variant IDFromItem(int32_t lIndex);
    // The item the parent finds for an application ID; nullptr when none.
    ObjectRef ItemFromID(const Variant& varID);

    // ---- Counts and access ----
    int32_t ColCount() const;
    int32_t ListCount() const;
    // Item lIndex of the collection; nullptr outside 1..Count.
    ObjectRef Item(int32_t lIndex) const;
    bool Sorted() const;
    void SetSorted(bool on);
    // The helper's counters; 0 without a helper.
    int32_t NumberSelected() const;
    int32_t NumberChecked() const;
    void SelectAll();
    void UnSelectAll();

    // ---- Index, row and object ----
    // The row of collection index lIndex; nullptr when it has none.
    ::ListItem* ListItem(int32_t lIndex) const;
    bool Selected(int32_t lIndex) const;
    // The collection index of the row at list position lLVIndex (-1 when unmapped).
    int32_t GetColIndexFromLVIndex(int32_t lLVIndex) const;
    // The row's item as a variant holding it; Empty when the row is unmapped.
    Variant ObjectFromListItem(const ::ListItem* oItem) const;
    // The collection index of the list's current row; -1 when there is none. A
    // current row that is not selected (or none, while rows are selected) gives
    // way to the selected row nearest the bottom.
    int32_t SelectedItem();
    ObjectRef SelectedObject();
    Variant ItemExists(const ObjectRef& obj) const;

    // ---- Selection walks and display order ----
    // The selected rows from the bottom up, one a call; -1 at the end (the next
    // call starts at the bottom again). bResetFirst starts at the bottom now.
    int32_t NextSelectedItem(bool bResetFirst = false);
    // Removes the item of the next selected row (through the parent) and returns
    // it; nullptr when none is left. 32768 when the row's index has no item.
    ObjectRef RemoveNextSelectedobject();
    // The item shown after / before item lIndex (itself at the end); "Invalid index."
    // outside 1..Count.
    int32_t NextItemSorted(int32_t lIndex);
    int32_t PreviousItemSorted(int32_t lIndex);
    // Selects the row of a row ID (the number after "S"); none for 0 or an unknown ID.
    void SelectItemByID(int32_t lID, bool bEnsureVisible = true);
    // Turns Sorted on, has the helper sort again, then selects row ID lItemToSelectID.
    void Resort(int32_t lItemToSelectID = 0);

    // ---- Context of the current callback ----
    QString Key() const { return m_Key; }
    ObjectRef CurObj() const { return m_CurObj; }
    QString CurObjColKey() const { return m_CurObjColKey; }
    CoCollectionRef col() const { return m_col; }
    Variant varID() const { return m_varID; }
    int32_t ColIndex() const { return m_ColIndex; }
    int32_t LVIndex() const { return m_LVIndex; }
    ReportListView* ListView() const { return m_lv; }

    // ---- Diagnostics: texts of the row map, the rows and the items, written to
    // the debug log (category quillon.lvcollection) and returned.
    QString ShowArray() const;
    QString ShowList() const;
    QString ShowCol() const;
    QString SHOWALL() const;

    // The row key of a row ID and back ("S12" <-> 12).
    static QString IDToKey(int32_t rowId);
    static int32_t KeyToID(const QString& key);

    // The row map, entries 1..n as (row ID, collection index); for the owner's checks.
    std::vector<std::pair<int32_t, int32_t>> RowMap() const;
    int32_t NextRowID() const { return m_lNextRowID; }

private:
    Variant CallParent(COLVC_MSG msg);
    CoCollection& Collection() const;
    ReportListView& List() const;
    clsListViewHelper& Helper() const;
    void ResizeRowMap(int32_t n);
    void RequireRowMap() const;
    int32_t FindColByKey(int32_t rowId) const;
    int32_t FindKeyByColIndex(int32_t colIndex) const;
    int32_t FindLvByKey(int32_t rowId) const;
    int32_t ColIndexOfRow(const ::ListItem* row) const;
    // The collection index of the row `step` rows away in the list's order.
    int32_t SortedNeighbour(int32_t lIndex, int step);
    bool HasSelectedItem() const;
    void UpdateArrayAfterRemove(std::vector<int32_t> removed);

    LVCollectionParent* m_parent = nullptr;
    QPointer<ReportListView> m_lv;
    CoCollectionRef m_col;
    std::unique_ptr<clsListViewHelper> m_helper;
    // Entry 0 holds nothing; entries 1..n (row ID, collection index). Unsized until
    // LoadView or Add.
    std::vector<std::pair<int32_t, int32_t>> m_rowMap;
    bool m_rowMapSized = false;
    bool m_bLoaded = false;
    int32_t m_lNextRowID = 0;
    int32_t m_lScanPos = 0;

    QString m_Key;
    ObjectRef m_CurObj;
    QString m_CurObjColKey;
    Variant m_varID;
    int32_t m_ColIndex = 0;
    int32_t m_LVIndex = 0;
};
