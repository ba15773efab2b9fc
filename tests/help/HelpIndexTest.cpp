// The index of the help file as it is built: every entry leads to a place that
// exists on its page (a section's anchor, or the page's top), and that place is
// the part of the page that speaks of the entry: its section, not the top of a
// page whose section on it is further down.
#include "shell/HelpTestSupport.h"

#include "WaitFor.h"

#include "platform/help/HelpFile.h"
#include "platform/help/HelpWindow.h"

#include <QApplication>
#include <QHelpEngine>
#include <QHelpEngineCore>
#include <QHelpIndexModel>
#include <QHelpLink>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <map>
#include <sqlite3.h>

namespace {

struct Entry {
    QString name;
    QUrl url;  // what the viewer opens for it
};

// Every entry of the file's index (each keyword once), with the place the viewer opens.
std::vector<Entry> IndexEntries(HelpFile* file)
{
    std::vector<Entry> entries;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file->Path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return entries;
    }
    sqlite3_stmt* st = nullptr;
    QStringList names;
    if (sqlite3_prepare_v2(db, "SELECT DISTINCT Name FROM IndexTable ORDER BY Id", -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    for (const QString& name : names)
        for (const QHelpLink& link : file->Engine()->documentsForKeyword(name))
            entries.push_back({name, link.url});
    return entries;
}

// The anchors of a page: its elements' ids and its named links.
QStringList Anchors(const QString& html)
{
    QStringList anchors;
    static const QRegularExpression anchor(QStringLiteral("<[a-z0-9]+[^>]*\\s(?:id|name)=\"([^\"]+)\""));
    for (auto it = anchor.globalMatch(html); it.hasNext();)
        anchors << it.next().captured(1);
    return anchors;
}

// The part of the page a place leads to, as plain text: from the element that holds
// the anchor to the next heading; from the top, the page's opening up to its first
// section (the whole page when it has none).
QString PartAt(const QString& html, const QString& anchor)
{
    qsizetype from = 0;
    if (!anchor.isEmpty()) {
        const qsizetype at = html.indexOf(QStringLiteral("=\"%1\"").arg(anchor));
        from = html.lastIndexOf(QLatin1Char('<'), at);
    }
    static const QRegularExpression heading(QStringLiteral("<h[12][\\s>]"));
    const auto next = heading.match(html, anchor.isEmpty() ? html.indexOf(QLatin1String("</h1>")) : from + 1);
    const qsizetype to = next.hasMatch() ? next.capturedStart() : html.size();
    return QTextDocumentFragment::fromHtml(html.mid(from, to - from)).toPlainText().toLower();
}

// The words of an entry as the start of a word of the page ("sorting": "sort",
// "properties": "property"), and the few entries the page says in other words.
QList<QRegularExpression> Words(const QString& entry)
{
    static const std::map<QString, QStringList> otherWords = {
        {QStringLiteral("context menu"), {QStringLiteral("right-click")}},
    };
    QStringList stems;
    if (const auto it = otherWords.find(entry); it != otherWords.end())
        stems = it->second;
    else
        for (QString word : entry.toLower().split(QRegularExpression(QStringLiteral("[^\\w]+")), Qt::SkipEmptyParts)) {
            if (word.endsWith(QLatin1String("ies")))
                word = word.chopped(3) + QLatin1Char('y');
            for (const QLatin1String suffix : {QLatin1String("ing"), QLatin1String("es"), QLatin1String("s"), QLatin1String("ed")})
                if (word.endsWith(suffix) && word.size() - suffix.size() >= 4) {
                    word.chop(suffix.size());
                    break;
                }
            stems << word;
        }
    QList<QRegularExpression> words;
    for (const QString& stem : stems)
        words << QRegularExpression(QStringLiteral("\\b") + QRegularExpression::escape(stem));
    return words;
}

class HelpIndexTest : public helptest::HelpTest {
protected:
    void TearDown() override
    {
        HelpWindow::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        helptest::HelpTest::TearDown();
    }
};

}  // namespace

TEST_F(HelpIndexTest, EveryEntryLeadsToItsSectionOnItsPage)
{
    HelpFile* file = HelpFile::Open(ShippedHelp());
    ASSERT_TRUE(file);
    const std::vector<Entry> entries = IndexEntries(file);
    ASSERT_GT(entries.size(), 80u);
    for (const Entry& entry : entries) {
        SCOPED_TRACE((entry.name + QStringLiteral(" -> ") + entry.url.toString()).toStdString());
        ASSERT_TRUE(file->Contains(entry.url));
        QUrl page = entry.url;
        page.setFragment(QString());
        const QString html = QString::fromUtf8(file->Engine()->fileData(page));
        ASSERT_FALSE(html.isEmpty());
        const QString anchor = entry.url.fragment();
        if (!anchor.isEmpty())
            ASSERT_TRUE(Anchors(html).contains(anchor)) << "the page has no anchor " << qPrintable(anchor);
        const QString part = PartAt(html, anchor);
        for (const QRegularExpression& word : Words(entry.name))
            EXPECT_TRUE(part.contains(word)) << "the place it leads to does not speak of " << qPrintable(word.pattern());
    }
}

TEST_F(HelpIndexTest, AnEntryChosenInTheIndexShowsItsSection)
{
    // The user's way: the entry typed into the index pane's box and chosen with
    // Enter; the page is scrolled to its section.
    HelpFile* file = HelpFile::Open(ShippedHelp());
    ASSERT_TRUE(file);
    HelpWindow* window = HelpWindow::Show(file, QStringLiteral("quillon"), nullptr);
    window->resize(700, 300);
    window->ShowPane(HelpWindow::IndexPane);
    // The engine builds its index on a thread (and may build it again once set
    // up): the entry is typed and chosen again until the index answers.
    QHelpIndexModel* index = window->Engine()->indexModel();
    ASSERT_TRUE(WaitFor([&] {
        if (index->isCreatingIndex() || index->rowCount() == 0)
            return false;
        window->IndexFilter()->clear();
        window->IndexFilter()->setText(QStringLiteral("complex search"));
        QTest::keyClick(window->IndexFilter(), Qt::Key_Return);
        return window->CurrentTopic().fileName() == QLatin1String("filter-pane.html");
    }));
    EXPECT_EQ(window->CurrentTopic().fragment(), QStringLiteral("complex-searches"));
    QApplication::processEvents();
    EXPECT_GT(window->TopicView()->verticalScrollBar()->value(), 0);
}
