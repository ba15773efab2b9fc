#include "shell/CTabExcluded.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/VbKeys.h"

#include <QTabBar>

namespace {
const QString kObject = QStringLiteral("CTabExcluded");
}

CTabExcluded::CTabExcluded()
{
    TraceProc(kObject, QStringLiteral("Class_Initialize"));
}

CTabExcluded::~CTabExcluded()
{
    try {
        Dispose();
    } catch (const AppError& e) {
        SetCurrentError(e);
        TraceProc(kObject, QStringLiteral("Class_Terminate"));
        ShowErrorMessage();
    }
}

void CTabExcluded::Init(QTabWidget* tabs)
{
    Traced("CTabExcluded", "Init", [&] {
        if (!tabs)
            RaiseError(vberr::ObjectNotSet);
        m_tabs = tabs;
    });
}

void CTabExcluded::KeyDown(int& keyCode, int shift)
{
    Traced("CTabExcluded", "KeyDown", [&] {
        if (keyCode == vbkey::Tab && (shift == 2 || shift == 3))
            keyCode = 0;
    });
}

bool CTabExcluded::available(int tab) const
{
    return tab >= 0 && tab < m_tabs->count() && m_tabs->isTabEnabled(tab);
}

void CTabExcluded::KeyUp(QWidget* activeControl, int& keyCode, int shift)
{
    // Failures are skipped here: a key must never end in an error box.
    if (!m_tabs || keyCode != vbkey::Tab || (shift != 2 && shift != 3))
        return;
    if (activeControl && (activeControl == m_tabs || activeControl == m_tabs->tabBar()))
        return;
    const int n = m_tabs->count();
    const int c = m_tabs->currentIndex();
    if (n <= 0 || c < 0)
        return;
    if (shift == 2) {
        // The first available tab after the current one, else tab 0.
        for (int i = 1; c + i <= n; ++i) {
            const int candidate = c + i == n ? 0 : c + i;
            if (candidate == c)
                break;
            if (available(candidate)) {
                m_tabs->setCurrentIndex(candidate);
                return;
            }
            if (c + i == n)
                break;
        }
        return;  // nothing available: stay
    }
    // From tab 0 the last available tab; from another, the first available before it.
    for (int i = 1; i <= n; ++i) {
        const int candidate = c == 0 ? n - i : c - i;
        if (candidate < 0 || candidate == c)
            break;
        if (available(candidate)) {
            m_tabs->setCurrentIndex(candidate);
            return;
        }
    }
}

void CTabExcluded::Dispose()
{
    Traced("CTabExcluded", "Dispose", [&] { m_tabs = nullptr; });
}
