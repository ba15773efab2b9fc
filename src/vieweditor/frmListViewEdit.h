#pragma once
// The view editor: the modal dialog in which a user makes a new view from an
// existing one ("New View") or customizes a view ("Customize View"). It holds
// its own copy of the view definition, shows its header (name, description,
// sharing, base view, SQL view) above four tabs of two lists each: what the
// view uses (left) and what it could still use (right), for its columns,
// filters, column functions and linked views.
//
// Modal use: the caller creates it and calls Add or Edit, which return when the
// dialog hides (OK, after a successful store) or unloads (Cancel). A dialog
// still loaded afterwards means OK: the caller reads the dirty and new-view
// properties and unloads it.

#include "platform/forms/FormsRuntime.h"
#include "viewmodel/CoLdUV.h"

#include <QIcon>
#include <QMap>
#include <array>
#include <cstdint>
#include <memory>

class CTabExcluded;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class ReportListView;
class ListItem;
class ListSelectHelper;
class ListColumnHeader;
class eLookUp;

class frmListViewEdit : public Form {
    Q_OBJECT
public:
    frmListViewEdit();
    ~frmListViewEdit() override;

    // ---- What the caller reads after OK ----
    bool DirtyColumns() const { return m_bDirtyColumns; }
    bool DirtyFunctions() const { return m_bDirtyFunctions; }
    bool DirtyFilters() const { return m_bDirtyFilters; }
    bool DirtyLinksTo() const { return m_bDirtyLinksTo; }
    // Never set: the editor does not change searches.
    bool DirtySearches() const { return false; }
    bool NewViewCreated() const { return m_bNewViewCreated; }
    int32_t NewViewID() const { return m_lNewViewID; }

    // Opens the dialog for a new view based on lBaseViewID (none when 0 or less);
    // the view's id after OK, else 0.
    int32_t Add(int32_t lBaseViewID, bool& bShared);
    // Opens the dialog to customize a view; its id after OK, else Empty.
    Variant Edit(int32_t lViewID);
    // Fills the four tab lists from the view: columns, filters, functions, links.
    void PopulateAllTabs();
    // Whether the filter columns of the saved search at that 1-based position are
    // all filterable columns of the view; names those missing in a message if not.
    bool AreAllColumnsInFilterList(int16_t ObjIndex);

    // ---- OK (frmListViewEditSave.cpp) ----
    // Checks the header and the view and stores it as the mode asks; True when
    // stored. Leaves the default pointer behind on every path.
    bool SaveView();
    bool ValidateView();
    // Whether the view shows the relation columns of every link it uses; names
    // the links and the columns missing in a message if not.
    bool AreAllLinkColumnsShown();
    bool ValidateSQLViewName();
    // The header texts that will be written fit their columns and hold whole characters.
    bool ValidateHeaderTexts();
    // Whether this save writes the header (name, description, SQL name).
    bool WritesHeader() const;
    // Writes the column and filter orders of the lists and the functions into the model.
    void ApplyListsToModel();
    // Saving a customized view as a new view (Save as new view shown and ticked).
    bool SavingAsNewView() const;

    // ---- State ----
    int16_t Mode() const { return m_nMode; }
    bool Owner() const { return m_bOwner; }
    CoLdUVRef View() const { return m_oView; }
    int32_t LastBaseViewID() const { return m_lLastBaseViewID; }
    bool SQLNameChanged() const { return m_bSQLNameChanged; }
    // The default SQL name of the view's base: "<Base>_<n>" with the first n from
    // the number of the base's views + 1 that no view has as its name. Computed
    // again when bRefresh is set, else the last one.
    QString GetDefaultSQLViewName(bool bRefresh);
    // The order text of a number: two digits at least ("01").
    static QString FormatOrder(int value);

