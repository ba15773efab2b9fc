#include "platform/help/HelpWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Pages come out of the help file; other addresses go to the desktop's browser.
class TopicBrowser : public QTextBrowser {
public:
    TopicBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), m_engine(engine)
    {
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
            const QUrl target = source().resolved(url);
            if (target.scheme() == QLatin1String("qthelp"))
                setSource(target);
            else
                QDesktopServices::openUrl(target);
        });
    }
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (name.scheme() == QLatin1String("qthelp"))
            return m_engine->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine* m_engine;
};

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
    if (window->parentWidget() != ownerWindow) {
        const QRect geometry = window->geometry();
        window->setParent(ownerWindow, Qt::Window);
        if (!made)
            window->setGeometry(geometry);
    }
    if (made) {
        const auto definition = file->Window(type);
        const QSize size = definition && definition->size.isValid() ? definition->size : QSize(900, 640);
        window->resize(size);
        if (ownerWindow)
            window->move(ownerWindow->geometry().center() - QPoint(size.width() / 2, size.height() / 2));
        window->ShowTopic(definition && !definition->home.isEmpty() ? file->Topic(definition->home)
                                                                     : file->DefaultTopic());
    }
    window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
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
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(tools);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter, 1);
    m_panes = new QTabWidget(splitter);
    m_panes->setObjectName(QStringLiteral("panes"));
    m_view = new TopicBrowser(m_engine, splitter);
    m_view->setObjectName(QStringLiteral("topic"));
    splitter->addWidget(m_panes);
    splitter->addWidget(m_view);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});

    QAction* back = tools->addAction(QStringLiteral("Back"), m_view, &QTextBrowser::backward);
    QAction* forward = tools->addAction(QStringLiteral("Forward"), m_view, &QTextBrowser::forward);
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_view, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_view, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    tools->addAction(QStringLiteral("Home"), this, [this] {
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
    QHelpSearchEngine* search = m_engine->searchEngine();
    auto* searchPane = new QWidget(m_panes);
    auto* searchLayout = new QVBoxLayout(searchPane);
    searchLayout->addWidget(search->queryWidget());
    searchLayout->addWidget(search->resultWidget(), 1);
    m_panes->addTab(searchPane, QStringLiteral("&Search"));
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, this,
            [this, search] { Search(search->queryWidget()->searchInput()); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::ShowTopic);
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
    connect(search, &QHelpSearchEngine::searchingFinished, this, &HelpWindow::searchFinished);
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
    if (url.isValid())
        m_view->setSource(url);
}

void HelpWindow::ShowNotice(const QString& title, const QString& text)
{
    m_view->setHtml(QStringLiteral("<h2>%1</h2><p>%2</p>").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
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
    m_lastSearch = query;
    m_engine->searchEngine()->search(query);
}
