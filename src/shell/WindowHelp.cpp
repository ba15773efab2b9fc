#include "shell/WindowHelp.h"

#include "core/CoPlatformProvider.h"
#include "core/FormUtilities.h"
#include "platform/forms/FormsRuntime.h"
#include "shell/HTMLHelp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace {

constexpr int32_t kMainWindowTopic = 17130;

// The topics of the windows by their form names (the context ids of the help file's pages).
struct FormTopic {
    const char* form;
    int32_t contextId;
};
constexpr FormTopic kFormTopics[] = {
    {"frmMDIFrame", kMainWindowTopic},
    {"frmAbout", kMainWindowTopic},
    {"frmLogonNew", 17131},
    {"frmLogonWizard", 17131},
    {"frmLogonProfileList", 17131},
    {"frmList", 17133},
    {"frmListSearchName", 17135},
    {"frmListSearchEditSQL", 17135},
    {"frmExportProgress", 17138},
    {"frmListViewEdit", 17139},
    {"frmImportColumn", 17140},
    {"frmEditImportedColumn", 17140},
};

int32_t TopicOfForm(const QWidget* widget)
{
    for (const FormTopic& t : kFormTopics)
        if (widget->objectName() == QLatin1String(t.form))
            return t.contextId;
    return 0;
}

// The help windows are the help's own: F1 there is the viewer's business.
bool IsHelpWindow(const QWidget* window)
{
    return window->objectName() == QLatin1String("HelpWindow") || window->inherits("HelpPopup");
}

// The window F1 was pressed in, when it is one this handler serves.
QWidget* ServedWindow(QObject* target)
{
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget)
        return nullptr;
    QWidget* window = widget->window();
    // The main window's Help command has F1 of its own (and its list windows with it).
    if (!window || IsHelpWindow(window) || window->objectName() == kMainWindowFormName)
        return nullptr;
    // A menu or a list that is open belongs to its window; the key is left to it.
    if (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog)
        return nullptr;
    return window;
}

bool IsPlainF1(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

class WindowHelpFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !IsPlainF1(event))
            return false;
        QWidget* window = ServedWindow(watched);
        if (!window)
            return false;
        if (type == QEvent::ShortcutOverride) {
            // The key is this window's: no shortcut of another window takes it.
            event->accept();
            return true;
        }
        RunEventHandler("WindowHelp", "Form_KeyDown", [window] { ShowWindowHelp(window); });
        return true;
    }
};

std::unique_ptr<HTMLHelp>& HelpObject()
{
    static std::unique_ptr<HTMLHelp> help;
    return help;
}

}  // namespace

void InstallWindowHelp()
{
    static QPointer<WindowHelpFilter> filter;
    if (filter || !qApp)
        return;
    filter = new WindowHelpFilter(qApp);
    qApp->installEventFilter(filter);
}

int32_t HelpContextIdOf(const QWidget* window)
{
    for (const QWidget* w = window ? window->window() : nullptr; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        if (const int32_t id = TopicOfForm(w))
            return id;
    return kMainWindowTopic;
}

void ShowWindowHelp(QWidget* window)
{
    if (!window)
        return;
    std::unique_ptr<HTMLHelp>& help = HelpObject();
    if (!help)
        help = std::make_unique<HTMLHelp>();
    // The file and the window type of the main window's Help command.
    const QString appName = CoPlatformProvider().AppName();
    help->SetCHMFile(App().path + QLatin1Char('/') + appName + QStringLiteral(".chm"));
    help->SetHHWindow(appName);
    help->SetHHShowOnTop(true);
    help->SetHHTopicID(HelpContextIdOf(window));
    help->HHDisplayTopicID(window->window());
}
