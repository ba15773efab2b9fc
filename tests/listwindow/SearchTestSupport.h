#pragma once
// What the saved-search tests share: driving a modal dialog from a timer while
// the code under test waits in its modal show, and reading the view's saved
// searches back from the database.

#include "ListWindowTestSupport.h"

#include "base/AuUtilities.h"
#include "listwindow/frmListSearchName.h"
#include "platform/controls/MenuButton.h"
#include "platform/forms/FormsRuntime.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << "{ ";
    for (const QString& s : list)
        *os << '"' << s.toStdString() << "\" ";
    *os << "}";
}

namespace listtest {

// Once a form of that name is loaded and shown, runs act on it (once), from the
// event loop of its modal show. Stops looking when destroyed.
class DialogDriver {
public:
    DialogDriver(const QString& formName, std::function<void(Form*)> act) : m_name(formName), m_act(std::move(act))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool Ran() const { return m_ran; }

private:
    void poll()
    {
        for (Form* f : LoadedForms()) {
            if (f->Name() == m_name && f->isVisible()) {
                m_timer.stop();
                m_ran = true;
                m_act(f);
                return;
            }
        }
    }
    QString m_name;
    std::function<void(Form*)> m_act;
    QTimer m_timer;
    bool m_ran = false;
};

class SearchTest : public ListWindowTest {
protected:
    // The view's saved searches in the database: "name|string|shared|complex|creator" by row id.
    QStringList StoredSearches(int32_t viewId)
    {
        return Rows(QStringLiteral("SELECT FilterName, FilterString, Shared, Complex, CreatorID FROM LdViewFilters "
                                   "WHERE ViewID = %1 ORDER BY ViewFilterID")
                        .arg(viewId));
    }
    int32_t SearchId(int32_t viewId, const QString& storedName)
    {
        return Value(QStringLiteral("SELECT MAX(ViewFilterID) FROM LdViewFilters WHERE ViewID = %1 AND FilterName = '%2'")
                         .arg(viewId)
                         .arg(QString(storedName).replace(QLatin1Char('\''), QStringLiteral("''"))))
            .toInt();
    }
};

// Driving the saved-searches menu of a list window.
class SearchMenuTest : public SearchTest {
protected:
    static QStringList Captions(frmList* w)
    {
        QStringList captions;
        for (int i = 0; i < w->mbSearches()->Count(); ++i)
            captions << w->mbSearches()->Caption(i);
        return captions;
    }
    // Save, Save As, Edit, Delete: enabled as the menu shows them when it opens.
    static std::vector<bool> Enabled(frmList* w)
    {
        emit w->mbSearches()->DropDown();
        std::vector<bool> enabled;
        for (int i = 0; i < 4; ++i)
            enabled.push_back(w->mbSearches()->IsItemEnabled(i));
        return enabled;
    }
    // Chooses the search with that caption from the menu and waits for its rows.
    static void ChooseSearch(frmList* w, const QString& caption, int occurrence = 0)
    {
        for (int i = 5; i < w->mbSearches()->Count(); ++i) {
            if (w->mbSearches()->Caption(i) == caption && occurrence-- == 0) {
                ASSERT_TRUE(Loads(w, [w, i] { w->mbSearches()->ChooseItem(i); })) << qPrintable(caption);
                return;
            }
        }
        FAIL() << "no search " << qPrintable(caption);
    }
    // Chooses the search with that row id from the menu.
    static void ChooseSearchByID(frmList* w, int32_t id)
    {
        for (int i = 5; i < w->mbSearches()->Count(); ++i) {
            const int32_t n = ListKeyToID(w->mbSearches()->Key(i));
            if (w->View()->Filters()->Item(Variant(n))->ViewFilterID() == id) {
                ASSERT_TRUE(Loads(w, [w, i] { w->mbSearches()->ChooseItem(i); }));
                return;
            }
        }
        FAIL() << "no search " << id;
    }
    // A command as the menu reports it (whatever its enabled state); waits for the
    // list when the command runs it.
    static void Command(frmList* w, const char* key, bool runsList)
    {
        QSignalSpy loaded(w->ListView(), &eListView::LoadComplete);
        emit w->mbSearches()->ItemClick(QString::fromLatin1(key));
        if (runsList)
            ASSERT_TRUE(WaitFor([&] { return loaded.count() > 0 && !w->ListView()->IsLoading() && !w->StatisticsPending(); })) << key;
    }
    // Save, Edit and Delete, each as the menu reports it whatever its enabled state,
    // on a search the user may not change: no name dialog, no box, nothing written
    // to the searches' tables.
    void ExpectChangeCommandsDoNothing(frmList* w)
    {
        TakeStatements();
        {
            DialogDriver driver(QStringLiteral("frmListSearchName"),
                                [](Form* f) { static_cast<frmListSearchName*>(f)->cmdCancel()->click(); });
            for (const char* key : {"SAVE", "EDIT", "DELETE"})
                Command(w, key, false);
            EXPECT_FALSE(driver.Ran());
        }
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        const QStringList statements = TakeStatements();
        EXPECT_TRUE(statements.filter(QStringLiteral("LdViewFilter")).isEmpty()) << qPrintable(statements.join(" | "));
    }
    // The dialog's name, share and complex choices, then OK.
    static std::function<void(Form*)> Answer(const QString& name, bool share, bool complex,
                                             QStringList* seen = nullptr)
    {
        return [=](Form* f) {
            auto* d = static_cast<frmListSearchName*>(f);
            if (seen)
                *seen << d->Caption() << d->txtName()->text() << QString::number(d->chkShare()->isChecked())
                      << QString::number(d->chkComplex()->isChecked()) << QString::number(d->chkComplex()->isEnabled());
            d->txtName()->setText(name);
            d->chkShare()->setChecked(share);
            if (d->chkComplex()->isEnabled())
                d->chkComplex()->setChecked(complex);
            d->cmdOK()->click();
        };
    }
    static QString Kinds(const std::vector<bool>& enabled)
    {
        QString s;
        for (bool e : enabled)
            s += e ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
};

}  // namespace listtest
