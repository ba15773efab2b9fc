#include "platform/help/HelpWindow.h"

#include "platform/forms/Resources.h"

#include <QAction>
#include <QDesktopServices>
#include <QEvent>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResult>
#include <QLabel>
#include <QLineEdit>
#include <QIcon>
#include <QMap>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Shows only pages of its own help file: a link elsewhere in the file goes through
// the window (which checks it), a web address to the desktop's browser; nothing
// is ever read from another help namespace or from a local file.
class TopicBrowser : public QTextBrowser {
public:
    TopicBrowser(HelpFile* file, QHelpEngine* engine, QWidget* parent)
        : QTextBrowser(parent), m_file(file), m_engine(engine)
    {
        setOpenLinks(false);
    }
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (!m_engine || !m_file->Contains(name))
            return QVariant();
        return m_engine->fileData(name);
    }

private:
    HelpFile* m_file;
    QHelpEngine* m_engine;
};

bool IsWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto");
}

// The full-text search reads a word with a hyphen or other punctuation as a
// syntax error and finds nothing: such a word is searched as the phrase of its
// parts ("auto-populate" as "auto populate"). Quoted phrases, the operators and
// plain words stay as typed.
QString FullTextQuery(const QString& typed)
{
    static const QRegularExpression plain(QStringLiteral("^[\\w*]+$"));
    static const QRegularExpression parts(QStringLiteral("[^\\w]+"));
    QStringList out;
    const QStringList tokens = typed.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    bool inPhrase = false;
    for (const QString& token : tokens) {
        if (inPhrase || token.startsWith(QLatin1Char('"'))) {
            out << token;
            inPhrase = (token.count(QLatin1Char('"')) % 2 == 1) != inPhrase;
            continue;
        }
        if (plain.match(token).hasMatch()) {
            out << token;
            continue;
        }
        const QStringList words = token.split(parts, Qt::SkipEmptyParts);
        if (!words.isEmpty())
            out << QLatin1Char('"') + words.join(QLatin1Char(' ')) + QLatin1Char('"');
    }
    return out.join(QLatin1Char(' '));
}

QList<QPointer<HelpWindow>>& windows()
{
    static QList<QPointer<HelpWindow>> list;
    list.removeAll(nullptr);
    return list;
}

}  // namespace

HelpWindow* HelpWindow::Show(HelpFile* file, const QString& windowType, QWidget* owner)
{
    const QString type = file->Window(windowType) ? file->Window(windowType)->name : QString();
    HelpWindow* window = nullptr;
    for (HelpWindow* w : Windows())
        if (w->m_file == file && w->m_type.compare(type, Qt::CaseInsensitive) == 0)
            window = w;
    const bool made = !window;
    if (made) {
        window = new HelpWindow(file, type);
        windows() << window;
    }
    QWidget* ownerWindow = owner ? owner->window() : nullptr;
    window->SetOwner(ownerWindow);
    if (made) {
        const auto definition = file->Window(type);
        const QSize size = definition && definition->size.isValid() ? definition->size : QSize(900, 640);
        window->resize(size);
        if (ownerWindow) {
            // Centred on its owner, but whole on the owner's screen: a small window
            // near the edge (the logon window) must not push its help off the screen.
            QRect where(ownerWindow->geometry().center() - QPoint(size.width() / 2, size.height() / 2), size);
            if (const QScreen* screen = ownerWindow->screen()) {
                const QRect room = screen->availableGeometry();
                where.moveLeft(std::max(room.left(), std::min(where.left(), room.right() + 1 - where.width())));
                where.moveTop(std::max(room.top(), std::min(where.top(), room.bottom() + 1 - where.height())));
            }
            window->move(where.topLeft());
        }
        window->ShowTopic(definition && !definition->home.isEmpty() ? file->Topic(definition->home)
                                                                     : file->DefaultTopic());
    }
    window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

void HelpWindow::SetOwner(QWidget* ownerWindow)
{
    if (m_owner)
        m_owner->removeEventFilter(this);
    m_owner = ownerWindow;
    if (ownerWindow)
        ownerWindow->installEventFilter(this);
    if (parentWidget() == ownerWindow)
        return;
    // A child window of its owner: above it, and not blocked by it when it is modal.
    const QRect where = geometry();
    const bool shown = isVisible();
    setParent(ownerWindow, Qt::Window);
    setGeometry(where);
    if (shown)
        show();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The owner closes (a dialog ends): the help stays open, handed to the window
    // the owner belonged to, rather than go with it.
    if (watched == m_owner && event->type() == QEvent::Hide && !event->spontaneous()) {
        QWidget* owner = m_owner;
        SetOwner(owner->parentWidget() ? owner->parentWidget()->window() : nullptr);
    }
    return QWidget::eventFilter(watched, event);
}

QList<HelpWindow*> HelpWindow::Windows()
{
    QList<HelpWindow*> out;
    for (const auto& w : windows())
        out << w.data();
    return out;
}

void HelpWindow::CloseAll()
{
    for (HelpWindow* w : Windows())
        w->close();
}

HelpWindow::HelpWindow(HelpFile* file, const QString& windowType)
    : QWidget(nullptr, Qt::Window), m_file(file), m_type(windowType)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("HelpWindow"));
    // The program's own icon: the help is a window of the program, not a browser.
    setWindowIcon(QIcon(LoadResPicture(QStringLiteral("quillon-32"))));
    const auto definition = file->Window(windowType);
    setWindowTitle(definition && !definition->caption.isEmpty() ? definition->caption : file->Title());
    m_engine = file->NewEngine(this);
    BuildPanes();
}

