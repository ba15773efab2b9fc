#pragma once
// A helper bound to one report list view: sorting by typed columns on a header
// click, selection counters and commands, Ctrl+A / Ctrl+C with the clipboard
// text of the selected rows, row colour bands, removal of the selected rows from
// the list and a data collection, and filling the list from a query or a dialog
// type stored in the database.
//
// A column sorts by the Tag of its header: "0" or none the list's own text sort,
// "1" date, "2" number, "3" check box, "4" icon, "5" alphanumeric, "6" record key,
// any other text a format pattern. A typed sort builds a key per row and has the
// list order its rows by the keys; the texts are never touched. Numbers and dates
// are read as the user's locale writes them, then as the program writes them.
// The column of the last sort shows image 0 (ascending) or 1 (descending).

#include "base/Variant.h"
#include "platform/controls/ReportListView.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class BrandleRecordset;

class clsListViewHelper : public QObject {
    Q_OBJECT
public:
    explicit clsListViewHelper(QObject* parent = nullptr);
    ~clsListViewHelper() override;

    // The thirty-seven characters of the number key pattern (30 digits, point, 6 decimals).
    static const QString& NumberPattern();

    // ---- Binding and sorting ----
    // Binds the list; headerIcons null keeps the list's own images (0 up, 1 down).
    // With styleFlag: full-row selection, grid lines, selection kept visible,
    // multiple selection, Sorted on.
    void Init(ReportListView* list, const QList<QIcon>* headerIcons = nullptr, bool styleFlag = true);
    void Dispose();
    ReportListView* ListView() const { return m_lstView; }
    // Sorts again by the last sorted column in the same direction; error 91 unbound.
    void Resort();
    // Sorts by the 1-based column; lSortDirection 0 ascending, 1 descending, negative
    // keeps the stored direction (takes effect for the current sort column only).
    void ManualSortList(int16_t indexHeader, int32_t& lSortDirection);
    void ManualSortList(int16_t indexHeader, int32_t&& lSortDirection) { ManualSortList(indexHeader, lSortDirection); }
    // Sets the stored sort column (0-based) and direction; sorts nothing.
    void InitSortDirection(int16_t iSortKey, int16_t iSortOrder);
    // Sorts the list (the bound one by default) by the 0-based column's sort type in
    // the list's own SortOrder; order is not used.
    void ListViewSort(int32_t column, int32_t order, ReportListView* list = nullptr);
    int32_t SortColumn() const { return m_lSortColumn; }
    int32_t SortOrder() const { return m_lSortOrder; }

    // The key pattern of a sort type ("" for the text sort).
    QString GetFormatString(const QString& sortType) const;
    // The digits of the text, "0" when it has none.
    static QString RemoveTextChars(const QString& text);
    // Each digit d becomes 9 - d, "-" a blank, anything else stays.
    static QString InvNumber(const QString& text);

    // ---- Selection, keys, clipboard, colours, removal ----
    int32_t NumberSelected(ReportListView* list = nullptr) const;
    int32_t NumberChecked(ReportListView* list = nullptr) const;
    int32_t NumberSelectedAndChecked(ReportListView* list = nullptr) const;
    bool ManySelected(ReportListView* list = nullptr) const;
    bool OnlyOneSelected(ReportListView* list = nullptr) const;
    void SelectAll();
    void UnSelectAll();
    // The row becomes the only selected one, scrolled into view.
    void SelectByItem(ListItem* item);
    // The list's own key handling, for keys a form receives itself.
    void KeyDown(int16_t keyCode, int16_t shift);
    // Rows in report view are drawn in the two colours (32-bit colour values, red in
    // the low byte) by turns; any other view loses its bands.
    void SetListViewColor(ReportListView* list, uint32_t color1, uint32_t color2);
    // Removes the selected rows of the list (the bound one when null) from obj (called
    // with 1-based indexes, highest first) and, unless bOnlyRemoveFromObj, from the
    // list, whose keys "ID1".."IDn" are renumbered. bAsk asks first. False when the
    // user declined or it failed (after the error box).
    bool RemoveSelected(ReportListView* oLsv, const std::function<void(int32_t)>& obj, bool bMarkedDeleteFlag,
                        bool bOnlyRemoveFromObj, bool bAsk);

    // ---- Filling from a query ----
    // Reads the dialog type's query pieces and columns from the database.
    void SetDialogType(const QString& strDialogType);
    void SetOnItemCheckSelectLine(bool on) { m_bOnItemCheckSelectLine = on; }
    void SetQueryString(const QString& text) { m_sQuery = text; }
    void SetIsProcType(bool on) { m_bIsProcType = on; }
    void SetQueryFromEx(const QString& text) { m_sQueryFromEx = text; }
    void SetQueryWhere(const QString& where, bool bUseExtendedFrom);
    void SetProcParams(const QString& params) { m_sWhere = params; }
    // The statement Refresh runs.
    QString GetListQuery() const;
    void Refresh();
    // Reads the row at the 1-based position again with the condition; removes it
    // when the condition finds nothing.
    void RefreshLineItem(int32_t ItemIndex, const QString& strWhere);
    // "caption,alignment,caption,alignment,...": new columns sharing the width.
    void SetListColumns(const QString& strColumns);
    // The id in the current row's key; -1 without one.
    int32_t SelectedItemID() const;
    // Only the row with that id is selected (none for 0 or less).
    void SelectItemByID(int32_t id);

    // The sort type of an ADO field type.
    static int16_t ConvertSortTypes(int32_t adoType);

signals:
    void DblClick();
    void ColumnHeaderClick(ListColumnHeader* column);
    void AfterRefresh();

private:
    ReportListView* GetListView(ReportListView* list) const;
    ReportListView& boundList() const;
    void onColumnClick(ListColumnHeader* column);
    void onItemCheck(ListItem* item);
    void onKeyDown(int& keyCode, int shift);
    void onDblClick();
    void copySelectedToClipboard();
    void showHeaderIcon(ReportListView* list, int32_t column, int32_t image, bool show);
    std::vector<QString> sortKeys(const ReportListView* list, const QString& sortType, int column,
                                  const QString& pattern) const;
    bool openListResults(const QString& sql, std::shared_ptr<BrandleRecordset>& rs) const;
    void setColumnSortTypes(const BrandleRecordset& rs);
    void addListItem(const BrandleRecordset& rs);
    void addOrUpdateListItem(const BrandleRecordset& rs, ListItem* item);

    bool m_bOnItemCheckSelectLine = false;
    int32_t m_lSortColumn = 0;
    int32_t m_lSortOrder = 0;
    QString m_sQuery;
    QString m_sWhere;
    bool m_bUseExtendedFrom = false;
    QString m_sQueryFromEx;
    bool m_bSortTypesSet = false;
    bool m_bIsProcType = false;
    QPointer<ReportListView> m_lstView;
    std::vector<QMetaObject::Connection> m_connections;
};
