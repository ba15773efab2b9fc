#include "shell/frmMDIFrame.h"

#include "base/AppError.h"
#include "core/AuProperties.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/MachineSettings.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "core/StartUp.h"
#include "platform/forms/Resources.h"
#include "core/CoPlatformProvider.h"
#include "core/FormUtilities.h"
#include "shell/HTMLHelp.h"
#include "shell/WindowHelp.h"
#include "shell/frmAbout.h"
#include "shell/frmQuillonLogo.h"

#include <QAction>
#include <QDate>
#include <QDesktopServices>
#include <QEvent>
#include <QShowEvent>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMdiArea>
#include <QScrollBar>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

// ---------------------------------------------------------------- the instance

namespace {
QPointer<frmMDIFrame> g_instance;
frmMDIFrame::ListWindowOpener g_listWindowOpener;

const char* const kToolbarImageKeys[] = {"NEW",  "ALL_VIEWS", "MY_VIEWS", "EXPORT", "CUSTOMIZE",
                                         "REFRESH", "OPEN",    "ADD_VIEW", "DELETE", "CLOSE"};
}  // namespace

frmMDIFrame* frmMDIFrame::Instance()
{
    if (!g_instance || g_instance->m_wasUnloaded) {
        if (g_instance)
            g_instance->deleteLater();
        g_instance = new frmMDIFrame;
        KeepAfterUnload(g_instance);
    }
    return g_instance;
}

void frmMDIFrame::SetListWindowOpener(ListWindowOpener opener) { g_listWindowOpener = std::move(opener); }

void RegisterShellWindows()
{
    InstallWindowHelp();
    SetSplashWindowFactory([]() -> Form* { return new frmAbout; });
    SetMainWindowProvider([]() -> Form* { return frmMDIFrame::Instance(); });
}

// ---------------------------------------------------------------- construction

frmMDIFrame::frmMDIFrame() : Form(kMainWindowFormName)
{
    QIcon icon;
    for (const char* name : {"quillon-16", "quillon-32", "quillon-48", "quillon-256"})
        icon.addPixmap(LoadResPicture(QString::fromLatin1(name)));
    setWindowIcon(icon);
    resize(1024, 720);

    // A main window of its own makes itself a top-level window: make it a part of this one.
    m_frame = new QMainWindow(this);
    m_frame->setWindowFlags(Qt::Widget);
    m_frame->setObjectName(QStringLiteral("frame"));
    // The toolbar's own menu is the only context menu of the frame.
    m_frame->setContextMenuPolicy(Qt::NoContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);

    m_mdiArea = new QMdiArea(m_frame);
    m_mdiArea->setObjectName(QStringLiteral("MDIClient"));
    m_mdiArea->setBackground(QColor(0xFF, 0xFF, 0xFF));
    // A child window that reaches beyond a small main window stays within reach.
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Scrolling moves every child window; the logo keeps to the visible corner.
    for (QScrollBar* bar : {m_mdiArea->horizontalScrollBar(), m_mdiArea->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (IsLoaded())
                RunMenu("MDIForm_Resize", [this] { PlaceLogo(); });
        });
    m_mdiArea->viewport()->installEventFilter(this);
    m_frame->setCentralWidget(m_mdiArea);

    for (const char* key : kToolbarImageKeys)
        m_imgListToolbar.Add(QString::fromLatin1(key), LoadResPicture(QString::fromLatin1(key)));
    for (const char* key : {"SORT_ASC", "SORT_DESC"})
        m_CHSortIcons.Add(QString::fromLatin1(key), LoadResPicture(QString::fromLatin1(key)));

    BuildMenus();
    BuildToolbar();
    BuildStatusBar();
}

frmMDIFrame::~frmMDIFrame()
{
    if (m_toolbarHelper) {
        try {
            m_toolbarHelper->Dispose();
        } catch (...) {
        }
    }
}

QMenu* frmMDIFrame::AddMenu(const char* controlName, const QString& caption)
{
    QMenu* menu = m_frame->menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(controlName));
    menu->menuAction()->setObjectName(QString::fromLatin1(controlName));
    return menu;
}

