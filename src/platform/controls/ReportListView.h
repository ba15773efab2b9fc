#pragma once
// A list view in report style, for the windows and the list helpers: column
// headers (index, key, caption, width in twips, alignment, tag, header image)
// and rows (index, key, text, sub-items, tag, icon, check box, selection).
// Indexes are 1-based like the keys' collections of the windows; a key, when
// given, is unique: a duplicate fails with error 35602, a missing one with 35601.
//
// The rows live in a model of the list's own behind a Qt item view, so that a
// list of 100,000 rows fills, sorts and scrolls without a pause. The rows keep
// their own selection and check state; the view shows them.
//
// Sorting is the list's own text sort: while Sorted is on, the rows are put in
// the order of the SortKey column's texts (as the user's locale collates them,
// without regard to case; equal texts keep their order), ascending or descending
// by SortOrder, when it is switched on, the column or the direction changes or
// rows are added. Writing a text does not sort the list again: the row stays
// where it is. A header click does not sort by itself: it raises ColumnClick,
// and the list's owner decides.

#include "base/Variant.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QWidget>
#include <memory>
#include <vector>

class QTimer;
class ReportListView;
class ReportListModel;
class QTreeView;

// Errors of the list's collections.
inline constexpr int32_t kListElementNotFound = 35601;
inline constexpr int32_t kListKeyNotUnique = 35602;

// A money value in the system's currency format (QLocale, default decimals);
// Null and Empty count as zero.
QString FormatSystemCurrency(const Variant& value);

class ListColumnHeader {
public:
    int Index() const;  // 1-based
    QString Key() const { return m_key; }
    QString Text() const { return m_text; }
    void SetText(const QString& text);
    // Width in twips; 0 hides the column.
    double Width() const;
    void SetWidth(double twips);
    // 0 left, 1 right, 2 centre; anything else is refused (error 380).
    int Alignment() const { return m_alignment; }
    void SetAlignment(int alignment);
    Variant Tag() const { return m_tag; }
    void SetTag(const Variant& tag) { m_tag = tag; }
    // The image of the list's header images shown right of the caption; -1 none.
    int Image() const { return m_image; }
    void SetImage(int image);

private:
    friend class ReportListView;
    friend class ReportListModel;
    ListColumnHeader(ReportListView* list, QString key) : m_list(list), m_key(std::move(key)) {}
    ReportListView* m_list;
    QString m_key;
    QString m_text;
    double m_width = 1440;
    int m_alignment = 0;
    Variant m_tag;
    int m_image = -1;
};

class ListItem {
public:
    int Index() const;  // 1-based position in the list
    QString Key() const { return m_key; }
    // Changing a key to one another row has fails with kListKeyNotUnique.
    void SetKey(const QString& key);
    QString Text() const { return m_texts.empty() ? QString() : m_texts[0]; }
    void SetText(const QString& text);
    // Sub-item i (1 to the column count - 1); "" when unset. Another i fails with 380.
    QString SubItem(int i) const;
    void SetSubItem(int i, const QString& text);
    // A sub-item whose value is still coming: its cell shows a turning mark until
    // the mark is set off again.
    bool SubItemBusy(int i) const;
    void SetSubItemBusy(int i, bool busy);
    Variant Tag() const { return m_tag; }
    void SetTag(const Variant& tag) { m_tag = tag; }
    // An image key (text) or index (number) of the list's small icons; Empty for none.
    Variant Icon() const { return m_icon; }
    void SetIcon(const Variant& icon);
    // The small icon shown in sub-item i, in the same form; i as for SubItem.
    Variant ReportIcon(int i) const;
    void SetReportIcon(int i, const Variant& icon);
    bool Checked() const { return m_checked; }
    // Set by the program: no ItemCheck event.
    void SetChecked(bool checked);
    bool Selected() const { return m_selected; }
    void SetSelected(bool selected);
    void EnsureVisible();
    ReportListView* ListView() const { return m_list; }

private:
    friend class ReportListView;
    friend class ReportListModel;
    ListItem(ReportListView* list, QString key) : m_list(list), m_key(std::move(key)) {}
    ReportListView* m_list;
    QString m_key;
    std::vector<QString> m_texts;  // [0] the text, [c] sub-item c
    std::vector<bool> m_busy;      // [c] sub-item c is busy
    std::vector<Variant> m_reportIcons;  // [c] the icon of sub-item c ([0] unused)
    Variant m_tag;
    Variant m_icon;
    int m_row = 0;  // 0-based position, valid when the list's numbering is
    bool m_checked = false;
    bool m_selected = false;
};

