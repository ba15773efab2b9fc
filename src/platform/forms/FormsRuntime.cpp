#include "platform/forms/FormsRuntime.h"

#include "base/AppError.h"
#include "base/ProgramDefinition.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

const AppInfo& App()
{
    static AppInfo info = [] {
        AppInfo a;
        a.title = QString::fromLatin1(Program().title);
        a.productName = QString::fromLatin1(Program().productName);
        a.exeName = QString::fromLatin1(Program().exeName);
        a.major = Program().major;
        a.minor = Program().minor;
        a.revision = Program().revision;
        a.path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
        return a;
    }();
    return info;
}

// ---------------------------------------------------------------- modal loops
namespace {
// The modal loops of this runtime (modal forms and message boxes) that are running.
int g_modalDepth = 0;
// Deletes unloaded forms soon, unless a modal loop runs; then when the last one ends.
void ScheduleCollect();
}  // namespace

ModalLoopScope::ModalLoopScope() { ++g_modalDepth; }
ModalLoopScope::~ModalLoopScope()
{
    if (--g_modalDepth == 0)
        ScheduleCollect();
}

// ---------------------------------------------------------------- message boxes
namespace {
MessageBoxAnswerer& answerer()
{
    static MessageBoxAnswerer a;
    return a;
}

QWidget* ModalOwner(const QWidget* except);

// A box sizes itself to its text only as it is shown, after the dialog placed it
// by its earlier size: it is centred once more on its owner with its final size,
// still before it reaches the screen.
class CentredMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* e) override
    {
        QMessageBox::showEvent(e);
        if (QWidget* owner = parentWidget())
            move(owner->window()->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
};

int showRealBox(const MessageBoxRequest& r)
{
    // Centred on the window it speaks for (a modal dialog, else the active window),
    // with a title bar that offers no minimise or maximise: a box is answered, not
    // put aside. Made on the heap, so that an owner which goes away while the box
    // is open takes the box with it instead of deleting a box on the stack.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = ModalOwner(nullptr);
    QPointer<QMessageBox> made = new CentredMessageBox(owner ? owner->window() : nullptr);
    QMessageBox& box = *made;
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    box.setWindowTitle(r.title);
    // Shown as the plain text it is: a prompt that happens to hold "<b>" is not markup.
    // CR LF, a lone CR and a lone LF each break the line, as the platform's boxes do.
    QString shown = r.prompt;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    switch (r.icon()) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct B { QMessageBox::StandardButton button; int result; };
    std::vector<B> buttons;
    switch (r.buttons()) {
    case vbOKCancel: buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
    case vbYesNoCancel: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbYesNo: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: buttons = {{QMessageBox::Ok, vbOK}}; break;
    }
    for (const auto& b : buttons)
        box.addButton(b.button);
    const size_t def = (r.style & vbDefaultButton3) ? 2 : ((r.style & vbDefaultButton2) ? 1 : 0);
    if (def < buttons.size())
        box.setDefaultButton(buttons[def].button);
    const int prev = ScreenMousePointer();
    if (prev != vbDefault)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (prev != vbDefault)
        QApplication::restoreOverrideCursor();
    const auto clicked = made ? made->standardButton(made->clickedButton()) : QMessageBox::NoButton;
    delete made.data();
    for (const auto& b : buttons)
        if (b.button == clicked)
            return b.result;
    // Closed with Escape or the title bar: Cancel where there is one, else the only button.
    for (const auto& b : buttons)
        if (b.result == vbCancel)
            return vbCancel;
    return buttons.back().result;
}
}  // namespace

int MsgBox(const QString& prompt, int style, const QString& title)
{
    MessageBoxRequest r{prompt, style, title.isEmpty() ? App().title : title};
    if (answerer())
        return answerer()(r);
    ModalLoopScope modal;
    return showRealBox(r);
}

void SetMessageBoxAnswerer(MessageBoxAnswerer a) { answerer() = std::move(a); }

// ---------------------------------------------------------------- forms
class FormsRegistry {
public:
    static FormsRegistry& instance()
    {
        static FormsRegistry r;
        return r;
    }
    std::vector<QPointer<Form>> loaded;
    std::vector<QPointer<Form>> unloaded;  // waiting to be deleted
    std::vector<const Form*> kept;
    bool collectScheduled = false;

