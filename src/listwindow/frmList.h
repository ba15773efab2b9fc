#pragma once
// The list window: one view of the company database as a list, with the filter
// pane above it, the saved-searches button beside the filter, and the statistics
// strip below it. Two views are catalogues of views (LdViews, all views the user
// may see, and LdMyViews, the user's own selection); their windows add a fixed
// restriction to every query and offer the catalogue commands (open, delete,
// add to My Views, auto populate).
//
// The code is spread over several files: frmList.cpp (opening and querying),
// frmListLayout.cpp (layout, toolbar, keys, closing), frmListCatalogue.cpp
// (catalogue commands), frmListCustomize.cpp (New and Customize through the view
// editor), frmListStatistics.cpp (the statistics strip),
// frmListSearches.cpp (the saved-searches menu and the current search's name),
// frmListExport.cpp (the export) and
// frmListLinkedViews.cpp (the context menu and linked views).

#include "listwindow/frmListLayout.h"
#include "platform/forms/FormsRuntime.h"
#include "shell/ToolbarHelper.h"
#include "viewmodel/CoLdUV.h"

#include <QPointer>
#include <QRect>
#include <functional>
#include <cstdint>
#include <memory>
#include <vector>

class AppError;
enum class ColumnKind;
class BackgroundQuery;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolBar;
class eListView;
class ReportListView;
namespace FILTERLib {
class Filter;
class MenuButton;
}  // namespace FILTERLib

class frmList : public Form, public ToolbarOwner {
    Q_OBJECT
public:
    frmList();
    ~frmList() override;

    // Stores the view id, the starting filter, the form the window is opened from
    // and whether the main window opened it; sets the hourglass pointer. The window
    // loads when it is shown.
    void Init(int32_t lViewID, const QString& strFilter = QString(), Form* TypeForm = nullptr, bool bMainView = false);
    // The WHERE clause of the list query for a filter text (empty: the filter pane's).
    QString GetFilterWhere(const QString& strFilter = QString());
    // Runs the list with the filter pane's criteria and refreshes the statistics;
    // selects the row with that id afterwards when it is above 0.
    void RefreshList(int32_t lRowID = -1);
    // Lays the window out again (the toolbar's text labels changed).
    void Resize() override;

    // The settings key prefix of the window's property bag (followed by its caption).
    static constexpr const char* kSettingsPrefix = "Quillon\\";
    static constexpr const char* kNoResultsText = "Search is complete. There are no results to display.";

    // ---- Controls ----
    QToolBar* tbMain() const { return m_tbMain; }
    // A toolbar button by key ("NEW", "OPEN", ..., "SEP1"); nullptr for an unknown key.
    QAction* Button(const QString& key) const;
    eListView* ListView() const { return m_eListView; }
    FILTERLib::Filter* pmFilter() const { return m_pmFilter; }
    FILTERLib::MenuButton* mbSearches() const { return m_mbSearches; }
    ReportListView* lvwStats() const { return m_lvwStats; }
    QPushButton* cmdGo() const { return m_cmdGo; }
    QPushButton* cmdClear() const { return m_cmdClear; }
    QCheckBox* chkAutoPopulate() const { return m_chkAutoPopulate; }
    QFrame* fraMessage() const { return m_fraMessage; }
    QLabel* lblMessage() const { return m_lblMessage; }
    QWidget* picTop() const { return m_picTop; }
    QWidget* picBottom() const { return m_picBottom; }
    QWidget* pSplitter() const { return m_pSplitter; }
    QFrame* fraFilterButtons() const { return m_fraFilterButtons; }
    // The current saved search's name (display form) over the filter rows; hidden
    // while no saved search is current.
    QLabel* lblSearchName() const { return m_lblSearchName; }
    QStatusBar* statusBar() const { return m_statusBar; }

