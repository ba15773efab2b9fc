#pragma once
// The profile wizard "Edit Logon Profile": fills in one logon profile, new or
// existing, in four frames (servers, company, branch, name). It asks the HBServer
// which companies and branches it offers, checks each frame, suggests a unique
// name and, on Finish, writes the result into the record it was given; nothing
// else is changed.
//
// The caller creates it, calls Init, shows it modally and finds it still loaded
// when the user finished (Finish hides it); closing the window unloads it without
// touching the record. The user "coexecutive" moves between the server frame and
// the name frame only. An HBServer client exists only between the server frame
// and the name frame.

#include "core/CoCollection.h"
#include "core/clsLogonProfile.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/hbclient/CoHBClient.h"

#include <array>
#include <cstdint>
#include <memory>

class ComboBox;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class frmLogonWizard : public Form {
    Q_OBJECT
public:
    frmLogonWizard();
    ~frmLogonWizard() override;

    // The user (passed to the branch list), the used-name list ("[^]name[^]" for
    // every profile), the record to fill in and the application number.
    void Init(const QString& sUser, const QString& sUsedProfileList, const clsLogonProfileRef& oProfile,
              int16_t iApplicationID);

    // The buttons.
    void cmdNext_Click();
    void cmdPrev_Click();

    int16_t CurrentFrame() const { return m_iCurrentFrame; }
    QFrame* Frame(int16_t number) const;
    // The HBServer host and port as the last validation and the client left them.
    const QString& HBServer() const { return m_sHBServer; }
    int16_t HBServerPort() const { return m_iHBServerPort; }
    // The client of the moment (none outside the frames between server and name).
    const CoHBClientRef& HBClient() const { return m_oHBClient; }

    static constexpr int16_t kDefaultHBServerPort = 1331;
    static constexpr const char* kCoExecutive = "coexecutive";

    // ---- controls
    QFrame* fServer = nullptr;
    QLabel* lblHBServer = nullptr;
    QLineEdit* txtHBServer = nullptr;
    QLabel* lblSQLServer = nullptr;
    QLineEdit* txtSQLServer = nullptr;
    QFrame* fCompany = nullptr;
    QLabel* lblCompany = nullptr;
    ComboBox* cboCompany = nullptr;
    QFrame* fBranch = nullptr;
    QLabel* lblBranch = nullptr;
    ComboBox* cboBranch = nullptr;
    QCheckBox* chkShowOnlyLoggedInBranch = nullptr;
    QFrame* fName = nullptr;
    QLabel* lblProfileName = nullptr;
    QLineEdit* txtProfileName = nullptr;
    QLabel* imgInfo = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdNext = nullptr;

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void CreateControls();
    void LoadValues();
    void txtSQLServer_Change();
    void SetCurrentFrame(int16_t prev);
    // Moves m_iCurrentFrame by step and shows it; the number moved is put back when showing fails.
    void Step(int16_t step);
    bool ValidateFrame(int16_t frame);
    bool ValidateServerFrame();
    bool ValidateCompanyFrame();
    bool ValidateBranchFrame();
    bool CreateHBClient();
    bool LoadCompanies();
    bool LoadBranches();
    bool CompanyHasBranches(const QString& name);
    bool CompanyFiltersBranchData(const QString& name);
    bool Finish();
    void DoButtons();
    int16_t StepSize() const { return m_bCoExecutive ? 3 : 1; }

    std::array<QFrame*, 4> m_colFrames{};  // the frames 1 to 4
    int16_t m_iFirstFrame = 1;
    int16_t m_iLastFrame = 4;
    int16_t m_iCurrentFrame = 1;
    QString m_sUser;
    clsLogonProfileRef m_oProfile;
    QString m_sEntryProfileName;
    QString m_sUsedProfileList;
    int16_t m_iApplicationID = 0;
    bool m_bCoExecutive = false;
    CoHBClientRef m_oHBClient;
    QString m_sHBServer;
    int16_t m_iHBServerPort = 0;
    CoCollectionRef m_colCompanies;
};
