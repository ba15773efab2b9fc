#include "platform/controls/FilterControl.h"

#include "base/SqlText.h"
#include "platform/forms/FormsRuntime.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace FILTERLib {

using Op = Filter::Op;
using FieldKind = Filter::FieldKind;

namespace {

constexpr int kTopMarginTwips = 225;  // the other half of the margin is below the rows

QString DateLiteral(const QDate& d) { return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\''); }

// A date as the user may type it: yyyy-mm-dd, or the system's or the usual short forms.
QDate ParseDate(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    QDate d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    if (d.isValid())
        return d;
    const QLocale system = QLocale::system();
    for (const QString& format : {system.dateFormat(QLocale::ShortFormat), QStringLiteral("M/d/yyyy"),
                                  QStringLiteral("d.M.yyyy"), QStringLiteral("yyyy/M/d"), QStringLiteral("M/d/yy")}) {
        d = QDate::fromString(t, format);
        if (!d.isValid())
            continue;
        // A two-digit year lies in 1930 to 2029, as the desktop reads it (Qt alone
        // would put every one of them in the 1900s).
        if (!format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy")) && d.year() < 1930)
            d = d.addYears(100);
        return d;
    }
    return {};
}

// A number as the user may type it (the system's separators or plain ones, a currency
// sign); written back as SQL writes numbers. Empty when it is not a number.
QString NumberLiteral(const QString& text)
{
    QString t = text.trimmed();
    const QLocale system = QLocale::system();
    t.remove(system.currencySymbol(QLocale::CurrencySymbol));
    t.remove(QLatin1Char('$'));
    t = t.trimmed();
    if (t.isEmpty())
        return {};
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    if (!ok) {
        QString plain = t;
        plain.remove(system.groupSeparator());
        v = system.toDouble(plain, &ok);
    }
    if (!ok) {
        QString plain = t;
        plain.remove(QLatin1Char(','));
        v = QLocale::c().toDouble(plain, &ok);
    }
    if (!ok || !std::isfinite(v))
        return {};
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 15);
}

// The LIKE pattern of a value: the user's "%", "_", "[" and the escape character match only themselves.
QString LikeLiteral(const QString& before, const QString& value, const QString& after)
{
    QString escaped;
    bool escapes = false;
    for (const QChar c : value) {
        if (c == u'%' || c == u'_' || c == u'[' || c == u'\\') {
            escaped += QLatin1Char('\\');
            escapes = true;
        }
        escaped += c;
    }
    QString literal = QuoteSQLString(Variant(before + escaped + after));
    if (escapes)
        literal += QStringLiteral(" ESCAPE '\\'");
    return literal;
}

bool IsFlagYes(const QString& v) { return v.trimmed().compare(QLatin1String("No"), Qt::CaseInsensitive) != 0; }

// Reads a WHERE text back: a cursor over the text with the small steps of our own forms.
class Reader {
public:
    explicit Reader(const QString& s) : s(s) {}
    const QString& s;
    int pos = 0;

