// Opening and querying a view: Init, the load, the view definition, the filter
// pane, the WHERE clause, running the list, Go and Clear, and the load event.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "base/SqlLex.h"
#include "core/AuProperties.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/MachineSettings.h"
#include "core/SessionValues.h"
#include "listwindow/ListColumnKinds.h"
#include "platform/controls/BackgroundQuery.h"
#include "platform/controls/ColumnFormat.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eListView.h"
#include "shell/frmMDIFrame.h"
#include "viewmodel/GetView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QTreeView>
#include <QLabel>
#include <QTimer>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

const QString kViewsCatalogue = QStringLiteral("LdViews");
const QString kMyViewsCatalogue = QStringLiteral("LdMyViews");

bool TextStartsWithWhere(const QString& text, qsizetype& afterWhere)
{
    // The first word, after blanks and comments, as the database reads the text.
    for (const SqlLexToken& t : SqlLex(text)) {
        if (!t.significant())
            continue;
        if (t.kind != SqlLexKind::Word || QStringView(text).mid(t.begin, t.length).compare(QLatin1String("WHERE"),
                                                                                          Qt::CaseInsensitive) != 0)
            return false;
        afterWhere = t.end();
        return true;
    }
    return false;
}

// "FROM source [[AS] alias]" as a derived table of the source's rows that pass the
// restriction, under the name the select list uses; "" for any other FROM clause.
QString RestrictedFrom(const QString& from, const QString& restriction)
{
    std::vector<SqlLexToken> sig;
    for (const SqlLexToken& t : SqlLex(from))
        if (t.significant())
            sig.push_back(t);
    auto text = [&](size_t k) { return SqlLexText(from, sig[k]); };
    auto isName = [&](size_t k) {
        return k < sig.size() && (sig[k].kind == SqlLexKind::Word || sig[k].kind == SqlLexKind::Name);
    };
    if (sig.size() < 2 || sig[0].kind != SqlLexKind::Word ||
        text(0).compare(QLatin1String("FROM"), Qt::CaseInsensitive) != 0 || !isName(1))
        return QString();
    size_t k = 1;
    while (k + 2 < sig.size() + 0 && text(k + 1) == QLatin1String(".") && isName(k + 2))
        k += 2;
    const QString source = from.mid(sig[1].begin, sig[k].end() - sig[1].begin);
    QString alias = text(k);
    ++k;
    if (k < sig.size() && text(k).compare(QLatin1String("AS"), Qt::CaseInsensitive) == 0)
        ++k;
    if (k < sig.size()) {
        if (!isName(k) || k + 1 != sig.size())
            return QString();
        alias = text(k);
    }
    return QStringLiteral("FROM (SELECT * FROM ") + source + QStringLiteral(" WHERE") + restriction +
           QStringLiteral(") AS ") + alias;
}

}  // namespace

frmList::frmList() : Form(QStringLiteral("frmList"))
{
    CreateControls();
    // The window sees key presses before its controls do.
    qApp->installEventFilter(this);
}

frmList::~frmList()
{
    if (m_oToolbarHelper) {
        try {
            m_oToolbarHelper->Dispose();
        } catch (...) {
        }
    }
}

void frmList::RunHandler(const char* procedure, const std::function<void()>& f)
{
    RunEventHandler("frmList", procedure, f);
}

