// The list window's context menu: the catalogue commands in All Views and My
// Views, and in any other view the linked views whose conditions hold for the
// selected row; choosing one opens that view filtered to the rows that belong
// to the selected row.
//
// Values from the row and from the link's extra filter are quoted with their
// apostrophes doubled; a row's value is taken as the database stored it, so
// that the linked view's filter compares equal to it (a date-time with its
// milliseconds, in the session's server's form: on a SQL Server one that every
// login language reads the same; a real number in all its digits). A date a
// link's stored query gives is written so too. A row whose relation column
// is NULL is related to nothing: the link is not offered for it. An extra
// filter takes only a comparison operator or RANGE, and a column of the linked
// view; any other makes its link not offered. The stored queries of a link run
// off the window's thread as a single query that cannot write; a Cancel of
// their busy wait ends the right click quietly.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "core/StoredQuery.h"
#include "platform/controls/eListView.h"
#include "shell/PopUpMenu.h"
#include "viewmodel/GetView.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <optional>

namespace {

// Command ids of the catalogue menu.
enum CatalogueCommand : int {
    kNewView = 1,
    kOpenView = 2,
    kDeleteView = 3,
    kCustomizeView = 4,
    kAddToMyViews = 5,
    kAutoPopulate = 6,
};

// Extra-filter types of a link.
constexpr int16_t kExtraValue = 3;
constexpr int16_t kExtraRange = 99;
// A second relation column of this filter type gives no value.
constexpr int16_t kNoSecondValue = 6;

// A link's extra filter, split into its pieces: operator, column and the rest.
struct ExtraFilter {
    QString op;
    QString column;
    QString rest;
    bool range = false;          // the operator RANGE: a range, not a comparison
    bool restIsQuery = false;    // the rest is a query that gives the value(s)
};

bool ContainsSelect(const QString& text) { return text.contains(QLatin1String("select"), Qt::CaseInsensitive); }

// The operators of a comparison that an extra filter may hold: those of a link's
// conditions and of its ranges. Anything else would go into the WHERE as it stands.
bool IsComparisonOperator(const QString& op)
{
    static const QStringList operators = {QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("<"),
                                          QStringLiteral(">"),  QStringLiteral("<="), QStringLiteral(">=")};
    return operators.contains(op);
}

// Splits an extra filter by its type. Nothing when the type is unknown, when the
// text has fewer commas than the type needs, names no operator or column, or an
// operator other than a comparison or RANGE, or a column that cannot be a
// column token: such a link is not offered rather than opened with a broken clause.
std::optional<ExtraFilter> ParseExtraFilter(const QString& text, int16_t type)
{
    if (type != kExtraValue && type != kExtraRange)
        return std::nullopt;
    const qsizetype first = text.indexOf(QLatin1Char(','));
    const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char(','), first + 1);
    if (second < 0)
        return std::nullopt;
    ExtraFilter f;
    f.op = TrimBlanks(text.left(first));
    f.column = TrimBlanks(text.mid(first + 1, second - first - 1));
    f.rest = text.mid(second + 1);
    f.range = f.op.toUpper() == QLatin1String("RANGE");
    f.restIsQuery = ContainsSelect(f.rest);
    if (f.column.isEmpty() || (!f.range && !IsComparisonOperator(f.op)))
        return std::nullopt;
    if (f.column.contains(QLatin1Char('{')) || f.column.contains(QLatin1Char('}')))
        return std::nullopt;
    // Low and high given as texts need the comma between them.
    if (type == kExtraRange && !f.restIsQuery && !f.rest.contains(QLatin1Char(',')))
        return std::nullopt;
    return f;
}

// The column names of a view, as its column tokens name them.
QStringList ViewColumnNames(int32_t viewId)
{
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    QStringList names;
    if (dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumns ") + QString::number(viewId), rs)) {
        for (; rs->HasRecord(); rs->MoveNext()) {
            const Variant name = rs->Item(QStringLiteral("ColumnName"));
            if (!name.isNull() && !name.isEmpty())
                names << TrimBlanks(name.toString());
        }
    }
    dbi.CloseRecordset(rs);
    return names;
}

