#include "listhelpers/ListSelectHelper.h"

#include "base/AppError.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/ImageList.h"

namespace {

const char kObject[] = "ListSelectHelper";

// The windows whose "CHSortIcons" image list gives a bound list its header images.
bool IsMainWindowName(const QString& name)
{
    return name == QLatin1String("frmMDIFrame") || name == QLatin1String("frmMain");
}

// The rows of a list that match, counted up to `stopAt` (a caller that only
// needs to know "two or more" stops scanning a long list at the second).
template <typename Match>
int32_t CountRows(ReportListView* list, Match match, int32_t stopAt = INT32_MAX)
{
    int32_t n = 0;
    if (list)
        for (int i = 1; i <= list->ItemCount() && n < stopAt; ++i)
            n += match(*list->Item(i)) ? 1 : 0;
    return n;
}

bool IsSelected(const ListItem& item) { return item.Selected(); }

}  // namespace

// ---------------------------------------------------------------- ListSelectedIndexes

int32_t ListSelectedIndexes::Item(int32_t position) const
{
    if (position < 1 || position > Count())
        RaiseError(vberr::SubscriptOutOfRange);
    return m_indexes[static_cast<size_t>(position) - 1];
}

int32_t ListSelectedIndexes::Item(const QString& key) const
{
    const int at = m_keys.indexOf(key);
    if (at < 0)
        RaiseError(vberr::InvalidProcedureCall);
    return m_indexes[static_cast<size_t>(at)];
}

void ListSelectedIndexes::Add(int32_t index)
{
    m_indexes.push_back(index);
    m_keys << QString::number(index);
}

// ---------------------------------------------------------------- life

ListSelectHelper::ListSelectHelper(QObject* parent) : QObject(parent) {}

ListSelectHelper::~ListSelectHelper() { Dispose(); }

void ListSelectHelper::Dispose()
{
    Traced(kObject, "Dispose", [&] {
        if (m_colSavedSelections)
            m_colSavedSelections->clear();
        m_colSavedSelections.reset();
        for (const auto& c : m_connections)
            disconnect(c);
        m_connections.clear();
        m_lstView = nullptr;
    });
}

void ListSelectHelper::RemoveSelected(ObjectRef& /*obj*/) {}

void ListSelectHelper::Init(ReportListView* list)
{
    Traced(kObject, "Init", [&] {
        if (!list)
            RaiseError(vberr::ObjectNotSet);
        for (const auto& c : m_connections)
            disconnect(c);
        m_connections.clear();
        m_lstView = list;
        m_connections.push_back(connect(list, &ReportListView::ColumnClick, this, &ListSelectHelper::onColumnClick));
        m_connections.push_back(connect(list, &ReportListView::KeyDown, this, &ListSelectHelper::onKeyDown));

        list->SetFullRowSelect(true);
        list->SetGridLines(true);
        list->SetHideSelection(false);
        list->SetMultiSelect(true);
        list->SetSorted(true);

        // The first main window loaded lends its header images; one without them is
        // the caller's failure, with the list bound and set up as far as this.
        for (Form* form : LoadedForms()) {
            if (!IsMainWindowName(form->Name()))
                continue;
            QObject* control = form->findChild<QObject*>(QStringLiteral("CHSortIcons"));
            if (!control)
                RaiseError(vberr::ObjectDoesntSupport);
            const auto* images = qobject_cast<const ImageList*>(control);
            if (!images)
                RaiseError(vberr::TypeMismatch);
            list->SetColumnHeaderIcons(images->Icons());
            break;
        }

        ClearSavedSelections();
        m_bAboutToDelete = false;
        SortList(static_cast<int16_t>(list->SortKey() + 1), false);
    });
}

// ---------------------------------------------------------------- counters

bool ListSelectHelper::MoreThanOneSelected(ReportListView* listView) const
{
    return Traced(kObject, "MoreThanOneSelected", [&] { return CountRows(ListOf(listView), IsSelected, 2) == 2; });
}

int32_t ListSelectHelper::NumberSelected(ReportListView* listView) const
{
    return Traced(kObject, "NumberSelected", [&] { return CountRows(ListOf(listView), IsSelected); });
}

int32_t ListSelectHelper::NumberChecked(ReportListView* listView) const
{
    return Traced(kObject, "NumberChecked",
                  [&] { return CountRows(ListOf(listView), [](const ListItem& item) { return item.Checked(); }); });
}

int32_t ListSelectHelper::NumberSelectedAndChecked(ReportListView* listView) const
{
    return Traced(kObject, "NumberSelectedAndChecked", [&] {
        return CountRows(ListOf(listView), [](const ListItem& item) { return item.Selected() && item.Checked(); });
    });
}

