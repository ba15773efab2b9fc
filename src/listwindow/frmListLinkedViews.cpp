// The list window's context menu: the catalogue commands in All Views and My
// Views, and in any other view the linked views whose conditions hold for the
// selected row; choosing one opens that view filtered to the rows that belong
// to the selected row.
//
// Values from the row and from the link's extra filter are quoted with their
// apostrophes doubled, and the stored query of an extra filter runs as a single
// query that cannot write.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "platform/controls/eListView.h"
#include "shell/PopUpMenu.h"

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

// Splits an extra filter by its type. Nothing when the type is unknown, or when the
// text has fewer commas than the type needs or names no operator or column: such a
// link is not offered rather than opened with a broken clause.
std::optional<ExtraFilter> ParseExtraFilter(const QString& text, int16_t type)
{
    if (type != kExtraValue && type != kExtraRange)
        return std::nullopt;
    const qsizetype first = text.indexOf(QLatin1Char(','));
    const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char(','), first + 1);
    if (second < 0)
        return std::nullopt;
    ExtraFilter f;
    f.op = text.left(first);
    f.column = text.mid(first + 1, second - first - 1);
    f.rest = text.mid(second + 1);
    f.range = f.op.toUpper() == QLatin1String("RANGE");
    f.restIsQuery = ContainsSelect(f.rest);
    if (TrimBlanks(f.op).isEmpty() || TrimBlanks(f.column).isEmpty())
        return std::nullopt;
    // Low and high given as texts need the comma between them.
    if (type == kExtraRange && !f.restIsQuery && !f.rest.contains(QLatin1Char(',')))
        return std::nullopt;
    return f;
}

// A field of a result as text; Null and a missing row give the empty text.
QString FieldText(const BrandleRecordsetPtr& rs, int index)
{
    if (!rs || !rs->HasRecord())
        return QString();
    const Variant v = rs->Item(index);
    return v.isNull() || v.isEmpty() ? QString() : v.toString();
}

// Runs a link's stored query on the read-only path: one query, no writes.
BrandleRecordsetPtr RunStoredQuery(const QString& sql)
{
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    dbi.OpenReadOnlyRecordset(sql, rs);
    return rs;
}

// Between single quotes, apostrophes doubled.
QString Quoted(const QString& value) { return QuoteSQLString(Variant(value)); }

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
    if (m_bViewsList)
        ShowCatalogueMenu(x, y);
    else
        ShowLinkedViewsMenu(x, y);
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
    case kAutoPopulate: SaveAutoPopulate(m_eListView->SelectedID(), enableAutoPopulate); break;
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

bool frmList::IsLinkOffered(CoLdUVAssocView& link)
{
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
    // An extra filter that cannot be read would give a broken clause.
    return link.MiscFilter.isEmpty() || ParseExtraFilter(link.MiscFilter, link.MiscFilterTypeID).has_value();
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
            const QDateTime a = Variant(strValue1).toDate();
            const QDateTime b = Variant(strValue2).toDate();
            order = a < b ? -1 : (a > b ? 1 : 0);
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
    int16_t dataType = 0;
    QString value1;
    GetSelectedColumnValue(Variant(link.ColumnID1), dataType, value1);
    QString value2;
    if (link.AssocColumnID2 > 0 && link.Column2FilterTypeID != kNoSecondValue)
        GetSelectedColumnValue(Variant(link.ColumnID2), dataType, value2);

    // The extra filter.
    QString extraClause;
    QString extraColumn;
    if (!link.MiscFilter.isEmpty()) {
        const std::optional<ExtraFilter> extra = ParseExtraFilter(link.MiscFilter, link.MiscFilterTypeID);
        if (!extra)
            return;  // never offered
        QString value, low, high;
        if (link.MiscFilterTypeID == kExtraValue) {
            value = extra->restIsQuery ? FieldText(RunStoredQuery(extra->rest), 0) : extra->rest;
        } else if (extra->restIsQuery) {
            const BrandleRecordsetPtr rs = RunStoredQuery(extra->rest);
            low = FieldText(rs, 0);
            high = FieldText(rs, 1);
        } else {
            const qsizetype comma = extra->rest.indexOf(QLatin1Char(','));
            low = extra->rest.left(comma);
            high = extra->rest.mid(comma + 1);
        }
        extraColumn = extra->column;
        const QString token = MakeColumnToken(Variant(extra->column));
        if (extra->range)
            extraClause = QStringLiteral(" AND ( ") + token + QStringLiteral(" >= ") + Quoted(low) +
                          QStringLiteral(" AND ") + token + QStringLiteral(" <= ") + Quoted(high) + QStringLiteral(" )");
        else
            extraClause = QStringLiteral(" AND ( ") + token + QLatin1Char(' ') + extra->op + QLatin1Char(' ') +
                          Quoted(value) + QStringLiteral(" )");
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
                 Quoted(value1) + QStringLiteral(" ) AND ( ") + MakeColumnToken(Variant(link.AssocColumnName2)) +
                 QStringLiteral(" = ") + Quoted(value2) + QStringLiteral(" )") + extraClause + QStringLiteral("  ) ");
    else
        filter = QStringLiteral("WHERE ( ( ") + MakeColumnToken(Variant(link.AssocColumnName1)) + QStringLiteral(" = ") +
                 Quoted(value1) + QStringLiteral(" )") + extraClause + QStringLiteral(" ) ");

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
