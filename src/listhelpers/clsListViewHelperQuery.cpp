// clsListViewHelper: filling the list from a query, a stored-procedure call or a
// dialog type of the database, one row again, columns from a column string, and
// the row of an id.

#include "listhelpers/clsListViewHelper.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "core/CoQuillonSystemEngine.h"
#include "base/SqlText.h"
#include "base/VbFormat.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/controls/ColumnFormat.h"
#include "platform/controls/ReportListView.h"
#include "platform/database/SqlTranslator.h"

#include <cmath>

namespace {

const char kObject[] = "clsListViewHelper";

constexpr int32_t kAdBoolean = 11;
constexpr int32_t kAdCurrency = 6;

// A field converted to text: a date (adDate, adFileTime, adDBDate, adDBTimeStamp)
// as the user's regional settings write it, as the list window shows dates; the
// typed date sort reads that form back.
QString FieldText(const Variant& v, int32_t adoType)
{
    if (v.isNull())
        return v.toString();
    switch (adoType) {
    case 7: case 64: case 133: case 135:
        return FormatColumnValue(v, ColumnKind::DateTime);
    default:
        return v.toString();
    }
}

// Closes the result set however the reading ends.
class ResultsScope {
public:
    explicit ResultsScope(BrandleRecordsetPtr& rs) : m_rs(rs) {}
    ~ResultsScope()
    {
        if (m_rs && g_oSystemEngine) {
            try {
                g_oSystemEngine->CloseResults(m_rs);
            } catch (...) {
            }
        }
    }

private:
    BrandleRecordsetPtr& m_rs;
};

}  // namespace

void clsListViewHelper::SetQueryWhere(const QString& where, bool bUseExtendedFrom)
{
    m_sWhere = where;
    m_bUseExtendedFrom = bUseExtendedFrom;
}

void clsListViewHelper::SetDialogType(const QString& strDialogType)
{
    Traced(kObject, "SetDialogType", [&] {
        BrandleRecordsetPtr rs;
        ResultsScope closing(rs);
        if (SessionEngine().GetResults(QStringLiteral("EXEC ListDialogTypes_Load ") + QuoteSQLString(strDialogType),
                                       rs)) {
            auto text = [&](const char* field) {
                const Variant v = rs->Item(QString::fromLatin1(field));
                return v.isNull() ? QString() : v.toString();
            };
            SetQueryString(text("SQLSelect") + QLatin1Char(' ') + text("SQLFrom"));
            SetQueryFromEx(rs->Item(QStringLiteral("SQLFromEx")).toString());
            SetListColumns(rs->Item(QStringLiteral("ColumnString")).toString());
            m_bIsProcType = rs->Item(QStringLiteral("IsProcType")).toBool();
        }
    });
}

QString clsListViewHelper::GetListQuery() const
{
    return Traced(kObject, "GetListQuery", [&] {
        if (m_bIsProcType)
            return QStringLiteral("EXEC ") + m_sQuery + QLatin1Char(' ') + m_sWhere;
        if (m_bUseExtendedFrom)
            return m_sQuery + QLatin1Char(' ') + m_sQueryFromEx + QLatin1Char(' ') + m_sWhere;
        return m_sQuery + QLatin1Char(' ') + m_sWhere;
    });
}

// The query text comes from stored definitions and the host: a query runs as one
// statement that cannot write; a procedure call must be one EXEC and nothing more.
bool clsListViewHelper::openListResults(const QString& sql, BrandleRecordsetPtr& rs) const
{
    CoQuillonSystemEngine& engine = SessionEngine();
    if (!m_bIsProcType)
        return engine.DBI().OpenReadOnlyRecordset(sql, rs);
    const std::vector<TranslatedStatement> statements = TranslateBatch(sql);
    if (statements.size() != 1 || statements.front().kind != TranslatedStatement::Kind::Exec)
        throw AppError(kDatabaseErrorNumber, QStringLiteral("Only a single procedure call may run here."),
                       QStringLiteral("BrandleDatabase"));
    return engine.GetResults(sql, rs);
}

void clsListViewHelper::Refresh()
{
    Traced(kObject, "Refresh", [&] {
        const QString sql = GetListQuery();
        ReportListView& list = boundList();
        list.ClearItems();
        list.SetSorted(false);
        BrandleRecordsetPtr rs;
        ResultsScope closing(rs);
        if (openListResults(sql, rs)) {
            if (!m_bSortTypesSet)
                setColumnSortTypes(*rs);
            ListRedrawLock lock(&list);
            list.ReserveItems(rs->RecordCount());
            while (rs->HasRecord()) {
                addListItem(*rs);
                rs->MoveNext();
            }
        }
        if (rs) {
            SessionEngine().CloseResults(rs);
            rs.reset();
        }
        Resort();
        emit AfterRefresh();
    });
}