QAction* frmMDIFrame::AddItem(QMenu* menu, const char* controlName, const QString& caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(controlName));
    return item;
}

void frmMDIFrame::AddSeparator(QMenu* menu, const char* controlName)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(controlName));
}

void frmMDIFrame::RunMenu(const char* procedure, const std::function<void()>& action)
{
    RunEventHandler("frmMDIFrame", procedure, action);
}

void frmMDIFrame::BuildMenus()
{
    QMenu* file = AddMenu("mnuFile", QStringLiteral("&File"));
    connect(AddItem(file, "mnuOpenCompany", QStringLiteral("&Open Company...")), &QAction::triggered, this, [this] {
        RunMenu("mnuOpenCompany_Click", [] { ShowLogon(QString::fromLatin1(kLogonCaption), true); });
    });
    AddSeparator(file, "mnuSep1");
    connect(AddItem(file, "mnuLogon", QStringLiteral("&Login As Different User...")), &QAction::triggered, this,
            [this] { RunMenu("mnuLogon_Click", [] { ShowLogon(QString::fromLatin1(kLogonCaption), false); }); });
    AddSeparator(file, "mnuSep2");
    connect(AddItem(file, "mnuExit", QStringLiteral("E&xit")), &QAction::triggered, this,
            [this] { RunMenu("mnuExit_Click", [] { EndProgram(); }); });

    QMenu* views = AddMenu("mnuViews", QStringLiteral("&View"));
    connect(AddItem(views, "mnuMyViews", QStringLiteral("&MyViews")), &QAction::triggered, this, [this] {
        RunMenu("mnuMyViews_Click", [this] { OpenViews(QStringLiteral("QuillonMyViews"), QStringLiteral("LdMyViews")); });
    });
    connect(AddItem(views, "mnuAllViews", QStringLiteral("&All Views")), &QAction::triggered, this, [this] {
        RunMenu("mnuAllViews_Click", [this] { OpenViews(QStringLiteral("QuillonAllViews"), QStringLiteral("LdViews")); });
    });

    QMenu* tools = AddMenu("mnuTools", QStringLiteral("&Tools"));
    QAction* toolbarItem = AddItem(tools, "mnuToolsToolbar", QStringLiteral("&Toolbar"));
    toolbarItem->setCheckable(true);
    toolbarItem->setChecked(true);
    // The item's check mark follows the click; the control follows the check mark.
    connect(toolbarItem, &QAction::triggered, this, [this](bool checked) {
        RunMenu("mnuToolsToolbar_Click", [this, checked] { m_tbMain->setVisible(checked); });
    });
    QAction* statusItem = AddItem(tools, "mnuToolsStatusBar", QStringLiteral("&Status Bar"));
    statusItem->setCheckable(true);
    statusItem->setChecked(true);
    connect(statusItem, &QAction::triggered, this, [this](bool checked) {
        RunMenu("mnuToolsStatusBar_Click", [this, checked] { m_SBMDIFrame->setVisible(checked); });
    });

    m_mnuWindows = AddMenu("mnuWindows", QStringLiteral("&Window"));
    connect(AddItem(m_mnuWindows, "mnuWindowCascade", QStringLiteral("&Cascade")), &QAction::triggered, this,
            [this] { RunMenu("mnuWindowCascade_Click", [this] { mnuWindowCascade_Click(); }); });
    connect(AddItem(m_mnuWindows, "mnuWindowCloseAll", QStringLiteral("Close &All")), &QAction::triggered, this,
            [this] { RunMenu("mnuWindowCloseAll_Click", [] { CloseAllWindows(); }); });
    connect(m_mnuWindows, &QMenu::aboutToShow, this, [this] { RefreshWindowList(); });

    QMenu* help = AddMenu("mnuHelp", QStringLiteral("&Help"));
    QAction* helpItem = AddItem(help, "Help", QStringLiteral("&Help"));
    helpItem->setShortcut(QKeySequence(Qt::Key_F1));
    helpItem->setShortcutContext(Qt::WindowShortcut);
    connect(helpItem, &QAction::triggered, this, [this] { Help_Click(); });
    connect(AddItem(help, "mnuHelpWebsite", QStringLiteral(" &Website")), &QAction::triggered, this,
            [this] { mnuHelpWebsite_Click(); });
    AddSeparator(help, "mnuSep3");
    connect(AddItem(help, "mnuHelpAbout", QStringLiteral("&About ")), &QAction::triggered, this,
            [this] { RunMenu("mnuHelpAbout_Click", [this] { mnuHelpAbout_Click(); }); });
}

