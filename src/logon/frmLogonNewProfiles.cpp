// The logon window's profile box: filling it, choosing an entry with the keys
// and the drop selector, and the profile manager, after which it is filled again.
#include "logon/frmLogonNew.h"

#include "base/AppError.h"
#include "core/SessionValues.h"
#include "logon/frmLogonProfileList.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>

void frmLogonNew::LoadProfileCombo()
{
    cbxProfiles->Clear();
    for (const QString& name : m_settings.ProfileNames())
        SetCbxValue(cbxProfiles, name, -1, true);
    SetCbxValue(cbxProfiles, LogonSettings::kCreateNewProfile, -1, true);
    SetCbxValue(cbxProfiles, m_settings.CurrentProfile(), -1, false);
    FitProfileListToNames();
    txtUserName->setText(m_settings.UserID());
    setFixedHeight(TwipsToPixelsY(kShowingHeightTwips));
}

void frmLogonNew::SetCbxValue(ComboBox* combo, const QString& value, int32_t itemData, bool add, bool matchByItemData)
{
    Traced(kObjectName, "SetCbxValue", [&] {
        if (!combo || TrimBlanks(value).isEmpty())
            return;
        for (int32_t i = 0; i < combo->ListCount(); ++i) {
            if (matchByItemData ? combo->ItemData(i) == itemData : combo->List(i) == value) {
                combo->SetListIndex(i);
                return;
            }
        }
        if (add) {
            combo->AddItem(value);
            const int32_t added = combo->ListCount() - 1;
            combo->SetItemData(added, itemData);
            combo->SetListIndex(added);
        }
    });
}

void frmLogonNew::FitProfileListToNames()
{
    // The list scrolls with arrows, not a scroll bar: its entries have the whole width.
    QAbstractItemView* list = cbxProfiles->view();
    const int names = list->sizeHintForColumn(0);
    list->setMinimumWidth(std::max(TwipsToPixelsX(kProfileBoxWidthTwips), names + 2 * list->frameWidth()));
}

void frmLogonNew::cbxProfiles_Click()
{
    const QString name = cbxProfiles->Text();
    txtProfile->setText(name);
    txtProfile->setCursorPosition(0);  // a long name shows its beginning
    // The box is narrower than many names; its tip holds the whole one.
    txtProfile->setToolTip(name);
}

void frmLogonNew::txtProfile_KeyDown(int keyCode, int shift)
{
    if (shift == vbkey::AltMask) {
        ToggleProfileDropDown();
        return;
    }
    // Moving past either end changes nothing.
    const int32_t count = cbxProfiles->ListCount();
    if (count == 0)
        return;
    const int32_t index = cbxProfiles->ListIndex();
    if (keyCode == vbkey::Down) {
        if (index + 1 < count)
            cbxProfiles->SetListIndex(index + 1);
    } else if (keyCode == vbkey::Up) {
        cbxProfiles->SetListIndex(std::max(index - 1, 0));
    }
}

void frmLogonNew::ToggleProfileDropDown()
{
    if (cbxProfiles->DroppedState()) {
        cbxProfiles->ShowDropdown(false);
    } else {
        cbxProfiles->setFocus(Qt::OtherFocusReason);
        cbxProfiles->ShowDropdown(true);
    }
}

void frmLogonNew::picDropSelector_Click() { ToggleProfileDropDown(); }

void frmLogonNew::cmdEditProfiles_Click()
{
    if (CheckValidInformation())
        ManageProfiles();
}

void frmLogonNew::Picture1_Click() { cmdEditProfiles_Click(); }

void frmLogonNew::ManageProfiles()
{
    Traced(kObjectName, "ManageProfiles", [&] {
        // The manager changes the collection in place and undoes its own changes when
        // cancelled; what stays is stored only after the next successful logon.
        QPointer<frmLogonProfileList> manager = new frmLogonProfileList;
        const QString current =
            cbxProfiles->Text() == LogonSettings::kCreateNewProfile ? QString() : cbxProfiles->Text();
        manager->Init(m_settings.Profiles(), txtUserName->text(), m_iApplication, current, true);
        ShowModal(manager);
        if (manager && IsFormLoaded(manager)) {
            m_settings.SetCurrentProfile(manager->GetSelectedProfile());
            Unload(manager);
        }
        // Refilling the box also puts the stored user id back in place of the one typed.
        LoadProfileCombo();
        cbxProfiles_Click();
    });
}
