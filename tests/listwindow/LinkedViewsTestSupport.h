// The fixture of the context-menu and linked-view tests: the popup menu is
// answered by the test (an entry chosen, or dismissed), and the windows a
// choice opens are found and waited for.
#pragma once

#include "ListWindowTestSupport.h"

#include "shell/PopUpMenu.h"

#include <QAction>
#include <QMenu>

#include <optional>

namespace listtest {

// The built menu as "Caption" entries joined by ",", disabled ones as "~Caption".
inline QString Describe(QMenu* menu)
{
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isEnabled() ? QString() : QStringLiteral("~")) + a->text();
    return items.join(QLatin1Char(','));
}

class ListWindowLinkedViewsTest : public ListWindowTest {
protected:
    void SetUp() override
    {
        ListWindowTest::SetUp();
        SetPopUpMenuAnswerer([this](const PopUpMenuRequest& r) -> QAction* {
            ++menus;
            built = Describe(r.menu);
            owner = r.owner;
            if (!choose)
                return nullptr;
            for (QAction* a : r.menu->actions())
                if (a->text() == *choose)
                    return a;
            ADD_FAILURE() << "no entry " << qPrintable(*choose) << " in " << qPrintable(built);
            return nullptr;
        });
    }
    void TearDown() override
    {
        SetPopUpMenuAnswerer(nullptr);
        ListWindowTest::TearDown();
    }

    // A window of a view with its rows loaded and the row with that id selected.
    frmList* WithRow(int32_t viewId, int32_t rowId, bool mainView = true)
    {
        frmList* w = Open(viewId, QString(), nullptr, mainView);
        // All rows, whatever search the view opened with.
        w->cmdClear_Click();
        EXPECT_TRUE(Go(w));
        EXPECT_TRUE(Select(w, rowId)) << viewId << " row " << rowId;
        return w;
    }
    // A right click on the list (through the window's handler) that chooses an entry,
    // or dismisses the menu; returns the list window it opened, if any.
    frmList* RightClick(frmList* w, const std::optional<QString>& entry = std::nullopt)
    {
        choose = entry;
        const auto before = ListWindows();
        emit w->ListView()->RightClick(12, 8);
        frmList* opened = nullptr;
        for (frmList* f : ListWindows())
            if (std::find(before.begin(), before.end(), f) == before.end())
                opened = f;
        // A window that queries at once: its load and the statistics that follow.
        // (The query runs off the window's thread: its load event comes later.)
        if (opened && !opened->ListView()->Statement().isEmpty()) {
            QPointer<frmList> guard(opened);
            QSignalSpy loaded(opened->ListView(), &eListView::LoadComplete);
            EXPECT_TRUE(WaitFor([&] { return !guard || (loaded.count() > 0 && !guard->StatisticsPending()); }))
                << qPrintable(opened->InitialFilter());
        }
        return opened;
    }
    QString LinkFilter(int id, const char* field = "MiscFilter")
    {
        return Value(QStringLiteral("SELECT %1 FROM LdBaseRelationships WHERE BaseRelationshipID = %2")
                         .arg(QLatin1String(field))
                         .arg(id));
    }
    // The base column id of a view's column by name.
    QString BaseColumn(const char* view, const char* column)
    {
        return Value(QStringLiteral("SELECT ColumnID FROM LdBaseColumns WHERE BaseID = (SELECT BaseID FROM LdViews "
                                    "WHERE ViewName = '%1') AND ColumnName = '%2'")
                         .arg(QLatin1String(view), QLatin1String(column)));
    }
    // Relates a link on other columns, without constraint or extra filter.
    void Relate(int link, const QString& column, const QString& assocColumn)
    {
        Exec(QStringLiteral("UPDATE LdBaseRelationships SET ColumnID1 = %1, AssocColumnID1 = %2, Column1Filter = NULL, "
                            "Column1FilterTypeID = NULL, MiscFilter = NULL, MiscFilterTypeID = NULL "
                            "WHERE BaseRelationshipID = %3")
                 .arg(column, assocColumn)
                 .arg(link));
    }
    void SetExtraFilter(int link, const QString& text, int type)
    {
        Exec(QStringLiteral("UPDATE LdBaseRelationships SET MiscFilter = ") + QuoteSQLString(Variant(text)) +
             QStringLiteral(", MiscFilterTypeID = ") + QString::number(type) +
             QStringLiteral(" WHERE BaseRelationshipID = ") + QString::number(link));
    }

    std::optional<QString> choose;
    int menus = 0;
    QString built;
    QWidget* owner = nullptr;
};

}  // namespace listtest
