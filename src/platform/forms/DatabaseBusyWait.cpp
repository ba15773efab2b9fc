#include "platform/forms/DatabaseBusyWait.h"

#include "platform/forms/FormsRuntime.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace busywait {

namespace {

struct State {
    bool active = false;
    bool cancelled = false;
    int depth = 0;
    int pointerBefore = 0;
    QElapsedTimer sincePump;
    QPointer<QDialog> dialog;
};

State& state()
{
    static State s;
    return s;
}

int g_delay = 3000;
// Often enough to keep painting smooth, seldom enough to leave the wait its time.
constexpr int kPumpInterval = 15;

QDialog* MakeDialog(State& s, const QString& message)
{
    auto* dialog = new QDialog(QApplication::activeWindow(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setObjectName(QStringLiteral("frmDatabaseBusy"));
    dialog->setWindowTitle(QApplication::applicationName().isEmpty() ? QStringLiteral("Database Busy")
                                                                      : QApplication::applicationName());
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(message, dialog);
    label->setObjectName(QStringLiteral("lblMessage"));
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, [&s] { s.cancelled = true; });
    // Its close box cancels too.
    QObject::connect(dialog, &QDialog::rejected, dialog, [&s] { s.cancelled = true; });
    dialog->setMinimumWidth(360);
    // Only the dialog takes input while it shows.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setCursor(Qt::ArrowCursor);
    dialog->show();
    dialog->raise();
    return dialog;
}

}  // namespace

bool Waiting(int64_t waitedMs) { return WaitingFor(waitedMs, QString::fromLatin1(kMessage)); }

bool WaitingFor(int64_t waitedMs, const QString& message)
{
    State& s = state();
    // A wait inside the events of another wait just waits.
    if (s.depth > 0 || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return !s.cancelled;
    if (!s.active) {
        s.active = true;
        s.cancelled = false;
        s.pointerBefore = ScreenMousePointer();
        SetScreenMousePointer(vbHourglass);
        s.sincePump.invalidate();
    }
    if (s.cancelled)
        return false;
    if (s.sincePump.isValid() && s.sincePump.elapsed() < kPumpInterval)
        return true;
    ++s.depth;
    try {
        if (!s.dialog && waitedMs >= g_delay)
            s.dialog = MakeDialog(s, message);
        // Before the dialog shows, input waits in the queue; with it, the modal
        // dialog keeps input from the other windows.
        QCoreApplication::processEvents(s.dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    } catch (...) {
        --s.depth;
        throw;
    }
    --s.depth;
    s.sincePump.start();
    return !s.cancelled;
}

void Ended()
{
    State& s = state();
    if (!s.active || s.depth > 0)
        return;
    s.active = false;
    if (s.dialog) {
        s.dialog->hide();
        delete s.dialog.data();
    }
    SetScreenMousePointer(s.pointerBefore);
}

void SetDialogDelay(int milliseconds) { g_delay = milliseconds; }
int DialogDelay() { return g_delay; }
QDialog* Dialog() { return state().dialog.data(); }

}  // namespace busywait