std::shared_ptr<ListSelectedIndexes> ListSelectHelper::ItemsSelected(ReportListView* listView) const
{
    return Traced(kObject, "ItemsSelected", [&] {
        ReportListView* list = ListOf(listView);
        if (!list)
            return std::shared_ptr<ListSelectedIndexes>();
        auto result = std::make_shared<ListSelectedIndexes>();
        for (int i = 1; i <= list->ItemCount(); ++i)
            if (list->Item(i)->Selected())
                result->Add(i);
        return result;
    });
}

bool ListSelectHelper::OnlyOneSelected(ReportListView* listView) const
{
    return Traced(kObject, "OnlyOneSelected", [&] { return CountRows(ListOf(listView), IsSelected, 2) == 1; });
}

// ---------------------------------------------------------------- saved selections

QStringList& ListSelectHelper::SavedSelectionList()
{
    if (!m_colSavedSelections)
        m_colSavedSelections = std::make_unique<QStringList>();
    return *m_colSavedSelections;
}

void ListSelectHelper::ClearSavedSelections()
{
    SavedSelectionList().clear();
    m_iNextIndex = 1;
}

void ListSelectHelper::RememberSelection()
{
    Traced(kObject, "RememberSelection", [&] {
        ReportListView* list = m_lstView;
        if (!list)
            return;
        ClearSavedSelections();
        m_bAboutToDelete = false;
        QStringList& saved = SavedSelectionList();
        for (int i = 1; i <= list->ItemCount(); ++i) {
            const ListItem* item = list->Item(i);
            if (item->Selected())
                saved << item->Key();
        }
    });
}

void ListSelectHelper::AboutToDelete()
{
    Traced(kObject, "AboutToDelete", [&] {
        ReportListView* list = m_lstView;
        if (!list)
            return;
        ClearSavedSelections();
        m_bAboutToDelete = true;
        const int n = list->ItemCount();
        for (int i = n; i >= 1; --i)
            if (list->Item(i)->Selected()) {
                // The index is kept in 16 bits.
                if (i + 1 > 32767)
                    RaiseError(vberr::Overflow);
                m_iNextIndex = static_cast<int16_t>(i + 1);
                break;
            }
        for (int i = 1; i <= n; ++i)
            if (list->Item(i)->Selected())
                --m_iNextIndex;
    });
}

void ListSelectHelper::RestoreSelection(const QString& strKey)
{
    Traced(kObject, "RestoreSelection", [&] {
        ReportListView* list = m_lstView;
        if (!list)
            return;
        SortList(static_cast<int16_t>(list->SortKey() + 1), false);
        list->UnSelectAll();
        const int n = list->ItemCount();
        // Each restored row becomes the current one too, so the keyboard goes on from it.
        auto select = [list](ListItem* item) {
            list->SetSelectedItem(item);
            item->EnsureVisible();
        };
        if (!strKey.isEmpty()) {
            // Keys are unique and compared exactly: the row that has it, if any.
            if (ListItem* item = list->FindItem(strKey))
                select(item);
            if (n > 0 && NumberSelected() == 0)
                select(list->Item(1));
        } else if (m_bAboutToDelete) {
            if (n > 0) {
                if (m_iNextIndex == 0)
                    m_iNextIndex = 1;
                select(list->Item(m_iNextIndex > n ? n : m_iNextIndex));
            }
        } else if (m_colSavedSelections) {
            // A row without a key cannot be told from the other keyless rows: such an
            // entry restores nothing rather than every keyless row. The rows are
            // selected in one go; the last one restored ends current and in view.
            std::vector<ListItem*> rows;
            for (const QString& key : *m_colSavedSelections)
                if (!key.isEmpty())
                    if (ListItem* item = list->FindItem(key))
                        rows.push_back(item);
            list->SelectItems(rows);
            if (!rows.empty())
                select(rows.back());
        }
    });
}

// ---------------------------------------------------------------- keys

void ListSelectHelper::onKeyDown(int& keyCode, int shift)
{
    RunEventHandler(kObject, "m_lstView_KeyDown", [&] { HandleKeyDown(keyCode, shift); });
}

void ListSelectHelper::KeyDown(int16_t& KeyCode, int16_t& shift)
{
    RunEventHandler(kObject, "KeyDown", [&] { HandleKeyDown(KeyCode, shift); });
}

void ListSelectHelper::HandleKeyDown(int keyCode, int shift)
{
    // Ctrl alone with A; the key still reaches the list.
    if (shift != 2 || keyCode != 65)
        return;
    ReportListView* list = m_lstView;
    if (!list)
        RaiseError(vberr::ObjectNotSet);
    if (list->MultiSelect()) {
        list->SelectAll();
        return;
    }
    for (int i = 1; i <= list->ItemCount(); ++i)
        list->Item(i)->SetSelected(true);
}
