// The list window's geometry and chrome: the pane arithmetic, the splitter bar,
// the layout inside both panes, the toolbar, the keys and the closing steps.
#include "listwindow/frmList.h"

#include "core/SecurityRights.h"
#include "listwindow/frmListLayout.h"

#include "base/AppError.h"
#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/VbKeys.h"
#include "platform/controls/eListView.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QHeaderView>
#include <QScrollBar>
#include <QShortcutEvent>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <cmath>

// ---------------------------------------------------------------- the arithmetic

namespace listlayout {

namespace {
int32_t Clamp(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, INT32_MAX));
}
int64_t Round(double value)
{
    if (!std::isfinite(value))
        return 0;
    value = std::clamp(value, -9.0e15, 9.0e15);
    const double floor = std::floor(value);
    const double diff = value - floor;
    int64_t r = static_cast<int64_t>(floor);
    if (diff > 0.5 || (diff == 0.5 && (r % 2) != 0))
        ++r;
    return r;
}
PaneHeights Make(int64_t top, int64_t bottom)
{
    return PaneHeights{Clamp(top), Clamp(bottom)};
}
}  // namespace

int32_t RoundHalfEven(double value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(Round(value), INT32_MIN, INT32_MAX));
}

int32_t SharedPaneHeight(double windowHeight, double toolbarHeight)
{
    return RoundHalfEven(windowHeight - kNonPaneHeight - toolbarHeight);
}

namespace {
PaneHeights PanesKeepingTheFilterPane(int32_t h, double top, double bottom)
{
    const int64_t H = h;
    if (bottom <= kMinBottomPane && top <= kMinTopPane)
        return Make(kMinTopPane, H <= kMinTopPane + kMinBottomPane ? kMinBottomPane : H - kMinTopPane);
    // A list pane at its minimum does not hand the window's added height to the
    // filter pane: growing gives it to the list pane, as any other growing does.
    if (top <= kMinTopPane)
        return Make(kMinTopPane, H - kMinTopPane);
    int64_t t = Round(top);
    int64_t b = H - t;
    if (b < kMinBottomPane) {
        t = H - kMinBottomPane;
        b = kMinBottomPane;
    }
    return Make(t, b);
}

}  // namespace

PaneHeights PanesOnResize(int32_t h, double top, double bottom, int32_t wantedTop)
{
    PaneHeights panes = PanesKeepingTheFilterPane(h, top, bottom);
    const int64_t regained = std::min<int64_t>(wantedTop, static_cast<int64_t>(h) - kMinBottomPane);
    if (regained > panes.top)
        panes = Make(regained, static_cast<int64_t>(h) - regained);
    return panes;
}

int32_t FilterRowsHeight(int32_t rows)
{
    return Clamp(static_cast<int64_t>(std::max(rows, 1)) * kFilterRowPitch + kFilterPaneBase);
}

PaneHeights PanesOnSplitterMove(int32_t h, double top, double bottom, double y)
{
    const int64_t H = h;
    if (top + y < kMinTopPane)
        return Make(kMinTopPane, H - kMinTopPane);
    if (bottom - y < kMinBottomPane)
        return Make(H - kMinBottomPane, kMinBottomPane);
    const int64_t t = Round(top + y);
    return Make(t, H - t);
}

PaneHeights PanesForFilterRows(int32_t h, int32_t rows)
{
    const int64_t H = h;
    int64_t top = FilterRowsHeight(rows);
    int64_t bottom = H - top;
    if (bottom <= kMinBottomPane) {
        bottom = kMinBottomPane;
        top = std::max<int64_t>(H - kMinBottomPane, kMinTopPane);
    }
    return Make(top, bottom);
}

}  // namespace listlayout

using namespace listlayout;

// ---------------------------------------------------------------- the toolbar

