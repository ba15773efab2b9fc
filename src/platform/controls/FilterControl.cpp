#include "platform/controls/FilterControl.h"

#include "platform/controls/ColumnFormat.h"

#include "platform/controls/FilterRow.h"
#include "platform/forms/FormsRuntime.h"

#include <algorithm>

namespace FILTERLib {

namespace {

constexpr int kTopMarginTwips = 225;  // the other half of the margin is below the rows

}  // namespace

// ---------------------------------------------------------------- the pane

Filter::Filter(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pmFilter"));
}

Filter::~Filter() = default;

Filter::FieldKind Filter::KindOf(const QString& filterDataType)
{
    const QString t = filterDataType.trimmed().toLower();
    static const QStringList numbers = {QStringLiteral("number"), QStringLiteral("numeric"), QStringLiteral("money"),
                                        QStringLiteral("currency"), QStringLiteral("int"), QStringLiteral("integer"),
                                        QStringLiteral("long"), QStringLiteral("decimal"), QStringLiteral("float"),
                                        QStringLiteral("double"), QStringLiteral("real"), QStringLiteral("smallint"),
                                        QStringLiteral("bigint"), QStringLiteral("tinyint")};
    static const QStringList dates = {QStringLiteral("date"), QStringLiteral("datetime"), QStringLiteral("smalldatetime")};
    static const QStringList flags = {QStringLiteral("boolean"), QStringLiteral("bool"), QStringLiteral("bit"),
                                      QStringLiteral("flag"), QStringLiteral("yesno")};
    if (numbers.contains(t))
        return FieldKind::Number;
    if (dates.contains(t))
        return FieldKind::Date;
    if (flags.contains(t))
        return FieldKind::Flag;
    return FieldKind::Text;
}

std::vector<Op> Filter::OperatorsFor(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Number:
    case FieldKind::Date:
        return {Op::Equals, Op::NotEquals, Op::Less, Op::Greater, Op::LessOrEqual, Op::GreaterOrEqual, Op::Between};
    case FieldKind::Flag:
        return {Op::Is, Op::IsNot};
    case FieldKind::Text:
        break;
    }
    return {Op::Equals, Op::NotEquals, Op::BeginsWith, Op::Contains, Op::NotContains, Op::EndsWith, Op::IsEmpty,
            Op::IsNotEmpty};
}

QString Filter::OperatorCaption(Op op)
{
    switch (op) {
    case Op::Equals: return QStringLiteral("equals");
    case Op::NotEquals: return QStringLiteral("does not equal");
    case Op::BeginsWith: return QStringLiteral("begins with");
    case Op::Contains: return QStringLiteral("contains");
    case Op::NotContains: return QStringLiteral("does not contain");
    case Op::EndsWith: return QStringLiteral("ends with");
    case Op::IsEmpty: return QStringLiteral("is empty");
    case Op::IsNotEmpty: return QStringLiteral("is not empty");
    case Op::Less: return QStringLiteral("<");
    case Op::Greater: return QStringLiteral(">");
    case Op::LessOrEqual: return QStringLiteral("<=");
    case Op::GreaterOrEqual: return QStringLiteral(">=");
    case Op::Between: return QStringLiteral("between");
    case Op::Is: return QStringLiteral("is");
    case Op::IsNot: return QStringLiteral("is not");
    }
    return {};
}

void Filter::ClearFields()
{
    m_fields.clear();
    clearRowWidgets();
    m_textMode = false;
    m_textValue.clear();
    relayout();
    reportRowCount();
}

void Filter::ClearRows()
{
    clearRowWidgets();
    m_textMode = false;
    m_textValue.clear();
    ensureEmptyLastRow();
    relayout();
    reportRowCount();
}

void Filter::RefreshLayout()
{
    if (!m_textMode)
        ensureEmptyLastRow();
    relayout();
    m_reportedRows = -1;
    reportRowCount();
}

void Filter::SetFieldShownAs(int field, ColumnKind kind)
{
    if (field >= 0 && field < FieldCount())
        m_fields[static_cast<size_t>(field)].shownAs = kind;
}

void Filter::AddField(const QString& displayName, const QString& reference, const Variant& filterDataType,
                      const Variant& usesExtendedFrom)
{
    Field f;
    f.displayName = displayName;
    f.reference = reference;
    QString type;
    if (!filterDataType.isNull() && !filterDataType.isEmpty()) {
        try {
            type = filterDataType.toString();
        } catch (...) {
        }
    }
    f.kind = KindOf(type);
    f.dataType = type;
    bool ext = false;
    if (!usesExtendedFrom.isNull() && !usesExtendedFrom.isEmpty()) {
        try {
            ext = usesExtendedFrom.toDouble() != 0;
        } catch (...) {
            try {
                ext = usesExtendedFrom.toBool();
            } catch (...) {
            }
        }
    }
    f.extendedFrom = ext;
    m_fields.push_back(f);
    for (FilterRow* r : m_rows)
        r->fillFields();
}

void Filter::SetLayoutOption(int32_t option)
{
    m_layoutOption = option;
    relayout();
}

FilterRow* Filter::newRow()
{
    auto* row = new FilterRow(this, this);
    row->show();
    return row;
}