    void ws()
    {
        while (pos < s.size() && s[pos].isSpace())
            ++pos;
    }
    bool atEnd()
    {
        ws();
        return pos >= s.size();
    }
    bool lit(const QString& text, bool needSpaceBefore = false)
    {
        const int save = pos;
        ws();
        if (needSpaceBefore && pos == save && pos > 0)
            return false;
        if (s.mid(pos, text.size()).compare(text, Qt::CaseInsensitive) != 0) {
            pos = save;
            return false;
        }
        // Keywords end at a word boundary.
        const int end = pos + static_cast<int>(text.size());
        if (text.back().isLetter() && end < s.size() && (s[end].isLetterOrNumber() || s[end] == u'_')) {
            pos = save;
            return false;
        }
        pos = end;
        return true;
    }
    bool exact(const QString& text)
    {
        const int save = pos;
        ws();
        if (!s.mid(pos).startsWith(text)) {
            pos = save;
            return false;
        }
        pos += static_cast<int>(text.size());
        return true;
    }
    bool str(QString& out)
    {
        const int save = pos;
        ws();
        if (pos >= s.size() || s[pos] != u'\'') {
            pos = save;
            return false;
        }
        QString v;
        for (int i = pos + 1; i < s.size(); ++i) {
            if (s[i] == u'\'') {
                if (i + 1 < s.size() && s[i + 1] == u'\'') {
                    v += QLatin1Char('\'');
                    ++i;
                    continue;
                }
                pos = i + 1;
                out = v;
                return true;
            }
            v += s[i];
        }
        pos = save;
        return false;
    }
    bool num(QString& out)
    {
        const int save = pos;
        ws();
        static const QRegularExpression re(QStringLiteral("-?\\d+(\\.\\d+)?([eE][+-]?\\d+)?"));
        const QRegularExpressionMatch m = re.match(s, pos, QRegularExpression::NormalMatch,
                                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch()) {
            pos = save;
            return false;
        }
        pos = m.capturedEnd();
        out = m.captured();
        return true;
    }
    bool date(QDate& out)
    {
        const int save = pos;
        QString v;
        if (!str(v)) {
            return false;
        }
        out = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
        if (!out.isValid()) {
            pos = save;
            return false;
        }
        return true;
    }
};

