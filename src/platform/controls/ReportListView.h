#pragma once
// A list view in report style, as the windows and the list helpers use it:
// column headers (index, key, caption, width in twips, alignment, tag, header
// image) and rows (index, key, text, sub-items, tag, icon, check box,
// selection). Indexes are 1-based like the keys' collections of the windows;
// keys are unique when given (a duplicate key fails with error 35602).
//
// Sorting is the list's own text sort: while Sorted is on, the rows are kept in
// the order of the SortKey column's texts (compared without regard to case,
// character by character, a shorter text before a longer one it begins),
// ascending or descending by SortOrder. A header click does not sort by itself:
// it raises ColumnClick, and the list's owner decides.

#include "base/Variant.h"

#include <QIcon>
#include <QTreeWidget>
#include <QWidget>
#include <memory>
#include <vector>

class ReportListView;

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
    QString Text() const;
    void SetText(const QString& text);
    // Width in twips; 0 hides the column.
    int Width() const;
    void SetWidth(int twips);
    // 0 left, 1 right, 2 centre.
    int Alignment() const { return m_alignment; }
    void SetAlignment(int alignment);
    Variant Tag() const { return m_tag; }
    void SetTag(const Variant& tag) { m_tag = tag; }
    // The image of the list's header images shown right of the caption; -1 none.
    int Image() const { return m_image; }
    void SetImage(int image);

private:
    friend class ReportListView;
    ListColumnHeader(ReportListView* list, QString key) : m_list(list), m_key(std::move(key)) {}
    ReportListView* m_list;
    QString m_key;
    int m_alignment = 0;
    Variant m_tag;
    int m_image = -1;
};

class ListItem : public QTreeWidgetItem {
public:
    int Index() const;  // 1-based position in the list
    QString Key() const { return m_key; }
    // Changing a key to one another row has fails with kListKeyNotUnique.
    void SetKey(const QString& key);
    QString Text() const { return text(0); }
    void SetText(const QString& text);
    // Sub-item i (1 to the column count - 1); "" when unset.
    QString SubItem(int i) const;
    void SetSubItem(int i, const QString& text);
    Variant Tag() const { return m_tag; }
    void SetTag(const Variant& tag) { m_tag = tag; }
    Variant Icon() const { return m_icon; }
    void SetIcon(const Variant& icon) { m_icon = icon; }
    bool Checked() const;
    void SetChecked(bool checked);
    bool Selected() const;
    void SetSelected(bool selected);
    void EnsureVisible();
    ReportListView* ListView() const { return m_list; }

    bool operator<(const QTreeWidgetItem& other) const override;

private:
    friend class ReportListView;
    ListItem(ReportListView* list, QString key);
    ReportListView* m_list;
    QString m_key;
    Variant m_tag;
    Variant m_icon;
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
                                int width = -1, int alignment = 0);
    void RemoveColumn(int index);
    void ClearColumns();
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    // By 1-based index or by key; a missing one fails with kListElementNotFound.
    ListColumnHeader* Column(int index) const;
    ListColumnHeader* Column(const QString& key) const;
    // The images a column header may show (index 0, 1, ...).
    void SetColumnHeaderIcons(const QList<QIcon>& icons);
    const QList<QIcon>& ColumnHeaderIcons() const { return m_headerIcons; }

    // ---- Rows ----
    // Adds a row at the 1-based index (0 or past the end: appended; with Sorted on,
    // it takes its sorted place).
    ListItem* AddItem(int index = 0, const QString& key = QString(), const QString& text = QString());
    void RemoveItem(int index);
    void ClearItems();
    int ItemCount() const;
    // By 1-based index or by key; a missing one fails with kListElementNotFound.
    ListItem* Item(int index) const;
    ListItem* Item(const QString& key) const;
    // The row with that key, or nullptr.
    ListItem* FindItem(const QString& key) const;

    // The current row (nullptr when none); it need not be selected.
    ListItem* SelectedItem() const;
    void SetSelectedItem(ListItem* item);
    int SelectedCount() const;
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
    int MousePointer() const { return m_mousePointer; }
    void SetMousePointer(int pointer);
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

    QTreeWidget* Tree() const { return m_tree; }

signals:
    void ColumnClick(ListColumnHeader* column);
    void ItemClick(ListItem* item);
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
    void resort();
    void updateHeaderItem(int column);
    void checkKeyFree(const QString& key, const ListItem* except) const;
    QTreeWidget* m_tree = nullptr;
    std::vector<std::unique_ptr<ListColumnHeader>> m_columns;
    QList<QIcon> m_headerIcons;
    bool m_multiSelect = false;
    bool m_fullRowSelect = false;
    bool m_gridLines = false;
    bool m_hideSelection = true;
    bool m_checkboxes = false;
    int m_mousePointer = 0;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_sorted = false;
    bool m_filling = false;
};