namespace {
// A row may go from inside its own remove button's click: it is hidden at once and
// deleted once that click is over.
void Discard(QWidget* row)
{
    if (!row)
        return;
    row->hide();
    row->deleteLater();
}
}  // namespace

void Filter::clearRowWidgets()
{
    for (FilterRow* r : m_rows)
        Discard(r);
    m_rows.clear();
    Discard(m_textRow);
    m_textRow = nullptr;
    m_textEdit = nullptr;
}

void Filter::ensureEmptyLastRow()
{
    if (m_textMode || m_fields.empty())
        return;
    if (m_rows.empty() || m_rows.back()->field() >= 0)
        m_rows.push_back(newRow());
}

void Filter::markRow(FilterRow* row)
{
    row->showProblems(ValueProblem(*row, 0), ValueProblem(*row, 1));
}

void Filter::SetText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit TextChanged(m_text);
}

void Filter::rowChanged(FilterRow* row)
{
    markRow(row);
    if (m_updating)
        return;
    ensureEmptyLastRow();
    relayout();
    reportRowCount();
    emit RowsEdited();
}

void Filter::rowsEdited()
{
    if (!m_updating)
        emit RowsEdited();
}

void Filter::RemoveRow(int row)
{
    if (m_textMode) {
        if (row != 0)
            return;
        clearRowWidgets();
        m_textMode = false;
        m_textValue.clear();
        ensureEmptyLastRow();
    } else {
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[row]->field() < 0)
            return;
        Discard(m_rows[row]);
        m_rows.erase(m_rows.begin() + row);
        ensureEmptyLastRow();
    }
    relayout();
    reportRowCount();
    rowsEdited();
}

void Filter::showTextRow(const QString& text)
{
    clearRowWidgets();
    m_textMode = true;
    m_textValue = text;
    m_textRow = new QWidget(this);
    auto* layout = new QHBoxLayout(m_textRow);
    layout->setContentsMargins(2, 1, 2, 1);
    m_textEdit = new QLineEdit(m_textRow);
    m_textEdit->setReadOnly(true);
    m_textEdit->setText(text);
    m_textEdit->setCursorPosition(0);
    m_textEdit->setToolTip(text);
    auto* remove = new QToolButton(m_textRow);
    remove->setText(QStringLiteral("\u2715"));
    remove->setToolTip(QStringLiteral("Remove this condition"));
    remove->setAutoRaise(true);
    layout->addWidget(m_textEdit, 1);
    layout->addWidget(remove);
    connect(remove, &QToolButton::clicked, this, [this] { RemoveRow(0); });
    m_textRow->show();
}

void Filter::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void Filter::relayout()
{
    const int pitch = std::max(1, TwipsToPixelsY(kRowPitchTwips));
    const int top = TwipsToPixelsY(kTopMarginTwips);
    const int w = width();
    int y = top;
    if (m_textRow) {
        m_textRow->setGeometry(0, y, w, pitch - 2);
        y += pitch;
    }
    for (FilterRow* r : m_rows) {
        r->setGeometry(0, y, w, pitch - 2);
        y += pitch;
    }
    setMinimumHeight(RowCount() * pitch + TwipsToPixelsY(kMarginTwips));
}

void Filter::reportRowCount()
{
    const int rows = RowCount();
    if (rows == m_reportedRows)
        return;
    m_reportedRows = rows;
    emit RowCountChanged(rows);
}

int Filter::RowCount() const { return m_textMode ? 1 : static_cast<int>(m_rows.size()); }

void Filter::LoadFilter(const QString& filterText, bool complex)
{
    m_updating = true;
    clearRowWidgets();
    m_textMode = false;
    m_textValue.clear();
    std::vector<FilterRow*> rows;
    if (filterText.trimmed().isEmpty()) {
        ensureEmptyLastRow();
    } else if (!complex && parseConditions(filterText, rows)) {
        m_rows = rows;
        ensureEmptyLastRow();
    } else {
        showTextRow(filterText);
    }
    m_updating = false;
    relayout();
    reportRowCount();
}

bool Filter::SetRow(int row, int field, Op op, const QString& value1, const QString& value2)
{
    if (m_textMode || row < 0)
        return false;
    ensureEmptyLastRow();
    if (row >= static_cast<int>(m_rows.size()))
        row = static_cast<int>(m_rows.size()) - 1;
    if (row < 0 || !m_rows[row]->set(field, op, value1, value2))
        return false;
    markRow(m_rows[row]);
    ensureEmptyLastRow();
    relayout();
    reportRowCount();
    rowsEdited();
    return true;
}

int Filter::RowField(int row) const
{
    if (m_textMode || row < 0 || row >= static_cast<int>(m_rows.size()))
        return -1;
    return m_rows[row]->field();
}

Op Filter::RowOperator(int row) const
{
    if (m_textMode || row < 0 || row >= static_cast<int>(m_rows.size()))
        return Op::Equals;
    return m_rows[row]->op();
}

QString Filter::RowValue(int row, int which) const
{
    if (m_textMode)
        return row == 0 && which == 0 ? m_textValue : QString();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    return m_rows[row]->value(which);
}

}  // namespace FILTERLib