void HelpWindow::BuildPanes()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("tools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->setIconSize(QSize(16, 16));
    layout->addWidget(tools);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter, 1);
    m_panes = new QTabWidget(splitter);
    m_panes->setObjectName(QStringLiteral("panes"));
    m_view = new TopicBrowser(m_file, m_engine, splitter);
    m_view->setObjectName(QStringLiteral("topic"));
    connect(m_view, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { FollowLink(url); });
    splitter->addWidget(m_panes);
    splitter->addWidget(m_view);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});

    QAction* back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"), m_view,
                                     &QTextBrowser::backward);
    QAction* forward = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"),
                                        m_view, &QTextBrowser::forward);
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_view, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_view, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    tools->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Home"), this, [this] {
        const auto definition = m_file->Window(m_type);
        ShowTopic(definition && !definition->home.isEmpty() ? m_file->Topic(definition->home) : m_file->DefaultTopic());
    });
    connect(m_view, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { emit topicShown(url); });

    if (!m_engine)
        return;

    // Contents.
    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setParent(m_panes);
    m_panes->addTab(contents, QStringLiteral("&Contents"));
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::ShowTopic);
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, contents, [contents] {
        contents->expandToDepth(0);
    });

    // Index: the keywords, narrowed while a word is typed.
    auto* indexPane = new QWidget(m_panes);
    auto* indexLayout = new QVBoxLayout(indexPane);
    indexLayout->addWidget(new QLabel(QStringLiteral("Type in the &keyword to find:"), indexPane));
    m_indexFilter = new QLineEdit(indexPane);
    m_indexFilter->setObjectName(QStringLiteral("indexFilter"));
    indexLayout->addWidget(m_indexFilter);
    static_cast<QLabel*>(indexLayout->itemAt(0)->widget())->setBuddy(m_indexFilter);
    QHelpIndexWidget* index = m_engine->indexWidget();
    index->setParent(indexPane);
    indexLayout->addWidget(index, 1);
    m_panes->addTab(indexPane, QStringLiteral("&Index"));
    connect(m_indexFilter, &QLineEdit::textChanged, index, [index](const QString& text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document, const QString&) { ShowTopic(document.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents, const QString&) {
                if (!documents.isEmpty())
                    ShowTopic(documents.first().url);
            });

    // Search: the index of every word is built in the background when the window opens.
    // The hits are listed here, not by the engine's own list: only the file's pages,
    // never the text files of its popups.
    QHelpSearchEngine* search = m_engine->searchEngine();
    auto* searchPane = new QWidget(m_panes);
    auto* searchLayout = new QVBoxLayout(searchPane);
    searchLayout->addWidget(search->queryWidget());
    m_results = new QTextBrowser(searchPane);
    m_results->setObjectName(QStringLiteral("searchResults"));
    m_results->setOpenLinks(false);
    m_results->setFrameShape(QFrame::NoFrame);
    searchLayout->addWidget(m_results, 1);
    m_panes->addTab(searchPane, QStringLiteral("&Search"));
    // A pane chosen by its tab is ready for typing, as one chosen by a command.
    connect(m_panes, &QTabWidget::currentChanged, this, [this](int pane) { ShowPane(static_cast<Pane>(pane)); });
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, this,
            [this, search] { Search(search->queryWidget()->searchInput()); });
    connect(m_results, &QTextBrowser::anchorClicked, this, &HelpWindow::ShowTopic);
    // The engine may index a second time (its own run after a late setup cancels
    // ours part way): a search made on the unfinished index is made again once
    // the new run has finished.
    connect(search, &QHelpSearchEngine::indexingStarted, this, [this] {
        m_indexing = true;
        m_searchAgain = !m_lastSearch.isNull();
    });
    connect(search, &QHelpSearchEngine::indexingFinished, this, [this, search] {
        m_indexing = false;
        if (!m_pendingSearch.isNull())
            Search(std::exchange(m_pendingSearch, QString()));
        else if (std::exchange(m_searchAgain, false))
            search->search(m_lastSearch);
    });
    connect(search, &QHelpSearchEngine::searchingFinished, this, [this] { ListHits(); });
    m_indexing = true;
    search->reindexDocumentation();
}

