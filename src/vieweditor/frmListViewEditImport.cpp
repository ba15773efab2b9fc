// The view editor's imported-column commands: import new columns into the view's
// base, delete an imported column, rename one. Delete and rename change the base,
// so every view built on it: they name the other views that use the column, ask,
// and run in one named transaction that ends by rebuilding the SQL of the base's views.

#include "vieweditor/frmListViewEdit.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "base/ColumnNames.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "platform/controls/ReportListView.h"
#include "vieweditor/frmEditImportedColumn.h"
#include "vieweditor/frmImportColumn.h"

#include <QLineEdit>

#include <memory>

namespace {

const QString kAttention = QStringLiteral("Attention Required");
const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

bool frmListViewEdit::AnyListDirty() const
{
    return m_bDirtyColumns || m_bDirtyFilters || m_bDirtyFunctions || m_bDirtyLinksTo;
}

void frmListViewEdit::cmdImportNewColumns_Click()
{
    if (!CheckRights(QStringLiteral("QuillonImportColumns"), kRightCreate))
        return;
    ImportNewColumns();
}

void frmListViewEdit::ImportNewColumns()
{
    if (AnyListDirty()) {
        if (MsgBox(QStringLiteral("Do you want to save any changes you may have already made?"), vbYesNo | vbQuestion,
                   kAttention) == vbYes) {
            // The view is loaded again after the import: going on after a refused
            // or failed save would throw the changes away.
            if (!SaveView())
                return;
            SetScreenMousePointer(vbDefault);
        }
    }

    int32_t viewId = m_oView->ViewID();
    auto dialog = std::make_unique<frmImportColumn>();
    KeepAfterUnload(dialog.get());
    dialog->Init(viewId);
    ShowModal(dialog.get());
    if (!IsFormLoaded(dialog.get()))
        return;  // Cancel: columns imported with Apply show after the next load

    Edit(viewId);
    const QString name = dialog->NewColumnName();
    Unload(dialog.get());

    ReportListView* pick = m_lvwPickList[0];
    for (int i = 1; i <= pick->ItemCount(); ++i) {
        if (pick->Item(i)->SubItem(1) == name) {
            pick->SetSelectedItem(pick->Item(i));
            break;
        }
    }
    if (ListItem* current = pick->SelectedItem()) {
        current->EnsureVisible();
        UpdateAddRemoveButtons(0);
    }
}

bool frmListViewEdit::SaveBeforeBaseChange()
{
    if (!AnyListDirty())
        return true;
    if (MsgBox(QStringLiteral("You must save any changes you may have already made to continue.  Continue?"),
               vbYesNo | vbQuestion, kAttention) != vbYes)
        return false;
    if (!SaveView())
        return false;
    SetScreenMousePointer(vbDefault);
    return true;
}

QString frmListViewEdit::OtherViewsUsingColumn(int32_t columnID)
{
    // Only the edited view is left out, by its id: another view of the same
    // display name is another view that uses the column.
    const QString sql = QStringLiteral("Select Distinct v.DisplayName ") + QStringLiteral("From LDViewColumns vc ") +
                        QStringLiteral("Inner Join LdViews v On vc.ViewID = v.ViewID ") +
                        QStringLiteral("Where vc.BaseColumnID = ") + QString::number(columnID) +
                        QStringLiteral(" And (vc.Viewable = 1 OR vc.Filterable = 1) And v.ViewID <> ") +
                        QString::number(m_oView->ViewID());
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    QString views;
    if (dbi.OpenRecordset(sql, rs)) {
        for (; rs->HasRecord(); rs->MoveNext())
            views += kCrLf + rs->Item(QStringLiteral("DisplayName")).toString();
    }
    dbi.CloseRecordset(rs);
    return views;
}

QString frmListViewEdit::SearchesUsingColumn(int32_t columnID, const QString& columnName)
{
    const QString sql =
        QStringLiteral("SELECT f.ViewFilterID, v.DisplayName, f.FilterName, f.CreatorID, f.FilterString, "
                       "(SELECT COUNT(*) FROM LdViewFilterColumns fc WHERE fc.ViewFilterID = f.ViewFilterID "
                       "AND fc.BaseColumnID = ") +
        QString::number(columnID) +
        QStringLiteral(") AS ColumnRows FROM LdViewFilters f INNER JOIN LdViews v ON v.ViewID = f.ViewID WHERE v.BaseID = ") +
        QString::number(m_oView->BaseID) + QStringLiteral(" ORDER BY v.DisplayName, f.FilterName, f.ViewFilterID");
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    QString searches;
    if (dbi.OpenRecordset(sql, rs)) {
        for (; rs->HasRecord(); rs->MoveNext()) {
            if (rs->Item(QStringLiteral("ColumnRows")).toInt32() == 0 &&
                !SearchUsesColumn(rs->Item(QStringLiteral("FilterString")).toString(), columnName))
                continue;
            // Search names hold "~" where they show an apostrophe.
            const QString name = rs->Item(QStringLiteral("FilterName")).toString().replace(QLatin1Char('~'), QLatin1Char('\''));
            searches += kCrLf + rs->Item(QStringLiteral("DisplayName")).toString() + QStringLiteral(": ") + name +
                        QStringLiteral(" (") + rs->Item(QStringLiteral("CreatorID")).toString().trimmed() +
                        QStringLiteral(")");
        }
    }
    dbi.CloseRecordset(rs);
    return searches;
}

void frmListViewEdit::RenameColumnInSearches(const QString& oldName, const QString& newName)
{
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    std::vector<std::pair<int32_t, QString>> renamed;
    if (dbi.OpenRecordset(QStringLiteral("SELECT f.ViewFilterID, f.FilterString FROM LdViewFilters f INNER JOIN LdViews v "
                                         "ON v.ViewID = f.ViewID WHERE v.BaseID = ") +
                              QString::number(m_oView->BaseID),
                          rs)) {
        for (; rs->HasRecord(); rs->MoveNext()) {
            const QString text = rs->Item(1).toString();
            if (SearchUsesColumn(text, oldName))
                renamed.emplace_back(rs->Item(0).toInt32(), RenameColumnInSearch(text, oldName, newName));
        }
    }
    dbi.CloseRecordset(rs);
    for (const auto& [id, text] : renamed)
        dbi.Execute(QStringLiteral("UPDATE LdViewFilters SET FilterString = ") + QuoteSQLString(Variant(text)) +
                    QStringLiteral(" WHERE ViewFilterID = ") + QString::number(id));
}

bool frmListViewEdit::ConfirmOtherViews(const QString& views, const QString& question, const QString& searches)
{
    if (views.isEmpty() && searches.isEmpty())
        return true;
    QString text;
    if (!views.isEmpty())
        text += QStringLiteral("The following views are using this imported column: ") + kCrLf + views + kCrLf + kCrLf;
    if (!searches.isEmpty())
        text += QStringLiteral("The following searches use this imported column and will be deleted with it: ") +
                kCrLf + searches + kCrLf + kCrLf;
    return MsgBox(text + question, vbYesNo | vbQuestion, kAttention) == vbYes;
}

bool frmListViewEdit::InColumnTransaction(const QString& name, const std::function<void()>& f)
{
    BrandleDatabase& dbi = SessionEngine().DBI();
    int32_t flag = 0;
    try {
        dbi.BeginTrans(name, flag);
        f();
        flag = 0;
        dbi.CommitTrans(name, flag);
        return true;
    } catch (...) {
        const AppError e = ToAppError(std::current_exception());
        try {
            flag = 0;
            dbi.RollbackTrans(name, flag);
        } catch (...) {
            // Nothing to roll back when the transaction never began; the first error is the one to show.
        }
        MsgBox(QStringLiteral("Error ") + QString::number(e.number()) + QStringLiteral(": ") + e.description(),
               vbExclamation, kAttention);
        return false;
    }
}

void frmListViewEdit::DeleteImportedColumn(int32_t columnID)
{
    if (!SaveBeforeBaseChange())
        return;
    const QString columnName = SessionEngine()
                                   .DBI()
                                   .DLookup(QStringLiteral("ColumnName"), QStringLiteral("LdBaseColumns"),
                                            QStringLiteral("ColumnID = ") + QString::number(columnID))
                                   .toString();
    if (!ConfirmOtherViews(OtherViewsUsingColumn(columnID),
                           QStringLiteral("If you continue, this column will be deleted from these views.  Do you "
                                          "want to continue?"),
                           SearchesUsingColumn(columnID, columnName)))
        return;

    ReportListView* pick = m_lvwPickList[0];
    const QString key = pick->SelectedItem() ? pick->SelectedItem()->Key() : QString();
    const bool done = InColumnTransaction(QStringLiteral("frmListViewEdit.DeleteImportedColumn"), [&] {
        SessionEngine().DBI().Execute(QStringLiteral("Exec Ld_DeleteColumn_IDs ") + QString::number(columnID));
        m_oView->Columns()->Remove(Variant(ListKeyToID(key)));
        m_oView->ReloadFilters();
        m_oView->ReloadColumnFunctions();
        PopulateAllTabs();
        SessionEngine().DBI().Execute(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, ") +
                                      QString::number(m_oView->BaseID));
    });
    // The model may already lack the column the database kept: load the view again.
    if (!done)
        Edit(m_oView->ViewID());
}

void frmListViewEdit::EditImportedColumn(int16_t tab)
{
    ReportListView* pick = m_lvwPickList[static_cast<size_t>(tab)];
    if (!pick->SelectedItem())
        return;
    // The lists are refilled from the model below: unsaved orders and choices
    // would be lost without a word.
    if (!SaveBeforeBaseChange())
        return;

    const CoLdUVColumnRef column = m_oView->Columns()->Item(Variant(ListKeyToID(pick->SelectedItem()->Key())));
    QString displayName = column->DisplayName;
    QString columnName = column->ColumnName;
    int32_t columnId = column->ColumnID;
    int32_t viewId = m_oView->ViewID();

    auto dialog = std::make_unique<frmEditImportedColumn>();
    KeepAfterUnload(dialog.get());
    dialog->Init(columnId, viewId, displayName, columnName);
    ShowModal(dialog.get());
    if (!IsFormLoaded(dialog.get()))
        return;
    const QString newDisplayName = dialog->txtColumnName()->text();
    const QString newColumnName = dialog->txtSQLColumnName()->text();
    if (newDisplayName == displayName && newColumnName == columnName) {
        Unload(dialog.get());
        return;
    }
    if (!ConfirmOtherViews(OtherViewsUsingColumn(columnId),
                           QStringLiteral("If you continue, this column's name will be changed in these views.  Do "
                                          "you want to continue?"))) {
        Unload(dialog.get());
        return;
    }

    const bool done = InColumnTransaction(QStringLiteral("frmListViewEdit.EditImportedColumn"), [&] {
        SessionEngine().DBI().Execute(QStringLiteral("Update LdBaseColumns Set ColumnName = ") +
                                      QuoteSQLString(Variant(newColumnName)) + QStringLiteral(" , DisplayName = ") +
                                      QuoteSQLString(Variant(newDisplayName)) + QStringLiteral(" Where ColumnID = ") +
                                      QString::number(columnId));
        // The searches name the column by its SQL name: they follow it, or they would no longer run.
        if (newColumnName != columnName)
            RenameColumnInSearches(columnName, newColumnName);
        column->DisplayName = newDisplayName;
        column->ColumnName = newColumnName;
        m_oView->ReloadFilters();
        m_oView->ReloadColumnFunctions();
        PopulateAllTabs();
        SessionEngine().DBI().Execute(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, ") +
                                      QString::number(m_oView->BaseID));
    });
    Unload(dialog.get());
    // The model may already carry the names the database refused: load the view again.
    if (!done)
        Edit(m_oView->ViewID());
}