void frmMDIFrame::BuildToolbar()
{
    m_tbMain = new QToolBar(QStringLiteral("Toolbar"), m_frame);
    m_tbMain->setObjectName(QStringLiteral("tbMain"));
    m_tbMain->setMovable(false);
    m_tbMain->setFloatable(false);
    m_tbMain->setIconSize(QSize(16, 16));
    m_tbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_frame->addToolBar(Qt::TopToolBarArea, m_tbMain);
    struct Button {
        const char* caption;
        const char* key;
    };
    for (const Button& b : {Button{"MyViews", "MY_VIEWS"}, Button{"All Views", "ALL_VIEWS"}}) {
        QAction* button = m_tbMain->addAction(QString::fromLatin1(b.caption));
        button->setObjectName(QString::fromLatin1(b.key));
        button->setData(QString::fromLatin1(b.key));
        // The tip stays when the labels are hidden.
        button->setToolTip(QString::fromLatin1(b.caption));
    }
    connect(m_tbMain, &QToolBar::actionTriggered, this, [this](QAction* button) {
        const QString key = button->data().toString();
        RunMenu("tbMain_ButtonClick", [this, key] { tbMain_ButtonClick(key); });
    });
}

void frmMDIFrame::BuildStatusBar()
{
    m_SBMDIFrame = new QStatusBar(m_frame);
    m_SBMDIFrame->setObjectName(QStringLiteral("SBMDIFrame"));
    m_frame->setStatusBar(m_SBMDIFrame);
    auto* first = new QLabel(m_SBMDIFrame);
    first->setObjectName(QStringLiteral("Panel1"));
    first->setContentsMargins(4, 0, 4, 0);
    auto* second = new QLabel(m_SBMDIFrame);
    second->setObjectName(QStringLiteral("Panel2"));
    second->setContentsMargins(8, 0, 8, 0);
    second->setAlignment(Qt::AlignCenter);
    m_SBMDIFrame->addWidget(first, 1);
    m_SBMDIFrame->addPermanentWidget(second);
    m_panels = {first, second};
}

QMenuBar* frmMDIFrame::MenuBar() const { return m_frame->menuBar(); }

QLabel* frmMDIFrame::StatusPanel(int index) const
{
    if (index < 1 || index > static_cast<int>(m_panels.size()))
        RaiseError(vberr::SubscriptOutOfRange);
    return m_panels[static_cast<size_t>(index - 1)];
}

QAction* frmMDIFrame::MenuItem(const QString& controlName) const
{
    for (QAction* a : m_frame->menuBar()->findChildren<QAction*>())
        if (a->objectName() == controlName)
            return a;
    for (QMenu* m : m_frame->menuBar()->findChildren<QMenu*>())
        if (m->objectName() == controlName)
            return m->menuAction();
    return nullptr;
}

// ---------------------------------------------------------------- load