// A LIKE pattern of ours: its kind and the value the user typed.
bool ReadLikePattern(const QString& pattern, bool escaped, Op& op, QString& value)
{
    struct Piece {
        QChar c;
        bool wild;
    };
    std::vector<Piece> pieces;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (escaped && c == u'\\') {
            if (i + 1 >= pattern.size())
                return false;
            pieces.push_back({pattern[++i], false});
        } else if (c == u'%') {
            pieces.push_back({c, true});
        } else if (c == u'_' || (c == u'[')) {
            return false;  // a wildcard of the user's own SQL
        } else {
            pieces.push_back({c, false});
        }
    }
    const int n = static_cast<int>(pieces.size());
    if (n == 0)
        return false;
    const bool first = pieces.front().wild;
    const bool last = pieces.back().wild;
    auto middle = [&](int from, int to, QString& out) {
        out.clear();
        for (int i = from; i < to; ++i) {
            if (pieces[i].wild)
                return false;
            out += pieces[i].c;
        }
        return true;
    };
    if (n == 1 && first) {
        op = Op::BeginsWith;
        value.clear();
        return true;
    }
    if (first && last && n >= 2) {
        op = Op::Contains;
        return middle(1, n - 1, value);
    }
    if (last) {
        op = Op::BeginsWith;
        return middle(0, n - 1, value);
    }
    if (first) {
        op = Op::EndsWith;
        return middle(1, n, value);
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------- a row

class FilterRow : public QWidget {
public:
    FilterRow(Filter* owner, QWidget* parent) : QWidget(parent), m_owner(owner)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(2, 1, 2, 1);
        layout->setSpacing(4);
        m_field = new QComboBox(this);
        m_op = new QComboBox(this);
        m_value1 = new QLineEdit(this);
        m_and = new QLabel(QStringLiteral("and"), this);
        m_value2 = new QLineEdit(this);
        m_flag = new QComboBox(this);
        m_flag->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
        m_remove = new QToolButton(this);
        m_remove->setText(QStringLiteral("\u2715"));
        m_remove->setToolTip(QStringLiteral("Remove this condition"));
        m_remove->setAutoRaise(true);
        m_field->setMinimumContentsLength(14);
        m_op->setMinimumContentsLength(12);
        m_field->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_op->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        layout->addWidget(m_field, 3);
        layout->addWidget(m_op, 2);
        layout->addWidget(m_value1, 3);
        layout->addWidget(m_flag, 3);
        layout->addWidget(m_and);
        layout->addWidget(m_value2, 3);
        layout->addWidget(m_remove);
        fillFields();
        QObject::connect(m_field, &QComboBox::currentIndexChanged, this, [this](int) { fieldChosen(); });
        QObject::connect(m_op, &QComboBox::currentIndexChanged, this, [this](int) {
            showValues();
            changed();
        });
        QObject::connect(m_value1, &QLineEdit::textChanged, this, [this] { changed(); });
        QObject::connect(m_value2, &QLineEdit::textChanged, this, [this] { changed(); });
        QObject::connect(m_flag, &QComboBox::currentIndexChanged, this, [this](int) { changed(); });
        QObject::connect(m_remove, &QToolButton::clicked, this, [this] {
            const auto& rows = m_owner->m_rows;
            const auto it = std::find(rows.begin(), rows.end(), this);
            if (it != rows.end())
                m_owner->RemoveRow(static_cast<int>(it - rows.begin()));
        });
        showValues();
    }

    // -1 for the empty row.
    int field() const { return m_fieldIndex; }
    Op op() const
    {
        const int i = m_op->currentIndex();
        return i >= 0 && i < static_cast<int>(m_ops.size()) ? m_ops[i] : Op::Equals;
    }
    QString value(int which) const
    {
        if (m_fieldIndex >= 0 && kind() == FieldKind::Flag)
            return which == 0 ? m_flag->currentText() : QString();
        return which == 0 ? m_value1->text() : m_value2->text();
    }
    FieldKind kind() const
    {
        return m_fieldIndex >= 0 && m_fieldIndex < m_owner->FieldCount() ? m_owner->m_fields[m_fieldIndex].kind
                                                                         : FieldKind::Text;
    }

    bool set(int field, Op op, const QString& v1, const QString& v2)
    {
        if (field < 0 || field >= m_owner->FieldCount())
            return false;
        const std::vector<Op> ops = Filter::OperatorsFor(m_owner->m_fields[field].kind);
        const auto it = std::find(ops.begin(), ops.end(), op);
        if (it == ops.end())
            return false;
        m_quiet = true;
        setField(field);
        m_op->setCurrentIndex(static_cast<int>(it - ops.begin()));
        if (kind() == FieldKind::Flag)
            m_flag->setCurrentIndex(IsFlagYes(v1) ? 0 : 1);
        else
            m_value1->setText(v1);
        m_value2->setText(v2);
        showValues();
        m_quiet = false;
        return true;
    }

    void fillFields()
    {
        m_quiet = true;
        m_field->clear();
        if (m_fieldIndex < 0)
            m_field->addItem(QString());
        for (const auto& f : m_owner->m_fields)
            m_field->addItem(f.displayName);
        m_field->setCurrentIndex(m_fieldIndex < 0 ? 0 : m_fieldIndex);
        m_quiet = false;
    }

private:
    void setField(int field)
    {
        const bool wasEmpty = m_fieldIndex < 0;
        const FieldKind before = kind();
        m_fieldIndex = field;
        if (wasEmpty) {
            m_field->removeItem(0);
        }
        m_field->setCurrentIndex(field);
        if (wasEmpty || before != kind())
            fillOperators();
    }

    void fieldChosen()
    {
        if (m_quiet)
            return;
        int index = m_field->currentIndex();
        if (m_fieldIndex < 0) {
            if (index <= 0)
                return;  // still the blank choice
            index -= 1;
        }
        m_quiet = true;
        setField(index);
        showValues();
        m_quiet = false;
        changed();
    }

    void fillOperators()
    {
        m_ops = Filter::OperatorsFor(kind());
        m_op->clear();
        for (Op o : m_ops)
            m_op->addItem(Filter::OperatorCaption(o));
        m_op->setCurrentIndex(0);
    }

    void showValues()
    {
        const bool empty = m_fieldIndex < 0;
        const bool flag = !empty && kind() == FieldKind::Flag;
        const Op o = op();
        const bool none = o == Op::IsEmpty || o == Op::IsNotEmpty;
        const bool between = o == Op::Between;
        m_op->setVisible(!empty);
        m_value1->setVisible(!empty && !flag && !none);
        m_flag->setVisible(flag);
        m_and->setVisible(!empty && between);
        m_value2->setVisible(!empty && between);
        m_remove->setEnabled(!empty);
        if (!empty && kind() == FieldKind::Date) {
            m_value1->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
            m_value2->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
        } else {
            m_value1->setPlaceholderText(QString());
            m_value2->setPlaceholderText(QString());
        }
    }

    void changed()
    {
        if (!m_quiet)
            m_owner->rowChanged(this);
    }

    Filter* m_owner;
    int m_fieldIndex = -1;
    std::vector<Op> m_ops;
    bool m_quiet = false;
    QComboBox* m_field;
    QComboBox* m_op;
    QLineEdit* m_value1;
    QLabel* m_and;
    QLineEdit* m_value2;
    QComboBox* m_flag;
    QToolButton* m_remove;
};

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