void frmList::CreateControls()
{
    resize(900, 600);
    CreateToolbar();

    m_picTop = new QWidget(this);
    m_picTop->setObjectName(QStringLiteral("picTop"));
    m_pmFilter = new FILTERLib::Filter(m_picTop);
    m_pmFilter->setObjectName(QStringLiteral("pmFilter"));
    m_lblSearchName = new QLabel(m_picTop);
    m_lblSearchName->setObjectName(QStringLiteral("lblSearchName"));
    m_lblSearchName->hide();
    m_fraFilterButtons = new QFrame(m_picTop);
    m_fraFilterButtons->setObjectName(QStringLiteral("fraFilterButtons"));
    m_fraFilterButtons->resize(TwipsToPixelsX(1200), TwipsToPixelsY(1020));
    auto* buttons = new QVBoxLayout(m_fraFilterButtons);
    buttons->setContentsMargins(0, TwipsToPixelsY(90), 0, 0);
    buttons->setSpacing(TwipsToPixelsY(45));
    m_cmdGo = new QPushButton(QStringLiteral("&Go"), m_fraFilterButtons);
    m_cmdGo->setObjectName(QStringLiteral("cmdGo"));
    m_cmdGo->setToolTip(QStringLiteral("Begin search"));
    m_cmdClear = new QPushButton(QStringLiteral("C&lear"), m_fraFilterButtons);
    m_cmdClear->setObjectName(QStringLiteral("cmdClear"));
    m_cmdClear->setToolTip(QStringLiteral("Clear all search rows"));
    m_mbSearches = new FILTERLib::MenuButton(m_fraFilterButtons);
    m_mbSearches->setObjectName(QStringLiteral("mbSearches"));
    m_mbSearches->setText(QStringLiteral("&Searches"));
    m_mbSearches->setToolTip(QStringLiteral("Searches and Search Management"));
    m_mbSearches->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    buttons->addWidget(m_cmdGo);
    buttons->addWidget(m_cmdClear);
    buttons->addWidget(m_mbSearches);
    buttons->addStretch(1);

    m_pSplitter = new QWidget(this);
    m_pSplitter->setObjectName(QStringLiteral("pSplitter"));

    m_picBottom = new QWidget(this);
    m_picBottom->setObjectName(QStringLiteral("picBottom"));
    m_eListView = new eListView(m_picBottom);
    m_eListView->setObjectName(QStringLiteral("eListView"));
    m_fraMessage = new QFrame(m_picBottom);
    m_fraMessage->setObjectName(QStringLiteral("fraMessage"));
    m_fraMessage->setFrameShape(QFrame::StyledPanel);
    m_fraMessage->setAutoFillBackground(true);
    m_lblMessage = new QLabel(QString::fromLatin1(kNoResultsText), m_fraMessage);
    m_lblMessage->setObjectName(QStringLiteral("lblMessage"));
    m_lblMessage->setAlignment(Qt::AlignCenter);
    m_lblMessage->setWordWrap(true);
    m_fraMessage->hide();
    m_lvwStats = new ReportListView(m_picBottom);
    m_lvwStats->setObjectName(QStringLiteral("lvwStats"));
    m_lvwStats->resize(m_lvwStats->width(), TwipsToPixelsY(listlayout::kStatisticsStripHeight));
    m_lvwStats->SetFullRowSelect(true);
    m_lvwStats->SetGridLines(true);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);
    m_chkAutoPopulate = new QCheckBox(QStringLiteral("Auto Populate"), this);
    m_chkAutoPopulate->setObjectName(QStringLiteral("chkAutoPopulate"));
    m_chkAutoPopulate->adjustSize();

    m_picTop->installEventFilter(this);
    m_picBottom->installEventFilter(this);
    m_pSplitter->installEventFilter(this);
    m_pSplitter->setCursor(Qt::SplitVCursor);

    connect(m_cmdGo, &QPushButton::clicked, this, [this] { RunHandler("cmdGo_Click", [this] { cmdGo_Click(); }); });
    connect(m_cmdClear, &QPushButton::clicked, this,
            [this] { RunHandler("cmdClear_Click", [this] { cmdClear_Click(); }); });
    connect(m_chkAutoPopulate, &QCheckBox::clicked, this,
            [this] { RunHandler("chkAutoPopulate_Click", [this] { chkAutoPopulate_Click(); }); });
    // The statistics wait until the first rows have been painted: the timer runs
    // after the repaint the new rows asked for.
    connect(m_eListView, &eListView::FirstRowsShown, this, [this] {
        m_bFirstRowsShown = true;
        if (!m_bStatisticsPending)
            return;
        // Those of a later query wait for that query's own rows.
        const uint32_t generation = m_nStatisticsGeneration;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_nStatisticsGeneration)
                RunHandler("eListView_FirstRowsShown", [this] { RunPendingStatistics(); });
        });
    });
    connect(m_eListView, &eListView::LoadComplete, this, [this](int32_t count) {
        RunHandler("eListView_LoadComplete", [this, count] { eListView_LoadComplete(count); });
    });
    connect(m_eListView, &eListView::DblClick, this,
            [this] { RunHandler("eListView_DblClick", [this] { eListView_DblClick(); }); });
    connect(m_pmFilter, &FILTERLib::Filter::RowCountChanged, this, [this](int32_t rows) {
        RunHandler("pmFilter_RowCountChanged", [this, rows] { pmFilter_RowCountChanged(rows); });
    });
    connect(m_pmFilter, &FILTERLib::Filter::TextChanged, this,
            [this] { RunHandler("pmFilter_TextChanged", [this] { ShowSearchName(); }); });
    connect(m_pmFilter, &FILTERLib::Filter::RowsEdited, this,
            [this] { RunHandler("pmFilter_RowsEdited", [this] { pmFilter_RowsEdited(); }); });
    // Enter in a value runs the search, as Go does.
    connect(m_pmFilter, &FILTERLib::Filter::EnterPressed, this,
            [this] { RunHandler("cmdGo_Click", [this] { cmdGo_Click(); }); });
    ConnectSearchMenu();
    ConnectContextMenu();
    // The strip grows to show its row whole when its columns need a scroll bar.
    QHeaderView* statsHeader = m_lvwStats->Tree()->header();
    const auto relayoutStrip = [this] { RunHandler("picBottom_Resize", [this] { picBottom_Resize(); }); };
    connect(statsHeader, &QHeaderView::sectionCountChanged, this, relayoutStrip, Qt::QueuedConnection);
    connect(statsHeader, &QHeaderView::sectionResized, this, relayoutStrip, Qt::QueuedConnection);
    connect(m_lvwStats->Tree()->model(), &QAbstractItemModel::rowsInserted, this, relayoutStrip, Qt::QueuedConnection);

    PlaceChildren();
}