    // ---- State ----
    int32_t ViewID() const { return m_lViewID; }
    const CoLdUVRef& View() const { return m_oView; }
    // The view definition is loaded (every command but closing needs it).
    bool HasView() const { return m_oView && m_oView->ViewID() > 0; }
    const QString& CurrentFilter() const { return m_strFilter; }
    const QString& InitialFilter() const { return m_strInitialFilter; }
    const QString& FixedWhere() const { return m_strFixedWhere; }
    // The FROM clause of the list, the export and the statistics (a catalogue's restricted).
    QString ListFrom() const;
    bool IsComplex() const { return m_bComplex; }
    // The statistics of the last query still wait for its first rows, or their
    // query still runs.
    bool StatisticsPending() const;
    // The statement of the last statistics query started, and how many were started.
    QString StatisticsStatement() const;
    int StatisticsRuns() const { return m_nStatisticsRuns; }
    bool IsAdmin() const { return m_bIsAdmin; }
    bool IsViewsList() const { return m_bViewsList; }
    bool IsMainView() const { return m_bMainView; }
    int32_t RecordCount() const { return m_lRecordCount; }
    ToolbarHelper* TextLabels() const { return m_oToolbarHelper.get(); }
    // The pane heights in twips, as the layout last set them.
    int32_t TopPaneHeight() const { return m_topHeight; }
    int32_t BottomPaneHeight() const { return m_bottomHeight; }
    // The window's outer size in twips (its child-window frame when it has one).
    int32_t WindowHeight() const;
    int32_t WindowWidth() const;
    void SetWindowSize(int32_t widthTwips, int32_t heightTwips);
    int32_t ToolbarHeight() const;

    // ---- Commands and handlers (the toolbar, the keys, the mouse and the tests run them) ----
    void tbMain_ButtonClick(const QString& key);
    // The window's key preview with a VB key code; true when the key was used.
    bool Form_KeyDown(int keyCode, int shift, bool onList);
    void cmdGo_Click();
    void cmdClear_Click();
    void pSplitter_MouseDown();
    void pSplitter_MouseMove(double yTwips);
    void pSplitter_MouseUp();
    void pmFilter_RowCountChanged(int32_t rows);

    // The export (the toolbar's EXPORT) and the statement it runs.
    void ExportList();
    QString ExportStatement() const;

    // Catalogue commands.
    QString GetSecurityObject(int32_t& lViewID);
    bool IsInMyViews(int32_t lViewID);
    void OpenSelectedView();
    void DeleteSelectedView();
    void AddSelectedToMyViews();
    // New and Customize through the view editor (frmListCustomize.cpp).
    void NewView();
    void CustomizeSelectedView();
    // The toolbar's Customize in a window not opened from the main window.
    void CustomizeOpenView();
    void SaveAutoPopulate(int32_t lViewID, bool bAutoPopulate);
    // The text of a viewable column of the selected row: a number is a ColumnID
    // (text as it is), anything else a ColumnName (text trimmed). Not found:
    // nDataType -1 and an empty text.
    void GetSelectedColumnValue(const Variant& vColumn, int16_t& nDataType, QString& strValue);
    QString GetSelectedColumnValue(const QString& columnName);

    // The context menu (frmListLinkedViews.cpp): x and y are pixels within the list.
    void eListView_RightClick(int32_t x, int32_t y);
    // Whether a relation column's constraint holds for the selected row.
    bool EvaluateLinkConstraint(const QString& strFilter, int16_t nFilterTypeID, const QString& strValue,
                                const CoLdUVAssocViewContraintsRef& oConstraints);
    // strValue1 operator strValue2, compared as numbers (1), dates (3) or texts (2, 4).
    static bool CompareValues(const QString& strValue1, const QString& strValue2, const Variant& vOperator,
                              int16_t nDataType);

    // Pieces of the query, for the tests.
    bool SetupFilterControl(const QString& strFilter, bool bComplex);
    QString ExpandColumnReferences(const QString& text) const;
    bool UsesExtendedFrom() const;
    int16_t GetCurrentSearchIndex() const;
    void RefreshStatistics(bool bUsesExtendedFrom, const QString& strWhere);
    // The statistics of the query just started: the strip is rebuilt at once, its
    // query runs once the list's first rows are shown (or its load ends without
    // them), so that the aggregate over the whole filter never holds back the first
    // screen. A newer query's statistics replace those still waiting or running.
    void ScheduleStatistics(bool bUsesExtendedFrom, const QString& strWhere);

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // frmList.cpp
    void CreateControls();
    void LoadList();
    bool LoadViewDefinition();
    void SetListSQL();
    void SetCaption();
    static void BubbleSortSwap(int32_t& a, int32_t& b);
    void RemoveEmptyLikePatterns(QString& text) const;
    int32_t GetSelectedID() const;
    void ShowNonRefreshedListMessage();
    void chkAutoPopulate_Click();
    void eListView_LoadComplete(int32_t recordCount);
    void RunPendingStatistics();
    // frmListStatistics.cpp: the strip's own connection and the query on it.
    void OpenStatisticsConnection();
    void CancelStatistics();
    void ClearStatistics();
    void CloseStatisticsConnection();
    void ShowStatistics(const std::vector<ColumnKind>& kinds, const std::vector<Variant>& values, bool hasRow);
    void ReportStatisticsFailure(const AppError& e, const QString& searchName, bool namedFilter);
    void eListView_DblClick();
    void ShowMessageFrame(bool visible);
    // A filter's conditions in parentheses, then the restriction if given (the
    // catalogue restriction when it cannot go into the FROM clause).
    static QString CombineWithRestriction(const QString& filter, const QString& restriction);
    // The WHERE clause of a filter (column tokens expanded) with the catalogue restriction.
    QString RestrictedWhere(const QString& filter) const;
    // GetFilterWhere; False (the refusal shown, the list emptied) when the search was refused.
    bool FilterWhereOrRefuse(const QString& strFilter, QString& where);
    // A search that does not run: the list and the strip emptied, the hint shown, then the message.
    void RefuseSearch(const QString& message);
    void RunHandler(const char* procedure, const std::function<void()>& f);
    // The window's view has been deleted (by this program's All Views or another
    // program on the company): says so once and closes the window. Every command
    // that reads or writes the view asks first.
    bool ViewIsGone();

