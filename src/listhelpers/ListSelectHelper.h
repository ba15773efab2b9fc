#pragma once
// Selection counters and saved selections for report list views, with Ctrl+A and
// typed column sorting of one bound list.
//
// The counters count the list they are given, or the bound one. A bound list
// (Init) also gets: its selection remembered across a refresh (by row keys) or
// a delete (by the index of the row after the deleted ones) and restored, Ctrl+A
// selecting every row, and sorting by a header click.
//
// A column sorts by the Tag of its header: "NUM" numbers, "DATE" dates and times,
// "ALPHANUM" texts left-filled with zeros (shorter first), "ICON" the row's icon,
// "REPORTICON" the cell's icon, "CHECK" the check box; any other Tag the list's
// own text sort. A typed sort builds a key per row and has the list order its rows
// by the keys: the rows' texts and Tags are not touched, and the list keeps the
// typed order (its Sorted reads False until the next text sort, which turns it on
// again). Numbers and dates are read as the user's locale writes them, then as
// the program writes them. The header of the sort column shows
// image 0 (ascending) or 1 (descending) of the list's header images.

#include "base/Variant.h"
#include "listhelpers/RegionalReading.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class ListColumnHeader;
class ReportListView;

// The 1-based positions of the selected rows, each under the decimal text of its
// position as key, in row order.
class ListSelectedIndexes {
public:
    int32_t Count() const { return static_cast<int32_t>(m_indexes.size()); }
    // 1-based; outside 1..Count fails with 9.
    int32_t Item(int32_t position) const;
    // By key; a key that is not held fails with 5.
    int32_t Item(const QString& key) const;
    const QStringList& Keys() const { return m_keys; }
    void Add(int32_t index);

private:
    std::vector<int32_t> m_indexes;
    QStringList m_keys;
};

class ListSelectHelper : public QObject {
    Q_OBJECT
public:
    explicit ListSelectHelper(QObject* parent = nullptr);
    ~ListSelectHelper() override;

    // ---- Published ----
    // Saves the keys of the selected rows of the bound list (nothing when unbound).
    void RememberSelection();
    // Sorts again, then selects: the row with the key when one is given (row 1 when
    // no row has it); after AboutToDelete the row at the saved next index (the last
    // row when fewer remain); else the rows of the saved keys.
    void RestoreSelection(const QString& strKey = QString());
    // Before the caller deletes the selected rows: saves the index the row after the
    // last selected one will have. Error 6 when that row is past 32,767.
    void AboutToDelete();
    // Sorts again by the current column and direction; error 91 when unbound.
    void Resort();
    // Does nothing.
    void RemoveSelected(ObjectRef& obj);
    // Sorts by the 1-based column; bHeaderClicked is a user's click, which changes
    // the direction. Unbound or without columns, nothing happens.
    void SortList(int16_t indexHeader, bool bHeaderClicked);
    // Drops the saved keys and the bound list.
    void Dispose();
    // The bound list's key handling (Ctrl+A selects every row), for a caller that
    // receives the list's keys itself. A failure ends in the standard error box.
    void KeyDown(int16_t& KeyCode, int16_t& shift);

    // ---- The program's own ----
    // Binds the list, sets its options (full-row selection, grid lines, selection
    // kept visible, multiple selection, Sorted), takes the header images of the
    // main window's "CHSortIcons" (error 438 when the main window has none), clears
    // the saved selection and sorts again.
    void Init(ReportListView* list);
    ReportListView* ListView() const { return m_lstView; }

    // The counters: of the list given, else of the bound one; 0, False or nullptr
    // when there is neither.
    bool MoreThanOneSelected(ReportListView* list = nullptr) const;
    int32_t NumberSelected(ReportListView* list = nullptr) const;
    int32_t NumberChecked(ReportListView* list = nullptr) const;
    int32_t NumberSelectedAndChecked(ReportListView* list = nullptr) const;
    std::shared_ptr<ListSelectedIndexes> ItemsSelected(ReportListView* list = nullptr) const;
    bool OnlyOneSelected(ReportListView* list = nullptr) const;

    // The saved state, for the owner's checks: the next index after a delete (0
    // before any clearing, 1 after), whether AboutToDelete is in force, the saved keys.
    int16_t NextIndex() const { return m_iNextIndex; }
    bool IsAboutToDelete() const { return m_bAboutToDelete; }
    QStringList SavedSelections() const { return m_colSavedSelections ? *m_colSavedSelections : QStringList(); }

    // Each digit d becomes 9 - d, "-" a blank, anything else stays.
    static QString InvNumber(const QString& text);
    // The sort keys of the typed columns (the empty text for a text that is not
    // a number or a date), read as the reader's locale writes them.
    static QString NumberKey(const QString& text, const RegionalReader& reader = RegionalReader());
    static QString DateKey(const QString& text, const RegionalReader& reader = RegionalReader());
    static QString AlphaNumberKey(const QString& text);

signals:
    // A header click sorted the list by that column.
    void ColumnHeaderClick(ListColumnHeader* ColumnHeader);

private:
    ReportListView* ListOf(ReportListView* list) const { return list ? list : m_lstView.data(); }
    QStringList& SavedSelectionList();
    void ClearSavedSelections();
    void onColumnClick(ListColumnHeader* column);
    void onKeyDown(int& keyCode, int shift);
    void HandleKeyDown(int keyCode, int shift);
    enum class SortType { Text, Numbers, Dates, AlphaNumbers, Icons, ReportIcons, Checks };
    void SortByType(SortType type, int16_t indexHeader, bool bHeaderClicked);
    void ShowHeaderIcon(ReportListView* list, int32_t column, int32_t image, int32_t show);

    QPointer<ReportListView> m_lstView;
    std::vector<QMetaObject::Connection> m_connections;
    std::unique_ptr<QStringList> m_colSavedSelections;
    int16_t m_iNextIndex = 0;
    bool m_bAboutToDelete = false;
};
