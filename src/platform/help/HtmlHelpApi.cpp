#include "platform/help/HtmlHelpApi.h"

#include "platform/forms/FormsRuntime.h"
#include "platform/help/HelpFile.h"
#include "platform/help/HelpPopup.h"
#include "platform/help/HelpWindow.h"

#include <QCoreApplication>
#include <QCursor>
#include <QTextBrowser>
#include <QWhatsThis>
#include <dlfcn.h>

namespace {

HtmlHelpObserver g_observer;
std::function<std::optional<HelpComponentInfo>(HelpComponent)> g_componentLookup;

struct Target {
    QString file;
    QString window;  // after ">"
    QString inner;   // after "::"
};

// "file>window" or "file::/inner": the inner path follows the first "::"; the
// window type follows the first ">" after the file's last folder separator.
Target parseTarget(const QString& text)
{
    Target t;
    QString rest = text;
    const qsizetype inner = rest.indexOf(QLatin1String("::"));
    if (inner >= 0) {
        t.inner = rest.mid(inner + 2);
        rest = rest.left(inner);
    }
    const qsizetype window = rest.indexOf(QLatin1Char('>'), rest.lastIndexOf(QLatin1Char('/')) + 1);
    if (window >= 0) {
        t.window = rest.mid(window + 1);
        rest = rest.left(window);
    }
    t.file = rest;
    return t;
}

HelpFile* openFile(const QString& path)
{
    QString damage;
    HelpFile* file = HelpFile::Open(path, &damage);
    if (file)
        return file;
    if (!damage.isEmpty())
        MsgBox(QStringLiteral("The help file ") + path + QStringLiteral(" is damaged and cannot be read (") + damage +
                   QStringLiteral(")."),
               vbExclamation, QStringLiteral("HTML Help"));
    else
        MsgBox(QStringLiteral("Cannot open the file: ") + path + QLatin1Char('.'), vbExclamation,
               QStringLiteral("HTML Help"));
    return nullptr;
}

QWidget* lookUp(QWidget* owner, const Target& target, const HH_AKLINK& link, bool alinks)
{
    HelpFile* file = openFile(target.file);
    if (!file)
        return nullptr;
    const QString names = link.pszKeywords.value_or(QString());
    const QList<QUrl> topics = alinks ? file->TopicsForALinks(names) : file->TopicsForKeywords(names);
    const QString window = link.pszWindow.value_or(target.window);
    if (!topics.isEmpty()) {
        HelpWindow* w = HelpWindow::Show(file, window, owner);
        w->ShowTopic(topics.first());
        return w;
    }
    // Nothing found: the index, the default topic or the message, as the caller asked.
    if (link.fIndexOnFail) {
        HelpWindow* w = HelpWindow::Show(file, window, owner);
        w->ShowIndexFor(names.section(QLatin1Char(';'), 0, 0).trimmed());
        return w;
    }
    if (link.pszUrl) {
        HelpWindow* w = HelpWindow::Show(file, window, owner);
        w->ShowTopic(file->Topic(*link.pszUrl));
        return w;
    }
    if (link.pszMsgText)
        MsgBox(*link.pszMsgText, vbExclamation, link.pszMsgTitle.value_or(QStringLiteral("HTML Help")));
    return nullptr;
}

void showPopup(QWidget* owner, const OptionalText& fileText, const HH_POPUP& popup)
{
    QString text = popup.pszText.value_or(QString());
    if (fileText) {
        const Target target = parseTarget(*fileText);
        HelpFile* file = openFile(target.file);
        if (!file)
            return;
        const auto topic = file->PopupText(target.inner, popup.idString);
        text = topic ? *topic
                     : QStringLiteral("No text is available for topic %1 of %2.").arg(popup.idString).arg(target.inner);
    }
    if (text.isEmpty())
        return;
    QColor fore = HelpPopup::ColorFromValue(popup.clrForeground);
    QColor back = HelpPopup::ColorFromValue(popup.clrBackground);
    // Unset colours (-1), or a text in its own background colour, which nobody could
    // read, take the colours of tool tips.
    if (popup.clrForeground == -1 || popup.clrBackground == -1 || fore == back) {
        const QPalette tips = QPalette();
        fore = popup.clrForeground == -1 || fore == back ? tips.color(QPalette::ToolTipText) : fore;
        back = popup.clrBackground == -1 || fore == back ? tips.color(QPalette::ToolTipBase) : back;
        if (fore == back)
            fore = tips.color(QPalette::ToolTipText), back = tips.color(QPalette::ToolTipBase);
    }
    const QRect& m = popup.rcMargins;
    auto* window = new HelpPopup(owner, text, HelpPopup::FontFromText(popup.pszFont.value_or(QString())), fore, back,
                                 QMargins(m.left(), m.top(), m.right(), m.bottom()));
    window->adjustSize();
    window->move(popup.pt);
    window->show();
}

// The file that holds a function's code.
QString fileOf(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) && info.dli_fname)
        return QString::fromLocal8Bit(info.dli_fname);
    return QString();
}

}  // namespace

