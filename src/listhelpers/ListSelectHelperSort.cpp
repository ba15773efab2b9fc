// ListSelectHelper: typed column sorting, the header images and the header click.

#include "listhelpers/ListSelectHelper.h"

#include "listhelpers/RegionalReading.h"

#include "base/AppError.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/FormsRuntime.h"

#include <functional>

namespace {

const char kObject[] = "ListSelectHelper";

// The number keys carry four decimals.
constexpr int kKeyDecimals = 4;

constexpr int kAlphaKeyLength = 255;

QString VariantText(const Variant& value)
{
    if (value.isEmpty() || value.isNull() || value.isObject())
        return QString();
    return value.toString();
}

}  // namespace

QString ListSelectHelper::InvNumber(const QString& text)
{
    return Traced(kObject, "InvNumber", [&] {
        QString out = text;
        for (QChar& c : out) {
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                c = QChar(u'9' - (c.unicode() - u'0'));
            else if (c == QLatin1Char('-'))
                c = QLatin1Char(' ');
        }
        return out;
    });
}

// Negative numbers: "&" and the digits of the amount inverted, so that they sort
// below zero and the most negative first.
QString ListSelectHelper::NumberKey(const QString& text, const RegionalReader& reader)
{
    const auto number = reader.Number(text);
    if (!number)
        return QString();
    if (*number >= 0)
        return PaddedNumber(*number, kKeyDecimals, reader.DecimalPoint());
    return QLatin1Char('&') + InvNumber(PaddedNumber(-*number, kKeyDecimals, reader.DecimalPoint()));
}

QString ListSelectHelper::DateKey(const QString& text, const RegionalReader& reader)
{
    const auto date = reader.Date(text);
    return date ? DateSortKey(*date) : QString();
}

QString ListSelectHelper::AlphaNumberKey(const QString& text)
{
    if (text.size() >= kAlphaKeyLength)
        return text;
    return QString(kAlphaKeyLength - text.size(), QLatin1Char('0')) + text;
}

// ---------------------------------------------------------------- sorting

void ListSelectHelper::Resort()
{
    Traced(kObject, "Resort", [&] {
        if (!m_lstView)
            RaiseError(vberr::ObjectNotSet);
        SortList(static_cast<int16_t>(m_lstView->SortKey() + 1), false);
    });
}

void ListSelectHelper::SortList(int16_t indexHeader, bool bHeaderClicked)
{
    Traced(kObject, "SortList", [&] {
        ReportListView* list = m_lstView;
        if (!list || list->ColumnCount() == 0)
            return;
        const Variant tag = list->Column(indexHeader)->Tag();
        const QString type = tag.isString() ? tag.toString() : QString();
        static const std::pair<const char*, SortType> kTypes[] = {
            {"NUM", SortType::Numbers},     {"DATE", SortType::Dates},        {"ALPHANUM", SortType::AlphaNumbers},
            {"ICON", SortType::Icons},      {"REPORTICON", SortType::ReportIcons}, {"CHECK", SortType::Checks}};
        SortType sortType = SortType::Text;
        for (const auto& [name, t] : kTypes)
            if (type == QLatin1String(name))
                sortType = t;

        if (sortType != SortType::Text) {
            SortByType(sortType, indexHeader, bHeaderClicked);
        } else {
            // A click on the sort column turns the direction; any other column keeps it.
            if (bHeaderClicked && indexHeader == list->SortKey() + 1)
                list->SetSortOrder(list->SortOrder() == 0 ? 1 : 0);
            else
                list->SetSortKey(indexHeader - 1);
            // After a typed sort the list is not kept sorted; the text sort needs it.
            if (!list->Sorted())
                list->SetSorted(true);
        }

        for (int i = 0; i < list->ColumnCount(); ++i) {
            if (i == list->SortKey())
                ShowHeaderIcon(list, list->SortKey(), list->SortOrder(), 1);
            else
                ShowHeaderIcon(list, i, 0, 0);
        }
    });
}

// One frame for the five typed sorts: a key per row, built from the column's
// cell (or the row's icon or check box), by which the list orders its rows. The
// list is not kept sorted afterwards, so that it keeps the order of the keys
// while it shows the texts.
void ListSelectHelper::SortByType(SortType type, int16_t indexHeader, bool bHeaderClicked)
{
    ReportListView* list = m_lstView;
    const int column = indexHeader - 1;
    const RegionalReader reader;
    std::function<QString(const ListItem*)> keyOf;
    auto cellText = [column](const ListItem* item) { return column == 0 ? item->Text() : item->SubItem(column); };
    switch (type) {
    case SortType::Numbers:
        keyOf = [&](const ListItem* item) { return NumberKey(cellText(item), reader); };
        break;
    case SortType::Dates:
        keyOf = [&](const ListItem* item) { return DateKey(cellText(item), reader); };
        break;
    case SortType::AlphaNumbers:
        keyOf = [&](const ListItem* item) { return AlphaNumberKey(cellText(item)); };
        break;
    case SortType::Icons:
        keyOf = [](const ListItem* item) { return VariantText(item->Icon()); };
        break;
    case SortType::ReportIcons:
        keyOf = [column](const ListItem* item) {
            return VariantText(column == 0 ? item->Icon() : item->ReportIcon(column));
        };
        break;
    case SortType::Checks:
        keyOf = [](const ListItem* item) { return item->Checked() ? QStringLiteral("True") : QStringLiteral("False"); };
        break;
    case SortType::Text:
        return;
    }

    // A cell whose key cannot be built keeps its own text as key; the sort goes on.
    const int n = list->ItemCount();
    std::vector<QString> keys(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        const ListItem* item = list->Item(i);
        try {
            keys[static_cast<size_t>(i) - 1] = keyOf(item);
        } catch (const AppError&) {
            try {
                keys[static_cast<size_t>(i) - 1] = cellText(item);
            } catch (const AppError&) {
            }
        }
    }

    // Every click on a typed column turns the direction, also the first one on it.
    const int order = bHeaderClicked ? (list->SortOrder() + 1) % 2 : list->SortOrder();
    // The list orders the rows by the keys and keeps that order while it shows the
    // texts (it is not kept sorted); the texts themselves are never touched.
    list->SetSorted(false);
    list->SetSortOrder(order);
    list->SetSortKey(column);
    list->SortByKeys(std::move(keys), order);
}

void ListSelectHelper::ShowHeaderIcon(ReportListView* list, int32_t column, int32_t image, int32_t show)
{
    Traced(kObject, "ShowHeaderIcon", [&] {
        if (!list || list->ColumnCount() == 0)
            return;
        list->Column(column + 1)->SetImage(show != 0 ? image : -1);
    });
}

void ListSelectHelper::onColumnClick(ListColumnHeader* column)
{
    RunEventHandler(kObject, "m_lstView_ColumnClick", [&] {
        if (!column)
            return;
        SortList(static_cast<int16_t>(column->Index()), true);
        emit ColumnHeaderClick(column);
    });
}