void frmMDIFrame::Form_Load()
{
    m_wasUnloaded = false;
    const QString appName = CoPlatformProvider().AppName();
    SetCaption(appName);
    MenuItem(QStringLiteral("mnuHelpWebsite"))->setText(appName + QStringLiteral(" &Website"));
    MenuItem(QStringLiteral("mnuHelpAbout"))->setText(QStringLiteral("&About ") + appName);

    for (QAction* button : m_tbMain->actions()) {
        const QString key = button->objectName();
        if (key == QLatin1String("ALL_VIEWS") || key == QLatin1String("MY_VIEWS"))
            button->setIcon(QIcon(m_imgListToolbar.ListImage(key)));
    }

    AuProperties bag;
    bag.Add(QStringLiteral("ToolbarShowText"), int16_t(1));
    LoadMachineSettings(QString::fromLatin1(kSettingsSubKey), bag);
    // Only the number 1 shows the labels.
    const Variant shown = bag.Item(QStringLiteral("ToolbarShowText"))->Value();
    const bool showText = shown.isNumber() && shown.toDouble() == 1.0;
    m_toolbarHelper = std::make_unique<ToolbarHelper>();
    m_toolbarHelper->Init(this, m_tbMain, showText);

    StatusPanel(2)->setText(QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat));

    m_helpFile = App().path + QLatin1Char('/') + appName + QStringLiteral(".chm");
}

// ---------------------------------------------------------------- child windows

void frmMDIFrame::ShowChild(Form* form)
{
    if (!form)
        return;
    Load(form);
    if (!IsFormLoaded(form))
        return;
    QMdiSubWindow* frame = ChildFrameOf(form);
    if (!frame) {
        frame = m_mdiArea->addSubWindow(form);
        frame->setWindowIcon(windowIcon());
        frame->setAttribute(Qt::WA_DeleteOnClose, false);
        // The form's unload closes its frame; the frame goes with the form.
        connect(form, &Form::unloaded, frame, [this, frame] { CloseChildFrame(frame); });
        connect(form, &QObject::destroyed, frame, &QObject::deleteLater);
    }
    form->show();
    frame->show();
    if (form != m_logo)
        m_mdiArea->setActiveSubWindow(frame);
}

void frmMDIFrame::CloseChildFrame(QMdiSubWindow* frame)
{
    const bool wasActive = m_mdiArea->activeSubWindow() == frame || !m_mdiArea->activeSubWindow();
    frame->hide();
    if (!wasActive)
        return;
    // As in any MDI program, the window used before the closed one becomes active,
    // so that its keys work without a click.
    const QList<QMdiSubWindow*> history = m_mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it) {
        QMdiSubWindow* next = *it;
        auto* form = qobject_cast<Form*>(next->widget());
        if (next == frame || next->isHidden() || !form || form == m_logo || !IsFormLoaded(form))
            continue;
        m_mdiArea->setActiveSubWindow(next);
        return;
    }
}

QMdiSubWindow* frmMDIFrame::ChildFrameOf(const Form* form) const
{
    for (QMdiSubWindow* frame : m_mdiArea->subWindowList(QMdiArea::CreationOrder))
        if (frame->widget() == form)
            return frame;
    return nullptr;
}

std::vector<Form*> frmMDIFrame::ChildForms() const
{
    std::vector<Form*> out;
    for (QMdiSubWindow* frame : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        auto* form = qobject_cast<Form*>(frame->widget());
        if (form && form != m_logo && IsFormLoaded(form) && !frame->isHidden())
            out.push_back(form);
    }
    return out;
}

void frmMDIFrame::RefreshWindowList()
{
    for (QAction* item : m_windowListItems) {
        m_mnuWindows->removeAction(item);
        item->deleteLater();
    }
    m_windowListItems.clear();
    const std::vector<Form*> children = ChildForms();
    if (children.empty())
        return;
    QAction* separator = m_mnuWindows->addSeparator();
    m_windowListItems.push_back(separator);
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    int number = 0;
    for (Form* form : children) {
        ++number;
        QString caption = form->Caption();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = m_mnuWindows->addAction(QStringLiteral("&%1 %2").arg(number).arg(caption));
        item->setCheckable(true);
        QMdiSubWindow* frame = ChildFrameOf(form);
        item->setChecked(frame == active);
        QPointer<QMdiSubWindow> target = frame;
        connect(item, &QAction::triggered, this, [this, target] {
            if (target)
                m_mdiArea->setActiveSubWindow(target);
        });
        m_windowListItems.push_back(item);
    }
}

