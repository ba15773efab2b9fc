// The view editor's OK: the required header fields, the SQL name, the searches
// against the filter columns and the functions against the shown columns, then
// the lists and the header written into the model by mode, and its Store.

#include "vieweditor/frmListViewEdit.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "base/ColumnNames.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "shell/CFieldRequired.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

const QString kAttention = QStringLiteral("Attention Required");
const QString kCrLf = QStringLiteral("\r\n");

// The default pointer comes back however the save ends: stored, refused or failed.
struct DefaultPointerOnExit {
    ~DefaultPointerOnExit() { SetScreenMousePointer(vbDefault); }
};

bool IsZeroOrNull(const Variant& v) { return v.isNull() || v.isEmpty() || v.toDouble() == 0; }

}  // namespace

void frmListViewEdit::cmdOK_Click()
{
    if (SaveView()) {
        Hide(this);
        SetScreenMousePointer(vbDefault);
    }
}

bool frmListViewEdit::SavingAsNewView() const
{
    return m_nMode == 4 && m_chkSaveAsNewView->isVisibleTo(this) && m_chkSaveAsNewView->isChecked();
}

bool frmListViewEdit::SaveView()
{
    const DefaultPointerOnExit pointer;
    m_txtDisplayName->setProperty("Tag", QStringLiteral("Name"));
    m_txtViewDesc->setProperty("Tag", QStringLiteral("Description"));
    m_lkupBaseView->SetTag(Variant(QStringLiteral("Based on")));
    m_txtSQLViewName->setProperty("Tag", QStringLiteral("SQL Name"));
    m_lkupSQLViewApplications->SetTag(Variant(QStringLiteral("Destination application")));

    // Visible means the control's own flag, as the header states set it.
    CFieldRequired required;
    if (m_txtDisplayName->isVisibleTo(this))
        required.AddControl(m_txtDisplayName);
    if (m_lkupBaseView->isVisibleTo(this))
        required.AddControl(m_lkupBaseView);
    if (m_txtSQLViewName->isVisibleTo(this)) {
        required.AddControl(m_txtSQLViewName);
        required.AddControl(m_lkupSQLViewApplications);
    }
    if (!required.CheckRequiredControls(true))
        return false;
    if (!m_oView)
        return false;  // no base view was ever loaded
    if (!ValidateHeaderTexts())
        return false;
    if (!ValidateView())
        return false;

    SetScreenMousePointer(vbHourglass);
    ApplyListsToModel();
    CoLdUV& view = *m_oView;
    const bool createSQLView = m_chkCreateSQLView->isChecked();
    auto writeHeader = [&](bool bNewRow) {
        view.ViewName = m_txtSQLViewName->text();
        view.DisplayName = m_txtDisplayName->text();
        view.Description = m_txtViewDesc->text();
        view.bShared = m_chkShared->isChecked();
        if (bNewRow) {
            view.ViewUser = GetCurrentUserID();
            view.Custom = true;
            view.CreateSQLView = createSQLView;
        } else {
            view.CreateSQLView = view.Custom && createSQLView;
        }
        const int32_t application = m_lkupSQLViewApplications->SelectedID();
        view.SQLViewApplicationID = view.CreateSQLView ? (application == -1 ? 0 : application) : 0;
    };

    if (SavingAsNewView()) {
        writeHeader(true);
        if (!view.Store(true))
            return false;
        m_lNewViewID = view.ViewID();
        m_bNewViewCreated = true;
        return true;
    }
    if (m_nMode == 4) {
        if (m_bOwner) {
            writeHeader(false);
            if (m_bDirtyColumns || m_bDirtyFilters || m_bDirtyLinksTo)
                view.UpdateViewInstancing = true;
        }
        return view.Store(false);
    }
    if (m_nMode == 1) {
        writeHeader(true);
        return view.Store(true);
    }
    return false;
}

bool frmListViewEdit::ValidateView()
{
    if (!ValidateSQLViewName())
        return false;

    bool searchesPass = true;
    const auto filters = m_oView->Filters();
    const int16_t searches = filters->Count();
    for (int16_t i = 1; i <= searches; ++i) {
        if (filters->Item(Variant(int32_t(i)))->UseMe && !AreAllColumnsInFilterList(i))
            searchesPass = false;  // every search is asked, each with its own message
    }
    if (!searchesPass)
        return false;

    QString functionLines;
    QString columnLines;
    QStringList listedColumns;
    const ReportListView* functions = m_lvwList[2];
    const auto columns = m_oView->Columns();
    for (int r = 1; r <= functions->ItemCount(); ++r) {
        const ListItem* row = functions->Item(r);
        for (const CoLdUVColumnRef& c : *columns) {
            if (row->SubItem(2) != c->DisplayName || c->Viewable)
                continue;
            functionLines += QStringLiteral("   - ") + row->SubItem(1) + QStringLiteral(":") + c->DisplayName + kCrLf;
            if (!listedColumns.contains(c->DisplayName)) {
                listedColumns << c->DisplayName;
                columnLines += QStringLiteral("   - ") + c->DisplayName + kCrLf;
            }
        }
    }
    if (!functionLines.isEmpty()) {
        MsgBox(QStringLiteral("The following function(s):") + kCrLf + kCrLf + functionLines + kCrLf +
                   QStringLiteral(" require(s) the addition of the following column(s) to the column list:") + kCrLf +
                   kCrLf + columnLines + kCrLf + kCrLf +
                   QStringLiteral("Either add the required columns(s) or remove the function(s)"),
               vbExclamation);
        return false;
    }
    return AreAllLinkColumnsShown();
}

