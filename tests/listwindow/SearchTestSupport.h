#pragma once
// What the saved-search tests share: driving a modal dialog from a timer while
// the code under test waits in its modal show, and reading the view's saved
// searches back from the database.

#include "ListWindowTestSupport.h"

#include "platform/forms/FormsRuntime.h"

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

}  // namespace listtest