QWidget* HtmlHelp(QWidget* owner, const OptionalText& file, uint32_t command, const HtmlHelpData& data)
{
    if (g_observer && !g_observer(HtmlHelpCall{owner, file, command, data}))
        return nullptr;

    switch (command) {
    case HH_CLOSE_ALL:
        HelpWindow::CloseAll();
        return nullptr;
    case HH_DISPLAY_TEXT_POPUP:
        if (const auto* popup = std::get_if<HH_POPUP>(&data))
            showPopup(owner, file, *popup);
        return nullptr;
    default: break;
    }
    if (!file)
        return nullptr;
    const Target target = parseTarget(*file);
    switch (command) {
    case HH_KEYWORD_LOOKUP:
    case HH_ALINK_LOOKUP:
        if (const auto* link = std::get_if<HH_AKLINK>(&data))
            return lookUp(owner, target, *link, command == HH_ALINK_LOOKUP);
        return nullptr;
    case HH_DISPLAY_TOPIC:
    case HH_DISPLAY_TOC:
    case HH_DISPLAY_INDEX:
    case HH_DISPLAY_SEARCH:
    case HH_HELP_CONTEXT: break;
    default: return nullptr;  // a command this viewer does not know does nothing
    }

    HelpFile* help = openFile(target.file);
    if (!help)
        return nullptr;
    HelpWindow* window = HelpWindow::Show(help, target.window, owner);
    switch (command) {
    case HH_DISPLAY_TOPIC: {
        QString page = target.inner;
        if (const auto* text = std::get_if<QString>(&data))
            page = *text;
        if (!page.isEmpty())
            window->ShowTopic(help->Topic(page));
        break;
    }
    case HH_DISPLAY_TOC: window->ShowPane(HelpWindow::ContentsPane); break;
    case HH_DISPLAY_INDEX: window->ShowPane(HelpWindow::IndexPane); break;
    case HH_DISPLAY_SEARCH: {
        window->ShowPane(HelpWindow::SearchPane);
        if (const auto* query = std::get_if<HH_FTS_QUERY>(&data); query && query->fExecute && query->pszSearchQuery)
            window->Search(*query->pszSearchQuery);
        break;
    }
    case HH_HELP_CONTEXT: {
        const auto* id = std::get_if<uintptr_t>(&data);
        const auto contextId = static_cast<int32_t>(id ? *id : 0);
        if (const auto topic = help->TopicForContextId(contextId))
            window->ShowTopic(*topic);
        else
            window->ShowNotice(QStringLiteral("Topic not found"),
                               QStringLiteral("This help file has no topic for the context id %1.").arg(contextId));
        break;
    }
    default: break;
    }
    return window;
}

void SetHtmlHelpObserver(HtmlHelpObserver observer) { g_observer = std::move(observer); }

void EnterWhatsThisMode(QWidget* window)
{
    if (!QWhatsThis::inWhatsThisMode())
        QWhatsThis::enterWhatsThisMode();
}

std::optional<HelpComponentInfo> HelpComponentRegistration(HelpComponent component)
{
    if (g_componentLookup)
        return g_componentLookup(component);
    // The viewer is a part of the program; its HTML engine is Qt's text browser.
    // Their versions are those the release names of the help access class know:
    // the viewer 4.74.8566.0 ("1.3"), the engine 5.0.2717.2000.
    HelpComponentInfo info;
    if (component == HelpComponent::Viewer) {
        info.file = QCoreApplication::applicationFilePath();
        const uint16_t v[4] = {4, 74, 8566, 0};
        std::copy(v, v + 4, info.version);
    } else {
        info.file = fileOf(reinterpret_cast<const void*>(&QTextBrowser::staticMetaObject));
        const uint16_t v[4] = {5, 0, 2717, 2000};
        std::copy(v, v + 4, info.version);
    }
    if (info.file.isEmpty())
        return std::nullopt;
    return info;
}

void SetHelpComponentRegistration(std::function<std::optional<HelpComponentInfo>(HelpComponent)> lookup)
{
    g_componentLookup = std::move(lookup);
}
