// The saved-searches menu beside the filter pane: the four commands, a
// separator, then the view's saved searches. Choosing from the menu
// (mbSearches_DropDown, mbSearches_ItemClick, ApplySearch) comes with the
// commands that save, edit and delete searches.
#include "listwindow/frmList.h"

#include "core/AuUtilities.h"
#include "platform/FilterControl.h"
#include "platform/MenuButton.h"

namespace {
struct MenuCommand {
    int index;
    const char* key;
    const char* caption;
};
const MenuCommand kMenuCommands[] = {
    {0, "SAVE", "Save"}, {1, "SAVE_AS", "Save As"}, {2, "EDIT", "Edit"}, {3, "DELETE", "Delete"}, {4, "SEP", "-"},
};
}  // namespace

void frmList::PopulateSearchMenu(const QString& strName, bool bRefresh)
{
    m_mbSearches->Clear();
    for (const MenuCommand& c : kMenuCommands)
        m_mbSearches->AddItem(c.index, QString::fromLatin1(c.key), QString::fromLatin1(c.caption));
    EnableSearchMenuItems();

    const CoLdUVFiltersRef searches = m_oView->Filters();
    for (int16_t i = 1; i <= searches->Count(); ++i) {
        const CoLDUVFilterRef search = searches->Item(Variant(int32_t(i)));
        const QString displayName = QString(search->FilterName).replace(QLatin1Char('~'), QLatin1Char('\''));
        if (displayName == strName) {
            m_strFilter = QString(search->FilterString).replace(QLatin1Char('~'), QLatin1Char('\''));
            m_pmFilter->SetText(displayName);
            m_strInitialFilter = m_strFilter;
            m_bComplex = search->Complex();
        }
        m_mbSearches->AddItem(i + 5, IDToListKey(i), displayName);
    }
    if (bRefresh)
        RefreshList(-1);
}

void frmList::EnableSearchMenuItems()
{
    const bool quick = IsQuickSearch();
    m_mbSearches->EnableItem(0, QStringLiteral("SAVE"), !quick && !m_bComplex);
    m_mbSearches->EnableItem(1, QStringLiteral("SAVE_AS"), !quick || m_pmFilter->CanSave());
    m_mbSearches->EnableItem(2, QStringLiteral("EDIT"), !quick);
    m_mbSearches->EnableItem(3, QStringLiteral("DELETE"), !quick);
}

bool frmList::IsQuickSearch() const { return m_pmFilter->Text() == QLatin1String("QuickSearch"); }
