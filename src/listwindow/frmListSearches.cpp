// The saved-searches menu beside the filter pane: the four commands, a
// separator, then the view's saved searches. Choosing a search loads its
// criteria and runs the list; Save, Save As, Edit and Delete go through the
// search name dialog and the view model. The current search's name shows over
// the filter rows, marked as changed while the rows are not the search's as it
// was chosen or saved.
//
// The window remembers which search is current by its row id as well as by the
// name in the filter pane: names can repeat (Save As accepts a search's own
// name), and the current search must stay that search, for Save, Edit, Delete
// and the last used search the window records when it closes.
//
// The menu lists the searches the user may see: those shared with all users and
// the user's own. Save, Edit and Delete act only on a search the user may change
// (the creator's, or any for admin); another user's shared search can be used and
// saved under a new name.
#include "listwindow/frmList.h"

#include "base/AuUtilities.h"
#include "listwindow/frmListSearchName.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/eListView.h"
#include "viewmodel/ViewModelSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>

#include <memory>

namespace {
struct MenuCommand {
    int index;
    const char* key;
    const char* caption;
};
const MenuCommand kMenuCommands[] = {
    {0, "SAVE", "Save"}, {1, "SAVE_AS", "Save As"}, {2, "EDIT", "Edit"}, {3, "DELETE", "Delete"}, {4, "SEP", "-"},
};

const QString kStoreSearchTransaction = QStringLiteral("frmList.StoreSearch");

QString DisplayName(const QString& storedName)
{
    return QString(storedName).replace(QLatin1Char('~'), QLatin1Char('\''));
}

// The search name dialog of one command: unloaded when the command ends, however it ends.
class NameDialog {
public:
    NameDialog() : m_dialog(std::make_unique<frmListSearchName>()) { KeepAfterUnload(m_dialog.get()); }
    ~NameDialog()
    {
        if (IsFormLoaded(m_dialog.get())) {
            try {
                Unload(m_dialog.get());
            } catch (...) {
            }
        }
    }
    NameDialog(const NameDialog&) = delete;
    NameDialog& operator=(const NameDialog&) = delete;
    frmListSearchName* operator->() const { return m_dialog.get(); }
    frmListSearchName* get() const { return m_dialog.get(); }
    // Shows it modally; true when it was left with OK (still loaded).
    bool ShowModalOK() const
    {
        ShowModal(m_dialog.get());
        return IsFormLoaded(m_dialog.get());
    }

private:
    std::unique_ptr<frmListSearchName> m_dialog;
};
}  // namespace

void frmList::ConnectSearchMenu()
{
    connect(m_mbSearches, &FILTERLib::MenuButton::DropDown, this,
            [this] { RunHandler("mbSearches_DropDown", [this] { mbSearches_DropDown(); }); });
    connect(m_mbSearches, &FILTERLib::MenuButton::ItemClick, this, [this](const QString& key) {
        const QString chosen = key;
        RunHandler("mbSearches_ItemClick", [this, chosen] { mbSearches_ItemClick(chosen); });
    });
}

void frmList::EndCurrentSearch()
{
    m_pmFilter->SetText(QStringLiteral("QuickSearch"));
    m_bComplex = false;
    m_lCurrentSearchID = 0;
    m_lHiddenLastUsedID = 0;
}

void frmList::pmFilter_RowsEdited()
{
    // A complex search is its one text row: once that row is gone the pane no
    // longer shows the search, and Save, Edit or Delete must not act on it unseen.
    if (m_bComplex && !m_pmFilter->IsTextRow())
        EndCurrentSearch();
    ShowSearchName();
}

void frmList::MarkSearchUnchanged()
{
    // The conditions the pane writes for the search as it was loaded, chosen or saved.
    m_strSearchWhere = m_pmFilter->WhereText();
    m_strSearchInvalidValue = m_pmFilter->InvalidValue();
    ShowSearchName();
}

bool frmList::SearchChanged() const
{
    // A row whose value the pane refuses gives no condition, yet is a change.
    return m_pmFilter->WhereText() != m_strSearchWhere || m_pmFilter->InvalidValue() != m_strSearchInvalidValue;
}

