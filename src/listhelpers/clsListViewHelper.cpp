#include "listhelpers/clsListViewHelper.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "base/VbFormat.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/ReportListView.h"
#include "listhelpers/RegionalReading.h"

#include <algorithm>

namespace {

const char kObject[] = "clsListViewHelper";

// Width of the alphanumeric key: digit runs are compared as numbers up to this length.
constexpr int kAlphaKeyWidth = 30;

QString TagText(const Variant& tag)
{
    if (tag.isEmpty() || tag.isNull() || tag.isObject())
        return QString();
    return tag.toString();
}

// The text of a row in a 0-based column.
QString ValueOf(const ListItem* item, int column) { return column == 0 ? item->Text() : item->SubItem(column); }

// The number keys carry six decimals.
constexpr int kKeyDecimals = 6;

// A value written with a format pattern: as a number when it reads as one, else as a
// date when it reads as one and the pattern has date parts, else as it is.
QString PatternKey(const QString& text, const QString& pattern, const RegionalReader& reader)
{
    if (const auto number = reader.Number(text))
        return FormatNumber(*number, pattern);
    static const QString dateParts = QStringLiteral("yYdDhHnNsS");
    if (std::any_of(pattern.begin(), pattern.end(), [](QChar c) { return dateParts.contains(c); }))
        if (const auto d = reader.Date(text))
            return FormatDate(QDateTime(QDate(d->year, d->month, d->day), QTime(d->hour, d->minute, d->second)),
                              pattern);
    return text;
}

}  // namespace

const QString& clsListViewHelper::NumberPattern()
{
    static const QString pattern = QString(30, QLatin1Char('0')) + QStringLiteral(".000000");
    return pattern;
}

clsListViewHelper::clsListViewHelper(QObject* parent) : QObject(parent) {}

clsListViewHelper::~clsListViewHelper()
{
    try {
        Dispose();
    } catch (...) {
    }
}

ReportListView* clsListViewHelper::GetListView(ReportListView* list) const { return list ? list : m_lstView.data(); }

ReportListView& clsListViewHelper::boundList() const
{
    if (!m_lstView)
        RaiseError(vberr::ObjectNotSet);
    return *m_lstView;
}

// ---------------------------------------------------------------- binding

void clsListViewHelper::Init(ReportListView* list, const QList<QIcon>* headerIcons, bool styleFlag)
{
    Traced(kObject, "Init", [&] {
        Dispose();
        if (!list)
            RaiseError(vberr::ObjectNotSet);
        m_lstView = list;
        m_connections.push_back(connect(list, &ReportListView::ColumnClick, this, &clsListViewHelper::onColumnClick));
        m_connections.push_back(connect(list, &ReportListView::ItemCheck, this, &clsListViewHelper::onItemCheck));
        m_connections.push_back(connect(list, &ReportListView::KeyDown, this, &clsListViewHelper::onKeyDown));
        m_connections.push_back(connect(list, &ReportListView::DblClick, this, &clsListViewHelper::onDblClick));
        if (styleFlag) {
            list->SetFullRowSelect(true);
            list->SetGridLines(true);
            list->SetHideSelection(false);
            list->SetMultiSelect(true);
            list->SetSorted(true);
        }
        // Without images of the caller's the list keeps its own arrows (0 up, 1 down).
        if (headerIcons)
            list->SetColumnHeaderIcons(*headerIcons);
        for (int i = 1; i <= list->ColumnCount(); ++i)
            showHeaderIcon(list, i, 0, false);
    });
}

void clsListViewHelper::Dispose()
{
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_lstView = nullptr;
}

// ---------------------------------------------------------------- sorting

void clsListViewHelper::onColumnClick(ListColumnHeader* column)
{
    ReportListView* list = m_lstView;
    if (!list || !column || list->ItemCount() == 0)
        return;
    const int pointer = list->MousePointer();
    RunEventHandler(kObject, "ColumnCheck", [&] {
        list->SetMousePointer(vbHourglass);
        try {
            const int index = column->Index();
            // The column and direction change without a text sort each; ListViewSort
            // sorts once, by the texts (Sorted on again) or by typed keys.
            list->SetSorted(false);
            list->SetSortKey(index - 1);
            m_lSortOrder = m_lSortColumn == index ? (m_lSortOrder == 1 ? 0 : 1) : 0;
            if (m_lSortColumn > 0 && m_lSortColumn <= list->ColumnCount())
                showHeaderIcon(list, m_lSortColumn, 0, false);
            m_lSortColumn = index;
            showHeaderIcon(list, m_lSortColumn, m_lSortOrder, true);
            list->SetSortOrder(m_lSortOrder);
            ListViewSort(list->SortKey(), list->SortOrder(), nullptr);
            emit ColumnHeaderClick(column);
        } catch (...) {
            list->SetMousePointer(pointer);
            throw;
        }
        list->SetMousePointer(pointer);
    });
}

void clsListViewHelper::ListViewSort(int32_t column, int32_t /*order*/, ReportListView* listView)
{
    ReportListView* list = GetListView(listView);
    if (!list)
        RaiseError(vberr::ObjectNotSet);
    const QString sortType = TagText(list->Column(column + 1)->Tag());
    const QString pattern = GetFormatString(sortType);
    if (pattern.isEmpty()) {
        list->SetSorted(true);
        return;
    }
    // The keys are all built before the list changes, so that one that cannot be
    // built leaves the list as it was; the list then orders its rows by them in its
    // own direction and keeps that order (it is not kept sorted).
    list->SortByKeys(sortKeys(list, sortType, column, pattern), list->SortOrder());
}

