#include "base/AuUtilities.h"

#include "base/Variant.h"

QString StrReplace(const QString& text, const QString& search, const QString& replacement)
{
    if (search.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(search.at(0), from);
        if (at < 0)
            break;
        out += QStringView(text).mid(from, at - from);
        out += replacement;
        from = at + 1;
    }
    out += QStringView(text).mid(from);
    return out;
}

QString IDToListKey(int32_t id) { return QStringLiteral("ID") + QString::number(id); }

int32_t ListKeyToID(const QString& key)
{
    if (key.size() < 3)
        return 0;
    return Variant(key.mid(2)).toInt32();
}