void Filter::rowChanged(FilterRow* row)
{
    if (m_updating)
        return;
    ensureEmptyLastRow();
    relayout();
    reportRowCount();
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

// ---------------------------------------------------------------- WHERE text

QString Filter::conditionOf(const FilterRow& row) const
{
    const int fi = row.field();
    if (fi < 0 || fi >= FieldCount())
        return {};
    const Field& f = m_fields[fi];
    const QString& r = f.reference;
    const Op op = row.op();
    const QString v1 = row.value(0);
    const QString v2 = row.value(1);
    switch (f.kind) {
    case FieldKind::Text:
        switch (op) {
        case Op::Equals:
            return v1.isEmpty() ? QString() : r + QStringLiteral(" = ") + QuoteSQLString(Variant(v1));
        case Op::NotEquals:
            return v1.isEmpty() ? QString() : r + QStringLiteral(" <> ") + QuoteSQLString(Variant(v1));
        case Op::BeginsWith:
            return r + QStringLiteral(" LIKE ") + LikeLiteral(QString(), v1, QStringLiteral("%"));
        case Op::Contains:
            return r + QStringLiteral(" LIKE ") + LikeLiteral(QStringLiteral("%"), v1, QStringLiteral("%"));
        case Op::NotContains:
            return v1.isEmpty() ? QString()
                                : r + QStringLiteral(" NOT LIKE ") +
                                      LikeLiteral(QStringLiteral("%"), v1, QStringLiteral("%"));
        case Op::EndsWith:
            return v1.isEmpty() ? QString() : r + QStringLiteral(" LIKE ") + LikeLiteral(QStringLiteral("%"), v1, QString());
        case Op::IsEmpty:
            return QStringLiteral("(") + r + QStringLiteral(" IS NULL OR ") + r + QStringLiteral(" = '')");
        case Op::IsNotEmpty:
            return QStringLiteral("(") + r + QStringLiteral(" IS NOT NULL AND ") + r + QStringLiteral(" <> '')");
        default:
            return {};
        }
    case FieldKind::Number: {
        const QString a = NumberLiteral(v1);
        if (a.isEmpty())
            return {};
        switch (op) {
        case Op::Equals: return r + QStringLiteral(" = ") + a;
        case Op::NotEquals: return r + QStringLiteral(" <> ") + a;
        case Op::Less: return r + QStringLiteral(" < ") + a;
        case Op::Greater: return r + QStringLiteral(" > ") + a;
        case Op::LessOrEqual: return r + QStringLiteral(" <= ") + a;
        case Op::GreaterOrEqual: return r + QStringLiteral(" >= ") + a;
        case Op::Between: {
            const QString b = NumberLiteral(v2);
            return b.isEmpty() ? QString() : r + QStringLiteral(" BETWEEN ") + a + QStringLiteral(" AND ") + b;
        }
        default: return {};
        }
    }
    case FieldKind::Date: {
        // A date stands for the whole day, whatever time a value of the column has.
        const QDate d = ParseDate(v1);
        if (!d.isValid())
            return {};
        const QString day = DateLiteral(d);
        const QString next = DateLiteral(d.addDays(1));
        switch (op) {
        case Op::Equals:
            return QStringLiteral("(") + r + QStringLiteral(" >= ") + day + QStringLiteral(" AND ") + r +
                   QStringLiteral(" < ") + next + QStringLiteral(")");
        case Op::NotEquals:
            return QStringLiteral("(") + r + QStringLiteral(" < ") + day + QStringLiteral(" OR ") + r +
                   QStringLiteral(" >= ") + next + QStringLiteral(")");
        case Op::Less: return r + QStringLiteral(" < ") + day;
        case Op::GreaterOrEqual: return r + QStringLiteral(" >= ") + day;
        case Op::LessOrEqual: return QStringLiteral("NOT (") + r + QStringLiteral(" >= ") + next + QStringLiteral(")");
        case Op::Greater: return QStringLiteral("NOT (") + r + QStringLiteral(" < ") + next + QStringLiteral(")");
        case Op::Between: {
            const QDate e = ParseDate(v2);
            if (!e.isValid())
                return {};
            return QStringLiteral("(") + r + QStringLiteral(" >= ") + day + QStringLiteral(" AND NOT (") + r +
                   QStringLiteral(" >= ") + DateLiteral(e.addDays(1)) + QStringLiteral("))");
        }
        default: return {};
        }
    }
    case FieldKind::Flag:
        if (op == Op::Is)
            return r + QStringLiteral(" = ") + (IsFlagYes(v1) ? QStringLiteral("'Yes'") : QStringLiteral("'No'"));
        if (op == Op::IsNot)
            return r + QStringLiteral(" <> ") + (IsFlagYes(v1) ? QStringLiteral("'Yes'") : QStringLiteral("'No'"));
        return {};
    }
    return {};
}

QString Filter::WhereText() const
{
    if (m_textMode)
        return m_textValue;
    QStringList conditions;
    for (const FilterRow* r : m_rows) {
        const QString c = conditionOf(*r);
        if (!c.isEmpty())
            conditions << c;
    }
    if (conditions.isEmpty())
        return {};
    return QStringLiteral("WHERE ( ") + conditions.join(QStringLiteral(" AND ")) + QStringLiteral(" )");
}

bool Filter::CanSave() const
{
    if (m_textMode)
        return !m_textValue.trimmed().isEmpty();
    for (const FilterRow* r : m_rows)
        if (!conditionOf(*r).isEmpty())
            return true;
    return false;
}

bool Filter::UsesExtendedFrom() const
{
    if (m_textMode) {
        for (const Field& f : m_fields)
            if (f.extendedFrom && !f.reference.isEmpty() && m_textValue.contains(f.reference))
                return true;
        return false;
    }
    for (const FilterRow* r : m_rows)
        if (r->field() >= 0 && m_fields[r->field()].extendedFrom && !conditionOf(*r).isEmpty())
            return true;
    return false;
}

// ---------------------------------------------------------------- reading a text back

namespace {

struct ParsedRow {
    int field;
    Op op;
    QString v1, v2;
};

}  // namespace

bool Filter::parseConditions(const QString& text, std::vector<FilterRow*>& rows)
{
    // The fields by reference, longest first, so that one reference that begins
    // another does not hide it.
    std::vector<int> order(m_fields.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return m_fields[a].reference.size() > m_fields[b].reference.size();
    });

    auto condition = [&](Reader& rd, ParsedRow& out) -> bool {
        const int start = rd.pos;
        for (int fi : order) {
            const Field& f = m_fields[fi];
            const QString& r = f.reference;
            if (r.isEmpty())
                continue;
            out = ParsedRow{fi, Op::Equals, {}, {}};
            rd.pos = start;
            QString a, b;
            QDate d, e;
            switch (f.kind) {
            case FieldKind::Text: {
                if (rd.exact(QStringLiteral("("))) {
                    const int inner = rd.pos;
                    if (rd.exact(r) && rd.lit(QStringLiteral("IS NULL")) && rd.lit(QStringLiteral("OR")) &&
                        rd.exact(r) && rd.exact(QStringLiteral("=")) && rd.str(a) && a.isEmpty() &&
                        rd.exact(QStringLiteral(")"))) {
                        out.op = Op::IsEmpty;
                        return true;
                    }
                    rd.pos = inner;
                    if (rd.exact(r) && rd.lit(QStringLiteral("IS NOT NULL")) && rd.lit(QStringLiteral("AND")) &&
                        rd.exact(r) && rd.exact(QStringLiteral("<>")) && rd.str(a) && a.isEmpty() &&
                        rd.exact(QStringLiteral(")"))) {
                        out.op = Op::IsNotEmpty;
                        return true;
                    }
                    break;
                }
                if (!rd.exact(r))
                    break;
                const int after = rd.pos;
                // An empty value is no condition of a row (the row would be left out):
                // such a text stays whole as a text row.
                if (rd.exact(QStringLiteral("<>")) && rd.str(a) && !a.isEmpty()) {
                    out.op = Op::NotEquals;
                    out.v1 = a;
                    return true;
                }
                rd.pos = after;
                if (rd.exact(QStringLiteral("=")) && rd.str(a) && !a.isEmpty()) {
                    out.op = Op::Equals;
                    out.v1 = a;
                    return true;
                }
                rd.pos = after;
                const bool negated = rd.lit(QStringLiteral("NOT"), true);
                if (rd.lit(QStringLiteral("LIKE"), true) && rd.str(a)) {
                    const int beforeEscape = rd.pos;
                    bool escaped = false;
                    if (rd.lit(QStringLiteral("ESCAPE"), true)) {
                        if (rd.str(b) && b == QLatin1String("\\"))
                            escaped = true;
                        else
                            break;
                    } else {
                        rd.pos = beforeEscape;
                    }
                    Op op;
                    QString value;
                    if (!ReadLikePattern(a, escaped, op, value))
                        break;
                    // An escape clause only where the value needed it.
                    if (escaped != (value.contains(u'%') || value.contains(u'_') || value.contains(u'[') ||
                                    value.contains(u'\\')))
                        break;
                    if (negated) {
                        if (op != Op::Contains || value.isEmpty())
                            break;
                        op = Op::NotContains;
                    } else if (op == Op::EndsWith && value.isEmpty()) {
                        break;
                    }
                    out.op = op;
                    out.v1 = value;
                    return true;
                }
                break;
            }
            case FieldKind::Number: {
                if (!rd.exact(r))
                    break;
                const int after = rd.pos;
                if (rd.lit(QStringLiteral("BETWEEN"), true) && rd.num(a) && rd.lit(QStringLiteral("AND"), true) &&
                    rd.num(b)) {
                    out.op = Op::Between;
                    out.v1 = a;
                    out.v2 = b;
                    return true;
                }
                rd.pos = after;
                static const std::pair<const char*, Op> ops[] = {{"<>", Op::NotEquals}, {"<=", Op::LessOrEqual},
                                                                 {">=", Op::GreaterOrEqual}, {"=", Op::Equals},
                                                                 {"<", Op::Less}, {">", Op::Greater}};
                for (const auto& [sym, op] : ops) {
                    rd.pos = after;
                    if (rd.exact(QString::fromLatin1(sym)) && rd.num(a)) {
                        out.op = op;
                        out.v1 = a;
                        return true;
                    }
                }
                break;
            }
            case FieldKind::Date: {
                if (rd.lit(QStringLiteral("NOT"))) {
                    if (rd.exact(QStringLiteral("(")) && rd.exact(r)) {
                        const int after = rd.pos;
                        if (rd.exact(QStringLiteral(">=")) && rd.date(d) && rd.exact(QStringLiteral(")"))) {
                            out.op = Op::LessOrEqual;
                            out.v1 = d.addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
                            return true;
                        }
                        rd.pos = after;
                        if (rd.exact(QStringLiteral("<")) && rd.date(d) && rd.exact(QStringLiteral(")"))) {
                            out.op = Op::Greater;
                            out.v1 = d.addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
                            return true;
                        }
                    }
                    break;
                }
                if (rd.exact(QStringLiteral("("))) {
                    const int inner = rd.pos;
                    if (rd.exact(r) && rd.exact(QStringLiteral(">=")) && rd.date(d) && rd.lit(QStringLiteral("AND")) &&
                        rd.exact(r) && rd.exact(QStringLiteral("<")) && rd.date(e) && rd.exact(QStringLiteral(")")) &&
                        d.addDays(1) == e) {
                        out.op = Op::Equals;
                        out.v1 = d.toString(QStringLiteral("yyyy-MM-dd"));
                        return true;
                    }
                    rd.pos = inner;
                    if (rd.exact(r) && rd.exact(QStringLiteral(">=")) && rd.date(d) && rd.lit(QStringLiteral("AND")) &&
                        rd.lit(QStringLiteral("NOT")) && rd.exact(QStringLiteral("(")) && rd.exact(r) &&
                        rd.exact(QStringLiteral(">=")) && rd.date(e) && rd.exact(QStringLiteral(")")) &&
                        rd.exact(QStringLiteral(")")) && d < e) {
                        out.op = Op::Between;
                        out.v1 = d.toString(QStringLiteral("yyyy-MM-dd"));
                        out.v2 = e.addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
                        return true;
                    }
                    rd.pos = inner;
                    if (rd.exact(r) && rd.exact(QStringLiteral("<")) && rd.date(d) && rd.lit(QStringLiteral("OR")) &&
                        rd.exact(r) && rd.exact(QStringLiteral(">=")) && rd.date(e) && rd.exact(QStringLiteral(")")) &&
                        d.addDays(1) == e) {
                        out.op = Op::NotEquals;
                        out.v1 = d.toString(QStringLiteral("yyyy-MM-dd"));
                        return true;
                    }
                    break;
                }
                if (!rd.exact(r))
                    break;
                const int after = rd.pos;
                if (rd.exact(QStringLiteral(">=")) && rd.date(d)) {
                    out.op = Op::GreaterOrEqual;
                    out.v1 = d.toString(QStringLiteral("yyyy-MM-dd"));
                    return true;
                }
                rd.pos = after;
                if (rd.exact(QStringLiteral("<")) && rd.date(d)) {
                    out.op = Op::Less;
                    out.v1 = d.toString(QStringLiteral("yyyy-MM-dd"));
                    return true;
                }
                break;
            }
            case FieldKind::Flag: {
                if (!rd.exact(r))
                    break;
                const int after = rd.pos;
                for (const auto& [sym, op] : {std::pair{QStringLiteral("<>"), Op::IsNot}, std::pair{QStringLiteral("="), Op::Is}}) {
                    rd.pos = after;
                    if (rd.exact(sym) && rd.str(a) &&
                        (a == QLatin1String("Yes") || a == QLatin1String("No"))) {
                        out.op = op;
                        out.v1 = a;
                        return true;
                    }
                }
                break;
            }
            }
        }
        rd.pos = start;
        return false;
    };

    auto conditions = [&](Reader& rd, std::vector<ParsedRow>& out, bool wrapped) -> bool {
        out.clear();
        while (true) {
            ParsedRow row;
            if (!condition(rd, row))
                return false;
            out.push_back(row);
            const int save = rd.pos;
            if (rd.lit(QStringLiteral("AND"), true))
                continue;
            rd.pos = save;
            if (wrapped)
                return rd.exact(QStringLiteral(")")) && rd.atEnd();
            return rd.atEnd();
        }
    };

    Reader rd(text);
    if (!rd.lit(QStringLiteral("WHERE")))
        return false;
    const int body = rd.pos;
    std::vector<ParsedRow> parsed;
    bool ok = false;
    if (rd.exact(QStringLiteral("(")))
        ok = conditions(rd, parsed, true);
    if (!ok) {
        rd.pos = body;
        ok = conditions(rd, parsed, false);
    }
    if (!ok || parsed.empty())
        return false;
    rows.clear();
    for (const ParsedRow& p : parsed) {
        FilterRow* row = newRow();
        row->set(p.field, p.op, p.v1, p.v2);
        rows.push_back(row);
    }
    return true;
}

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
    ensureEmptyLastRow();
    relayout();
    reportRowCount();
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