// The sort family: one key per row.
std::vector<QString> clsListViewHelper::sortKeys(const ReportListView* list, const QString& sortType, int column,
                                                 const QString& pattern) const
{
    const int n = list->ItemCount();
    const RegionalReader reader;
    std::function<QString(const ListItem*)> keyOf;
    if (sortType == QLatin1String("1")) {
        keyOf = [&](const ListItem* item) {
            const auto date = reader.Date(ValueOf(item, column));
            return date ? DateSortKey(*date) : QStringLiteral("0");
        };
    } else if (sortType == QLatin1String("2")) {
        keyOf = [&](const ListItem* item) {
            const auto number = reader.Number(ValueOf(item, column));
            if (!number)
                return QStringLiteral("0");
            // A negative amount, also one written in parentheses, sorts below zero: its
            // minus sign becomes the blank after "&".
            if (*number < 0)
                return QStringLiteral("& ") + InvNumber(PaddedNumber(-*number, kKeyDecimals, reader.DecimalPoint()));
            return PaddedNumber(*number, kKeyDecimals, reader.DecimalPoint());
        };
    } else if (sortType == QLatin1String("3")) {
        keyOf = [](const ListItem* item) { return item->Checked() ? QStringLiteral("1") : QStringLiteral("0"); };
    } else if (sortType == QLatin1String("4")) {
        keyOf = [](const ListItem* item) { return TagText(item->Icon()); };
    } else if (sortType == QLatin1String("5")) {
        // The digits, left-padded to one width, so that 42 sorts before 100; no digits: "0".
        keyOf = [&](const ListItem* item) {
            QString digits;
            for (const QChar c : ValueOf(item, column))
                if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                    digits += c;
            if (digits.isEmpty())
                return QStringLiteral("0");
            int zeros = 0;
            while (zeros < digits.size() - 1 && digits[zeros] == QLatin1Char('0'))
                ++zeros;
            digits = digits.mid(zeros);
            return digits.size() >= kAlphaKeyWidth ? digits : digits.rightJustified(kAlphaKeyWidth, QLatin1Char('0'));
        };
    } else if (sortType == QLatin1String("6")) {
        keyOf = [&](const ListItem* item) { return FormatNumber(ListKeyToID(item->Key()), pattern); };
    } else {
        keyOf = [&](const ListItem* item) { return PatternKey(ValueOf(item, column), pattern, reader); };
    }
    std::vector<QString> keys;
    keys.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i)
        keys.push_back(keyOf(list->Item(i)));
    return keys;
}

QString clsListViewHelper::GetFormatString(const QString& sortType) const
{
    if (sortType == QLatin1String("0"))
        return QString();
    if (sortType == QLatin1String("3") || sortType == QLatin1String("4") || sortType == QLatin1String("5"))
        return QStringLiteral("0");
    if (sortType == QLatin1String("2") || sortType == QLatin1String("6"))
        return NumberPattern();
    if (sortType == QLatin1String("1"))
        return QStringLiteral("YYYYMMDDHhNnSs");
    const ReportListView& list = boundList();
    return TagText(list.Column(list.SortKey() + 1)->Tag());
}

QString clsListViewHelper::RemoveTextChars(const QString& text)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("0");
    QString digits;
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    return digits.trimmed().isEmpty() ? QStringLiteral("0") : digits;
}

QString clsListViewHelper::InvNumber(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QChar(u'9' - (c.unicode() - u'0'));
        else if (c == QLatin1Char('-'))
            c = QLatin1Char(' ');
    }
    return out;
}

void clsListViewHelper::showHeaderIcon(ReportListView* list, int32_t column, int32_t image, bool show)
{
    if (!list || list->ColumnCount() == 0)
        return;
    list->Column(column)->SetImage(show ? image : -1);
}

void clsListViewHelper::Resort()
{
    Traced(kObject, "Resort", [&] {
        ReportListView& list = boundList();
        int32_t order = m_lSortOrder;
        ManualSortList(static_cast<int16_t>(list.SortKey() + 1), order);
    });
}

void clsListViewHelper::ManualSortList(int16_t indexHeader, int32_t& lSortDirection)
{
    Traced(kObject, "ManualSortList", [&] {
        if (!m_lstView)
            return;
        ListColumnHeader* column = m_lstView->Column(indexHeader);
        // A list without rows is not sorted, so the direction is not turned either: it
        // is kept (the requested one for the current column) for the rows to come.
        if (m_lstView->ItemCount() == 0) {
            if (lSortDirection >= 0 && indexHeader == m_lSortColumn)
                m_lSortOrder = lSortDirection == 1 ? 1 : 0;
            return;
        }
        // The header click reverses the stored direction for the current column.
        if (lSortDirection >= 0)
            m_lSortOrder = lSortDirection == 1 ? 0 : 1;
        onColumnClick(column);
    });
}

void clsListViewHelper::InitSortDirection(int16_t iSortKey, int16_t iSortOrder)
{
    m_lSortColumn = iSortKey + 1;
    m_lSortOrder = iSortOrder;
}