class ReportListView : public QWidget {
    Q_OBJECT
public:
    explicit ReportListView(QWidget* parent = nullptr);
    ~ReportListView() override;

    // ---- Columns ----
    // Adds a column at the 1-based index (0 or past the end: appended); width in
    // twips, -1 for the default (1440).
    ListColumnHeader* AddColumn(int index = 0, const QString& key = QString(), const QString& text = QString(),
                                double width = -1, int alignment = 0);
    void RemoveColumn(int index);
    void ClearColumns();
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    // By 1-based index or by key; a missing one fails with kListElementNotFound.
    ListColumnHeader* Column(int index) const;
    ListColumnHeader* Column(const QString& key) const;
    // The images a column header may show (index 0, 1, ...). A new list has two
    // arrows: 0 ascending, 1 descending.
    void SetColumnHeaderIcons(const QList<QIcon>& icons);
    const QList<QIcon>& ColumnHeaderIcons() const { return m_headerIcons; }
    // The images rows show in front of their text: by index (0, 1, ...) or by key.
    void SetSmallIcons(const QList<QIcon>& icons, const QStringList& keys = {});

    // ---- Rows ----
    // Adds a row at the 1-based index (0 or past the end: appended; with Sorted on,
    // it takes its sorted place).
    ListItem* AddItem(int index = 0, const QString& key = QString(), const QString& text = QString());
    void RemoveItem(int index);
    void ClearItems();
    // Room for that many rows, before a long fill.
    void ReserveItems(int count);
    int ItemCount() const { return static_cast<int>(m_items.size()); }
    // By 1-based index or by key; a missing one fails with kListElementNotFound.
    ListItem* Item(int index) const;
    ListItem* Item(const QString& key) const;
    // The row with that key, or nullptr.
    ListItem* FindItem(const QString& key) const;

    // The current row (the focused one; nullptr when none); it need not be selected.
    ListItem* SelectedItem() const { return m_current; }
    // Makes the row current and selected (in single selection the only one).
    void SetSelectedItem(ListItem* item);
    int SelectedCount() const { return m_selectedCount; }
    int CheckedCount() const { return m_checkedCount; }
    // Selects the rows in one update of the view (in single selection only the last
    // of them); the first becomes current when no row is.
    void SelectItems(const std::vector<ListItem*>& items);
    // Every row (in single selection: the current one); none.
    void SelectAll();
    void UnSelectAll();

    // ---- Behaviour and looks ----
    bool MultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool on);
    bool FullRowSelect() const { return m_fullRowSelect; }
    void SetFullRowSelect(bool on);
    bool GridLines() const { return m_gridLines; }
    void SetGridLines(bool on);
    bool HideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool on);
    bool Checkboxes() const { return m_checkboxes; }
    void SetCheckboxes(bool on);
    bool HideColumnHeaders() const;
    void SetHideColumnHeaders(bool on);
    // 0 icons, 1 small icons, 2 list, 3 report; the rows show as a report in every view.
    int View() const { return m_view; }
    void SetView(int view) { m_view = view; }
    int MousePointer() const { return m_mousePointer; }
    void SetMousePointer(int pointer);
    // Reached with the Tab key.
    bool TabStop() const;
    void SetTabStop(bool on);
    QColor BackColor() const;
    void SetBackColor(const QColor& color);
    // Rows drawn alternately in the two colours; invalid colours end the bands.
    void SetBandColors(const QColor& first, const QColor& second);
    bool HasBands() const { return m_bandFirst.isValid(); }
    QColor BandColor(int row) const;  // 0-based row; invalid without bands
    // Width and height in twips.
    int WidthTwips() const;
    int HeightTwips() const;

    // ---- Sorting ----
    int SortKey() const { return m_sortKey; }  // 0-based column
    void SetSortKey(int column);
    int SortOrder() const { return m_sortOrder; }  // 0 ascending, 1 descending
    void SetSortOrder(int order);
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool on);
    // Puts the rows in the order of the keys (one a row, in row order), compared by
    // code unit, ascending or descending by order, equal keys in their former order;
    // for the typed sorts, whose keys are built to sort so. Sorted is switched off,
    // so that the list keeps that order. Keys of another count change nothing.
    void SortByKeys(std::vector<QString> keys, int order);

    // ---- Drawing ----
    // While locked (counted), the list is not drawn; the last unlock draws it again.
    void LockRedraw();
    void UnlockRedraw();
    bool RedrawLocked() const { return m_redrawLocks > 0; }

    QTreeView* Tree() const { return m_tree; }
    // The row's rectangle in the view's viewport (empty when it is not laid out).
    QRect ItemRect(const ListItem* item) const;

