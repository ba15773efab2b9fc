#include "shell/ViewFormUtilities.h"

#include "base/AppError.h"
#include "platform/controls/ReportListView.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>

namespace {

// The system colours button face and window background.
QColor ButtonFace() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }
QColor WindowBackground() { return QApplication::palette().color(QPalette::Active, QPalette::Base); }

}  // namespace

void EnableSelectedTabFrame(const QTabBar* tabs, const std::vector<QWidget*>& frames)
{
    if (!tabs)
        RaiseError(vberr::ObjectNotSet);
    const int n = tabs->count();
    for (int i = 0; i < n; ++i) {
        if (static_cast<size_t>(i) >= frames.size() || !frames[static_cast<size_t>(i)])
            RaiseError(vberr::ObjectNotSet);
        QWidget* frame = frames[static_cast<size_t>(i)];
        frame->setEnabled(i == tabs->currentIndex());
        QPalette p = frame->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, QPalette::Window, ButtonFace());
        frame->setPalette(p);
        frame->setAutoFillBackground(true);
    }
}

void EnableSelectedTabFrame(const QTabWidget* tabs, const std::vector<QWidget*>& frames)
{
    if (!tabs)
        RaiseError(vberr::ObjectNotSet);
    EnableSelectedTabFrame(tabs->tabBar(), frames);
}

void SetListViewState(ReportListView* list, bool readOnly)
{
    if (!list)
        RaiseError(vberr::ObjectNotSet);
    const int count = list->ItemCount();
    const bool usable = !readOnly && count > 0;
    list->setEnabled(count > 0);
    list->SetTabStop(usable);
    list->SetBackColor(usable ? WindowBackground() : ButtonFace());
}
