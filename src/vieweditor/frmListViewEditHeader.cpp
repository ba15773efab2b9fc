// The view editor's opening and header: Add, Edit, the header fields, the base
// view, the SQL view and Save as new view.

#include "vieweditor/frmListViewEdit.h"

#include "base/AppError.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "shell/ViewFormUtilities.h"
#include "viewmodel/GetView.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

int32_t frmListViewEdit::Add(int32_t lBaseViewID, bool& bShared)
{
    SetCaption(QStringLiteral("New View"));
    Load(this);
    m_nMode = 1;
    m_lblViewDisplayName->setVisible(false);
    m_lblViewDesc->setVisible(false);
    m_chkSaveAsNewView->setVisible(false);
    m_txtDisplayName->clear();
    m_txtViewDesc->clear();
    m_txtSQLViewName->clear();
    m_chkShared->setChecked(bShared);
    UpdateRightsStates();
    m_chkCreateSQLView->setVisible(true);
    m_etchedCreateSQLView->setVisible(true);
    if (lBaseViewID > 0) {
        m_lkupBaseView->SetSelectedID(lBaseViewID);
        lkupBaseView_Changed(lBaseViewID);
        // A base the user may not open leaves the dialog without a base view,
        // and so without a model to name the new view after.
        if (m_oView && m_lLastBaseViewID == lBaseViewID)
            m_txtSQLViewName->setText(GetDefaultSQLViewName(false));
    }
    m_lblBase->setVisible(false);
    ShowModal(this);
    return m_oView ? m_oView->ViewID() : 0;
}

Variant frmListViewEdit::Edit(int32_t lViewID)
{
    // A view deleted since it was listed or loaded (here or by another program on
    // the company) opens no empty editor, and an open one closes: OK would store
    // a view without a name.
    CoLdUVRef view = GetView(lViewID, 4);
    if (view->ViewID() < 1) {
        MsgBox(ViewGoneMessage(m_oView ? m_oView->DisplayName : QString()), vbExclamation,
               QStringLiteral("Attention Required"));
        if (IsLoaded())
            Unload(this);
        return Variant();
    }
    SetCaption(QStringLiteral("Customize View"));
    Load(this);
    m_nMode = 4;
    UpdateRightsStates();
    m_oView = view;
    LoadViewHeader();
    PopulateAllTabs();
    // Ownership is compared exactly: a creator differing in letter case is someone else.
    m_bOwner = m_oView->Custom && GetCurrentUserID() == m_oView->CreatedBy;
    if (m_bOwner) {
        m_lblViewDesc->setVisible(false);
        m_lblViewDisplayName->setVisible(false);
        m_chkCreateSQLView->setVisible(true);
        m_etchedCreateSQLView->setVisible(true);
    } else {
        m_chkShared->setVisible(false);
        m_txtDisplayName->setVisible(false);
        m_txtViewDesc->setVisible(false);
        m_lblReq[0]->setVisible(false);
        m_lblName->setText(QStringLiteral("Name:"));
        m_lblDescription->setText(QStringLiteral("Description:"));
    }
    m_chkSaveAsNewView->setVisible(true);
    m_lkupBaseView->setVisible(false);
    m_lblBaseViewDesc->setVisible(false);
    m_lblReq[2]->setVisible(false);
    if (m_oView->Custom) {
        const Variant base = GetSQLValue(QStringLiteral("SELECT DisplayName FROM LdBases WHERE BaseID = ") +
                                         QString::number(m_oView->BaseID));
        const QString name = base.isNull() || base.isEmpty() ? QString() : base.toString();
        m_lblBase->setText(QStringLiteral("This is a custom view based on the '") + name + QStringLiteral("' view."));
        m_lblBase->setVisible(true);
    } else {
        m_lblBase->setVisible(false);
    }
    // Called again while open (the column import reloads the view): no second modal show.
    try {
        if (!isVisible())
            ShowModal(this);
    } catch (const AppError&) {
    }
    return m_oView ? Variant(m_oView->ViewID()) : Variant();
}