QUrl HelpWindow::CurrentTopic() const { return m_view->source(); }

int HelpWindow::CurrentPane() const { return m_panes->currentIndex(); }

void HelpWindow::ShowPane(Pane pane)
{
    m_panes->setCurrentIndex(pane);
    if (pane == IndexPane && m_indexFilter)
        m_indexFilter->setFocus();
    else if (pane == SearchPane && m_engine)
        m_engine->searchEngine()->queryWidget()->setFocus();
}

void HelpWindow::ShowTopic(const QUrl& url)
{
    if (!m_file->Contains(url)) {
        const QString shown = url.isEmpty() ? QStringLiteral("(none)") : url.toDisplayString();
        ShowNotice(QStringLiteral("Topic not found"),
                   QStringLiteral("This help file has no topic %1. The help shows only its own pages.").arg(shown));
        return;
    }
    QUrl page = url;
    page.setFragment(QString());
    if (!m_engine || m_engine->fileData(page).isEmpty()) {
        ShowNotice(QStringLiteral("Topic cannot be read"),
                   QStringLiteral("The topic %1 cannot be read from the help file %2.")
                       .arg(url.path().section(QLatin1Char('/'), 2), m_file->Path()));
        return;
    }
    m_view->setSource(url);
}

void HelpWindow::FollowLink(const QUrl& link)
{
    const QUrl target = m_view->source().resolved(link);
    if (IsWebAddress(target)) {
        if (!QDesktopServices::openUrl(target))
            ShowNotice(QStringLiteral("Address not opened"),
                       QStringLiteral("No web browser could be started to open %1.").arg(target.toDisplayString()));
        return;
    }
    ShowTopic(target);
}

void HelpWindow::ShowNotice(const QString& title, const QString& text)
{
    m_view->setHtml(QStringLiteral("<h1>%1</h1><p>%2</p>").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
}

void HelpWindow::ShowIndexFor(const QString& keyword)
{
    ShowPane(IndexPane);
    if (m_indexFilter)
        m_indexFilter->setText(keyword);
}

void HelpWindow::Search(const QString& query)
{
    if (!m_engine || query.trimmed().isEmpty())
        return;
    ShowPane(SearchPane);
    if (m_engine->searchEngine()->queryWidget()->searchInput() != query)
        m_engine->searchEngine()->queryWidget()->setSearchInput(query);
    if (m_indexing) {
        m_pendingSearch = query;
        return;
    }
    m_lastSearch = FullTextQuery(query);
    m_engine->searchEngine()->search(m_lastSearch);
}

QList<QUrl> HelpWindow::Hits() const { return m_hits; }

void HelpWindow::ListHits()
{
    QHelpSearchEngine* search = m_engine->searchEngine();
    m_hits.clear();
    QString html;
    for (const QHelpSearchResult& hit : search->searchResults(0, search->searchResultCount())) {
        const QString path = hit.url().path();
        if (!path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) || !m_file->Contains(hit.url()))
            continue;
        m_hits << hit.url();
        html += QStringLiteral("<p><a href=\"%1\"><b>%2</b></a><br/><span style=\"color:#44586c\">%3</span></p>")
                    .arg(hit.url().toString(QUrl::FullyEncoded).toHtmlEscaped(), hit.title().toHtmlEscaped(),
                         hit.snippet());
    }
    if (m_hits.isEmpty())
        html = QStringLiteral("<p>No topics were found.</p>");
    m_results->setHtml(html);
    emit searchFinished(static_cast<int>(m_hits.size()));
}
