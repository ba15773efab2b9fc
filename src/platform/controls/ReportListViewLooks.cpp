// ReportListView: its behaviour and looks (selection mode, grid lines, the
// selection's colours, check boxes, pointer, colours and bands, sizes) and
// the redraw lock.

#include "platform/controls/ReportListView.h"

#include "platform/controls/ReportListModel.h"
#include "platform/forms/FormsRuntime.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

// ---------------------------------------------------------------- behaviour and looks

void ReportListView::SetMultiSelect(bool on)
{
    m_multiSelect = on;
    m_tree->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void ReportListView::SetFullRowSelect(bool on)
{
    m_fullRowSelect = on;
    m_tree->setAllColumnsShowFocus(on);
}

void ReportListView::SetGridLines(bool on)
{
    m_gridLines = on;
    applyItemStyle();
}

// Grid lines come from a style sheet rule for the items. Such a rule has the
// items drawn by the style sheet, which leaves selected rows without their
// background (white text on white): the rule gives the selection colours of
// the palette, focused and not, so that HideSelection keeps working.
void ReportListView::applyItemStyle()
{
    if (!m_gridLines) {
        m_tree->setStyleSheet(QString());
        return;
    }
    const QPalette p = m_tree->palette();
    auto color = [&p](QPalette::ColorGroup group, QPalette::ColorRole role) { return p.color(group, role).name(); };
    m_tree->setStyleSheet(
        QStringLiteral("QTreeView::item { border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid); }"
                       "QTreeView::item:selected:active { background: %1; color: %2; }"
                       "QTreeView::item:selected:!active { background: %3; color: %4; }")
            .arg(color(QPalette::Active, QPalette::Highlight), color(QPalette::Active, QPalette::HighlightedText),
                 color(QPalette::Inactive, QPalette::Highlight), color(QPalette::Inactive, QPalette::HighlightedText)));
}

void ReportListView::SetHideSelection(bool on)
{
    m_hideSelection = on;
    // Without focus a hidden selection shows in the normal colours, a kept one as when focused.
    QPalette p = m_tree->palette();
    const QPalette base = QApplication::palette(m_tree);
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               on ? p.color(QPalette::Inactive, QPalette::Base) : base.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               on ? base.color(QPalette::Inactive, QPalette::Text)
                  : base.color(QPalette::Active, QPalette::HighlightedText));
    m_tree->setPalette(p);
    applyItemStyle();
}

void ReportListView::SetCheckboxes(bool on)
{
    m_checkboxes = on;
    if (ItemCount() > 0)
        emit m_model->dataChanged(m_model->index(0, 0), m_model->index(ItemCount() - 1, 0));
    m_tree->viewport()->update();
}

bool ReportListView::HideColumnHeaders() const { return m_tree->isHeaderHidden(); }

void ReportListView::SetHideColumnHeaders(bool on) { m_tree->setHeaderHidden(on); }

void ReportListView::SetMousePointer(int pointer)
{
    m_mousePointer = pointer;
    if (pointer == vbHourglass)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

bool ReportListView::TabStop() const { return m_tree->focusPolicy() & Qt::TabFocus; }

void ReportListView::SetTabStop(bool on)
{
    m_tree->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

QColor ReportListView::BackColor() const { return m_tree->palette().color(QPalette::Active, QPalette::Base); }

void ReportListView::SetBackColor(const QColor& color)
{
    QPalette p = m_tree->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, color);
    m_tree->setPalette(p);
    if (m_hideSelection)
        SetHideSelection(true);
}

void ReportListView::SetBandColors(const QColor& first, const QColor& second)
{
    m_bandFirst = first;
    m_bandSecond = second.isValid() ? second : first;
    m_tree->viewport()->update();
}

QColor ReportListView::BandColor(int row) const
{
    if (!HasBands())
        return {};
    return row % 2 == 0 ? m_bandFirst : m_bandSecond;
}

int ReportListView::WidthTwips() const { return width() * TwipsPerPixelX(); }

int ReportListView::HeightTwips() const { return height() * TwipsPerPixelY(); }

void ReportListView::LockRedraw()
{
    if (m_redrawLocks++ == 0)
        m_tree->setUpdatesEnabled(false);
}

void ReportListView::UnlockRedraw()
{
    if (m_redrawLocks == 0)
        return;
    if (--m_redrawLocks == 0) {
        m_tree->setUpdatesEnabled(true);
        m_tree->viewport()->update();
    }
}