// A link's extra filter, when it can be read and names a column of the linked view.
std::optional<ExtraFilter> AcceptedExtraFilter(const CoLdUVAssocView& link)
{
    std::optional<ExtraFilter> extra = ParseExtraFilter(link.MiscFilter, link.MiscFilterTypeID);
    if (extra && !ViewColumnNames(link.ViewID).contains(extra->column))
        return std::nullopt;
    return extra;
}

// The selected row's value of a viewable column, as the database gave it; Empty
// when the view has no such column.
Variant SelectedRowValue(const frmList& w, int32_t columnId)
{
    for (const CoLdUVColumnRef& column : *w.View()->Columns())
        if (column->Viewable && column->ColumnID == columnId)
            return w.ListView()->ColumnValue(column->Order);
    return Variant();
}

// A row's value as a literal the database compares equal to what it stored: a
// date-time with its milliseconds in the form the server reads (dates), a real
// number with every digit it needs (as a number, which compares with any numeric
// expression), all else as its text.
QString LinkLiteral(const Variant& v, SqlDateForm dates)
{
    if (v.isNull() || v.isEmpty())
        return QuoteSQLString(Variant(QString()));
    if (v.isDate())
        return SQLDateTime(v.toDate(), dates);
    if (v.type() == VarType::Double && std::isfinite(v.toDouble()))
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return QuoteSQLString(Variant(v.toString()));
}

// The formats of a locale's dates and date-times, each also without its weekday
// ("June 1, 2024" beside "Saturday, June 1, 2024") and with short month names.
QStringList DateFormats(const QLocale& locale)
{
    QStringList formats;
    for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat, QLocale::NarrowFormat})
        formats << locale.dateFormat(type) << locale.dateTimeFormat(type);
    static const QRegularExpression weekday(QStringLiteral("^d{3,4}[,.]?\\s*|[,.]?\\s*d{3,4}$"));
    const qsizetype given = formats.size();
    for (qsizetype i = 0; i < given; ++i) {
        QString plain = formats.at(i);
        plain.remove(weekday);
        formats << plain;
    }
    for (qsizetype i = 0, n = formats.size(); i < n; ++i)
        if (formats.at(i).contains(QLatin1String("MMMM")))
            formats << QString(formats.at(i)).replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    // A two-digit year's format also read with the year written out.
    for (qsizetype i = 0, n = formats.size(); i < n; ++i)
        if (!formats.at(i).contains(QLatin1String("yyyy")) && formats.at(i).contains(QLatin1String("yy")))
            formats << QString(formats.at(i)).replace(QLatin1String("yy"), QLatin1String("yyyy"));
    formats.removeDuplicates();
    return formats;
}

// A date in a link's constraint or a row's text: ISO first, then the locale's
// long, short and narrow forms, then the other forms a value's text has
// (M/d/yyyy). A two-digit year is 1930 to 2029. Nothing when the text is no date.
std::optional<QDateTime> LinkDate(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    auto valueDate = [&t]() -> std::optional<QDateTime> {
        try {
            const QDateTime d = Variant(t).toDate();
            if (d.isValid())
                return d;
        } catch (const AppError&) {
            // not one of the value's own forms
        }
        return std::nullopt;
    };
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-"));
    if (iso.match(t).hasMatch())
        return valueDate();
    const QLocale locale;
    for (const QString& format : DateFormats(locale)) {
        QDateTime d = locale.toDateTime(t, format);
        if (!d.isValid())
            continue;
        if (!format.contains(QLatin1String("yyyy")) && d.date().year() < 1930)
            d = d.addYears(100);
        return d;
    }
    return valueDate();
}

// A field of a result; Empty for a missing row.
Variant Field(const BrandleRecordsetPtr& rs, int index)
{
    if (!rs || !rs->HasRecord())
        return Variant();
    return rs->Item(index);
}

// Runs a link's stored query for its first row: one query, no writes, off the window's thread.
BrandleRecordsetPtr RunStoredQuery(const QString& sql) { return OpenStoredQuery(sql, 1); }

// Between single quotes, apostrophes doubled.
QString Quoted(const QString& value) { return QuoteSQLString(Variant(value)); }

