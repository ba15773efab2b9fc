#pragma once
// Checks in one pass that the input controls a dialog marked as required hold a
// value, and names every empty one in a single "Information Required" message,
// each by its Tag text. The dialog registers its required controls once and asks
// for the check when the user confirms; the focus then goes to the first empty one.
//
// A control's place is its TabIndex: its position in its window's tab (focus)
// chain, so the controls are checked, listed and focused in tab order whatever
// order they were registered in. Its Tag is its own Tag where the control has one
// (the lookup control), else the widget's dynamic property "Tag".
//
// What counts as empty, by kind of control (a control of any other kind never does):
//   text box (QLineEdit, QPlainTextEdit, QTextEdit)  its text, trimmed of spaces, is empty
//   lookup (eLookUp)                                 its ID is -1 or 0
//   duration (QTimeEdit)                             its total minutes are 0
//   list view (ReportListView, QAbstractItemView)    it has no rows
//   date picker (QDateTimeEdit, QDateEdit)           its value is Null
//   numeric edit (QSpinBox, QDoubleSpinBox)          ZeroValidValue: Null; else 0
//   combo box (QComboBox)                            its text, trimmed of spaces, is empty
// A date picker or numeric edit holds Null the way Qt shows "no value": it has a
// special value text and stands at its minimum.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

class CFieldRequired {
public:
    CFieldRequired() = default;

    // Registers a control in TabIndex order. A second control with the same
    // TabIndex fails with error 457 (the key is already in the collection); no
    // control fails with error 91.
    void AddControl(QWidget* ReqControl);
    // True when every registered control holds a value. Otherwise shows the
    // message (with the asterisk sentence when blnAsteriskMsg), puts the focus on
    // the first empty control and returns False. Never fails.
    bool CheckRequiredControls(bool blnAsteriskMsg = true);

    // Whether 0 is a valid value of a numeric edit control (default True).
    bool ZeroValidValue() const { return m_zeroValidValue; }
    void SetZeroValidValue(bool value) { m_zeroValidValue = value; }

    // The TabIndex of a control: its position in its window's focus chain.
    static int TabIndexOf(const QWidget* control);
    // The registered controls, in TabIndex order.
    int Count() const { return static_cast<int>(m_controls.size()); }
    QWidget* Control(int position) const { return m_controls.at(static_cast<size_t>(position)).control; }

    static constexpr const char* kTitle = "Information Required";

private:
    struct Registered {
        int tabIndex;
        QPointer<QWidget> control;
    };
    bool IsEmpty(const QWidget* control) const;

    std::vector<Registered> m_controls;
    bool m_zeroValidValue = true;
};