namespace {

struct ToolbarButton {
    const char* caption;
    const char* key;
    const char* tooltip;
};
// A caption of nullptr makes a separator.
const ToolbarButton kToolbarButtons[] = {
    {"New", "NEW", "Create new view"},
    {"Open", "OPEN", "Open selected view"},
    {"Delete", "DELETE", "Delete view"},
    {nullptr, "SEP1", nullptr},
    {"Customize", "CUSTOMIZE", "Customize view"},
    {"Add", "ADD", "Add view to My Views"},
    {"Export", "EXPORT", "Export view to Excel"},
    {nullptr, "SEP2", nullptr},
    {"Refresh", "REFRESH", "Refresh view"},
    {"Close", "CLOSE", "Close view"},
};

int Px(int32_t twips, bool vertical)
{
    return vertical ? TwipsToPixelsY(std::max(twips, 0)) : TwipsToPixelsX(std::max(twips, 0));
}

}  // namespace

void frmList::CreateToolbar()
{
    m_tbMain = new QToolBar(this);
    m_tbMain->setObjectName(QStringLiteral("tbMain"));
    m_tbMain->setMovable(false);
    m_tbMain->setFloatable(false);
    m_tbMain->setIconSize(QSize(16, 16));
    m_tbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ToolbarButton& b : kToolbarButtons) {
        QAction* button = nullptr;
        if (b.caption) {
            button = m_tbMain->addAction(QString::fromLatin1(b.caption));
            button->setToolTip(QString::fromLatin1(b.tooltip));
        } else {
            button = m_tbMain->addSeparator();
        }
        button->setObjectName(QString::fromLatin1(b.key));
        button->setData(QString::fromLatin1(b.key));
    }
    connect(m_tbMain, &QToolBar::actionTriggered, this, [this](QAction* button) {
        const QString key = button->data().toString();
        RunHandler("tbMain_ButtonClick", [this, key] { tbMain_ButtonClick(key); });
    });
}

