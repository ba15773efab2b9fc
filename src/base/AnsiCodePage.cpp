#include "base/AnsiCodePage.h"

#include "base/AppError.h"

#include <array>

namespace {

// 0x80..0x9F; everything else is the byte's own Latin-1 code.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QChar AnsiChar(uint8_t code)
{
    if (code >= 0x80 && code <= 0x9F)
        return QChar(kHighControls[code - 0x80]);
    return QChar(char16_t(code));
}

int AnsiCodeOf(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == u)
            return int(0x80 + i);
    return -1;
}

uint8_t AnsiCode(QChar ch)
{
    const int code = AnsiCodeOf(ch);
    if (code < 0)
        RaiseError(vberr::Overflow);
    return uint8_t(code);
}

QByteArray AnsiBytesFromText(const QString& text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = char(AnsiCode(text.at(i)));
    return out;
}

QString AnsiTextFromBytes(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = AnsiChar(uint8_t(bytes.at(i)));
    return out;
}

QString AnsiUpperCase(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar upper = out.at(i).toUpper();  // the simple, one-to-one mapping
        if (upper != out.at(i) && AnsiCodeOf(upper) >= 0)
            out[i] = upper;
    }
    return out;
}

bool IsAnsiText(const QString& text)
{
    for (const QChar ch : text)
        if (AnsiCodeOf(ch) < 0)
            return false;
    return true;
}
