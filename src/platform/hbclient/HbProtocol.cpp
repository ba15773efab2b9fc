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

QString Printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '\t' || u == '\r' || u == '\n')
            out += EscapeField(QString(c));
        else if (u < 0x20 || u == 0x7f || u == 0x85 || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\x%1").arg(static_cast<uint>(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString Bounded(const QString& text, int maxChars)
{
    return text.size() <= maxChars ? text : text.left(qMax(0, maxChars - 3)) + QStringLiteral("...");
}

namespace {

QString NameProblem(const QString& name, bool branch)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("it is empty");
    for (const char* separator : {"[~]", "[^]"}) {
        if (name.contains(QLatin1String(separator)))
            return QStringLiteral("it holds \"%1\"").arg(QLatin1String(separator));
    }
    if (branch && name.contains(QLatin1Char(':')))
        return QStringLiteral("it holds \":\"");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("it holds a control character");
    }
    return QString();
}

}  // namespace

QString CompanyNameProblem(const QString& name) { return NameProblem(name, false); }

QString BranchNameProblem(const QString& name) { return NameProblem(name, true); }

}  // namespace hbprotocol
