#include "shell/CFieldRequired.h"

#include "base/AppError.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "platform/forms/FormsRuntime.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>

namespace {

// Trim removes spaces only, as the runtime's Trim does.
bool BlankText(const QString& text)
{
    for (QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

// A spin box shows "no value" as its special value text at its minimum.
bool ShowsNoValue(const QAbstractSpinBox* box, bool atMinimum) { return !box->specialValueText().isEmpty() && atMinimum; }

QString TagOf(const QWidget* control)
{
    if (const auto* lookup = qobject_cast<const eLookUp*>(control)) {
        const Variant tag = lookup->Tag();
        return tag.isEmpty() || tag.isNull() ? QString() : tag.toString();
    }
    return control->property("Tag").toString();
}

}  // namespace

int CFieldRequired::TabIndexOf(const QWidget* control)
{
    if (!control)
        RaiseError(vberr::ObjectNotSet);
    const QWidget* top = control->window();
    const QWidget* w = top;
    int index = 0;
    do {
        if (w == control)
            return index;
        ++index;
        w = w->nextInFocusChain();
    } while (w && w != top);
    return index;  // not in its window's chain: after all the others
}

void CFieldRequired::AddControl(QWidget* ReqControl)
{
    Traced("CFieldRequired", "AddControl", [&] {
        const int tabIndex = TabIndexOf(ReqControl);
        auto at = m_controls.begin();
        for (; at != m_controls.end(); ++at) {
            if (at->tabIndex == tabIndex)
                RaiseError(vberr::KeyAlreadyAssociated);
            if (at->tabIndex > tabIndex)
                break;
        }
        m_controls.insert(at, Registered{tabIndex, ReqControl});
    });
}

bool CFieldRequired::IsEmpty(const QWidget* control) const
{
    if (!control)
        return true;  // reading a control that is gone fails
    if (const auto* text = qobject_cast<const QLineEdit*>(control))
        return BlankText(text->text());
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(control))
        return BlankText(text->toPlainText());
    if (const auto* text = qobject_cast<const QTextEdit*>(control))
        return BlankText(text->toPlainText());
    if (const auto* lookup = qobject_cast<const eLookUp*>(control))
        return lookup->ID() == -1 || lookup->ID() == 0;
    if (const auto* duration = qobject_cast<const QTimeEdit*>(control)) {
        const QTime t = duration->time();
        return t.hour() * 60 + t.minute() == 0;
    }
    if (const auto* list = qobject_cast<const ReportListView*>(control))
        return list->ItemCount() == 0;
    if (const auto* list = qobject_cast<const QAbstractItemView*>(control))
        return !list->model() || list->model()->rowCount(list->rootIndex()) == 0;
    if (const auto* date = qobject_cast<const QDateTimeEdit*>(control))
        return ShowsNoValue(date, date->dateTime() == date->minimumDateTime());
    if (const auto* number = qobject_cast<const QSpinBox*>(control)) {
        const bool isNull = ShowsNoValue(number, number->value() == number->minimum());
        return m_zeroValidValue ? isNull : (!isNull && number->value() == 0);
    }
    if (const auto* number = qobject_cast<const QDoubleSpinBox*>(control)) {
        const bool isNull = ShowsNoValue(number, number->value() == number->minimum());
        return m_zeroValidValue ? isNull : (!isNull && number->value() == 0);
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return BlankText(combo->currentText());
    return false;
}

bool CFieldRequired::CheckRequiredControls(bool blnAsteriskMsg)
{
    QString list;
    int count = 0;
    QPointer<QWidget> first;
    bool firstFound = false;
    for (const Registered& r : m_controls) {
        if (!IsEmpty(r.control))
            continue;
        // A control that is gone has no tag to name; it still counts.
        if (r.control)
            list += QStringLiteral("   -") + QLatin1Char(' ') + TagOf(r.control) + QLatin1Char('\n');
        ++count;
        if (!firstFound) {
            first = r.control;
            firstFound = true;
        }
    }
    if (count == 0)
        return true;

    const bool several = count > 1;
    QString message = several ? QStringLiteral("The following fields require you to enter information:")
                              : QStringLiteral("The following field requires you to enter information:");
    message += QStringLiteral("\n\n") + list + QLatin1Char('\n');
    message += QStringLiteral("Please enter the information in the required field");
    if (several)
        message += QLatin1Char('s');
    if (blnAsteriskMsg)
        message += QStringLiteral(",\n") + (several ? QStringLiteral("which are indicated with an asterisk (*).")
                                                    : QStringLiteral("which is indicated with an asterisk (*)."));
    else
        message += QLatin1Char('.');
    MsgBox(message, vbExclamation | vbOKOnly, QString::fromLatin1(kTitle));
    // A control that cannot take the focus is passed over.
    if (first && first->isEnabled() && first->isVisible())
        first->setFocus(Qt::OtherFocusReason);
    return false;
}