// ---------------------------------------------------------------- Init and load

void frmList::Init(int32_t lViewID, const QString& strFilter, Form* TypeForm, bool bMainView)
{
    SetScreenMousePointer(vbHourglass);
    m_lViewID = lViewID;
    m_strInitialFilter = strFilter;
    m_frmOwner = TypeForm;
    m_bMainView = bMainView;
}

void frmList::Form_Load()
{
    m_bLoading = true;
    frmMDIFrame* main = frmMDIFrame::Instance();
    setWindowIcon(main->windowIcon());

    const QString user = GetCurrentUserID();
    if (user.toLower() == QLatin1String("admin")) {
        m_bIsAdmin = true;
    } else {
        const Variant count = SessionEngine().DBI().DLookup(
            QStringLiteral("COUNT(*)"), QStringLiteral("CoUserGroups"),
            QStringLiteral("GroupID = 'admins' AND UserID = ") + QuoteSQLString(user));
        m_bIsAdmin = !count.isNull() && !count.isEmpty() && count.toDouble() > 0;
    }

    const ImageList& images = main->imgListToolbar();
    for (const char* key : {"NEW", "OPEN", "CUSTOMIZE", "DELETE", "REFRESH", "CLOSE", "EXPORT"})
        Button(QString::fromLatin1(key))->setIcon(QIcon(images.ListImage(QString::fromLatin1(key))));
    Button(QStringLiteral("ADD"))->setIcon(QIcon(images.ListImage(QStringLiteral("ADD_VIEW"))));

    // Nothing is listed yet: the commands on listed rows wait for some.
    SetButtonsEnabled(false);

    if (m_lViewID < 1) {
        Unload(this);
        return;
    }

    if (m_frmOwner && IsFormLoaded(m_frmOwner)) {
        QWidget* ownerBox = ContainerOf(m_frmOwner.data());
        if (!ownerBox->isMaximized()) {
            const int tx = TwipsPerPixelX();
            const int ty = TwipsPerPixelY();
            const int ownerHeight = ownerBox->height() * ty;
            m_cascade = QRect(ownerBox->x() * tx + listlayout::kCascadeLeft, ownerBox->y() * ty + listlayout::kCascadeTop,
                              ownerBox->width() * tx, ownerHeight > 1000 ? ownerHeight - listlayout::kCascadeTop : -1);
            m_cascadePending = true;
            ApplyCascade();
        }
    }
    m_firstSizePending = !m_cascadePending;

    try {
        LoadList();
    } catch (...) {
        // The window does not stay (the error goes to the code that opened it), and
        // what it had of the view goes with it: no handler may act on half of it.
        m_eListView->ClearRows();
        m_oView.reset();
        SetScreenMousePointer(vbDefault);
        throw;
    }
    if (!IsLoaded())
        return;

    if (m_bMainView && m_oView->ViewName == kMyViewsCatalogue)
        Button(QStringLiteral("ADD"))->setVisible(false);
    if (!m_bMainView)
        for (const char* key : {"SEP1", "NEW", "DELETE", "OPEN", "ADD"})
            Button(QString::fromLatin1(key))->setVisible(false);
    SetNewEnabled();

    AuProperties bag;
    bag.Add(QStringLiteral("ToolbarShowText"), int16_t(1));
    LoadMachineSettings(QString::fromLatin1(kSettingsPrefix) + MachineSettingsKeyName(Caption()), bag);
    const Variant shown = bag.Item(QStringLiteral("ToolbarShowText"))->Value();
    m_oToolbarHelper = std::make_unique<ToolbarHelper>();
    m_oToolbarHelper->Init(this, m_tbMain, shown.isNumber() && shown.toDouble() == 1.0);

    m_bLoading = false;
}

