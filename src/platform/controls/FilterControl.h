#pragma once
// The filter pane: rows of search conditions over the fields a window adds,
// turned into a WHERE text and read back from one.
//
// A row is a field, an operator that fits the field's data type and one or two
// values; the empty row at the end adds a condition, a row's remove button drops
// it. Data types (without regard to case): "text" (and any unknown code), number
// types ("number", "money", "int", ...), date types ("date", "datetime") and
// flags ("boolean", "bit", "flag"; the columns give 'Yes' or 'No').
//
// WhereText is empty or "WHERE ( " + the complete rows' conditions joined by
// " AND " + " )", each condition starting with the field's reference exactly as
// added. Text values are literals with their apostrophes doubled; LIKE patterns
// escape a "%", "_", "[" or "\" the user typed (ESCAPE '\'); numbers are
// written as numbers, typed in the user's locale; a date is a literal of the date
// form the pane is set to (SetDateForm: the embedded server's 'yyyy-mm-dd' until
// told, a SQL Server's 'yyyymmdd'), and "=" on a date takes the whole day. A value
// that is not a number or a date, holds a NUL character or is too long is refused:
// its value box (only that one of a row's two) shows it and its row gives no
// condition. LoadFilter reads such a text back into rows, its dates in either
// form, so that WhereText writes a stored search in the pane's form; any other text (a complex search, a linked view's starting filter)
// becomes one text row that WhereText gives back unchanged. A number read back
// shows as its column shows it (FilterValues.h), a date as yyyy-mm-dd.
//
// Layout: rows stand kRowPitchTwips apart with kMarginTwips above and below them
// together, so that rows x 390 + 450 twips always hold them.

#include "base/SqlText.h"
#include "base/Variant.h"

#include <QWidget>
#include <optional>
#include <vector>

enum class ColumnKind;

class QVBoxLayout;
class QLineEdit;

namespace FILTERLib {

class FilterRow;

class Filter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRowPitchTwips = 390;
    static constexpr int kMarginTwips = 450;
    // The longest value a row takes; a longer one is refused, not cut.
    static constexpr int kMaxValueLength = 32767;

    enum class FieldKind { Text, Number, Date, Flag };
    // Operators; which ones a field offers depends on its kind.
    enum class Op {
        Equals,
        NotEquals,
        BeginsWith,
        Contains,
        NotContains,
        EndsWith,
        IsEmpty,
        IsNotEmpty,
        Less,
        Greater,
        LessOrEqual,
        GreaterOrEqual,
        Between,
        Is,
        IsNot,
    };

    explicit Filter(QWidget* parent = nullptr);
    ~Filter() override;

    // Drops every field and every row.
    void ClearFields();
    // Drops every row (the empty row stays).
    void ClearRows();
    // Lays the rows out again.
    void RefreshLayout();
    // A field for the rows: reference is what the WHERE text names it by;
    // usesExtendedFrom: the field needs the view's extended FROM (any non-zero value).
    void AddField(const QString& displayName, const QString& reference, const Variant& filterDataType,
                  const Variant& usesExtendedFrom);
    // How the list shows the column of a field (0-based, in the order added): a
    // stored number of that field is shown again in that form. Without it the
    // field's data type code decides.
    void SetFieldShownAs(int field, ColumnKind kind);
    // The form of the date literals WhereText writes: the server's the search goes to.
    void SetDateForm(SqlDateForm form) { m_dateForm = form; }
    SqlDateForm DateForm() const { return m_dateForm; }
    // 12 is the list window's layout: compact rows, remove buttons at the right end.
    void SetLayoutOption(int32_t option);
    int32_t LayoutOption() const { return m_layoutOption; }

    // Shows the rows of a text (see above); a complex search is always one text row.
    void LoadFilter(const QString& filterText, bool complex);
    // The current search's name: "QuickSearch" until one is set.
    QString Text() const { return m_text; }
    void SetText(const QString& text);
    QString WhereText() const;
    // A complete row uses a field added with the extended-FROM flag (for a text
    // row: its text holds the reference of such a field).
    bool UsesExtendedFrom() const;
    // At least one row is complete.
    bool CanSave() const;
    // Why the first row with a value it refuses (not a number, not a date, a NUL
    // character, too long) cannot search, naming its field; empty when none does.
    // Such a row shows that it is invalid and gives no condition.
    QString InvalidValue() const;
    // Puts the focus in the box of the value InvalidValue names, its text selected,
    // for the user to mend; false when no value is refused.
    bool FocusInvalidValue();

    // ---- Rows, for the window's tests and for programs that fill them ----
    // The rows shown, the empty last one included.
    int RowCount() const;
    // True when the rows are one text row (complex or unreadable text).
    bool IsTextRow() const { return m_textMode; }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    static FieldKind KindOf(const QString& filterDataType);
    static std::vector<Op> OperatorsFor(FieldKind kind);
    static QString OperatorCaption(Op op);
    // Sets row (0-based; the empty last row makes a new one) to a field (0-based,
    // in the order added), an operator and its values; false when the field does
    // not exist or does not offer the operator.
    bool SetRow(int row, int field, Op op, const QString& value1 = QString(), const QString& value2 = QString());
    // A row's field (-1 for the empty row), operator and values.
    int RowField(int row) const;
    Op RowOperator(int row) const;
    QString RowValue(int row, int which = 0) const;
    // Removes row (0-based), as its remove button does.
    void RemoveRow(int row);

signals:
    void RowCountChanged(int32_t rows);
    // The name (Text) changed.
    void TextChanged(const QString& text);
    // A row was changed, added or removed by its own controls or SetRow/RemoveRow
    // (not by LoadFilter, ClearRows or ClearFields): the rows may no longer be those
    // of the search the window loaded.
    void RowsEdited();
    // Enter in a row's value box: the user asks for the search to run.
    void EnterPressed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Field {
        QString displayName;
        QString reference;
        FieldKind kind = FieldKind::Text;
        QString dataType;  // the code as added, for the form a number is shown in
        std::optional<ColumnKind> shownAs;  // the list's form of the column, when told
        bool extendedFrom = false;
    };
    friend class FilterRow;
    QString conditionOf(const FilterRow& row) const;
    // Why a row's first (0) or second (1) value is refused; empty when it is not.
    QString ValueProblem(const FilterRow& row, int which) const;
    QString RowProblem(const FilterRow& row) const;
    void markRow(FilterRow* row);
    bool parseConditions(const QString& text, std::vector<FilterRow*>& rows);
    FilterRow* newRow();
    void rowChanged(FilterRow* row);
    void rowsEdited();
    void ensureEmptyLastRow();
    void clearRowWidgets();
    void showTextRow(const QString& text);
    void relayout();
    void reportRowCount();

    std::vector<Field> m_fields;
    std::vector<FilterRow*> m_rows;
    QWidget* m_textRow = nullptr;
    QLineEdit* m_textEdit = nullptr;
    QString m_textValue;
    bool m_textMode = false;
    QString m_text = QStringLiteral("QuickSearch");
    int32_t m_layoutOption = 0;
    SqlDateForm m_dateForm = SqlDateForm::Embedded;
    int m_reportedRows = -1;
    bool m_updating = false;
};

}  // namespace FILTERLib