void clsListViewHelper::RefreshLineItem(int32_t ItemIndex, const QString& strWhere)
{
    Traced(kObject, "RefreshLineItem", [&] {
        QString sql = GetListQuery();
        ReportListView& list = boundList();
        ListItem* item = list.Item(ItemIndex);
        sql += sql.toLower().contains(QLatin1String("where")) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        sql += strWhere;
        BrandleRecordsetPtr rs;
        ResultsScope closing(rs);
        if (openListResults(sql, rs)) {
            while (rs->HasRecord()) {
                addOrUpdateListItem(*rs, item);
                rs->MoveNext();
            }
        } else {
            list.RemoveItem(ItemIndex);
        }
    });
}

void clsListViewHelper::setColumnSortTypes(const BrandleRecordset& rs)
{
    ReportListView& list = boundList();
    for (int i = 1; i <= list.ColumnCount(); ++i)
        list.Column(i)->SetTag(Variant(QString::number(ConvertSortTypes(rs.FieldType(i)))));
    m_bSortTypesSet = true;
}

int16_t clsListViewHelper::ConvertSortTypes(int32_t adoType)
{
    switch (adoType) {
    case 2: case 3: case 4: case 5: case 6: case 14: case 16: case 17: case 18: case 19: case 20: case 21:
    case 72: case 131: case 139:
        return 2;
    case 7: case 64: case 128: case 133: case 134: case 135:
        return 1;
    case 11:
        return 3;
    default:
        return 0;
    }
}

void clsListViewHelper::SetListColumns(const QString& strColumns)
{
    Traced(kObject, "SetListColumns", [&] {
        ReportListView& list = boundList();
        m_bSortTypesSet = false;
        list.ClearItems();
        list.ClearColumns();
        QString rest = strColumns;
        int comma = static_cast<int>(rest.indexOf(QLatin1Char(',')));
        while (comma >= 0) {
            const QString caption = rest.left(comma);
            const QString alignment = rest.mid(comma + 1, 1);
            bool ok = false;
            const int code = alignment.toInt(&ok);
            if (!ok)
                RaiseError(380, QStringLiteral("Invalid property value"));
            list.AddColumn(0, QString(), caption, -1, code);
            const QString after = rest.mid(comma + 1);
            const int next = static_cast<int>(after.indexOf(QLatin1Char(',')));
            if (after.size() < 2 || next < 0)
                break;
            rest = after.mid(next + 1);
            comma = static_cast<int>(rest.indexOf(QLatin1Char(',')));
        }
        const int n = list.ColumnCount();
        const double width = list.WidthTwips();
        // Whole numbers as the runtime makes them: halves to the even neighbour.
        auto whole = [](double x) { return std::nearbyint(x); };
        if (n == 0 || (list.Checkboxes() && n == 1)) {
            if (list.Checkboxes() && n == 1)
                list.Column(1)->SetWidth(700);
            RaiseError(vberr::DivisionByZero);
        }
        if (list.Checkboxes()) {
            list.Column(1)->SetWidth(700);
            for (int c = 2; c <= n; ++c)
                list.Column(c)->SetWidth(width / (n - 1) - whole(800.0 / (n - 1)));
        } else {
            for (int c = 1; c <= n; ++c)
                list.Column(c)->SetWidth(width / n - whole(100.0 / n));
        }
    });
}

void clsListViewHelper::addListItem(const BrandleRecordset& rs)
{
    ListItem* item = boundList().AddItem(0, IDToListKey(rs.Item(0).toInt32()));
    addOrUpdateListItem(rs, item);
}

void clsListViewHelper::addOrUpdateListItem(const BrandleRecordset& rs, ListItem* item)
{
    ReportListView& list = boundList();
    if (rs.FieldType(1) == kAdBoolean && list.Checkboxes()) {
        item->SetText(QString());
        item->SetChecked(rs.Item(1).toBool());
    } else {
        item->SetText(FieldText(rs.Item(1), rs.FieldType(1)));
    }
    item->SetTag(rs.Item(0));
    for (int k = 1; k < list.ColumnCount(); ++k) {
        const Variant v = rs.Item(k + 1);
        QString text;
        if (v.isNull())
            text = QStringLiteral("  ");
        else if (rs.FieldType(k + 1) == kAdCurrency)
            text = FormatNumber(v.toDouble(), QStringLiteral("$#,##0.00;($#,##0.00)"));
        else if (rs.FieldType(k + 1) == kAdBoolean)
            text = v.toBool() ? QStringLiteral("Yes") : QString();
        else
            text = FieldText(v, rs.FieldType(k + 1));
        item->SetSubItem(k, text);
    }
}

int32_t clsListViewHelper::SelectedItemID() const
{
    return Traced(kObject, "SelectedItemID", [&] {
        const ListItem* item = boundList().SelectedItem();
        return item ? ListKeyToID(item->Key()) : int32_t{-1};
    });
}

void clsListViewHelper::SelectItemByID(int32_t id)
{
    Traced(kObject, "SelectItemByID", [&] {
        ReportListView& list = boundList();
        UnSelectAll();
        if (id <= 0)
            return;
        if (ListItem* item = list.FindItem(IDToListKey(id))) {
            item->SetSelected(true);
            return;
        }
        for (int i = 1; i <= list.ItemCount(); ++i) {
            ListItem* item = list.Item(i);
            if (ListKeyToID(item->Key()) == id) {
                item->SetSelected(true);
                return;
            }
        }
    });
}
