#include "platform/hbclient/HbProtocol.h"

namespace hbprotocol {

QString EscapeField(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\n': out += QLatin1String("\\n"); break;
        default: out += c;
        }
    }
    return out;
}

QStringList SplitLine(const QString& line)
{
    QStringList fields;
    QString current;
    for (int k = 0; k < line.size(); ++k) {
        const QChar c = line[k];
        if (c == QLatin1Char('\t')) {
            fields << current;
            current.clear();
        } else if (c == QLatin1Char('\\') && k + 1 < line.size()) {
            const QChar n = line[++k];
            if (n == QLatin1Char('t'))
                current += QLatin1Char('\t');
            else if (n == QLatin1Char('r'))
                current += QLatin1Char('\r');
            else if (n == QLatin1Char('n'))
                current += QLatin1Char('\n');
            else
                current += n;
        } else {
            current += c;
        }
    }
    fields << current;
    return fields;
}

QString JoinLine(const QStringList& fields)
{
    QStringList escaped;
    for (const QString& f : fields)
        escaped << EscapeField(f);
    return escaped.join(QLatin1Char('\t'));
}

}  // namespace hbprotocol
