#pragma once
// The modal dialog in which the list window's Save As and Edit name a saved
// search and choose whether it is shared and whether it is a complex search.
// The caller creates it, calls Init, shows it modally and tests with
// IsFormLoaded whether OK was pressed (OK hides the dialog, Cancel unloads it);
// then it reads the name box, the two ticks and FilterString, and unloads it.

#include "platform/forms/FormsRuntime.h"
#include "viewmodel/CoLdUV.h"

#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmListSearchName : public Form {
    Q_OBJECT
public:
    frmListSearchName();
    ~frmListSearchName() override;

    // nDetailIndex: the 1-based position of the current search in the view's
    // searches, 0 for the unsaved search; nOpenMode: 1 Save As, 4 Edit (recorded
    // only). The name box and the caption start empty; the caller sets them.
    // strListFrom: the FROM clause the calling list runs, for the SQL search
    // editor's test (empty: the view's own).
    void Init(const QString& strFilterName, const QString& strFilterString, const CoLdUVRef& objView,
              const QString& strCaption, bool bShared, int16_t nDetailIndex, int16_t nOpenMode,
              const QString& strListFrom = QString());
    // The filter text: the one given to Init, or the one the SQL search editor returned.
    QString FilterString() const { return m_strFilterString; }
    // The complex box is ticked.
    bool Complex() const;
    int16_t OpenMode() const { return m_nOpenMode; }

    static constexpr int kMaxNameLength = 50;
    static constexpr const char* kNoNameMessage = "A search must have a name.";
    static constexpr const char* kNulInNameMessage = "A search name cannot contain a NUL character.";
    static constexpr const char* kNameInUseMessage = "This search name is already in use.";

    // ---- Controls ----
    QLabel* lblName() const { return m_lblName; }
    QLineEdit* txtName() const { return m_txtName; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    QCheckBox* chkShare() const { return m_chkShare; }
    QCheckBox* chkComplex() const { return m_chkComplex; }
    QPushButton* cmdEditSQL() const { return m_cmdEditSQL; }

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdEditSQL_Click();
    bool IsNameUnique() const;

    CoLdUVRef m_oView;
    CoLDUVFilterRef m_oFilter;
    int32_t m_lViewID = 0;
    QString m_strViewUser;
    QString m_strNameOwner;  // whose searches the name must differ from
    QString m_strFilterString;
    QString m_strListFrom;
    QString m_strFilterName;  // the name the search had when the dialog opened
    QString m_strCaption;
    int16_t m_nOpenMode = 0;

    QLabel* m_lblName = nullptr;
    QLineEdit* m_txtName = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QCheckBox* m_chkShare = nullptr;
    QCheckBox* m_chkComplex = nullptr;
    QPushButton* m_cmdEditSQL = nullptr;
};
