// New and Customize: the list window opens the view editor for a new view based
// on the selected one, for the selected view of a catalogue, or for the view it
// shows, and then reloads what the editor reports as changed.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "platform/controls/eListView.h"
#include "vieweditor/frmListViewEdit.h"

#include <QPointer>

namespace {

void ShowOnlyCreatorMessage()
{
    MsgBox(QStringLiteral("You can only customize views that were created by ") + GetCurrentUserID() +
               QStringLiteral(" unless you are an administrator or part of the admin security group"),
           vbExclamation);
}

// The editor is left loaded after OK; after an error on the way it must not stay behind.
template <class F>
auto WithEditor(F&& f)
{
    QPointer<frmListViewEdit> editor = new frmListViewEdit;
    try {
        return f(editor);
    } catch (...) {
        if (editor && IsFormLoaded(editor))
            Unload(editor);
        throw;
    }
}

bool StillLoaded(const QPointer<frmListViewEdit>& editor) { return editor && IsFormLoaded(editor); }

}  // namespace

void frmList::NewView()
{
    int32_t none = 0;
    if (!CheckRights(GetSecurityObject(none), kRightCreate))
        return;
    bool shared = m_oView->ViewName != QLatin1String("LdMyViews");
    WithEditor([&](QPointer<frmListViewEdit>& editor) {
        const int32_t id = editor->Add(m_eListView->SelectedID(), shared);
        if (!StillLoaded(editor))
            return;
        Unload(editor);
        RefreshList(id);
        // The new view is the list's selection: Enter opens it.
        m_eListView->setFocus();
    });
}

void frmList::CustomizeSelectedView()
{
    int32_t none = 0;
    if (!CheckRights(GetSecurityObject(none), kRightEdit))
        return;
    if (m_bMainView) {
        const QString creator = GetSelectedColumnValue(QStringLiteral("CreatorID"));
        if (creator.toLower() != GetCurrentUserID().toLower() && !m_bIsAdmin) {
            ShowOnlyCreatorMessage();
            return;
        }
    }
    const int32_t id = m_eListView->SelectedID();
    if (id <= 0 || SelectedViewIsGone(id) || !CheckViewRights(id, GetCurrentUserID()))
        return;
    WithEditor([&](QPointer<frmListViewEdit>& editor) {
        const Variant edited = editor->Edit(id);
        if (!StillLoaded(editor))
            return;
        Unload(editor);
        RefreshList(edited.isEmpty() || edited.isNull() ? -1 : edited.toInt32());
    });
}

void frmList::CustomizeOpenView()
{
    // A view deleted since the window opened has nothing to customize.
    if (ViewIsGone())
        return;
    if (GetCurrentUserID().toLower() != m_oView->CreatedBy.toLower() && !m_bIsAdmin) {
        ShowOnlyCreatorMessage();
        return;
    }
    int32_t none = 0;
    if (!CheckRights(GetSecurityObject(none), kRightEdit))
        return;
    WithEditor([&](QPointer<frmListViewEdit>& editor) {
        editor->Edit(m_oView->ViewID());
        if (!StillLoaded(editor))
            return;  // cancelled
        if (editor->NewViewCreated()) {
            // The new view replaces this window.
            auto* window = new frmList;
            window->Init(editor->NewViewID(), QString(), nullptr, false);
            ShowListWindow(window);
            Unload(editor);
            Unload(this);
            return;
        }
        if (editor->DirtyColumns() || editor->DirtyFilters()) {
            LoadViewDefinition();
            SetupFilterControl(m_strFilter, m_bComplex);
            RefreshList(-1);
        }
        if (editor->DirtyFunctions()) {
            m_oView->ReloadColumnFunctions();
            RefreshStatistics(UsesExtendedFrom(), GetFilterWhere(QString()));
        }
        if (editor->DirtyLinksTo())
            m_oView->ReloadAssocViews();
        Unload(editor);
    });
}