signals:
    void ColumnClick(ListColumnHeader* column);
    void ItemClick(ListItem* item);
    // The user ticked or cleared the row's box.
    void ItemCheck(ListItem* item);
    void DblClick();
    // VB key code and shift mask (1 Shift, 2 Ctrl, 4 Alt), before the list handles
    // the key; setting keyCode to 0 keeps it from the list.
    void KeyDown(int& keyCode, int shift);
    // Mouse button (1 left, 2 right, 4 middle), shift mask, pixels in the list.
    void MouseUp(int button, int shift, int x, int y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ListColumnHeader;
    friend class ListItem;
    friend class ReportListModel;
    void ensureOrder() const;
    void sortNow();
    void applyOrder(const std::vector<ListItem*>& order);
    void scheduleSort();
    void renumber() const;
    void setSelectedFlag(ListItem* item, bool on);
    void setCheckedFlag(ListItem* item, bool on);
    void pushSelection();
    void pullSelection(const class QItemSelection& selected, const class QItemSelection& deselected);
    void applyColumnWidths();
    void applyItemStyle();
    void rowChanged(const ListItem* item, int column = -1);
    ListItem* itemAtRow(int row) const;

    QTreeView* m_tree = nullptr;
    ReportListModel* m_model = nullptr;
    QTimer* m_busyTimer = nullptr;  // turns the marks of busy cells while there are any
    int m_busyPhase = 0;
    std::vector<std::unique_ptr<ListColumnHeader>> m_columns;
    std::vector<std::unique_ptr<ListItem>> m_items;
    QHash<QString, ListItem*> m_keys;
    QList<QIcon> m_headerIcons;
    QList<QIcon> m_smallIcons;
    QStringList m_smallIconKeys;
    ListItem* m_current = nullptr;
    int m_selectedCount = 0;
    int m_checkedCount = 0;
    mutable int m_numberedTo = 0;  // rows before this one carry their position
    bool m_multiSelect = false;
    bool m_fullRowSelect = false;
    bool m_gridLines = false;
    bool m_hideSelection = true;
    bool m_checkboxes = false;
    int m_view = 3;
    int m_mousePointer = 0;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_sorted = false;
    mutable bool m_orderDirty = false;
    bool m_sortPosted = false;
    bool m_syncing = false;      // the view's selection is being set from the rows
    bool m_widthsApplying = false;
    int m_redrawLocks = 0;
    QColor m_bandFirst;
    QColor m_bandSecond;
};

// Locks the list's drawing for a scope; released however the scope ends.
class ListRedrawLock {
public:
    explicit ListRedrawLock(ReportListView* list) : m_list(list)
    {
        if (m_list)
            m_list->LockRedraw();
    }
    ~ListRedrawLock()
    {
        if (m_list)
            m_list->UnlockRedraw();
    }
    ListRedrawLock(const ListRedrawLock&) = delete;
    ListRedrawLock& operator=(const ListRedrawLock&) = delete;

private:
    ReportListView* m_list;
};