QAction* frmList::Button(const QString& key) const
{
    for (QAction* a : m_tbMain->actions())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

bool frmList::ButtonVisible(const char* key) const
{
    QAction* button = Button(QString::fromLatin1(key));
    return button && button->isVisible();
}

void frmList::SetButtonsEnabled(bool hasRecords)
{
    for (const char* key : {"DELETE", "OPEN", "CUSTOMIZE", "ADD", "EXPORT"}) {
        const QString k = QString::fromLatin1(key);
        Button(k)->setEnabled(hasRecords);
    }
    // Customize and Delete follow the user's rights to the catalogue too: a user is
    // not offered a command that would only be refused.
    if (hasRecords && ButtonVisible("DELETE")) {
        int32_t none = 0;
        const int32_t rights = GetRights(GetSecurityObject(none));
        Button(QStringLiteral("CUSTOMIZE"))->setEnabled((rights & kRightEdit) != 0);
        Button(QStringLiteral("DELETE"))->setEnabled((rights & kRightDelete) != 0);
    }
}

void frmList::SetNewEnabled()
{
    // New follows the Create right; it needs no rows (without one the editor opens without a base).
    if (ButtonVisible("NEW")) {
        int32_t none = 0;
        Button(QStringLiteral("NEW"))->setEnabled((GetRights(GetSecurityObject(none)) & kRightCreate) != 0);
    }
}

void frmList::tbMain_ButtonClick(const QString& key)
{
    // Only Close means anything in a window whose view did not load.
    if (!HasView() && key != QLatin1String("CLOSE"))
        return;
    // Customize, Refresh and Export of a view that has been deleted say so instead.
    if (!m_bViewsList && key != QLatin1String("CLOSE") && ViewIsGone())
        return;
    if (key == QLatin1String("OPEN")) {
        OpenSelectedView();
    } else if (key == QLatin1String("DELETE")) {
        DeleteSelectedView();
    } else if (key == QLatin1String("NEW")) {
        NewView();
    } else if (key == QLatin1String("CUSTOMIZE")) {
        if (m_bMainView)
            CustomizeSelectedView();
        else
            CustomizeOpenView();
    } else if (key == QLatin1String("ADD")) {
        AddSelectedToMyViews();
    } else if (key == QLatin1String("REFRESH")) {
        RefreshList(-1);
    } else if (key == QLatin1String("EXPORT")) {
        ExportList();
    } else if (key == QLatin1String("CLOSE")) {
        Hide(this);
        Unload(this);
    }
}

// ---------------------------------------------------------------- the window's size

QWidget* frmList::ContainerOf(const QWidget* form)
{
    QWidget* w = const_cast<QWidget*>(form);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        return frame;
    return w;
}

bool frmList::IsMaximizedWindow() const { return Container()->isMaximized(); }
bool frmList::IsMinimizedWindow() const { return Container()->isMinimized(); }

int32_t frmList::WindowHeight() const { return Container()->height() * TwipsPerPixelY(); }
int32_t frmList::WindowWidth() const { return Container()->width() * TwipsPerPixelX(); }

void frmList::SetWindowSize(int32_t widthTwips, int32_t heightTwips)
{
    // Whole pixels at least as large as asked, so that a minimum holds.
    const int tx = TwipsPerPixelX();
    const int ty = TwipsPerPixelY();
    const int64_t w = (static_cast<int64_t>(std::max(widthTwips, 1)) + tx - 1) / tx;
    const int64_t h = (static_cast<int64_t>(std::max(heightTwips, 1)) + ty - 1) / ty;
    Container()->resize(static_cast<int>(std::min<int64_t>(w, QWIDGETSIZE_MAX)),
                        static_cast<int>(std::min<int64_t>(h, QWIDGETSIZE_MAX)));
}

int32_t frmList::ToolbarHeight() const
{
    return m_tbMain->isHidden() ? 0 : m_tbMain->sizeHint().height() * TwipsPerPixelY();
}

void frmList::ApplyCascade()
{
    ApplyFirstSize();
    if (!m_cascadePending)
        return;
    QWidget* box = Container();
    const int height = m_cascade.height() < 0 ? box->height() : std::max(1, Px(m_cascade.height(), true));
    // Positions as the owner's (a window's frame, not its client area).
    const int x = Px(m_cascade.x(), false);
    int width = std::max(1, Px(m_cascade.width(), false));
    // A window opened from a cascaded one would reach past the main window's right
    // edge, its buttons and close box out of sight: it ends at that edge instead
    // (Form_Resize still keeps the minimum width).
    if (auto* frame = qobject_cast<QMdiSubWindow*>(box))
        if (QMdiArea* area = frame->mdiArea(); area && !frame->isMaximized())
            width = std::max(1, std::min(width, area->viewport()->width() - x));
    box->move(x, Px(m_cascade.y(), true));
    box->resize(width, height);
    // Once framed, the frame holds the position.
    if (box != this)
        m_cascadePending = false;
}

void frmList::ApplyFirstSize()
{
    if (!m_firstSizePending)
        return;
    auto* frame = qobject_cast<QMdiSubWindow*>(Container());
    if (!frame)
        return;
    m_firstSizePending = false;
    QMdiArea* area = frame->mdiArea();
    if (!area || frame->isMaximized() || frame->isMinimized())
        return;
    // A new window fills the main window's client area but for one cascade step,
    // so that a window opened from it (180 twips right, 350 down, as wide, 350 less
    // high) fits the area too. The minimum size still holds (Form_Resize).
    const QSize client = area->viewport()->size();
    frame->move(0, 0);
    frame->resize(std::max(1, client.width() - Px(kCascadeLeft, false)),
                  std::max(1, client.height() - Px(kCascadeTop, true)));
}

void frmList::Resize() { Form_Resize(); }

void frmList::resizeEvent(QResizeEvent* e)
{
    Form::resizeEvent(e);
    RunHandler("Form_Resize", [this] { Form_Resize(); });
}

void frmList::showEvent(QShowEvent* e)
{
    Form::showEvent(e);
    RunHandler("Form_Resize", [this] {
        ApplyCascade();
        Form_Resize();
        // The filter rows were counted while the window had no size of its own yet
        // (its frame starts small): at its first size the panes fit them again, so
        // that the list pane, not the filter pane, takes the height the window got.
        if (!m_firstShown && m_pmFilter->RowCount() > 0 && !IsMinimizedWindow()) {
            m_firstShown = true;
            const int32_t h = SharedPaneHeight(WindowHeight(), ToolbarHeight());
            const PaneHeights panes = PanesForFilterRows(h, m_pmFilter->RowCount());
            m_wantedTopHeight = FilterRowsHeight(m_pmFilter->RowCount());
            ApplyPaneHeights(panes.top, panes.bottom);
        }
    });
}

void frmList::Form_Resize()
{
    if (m_inResize || IsMinimizedWindow())
        return;
    m_inResize = true;
    try {
        const int32_t toolbar = ToolbarHeight();
        if (!IsMaximizedWindow()) {
            const int32_t minHeight = toolbar + kMinHeightAboveToolbar;
            if (WindowHeight() < minHeight || WindowWidth() < kMinWindowWidth)
                SetWindowSize(std::max(WindowWidth(), kMinWindowWidth), std::max(WindowHeight(), minHeight));
        }
        const int32_t h = SharedPaneHeight(WindowHeight(), toolbar);
        const PaneHeights panes = PanesOnResize(h, m_topHeight, m_bottomHeight, m_wantedTopHeight);
        ApplyPaneHeights(panes.top, panes.bottom);
    } catch (...) {
        m_inResize = false;
        throw;
    }
    m_inResize = false;
}

void frmList::ApplyPaneHeights(int32_t top, int32_t bottom)
{
    m_topHeight = top;
    m_bottomHeight = bottom;
    PlaceChildren();
}

void frmList::PlaceChildren()
{
    const int w = width();
    const int tb = m_tbMain->isHidden() ? 0 : m_tbMain->sizeHint().height();
    m_tbMain->setGeometry(0, 0, w, tb);
    int y = tb;
    const int top = Px(m_topHeight, true);
    m_picTop->setGeometry(0, y, w, top);
    y += top;
    const int bar = Px(kSplitterHeight, true);
    m_pSplitter->setGeometry(0, y, w, bar);
    y += bar;
    m_picBottom->setGeometry(0, y, w, Px(m_bottomHeight, true));
    const int sb = m_statusBar->sizeHint().height();
    m_statusBar->setGeometry(0, height() - sb, w, sb);
    m_statusBar->raise();
    // The box sits over the status bar's right end.
    const int boxTop = m_statusBar->y() * TwipsPerPixelY() + 30;
    const int boxLeft = WindowWidth() - (m_chkAutoPopulate->width() * TwipsPerPixelX() + 350);
    m_chkAutoPopulate->move(Px(boxLeft, false), Px(boxTop, true));
    m_chkAutoPopulate->raise();
    picTop_Resize();
    picBottom_Resize();
}

void frmList::picTop_Resize()
{
    m_bResizingTop = true;
    try {
        const int tx = TwipsPerPixelX();
        const int ty = TwipsPerPixelY();
        const int paneWidth = m_picTop->width() * tx;
        const int paneHeight = m_picTop->height() * ty;
        const int frameLeft = std::max(0, paneWidth - m_fraFilterButtons->width() * tx - 90);
        m_fraFilterButtons->setGeometry(Px(frameLeft, false), 0, m_fraFilterButtons->width(), m_picTop->height());
        FitFilterButtons();
        m_pmFilter->setGeometry(Px(90, false), Px(90, true), Px(std::max(0, frameLeft - 180), false),
                                Px(std::max(0, paneHeight - 180), true));
        // The search's name in the margin above the first row.
        const int nameHeight = std::min(m_lblSearchName->sizeHint().height(),
                                        m_pmFilter->y() + TwipsToPixelsY(FILTERLib::Filter::kMarginTwips / 2));
        m_lblSearchName->setGeometry(m_pmFilter->x() + 2, 1, m_pmFilter->width(), std::max(0, nameHeight - 1));
    } catch (...) {
        m_bResizingTop = false;
        throw;
    }
    m_bResizingTop = false;
}

void frmList::FitFilterButtons()
{
    // Go, Clear and Searches share one height that fits the pane: at one filter row
    // the pane is lower than the three at their natural heights, and Searches (of
    // fixed height) would run under the splitter bar while the other two shrink.
    auto* column = qobject_cast<QBoxLayout*>(m_fraFilterButtons->layout());
    if (!column)
        return;
    const QWidget* buttons[] = {m_cmdGo, m_cmdClear, m_mbSearches};
    int natural = 0;
    for (const QWidget* b : buttons)
        natural = std::max(natural, b->sizeHint().height());
    const int gaps = column->contentsMargins().top() + 2 * column->spacing() + 1;
    const int fitted = std::max(0, std::min(natural, (m_fraFilterButtons->height() - gaps) / 3));
    m_cmdGo->setFixedHeight(fitted);
    m_cmdClear->setFixedHeight(fitted);
    m_mbSearches->setFixedHeight(fitted);
}

int frmList::StatisticsStripHeight(int widthPixels) const
{
    // Its header and its one row whole, with the scroll bar the columns may need.
    QTreeView* tree = m_lvwStats->Tree();
    const int frame = 2 * tree->frameWidth();
    const int header = tree->header()->isHidden() ? 0 : tree->header()->sizeHint().height();
    const int row = tree->model() && tree->model()->rowCount() > 0 ? tree->sizeHintForRow(0)
                                                                    : tree->fontMetrics().height() + 6;
    int needed = frame + header + row;
    if (tree->header()->length() > widthPixels - frame)
        needed += tree->horizontalScrollBar()->sizeHint().height();
    return std::max(TwipsToPixelsY(kStatisticsStripHeight), needed);
}

void frmList::picBottom_Resize()
{
    // Measuring the strip may lay out its header, which calls back here.
    if (m_inBottomLayout)
        return;
    m_inBottomLayout = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_inBottomLayout};
    const int tx = TwipsPerPixelX();
    const int ty = TwipsPerPixelY();
    const int paneWidth = m_picBottom->width() * tx;
    const int paneHeight = m_picBottom->height() * ty;
    const int statsWidth = std::max(0, paneWidth - 180);
    const int statsPixels = StatisticsStripHeight(Px(statsWidth, false));
    const int statsHeight = statsPixels * ty;
    const int statsTop = paneHeight - statsHeight;
    m_lvwStats->setGeometry(Px(90, false), Px(statsTop, true), Px(statsWidth, false), statsPixels);
    const int listTop = 60;
    const int listLeft = 90;
    const int listHeight = std::max(0, statsTop - 200);
    m_eListView->setGeometry(Px(listLeft, false), Px(listTop, true), Px(statsWidth, false), Px(listHeight, true));
    const int frameWidth = std::max(0, statsWidth - 240);
    // The message shows whole even where the list leaves its frame less room.
    const int labelPixels = m_lblMessage->heightForWidth(Px(frameWidth, false)) + 2 * m_fraMessage->frameWidth();
    const int frameHeight = std::max({0, listHeight - 760, labelPixels * ty});
    m_fraMessage->setGeometry(Px(listLeft + 120, false), Px(listTop + 360, true), Px(frameWidth, false),
                              Px(frameHeight, true));
    m_lblMessage->setGeometry(0, 0, m_fraMessage->width(), m_fraMessage->height());
}

