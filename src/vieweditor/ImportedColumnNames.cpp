#include "vieweditor/ImportedColumnNames.h"

#include "base/ColumnNames.h"
#include "base/SqlText.h"
#include "core/CoQuillonSystemEngine.h"
#include "platform/forms/FormsRuntime.h"

#include <QLabel>
#include <QLineEdit>

namespace importednames {

namespace {

const QString kAttention = QStringLiteral("Attention Required");

QString BaseColumnsOfView()
{
    return QStringLiteral("LdBaseColumns bc INNER JOIN LdBases b ON b.BaseID = bc.BaseID INNER JOIN LdViews v ON "
                          "v.BaseID = b.BaseID");
}

int32_t CountWhere(int32_t lViewID, const QString& condition, int32_t lExceptColumnID)
{
    QString where = QStringLiteral("v.ViewID = ") + QString::number(lViewID);
    if (lExceptColumnID != 0)
        where += QStringLiteral(" AND bc.ColumnID <> ") + QuoteSQLString(QString::number(lExceptColumnID));
    where += QStringLiteral(" AND ") + condition;
    const Variant count = SessionEngine().DBI().DLookup(QStringLiteral("COUNT(*)"), BaseColumnsOfView(), where);
    return count.isNull() || count.isEmpty() ? 0 : count.toInt32();
}

}  // namespace

QString SQLNameMessage()
{
    QStringList listed;
    for (const char* c = kSQLNameCharacters; *c; ++c)
        listed << QString(QLatin1Char(*c));
    return QStringLiteral("The SQL Column Name cannot be prefixed by a number, contain a space, or contain any the "
                          "following characters:") +
           QStringLiteral("\r\n") + listed.join(QLatin1Char(' '));
}

QString DisplayNameMessage()
{
    return QStringLiteral("The Column Name cannot contain the following characters:") + QStringLiteral("\r\n") +
           QStringLiteral("' ,");
}

bool SQLNameRefused(const QString& name)
{
    // The import procedure's rule, so that a rename cannot store what an import
    // refuses (a tab, a line break, "@" ...); the listed characters are among them.
    return !name.isEmpty() && !SqlColumnNameAllowed(name);
}

bool DisplayNameRefused(const QString& name)
{
    return name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('\''));
}

int32_t CountSQLName(int32_t lViewID, const QString& sqlName, int32_t lExceptColumnID)
{
    // The SQL view's row id is a column of it too.
    if (SqlColumnNameReserved(sqlName))
        return 1;
    return CountWhere(lViewID, QStringLiteral("bc.ColumnName = ") + QuoteSQLString(sqlName), lExceptColumnID);
}

int32_t CountDisplayName(int32_t lViewID, const QString& displayName, int32_t lExceptColumnID)
{
    return CountWhere(lViewID, QStringLiteral("bc.DisplayName = ") + QuoteSQLString(displayName), lExceptColumnID);
}

bool CheckNames(int32_t lViewID, const QString& displayName, const QString& sqlName, int32_t lExceptColumnID)
{
    if (SQLNameRefused(sqlName)) {
        MsgBox(SQLNameMessage(), vbExclamation, kAttention);
        return false;
    }
    if (DisplayNameRefused(displayName)) {
        MsgBox(DisplayNameMessage(), vbExclamation, kAttention);
        return false;
    }
    if (HasLoneSurrogate(displayName)) {
        MsgBox(QString::fromLatin1(kIncompleteCharacter), vbExclamation, kAttention);
        return false;
    }
    if (CountSQLName(lViewID, sqlName, lExceptColumnID) > 0) {
        MsgBox(QString::fromLatin1(kSQLNameNotUnique), vbExclamation, kAttention);
        return false;
    }
    if (CountDisplayName(lViewID, displayName, lExceptColumnID) > 0) {
        MsgBox(QString::fromLatin1(kDisplayNameNotUnique), vbExclamation, kAttention);
        return false;
    }
    return true;
}

namespace {

const QString kRequiredTip = QStringLiteral("* Required Field");

QLineEdit* NameBox(QWidget* parent, const char* objectName, const char* tag, int maxLength)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setMaxLength(maxLength);
    box->setToolTip(kRequiredTip);
    box->setProperty("Tag", QString::fromLatin1(tag));
    return box;
}

}  // namespace

NameBoxes MakeNameBoxes(QWidget* parent, int maxLength)
{
    NameBoxes boxes{};
    boxes.lblColumnName = new QLabel(QStringLiteral("&Column Name:"), parent);
    boxes.txtColumnName = NameBox(parent, "txtColumnName", "Column Name", maxLength);
    boxes.lblColumnName->setBuddy(boxes.txtColumnName);
    boxes.lblSQLColumnName = new QLabel(QStringLiteral("&SQL Column Name:"), parent);
    boxes.txtSQLColumnName = NameBox(parent, "txtSQLColumnName", "SQL Column Name", maxLength);
    boxes.lblSQLColumnName->setBuddy(boxes.txtSQLColumnName);
    return boxes;
}

QLabel* RequiredAsterisk(QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("*"), parent);
    label->setToolTip(kRequiredTip);
    return label;
}

}  // namespace importednames
