#pragma once
// The SQL search editor: a search's filter text (a WHERE clause) in an editable
// box, a test of it against the view in a list control of its own, and a filter
// pane over the view's filter columns whose WHERE text can be produced and
// copied into the statement by hand. OK accepts the text only when the
// statement built from it runs. Modal: OK hides, Cancel unloads; the caller
// tests IsFormLoaded, reads FilterString and unloads it.

#include "base/Variant.h"
#include "platform/forms/FormsRuntime.h"
#include "viewmodel/CoLdUV.h"

#include <cstdint>
#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class eListView;
namespace FILTERLib {
class Filter;
}  // namespace FILTERLib

class frmListSearchEditSQL : public Form {
    Q_OBJECT
public:
    frmListSearchEditSQL();
    ~frmListSearchEditSQL() override;

    // strFilterString: anything convertible to text. strListFrom: the FROM clause
    // the calling list window runs (a catalogue's is restricted to the rows the
    // user may see); empty for the view's own.
    void Init(const CoLdUVRef& objView, const Variant& strFilterString, const QString& strFilterName,
              const QString& strListFrom = QString());
    // The current text of the statement box.
    QString FilterString() const;

    // The statement the test runs: the view's select keyword and first column,
    // the list's FROM clause, the view's extended FROM and the statement box's
    // text. A select without a comma is taken whole.
    QString TestStatement() const;

    // ---- Handlers (the buttons run them; so do the tests) ----
    void cmdExecute_Click();
    void cmdGo_Click();
    void cmdClear_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void pmFilter_RowCountChanged(int32_t rows);
    void eListView_LoadComplete(int32_t recordCount);
    // ValidateSQL, showing the database's message when the statement does not run.
    bool ValidateOrSay();
    // True when the test statement runs, as a single query that cannot write;
    // otherwise the database's message goes into message when given.
    bool ValidateSQL(QString* message = nullptr);

    // ---- Controls ----
    QLabel* Label1() const { return m_Label1; }
    QPlainTextEdit* txtSQLWhere() const { return m_txtSQLWhere; }
    QTabWidget* SSTab1() const { return m_SSTab1; }
    QFrame* fraTabContainer(int index) const { return m_fraTabContainer[index]; }
    QPushButton* cmdExecute() const { return m_cmdExecute; }
    eListView* ListView() const { return m_eListView; }
    QLabel* lblResults() const { return m_lblResults; }
    QFrame* etched2() const { return m_etched2; }
    FILTERLib::Filter* pmFilter() const { return m_pmFilter; }
    QPushButton* cmdGo() const { return m_cmdGo; }
    QPushButton* cmdClear() const { return m_cmdClear; }
    QPlainTextEdit* txtSQLCreate() const { return m_txtSQLCreate; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

protected:
    void Form_Load() override;
    bool Form_Unload() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void LoadFilterFields();
    void RunHandler(const char* procedure, const std::function<void()>& f);
    QString ListFrom() const;

    CoLdUVRef m_oView;
    QString m_strFilterString;
    QString m_strListFrom;

    QLabel* m_Label1 = nullptr;
    QPlainTextEdit* m_txtSQLWhere = nullptr;
    QTabWidget* m_SSTab1 = nullptr;
    QFrame* m_fraTabContainer[2] = {nullptr, nullptr};
    QPushButton* m_cmdExecute = nullptr;
    eListView* m_eListView = nullptr;
    QLabel* m_lblResults = nullptr;
    QFrame* m_etched2 = nullptr;
    FILTERLib::Filter* m_pmFilter = nullptr;
    QPushButton* m_cmdGo = nullptr;
    QPushButton* m_cmdClear = nullptr;
    QPlainTextEdit* m_txtSQLCreate = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