// ---------------------------------------------------------------- splitter and filter rows

void frmList::pSplitter_MouseDown() { m_bSplitterDrag = true; }
void frmList::pSplitter_MouseUp() { m_bSplitterDrag = false; }

void frmList::pSplitter_MouseMove(double yTwips)
{
    if (!m_bSplitterDrag)
        return;
    const int32_t h = SharedPaneHeight(WindowHeight(), ToolbarHeight());
    const PaneHeights panes = PanesOnSplitterMove(h, m_topHeight, m_bottomHeight, yTwips);
    m_wantedTopHeight = panes.top;
    ApplyPaneHeights(panes.top, panes.bottom);
}

void frmList::pmFilter_RowCountChanged(int32_t rows)
{
    if (m_bSplitterDrag || m_bResizingTop)
        return;
    const int32_t h = SharedPaneHeight(WindowHeight(), ToolbarHeight());
    const PaneHeights panes = PanesForFilterRows(h, rows);
    m_wantedTopHeight = FilterRowsHeight(rows);
    ApplyPaneHeights(panes.top, panes.bottom);
}

// ---------------------------------------------------------------- events

bool frmList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && IsLoaded() && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w == this || isAncestorOf(w)) {
            auto* ke = static_cast<QKeyEvent*>(event);
            const int code = VbKeyCode(ke->key());
            if (code == 0)
                return false;
            const bool onList = w == m_eListView || m_eListView->isAncestorOf(w);
            bool used = false;
            RunHandler("Form_KeyDown", [&] { used = Form_KeyDown(code, VbShiftState(ke->modifiers()), onList); });
            return used;
        }
        return false;
    }
    if (event->type() == QEvent::Shortcut && (watched == m_cmdGo || watched == m_cmdClear)) {
        // A button's mnemonic (Alt+G, Alt+L) would otherwise show the button pressed
        // for 100 ms before its click: the search starts at the key instead.
        auto* button = static_cast<QPushButton*>(watched);
        if (!static_cast<QShortcutEvent*>(event)->isAmbiguous() && button->isEnabled()) {
            button->click();
            return true;
        }
        return false;
    }
    if (watched == m_pSplitter) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            RunHandler("pSplitter_MouseDown", [this] { pSplitter_MouseDown(); });
            return true;
        case QEvent::MouseMove: {
            const double y = static_cast<QMouseEvent*>(event)->position().y() * TwipsPerPixelY();
            RunHandler("pSplitter_MouseMove", [this, y] { pSplitter_MouseMove(y); });
            return true;
        }
        case QEvent::MouseButtonRelease:
            RunHandler("pSplitter_MouseUp", [this] { pSplitter_MouseUp(); });
            return true;
        case QEvent::Paint: {
            // A flat frame on the bar: its grip.
            QPainter p(m_pSplitter);
            p.setPen(palette().color(QPalette::Mid));
            const int tx = TwipsPerPixelX();
            const int ty = TwipsPerPixelY();
            const int left = 70 / tx;
            const int right = (m_pSplitter->width() * tx - 80) / tx;
            p.drawLine(left, 0, right, 0);
            p.drawLine(left, 50 / ty, right, 50 / ty);
            p.drawLine(left, 0, left, 50 / ty);
            p.drawLine(right, 0, right, 60 / ty);
            return true;
        }
        default:
            break;
        }
    }
    return Form::eventFilter(watched, event);
}