// A value of a link's stored query as a literal: a date in the form the server
// reads, anything else as its text (Null as the empty text).
QString QueryLiteral(const Variant& v, SqlDateForm dates)
{
    if (v.isDate())
        return SQLDateTime(v.toDate(), dates);
    return Quoted(v.isNull() || v.isEmpty() ? QString() : v.toString());
}

}  // namespace

void frmList::ConnectContextMenu()
{
    connect(m_eListView, &eListView::RightClick, this, [this](int x, int y) {
        RunHandler("eListView_RightClick", [this, x, y] { eListView_RightClick(x, y); });
    });
}

void frmList::eListView_RightClick(int32_t x, int32_t y)
{
    if (!m_oView)
        return;
    if (m_bViewsList) {
        ShowCatalogueMenu(x, y);
        return;
    }
    // The links of a view that has been deleted lead nowhere.
    if (ViewIsGone())
        return;
    try {
        ShowLinkedViewsMenu(x, y);
    } catch (const AppError& e) {
        // The user cancelled a stored query of a link: nothing opens, nothing to say.
        if (e.number() != kQueryCancelledNumber)
            throw;
    }
}

// ---------------------------------------------------------------- the catalogue menu

void frmList::ShowCatalogueMenu(int32_t x, int32_t y)
{
    const bool myViews = m_oView->ViewName == QLatin1String("LdMyViews");
    PopUpMenu menu;
    menu.Init(m_eListView, 0);
    auto add = [&menu](const QString& caption, int command) {
        menu.AddPopUpItem(caption, QString::number(command));
        return menu.Item(Variant(int32_t(menu.Count())));
    };
    add(QStringLiteral("New..."), kNewView);
    add(QStringLiteral("Open"), kOpenView);

    bool offerAutoPopulate = false;
    if (myViews) {
        add(QStringLiteral("Delete"), kDeleteView);
        add(QStringLiteral("Customize..."), kCustomizeView);
        offerAutoPopulate = true;
    } else {
        if (GetSelectedColumnValue(QStringLiteral("Custom")) == QLatin1String("Yes") &&
            GetSelectedColumnValue(QStringLiteral("CreatorID")) == GetCurrentUserID())
            add(QStringLiteral("Delete"), kDeleteView);
        if (m_bMainView) {
            add(QStringLiteral("Add to MyViews"), kAddToMyViews);
            offerAutoPopulate = true;
        }
    }
    bool enableAutoPopulate = true;
    if (offerAutoPopulate) {
        // The user's own setting for the selected view; no row counts as off.
        const Variant current = SessionEngine().DBI().DLookup(
            QStringLiteral("AutoPopulate"), QStringLiteral("LdMyViews"),
            QStringLiteral("ViewID = ") + QString::number(m_eListView->SelectedID()) + QStringLiteral(" AND UserID = ") +
                QuoteSQLString(Variant(TrimBlanks(GetCurrentUserID()))));
        enableAutoPopulate = current.isNull() || current.isEmpty() || !current.toBool();
        add(enableAutoPopulate ? QStringLiteral("Enable Auto Populate") : QStringLiteral("Disable Auto Populate"),
            kAutoPopulate);
    }

    float fx = static_cast<float>(x);
    float fy = static_cast<float>(y);
    QString key;
    menu.ShowPopUpMenu(fx, fy, &key, m_eListView->hWnd());
    switch (key.toInt()) {
    case kNewView: NewView(); break;
    case kOpenView: OpenSelectedView(); break;
    case kCustomizeView: CustomizeSelectedView(); break;
    case kDeleteView: DeleteSelectedView(); break;
    case kAddToMyViews: AddSelectedToMyViews(); break;
    case kAutoPopulate:
        if (!SelectedViewIsGone(m_eListView->SelectedID()))
            SaveAutoPopulate(m_eListView->SelectedID(), enableAutoPopulate);
        break;
    default: break;  // dismissed
    }
}

// ---------------------------------------------------------------- the linked views menu

