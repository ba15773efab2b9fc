#pragma once
// The Edit Imported Column dialog: new display and SQL names for a column that
// was imported into a view's base, under the import's name rules and unique among
// the base's other columns. It writes nothing: OK hides it (the caller reads the
// two boxes and unloads it), Cancel unloads it.

#include "platform/forms/FormsRuntime.h"

#include <cstdint>
#include <memory>

class CFieldRequired;
class QLineEdit;
class QPushButton;

class frmEditImportedColumn : public Form {
    Q_OBJECT
public:
    frmEditImportedColumn();
    ~frmEditImportedColumn() override;

    void Init(int32_t& lColumnID, int32_t& lViewID, QString& strColumnName, QString& strSQLColumnName);

    static constexpr int kMaxNameLength = 64;

    QLineEdit* txtColumnName() const { return m_txtColumnName; }
    QLineEdit* txtSQLColumnName() const { return m_txtSQLColumnName; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

protected:
    // Esc is Cancel.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    int32_t m_lViewID = 0;
    int32_t m_lColumnID = 0;
    std::unique_ptr<CFieldRequired> m_required;

    QLineEdit* m_txtColumnName = nullptr;
    QLineEdit* m_txtSQLColumnName = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
