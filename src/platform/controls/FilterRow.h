#pragma once
// One row of the filter pane: a field, an operator and its values (or Yes/No),
// with a button that removes the row. Shared by the pane and its WHERE writer.

#include "platform/controls/FilterControl.h"
#include "platform/controls/FilterValues.h"
#include "platform/forms/FormsRuntime.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace FILTERLib {

using Op = Filter::Op;
using FieldKind = Filter::FieldKind;

// A Yes/No value: anything but "No" is Yes.
inline bool IsFlagYes(const QString& v) { return v.trimmed().compare(QLatin1String("No"), Qt::CaseInsensitive) != 0; }

class FilterRow : public QWidget {
public:
    FilterRow(Filter* owner, QWidget* parent) : QWidget(parent), m_owner(owner)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(2, 1, 2, 1);
        layout->setSpacing(4);
        m_field = new QComboBox(this);
        m_op = new QComboBox(this);
        m_value1 = new QLineEdit(this);
        m_and = new QLabel(QStringLiteral("and"), this);
        m_value2 = new QLineEdit(this);
        m_flag = new QComboBox(this);
        m_flag->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
        m_remove = new QToolButton(this);
        m_remove->setText(QStringLiteral("\u2715"));
        m_remove->setToolTip(QStringLiteral("Remove this condition"));
        m_remove->setAutoRaise(true);
        m_field->setObjectName(QStringLiteral("field"));
        m_op->setObjectName(QStringLiteral("operator"));
        m_value1->setObjectName(QStringLiteral("value1"));
        m_value2->setObjectName(QStringLiteral("value2"));
        m_flag->setObjectName(QStringLiteral("flag"));
        // Long pastes arrive whole, so that a value too long is refused rather than cut.
        m_value1->setMaxLength(kPasteLimit);
        m_value2->setMaxLength(kPasteLimit);
        m_field->setMinimumContentsLength(14);
        m_op->setMinimumContentsLength(12);
        m_field->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_op->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        layout->addWidget(m_field, 3);
        layout->addWidget(m_op, 2);
        layout->addWidget(m_value1, 3);
        layout->addWidget(m_flag, 3);
        layout->addWidget(m_and);
        layout->addWidget(m_value2, 3);
        layout->addWidget(m_remove);
        fillFields();
        QObject::connect(m_field, &QComboBox::currentIndexChanged, this, [this](int) { fieldChosen(); });
        QObject::connect(m_op, &QComboBox::currentIndexChanged, this, [this](int) {
            showValues();
            changed();
        });
        QObject::connect(m_value1, &QLineEdit::textChanged, this, [this] { changed(); });
        QObject::connect(m_value2, &QLineEdit::textChanged, this, [this] { changed(); });
        QObject::connect(m_value1, &QLineEdit::returnPressed, m_owner, &Filter::EnterPressed);
        QObject::connect(m_value2, &QLineEdit::returnPressed, m_owner, &Filter::EnterPressed);
        QObject::connect(m_flag, &QComboBox::currentIndexChanged, this, [this](int) { changed(); });
        // The Yes/No box has no line edit to report Enter; it is a value all the same.
        m_flag->installEventFilter(this);
        QObject::connect(m_remove, &QToolButton::clicked, this, [this] {
            const auto& rows = m_owner->m_rows;
            const auto it = std::find(rows.begin(), rows.end(), this);
            if (it != rows.end())
                m_owner->RemoveRow(static_cast<int>(it - rows.begin()));
        });
        showValues();
    }

    // -1 for the empty row.
    int field() const { return m_fieldIndex; }
    Op op() const
    {
        const int i = m_op->currentIndex();
        return i >= 0 && i < static_cast<int>(m_ops.size()) ? m_ops[i] : Op::Equals;
    }
    QString value(int which) const
    {
        if (m_fieldIndex >= 0 && kind() == FieldKind::Flag)
            return which == 0 ? m_flag->currentText() : QString();
        return which == 0 ? m_value1->text() : m_value2->text();
    }
    FieldKind kind() const
    {
        return m_fieldIndex >= 0 && m_fieldIndex < m_owner->FieldCount() ? m_owner->m_fields[m_fieldIndex].kind
                                                                         : FieldKind::Text;
    }

    bool set(int field, Op op, const QString& v1, const QString& v2)
    {
        if (field < 0 || field >= m_owner->FieldCount())
            return false;
        const std::vector<Op> ops = Filter::OperatorsFor(m_owner->m_fields[field].kind);
        const auto it = std::find(ops.begin(), ops.end(), op);
        if (it == ops.end())
            return false;
        m_quiet = true;
        setField(field);
        m_op->setCurrentIndex(static_cast<int>(it - ops.begin()));
        if (kind() == FieldKind::Flag)
            m_flag->setCurrentIndex(IsFlagYes(v1) ? 0 : 1);
        else
            m_value1->setText(v1);
        m_value2->setText(v2);
        showValues();
        m_quiet = false;
        return true;
    }

    // The box of a value (0 or 1).
    QLineEdit* valueBox(int which) const { return which == 0 ? m_value1 : m_value2; }

    // Shows on each value box whether its value is refused, and why (empty: it is fine).
    void showProblems(const QString& first, const QString& second)
    {
        m_problems[0] = first;
        m_problems[1] = second;
        showLooks();
    }

    void fillFields()
    {
        m_quiet = true;
        m_field->clear();
        if (m_fieldIndex < 0)
            m_field->addItem(QString());
        for (const auto& f : m_owner->m_fields)
            m_field->addItem(f.displayName);
        m_field->setCurrentIndex(m_fieldIndex < 0 ? 0 : m_fieldIndex);
        m_quiet = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_flag && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                emit m_owner->EnterPressed();
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    void setField(int field)
    {
        const bool wasEmpty = m_fieldIndex < 0;
        const FieldKind before = kind();
        m_fieldIndex = field;
        if (wasEmpty) {
            m_field->removeItem(0);
        }
        m_field->setCurrentIndex(field);
        if (wasEmpty || before != kind())
            fillOperators();
    }

    void fieldChosen()
    {
        if (m_quiet)
            return;
        int index = m_field->currentIndex();
        if (m_fieldIndex < 0) {
            if (index <= 0)
                return;  // still the blank choice
            index -= 1;
        }
        m_quiet = true;
        setField(index);
        showValues();
        m_quiet = false;
        changed();
    }

    void fillOperators()
    {
        m_ops = Filter::OperatorsFor(kind());
        m_op->clear();
        for (Op o : m_ops)
            m_op->addItem(Filter::OperatorCaption(o));
        m_op->setCurrentIndex(0);
    }

    void showValues()
    {
        const bool empty = m_fieldIndex < 0;
        const bool flag = !empty && kind() == FieldKind::Flag;
        const Op o = op();
        const bool none = o == Op::IsEmpty || o == Op::IsNotEmpty;
        const bool between = o == Op::Between;
        m_op->setVisible(!empty);
        m_value1->setVisible(!empty && !flag && !none);
        m_flag->setVisible(flag);
        m_and->setVisible(!empty && between);
        m_value2->setVisible(!empty && between);
        m_remove->setEnabled(!empty);
        const QString hint = !empty && kind() == FieldKind::Date ? DateHint() : QString();
        m_value1->setPlaceholderText(hint);
        m_value2->setPlaceholderText(hint);
        showLooks();
    }

    // A refused value's box is marked and tells why; a date box lists the forms it reads.
    void showLooks()
    {
        const bool date = m_fieldIndex >= 0 && kind() == FieldKind::Date;
        QLineEdit* edits[] = {m_value1, m_value2};
        for (int i = 0; i < 2; ++i) {
            const QString& problem = m_problems[i];
            const QString sheet = problem.isEmpty() ? QString()
                                                    : QStringLiteral("QLineEdit { background: #FFE4E1; border: 1px "
                                                                     "solid #C00000; }");
            // Each key typed comes here: a style sheet set again would restyle the box.
            if (edits[i]->styleSheet() != sheet)
                edits[i]->setStyleSheet(sheet);
            edits[i]->setToolTip(!problem.isEmpty() ? problem : date ? DateFormsTip() : QString());
        }
    }

    void changed()
    {
        if (!m_quiet)
            m_owner->rowChanged(this);
    }

    static constexpr int kPasteLimit = 1000000;
    Filter* m_owner;
    QString m_problems[2];
    int m_fieldIndex = -1;
    std::vector<Op> m_ops;
    bool m_quiet = false;
    QComboBox* m_field;
    QComboBox* m_op;
    QLineEdit* m_value1;
    QLabel* m_and;
    QLineEdit* m_value2;
    QComboBox* m_flag;
    QToolButton* m_remove;
};

}  // namespace FILTERLib
