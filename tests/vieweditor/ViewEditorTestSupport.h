#pragma once
// The view editor's tests: the demo company and session of the list window's
// tests, the dialog opened by Add or Edit and hidden again once it is shown (as
// OK hides it), so that the test works on the loaded dialog; popup menus
// answered by a script that records their entries.

#include "listwindow/ListWindowTestSupport.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "shell/PopUpMenu.h"
#include "vieweditor/frmListViewEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace editortest {

class ViewEditorTest : public listtest::ListWindowTest {
protected:
    void SetUp() override
    {
        listtest::ListWindowTest::SetUp();
        // The lookup connection, as showing the main window opens it.
        OpenLookupConnection();
        SetPopUpMenuAnswerer([this](const PopUpMenuRequest& r) -> QAction* {
            QStringList entries;
            QAction* chosen = nullptr;
            for (QAction* a : r.menu->actions()) {
                entries << a->text();
                if (a->text() == menuChoice)
                    chosen = a;
            }
            menus.push_back(entries);
            return chosen;
        });
    }
    void TearDown() override
    {
        SetPopUpMenuAnswerer(nullptr);
        listtest::ListWindowTest::TearDown();
    }

    // Runs f while the dialog is shown, then hides it (it stays loaded).
    void WhileShown(frmListViewEdit* dialog, const std::function<void()>& f)
    {
        QTimer::singleShot(0, dialog, [dialog, f] {
            if (f)
                f();
            Hide(dialog);
        });
    }
    frmListViewEdit* OpenAdd(int32_t baseViewId, bool shared = false, int32_t* result = nullptr,
                             const std::function<void()>& whileShown = {})
    {
        auto* dialog = new frmListViewEdit;
        WhileShown(dialog, whileShown);
        const int32_t id = dialog->Add(baseViewId, shared);
        if (result)
            *result = id;
        return dialog;
    }
    frmListViewEdit* OpenEdit(int32_t viewId, Variant* result = nullptr, const std::function<void()>& whileShown = {})
    {
        auto* dialog = new frmListViewEdit;
        WhileShown(dialog, whileShown);
        const Variant id = dialog->Edit(viewId);
        if (result)
            *result = id;
        return dialog;
    }

    // The texts of a column (0 the text, 1.. sub-items) of every row of a list.
    static QStringList Column(const ReportListView* list, int column)
    {
        QStringList texts;
        for (int i = 1; i <= list->ItemCount(); ++i)
            texts << (column == 0 ? list->Item(i)->Text() : list->Item(i)->SubItem(column));
        return texts;
    }
    // Selects exactly the rows whose sub-item 1 is one of the names (and makes the first current).
    static void SelectByName(ReportListView* list, const QStringList& names, int column = 1)
    {
        list->UnSelectAll();
        bool first = true;
        for (const QString& name : names) {
            for (int i = 1; i <= list->ItemCount(); ++i) {
                if (list->Item(i)->SubItem(column) == name) {
                    if (first)
                        list->SetSelectedItem(list->Item(i));
                    list->Item(i)->SetSelected(true);
                    first = false;
                    break;
                }
            }
        }
    }

    // Shows the tab, has the lists report a row click (the buttons follow the
    // selection) and clicks the button, which does nothing while disabled.
    static void Press(frmListViewEdit* d, int tab, QPushButton* button)
    {
        d->SSTab1()->setCurrentIndex(tab);
        emit d->lvwList(tab)->ItemClick(d->lvwList(tab)->SelectedItem());
        emit d->lvwPickList(tab)->ItemClick(d->lvwPickList(tab)->SelectedItem());
        button->click();
    }

    std::vector<QStringList> menus;
    QString menuChoice;
};

}  // namespace editortest