void frmList::ShowSearchName()
{
    const QString name = m_pmFilter->Text();
    if (name.isEmpty() || name == QLatin1String("QuickSearch")) {
        m_lblSearchName->clear();
        m_lblSearchName->hide();
        return;
    }
    const QString shown = DisplayName(name);
    if (SearchChanged()) {
        m_lblSearchName->setText(QStringLiteral("Search: ") + shown + QStringLiteral(" (changed)"));
        m_lblSearchName->setToolTip(shown + QStringLiteral(" (changed since it was chosen or saved)"));
    } else {
        m_lblSearchName->setText(QStringLiteral("Search: ") + shown);
        m_lblSearchName->setToolTip(shown);
    }
    m_lblSearchName->show();
    m_lblSearchName->raise();
}

void frmList::PopulateSearchMenu(const QString& strName, bool bRefresh, int32_t lSearchID)
{
    m_mbSearches->Clear();
    for (const MenuCommand& c : kMenuCommands)
        m_mbSearches->AddItem(c.index, QString::fromLatin1(c.key), QString::fromLatin1(c.caption));
    EnableSearchMenuItems();

    const CoLdUVFiltersRef searches = m_oView->Filters();
    bool found = false;
    for (int16_t i = 1; i <= searches->Count(); ++i) {
        const CoLDUVFilterRef search = searches->Item(Variant(int32_t(i)));
        const QString displayName = DisplayName(search->FilterName);
        // By row id the first match is the search; by name the last one wins.
        const bool chosen = lSearchID > 0 ? !found && search->ViewFilterID() == lSearchID
                                          : !strName.isEmpty() && displayName == strName;
        if (chosen) {
            found = true;
            // The criteria as stored, and the name as stored, so that the name
            // finds this search again.
            m_strFilter = search->FilterString;
            m_pmFilter->SetText(search->FilterName);
            m_strInitialFilter = m_strFilter;
            m_bComplex = search->Complex();
            m_lCurrentSearchID = search->ViewFilterID();
        }
        m_mbSearches->AddItem(i + 5, IDToListKey(i), displayName);
    }
    if (bRefresh)
        RefreshList(-1);
}

void frmList::EnableSearchMenuItems()
{
    // Without a saved search to act on (for example after Delete) the commands
    // are those of the unsaved search; another user's shared search can only be
    // saved under a new name.
    const int16_t index = IsQuickSearch() ? 0 : GetCurrentSearchIndex();
    const bool quick = index == 0;
    const bool changeable = !quick && MayChangeSearch(index);
    m_mbSearches->EnableItem(0, QStringLiteral("SAVE"), changeable && !m_bComplex);
    m_mbSearches->EnableItem(1, QStringLiteral("SAVE_AS"), !quick || m_pmFilter->CanSave());
    m_mbSearches->EnableItem(2, QStringLiteral("EDIT"), changeable);
    m_mbSearches->EnableItem(3, QStringLiteral("DELETE"), changeable);
}

bool frmList::MayChangeSearch(int16_t nIndex) const
{
    if (!m_oView || nIndex < 1)
        return false;
    return m_oView->Filters()->Item(Variant(int32_t(nIndex)))->MayBeChangedBy(m_oView->ViewUser);
}

void frmList::FindLastUsedSearch(QString& strName, int32_t& lSearchID)
{
    m_lHiddenLastUsedID = 0;
    const int32_t lastUsed = m_oView->LastUsedFilter;
    if (lastUsed <= 0)
        return;
    const CoLdUVFiltersRef searches = m_oView->Filters();
    for (int16_t i = 1; i <= searches->Count(); ++i) {
        const CoLDUVFilterRef search = searches->Item(Variant(int32_t(i)));
        if (search->ViewFilterID() == lastUsed) {
            strName = search->FilterName;
            lSearchID = lastUsed;
            m_bComplex = search->Complex();
            return;
        }
    }
    // Another user's private search: its criteria come back, its name does not.
    BrandleDatabase& dbi = viewmodel::DBI();
    BrandleRecordsetPtr rs;
    if (dbi.OpenRecordset(QStringLiteral("SELECT FilterString, Complex FROM LdViewFilters WHERE ViewFilterID = ") +
                              QString::number(lastUsed) + QStringLiteral(" AND ViewID = ") +
                              QString::number(m_oView->ViewID()),
                          rs) &&
        rs->HasRecord()) {
        m_strInitialFilter = rs->Item(0).toString();
        m_bComplex = rs->Item(1).toBool();
        m_lHiddenLastUsedID = lastUsed;
    }
    dbi.CloseRecordset(rs);
}