bool frmList::Form_KeyDown(int keyCode, int shift, bool onList)
{
    switch (keyCode) {
    case vbkey::Escape:
        Unload(this);
        return true;
    case vbkey::F5:
        RefreshList(-1);
        return true;
    default:
        break;
    }
    if (!onList)
        return false;
    if (keyCode == vbkey::Return && ButtonVisible("OPEN")) {
        OpenSelectedView();
        return true;
    }
    if (keyCode == vbkey::Delete && ButtonVisible("DELETE")) {
        DeleteSelectedView();
        return true;
    }
    if (keyCode == vbkey::Insert && ButtonVisible("NEW")) {
        NewView();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- closing

bool frmList::Form_Unload()
{
    // Work the list control still runs is dropped, and the statistics waiting for it.
    m_eListView->ClearRows();
    CloseStatisticsConnection();
    if (m_oView && m_oView->ViewID() > 0 && !m_bViewGone)
        SaveLastUsedSearch();
    SetScreenMousePointer(vbDefault);
    if (m_oToolbarHelper) {
        AuProperties bag;
        bag.Add(QStringLiteral("ToolbarShowText"), int16_t(m_oToolbarHelper->IsTextShown().toBool() ? 1 : 0));
        SaveWindowSettings(QString::fromLatin1(kSettingsPrefix) + MachineSettingsKeyName(Caption()), Caption(), bag);
        m_oToolbarHelper->Dispose();
        m_oToolbarHelper.reset();
    }
    return false;
}