void frmMDIFrame::mnuWindowCascade_Click()
{
    // The child windows step down from the top left, each a title bar below the one
    // before, and keep a useful size: what fits beside the steps, never less than
    // two thirds of the client area (more windows start a new staircase) or the
    // window's own minimum. The logo keeps its corner behind them.
    std::vector<QMdiSubWindow*> frames;
    for (QMdiSubWindow* frame : m_mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        auto* form = qobject_cast<Form*>(frame->widget());
        if (frame->isVisible() && !frame->isMinimized() && form != m_logo)
            frames.push_back(frame);
    }
    if (frames.empty())
        return;
    const QSize client = m_mdiArea->viewport()->size();
    const int step = std::max(8, frames.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frames.front()) +
                                     frames.front()->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr,
                                                                          frames.front()));
    const int room = std::min(client.width(), client.height()) / 3;
    const int perStair = std::max(1, std::min(static_cast<int>(frames.size()), room / step + 1));
    const QSize size(client.width() - (perStair - 1) * step, client.height() - (perStair - 1) * step);
    int i = 0;
    for (QMdiSubWindow* frame : frames) {
        if (frame->isMaximized())
            frame->showNormal();
        const int at = (i++ % perStair) * step;
        frame->setGeometry(QRect(QPoint(at, at), size.expandedTo(frame->minimumSize())));
        frame->raise();
    }
    PlaceLogo();
}

void frmMDIFrame::PlaceLogo()
{
    if (isMinimized())
        return;
    if (!m_logo || !IsFormLoaded(m_logo)) {
        m_logo = new frmQuillonLogo;
        Load(m_logo);
        QMdiSubWindow* frame = m_mdiArea->addSubWindow(m_logo, Qt::FramelessWindowHint);
        frame->setAttribute(Qt::WA_DeleteOnClose, false);
        frame->setEnabled(false);
        frame->resize(m_logo->size());
        connect(m_logo, &Form::unloaded, frame, &QWidget::hide);
        // Close All and a new logon close every child window, the logo with them: it
        // comes back at once, so that the client area never stands empty and white.
        connect(m_logo, &Form::unloaded, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (IsLoaded() && isVisible())
                    RunMenu("MDIForm_Resize", [this] { PlaceLogo(); });
            });
        });
        connect(m_logo, &QObject::destroyed, frame, &QObject::deleteLater);
        m_logo->show();
    }
    QMdiSubWindow* frame = ChildFrameOf(m_logo);
    if (!frame)
        return;
    frame->setEnabled(false);
    const QSize client = m_mdiArea->viewport()->size();
    // The logo is a backdrop: where it does not fit, it is not shown, rather than
    // give the client area scroll bars of its own.
    frame->setVisible(isVisible() && client.width() >= frame->width() && client.height() >= frame->height());
    frame->move(client.width() - frame->width(), client.height() - frame->height());
    // Behind the list windows.
    frame->lower();
}

void frmMDIFrame::showEvent(QShowEvent* e)
{
    Form::showEvent(e);
    if (!e->spontaneous())
        RunMenu("MDIForm_Resize", [this] { PlaceLogo(); });
}

bool frmMDIFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mdiArea->viewport() && event->type() == QEvent::Resize && IsLoaded())
        RunMenu("MDIForm_Resize", [this] { PlaceLogo(); });
    return Form::eventFilter(watched, event);
}

// ---------------------------------------------------------------- commands

void frmMDIFrame::OpenViews(const QString& securedObject, const QString& viewName)
{
    if (!CheckRights(securedObject, kRightView))
        return;
    if (!g_listWindowOpener)
        return;
    const Variant viewId =
        SessionEngine().DBI().DLookup(QStringLiteral("ViewID"), QStringLiteral("LdViews"),
                                      QStringLiteral("ViewName = ") + QuoteSQLString(viewName));
    // A company without the system view has no catalogue of views: a window that
    // would close again at once would leave the user without a word.
    if (viewId.isNull() || viewId.isEmpty()) {
        MsgBox(QStringLiteral("The company ") + g_sCompanyID + QStringLiteral(" has no views."), vbInformation,
               QStringLiteral("Attention Required"));
        return;
    }
    g_listWindowOpener(viewId.toInt32());
}