    // frmListLayout.cpp
    void CreateToolbar();
    void Form_Resize();
    void ApplyPaneHeights(int32_t top, int32_t bottom);
    void PlaceChildren();
    void picTop_Resize();
    void FitFilterButtons();
    void picBottom_Resize();
    // The strip's height in pixels at that width.
    int StatisticsStripHeight(int widthPixels) const;
    QWidget* Container() const { return ContainerOf(this); }
    // The window's frame as a child window of the main window, else the widget itself.
    static QWidget* ContainerOf(const QWidget* form);
    bool IsMaximizedWindow() const;
    bool IsMinimizedWindow() const;
    void ApplyCascade();
    // The size of a window that does not cascade from another, once it is framed.
    void ApplyFirstSize();
    bool ButtonVisible(const char* key) const;
    void SetButtonsEnabled(bool hasRecords);
    void SetNewEnabled();

    // frmListSearches.cpp: the saved-searches menu.
    // Rebuilds the menu; selects the search with the row id lSearchID when it is
    // above 0, else the (last) one whose display name is strName; runs the list
    // when bRefresh is true.
    void PopulateSearchMenu(const QString& strName, bool bRefresh, int32_t lSearchID = 0);
    void EnableSearchMenuItems();
    bool IsQuickSearch() const;
    void ConnectSearchMenu();
    // The position of the search the window made current, when the filter pane
    // still names it; 0 otherwise.
    int16_t ChosenSearchIndex() const;
    void ApplySearch(const QString& strKey);
    void mbSearches_DropDown();
    void mbSearches_ItemClick(const QString& key);
    void SaveSearch();
    void SaveSearchAs();
    void EditSearch();
    void DeleteSearch();
    // The search at that position may be saved over, edited or deleted by the
    // user: its creator, or admin; another user's shared search may only be used
    // and saved under a new name.
    bool MayChangeSearch(int16_t nIndex) const;
    // The view's last used search (one per view, for every user), by its row id:
    // its id and name when the user may see it; otherwise only its criteria, made
    // the initial filter of the window, unnamed.
    void FindLastUsedSearch(QString& strName, int32_t& lSearchID);
    // Records the current search as the view's last used search as the window
    // closes; a last used search the user may not see stays while the pane still
    // holds its criteria unchanged.
    void SaveLastUsedSearch();
    void RefreshAfterSearchCommand();
    void StoreSearch(int16_t nIndex, bool bUpdateFilterColumns);
    // The current search's name over the rows, "(changed)" after it when SearchChanged.
    void ShowSearchName();
    // The pane's rows are now the current search's as chosen or saved.
    void MarkSearchUnchanged();
    // The rows no longer write what they wrote at MarkSearchUnchanged.
    bool SearchChanged() const;
    // No saved search is current any more (Clear, or the pane's rows are no longer
    // the complex search's): Save, Edit and Delete have nothing to act on.
    void EndCurrentSearch();
    void pmFilter_RowsEdited();

    // frmListCatalogue.cpp
    void ShowListWindow(frmList* window);
    // The view of the catalogue's selected row has been deleted since the list ran
    // (by another program on the company): says so and runs the list again.
    bool SelectedViewIsGone(int32_t lViewID);
    // Closes the other list windows of a view this window deleted.
    static void CloseWindowsOfView(int32_t lViewID);

    // frmListExport.cpp
    QString ExportWhere() const;
    // Hands the list control the WHERE text and extended-FROM flag of a query,
    // and keeps both for the export of that query.
    void SetListFilter(const QString& where, bool usesExtendedFrom);