void frmList::LoadList()
{
    m_eListView->Connect(g_sServer, QString::fromLatin1(kApplicationLogin),
                         SessionEngine().EnvironmentSettings().SqlPassword(), g_sDatabase);
    m_eListView->Configure(300);
    OpenStatisticsConnection();
    // The searches go to the session's server, in the date literals it reads.
    m_pmFilter->SetDateForm(SessionEngine().DBI().DateForm());

    if (!LoadViewDefinition()) {
        // The view no longer exists: the window closes as for a view id below 1.
        Unload(this);
        return;
    }

    QString searchName;
    int32_t searchID = 0;
    m_lCurrentSearchID = 0;
    if (m_strInitialFilter.isEmpty())
        FindLastUsedSearch(searchName, searchID);

    m_chkAutoPopulate->setChecked(m_oView->AutoPopulate);

    // The last used search is selected by its row id: names can repeat, and a
    // stored name may hold "~" where its display form has an apostrophe.
    PopulateSearchMenu(searchName, false, searchID);
    EnableSearchMenuItems();

    const bool usesExtendedFrom = SetupFilterControl(m_strInitialFilter, m_bComplex);
    if (!searchName.isEmpty())
        m_pmFilter->SetText(searchName);
    MarkSearchUnchanged();

    // A search the pane read into rows runs as its rows write it, as it does when
    // it is chosen from the menu (its dates in this server's form); a text the pane
    // keeps whole, or one whose rows refuse a value, runs as it stands.
    const bool asRows = !m_pmFilter->IsTextRow() && m_pmFilter->InvalidValue().isEmpty();
    QString where;
    if (!FilterWhereOrRefuse(asRows ? QString() : m_strInitialFilter, where))
        return;
    SetListFilter(where, usesExtendedFrom);

    if (m_oView->AutoPopulate || !m_strInitialFilter.isEmpty()) {
        m_eListView->RunQuery();
        ScheduleStatistics(usesExtendedFrom, where);
    } else {
        ShowNonRefreshedListMessage();
        SetScreenMousePointer(vbDefault);
    }
}

bool frmList::LoadViewDefinition()
{
    m_oView.reset();
    m_oView = GetView(m_lViewID, 0);
    if (!m_oView || m_oView->ViewID() < 1)
        return false;

    const QString user = GetCurrentUserID();
    m_strFixedWhere.clear();
    if (m_oView->ViewName == kViewsCatalogue) {
        m_bViewsList = true;
        m_strFixedWhere = QStringLiteral(" (v_Shared = 1 OR (v_CreatorID = ") + QuoteSQLString(user) +
                          QStringLiteral(" OR v_CreatorID IS NULL)) ");
        m_chkAutoPopulate->setVisible(false);
    } else if (m_oView->ViewName == kMyViewsCatalogue) {
        m_bViewsList = true;
        m_strFixedWhere = QStringLiteral(" (ViewUser = ") + QuoteSQLString(user) + QStringLiteral(" AND IsMyView = 1)");
        m_chkAutoPopulate->setVisible(false);
    } else {
        m_bViewsList = false;
        m_chkAutoPopulate->setVisible(true);
    }
    m_strRestrictedFrom.clear();
    if (!m_strFixedWhere.isEmpty())
        m_strRestrictedFrom = RestrictedFrom(m_oView->SQLFrom, m_strFixedWhere);
    SetCaption();
    SetListSQL();
    return true;
}

void frmList::SetCaption() { Form::SetCaption(m_oView->DisplayName); }

void frmList::SetListSQL()
{
    m_eListView->SetView(m_oView->ViewName, m_oView->SQLSelect, ListFrom(), m_oView->SQLFromEx,
                         m_oView->ColumnString);
    m_eListView->SetColumnKinds(ViewableColumnKinds(m_oView));
}