void frmListViewEdit::LoadViewHeader()
{
    m_bLoadingHeader = true;
    try {
        m_txtSQLViewName->setText(m_oView->ViewName);
        m_txtDisplayName->setText(m_oView->DisplayName);
        m_lblViewDisplayName->setText(m_oView->DisplayName);
        m_txtViewDesc->setText(m_oView->Description);
        m_lblViewDesc->setText(m_oView->Description);
        m_lkupBaseView->SetSelectedID(m_oView->BaseViewID);
        m_chkShared->setChecked(m_oView->bShared);
        m_txtSQL->setPlainText(m_oView->SQLSelect + m_oView->SQLFrom);
        m_chkCreateSQLView->setChecked(m_oView->CreateSQLView);
        m_lkupSQLViewApplications->SetSelectedID(m_oView->SQLViewApplicationID);
    } catch (...) {
        m_bLoadingHeader = false;
        throw;
    }
    m_bLoadingHeader = false;
}

void frmListViewEdit::ClearAllLists()
{
    for (int tab = 0; tab < kTabs; ++tab) {
        for (ReportListView* list : {m_lvwList[static_cast<size_t>(tab)], m_lvwPickList[static_cast<size_t>(tab)]}) {
            list->ClearItems();
            SetListViewState(list, false);
        }
    }
    for (int tab = 0; tab < 3; ++tab)
        UpdateMoveButtons(tab);
    for (int tab = 0; tab < kTabs; ++tab)
        UpdateAddRemoveButtons(tab);
}

void frmListViewEdit::lkupBaseView_Changed(int32_t id)
{
    if (m_nMode == 1 && id != m_lLastBaseViewID && id > 0) {
        // A view deleted since the lookup listed it is no base, and is said to be gone
        // rather than refused.
        const bool exists = ViewExists(id);
        if (!exists)
            MsgBox(ViewGoneMessage(), vbExclamation, QStringLiteral("Attention Required"));
        if (exists && CheckViewRights(id, GetCurrentUserID())) {
            m_oView = GetView(id, 1);
            m_txtSQLViewName->setText(GetDefaultSQLViewName(true));
            PopulateAllTabs();
            m_lLastBaseViewID = id;
        } else {
            // The lists must not go on showing a base that is no longer chosen.
            ClearAllLists();
            m_txtSQLViewName->clear();
            m_lkupBaseView->SetSelectedID(-1);
            m_lkupBaseView->setFocus();
            m_lLastBaseViewID = -1;
        }
    } else if (id == -1) {
        ClearAllLists();
        m_txtSQLViewName->clear();
        m_lLastBaseViewID = -1;
    } else {
        m_lLastBaseViewID = id;
    }
}

QString frmListViewEdit::GetDefaultSQLViewName(bool bRefresh)
{
    if (bRefresh)
        m_strDefaultSQLViewName.clear();
    if (m_strDefaultSQLViewName.isEmpty()) {
        BrandleDatabase& dbi = SessionEngine().DBI();
        const QString baseId = QString::number(m_oView ? m_oView->BaseID : 0);
        const Variant count = dbi.DLookup(QStringLiteral("COUNT(*)"),
                                          QStringLiteral("LdBases b INNER JOIN LdViews v ON v.BaseID = b.BaseID"),
                                          QStringLiteral("b.BaseID = ") + baseId);
        const Variant base = dbi.DLookup(QStringLiteral("Base"), QStringLiteral("LdBases"), QStringLiteral("BaseID = ") + baseId);
        const QString prefix = (base.isNull() || base.isEmpty() ? QString() : base.toString()) + QStringLiteral("_");
        // The count alone may give a name a view has already (X_1 and X_3 give X_3):
        // go on counting up until the name is free, compared as the save compares it.
        int32_t n = (count.isNull() || count.isEmpty() ? 0 : count.toInt32()) + 1;
        for (;; ++n) {
            const QString name = prefix + QString::number(n);
            if (SQLViewNameFault(name, false) == 0) {
                m_strDefaultSQLViewName = name;
                break;
            }
        }
    }
    return m_strDefaultSQLViewName;
}

