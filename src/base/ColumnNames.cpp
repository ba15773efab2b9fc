#include "base/ColumnNames.h"

#include "base/SqlLex.h"

namespace {

QString Token(const QString& columnName) { return QLatin1Char('{') + columnName.trimmed() + QLatin1Char('}'); }

}  // namespace

bool SqlColumnNameAllowed(const QString& name)
{
    if (name.isEmpty() || name.at(0).isDigit())
        return false;
    for (const QChar ch : name)
        if (!ch.isLetterOrNumber() && ch != QLatin1Char('_'))
            return false;
    return true;
}

bool SqlColumnNameReserved(const QString& name)
{
    return name.trimmed().compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0;
}

bool HasLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (ch.isSurrogate())
            return true;
    }
    return false;
}

bool SearchUsesColumn(const QString& searchText, const QString& columnName)
{
    const QString token = Token(columnName);
    for (const SqlLexToken& t : SqlLex(searchText))
        if (t.kind == SqlLexKind::ColumnToken && SqlLexText(searchText, t) == token)
            return true;
    return false;
}

QString RenameColumnInSearch(const QString& searchText, const QString& oldName, const QString& newName)
{
    const QString token = Token(oldName);
    QString out;
    qsizetype copied = 0;
    for (const SqlLexToken& t : SqlLex(searchText)) {
        if (t.kind != SqlLexKind::ColumnToken || SqlLexText(searchText, t) != token)
            continue;
        out += searchText.mid(copied, t.begin - copied) + Token(newName);
        copied = t.end();
    }
    return out + searchText.mid(copied);
}
