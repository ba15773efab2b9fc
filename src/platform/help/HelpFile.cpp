#include "platform/help/HelpFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <sqlite3.h>

namespace {

// The viewer's collections (QHelpEngine's own bookkeeping, with the search
// index) live only as long as the program: the help file itself is never written.
QTemporaryDir& collectionsFolder()
{
    static QTemporaryDir dir;
    return dir;
}

QMap<QString, HelpFile*>& openFiles()
{
    static QMap<QString, HelpFile*> files;
    return files;
}

QString newCollectionPath()
{
    static int collections = 0;
    return collectionsFolder().filePath(QStringLiteral("help-%1.qhc").arg(++collections));
}

// A collection of its own for each engine, with the help file registered in it.
template <typename Engine>
Engine* newEngine(const QString& helpFile, QObject* parent)
{
    auto* engine = new Engine(newCollectionPath(), parent);
    engine->setReadOnly(false);  // the collection is ours to write; the help file is only read
    engine->setUsesFilterEngine(true);
    if (!engine->setupData() || !engine->registerDocumentation(helpFile)) {
        delete engine;
        return nullptr;
    }
    engine->setupData();
    return engine;
}

// What SQLite's own check finds wrong with the file's database; empty when nothing
// is, or when it is no database at all (that is not a help file, not a damaged one).
QString DatabaseDamage(const QString& path)
{
    sqlite3* db = nullptr;
    QString damage;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK) {
            const int rc = sqlite3_step(check);
            if (rc == SQLITE_ROW) {
                const auto* first = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
                if (!first || qstrcmp(first, "ok") != 0)
                    damage = QString::fromUtf8(first ? first : "");
            } else if (rc == SQLITE_CORRUPT) {
                damage = QString::fromUtf8(sqlite3_errmsg(db));
            }
        } else if (sqlite3_errcode(db) == SQLITE_CORRUPT) {
            damage = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return damage;
}

QStringList splitNames(const QString& names)
{
    QStringList out;
    for (const QString& n : names.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!n.trimmed().isEmpty())
            out << n.trimmed();
    return out;
}

}  // namespace

HelpFile* HelpFile::Open(const QString& path, QString* damage)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (HelpFile* open = openFiles().value(key))
        return open;
    if (!QFileInfo(key).isFile())
        return nullptr;
    // A help file is an SQLite database: one damaged in its middle may still name
    // its namespace, and then shows nothing at all.
    const QString broken = DatabaseDamage(key);
    if (!broken.isEmpty()) {
        if (damage)
            *damage = broken;
        return nullptr;
    }
    if (QHelpEngineCore::namespaceName(key).isEmpty())
        return nullptr;
    auto* file = new HelpFile(key);
    if (!file->Setup()) {
        delete file;
        return nullptr;
    }
    if (const QString unreadable = file->Damage(); !unreadable.isEmpty()) {
        if (damage)
            *damage = unreadable;
        delete file;
        return nullptr;
    }
    openFiles().insert(key, file);
    return file;
}

HelpFile::HelpFile(const QString& path) : m_path(path) {}

bool HelpFile::Setup()
{
    if (!collectionsFolder().isValid())
        return false;
    m_namespace = QHelpEngineCore::namespaceName(m_path);
    m_engine = newEngine<QHelpEngineCore>(m_path, this);
    if (!m_engine)
        return false;

    for (const QUrl& url : m_engine->files(m_namespace, QString(), QStringLiteral("xml"))) {
        if (url.fileName() != QLatin1String("windows.xml"))
            continue;
        m_folder = url.path().section(QLatin1Char('/'), 1, 1);
        QXmlStreamReader xml(m_engine->fileData(url));
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("windows")) {
                m_title = xml.attributes().value(QStringLiteral("title")).toString();
                continue;  // into its windows
            }
            if (xml.name() == QLatin1String("window")) {
                const auto a = xml.attributes();
                m_windows << WindowType{a.value(QStringLiteral("name")).toString(),
                                        a.value(QStringLiteral("caption")).toString(),
                                        a.value(QStringLiteral("home")).toString(),
                                        QSize(a.value(QStringLiteral("width")).toInt(),
                                              a.value(QStringLiteral("height")).toInt())};
            }
            xml.skipCurrentElement();
        }
    }
    if (m_folder.isEmpty()) {
        // A help file without window types: its folder comes from any of its pages.
        const QList<QUrl> pages = m_engine->files(m_namespace, QString(), QStringLiteral("html"));
        if (!pages.isEmpty())
            m_folder = pages.first().path().section(QLatin1Char('/'), 1, 1);
    }
    if (m_title.isEmpty())
        m_title = QFileInfo(m_path).completeBaseName();
    for (const QUrl& url : m_engine->files(m_namespace, QString()))
        m_files.insert(url.path());
    return true;
}