    // frmListLinkedViews.cpp
    void ConnectContextMenu();
    void ShowCatalogueMenu(int32_t x, int32_t y);
    void ShowLinkedViewsMenu(int32_t x, int32_t y);
    bool IsLinkOffered(CoLdUVAssocView& link);
    // The names of the link's relation columns this view does not show: the row's
    // values of those cannot be read, so the link cannot open.
    QStringList HiddenRelationColumns(const CoLdUVAssocView& link);
    void OpenLinkedView(CoLdUVAssocView& link);

    bool m_bSplitterDrag = false;
    bool m_bResizingTop = false;
    std::unique_ptr<ToolbarHelper> m_oToolbarHelper;
    int32_t m_lViewID = 0;
    QString m_strFilter;
    QString m_strInitialFilter;
    bool m_bComplex = false;
    QString m_strFixedWhere;
    // A catalogue's FROM clause as a derived table of the rows the restriction lets
    // through, so that a filter only ever sees those; "" when not a catalogue.
    QString m_strRestrictedFrom;
    bool m_bIsAdmin = false;
    QPointer<Form> m_frmOwner;
    CoLdUVRef m_oView;
    int32_t m_lRecordCount = 0;
    QString m_strQueryWhere;                // the WHERE text of the last query
    bool m_bQueryUsesExtendedFrom = false;  // and its extended-FROM flag
    bool m_bExporting = false;              // one export of the window at a time
    bool m_bViewsList = false;
    bool m_bViewGone = false;  // the view was found deleted: nothing more is written for it
    bool m_bMainView = false;
    bool m_bLoading = false;
    // frmListStatistics.cpp: statistics waiting for the first rows of the list.
    bool m_bStatisticsPending = false;
    uint32_t m_nStatisticsGeneration = 0;
    bool m_bFirstRowsShown = false;  // of the query the statistics wait for
    bool m_bDeferStatistics = false;  // the strip's query waits for the first rows
    // The statement of the strip as built, waiting to run, with what its values and failure need.
    QString m_strStatisticsSql;
    std::vector<ColumnKind> m_statisticsKinds;
    QString m_strStatisticsSearch;
    bool m_bStatisticsNamedFilter = false;
    std::unique_ptr<BackgroundQuery> m_statisticsQuery;  // open from the load to the unload
    int m_nStatisticsRuns = 0;
    // frmListSearches.cpp: the row id of the search the window made current; 0 for
    // none chosen (the filter pane's name decides), kDeletedSearch after Delete (no
    // other search of the deleted one's name is taken for it).
    static constexpr int32_t kDeletedSearch = -1;
    int32_t m_lCurrentSearchID = 0;
    // The row id of a last used search the user may not see, while the pane holds
    // its criteria as they came back; 0 otherwise.
    int32_t m_lHiddenLastUsedID = 0;
    // What the rows wrote (conditions and refused value) when the search became current.
    QString m_strSearchWhere;
    QString m_strSearchInvalidValue;

    // The pane heights (twips) and a cascade position waiting for the window's frame.
    int32_t m_topHeight = listlayout::kMinTopPane;
    int32_t m_bottomHeight = listlayout::kMinBottomPane;
    // The filter pane's height its rows or the splitter last asked for (PanesOnResize).
    int32_t m_wantedTopHeight = listlayout::kMinTopPane;
    bool m_cascadePending = false;
    bool m_firstSizePending = false;
    bool m_firstShown = false;
    QRect m_cascade;  // twips; height -1 keeps the window's own
    bool m_inResize = false;
    bool m_inBottomLayout = false;

    QToolBar* m_tbMain = nullptr;
    QWidget* m_picTop = nullptr;
    QFrame* m_fraFilterButtons = nullptr;
    QLabel* m_lblSearchName = nullptr;
    FILTERLib::Filter* m_pmFilter = nullptr;
    QPushButton* m_cmdGo = nullptr;
    QPushButton* m_cmdClear = nullptr;
    FILTERLib::MenuButton* m_mbSearches = nullptr;
    QWidget* m_pSplitter = nullptr;
    QWidget* m_picBottom = nullptr;
    eListView* m_eListView = nullptr;
    QFrame* m_fraMessage = nullptr;
    QLabel* m_lblMessage = nullptr;
    ReportListView* m_lvwStats = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QCheckBox* m_chkAutoPopulate = nullptr;
};

// Makes the main window's My Views and All Views commands open list windows.
void RegisterListWindows();
// Opens a list window for a view as the main window's commands do: a new window
// each time, a child window of the main window when it is loaded.
frmList* OpenListWindow(int32_t lViewID, const QString& strFilter, Form* owner, bool bMainView);
