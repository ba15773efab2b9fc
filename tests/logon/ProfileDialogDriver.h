#pragma once
// Drives the profile manager and the profile wizard while they are shown
// modally: a step runs inside the modal loop once the form shows, and a form
// that a step leaves open is closed so that the loop (and the test) ends.

#include "listhelpers/ComboBoxHelper.h"
#include "logon/frmLogonProfileList.h"
#include "logon/frmLogonWizard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace profiletest {

// The loaded, visible form of that name; nullptr when none shows.
template <class F>
F* ShownForm(const QString& name)
{
    for (Form* f : LoadedForms())
        if (f->Name() == name && f->isVisible())
            return qobject_cast<F*>(f);
    return nullptr;
}

// Runs step on the form of that name once it shows (within 10 s). A form still
// shown after the step is unloaded, as the window system's close would.
template <class F>
void WhenShown(const QString& name, std::function<void(F*)> step)
{
    auto* timer = new QTimer;
    auto* started = new QElapsedTimer;
    started->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [=] {
        F* form = ShownForm<F>(name);
        if (!form && started->elapsed() < 10000)
            return;
        timer->stop();
        timer->deleteLater();
        delete started;
        if (!form) {
            ADD_FAILURE() << "no " << name.toStdString() << " was shown";
            return;
        }
        QPointer<F> guard(form);
        step(form);
        if (guard && IsFormLoaded(guard) && guard->isVisible())
            Unload(guard);
    });
    timer->start();
}

// What one walk through the wizard enters; an empty branch for a company without.
struct Walk {
    QString hbServer;  // "host:port"
    QString sqlServer;
    QString company;
    QString branch;
    QString name;  // empty: the suggested name stays
};

inline void Choose(ComboBox* combo, const QString& text)
{
    const int i = combo->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    combo->SetListIndex(i);
}

// Walks the wizard through server, company, branch and name and presses Finish.
// A wizard that refuses to finish stays shown, and WhenShown closes it.
inline void WalkWizard(frmLogonWizard* w, const Walk& walk)
{
    if (!walk.sqlServer.isNull()) {
        w->txtSQLServer->setText(walk.sqlServer);
        w->txtHBServer->setText(walk.hbServer);
    }
    w->cmdNext_Click();
    if (w->CurrentFrame() == 2) {
        if (!walk.company.isEmpty())
            Choose(w->cboCompany, walk.company);
        w->cmdNext_Click();
    }
    if (w->CurrentFrame() == 3) {
        if (!walk.branch.isEmpty())
            Choose(w->cboBranch, walk.branch);
        w->cmdNext_Click();
    }
    ASSERT_EQ(w->CurrentFrame(), 4);
    if (!walk.name.isEmpty())
        w->txtProfileName->setText(walk.name);
    w->cmdNext_Click();
}

inline void WhenWizardShown(const Walk& walk)
{
    WhenShown<frmLogonWizard>(QStringLiteral("frmLogonWizard"), [walk](frmLogonWizard* w) { WalkWizard(w, walk); });
}

// The wizard is left with Esc: nothing is written.
inline void WhenWizardShownCancel()
{
    WhenShown<frmLogonWizard>(QStringLiteral("frmLogonWizard"), [](frmLogonWizard* w) { Unload(w); });
}

}  // namespace profiletest