void frmList::SaveLastUsedSearch()
{
    const int16_t position = GetCurrentSearchIndex();
    if (position == 0 && m_lHiddenLastUsedID > 0 && m_lHiddenLastUsedID == m_oView->LastUsedFilter && IsQuickSearch() &&
        !SearchChanged())
        return;
    if (m_oView->LastUsedFilter > 0 || position > 0)
        m_oView->SaveLastUsedFilter(position);
}

bool frmList::IsQuickSearch() const { return m_pmFilter->Text() == QLatin1String("QuickSearch"); }

int16_t frmList::ChosenSearchIndex() const
{
    if (!m_oView || m_lCurrentSearchID <= 0)
        return 0;
    const CoLdUVFiltersRef searches = m_oView->Filters();
    const QString name = m_pmFilter->Text();
    for (int16_t i = 1; i <= searches->Count(); ++i) {
        const CoLDUVFilterRef search = searches->Item(Variant(int32_t(i)));
        if (search->ViewFilterID() == m_lCurrentSearchID)
            return search->FilterName == name ? i : 0;
    }
    return 0;
}

void frmList::mbSearches_DropDown()
{
    if (HasView())
        EnableSearchMenuItems();
}

void frmList::mbSearches_ItemClick(const QString& key)
{
    if (!HasView() || ViewIsGone())
        return;
    ShowMessageFrame(false);
    m_eListView->SetTabStop(true);
    m_strFilter = m_pmFilter->WhereText();
    if (key == QLatin1String("SAVE"))
        SaveSearch();
    else if (key == QLatin1String("SAVE_AS"))
        SaveSearchAs();
    else if (key == QLatin1String("EDIT"))
        EditSearch();
    else if (key == QLatin1String("DELETE"))
        DeleteSearch();
    else
        ApplySearch(key);
}

void frmList::ApplySearch(const QString& strKey)
{
    QString name;
    if (!strKey.isEmpty()) {
        const CoLDUVFilterRef search = m_oView->Filters()->Item(Variant(ListKeyToID(strKey)));
        m_strFilter = search->FilterString;
        m_bComplex = search->Complex();
        name = search->FilterName;
        m_lCurrentSearchID = search->ViewFilterID();
    } else {
        m_strFilter.clear();
        m_lCurrentSearchID = 0;
    }
    m_lHiddenLastUsedID = 0;
    m_pmFilter->SetText(name);
    m_pmFilter->LoadFilter(m_strFilter, m_bComplex);
    MarkSearchUnchanged();
    RefreshList(-1);
    m_eListView->SelectRowByID(-1);
}

void frmList::RefreshAfterSearchCommand()
{
    RefreshList(-1);
    m_eListView->SelectRowByID(-1);
    PopulateSearchMenu(QString(), true);
}

void frmList::StoreSearch(int16_t nIndex, bool bUpdateFilterColumns)
{
    // The search row and its filter-column rows are stored together or not at all.
    viewmodel::InNamedTransaction(viewmodel::DBI(), kStoreSearchTransaction,
                                  [&] { m_oView->StoreFilter(nIndex, bUpdateFilterColumns); });
}

void frmList::SaveSearch()
{
    const int16_t index = GetCurrentSearchIndex();
    if (!MayChangeSearch(index))
        return;
    const CoLDUVFilterRef search = m_oView->Filters()->Item(Variant(int32_t(index)));
    const QString previous = search->FilterString;
    search->FilterString = m_strFilter;
    try {
        StoreSearch(index, true);
    } catch (...) {
        search->FilterString = previous;
        throw;
    }
    MarkSearchUnchanged();
    RefreshAfterSearchCommand();
}