QString HelpFile::Damage() const
{
    if (m_files.isEmpty())
        return QStringLiteral("it holds no pages");
    for (const QString& path : m_files) {
        QUrl url;
        url.setScheme(QStringLiteral("qthelp"));
        url.setHost(m_namespace);
        url.setPath(path);
        if (m_engine->fileData(url).isEmpty())
            return QStringLiteral("its file %1 cannot be read").arg(path.section(QLatin1Char('/'), 2));
    }
    return QString();
}

bool HelpFile::Contains(const QUrl& url) const
{
    if (url.scheme() != QLatin1String("qthelp") || url.host().compare(m_namespace, Qt::CaseInsensitive) != 0)
        return false;
    const QString path = url.path(QUrl::FullyDecoded);
    // No step out of the folder, however it is written.
    if (QDir::cleanPath(path) != path || !path.startsWith(QLatin1Char('/') + m_folder + QLatin1Char('/')))
        return false;
    return m_files.contains(path);
}

QHelpEngine* HelpFile::NewEngine(QObject* parent) const { return newEngine<QHelpEngine>(m_path, parent); }

std::optional<HelpFile::WindowType> HelpFile::Window(const QString& name) const
{
    for (const WindowType& w : m_windows)
        if (w.name.compare(name, Qt::CaseInsensitive) == 0)
            return w;
    return std::nullopt;
}

QUrl HelpFile::FileUrl(const QString& path) const
{
    QString p = path;
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    QUrl url(QStringLiteral("qthelp://%1/%2/").arg(m_namespace, m_folder));
    return url.resolved(QUrl(p));
}

QUrl HelpFile::Topic(const QString& path) const
{
    if (path.startsWith(QLatin1String("qthelp:")))
        return QUrl(path);
    return FileUrl(path);
}

QUrl HelpFile::DefaultTopic() const
{
    if (!m_windows.isEmpty() && !m_windows.first().home.isEmpty())
        return FileUrl(m_windows.first().home);
    const QList<QUrl> pages = m_engine->files(m_namespace, QString(), QStringLiteral("html"));
    return pages.isEmpty() ? QUrl() : pages.first();
}

std::optional<QUrl> HelpFile::TopicForContextId(int32_t id) const
{
    const QList<QHelpLink> links = m_engine->documentsForIdentifier(QString::number(id));
    if (links.isEmpty())
        return std::nullopt;
    return links.first().url;
}

QList<QUrl> HelpFile::TopicsForKeywords(const QString& keywords) const
{
    QList<QUrl> out;
    for (const QString& k : splitNames(keywords))
        for (const QHelpLink& link : m_engine->documentsForKeyword(k))
            if (!out.contains(link.url))
                out << link.url;
    return out;
}

QList<QUrl> HelpFile::TopicsForALinks(const QString& names) const
{
    QList<QUrl> out;
    for (const QString& n : splitNames(names))
        for (const QHelpLink& link : m_engine->documentsForIdentifier(QStringLiteral("alink:") + n))
            if (!out.contains(link.url))
                out << link.url;
    return out;
}

std::optional<QString> HelpFile::PopupText(const QString& textFile, uint32_t topic) const
{
    const QUrl url = FileUrl(textFile);
    if (!Contains(url))
        return std::nullopt;
    const QByteArray data = m_engine->fileData(url);
    if (data.isEmpty())
        return std::nullopt;
    static const QRegularExpression header(QStringLiteral("^\\.topic\\s+(\\d+)\\s*$"));
    std::optional<QString> text;
    bool inTopic = false;
    for (const QString& line : QString::fromUtf8(data).split(QLatin1Char('\n'))) {
        const QString l = line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
        const QRegularExpressionMatch m = header.match(l);
        if (m.hasMatch()) {
            if (inTopic)
                break;
            inTopic = m.captured(1).toUInt() == topic;
            if (inTopic)
                text = QString();
            continue;
        }
        if (inTopic)
            *text += (text->isEmpty() ? QString() : QStringLiteral("\n")) + l;
    }
    if (text)
        *text = text->trimmed();
    return text;
}

QString HelpFile::TopicTitle(const QUrl& url) const
{
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    QUrl page = url;
    page.setFragment(QString());
    const QRegularExpressionMatch m = title.match(QString::fromUtf8(m_engine->fileData(page)));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}
