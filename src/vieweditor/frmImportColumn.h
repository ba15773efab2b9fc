#pragma once
// The Import Column dialog: a column of a linked view, or a custom property of
// the base's rows, becomes a new column of the view's base under a display name
// and an SQL name the user may change. The database performs each import; OK
// imports and hides the dialog (the caller finds it loaded, reloads the view and
// reads NewColumnName), Apply imports and stays open, Cancel unloads it.

#include "platform/forms/FormsRuntime.h"

#include <cstdint>
#include <memory>

class CFieldRequired;
class ListItem;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ReportListView;
class eLookUp;

class frmImportColumn : public Form {
    Q_OBJECT
public:
    frmImportColumn();
    ~frmImportColumn() override;

    // The view whose base receives the columns; called before the dialog is shown.
    void Init(int32_t& lViewID);
    // The display name of the (last) column imported.
    QString NewColumnName() const;

    static constexpr int kMaxNameLength = 64;

    // ---- Controls ----
    QComboBox* cboSources() const { return m_cboSources; }
    QLabel* lblSourceListLabel() const { return m_lblSourceListLabel; }
    eLookUp* lkupView() const { return m_lkupView; }
    ReportListView* lstViews() const { return m_lstViews; }
    QLineEdit* txtColumnName() const { return m_txtColumnName; }
    QLineEdit* txtSQLColumnName() const { return m_txtSQLColumnName; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdApply() const { return m_cmdApply; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

    // ---- State, for tests ----
    const QString& BaseName() const { return m_sBaseName; }
    bool HasCustomProperties() const { return m_bHasCustomProperties; }
    const QString& Prefix() const { return m_sPrefix; }
    const QString& SQLPrefix() const { return m_sSQLPrefix; }

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    // Esc is Cancel.
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Runs a handler inside the event boundary; a failure also puts the pointer back.
    void Handle(const char* procedure, const std::function<void()>& f);
    void cboSources_Click();
    void lkupView_Changed(int32_t id);
    // What the import procedures take as the source: the table of the chosen link
    // (Linked Views), or the chosen custom-property group; -1 when none is chosen.
    int32_t SourceID() const;
    void lstViews_ItemClick(ListItem* item);
    void cmdOK_Click();
    void cmdApply_Click();
    void cmdCancel_Click();

    int32_t m_lViewID = 0;
    QString m_sBaseName;
    bool m_bHasCustomProperties = false;
    QString m_sPrefix;
    QString m_sSQLPrefix;
    int32_t m_lColumnID = 0;
    bool m_bApply = false;
    std::unique_ptr<CFieldRequired> m_required;

    QComboBox* m_cboSources = nullptr;
    QLabel* m_lblSourceListLabel = nullptr;
    eLookUp* m_lkupView = nullptr;
    ReportListView* m_lstViews = nullptr;
    QLineEdit* m_txtColumnName = nullptr;
    QLineEdit* m_txtSQLColumnName = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdApply = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
