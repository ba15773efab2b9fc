#pragma once
// The list control: a data grid that shows the rows of a view's query over
// connections of its own. It never blocks the window and never holds the whole
// result: RunQuery shows the first batch of rows as soon as it is read, further
// batches are read as the user scrolls (a bounded number of rows stays in
// memory), and the record count is computed beside it on a second connection;
// LoadComplete(count) reports the count of the whole result. The work runs on
// two threads of the control; their results come back queued to the window's
// thread, and those of a query that was replaced, cleared or closed are dropped.
//
// The statement is SQLSelect, SQLFrom, SQLFromEx (when the filter asks for it)
// and the WHERE text; it must be a single query that cannot write, and the
// connections are read-only. Field 0 is the row id (not shown); field n is the
// column n of the column string. A header click sorts the whole result in the
// database by that column (ascending, then descending), the row id breaking
// ties; without a header sort the rows come by row id, or in the WHERE text's
// own ORDER BY when it has one (the cursors add the row id as its last key).
//
// Keys: the arrows, Page Up/Down, Home/End and Ctrl+A. KeyDown is raised before
// the grid handles a key; a handler that sets the key code to 0 keeps the key
// from the grid (a window that previews its keys connects to it).

#include "base/Variant.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QTableView;
class QLabel;
class QScrollBar;
class ListQueryModel;
enum class ColumnKind;

// Where a WHERE text's own ORDER BY begins (outside brackets, texts and
// comments); -1 when it has none.
qsizetype OwnOrderByPosition(const QString& whereText);

class eListView : public QWidget {
    Q_OBJECT
public:
    explicit eListView(QWidget* parent = nullptr);
    ~eListView() override;

    // The connection pieces: the password is the enciphered one the session holds
    // (deciphered only to open). Nothing is opened yet.
    void Connect(const QString& server, const QString& user, const QString& password, const QString& database);
    // The number of rows read per batch (at least 1). Without it: kDefaultBatchSize.
    void Configure(int32_t batchSize);
    static constexpr int32_t kDefaultBatchSize = 300;
    // As many columns as a query of the database returns.
    static constexpr int32_t kMaxColumns = 2000;
    int32_t BatchSize() const;

    // The view's SQL pieces and its column string ("caption,alignment," per
    // column: 0 left, 1 right, 2 centre). Empties the list and drops the sort.
    // Fails, changing nothing, when the SELECT list or the FROM clause is missing
    // or when there are more than kMaxColumns columns.
    void SetView(const QString& viewName, const QString& sqlSelect, const QString& sqlFrom,
                 const QString& sqlFromEx, const QString& columnString);
    // The kind of each column, in the column string's order, for how its values
    // show (platform/controls/ColumnFormat.h: by its SQL data type, a column that
    // names rows as ids); a column without one shows its values as text. SetView
    // forgets them.
    void SetColumnKinds(const std::vector<ColumnKind>& kinds);
    // where: empty or a WHERE clause; usesExtendedFrom adds SQLFromEx.
    void SetFilter(const QString& where, bool usesExtendedFrom);
    // Replaces the rows with those of the query; LoadComplete follows (later).
    // A failed query shows "Attention Required" with the database's message, then
    // LoadComplete(0).
    void RunQuery();
    // Empties the list; a query still running is cancelled and reports nothing.
    void ClearRows();

