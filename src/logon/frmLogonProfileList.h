#pragma once
// The profile manager "Manage Logon Profiles": lists the logon window's profiles
// and adds, edits and deletes them through the profile wizard, then hands back
// the profile chosen. It works on the caller's collection itself, so every change
// shows at once; a snapshot taken on load lets Cancel undo additions, deletions
// and renames, and the fields of every record it edited are put back as well.
// Nothing is stored here: the logon window stores its profiles after a logon.
//
// The caller creates it, calls Init, shows it modally and, when it is still
// loaded afterwards (OK hides it), reads GetSelectedProfile and unloads it.
// Cancel, Esc and closing the window unload it without OK.

#include "core/CoCollection.h"
#include "core/clsLogonProfile.h"
#include "listhelpers/CoLVCollection.h"
#include "platform/forms/FormsRuntime.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QFrame;
class QPushButton;
class ReportListView;

class frmLogonProfileList : public Form, public LVCollectionParent {
    Q_OBJECT
public:
    frmLogonProfileList();
    ~frmLogonProfileList() override;

    // The caller's profile collection (shared, not copied), the user id typed in the
    // logon window, the application number and the name of the caller's current
    // profile (empty for none). bWizard is accepted and not used.
    void Init(const CoCollectionRef& colProfiles, const QString& sUser, int16_t iApplicationID,
              const QString& sCurrentProfileKey, bool bWizard);
    // Before OK the name given to Init; after OK the profile selected then (or, with
    // none selected, still the name given to Init).
    const QString& GetSelectedProfile() const { return m_sSelectedProfile; }
    // Every profile name, each between "[^]" separators, for the wizard's uniqueness test.
    const QString& UsedProfileList() const { return m_sUsedProfileList; }
    bool CoExecutive() const { return m_bCoExecutive; }
    CoLVCollection* Binding() const { return m_lvcProfiles.get(); }

    Variant LVCollectionCallBack(COLVC_MSG lvcMsg, CoLVCollection& oLvCol) override;

    // The buttons and the list's double click.
    void cmdNewProfile_Click();
    void cmdEditProfile_Click();
    void cmdDeleteProfile_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void lstProfiles_DblClick() { cmdEditProfile_Click(); }

    static constexpr const char* kCoExecutive = "coexecutive";

    // ---- controls
    QFrame* fProfiles = nullptr;
    ReportListView* lstProfiles = nullptr;
    QPushButton* cmdNewProfile = nullptr;
    QPushButton* cmdEditProfile = nullptr;
    QPushButton* cmdDeleteProfile = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void CreateControls();
    void BuildUsedProfileList();
    // The row's texts from the record: its name, then company and branch (for the
    // user coexecutive the HBServer and the SQL server).
    void WriteRow(::ListItem* row, const clsLogonProfile& profile) const;
    // Keeps the record's fields as they were on load, once per record.
    void RememberFields(const clsLogonProfileRef& profile);
    // Replaces the used-name entry of oldName ("[^]oldName[^]", letter case ignored)
    // by replacement; false when the list has no such entry.
    bool ReplaceUsedName(const QString& oldName, const QString& replacement);

    CoCollectionRef m_colProfiles;
    std::unique_ptr<CoLVCollection> m_lvcProfiles;
    QString m_sUser;
    int16_t m_iApplicationID = 0;
    QString m_sSelectedProfile;
    QString m_sUsedProfileList;
    bool m_bCoExecutive = false;
    // The snapshot of the collection taken on load and not yet ended.
    bool m_bStateOpen = false;
    // The records an Edit reached, each with its fields as they were on load.
    std::vector<std::pair<clsLogonProfileRef, clsLogonProfile>> m_editedFields;
};
