#include "base/SqlText.h"

#include "base/AnsiCodePage.h"
#include "base/AuUtilities.h"

#include <atomic>
#include <cerrno>
#include <iconv.h>

namespace {

std::atomic<int> g_codePage{kAnsiCodePage};

bool IsAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Whether the C library's converter writes the text in the Windows code page
// without a character it cannot.
bool ConvertsTo(const QString& text, int codePage)
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t cd = iconv_open(name.constData(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray in = text.toUtf8();
    char* inPtr = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    bool fits = true;
    char buffer[256];
    while (inLeft > 0 && fits) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) && errno != E2BIG)
            fits = false;
    }
    iconv_close(cd);
    return fits;
}

}  // namespace

void SetSqlTextCodePage(int codePage) { g_codePage.store(codePage); }
int SqlTextCodePage() { return g_codePage.load(); }

bool TextFitsCodePage(const QString& text, int codePage)
{
    if (IsAscii(text))
        return true;
    // Lone halves of a surrogate pair are no character of any code page.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    switch (codePage) {
    case 65001:
        return true;
    case kAnsiCodePage:
        return IsAnsiText(text);
    case 0:  // a Unicode-only collation has no code page
        return false;
    default:
        return ConvertsTo(text, codePage);
    }
}

QString QuoteSQLString(const Variant& value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    const QString text = value.toString();
    const QString quoted = QLatin1Char('\'') + StrReplace(text, QStringLiteral("'"), QStringLiteral("''")) + QLatin1Char('\'');
    return TextFitsCodePage(text, SqlTextCodePage()) ? quoted : QLatin1Char('N') + quoted;
}

QString SQLNumber(const Variant& value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    return value.toString();
}

namespace {
const QString kEmbeddedDay = QStringLiteral("yyyy-MM-dd");
const QString kSqlServerDay = QStringLiteral("yyyyMMdd");
}  // namespace

QString SQLDate(const QDate& day, SqlDateForm form)
{
    return QuoteSQLString(Variant(day.toString(form == SqlDateForm::SqlServer ? kSqlServerDay : kEmbeddedDay)));
}

QString SQLDateTime(const QDateTime& value, SqlDateForm form)
{
    const QTime t = value.time();
    if (t == QTime(0, 0))
        return SQLDate(value.date(), form);
    QString format;
    if (form == SqlDateForm::SqlServer)
        format = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz");
    else
        format = t.msec() == 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
    return QuoteSQLString(Variant(value.toString(format)));
}

QDate ReadSQLDate(const QString& text)
{
    if (text.size() != 8 && text.size() != 10)
        return {};
    for (const QChar c : text)
        if (!c.isDigit() && c != u'-')
            return {};
    return QDate::fromString(text, text.size() == 8 ? kSqlServerDay : kEmbeddedDay);
}