void frmList::ShowLinkedViewsMenu(int32_t x, int32_t y)
{
    if (m_eListView->SelectedCount() < 1)
        return;
    PopUpMenu menu;
    menu.Init(m_eListView, 0);
    const CoLdUVAssocViewsRef links = m_oView->AssocViews();
    int16_t counter = 0;
    for (const CoLdUVAssocViewRef& link : *links) {
        if (!link->UseMe)
            continue;
        if (IsLinkOffered(*link)) {
            if (counter == INT16_MAX)
                RaiseError(vberr::Overflow);
            ++counter;
            menu.AddPopUpItem(link->ViewName, QString::number(counter));
            link->ID = counter;
        } else {
            link->ID = -1;
        }
    }

    float fx = static_cast<float>(x);
    float fy = static_cast<float>(y);
    QString key;
    menu.ShowPopUpMenu(fx, fy, &key, m_eListView->hWnd());
    const int32_t chosen = key.toInt();
    if (chosen == 0)
        return;
    for (const CoLdUVAssocViewRef& link : *links) {
        if (link->UseMe && link->ID == chosen) {
            OpenLinkedView(*link);
            return;
        }
    }
}

QStringList frmList::HiddenRelationColumns(const CoLdUVAssocView& link)
{
    QStringList names;
    const CoLdUVColumnsRef columns = m_oView->Columns();
    for (const int32_t id : link.RelationColumnIDs()) {
        bool shown = false;
        QString name;
        for (const CoLdUVColumnRef& column : *columns) {
            if (column->ColumnID != id)
                continue;
            shown = shown || column->Viewable;
            name = column->DisplayName;
        }
        if (shown)
            continue;
        // A column the view never had is named as its base names it.
        if (name.isEmpty()) {
            const Variant base = SessionEngine().DBI().DLookup(QStringLiteral("DisplayName"), QStringLiteral("LdBaseColumns"),
                                                               QStringLiteral("ColumnID = ") + QString::number(id));
            name = base.isNull() || base.isEmpty() ? QString::number(id) : TrimBlanks(base.toString());
        }
        names << name;
    }
    return names;
}

bool frmList::IsLinkOffered(CoLdUVAssocView& link)
{
    // A relation column the view no longer shows cannot be read, nor its
    // constraint tested: the link stays in the menu, and choosing it says why it
    // cannot open (its filter would take an empty value and find no rows, or
    // the wrong ones).
    if (!HiddenRelationColumns(link).isEmpty())
        return true;
    auto holds = [this](const QString& filter, int16_t type, int32_t columnId, const CoLdUVAssocViewContraintsRef& list) {
        if (filter.isEmpty())
            return true;
        int16_t dataType = 0;
        QString value;
        GetSelectedColumnValue(Variant(columnId), dataType, value);
        return EvaluateLinkConstraint(filter, type, value, list);
    };
    if (!holds(link.Column1Filter, link.Column1FilterTypeID, link.ColumnID1, link.Contraints1()))
        return false;
    if (!holds(link.Column2Filter, link.Column2FilterTypeID, link.ColumnID2, link.Contraints2()))
        return false;
    // A NULL relates the row to nothing (= '' would find other rows, or none).
    if (SelectedRowValue(*this, link.ColumnID1).isNull())
        return false;
    if (link.AssocColumnID2 > 0 && link.Column2FilterTypeID != kNoSecondValue &&
        SelectedRowValue(*this, link.ColumnID2).isNull())
        return false;
    // An extra filter that cannot be read would give a broken clause.
    return link.MiscFilter.isEmpty() || AcceptedExtraFilter(link).has_value();
}

bool frmList::EvaluateLinkConstraint(const QString& strFilter, int16_t nFilterTypeID, const QString& strValue,
                                     const CoLdUVAssocViewContraintsRef& oConstraints)
{
    switch (nFilterTypeID) {
    case 1:
        if (!oConstraints)
            return false;
        for (const CoLdUVAssocViewContraintRef& allowed : *oConstraints)
            if (allowed->Value == strValue)
                return true;
        return false;
    case 2:
        if (strFilter == QLatin1String("EXISTS"))
            return !TrimBlanks(strValue).isEmpty();
        if (strFilter == QLatin1String("NOT EXISTS"))
            return TrimBlanks(strValue).isEmpty();
        return false;
    case 4:
    case 5: {
        // operator, column, then a second column (4) or a literal, commas and all (5).
        const qsizetype first = strFilter.indexOf(QLatin1Char(','));
        const qsizetype second = first < 0 ? -1 : strFilter.indexOf(QLatin1Char(','), first + 1);
        if (second < 0)
            return false;
        const QString op = strFilter.left(first);
        int16_t type1 = 0;
        QString value1;
        GetSelectedColumnValue(Variant(strFilter.mid(first + 1, second - first - 1)), type1, value1);
        if (type1 == -1)
            return false;
        QString value2 = strFilter.mid(second + 1);
        if (nFilterTypeID == 4) {
            int16_t type2 = 0;
            const QString name2 = value2;
            GetSelectedColumnValue(Variant(name2), type2, value2);
            if (type2 == -1)
                return false;
        }
        return CompareValues(value1, value2, Variant(op), type1);
    }
    default:
        return false;
    }
}