QString frmList::ListFrom() const
{
    return m_strRestrictedFrom.isEmpty() ? m_oView->SQLFrom : m_strRestrictedFrom;
}

// ---------------------------------------------------------------- the filter pane

void frmList::BubbleSortSwap(int32_t& a, int32_t& b)
{
    Traced("frmList", "BubbleSortSwap", [&] { std::swap(a, b); });
}

bool frmList::SetupFilterControl(const QString& strFilter, bool bComplex)
{
    m_pmFilter->hide();
    m_pmFilter->ClearFields();

    const CoLdUVColumnsRef columns = m_oView->Columns();
    std::vector<int32_t> positions;
    for (int16_t i = 1; i <= columns->Count(); ++i)
        if (columns->Item(Variant(int32_t(i)))->Filterable)
            positions.push_back(i);
    auto filterOrder = [&](int32_t position) { return columns->Item(Variant(position))->FilterOrder; };
    // A stable sort: columns of equal FilterOrder keep their column order.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (size_t i = 1; i < positions.size(); ++i) {
            if (filterOrder(positions[i]) < filterOrder(positions[i - 1])) {
                BubbleSortSwap(positions[i - 1], positions[i]);
                swapped = true;
            }
        }
    }

    bool usesExtendedFrom = false;
    const QString rowIdSql = ViewRowIdSql(*m_oView);
    for (int32_t position : positions) {
        const CoLdUVColumnRef column = columns->Item(Variant(position));
        const QString token = MakeColumnToken(Variant(column->ColumnName));
        m_pmFilter->AddField(column->DisplayName, token, Variant(column->FilterDataType),
                             Variant(int16_t(column->UseExtendedFrom ? -1 : 0)));
        // A number of a saved search shows as the list shows its column.
        m_pmFilter->SetFieldShownAs(m_pmFilter->FieldCount() - 1, ListColumnKind(*column, rowIdSql));
        if (!strFilter.isEmpty() && column->UseExtendedFrom && strFilter.contains(token, Qt::CaseSensitive))
            usesExtendedFrom = true;
    }
    m_pmFilter->SetLayoutOption(12);
    m_pmFilter->RefreshLayout();
    if (!strFilter.isEmpty()) {
        m_pmFilter->LoadFilter(strFilter, bComplex);
        m_strFilter = strFilter;
        m_bComplex = bComplex;
    }
    m_pmFilter->show();
    // The rows loaded again may no longer be the current search's.
    ShowSearchName();
    return usesExtendedFrom;
}

// ---------------------------------------------------------------- the WHERE clause

QString frmList::GetFilterWhere(const QString& strFilter)
{
    m_strFilter = strFilter.isEmpty() ? m_pmFilter->WhereText() : strFilter;
    if (!m_strFilter.isEmpty())
        RemoveEmptyLikePatterns(m_strFilter);
    return RestrictedWhere(m_strFilter);
}

QString frmList::RestrictedWhere(const QString& filter) const
{
    if (filter.isEmpty()) {
        if (!m_strFixedWhere.isEmpty() && m_strRestrictedFrom.isEmpty())
            return QStringLiteral(" WHERE ") + m_strFixedWhere;
        return QString();
    }
    const QString expanded = ExpandColumnReferences(filter);
    if (m_strFixedWhere.isEmpty())
        return expanded;
    return CombineWithRestriction(expanded, m_strRestrictedFrom.isEmpty() ? m_strFixedWhere : QString());
}

QString frmList::CombineWithRestriction(const QString& filter, const QString& restriction)
{
    // The filter's conditions go in parentheses, the line break ends a comment the
    // filter ends in, an ORDER BY of the filter's own stays at the end. The
    // conditions must close every parenthesis, text and comment they open, so
    // that they cannot reach out of their parentheses (past the restriction, or
    // to a UNION that adds rows).
    qsizetype afterWhere = 0;
    QString conditions = TextStartsWithWhere(filter, afterWhere) ? filter.mid(afterWhere) : filter;
    QString order;
    if (const qsizetype at = OwnOrderByPosition(conditions); at >= 0) {
        order = QStringLiteral("\r\n") + conditions.mid(at);
        conditions.truncate(at);
    }
    if (!SqlIsSelfContained(conditions) || !SqlIsSelfContained(order))
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The search's parentheses, quotes or comments do not close within it: it "
                                      "cannot run on this list."),
                       QStringLiteral("frmList"));
    QString out = QStringLiteral("WHERE (") + conditions + QStringLiteral("\r\n)");
    if (!restriction.isEmpty())
        out += QStringLiteral(" AND") + restriction;
    return out + order;
}