void frmMDIFrame::tbMain_ButtonClick(const QString& key)
{
    if (key == QLatin1String("MY_VIEWS"))
        OpenViews(QStringLiteral("QuillonMyViews"), QStringLiteral("LdMyViews"));
    else if (key == QLatin1String("ALL_VIEWS"))
        OpenViews(QStringLiteral("QuillonAllViews"), QStringLiteral("LdViews"));
}

void frmMDIFrame::mnuHelpWebsite_Click()
{
    // A click that shows nothing would leave the user waiting for a browser that
    // never comes: say so when none could be started.
    bool opened = false;
    try {
        opened = QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebsite)));
    } catch (...) {
    }
    if (!opened)
        MsgBox(QStringLiteral("No web browser could be started to open ") + QString::fromLatin1(kWebsite) +
                   QStringLiteral("."),
               vbExclamation, QStringLiteral("Attention Required"));
}

void frmMDIFrame::Help_Click()
{
    // A failing step is passed over and the next one runs.
    const auto attempt = [](const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
        }
    };
    bool noFile = false;
    attempt([&] { noFile = m_helpFile.isEmpty(); });
    if (noFile) {
        attempt([] {
            MsgBox(QStringLiteral("The help file for this application could not be found."), vbExclamation,
                   QStringLiteral("Attention Required"));
        });
        return;
    }
    attempt([&] {
        if (!m_help)
            m_help = std::make_unique<HTMLHelp>();
    });
    if (!m_help)
        return;
    attempt([&] { m_help->SetCHMFile(m_helpFile); });
    attempt([&] { m_help->SetHHWindow(CoPlatformProvider().AppName()); });
    attempt([&] { m_help->SetHHShowOnTop(true); });
    attempt([&] { m_help->SetHHTopicID(kHelpContextId); });
    attempt([&] { m_help->HHDisplayContents(this); });
}

void frmMDIFrame::mnuHelpAbout_Click()
{
    auto* about = new frmAbout(this);
    ShowModal(about);
    if (IsFormLoaded(about))
        Unload(about);
}

// ---------------------------------------------------------------- unload

bool frmMDIFrame::Form_QueryUnload(int unloadMode)
{
    // The child windows close first, each with its own closing steps; one that
    // refuses keeps the frame open.
    for (QMdiSubWindow* frame : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        auto* form = qobject_cast<Form*>(frame->widget());
        if (form && IsFormLoaded(form) && !Unload(form, vbFormMDIForm))
            return true;
    }
    return false;
}

bool frmMDIFrame::Form_Unload()
{
    {
        AuProperties bag;
        const bool shown = m_toolbarHelper && m_toolbarHelper->IsTextShown().toBool();
        bag.Add(QStringLiteral("ToolbarShowText"), int16_t(shown ? 1 : 0));
        SaveWindowSettings(QString::fromLatin1(kSettingsSubKey), Caption(), bag);
    }
    if (m_toolbarHelper) {
        m_toolbarHelper->Dispose();
        m_toolbarHelper.reset();
    }
    m_help.reset();

    QString list;
    const std::vector<Form*> forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        Form* form = *it;
        if (!IsFormLoaded(form) || form->Caption() == Caption())
            continue;
        list += QStringLiteral("   - ") + form->Caption() + QStringLiteral("\r\n");
        Unload(form);
    }
    if (!list.isEmpty())
        MsgBox(QStringLiteral("The following form(s) were not unloaded:\r\n\r\n") + list, vbExclamation,
               QStringLiteral("Attention Required"));

    if (g_oSystemEngine) {
        const CoQuillonSystemEnginePtr engine = g_oSystemEngine;
        engine->CloseConnection();
    }
    g_oSystemEngine.reset();
    m_wasUnloaded = true;
    return false;
}