    void scheduleCollect()
    {
        // Under a modal loop nothing is deleted; the loop's end schedules the collection
        // (waiting here with a timer would keep the event loop from ever sleeping).
        if (collectScheduled || unloaded.empty() || g_modalDepth > 0 || !QCoreApplication::instance())
            return;
        collectScheduled = true;
        QTimer::singleShot(0, [] {
            FormsRegistry::instance().collectScheduled = false;
            if (g_modalDepth == 0)
                CollectUnloadedForms();
        });
    }
};

namespace {
void ScheduleCollect() { FormsRegistry::instance().scheduleCollect(); }
}  // namespace

Form::Form(const QString& formName, QWidget* parent) : QWidget(parent), m_name(formName)
{
    setObjectName(formName);
}

Form::~Form()
{
    auto& r = FormsRegistry::instance();
    std::erase_if(r.loaded, [this](const QPointer<Form>& p) { return p.isNull() || p.data() == this; });
    std::erase(r.kept, this);
}

void Form::closeEvent(QCloseEvent* e)
{
    // The window's close box: unload through the runtime so QueryUnload and Unload run.
    e->ignore();
    if (m_unloading)
        return;
    RunEventHandler(m_name.toLatin1().constData(), "Form_QueryUnload", [this] { Unload(this, vbFormControlMenu); });
}

void Form::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    // A window the user minimises is hidden by the window system, not by the program:
    // a modal show goes on.
    if (!e->spontaneous())
        emit hidden();
}

void Load(Form* form)
{
    if (!form || form->m_loaded)
        return;
    form->m_loaded = true;
    FormsRegistry::instance().loaded.emplace_back(form);
    try {
        form->Form_Load();
    } catch (...) {
        // A form whose load failed does not stay loaded half set up: it goes without
        // its closing steps (it never finished opening), and the error reaches the
        // code that loaded or showed it.
        if (form->m_loaded && !form->m_unloading)
            FinishUnload(form);
        throw;
    }
}

bool Unload(Form* form, int unloadMode)
{
    if (!form || !form->m_loaded || form->m_unloading)
        return true;
    form->m_unloading = true;
    // An error in QueryUnload or Unload ends the unload and reaches the code that asked
    // for it; the window's close box asks inside an event boundary (closeEvent).
    bool cancel = false;
    try {
        cancel = form->Form_QueryUnload(unloadMode);
        if (!cancel)
            cancel = form->Form_Unload();
    } catch (...) {
        form->m_unloading = false;
        throw;
    }
    form->m_unloading = false;
    if (cancel)
        return false;
    FinishUnload(form);
    return true;
}

void FinishUnload(Form* form)
{
    auto& r = FormsRegistry::instance();
    form->m_loaded = false;
    std::erase_if(r.loaded, [form](const QPointer<Form>& p) { return p.isNull() || p.data() == form; });
    form->hide();
    emit form->unloaded();
    if (std::find(r.kept.begin(), r.kept.end(), form) == r.kept.end()) {
        r.unloaded.emplace_back(form);
        r.scheduleCollect();
    }
    // The program lives as long as a form is loaded: the last unload ends its event loop.
    // Only when that loop runs: an exit asked for while only this runtime's modal loops run
    // (or none, as during start-up) would make every later modal loop return at once.
    if (r.loaded.empty() && QCoreApplication::instance() && QThread::currentThread()->loopLevel() > g_modalDepth)
        QCoreApplication::exit(0);
}

void Show(Form* form)
{
    Load(form);
    if (form && form->IsLoaded()) {
        form->show();
        form->raise();
        form->activateWindow();
    }
}

namespace {
// The window a modal form or a message box is opened from: the active one, else the
// last loaded form on screen.
QWidget* ModalOwner(const QWidget* form)
{
    QWidget* active = QApplication::activeWindow();
    if (active && active != form && active->isVisible())
        return active;
    const auto forms = LoadedForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        if (*it != form && (*it)->isVisible())
            return (*it)->window();
    return nullptr;
}

// A modal form that was never placed opens centred on the window it came from (on the
// screen when there is none), and stays above that window: otherwise it opened in the
// screen's corner and could fall behind the window it blocks.
void PlaceModal(Form* form)
{
    QWidget* owner = ModalOwner(form);
    if (owner) {
        form->winId();
        owner->winId();
        if (form->windowHandle() && owner->windowHandle())
            form->windowHandle()->setTransientParent(owner->windowHandle());
    }
    if (form->testAttribute(Qt::WA_Moved))
        return;
    if (!form->testAttribute(Qt::WA_Resized))
        form->adjustSize();  // what showing it would do; centring needs the final size
    QRect area;
    if (owner)
        area = owner->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (!area.isValid())
        return;
    QPoint at = area.center() - QPoint(form->width() / 2, form->height() / 2);
    // Never past the screen's top left, so the caption and first controls stay in reach.
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        at.setX(std::max(avail.left(), std::min(at.x(), avail.right() - form->width())));
        at.setY(std::max(avail.top(), std::min(at.y(), avail.bottom() - form->height())));
    }
    form->move(at);
}
}  // namespace