    // ---- Controls ----
    QLabel* lblName() const { return m_lblName; }
    QLineEdit* txtDisplayName() const { return m_txtDisplayName; }
    QLabel* lblViewDisplayName() const { return m_lblViewDisplayName; }
    QLabel* lblReq(int i) const { return m_lblReq[static_cast<size_t>(i)]; }
    QLabel* lblDescription() const { return m_lblDescription; }
    QLineEdit* txtViewDesc() const { return m_txtViewDesc; }
    QLabel* lblViewDesc() const { return m_lblViewDesc; }
    QCheckBox* chkShared() const { return m_chkShared; }
    QLabel* lblBaseViewDesc() const { return m_lblBaseViewDesc; }
    eLookUp* lkupBaseView() const { return m_lkupBaseView; }
    QLabel* lblBase() const { return m_lblBase; }
    QCheckBox* chkSaveAsNewView() const { return m_chkSaveAsNewView; }
    QCheckBox* chkCreateSQLView() const { return m_chkCreateSQLView; }
    QFrame* etchedCreateSQLView() const { return m_etchedCreateSQLView; }
    QLabel* lblSQLViewName() const { return m_lblSQLViewName; }
    QLabel* lblReqSQLViewName() const { return m_lblReqSQLViewName; }
    QLineEdit* txtSQLViewName() const { return m_txtSQLViewName; }
    QLabel* lblSQLViewApplicationCaption() const { return m_lblSQLViewApplicationCaption; }
    QLabel* lblReqSQLViewApplication() const { return m_lblReqSQLViewApplication; }
    eLookUp* lkupSQLViewApplications() const { return m_lkupSQLViewApplications; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    QTabWidget* SSTab1() const { return m_SSTab1; }
    QPlainTextEdit* txtSQL() const { return m_txtSQL; }
    QWidget* TabFrame(int tab) const { return m_TabFrame[static_cast<size_t>(tab)]; }
    ReportListView* lvwList(int tab) const { return m_lvwList[static_cast<size_t>(tab)]; }
    ReportListView* lvwPickList(int tab) const { return m_lvwPickList[static_cast<size_t>(tab)]; }
    QPushButton* cmdQuickAddList(int tab) const { return m_cmdQuickAddList[static_cast<size_t>(tab)]; }
    QPushButton* cmdRemoveList(int tab) const { return m_cmdRemoveList[static_cast<size_t>(tab)]; }
    // Tabs 0 to 2; nullptr on the Links tab.
    QPushButton* cmdMoveListUp(int tab) const { return m_cmdMoveListUp[static_cast<size_t>(tab)]; }
    QPushButton* cmdMoveListDown(int tab) const { return m_cmdMoveListDown[static_cast<size_t>(tab)]; }
    QPushButton* cmdImportNewColumns() const { return m_cmdImportNewColumns; }
    QPushButton* cmdSyncWithColumns() const { return m_cmdSyncWithColumns; }
    // The pictures of the list buttons by key: "UP", "DOWN", "LEFT", "RIGHT".
    QIcon imgArrows(const QString& key) const { return m_imgArrows.value(key); }

    static constexpr int kTabs = 4;  // the tabs with lists; the fifth (" SQL") is switched off

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc is Cancel, Enter OK.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void CreateControls();
    void CreateHeader();
    QWidget* CreateTabFrame(int tab);
    void ConnectEvents();
    void Handle(const char* procedure, const std::function<void()>& f);
    CTabExcluded& TabExcluded();

    // ---- Header (frmListViewEditHeader.cpp) ----
    void LoadViewHeader();
    void lkupBaseView_Changed(int32_t id);
    void chkCreateSQLView_Click();
    void chkSaveAsNewView_Click();
    void txtSQLViewName_Change();
    void cmdCancel_Click();
    void cmdOK_Click();
    void Form_KeyDown(int& keyCode, int shift);
    void Form_KeyUp(int& keyCode, int shift);
    void SetSQLFieldsVisible(bool visible);
    // Import New Columns and Create SQL View follow the user's rights as well as the mode.
    void UpdateRightsStates();
    void ClearAllLists();

    // ---- Tab lists (frmListViewEditLists.cpp) ----
    void SetListHeaders();
    void FillColumnsList();
    void FillFiltersList();
    void FillFunctionsList();
    void FillLinksList();
    void FillPickList(int tab);
    int16_t FindModelItemIndex(int tab, const QString& name) const;
    int16_t GetMaxListOrder(int tab) const;
    QString GetKeyByOrder(int tab, int order) const;
    void MoveListItem(int tab, bool bUp);
    void SortListByColumn(int tab, int column);
    void RenumberListOrder(int tab);
    void UpdateMoveButtons(int tab);
    void UpdateAddRemoveButtons(int tab);
    void cmdQuickAddList_Click(int tab);
    void cmdRemoveList_Click(int tab);
    void cmdSyncWithColumns_Click();
    void SSTab1_Click();
    // After a tab switch by click or Ctrl+Tab: the focus stays on the shown tab.
    void KeepFocusInShownTab();
    void lvwList_MouseUp(int tab, int button, int shift, int x, int y);
    void lvwPickList_MouseUp(int tab, int button, int shift, int x, int y);
    void lvwPickList_ColumnClick(int tab, ListColumnHeader* header);
    // ---- Imported columns (frmListViewEditImport.cpp) ----
    // They change the view's base, so every view built on it.
    void cmdImportNewColumns_Click();
    void ImportNewColumns();
    void DeleteImportedColumn(int32_t columnID);
    void EditImportedColumn(int16_t tab);
    bool AnyListDirty() const;
    // 0 when the SQL name may be stored, 1 when it holds what it may not (or is
    // empty or too long), 2 when another view has it.
    int SQLViewNameFault(const QString& name, bool excludeOwnRow);
    // Asks to save unsaved list changes before a change to the base; False when
    // the user declines or the save fails.
    bool SaveBeforeBaseChange();
    // The other views that show or filter by the column, each after a line break.
    QString OtherViewsUsingColumn(int32_t columnID);
    // The searches of every user on every view of the base that use the column,
    // by their filter-column rows or (copies made by Save as new have none) by the
    // column's token in their text; each after a line break.
    QString SearchesUsingColumn(int32_t columnID, const QString& columnName);
    // Gives the searches of every view of the base the column's new SQL name.
    void RenameColumnInSearches(const QString& oldName, const QString& newName);
    // Asks when other views (or searches that will go) use the column; True to go on.
    bool ConfirmOtherViews(const QString& views, const QString& question, const QString& searches = QString());
    // Runs f in the named transaction; on a failure rolls it back, shows the error
    // and returns False.
    bool InColumnTransaction(const QString& name, const std::function<void()>& f);

    // The view being edited; none until a view or base view is loaded.
    CoLdUVRef m_oView;
    int16_t m_nMode = 0;  // 1 new view, 4 customize
    bool m_bOwner = false;
    int32_t m_lLastBaseViewID = 0;
    bool m_bLoadingHeader = false;
    bool m_bSQLNameChanged = false;
    std::unique_ptr<CTabExcluded> m_oTabExcluded;
    QString m_strDefaultSQLViewName;
    bool m_bDirtyColumns = false;
    bool m_bDirtyFunctions = false;
    bool m_bDirtyFilters = false;
    bool m_bDirtyLinksTo = false;
    bool m_bNewViewCreated = false;
    int32_t m_lNewViewID = 0;
    bool m_bCreateSQLViewHandling = false;
    bool m_bRightsRead = false;
    bool m_bMayImportColumns = false;
    bool m_bMayCreateSQLViews = false;

    QLabel* m_lblName = nullptr;
    QLineEdit* m_txtDisplayName = nullptr;
    QLabel* m_lblViewDisplayName = nullptr;
    std::array<QLabel*, 3> m_lblReq{};
    QLabel* m_lblDescription = nullptr;
    QLineEdit* m_txtViewDesc = nullptr;
    QLabel* m_lblViewDesc = nullptr;
    QCheckBox* m_chkShared = nullptr;
    QLabel* m_lblBaseViewDesc = nullptr;
    eLookUp* m_lkupBaseView = nullptr;
    QLabel* m_lblBase = nullptr;
    QCheckBox* m_chkSaveAsNewView = nullptr;
    QCheckBox* m_chkCreateSQLView = nullptr;
    QFrame* m_etchedCreateSQLView = nullptr;
    QLabel* m_lblSQLViewName = nullptr;
    QLabel* m_lblReqSQLViewName = nullptr;
    QLineEdit* m_txtSQLViewName = nullptr;
    QLabel* m_lblSQLViewApplicationCaption = nullptr;
    QLabel* m_lblReqSQLViewApplication = nullptr;
    eLookUp* m_lkupSQLViewApplications = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QTabWidget* m_SSTab1 = nullptr;
    QPlainTextEdit* m_txtSQL = nullptr;
    std::array<QWidget*, 5> m_TabFrame{};
    std::array<ReportListView*, kTabs> m_lvwList{};
    std::array<ReportListView*, kTabs> m_lvwPickList{};
    std::array<QPushButton*, kTabs> m_cmdQuickAddList{};
    std::array<QPushButton*, kTabs> m_cmdRemoveList{};
    std::array<QPushButton*, kTabs> m_cmdMoveListUp{};
    std::array<QPushButton*, kTabs> m_cmdMoveListDown{};
    QPushButton* m_cmdImportNewColumns = nullptr;
    QPushButton* m_cmdSyncWithColumns = nullptr;
    QMap<QString, QIcon> m_imgArrows;
    // Counts the selected rows of the lists for their buttons.
    ListSelectHelper* m_oListSelect = nullptr;
};