void frmList::RemoveEmptyLikePatterns(QString& text) const
{
    // Only a whole literal '%' or '%%' (a LIKE pattern of an empty value) becomes
    // empty; the characters inside other literals stay as typed.
    QString out;
    qsizetype copied = 0;
    for (const SqlLexToken& t : SqlLex(text)) {
        if (t.kind != SqlLexKind::String || !t.closed)
            continue;
        const qsizetype quote = t.national ? t.begin + 1 : t.begin;
        const QStringView literal = QStringView(text).mid(quote, t.end() - quote);
        if (literal != QLatin1String("'%'") && literal != QLatin1String("'%%'"))
            continue;
        out += QStringView(text).mid(copied, quote - copied);
        out += QLatin1String("''");
        copied = t.end();
    }
    if (copied == 0)
        return;
    out += QStringView(text).mid(copied);
    text = out;
}

QString frmList::ExpandColumnReferences(const QString& text) const
{
    if (text.trimmed().isEmpty() || !m_oView)
        return text;
    // Column tokens become their SQL outside texts and comments only: a value the
    // user typed that looks like a token stays a value, and an apostrophe in a
    // comment or a bracketed name does not end anything.
    const CoLdUVColumnsRef columns = m_oView->Columns();
    QString out;
    qsizetype copied = 0;
    for (const SqlLexToken& t : SqlLex(text)) {
        if (t.kind != SqlLexKind::ColumnToken)
            continue;
        const QString token = SqlLexText(text, t);
        for (const CoLdUVColumnRef& column : *columns) {
            if (!column->Filterable || column->ColumnName.trimmed().isEmpty() ||
                token != MakeColumnToken(Variant(column->ColumnName)))
                continue;
            out += QStringView(text).mid(copied, t.begin - copied);
            out += column->ColumnSQL;
            copied = t.end();
            break;
        }
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

bool frmList::UsesExtendedFrom() const
{
    if (!m_bComplex)
        return m_pmFilter->UsesExtendedFrom();
    if (m_strFilter.isEmpty() || !m_oView)
        return false;
    // The tokens the expansion will replace: outside texts and comments.
    QStringList tokens;
    for (const SqlLexToken& t : SqlLex(m_strFilter))
        if (t.kind == SqlLexKind::ColumnToken)
            tokens << SqlLexText(m_strFilter, t);
    for (const CoLdUVColumnRef& column : *m_oView->Columns())
        if (column->Filterable && column->UseExtendedFrom &&
            tokens.contains(MakeColumnToken(Variant(column->ColumnName))))
            return true;
    return false;
}

// ---------------------------------------------------------------- running the list

bool frmList::FilterWhereOrRefuse(const QString& strFilter, QString& where)
{
    // A search that cannot be combined with the catalogue restriction is refused as
    // a query that failed: its message, and no rows.
    try {
        where = GetFilterWhere(strFilter);
        return true;
    } catch (const AppError& e) {
        RefuseSearch(e.description());
        return false;
    }
}

void frmList::RefuseSearch(const QString& message)
{
    // Nothing is listed: the rows and figures of the previous search would pass for
    // this one's under the changed pane. Its count and statistics still coming are
    // dropped with them, and the commands on its rows go too.
    m_eListView->ClearRows();
    ClearStatistics();
    SetButtonsEnabled(false);
    ShowNonRefreshedListMessage();
    SetScreenMousePointer(vbDefault);
    MsgBox(message, vbExclamation, QStringLiteral("Attention Required"));
    // The user mends the value where it was typed.
    m_pmFilter->FocusInvalidValue();
}

bool frmList::ViewIsGone()
{
    if (m_bViewGone)
        return true;
    if (!HasView() || ViewExists(m_lViewID))
        return false;
    m_bViewGone = true;
    // Nothing of the view is listed any more.
    m_eListView->ClearRows();
    ClearStatistics();
    SetButtonsEnabled(false);
    SetScreenMousePointer(vbDefault);
    MsgBox(ViewGoneMessage(m_oView->DisplayName) + QStringLiteral("\r\n\r\nThis window will be closed."),
           vbExclamation, QStringLiteral("Attention Required"));
    Unload(this);
    return true;
}

void frmList::RefreshList(int32_t lRowID)
{
    // A window whose view did not load, or was deleted since, has nothing to list.
    if (!HasView() || ViewIsGone())
        return;
    // The search that runs (or is refused) is named as the pane now holds it.
    ShowSearchName();
    // A value the filter pane refuses is the user's to mend first: the search
    // would otherwise run without that condition.
    if (const QString problem = m_pmFilter->InvalidValue(); !problem.isEmpty()) {
        RefuseSearch(problem);
        return;
    }
    QString where;
    if (!FilterWhereOrRefuse(QString(), where))
        return;
    const bool usesExtendedFrom = UsesExtendedFrom();
    SetListFilter(where, usesExtendedFrom);
    m_eListView->RunQuery();
    ScheduleStatistics(usesExtendedFrom, where);
    if (lRowID > 0)
        m_eListView->SelectRowByID(lRowID);
}

int32_t frmList::GetSelectedID() const
{
    try {
        return m_eListView->SelectedID();
    } catch (...) {
        return 0;
    }
}

void frmList::cmdGo_Click()
{
    SetScreenMousePointer(vbHourglass);
    ShowMessageFrame(false);
    RefreshList(GetSelectedID());
    SetScreenMousePointer(vbDefault);
}

void frmList::cmdClear_Click()
{
    m_pmFilter->ClearRows();
    EndCurrentSearch();
    SetListFilter(QString(), false);
    m_eListView->ClearRows();
    ClearStatistics();
    SetButtonsEnabled(false);
}

void frmList::eListView_LoadComplete(int32_t recordCount)
{
    // A query that ends without rows to show (or fails) still gets its statistics;
    // one whose count came before its rows waits for them.
    if (recordCount == 0 || m_bFirstRowsShown)
        RunPendingStatistics();
    m_lRecordCount = recordCount;
    ShowMessageFrame(recordCount == 0);
    if (m_lvwStats->ItemCount() > 0 && m_lvwStats->ColumnCount() > 1) {
        m_lvwStats->Item(1)->SetSubItemBusy(1, false);
        m_lvwStats->Item(1)->SetSubItem(1, FormatCount(recordCount));
    }
    SetButtonsEnabled(recordCount > 0);
    SetScreenMousePointer(vbDefault);
}

void frmList::eListView_DblClick() { OpenSelectedView(); }

void frmList::chkAutoPopulate_Click()
{
    if (m_bLoading || !HasView() || ViewIsGone())
        return;
    SaveAutoPopulate(m_lViewID, m_chkAutoPopulate->isChecked());
}

int16_t frmList::GetCurrentSearchIndex() const
{
    if (!m_oView)
        return 0;
    const CoLdUVFiltersRef searches = m_oView->Filters();
    const QString name = m_pmFilter->Text();
    if (m_lCurrentSearchID == kDeletedSearch)
        return 0;
    // Of several searches of that name, the one the window made current.
    if (const int16_t chosen = ChosenSearchIndex(); chosen > 0)
        return chosen;
    for (int16_t i = 1; i <= searches->Count(); ++i)
        if (searches->Item(Variant(int32_t(i)))->FilterName == name)
            return i;
    return 0;
}

void frmList::ShowMessageFrame(bool visible)
{
    m_fraMessage->setVisible(visible);
    if (visible)
        m_fraMessage->raise();
}

void frmList::ShowNonRefreshedListMessage()
{
    Traced("frmList", "ShowNonRefreshedListMessage", [&] {
        ShowMessageFrame(true);
        m_lblMessage->setText(QStringLiteral("Click go or select search criteria to list ") + Caption().toLower() +
                              QStringLiteral("."));
    });
}

// ---------------------------------------------------------------- opening list windows

frmList* OpenListWindow(int32_t lViewID, const QString& strFilter, Form* owner, bool bMainView)
{
    auto* window = new frmList;
    window->Init(lViewID, strFilter, owner, bMainView);
    frmMDIFrame* main = frmMDIFrame::Instance();
    if (main->IsLoaded())
        main->ShowChild(window);
    else
        Show(window);
    return window;
}

void RegisterListWindows()
{
    frmMDIFrame::SetListWindowOpener(
        [](int32_t viewId) { OpenListWindow(viewId, QString(), nullptr, true); });
}
