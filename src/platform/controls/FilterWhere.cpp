// The filter pane's WHERE text: written from the rows, and read back into rows
// when it has the pane's own form.
#include "platform/controls/FilterControl.h"

#include "base/SqlText.h"
#include "platform/controls/FilterRow.h"
#include "platform/controls/FilterValues.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace FILTERLib {

namespace {

// The day after, within the calendar of the database (years up to 9999); invalid after its last day.
QDate NextDay(const QDate& d)
{
    const QDate next = d.addDays(1);
    return next.isValid() && next.year() <= 9999 ? next : QDate();
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
        // N'...': a value with a character outside the database's code page
        if (pos + 1 < s.size() && (s[pos] == u'N' || s[pos] == u'n') && s[pos + 1] == u'\'')
            ++pos;
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
        // Either server's form: a search stored on one runs on the other.
        out = ReadSQLDate(v);
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

// ---------------------------------------------------------------- values the rows refuse

QString Filter::ValueProblem(const FilterRow& row, int which) const
{
    const int fi = row.field();
    if (fi < 0 || fi >= FieldCount())
        return {};
    const Field& f = m_fields[fi];
    const Op op = row.op();
    if (f.kind == FieldKind::Flag || op == Op::IsEmpty || op == Op::IsNotEmpty)
        return {};
    if (which != 0 && (which != 1 || op != Op::Between))
        return {};
    const QString name = f.displayName;
    const QString v = row.value(which);
    // An empty value leaves the row incomplete, as before it was filled.
    if (v.isEmpty())
        return {};
    if (v.contains(QChar(u'\0')))
        return QStringLiteral("The value of '%1' contains a NUL character, which a search cannot hold.").arg(name);
    if (v.size() > kMaxValueLength)
        return QStringLiteral("The value of '%1' is too long: %2 characters, where a search value holds at most %3.")
            .arg(name, QLocale().toString(v.size()), QLocale().toString(kMaxValueLength));
    if (v.trimmed().isEmpty())
        return {};
    if (f.kind == FieldKind::Number) {
        double number = 0;
        if (!ParseNumber(v, number))
            return QStringLiteral("The value of '%1' is not a number: %2").arg(name, v.trimmed());
    } else if (f.kind == FieldKind::Date) {
        const QDate d = ParseDate(v);
        if (!d.isValid())
            return QStringLiteral("The value of '%1' is not a date: %2").arg(name, v.trimmed());
        // These comparisons need the day after, which the calendar does not have.
        const bool needsNextDay = op == Op::Equals || op == Op::NotEquals || op == Op::LessOrEqual ||
                                  op == Op::Greater || (op == Op::Between && which == 1);
        if (needsNextDay && !NextDay(d).isValid())
            return QStringLiteral("The value of '%1' is the last day of the calendar, which '%2' cannot take: %3")
                .arg(name, OperatorCaption(op), v.trimmed());
    }
    return {};
}

QString Filter::RowProblem(const FilterRow& row) const
{
    for (int which = 0; which < 2; ++which)
        if (QString problem = ValueProblem(row, which); !problem.isEmpty())
            return problem;
    return {};
}

QString Filter::InvalidValue() const
{
    if (m_textMode)
        return {};
    for (const FilterRow* row : m_rows)
        if (const QString problem = RowProblem(*row); !problem.isEmpty())
            return problem;
    return {};
}

bool Filter::FocusInvalidValue()
{
    if (m_textMode)
        return false;
    for (FilterRow* row : m_rows)
        for (int which = 0; which < 2; ++which)
            if (!ValueProblem(*row, which).isEmpty()) {
                QLineEdit* box = row->valueBox(which);
                box->setFocus(Qt::OtherFocusReason);
                box->selectAll();
                return true;
            }
    return false;
}

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
    // A value the row refuses makes no condition (Go says why before it runs).
    if (!RowProblem(row).isEmpty())
        return {};
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
        const QString day = SQLDate(d, m_dateForm);
        const QString next = SQLDate(d.addDays(1), m_dateForm);
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
                   QStringLiteral(" >= ") + SQLDate(e.addDays(1), m_dateForm) + QStringLiteral("))");
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
                    // Shown as the list shows the column, so that the row reads it back the same.
                    out.v1 = ShownNumber(a, f.dataType, f.shownAs);
                    out.v2 = ShownNumber(b, f.dataType, f.shownAs);
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
                        out.v1 = ShownNumber(a, f.dataType, f.shownAs);
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
        markRow(row);
        rows.push_back(row);
    }
    return true;
}


}  // namespace FILTERLib
