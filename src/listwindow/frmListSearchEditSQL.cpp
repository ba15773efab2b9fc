#include "listwindow/frmListSearchEditSQL.h"
#include "listwindow/frmList.h"
#include "listwindow/ListColumnKinds.h"

#include "base/AppError.h"
#include "core/CoEnvironmentSettings.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "platform/controls/ColumnFormat.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/eListView.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <exception>

namespace {

// The dialog's geometry in twips.
constexpr int kFormWidth = 9600;
constexpr int kMargin = 120;
constexpr int kStatementTop = 360;
constexpr int kStatementHeight = 1500;
constexpr int kTabTop = 2000;
constexpr int kTabHeight = 5400;
constexpr int kButtonWidth = 1100;
constexpr int kButtonHeight = 375;
constexpr int kFilterTop = 120;
constexpr int kFilterWidth = 7600;
constexpr int kSqlCreateHeight = 3500;  // the generated text and the filter pane share this height

QRect Twips(int left, int top, int width, int height)
{
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}

}  // namespace

frmListSearchEditSQL::frmListSearchEditSQL() : Form(QStringLiteral("frmListSearchEditSQL"))
{
    setWindowFlags(Qt::Dialog);
    setWindowTitle(QStringLiteral("Edit search"));
    const int innerWidth = kFormWidth - 2 * kMargin;
    const int bottomTop = kTabTop + kTabHeight + kMargin;
    setFixedSize(TwipsToPixelsX(kFormWidth), TwipsToPixelsY(bottomTop + kButtonHeight + kMargin));

    m_Label1 = new QLabel(QStringLiteral("SQL search statement"), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setGeometry(Twips(kMargin, kMargin, innerWidth, 240));
    m_txtSQLWhere = new QPlainTextEdit(this);
    m_txtSQLWhere->setObjectName(QStringLiteral("txtSQLWhere"));
    m_txtSQLWhere->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtSQLWhere->setGeometry(Twips(kMargin, kStatementTop, innerWidth, kStatementHeight));

    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName(QStringLiteral("SSTab1"));
    m_SSTab1->setGeometry(Twips(kMargin, kTabTop, innerWidth, kTabHeight));
    const QString tabCaptions[2] = {QStringLiteral("SQL Test "), QStringLiteral("SQL Helper")};
    for (int i = 0; i < 2; ++i) {
        auto* page = new QWidget;
        auto* fill = new QVBoxLayout(page);
        fill->setContentsMargins(0, 0, 0, 0);
        m_fraTabContainer[i] = new QFrame(page);
        m_fraTabContainer[i]->setObjectName(QStringLiteral("fraTabContainer(%1)").arg(i));
        fill->addWidget(m_fraTabContainer[i]);
        m_SSTab1->addTab(page, tabCaptions[i]);
    }
    const int tabInner = innerWidth - 2 * kMargin;

    QFrame* test = m_fraTabContainer[0];
    m_cmdExecute = new QPushButton(QStringLiteral("Test"), test);
    m_cmdExecute->setObjectName(QStringLiteral("cmdExecute"));
    m_cmdExecute->setGeometry(Twips(kMargin, kMargin, kButtonWidth, kButtonHeight));
    m_lblResults = new QLabel(test);
    m_lblResults->setObjectName(QStringLiteral("lblResults"));
    m_lblResults->setGeometry(Twips(kMargin + kButtonWidth + kMargin, kMargin + 60, tabInner - kButtonWidth, 255));
    m_etched2 = new QFrame(test);
    m_etched2->setObjectName(QStringLiteral("etched2"));
    m_etched2->setFrameShape(QFrame::HLine);
    m_etched2->setFrameShadow(QFrame::Sunken);
    m_etched2->setGeometry(Twips(kMargin, kMargin + kButtonHeight + 90, tabInner, 30));
    m_eListView = new eListView(test);
    m_eListView->setObjectName(QStringLiteral("eListView"));
    const int listTop = kMargin + kButtonHeight + 210;
    m_eListView->setGeometry(Twips(kMargin, listTop, tabInner, kTabHeight - 600 - listTop));

    QFrame* helper = m_fraTabContainer[1];
    m_pmFilter = new FILTERLib::Filter(helper);
    m_pmFilter->setObjectName(QStringLiteral("pmFilter"));
    m_pmFilter->setGeometry(Twips(kMargin, kFilterTop, kFilterWidth, FILTERLib::Filter::kMarginTwips + 400));
    const int buttonsLeft = kMargin + kFilterWidth + kMargin;
    m_cmdGo = new QPushButton(helper);
    m_cmdGo->setObjectName(QStringLiteral("cmdGo"));
    m_cmdGo->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_cmdGo->setToolTip(QStringLiteral("Begin search"));
    m_cmdGo->setGeometry(Twips(buttonsLeft, kFilterTop, 600, kButtonHeight));
    m_cmdClear = new QPushButton(helper);
    m_cmdClear->setObjectName(QStringLiteral("cmdClear"));
    m_cmdClear->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    m_cmdClear->setToolTip(QStringLiteral("Clear all search rows"));
    m_cmdClear->setGeometry(Twips(buttonsLeft, kFilterTop + kButtonHeight + 60, 600, kButtonHeight));
    m_txtSQLCreate = new QPlainTextEdit(helper);
    m_txtSQLCreate->setObjectName(QStringLiteral("txtSQLCreate"));
    m_txtSQLCreate->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pmFilter_RowCountChanged(1);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    m_cmdOK->setGeometry(Twips(kFormWidth - 2 * (kButtonWidth + kMargin), bottomTop, kButtonWidth, kButtonHeight));
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    m_cmdCancel->setGeometry(Twips(kFormWidth - (kButtonWidth + kMargin), bottomTop, kButtonWidth, kButtonHeight));

    connect(m_cmdExecute, &QPushButton::clicked, this, [this] { RunHandler("cmdExecute_Click", [this] { cmdExecute_Click(); }); });
    connect(m_cmdGo, &QPushButton::clicked, this, [this] { RunHandler("cmdGo_Click", [this] { cmdGo_Click(); }); });
    connect(m_cmdClear, &QPushButton::clicked, this, [this] { RunHandler("cmdClear_Click", [this] { cmdClear_Click(); }); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { RunHandler("cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { RunHandler("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(m_pmFilter, &FILTERLib::Filter::RowCountChanged, this, [this](int32_t rows) {
        RunHandler("pmFilter_RowCountChanged", [this, rows] { pmFilter_RowCountChanged(rows); });
    });
    connect(m_eListView, &eListView::LoadComplete, this, [this](int32_t count) {
        RunHandler("eListView_LoadComplete", [this, count] { eListView_LoadComplete(count); });
    });
}

frmListSearchEditSQL::~frmListSearchEditSQL() = default;

void frmListSearchEditSQL::RunHandler(const char* procedure, const std::function<void()>& f)
{
    RunEventHandler("frmListSearchEditSQL", procedure, f);
}

void frmListSearchEditSQL::Form_Load()
{
    m_lblResults->setText(QString());
    m_pmFilter->SetText(QString());
}

bool frmListSearchEditSQL::Form_Unload()
{
    // A test query still running is dropped.
    m_eListView->ClearRows();
    m_oView.reset();
    return false;
}

void frmListSearchEditSQL::keyPressEvent(QKeyEvent* e)
{
    // OK is not the default button: Enter stays in the text boxes, and a button
    // with the focus answers it itself.
    if (e->key() == Qt::Key_Escape) {
        m_cmdCancel->click();
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (ClickFocusedButton(this)) {
            e->accept();
            return;
        }
    }
    Form::keyPressEvent(e);
}

void frmListSearchEditSQL::Init(const CoLdUVRef& objView, const Variant& strFilterString, const QString& strFilterName,
                                const QString& strListFrom)
{
    m_oView = objView;
    m_strFilterString = strFilterString.toString();
    m_strListFrom = strListFrom;

    Load(this);
    SetCaption(QStringLiteral("Edit Search [") + strFilterName + QStringLiteral("]"));

    m_txtSQLWhere->setPlainText(m_strFilterString);
    m_txtSQLCreate->setReadOnly(true);
    QPalette palette = m_txtSQLCreate->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    m_txtSQLCreate->setPalette(palette);

    m_eListView->Connect(g_sServer, QString::fromLatin1(kApplicationLogin),
                         SessionEngine().EnvironmentSettings().SqlPassword(), g_sDatabase);
    m_eListView->SetView(m_oView->ViewName, m_oView->SQLSelect, ListFrom(), m_oView->SQLFromEx,
                         m_oView->ColumnString);
    m_eListView->SetColumnKinds(ViewableColumnKinds(m_oView));
    m_eListView->SetFilter(m_txtSQLWhere->toPlainText(), true);

    LoadFilterFields();
}

QString frmListSearchEditSQL::FilterString() const { return m_txtSQLWhere->toPlainText(); }

void frmListSearchEditSQL::LoadFilterFields()
{
    m_pmFilter->hide();
    m_pmFilter->ClearFields();

    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumnFilters ") + QString::number(m_oView->ViewID()), rs);
    for (; rs->HasRecord(); rs->MoveNext()) {
        // The fields name the columns by their SQL, so the generated text can go
        // into the statement as it is.
        const bool extended = rs->Item(QStringLiteral("UseExtendedFrom")).toBool();
        m_pmFilter->AddField(rs->Item(QStringLiteral("DisplayName")).toString(),
                             rs->Item(QStringLiteral("ColumnSQL")).toString(),
                             rs->Item(QStringLiteral("FilterDataType")), Variant(int16_t(extended ? -1 : 0)));
    }
    dbi.CloseRecordset(rs);

    // The text it writes is stored and runs on the session's server: its dates in that server's form.
    m_pmFilter->SetDateForm(dbi.DateForm());
    m_pmFilter->SetLayoutOption(12);
    m_pmFilter->RefreshLayout();
    m_pmFilter->show();
    m_pmFilter->SetText(QString());
}

QString frmListSearchEditSQL::TestStatement() const
{
    const QString select = m_oView->SQLSelect;
    const qsizetype comma = select.indexOf(QLatin1Char(','));
    const QString first = comma < 0 ? select : select.left(comma);
    return first + QStringLiteral(" ") + ListFrom() + QStringLiteral(" ") + m_oView->SQLFromEx +
           QStringLiteral(" ") + m_txtSQLWhere->toPlainText();
}

// The test counts the rows the list would show: in a catalogue, only the views
// the user may see.
QString frmListSearchEditSQL::ListFrom() const
{
    return m_strListFrom.isEmpty() ? m_oView->SQLFrom : m_strListFrom;
}

bool frmListSearchEditSQL::ValidateSQL(QString* message)
{
    // The statement holds the user's own text: it runs as a single query that
    // cannot write; anything else counts as a statement that does not run.
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    try {
        dbi.OpenReadOnlyRecordset(TestStatement(), rs);
        dbi.CloseRecordset(rs);
        return true;
    } catch (const AppError& e) {
        if (message)
            *message = e.description();
    } catch (const std::exception& e) {
        if (message)
            *message = QString::fromLocal8Bit(e.what());
    }
    return false;
}

bool frmListSearchEditSQL::ValidateOrSay()
{
    QString message;
    if (ValidateSQL(&message))
        return true;
    MsgBox(message, vbExclamation, QStringLiteral("Attention Required"));
    return false;
}

void frmListSearchEditSQL::cmdExecute_Click()
{
    if (!ValidateOrSay()) {
        // The rows and count of an earlier test are not this statement's.
        m_eListView->ClearRows();
        m_lblResults->clear();
        return;
    }
    m_eListView->SetFilter(m_txtSQLWhere->toPlainText(), true);
    m_eListView->RunQuery();
}

void frmListSearchEditSQL::eListView_LoadComplete(int32_t recordCount)
{
    m_lblResults->setText(QStringLiteral("Record Count: ") + FormatCount(recordCount));
}

void frmListSearchEditSQL::cmdGo_Click() { m_txtSQLCreate->setPlainText(m_pmFilter->WhereText()); }

void frmListSearchEditSQL::cmdClear_Click()
{
    m_txtSQLCreate->setPlainText(QString());
    m_pmFilter->ClearRows();
}

void frmListSearchEditSQL::cmdOK_Click()
{
    if (ValidateOrSay())
        Hide(this);
}

void frmListSearchEditSQL::cmdCancel_Click() { Unload(this); }

void frmListSearchEditSQL::pmFilter_RowCountChanged(int32_t rows)
{
    // Beyond the rows the generated text leaves room for, the pane keeps growing
    // and the text keeps its height below it.
    const int filterHeight = rows * 400 + 450;
    const QRect filter = m_pmFilter->geometry();
    m_pmFilter->setGeometry(filter.x(), filter.y(), filter.width(), TwipsToPixelsY(filterHeight));
    const int top = kFilterTop + filterHeight + 100;
    int height = m_txtSQLCreate->height() * TwipsPerPixelY();
    if (filterHeight < kSqlCreateHeight)
        height = kSqlCreateHeight - filterHeight;
    m_txtSQLCreate->setGeometry(TwipsToPixelsX(kMargin), TwipsToPixelsY(top), TwipsToPixelsX(kFilterWidth),
                                TwipsToPixelsY(height));
}
