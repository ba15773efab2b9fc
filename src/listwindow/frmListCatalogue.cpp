// The commands of the two catalogue windows (All Views, My Views): open the
// selected view, delete it or take it out of My Views, add it to My Views, and
// the per-user Auto Populate flag. User ids go into SQL as quoted literals.
#include "listwindow/frmList.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "platform/controls/eListView.h"
#include "shell/frmMDIFrame.h"
#include "viewmodel/GetView.h"

namespace {

const QString kAttention = QStringLiteral("Attention Required");

bool IsMyViewsRow(const Variant& isMyView)
{
    // A row that auto populate created has no IsMyView: that is not in My Views.
    return !isMyView.isNull() && !isMyView.isEmpty() && isMyView.toBool();
}

}  // namespace

QString frmList::GetSecurityObject(int32_t& lViewID)
{
    if (lViewID == 0)
        lViewID = m_oView->ViewID();
    if (m_oView->ViewName == QLatin1String("LdMyViews"))
        return QStringLiteral("QuillonMyViews");
    if (m_oView->ViewName == QLatin1String("LdViews"))
        return QStringLiteral("QuillonAllViews");
    if (lViewID <= 0)
        return QString();
    return IsInMyViews(lViewID) ? QStringLiteral("QuillonMyViews") : QStringLiteral("QuillonAllViews");
}

bool frmList::IsInMyViews(int32_t lViewID)
{
    const Variant count = SessionEngine().DBI().DLookup(
        QStringLiteral("COUNT(*)"), QStringLiteral("LdMyViews"),
        QStringLiteral(" IsMyView = 1 AND ViewID =") + QString::number(lViewID) + QStringLiteral(" AND UserID =") +
            QuoteSQLString(GetCurrentUserID()));
    return !count.isNull() && !count.isEmpty() && count.toDouble() != 0;
}

void frmList::ShowListWindow(frmList* window)
{
    frmMDIFrame* main = frmMDIFrame::Instance();
    if (main->IsLoaded() && main->ChildFrameOf(this))
        main->ShowChild(window);
    else
        Show(window);
}

bool frmList::SelectedViewIsGone(int32_t lViewID)
{
    if (ViewExists(lViewID))
        return false;
    MsgBox(ViewGoneMessage(m_eListView->ColumnText(1)), vbExclamation, kAttention);
    // The list no longer offers it.
    RefreshList(-1);
    return true;
}

void frmList::CloseWindowsOfView(int32_t lViewID)
{
    for (Form* form : LoadedForms()) {
        auto* window = qobject_cast<frmList*>(form);
        if (!window || window->m_lViewID != lViewID)
            continue;
        // Its view is gone: its closing stores nothing for it.
        window->m_bViewGone = true;
        Unload(window);
    }
}

void frmList::OpenSelectedView()
{
    if (!m_bViewsList)
        return;
    const int32_t id = m_eListView->SelectedID();
    if (id <= 0 || SelectedViewIsGone(id) || !CheckViewRights(id, GetCurrentUserID()))
        return;
    auto* window = new frmList;
    window->Init(id, QString(), this, false);
    ShowListWindow(window);
}

void frmList::DeleteSelectedView()
{
    int32_t none = 0;
    if (!CheckRights(GetSecurityObject(none), kRightDelete))
        return;
    const int32_t id = m_eListView->SelectedID();
    // The Delete key reaches here with nothing listed: there is no view to ask about.
    if (id <= 0 || SelectedViewIsGone(id))
        return;
    const QString custom = GetSelectedColumnValue(QStringLiteral("Custom"));
    const QString creator = GetSelectedColumnValue(QStringLiteral("CreatorID"));
    const bool isCustom = custom == QLatin1String("Yes");
    const QString user = GetCurrentUserID();
    const QString name = m_eListView->ColumnText(1);
    const QString question = QStringLiteral("Are you sure you want to delete the '") + name + QStringLiteral("' view?");

    QString statement;
    if (m_oView->ViewName == QLatin1String("LdViews")) {
        if (!isCustom) {
            MsgBox(QStringLiteral("You can not delete system views."), vbExclamation, kAttention);
            return;
        }
        if (creator.toLower() != user.toLower() && !m_bIsAdmin) {
            MsgBox(QStringLiteral("You can only delete views that were created by ") + user, vbExclamation, kAttention);
            return;
        }
        if (MsgBox(question, vbYesNo | vbQuestion, kAttention) != vbYes)
            return;
        statement = QStringLiteral("EXEC Ld_DeleteView ") + QString::number(id);
    } else if (m_oView->ViewName == QLatin1String("LdMyViews")) {
        if (MsgBox(question, vbYesNo | vbQuestion, kAttention) != vbYes)
            return;
        statement = QStringLiteral("UPDATE LdMyViews SET IsMyView = 0 WHERE ViewID = ") + QString::number(id) +
                    QStringLiteral(" AND UserID = ") + QuoteSQLString(user);
    } else {
        return;
    }
    // A failed statement is reported before the list is run again.
    if (!ExecuteSQL(statement))
        ShowErrorMessage();
    else if (m_oView->ViewName == QLatin1String("LdViews"))
        CloseWindowsOfView(id);
    RefreshList(-1);
}