bool frmList::CompareValues(const QString& strValue1, const QString& strValue2, const Variant& vOperator,
                            int16_t nDataType)
{
    const QString op = vOperator.isNull() || vOperator.isEmpty() ? QString() : vOperator.toString();
    if (op != QLatin1String("=") && op != QLatin1String(">") && op != QLatin1String("<") && op != QLatin1String("<>"))
        return false;
    int order = 0;
    try {
        switch (nDataType) {
        case 1: {
            const double a = Variant(strValue1).toDouble();
            const double b = Variant(strValue2).toDouble();
            order = a < b ? -1 : (a > b ? 1 : 0);
            break;
        }
        case 3: {
            const std::optional<QDateTime> a = LinkDate(strValue1);
            const std::optional<QDateTime> b = LinkDate(strValue2);
            if (!a || !b)
                return false;
            order = *a < *b ? -1 : (*a > *b ? 1 : 0);
            break;
        }
        case 2:
        case 4:
            // Character codes, case-sensitive.
            order = QString::compare(strValue1, strValue2, Qt::CaseSensitive);
            break;
        default:
            return false;
        }
    } catch (const AppError&) {
        // A text that does not convert (empty, not a number, not a date) never holds.
        return false;
    }
    if (op == QLatin1String("="))
        return order == 0;
    if (op == QLatin1String(">"))
        return order > 0;
    if (op == QLatin1String("<"))
        return order < 0;
    return order != 0;
}

// ---------------------------------------------------------------- opening a linked view