void ShowModal(Form* form)
{
    Load(form);
    if (!form || !form->IsLoaded())
        return;
    PlaceModal(form);
    QEventLoop loop;
    QPointer<Form> guard(form);
    QObject::connect(form, &Form::hidden, &loop, &QEventLoop::quit);
    QObject::connect(form, &Form::unloaded, &loop, &QEventLoop::quit);
    QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    const auto previous = form->windowModality();
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
    form->raise();
    form->activateWindow();
    {
        ModalLoopScope modal;
        if (guard && guard->IsLoaded() && guard->isVisible())
            loop.exec();
    }
    if (guard)
        guard->setWindowModality(previous);
}

void Hide(Form* form)
{
    if (form)
        form->hide();
}

void KeepAfterUnload(Form* form)
{
    auto& r = FormsRegistry::instance();
    if (std::find(r.kept.begin(), r.kept.end(), form) == r.kept.end())
        r.kept.push_back(form);
    std::erase_if(r.unloaded, [form](const QPointer<Form>& p) { return p.data() == form; });
}

std::vector<Form*> LoadedForms()
{
    std::vector<Form*> out;
    for (const auto& p : FormsRegistry::instance().loaded)
        if (p)
            out.push_back(p.data());
    return out;
}

bool IsFormLoaded(const Form* form)
{
    for (const auto& p : FormsRegistry::instance().loaded)
        if (p && p.data() == form)
            return true;
    return false;
}

void CollectUnloadedForms()
{
    auto& r = FormsRegistry::instance();
    auto pending = std::move(r.unloaded);
    r.unloaded.clear();
    for (auto& p : pending)
        if (p && !p->IsLoaded())
            delete p.data();
}

// ---------------------------------------------------------------- screen
namespace {
int g_mousePointer = vbDefault;
}

void SetScreenMousePointer(int pointer)
{
    if (pointer == g_mousePointer)
        return;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        if (pointer == vbHourglass)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else if (pointer != vbDefault)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    g_mousePointer = pointer;
}

int ScreenMousePointer() { return g_mousePointer; }

static int twipsFor(bool x)
{
    const QScreen* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
    const double dpi = s ? (x ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY()) : 96.0;
    return std::max(1, static_cast<int>(1440.0 / (dpi > 0 ? dpi : 96.0) + 0.5));
}

int TwipsPerPixelX() { return twipsFor(true); }
int TwipsPerPixelY() { return twipsFor(false); }

// ---------------------------------------------------------------- end
namespace {
std::function<void()>& endHandler()
{
    static std::function<void()> h;
    return h;
}
}  // namespace

void SetProgramEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

void EndProgram()
{
    if (endHandler()) {
        endHandler()();
        throw ProgramEnded{};
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

// ---------------------------------------------------------------- the event-handler boundary

void ShowErrorMessage()
{
    const auto& e = CurrentError();
    MsgBox(QStringLiteral("(%1) -- %2").arg(e.number).arg(e.description), vbOKOnly);
}

void RunEventHandler(const char* objectName, const char* procedureName, const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        SetCurrentError(e);
        TraceProc(QString::fromLatin1(objectName), QString::fromLatin1(procedureName));
        ShowErrorMessage();
    } catch (const std::exception&) {
        SetCurrentError(ToAppError(std::current_exception()));
        TraceProc(QString::fromLatin1(objectName), QString::fromLatin1(procedureName));
        ShowErrorMessage();
    }
}

bool ClickFocusedButton(QWidget* form)
{
    auto* button = qobject_cast<QPushButton*>(form->focusWidget());
    if (!button)
        return false;
    button->click();
    return true;
}
