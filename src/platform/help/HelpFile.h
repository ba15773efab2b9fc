#pragma once
// One help file opened for the viewer: a Qt compressed help file read through
// QHelpEngine, with what the help sources define beside the pages:
//  - context ids: index keywords whose id is the number ("17130");
//  - associative links: index keywords whose id is "alink:" and the link name;
//  - window types: "windows.xml" (<window name caption home width height/>);
//  - text popups: ".txt" files of ".topic <number>" sections.
// Files are opened once per path and kept for the life of the program. A file is
// checked when it opens: one whose database or pages cannot be read is refused,
// not shown with blank contents. The viewer shows only the file's own pages
// (Contains): no other help namespace, no path out of its folder, no local file.

#include <QList>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QUrl>
#include <optional>

class QHelpEngine;
class QHelpEngineCore;

class HelpFile : public QObject {
    Q_OBJECT
public:
    // The open file for that path; nullptr when it is not a help file, or is
    // damaged: then *damage (when given) says what cannot be read.
    static HelpFile* Open(const QString& path, QString* damage = nullptr);

    // The engine the lookups use: a core engine, which builds no contents or
    // index models (they would fill on threads of their own, unused).
    QHelpEngineCore* Engine() const { return m_engine; }
    // A fresh engine on the same file, for a window's own contents, index and search.
    QHelpEngine* NewEngine(QObject* parent) const;
    const QString& Path() const { return m_path; }

    struct WindowType {
        QString name;
        QString caption;
        QString home;  // a page path inside the file
        QSize size;
    };
    // A window type by name (compared without regard to case).
    std::optional<WindowType> Window(const QString& name) const;
    // The caption the file gives its windows when no type is named.
    QString Title() const { return m_title; }

    // The address a path inside the file names ("list-window.html",
    // "/list-window.html#keys"); an absolute address stays as it is. Whether it is
    // one of the file's own pages is Contains's answer.
    QUrl Topic(const QString& path) const;
    // True when the address is a file of this help file: its namespace, inside its
    // folder, and stored in it.
    bool Contains(const QUrl& url) const;
    // The file's default topic: its first page in the contents.
    QUrl DefaultTopic() const;
    std::optional<QUrl> TopicForContextId(int32_t id) const;
    // Pages for any of the ";"-separated keywords or link names, in the order asked.
    QList<QUrl> TopicsForKeywords(const QString& keywords) const;
    QList<QUrl> TopicsForALinks(const QString& names) const;
    // The text of one topic of a text-popup file in the help file.
    std::optional<QString> PopupText(const QString& textFile, uint32_t topic) const;
    // A page's title (its <title>), for the window's caption.
    QString TopicTitle(const QUrl& url) const;

private:
    explicit HelpFile(const QString& path);
    bool Setup();
    // What of the file cannot be read; empty when all of it can.
    QString Damage() const;
    QUrl FileUrl(const QString& path) const;

    QString m_path;
    QString m_namespace;
    QString m_folder;
    QString m_title;
    QHelpEngineCore* m_engine = nullptr;
    QList<WindowType> m_windows;
    QSet<QString> m_files;  // the paths of the stored files ("/quillon/export.html")
};