void frmList::OpenLinkedView(CoLdUVAssocView& link)
{
    // The linked view is filtered only on values read from the row.
    if (const QStringList hidden = HiddenRelationColumns(link); !hidden.isEmpty()) {
        const QString columns = QStringLiteral("'") + hidden.join(QStringLiteral("' and '")) + QStringLiteral("'");
        MsgBox(QStringLiteral("'") + link.ViewName + QStringLiteral("' cannot be opened from this view: it finds its rows by ") +
                   (hidden.size() == 1 ? QStringLiteral("the column ") : QStringLiteral("the columns ")) + columns +
                   QStringLiteral(", which this view does not show.\r\n\r\nAdd ") +
                   (hidden.size() == 1 ? QStringLiteral("the column") : QStringLiteral("the columns")) +
                   QStringLiteral(" to this view with Customize to open '") + link.ViewName + QStringLiteral("'."),
               vbExclamation);
        return;
    }
    // The linked view may have been deleted since this view was loaded.
    if (!ViewExists(link.ViewID)) {
        MsgBox(ViewGoneMessage(link.ViewName), vbExclamation, QStringLiteral("Attention Required"));
        m_oView->ReloadAssocViews();
        return;
    }
    // The linked view's filter runs on the session's server.
    const SqlDateForm dates = SessionEngine().DBI().DateForm();
    const QString value1 = LinkLiteral(SelectedRowValue(*this, link.ColumnID1), dates);
    QString value2 = LinkLiteral(Variant(), dates);
    if (link.AssocColumnID2 > 0 && link.Column2FilterTypeID != kNoSecondValue)
        value2 = LinkLiteral(SelectedRowValue(*this, link.ColumnID2), dates);

    // The extra filter.
    QString extraClause;
    QString extraColumn;
    if (!link.MiscFilter.isEmpty()) {
        const std::optional<ExtraFilter> extra = AcceptedExtraFilter(link);
        if (!extra)
            return;  // never offered
        // The link's own texts as they stand; the values of its stored query as literals.
        QString value, low, high;
        if (link.MiscFilterTypeID == kExtraValue) {
            value = extra->restIsQuery ? QueryLiteral(Field(RunStoredQuery(extra->rest), 0), dates)
                                       : Quoted(extra->rest);
        } else if (extra->restIsQuery) {
            const BrandleRecordsetPtr rs = RunStoredQuery(extra->rest);
            low = QueryLiteral(Field(rs, 0), dates);
            high = QueryLiteral(Field(rs, 1), dates);
        } else {
            const qsizetype comma = extra->rest.indexOf(QLatin1Char(','));
            low = Quoted(extra->rest.left(comma));
            high = Quoted(extra->rest.mid(comma + 1));
        }
        extraColumn = extra->column;
        const QString token = MakeColumnToken(Variant(extra->column));
        if (extra->range)
            extraClause = QStringLiteral(" AND ( ") + token + QStringLiteral(" >= ") + low + QStringLiteral(" AND ") +
                          token + QStringLiteral(" <= ") + high + QStringLiteral(" )");
        else
            extraClause = QStringLiteral(" AND ( ") + token + QLatin1Char(' ') + extra->op + QLatin1Char(' ') + value +
                          QStringLiteral(" )");
    }

    // The linked view must filter on every column the filter names.
    QStringList failing;
    auto check = [&failing](const QString& statement) {
        BrandleDatabase& dbi = SessionEngine().DBI();
        BrandleRecordsetPtr rs;
        if (dbi.OpenRecordset(statement, rs)) {
            const Variant filterable = rs->Item(QStringLiteral("Filterable"));
            if (!filterable.isNull() && !filterable.isEmpty() && !filterable.toBool()) {
                const Variant name = rs->Item(QStringLiteral("DisplayName"));
                failing << (name.isNull() || name.isEmpty() ? QString() : name.toString());
            }
        }
        dbi.CloseRecordset(rs);
    };
    const QString exec = QStringLiteral("EXEC Ld_IsColumnFilterable ") + QString::number(link.ViewID);
    check(exec + QLatin1Char(',') + QString::number(link.AssocColumnID1));
    if (link.AssocColumnID2 != 0)
        check(exec + QLatin1Char(',') + QString::number(link.AssocColumnID2));
    if (!extraColumn.isEmpty())
        check(exec + QStringLiteral(", NULL, ") + Quoted(extraColumn));
    if (!failing.isEmpty()) {
        MsgBox(QStringLiteral("The following columns aren't selected filters in the destination view:\r\n\r\n - ") +
                   failing.join(QStringLiteral(", ")),
               vbExclamation);
        return;
    }

    QString filter;
    if (link.AssocColumnID2 != 0)
        filter = QStringLiteral("WHERE ( ( ") + MakeColumnToken(Variant(link.AssocColumnName1)) + QStringLiteral(" = ") +
                 value1 + QStringLiteral(" ) AND ( ") + MakeColumnToken(Variant(link.AssocColumnName2)) +
                 QStringLiteral(" = ") + value2 + QStringLiteral(" )") + extraClause + QStringLiteral("  ) ");
    else
        filter = QStringLiteral("WHERE ( ( ") + MakeColumnToken(Variant(link.AssocColumnName1)) + QStringLiteral(" = ") +
                 value1 + QStringLiteral(" )") + extraClause + QStringLiteral(" ) ");

    if (!CheckViewRights(link.ViewID, GetCurrentUserID()))
        return;

    // The user's choice: 1 keeps this window and cascades the new one below it;
    // anything else (a text that is no number too) replaces this window.
    const Variant opening(m_oView->GetMasterValue(QStringLiteral("OpeningLinkedViews")));
    bool keepSource = false;
    try {
        keepSource = opening.isString() && opening.isNumeric() && opening.toDouble() == 1.0;
    } catch (const AppError&) {
        keepSource = false;
    }
    auto* window = new frmList;
    window->Init(link.ViewID, filter, keepSource ? this : nullptr, false);
    ShowListWindow(window);
    if (!keepSource)
        Unload(this);
}
