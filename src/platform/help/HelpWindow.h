#pragma once
// The help viewer's window: the contents, the index (with a typed filter) and
// the full-text search in tabs on the left, the topic on the right, Back,
// Forward and Home above it. One window per help file and window type; asking
// for an open one raises it. An owner keeps the window above itself (a modal
// dialog included, over which the window still takes input); when the owner
// closes, the window stays open, owned by the owner's own window or by none.

#include "platform/help/HelpFile.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    enum Pane { ContentsPane = 0, IndexPane = 1, SearchPane = 2 };

    // The window of that file and window type (an empty or unknown type: the
    // file's default window), made when there is none, owned by owner (nullptr:
    // no owner), shown and raised.
    static HelpWindow* Show(HelpFile* file, const QString& windowType, QWidget* owner);
    // Every open help window, in the order they were made.
    static QList<HelpWindow*> Windows();
    static void CloseAll();

    HelpFile* File() const { return m_file; }
    const QString& WindowType() const { return m_type; }
    QUrl CurrentTopic() const;
    int CurrentPane() const;
    void ShowPane(Pane pane);
    // Shows a page of the file; anything else (another help namespace, a path out
    // of the file's folder, a local file) or a page that cannot be read is refused
    // with a notice in the topic view.
    void ShowTopic(const QUrl& url);
    // Shows a text in the topic view (a topic the file lacks).
    void ShowNotice(const QString& title, const QString& text);
    // Fills the index filter and shows the index.
    void ShowIndexFor(const QString& keyword);
    // Runs a full-text search (after the search index is built); the hits are the
    // file's pages, listed in the search pane.
    void Search(const QString& query);
    QList<QUrl> Hits() const;
    bool IsIndexing() const { return m_indexing; }

    // The panes' widgets, for the tests.
    QTabWidget* Panes() const { return m_panes; }
    QTextBrowser* TopicView() const { return m_view; }
    QTextBrowser* SearchResults() const { return m_results; }
    QLineEdit* IndexFilter() const { return m_indexFilter; }
    QHelpEngine* Engine() const { return m_engine; }

    // The window that keeps this one above itself; nullptr: none.
    QWidget* Owner() const { return m_owner; }

signals:
    void topicShown(const QUrl& url);
    void searchFinished(int hits);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HelpWindow(HelpFile* file, const QString& windowType);
    // Makes the window owned by ownerWindow (nullptr: by none), where it stands.
    void SetOwner(QWidget* ownerWindow);
    void BuildPanes();
    // A link clicked in a page: a web address goes to the desktop's browser, any
    // other to ShowTopic.
    void FollowLink(const QUrl& link);
    void ListHits();

    HelpFile* m_file;
    QString m_type;
    QPointer<QWidget> m_owner;
    QHelpEngine* m_engine = nullptr;
    QTabWidget* m_panes = nullptr;
    QTextBrowser* m_view = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QTextBrowser* m_results = nullptr;
    QList<QUrl> m_hits;
    bool m_indexing = false;
    QString m_pendingSearch;  // to run when the index is built
    QString m_lastSearch;
    bool m_searchAgain = false;  // the last search ran on an index being rebuilt
};