void frmListViewEdit::SetSQLFieldsVisible(bool visible)
{
    m_txtSQLViewName->setVisible(visible);
    m_lblReqSQLViewName->setVisible(visible);
    m_lblSQLViewName->setVisible(visible);
    m_lkupSQLViewApplications->setVisible(visible);
    m_lblSQLViewApplicationCaption->setVisible(visible);
    m_lblReqSQLViewApplication->setVisible(visible);
}

void frmListViewEdit::chkCreateSQLView_Click()
{
    if (m_chkCreateSQLView->isChecked()) {
        if (!CheckRights(QStringLiteral("QuillonCreateSQLViews"), kRightCreate))
            m_chkCreateSQLView->setChecked(false);  // runs this handling again, which hides the fields
        else
            SetSQLFieldsVisible(true);
    } else {
        SetSQLFieldsVisible(false);
    }
    m_chkCreateSQLView->setEnabled(m_bMayCreateSQLViews || m_chkCreateSQLView->isChecked());
}

void frmListViewEdit::chkSaveAsNewView_Click()
{
    if (!m_oView)
        return;
    const bool ticked = m_chkSaveAsNewView->isChecked();
    if (m_oView->Custom) {
        m_txtSQLViewName->setText(ticked ? GetDefaultSQLViewName(false) : m_oView->ViewName);
    } else {
        // Saving a standard view as a new one opens its header for editing.
        m_txtDisplayName->setText(m_lblViewDisplayName->text());
        m_txtDisplayName->setVisible(ticked);
        m_chkCreateSQLView->setVisible(ticked);
        m_etchedCreateSQLView->setVisible(m_chkCreateSQLView->isVisibleTo(this));
        if (ticked)
            m_txtSQLViewName->setText(GetDefaultSQLViewName(false));
        m_lblReq[0]->setVisible(ticked);
        m_lblName->setText(ticked ? QStringLiteral("&Name:") : QStringLiteral("Name:"));
        m_txtViewDesc->setText(m_lblViewDesc->text());
        m_txtViewDesc->setVisible(ticked);
        m_chkShared->setVisible(ticked);
        m_lblDescription->setText(ticked ? QStringLiteral("&Description:") : QStringLiteral("Description:"));
        m_lblViewDesc->setVisible(!ticked);
        m_lblViewDisplayName->setVisible(!ticked);
        if (!ticked && m_chkCreateSQLView->isChecked())
            m_chkCreateSQLView->setChecked(false);
    }
    UpdateRightsStates();
}

void frmListViewEdit::UpdateRightsStates()
{
    // The rights are asked without a word: a command the user may not use is
    // switched off rather than offered and then refused.
    if (!m_bRightsRead) {
        m_bMayImportColumns = (GetRights(QStringLiteral("QuillonImportColumns")) & kRightCreate) != 0;
        m_bMayCreateSQLViews = (GetRights(QStringLiteral("QuillonCreateSQLViews")) & kRightCreate) != 0;
        m_bRightsRead = true;
    }
    m_cmdImportNewColumns->setEnabled(m_nMode == 4 && !m_chkSaveAsNewView->isChecked() && m_bMayImportColumns);
    // A view stored with an SQL view shows the box ticked (its handling asks for the right).
    m_chkCreateSQLView->setEnabled(m_bMayCreateSQLViews || m_chkCreateSQLView->isChecked());
}

void frmListViewEdit::txtSQLViewName_Change()
{
    if (!m_bLoadingHeader)
        m_bSQLNameChanged = true;
}

void frmListViewEdit::cmdCancel_Click() { Unload(this); }