bool frmListViewEdit::AreAllLinkColumnsShown()
{
    // A linked view opens filtered on the selected row's values of the link's
    // relation columns, and the list reads a row's values only from the columns it
    // shows: without them the link would find nothing, or the wrong rows.
    QString linkLines;
    QString columnLines;
    QStringList listedColumns;
    const auto columns = m_oView->Columns();
    for (const CoLdUVAssocViewRef& link : *m_oView->AssocViews()) {
        if (!link->UseMe)
            continue;
        for (const int32_t id : link->RelationColumnIDs()) {
            for (const CoLdUVColumnRef& c : *columns) {
                if (c->ColumnID != id || c->Viewable)
                    continue;
                linkLines += QStringLiteral("   - ") + link->ViewName + QStringLiteral(":") + c->DisplayName + kCrLf;
                if (!listedColumns.contains(c->DisplayName)) {
                    listedColumns << c->DisplayName;
                    columnLines += QStringLiteral("   - ") + c->DisplayName + kCrLf;
                }
                break;
            }
        }
    }
    if (linkLines.isEmpty())
        return true;
    MsgBox(QStringLiteral("The following linked view(s):") + kCrLf + kCrLf + linkLines + kCrLf +
               QStringLiteral(" require(s) the addition of the following column(s) to the column list:") +
               kCrLf + kCrLf + columnLines + kCrLf + kCrLf +
               QStringLiteral("Either add the required column(s) or remove the linked view(s) on the Links tab"),
           vbExclamation);
    return false;
}

bool frmListViewEdit::WritesHeader() const
{
    return m_nMode == 1 || SavingAsNewView() || (m_nMode == 4 && m_bOwner);
}

bool frmListViewEdit::ValidateHeaderTexts()
{
    if (!WritesHeader())
        return true;
    // The boxes stop at the table's widths; a text put in by other means, or half
    // of a surrogate pair (stored as "?" without a word), is refused here.
    const struct {
        QLineEdit* box;
        const char* tag;
        int max;
    } texts[] = {{m_txtDisplayName, "Name", 128}, {m_txtViewDesc, "Description", 128}, {m_txtSQLViewName, "SQL Name", 50}};
    for (const auto& t : texts) {
        if (t.box == m_txtSQLViewName && !m_chkCreateSQLView->isChecked())
            continue;  // a hidden SQL name is the SQL name rules' to mend
        const QString text = t.box->text();
        QString message;
        if (text.size() > t.max)
            message = QStringLiteral("The %1 can have at most %2 characters.").arg(QLatin1String(t.tag)).arg(t.max);
        else if (HasLoneSurrogate(text))
            message = QStringLiteral("The %1 holds an incomplete character that cannot be stored. Please type it again.")
                          .arg(QLatin1String(t.tag));
        if (message.isEmpty())
            continue;
        MsgBox(message, vbExclamation, kAttention);
        if (t.box->isVisible())
            t.box->setFocus();
        return false;
    }
    return true;
}

int frmListViewEdit::SQLViewNameFault(const QString& name, bool excludeOwnRow)
{
    if (name.trimmed().isEmpty() || name.size() > 50 || HasLoneSurrogate(name) || name.contains(QLatin1Char(']')) ||
        name.contains(QLatin1Char('\'')))
        return 1;
    // An exact comparison under the database's collation (letter case aside), trailing
    // blanks aside as the server compares names: wildcards in a name are characters
    // of the name, never patterns that match other views' names.
    QString where = QStringLiteral("UPPER(RTRIM(ViewName)) = UPPER(RTRIM(") + QuoteSQLString(Variant(name)) +
                    QStringLiteral("))");
    if (excludeOwnRow)
        where += QStringLiteral(" AND ViewID <> ") + QString::number(m_oView->ViewID());
    const Variant count = SessionEngine().DBI().DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdViews"), where);
    return IsZeroOrNull(count) ? 0 : 2;
}