    // The selected row's id (the current one when several are selected); 0 when
    // none is selected.
    int32_t SelectedID() const;
    int32_t SelectedCount() const;
    // Selects the row with that id wherever it lies in the result and scrolls to
    // it (asynchronously when it is not among the rows in memory); an id below 1,
    // or one the result does not hold, clears the selection.
    void SelectRowByID(int32_t id);
    // Field n (1-based column position) of the selected row as the database gave
    // it, as text; empty when none is selected or n is out of range.
    QString ColumnText(int n) const;
    // The same field as the database gave it (Null for a NULL); Empty when none
    // is selected or n is out of range.
    Variant ColumnValue(int n) const;
    // The widget RightClick coordinates refer to (for popup menus).
    QWidget* hWnd() { return this; }

    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool on);
    // True when the focus is anywhere inside the control.
    bool ContainsFocus() const;

    // ---- State, for the window's tests and the benchmark ----
    // The statement of the last RunQuery as composed (before any sort wrapping).
    QString Statement() const { return m_statement; }
    // Rows the grid shows (the count once known, the rows read so far before).
    int RowCount() const;
    // The grid's model holds a window of at most this many rows of the result and
    // moves it as the user scrolls; a scroll bar of the control's own then stands
    // for the whole result. Rows below are those of the result, not of the model.
    void SetWindowRows(int rows);
    // The result row of the grid model's row 0, and of the top row shown.
    int64_t WindowStart() const;
    int64_t TopRow() const;
    // Shows that result row at the top, as a drag of the scroll bar there does.
    void ScrollToRow(int64_t row);
    // The scroll bar over the whole result (shown while the result is larger than the window).
    QScrollBar* ScrollBar() const { return m_scroll; }
    // Rows held in memory now.
    int RowsInMemory() const;
    // The record count of the last completed load; -1 while unknown.
    int64_t RecordCount() const;
    bool IsLoading() const;
    // The display text of a row's column (1-based), as the grid shows it; "" when
    // that row is not in memory.
    QString CellText(int row, int column) const;
    // The id of a row in the grid, 0 when not in memory.
    int32_t RowID(int row) const;
    int ColumnCount() const;
    QString ColumnCaption(int column) const;
    // The header-click sort: column 1-based, 0 for none.
    int SortColumn() const { return m_sortColumn; }
    bool SortDescending() const { return m_sortDescending; }
    // Does what a click on the header of column (1-based) does: the result in the
    // new order from its top, the selected row still selected.
    void ClickHeader(int column);
    QTableView* Grid() const { return m_grid; }

signals:
    void RightClick(int x, int y);
    void DblClick();
    void LoadComplete(int32_t recordCount);
    // Raised before the grid handles a key (VB key code, shift mask 1 Shift, 2 Ctrl,
    // 4 Alt); setting keyCode to 0 keeps the key from the grid.
    void KeyDown(int& keyCode, int shift);
    // The first batch of the last RunQuery (or sort) is shown.
    void FirstRowsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ListQueryModel;
    struct Workers;
    Workers& workers();
    void cancelJob();
    void runCurrentQuery(bool keepCount);
    void onLoadFailed(const QString& message);
    void onCountKnown(int64_t count);
    void onPositionFound(int64_t position);
    void selectGridRow(int64_t row);
    // SelectRowByID, keeping what a sort asked for (m_pendingKeepTop).
    void selectById(int32_t id);
    void applyColumns();
    // The window onto the result: the control's scroll bar follows the grid and the
    // grid the scroll bar; the window moves when the grid nears its edges.
    void updateScrollBar();
    int visibleRows() const;
    void onGridScrolled(int value);
    void onScrollBarMoved(int value);
    void showResultRow(int64_t row);
    void moveWindowAround(int64_t top);

    QTableView* m_grid = nullptr;
    QScrollBar* m_scroll = nullptr;
    bool m_windowed = false;
    bool m_moveQueued = false;
    // The selected current row while the window has moved away from it (a row of
    // the result), -1 when none: it is selected again when the window comes back.
    int64_t m_heldRow = -1;
    int64_t selectedRow() const;
    ListQueryModel* m_model = nullptr;
    QString m_server, m_user, m_password, m_database;
    QString m_viewName, m_select, m_from, m_fromEx, m_columnString;
    QString m_where;
    bool m_useFromEx = false;
    QString m_statement;
    int m_sortColumn = 0;
    bool m_sortDescending = false;
    bool m_tabStop = true;
    bool m_loadReported = true;
    int32_t m_pendingSelectId = 0;
    // The pending selection is a sort's: the row is selected without scrolling to it.
    bool m_pendingKeepTop = false;
    bool m_columnsSized = false;
    bool m_ownOrder = false;
    std::unique_ptr<Workers> m_workers;
};