void frmList::SaveSearchAs()
{
    const int16_t index = GetCurrentSearchIndex();
    NameDialog dialog;
    dialog->Init(m_pmFilter->Text(), m_strFilter, m_oView, QStringLiteral("Save Search As"), false, index, 1,
                 ListFrom());
    dialog->SetCaption(QStringLiteral("New Search"));
    if (!dialog.ShowModalOK())
        return;

    const CoLdUVFiltersRef searches = m_oView->Filters();
    const CoLDUVFilterRef search = searches->Create();
    const QString name = dialog->txtName()->text();
    search->FilterName = name;
    const bool complex = dialog->chkComplex()->isChecked();
    search->SetComplex(complex);
    if (complex)
        m_strFilter = dialog->FilterString();
    search->FilterString = m_strFilter;
    search->CreatorID = m_oView->ViewUser;
    search->bShared = dialog->chkShare()->isChecked();

    searches->Add(search);
    const int16_t position = searches->Count();
    try {
        StoreSearch(position, true);
    } catch (...) {
        // A search that was not stored is not listed.
        searches->Remove(Variant(int32_t(position)));
        throw;
    }
    if (complex)
        m_pmFilter->LoadFilter(m_strFilter, true);
    m_bComplex = complex;
    m_pmFilter->SetText(name);
    m_lCurrentSearchID = search->ViewFilterID();
    m_lHiddenLastUsedID = 0;
    MarkSearchUnchanged();
    RefreshAfterSearchCommand();
}

void frmList::EditSearch()
{
    const int16_t index = GetCurrentSearchIndex();
    if (!MayChangeSearch(index))
        return;
    const CoLDUVFilterRef search = m_oView->Filters()->Item(Variant(int32_t(index)));
    NameDialog dialog;
    dialog->Init(m_pmFilter->Text(), m_strFilter, m_oView, QStringLiteral("Edit Search"), search->bShared, index, 4,
                 ListFrom());
    dialog->txtName()->setText(m_pmFilter->Text());
    dialog->SetCaption(QStringLiteral("Edit Search"));
    if (!dialog.ShowModalOK())
        return;

    const CoLDUVFilter previous = *search;
    const QString previousFilter = m_strFilter;
    const QString storedName = QString(dialog->txtName()->text()).replace(QLatin1Char('\''), QLatin1Char('~'));
    search->FilterName = storedName;
    search->FilterString = dialog->FilterString();
    m_strFilter = search->FilterString;
    search->bShared = dialog->chkShare()->isChecked();
    search->SetComplex(dialog->Complex());
    try {
        StoreSearch(index, false);
    } catch (...) {
        *search = previous;
        m_strFilter = previousFilter;
        throw;
    }
    // The name as stored, as choosing the search from the menu gives it, so that
    // the edited search stays the current one.
    m_pmFilter->SetText(storedName);
    m_pmFilter->LoadFilter(m_strFilter, dialog->Complex());
    MarkSearchUnchanged();
    RefreshAfterSearchCommand();
}

void frmList::DeleteSearch()
{
    const int16_t index = GetCurrentSearchIndex();
    if (!MayChangeSearch(index))
        return;
    const QString prompt = QStringLiteral("Are you sure you would like to delete the following search?\r\n\r\n  -  ") +
                           m_pmFilter->Text() + QStringLiteral("\r\n");
    if (MsgBox(prompt, vbExclamation + vbYesNo, QStringLiteral("Attention Required")) == vbNo)
        return;
    viewmodel::InNamedTransaction(viewmodel::DBI(), kStoreSearchTransaction, [&] { m_oView->DeleteFilter(index); });
    // The pane no longer names the deleted search, and no search of the same name
    // is taken for it.
    m_pmFilter->SetText(QStringLiteral("QuickSearch"));
    m_bComplex = false;
    m_lCurrentSearchID = kDeletedSearch;
    m_strFilter.clear();
    m_eListView->ClearRows();
    m_pmFilter->ClearRows();
    ClearStatistics();
    SetButtonsEnabled(false);
    ShowMessageFrame(true);
    m_lblMessage->setText(QString::fromLatin1(kNoResultsText));
    PopulateSearchMenu(QString(), false);
    m_eListView->SetTabStop(false);
}