bool frmListViewEdit::ValidateSQLViewName()
{
    // The name is stored as ViewName whether or not Create SQL View is ticked, and the
    // catalogues find a view by it: every path that writes it keeps it unique.
    if (!WritesHeader() || !m_oView)
        return true;
    const bool saveAsNew = SavingAsNewView();
    // An unchanged name of the view itself needs no test.
    if (m_nMode == 4 && !saveAsNew && !m_bSQLNameChanged)
        return true;
    // Only a customized view's own row is left out; a new view's model is its base view.
    const bool excludeOwnRow = m_nMode == 4 && !saveAsNew;
    const bool shown = m_chkCreateSQLView->isChecked();
    const int fault = SQLViewNameFault(m_txtSQLViewName->text(), excludeOwnRow);
    if (fault == 0)
        return true;
    if (!shown) {
        // The user cannot see the hidden name: the view keeps its own, or takes a free default one.
        const QString fallback = excludeOwnRow ? m_oView->ViewName : GetDefaultSQLViewName(true);
        if (SQLViewNameFault(fallback, excludeOwnRow) == 0) {
            m_txtSQLViewName->setText(fallback);
            return true;
        }
    }
    if (fault == 1)
        MsgBox(QStringLiteral("The sql name cannot contain the following characters: ") + kCrLf + QStringLiteral("' ]"),
               vbExclamation, kAttention);
    else
        MsgBox(QStringLiteral("The sql name already exists in the database."), vbExclamation, kAttention);
    return false;
}

bool frmListViewEdit::AreAllColumnsInFilterList(int16_t ObjIndex)
{
    const CoLDUVFilterRef search = m_oView->Filters()->Item(Variant(int32_t(ObjIndex)));
    BrandleDatabase& dbi = SessionEngine().DBI();
    BrandleRecordsetPtr rs;
    QString missing;
    const auto columns = m_oView->Columns();
    if (dbi.OpenRecordset(QStringLiteral("SELECT vf.BaseColumnID, bc.DisplayName FROM LdViewFilterColumns vf INNER JOIN "
                                         "LdBaseColumns bc ON bc.ColumnID = vf.BaseColumnID WHERE ViewFilterID = ") +
                              QString::number(search->ViewFilterID()),
                          rs)) {
        for (; rs->HasRecord(); rs->MoveNext()) {
            const int32_t columnId = rs->Item(0).toInt32();
            bool present = false;
            for (const CoLdUVColumnRef& c : *columns) {
                if (c->ColumnID == columnId && c->Filterable) {
                    present = true;
                    break;
                }
            }
            if (!present)
                missing += QStringLiteral("   -  ") + rs->Item(1).toString() + kCrLf;
        }
    }
    dbi.CloseRecordset(rs);
    if (missing.isEmpty())
        return true;
    MsgBox(QStringLiteral("Search: '") + search->FilterName + QStringLiteral("' requires the addition ") + kCrLf +
               QStringLiteral("of the following filters to the filter list:") + kCrLf + kCrLf + missing + kCrLf + kCrLf +
               QStringLiteral("Either add the required filter(s) or remove this search"),
           vbExclamation);
    return false;
}

void frmListViewEdit::ApplyListsToModel()
{
    const auto columns = m_oView->Columns();
    for (int r = 1; r <= m_lvwList[0]->ItemCount(); ++r) {
        const ListItem* row = m_lvwList[0]->Item(r);
        columns->Item(Variant(ListKeyToID(row->Key())))->Order = Variant(row->SubItem(3)).toInt16();
    }
    for (int r = 1; r <= m_lvwList[1]->ItemCount(); ++r) {
        const ListItem* row = m_lvwList[1]->Item(r);
        columns->Item(Variant(ListKeyToID(row->Key())))->FilterOrder = Variant(row->SubItem(3)).toInt16();
    }
    const auto functions = m_oView->ColumnFunctions();
    for (int16_t i = functions->Count(); i >= 1; --i)
        functions->Remove(Variant(int32_t(i)));
    BrandleDatabase& dbi = SessionEngine().DBI();
    for (int r = 1; r <= m_lvwList[2]->ItemCount(); ++r) {
        const ListItem* row = m_lvwList[2]->Item(r);
        const QString function = row->SubItem(1);
        const QString column = row->SubItem(2);
        const coLdUVColumnFunctionRef f = functions->Create();
        const int16_t index = FindModelItemIndex(0, column);
        f->ColumnID = index > 0 ? columns->Item(Variant(int32_t(index)))->ColumnID : 0;
        f->ColumnFunctionID = dbi.DLookup(QStringLiteral("ColumnFunctionID"), QStringLiteral("LdColumnFunctions"),
                                          QStringLiteral("ColumnFunction = ") + QuoteSQLString(Variant(function)))
                                  .toInt32();
        f->Order = Variant(row->SubItem(3)).toInt16();
        f->ColumnName = column;
        f->ColumnFunction = function;
        functions->Add(f);
    }
}