void frmList::AddSelectedToMyViews()
{
    const int32_t id = m_eListView->SelectedID();
    if (id <= 0 || SelectedViewIsGone(id) || !CheckViewRights(id, GetCurrentUserID()))
        return;
    const QString user = GetCurrentUserID();
    const QString name = m_eListView->ColumnText(1);
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    bool written = false;
    if (dbi.OpenRecordset(QStringLiteral("SELECT * FROM LdMyViews WHERE UserID = ") + QuoteSQLString(user) +
                              QStringLiteral(" AND ViewID = ") + QString::number(id),
                          rs)) {
        if (IsMyViewsRow(rs->Item(QStringLiteral("IsMyView")))) {
            MsgBox(QStringLiteral("'") + name + QStringLiteral("' has already been added to your MyViews."),
                   vbExclamation);
        } else {
            dbi.Execute(QStringLiteral("UPDATE LdMyViews SET IsMyView = 1 WHERE MyViewID = ") +
                        rs->Item(QStringLiteral("MyViewID")).toString());
            written = true;
        }
    } else {
        dbi.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (") + QString::number(id) +
                    QStringLiteral(", ") + QuoteSQLString(user) + QStringLiteral(",1)"));
        written = true;
    }
    dbi.CloseRecordset(rs);
    if (written)
        MsgBox(QStringLiteral("'") + name + QStringLiteral("' has been added to your MyViews."), vbInformation);
}

void frmList::SaveAutoPopulate(int32_t lViewID, bool bAutoPopulate)
{
    if (lViewID <= 0)
        return;
    const QString user = GetCurrentUserID();
    const QString flag = bAutoPopulate ? QStringLiteral("-1") : QStringLiteral("0");
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    if (dbi.OpenRecordset(QStringLiteral("SELECT * FROM LdMyViews WHERE UserID = ") + QuoteSQLString(user) +
                              QStringLiteral(" AND ViewID = ") + QString::number(lViewID),
                          rs))
        dbi.Execute(QStringLiteral("UPDATE LdMyViews SET AutoPopulate = ") + flag + QStringLiteral(" WHERE MyViewID = ") +
                    rs->Item(QStringLiteral("MyViewID")).toString());
    else
        dbi.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, AutoPopulate) VALUES (") +
                    QString::number(lViewID) + QStringLiteral(", ") + QuoteSQLString(user) + QStringLiteral(",") + flag +
                    QStringLiteral(")"));
    dbi.CloseRecordset(rs);
}

void frmList::GetSelectedColumnValue(const Variant& vColumn, int16_t& nDataType, QString& strValue)
{
    nDataType = -1;
    strValue.clear();
    if (!m_oView)
        return;
    const bool byId = vColumn.isNumber();
    for (const CoLdUVColumnRef& column : *m_oView->Columns()) {
        if (!column->Viewable)
            continue;
        const bool match = byId ? column->ColumnID == vColumn.toInt32() : column->ColumnName == vColumn.toString();
        if (!match)
            continue;
        nDataType = column->DataTypeSubType;
        const QString text = m_eListView->ColumnText(column->Order);
        strValue = byId ? text : text.trimmed();
        return;
    }
}

QString frmList::GetSelectedColumnValue(const QString& columnName)
{
    int16_t type = 0;
    QString value;
    GetSelectedColumnValue(Variant(columnName), type, value);
    return value;
}
