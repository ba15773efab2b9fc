#include "base/Variant.h"

#include "base/AppError.h"

#include <cmath>
#include <limits>

Currency Currency::fromDouble(double d)
{
    const double scaled = RoundHalfEven(d * 10000.0);
    if (!(scaled >= -9.2233720368547758e18 && scaled <= 9.2233720368547748e18))
        RaiseError(vberr::Overflow);
    return Currency{static_cast<int64_t>(scaled)};
}

double RoundHalfEven(double d)
{
    return std::nearbyint(d);  // the default rounding mode is to nearest, ties to even
}

std::optional<double> ParseNumericText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (t.size() > 2 && t[0] == QLatin1Char('&')) {
        const QChar k = t[1].toUpper();
        bool ok = false;
        qlonglong v = 0;
        if (k == QLatin1Char('H'))
            v = t.mid(2).toLongLong(&ok, 16);
        else if (k == QLatin1Char('O'))
            v = t.mid(2).toLongLong(&ok, 8);
        if (!ok)
            return std::nullopt;
        return static_cast<double>(v);
    }
    // Plain digits, as list keys and counts mostly are, read without the general
    // reader: up to 15 of them the double holds the number exactly.
    if (t.size() <= 15) {
        double whole = 0;
        bool digits = true;
        for (const QChar c : t) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                digits = false;
                break;
            }
            whole = whole * 10 + (c.unicode() - u'0');
        }
        if (digits)
            return whole;
    }
    bool ok = false;
    const double d = t.toDouble(&ok);  // C locale: "." decimal, exponent allowed
    if (!ok || std::isnan(d) || std::isinf(d))
        return std::nullopt;
    return d;
}

Variant Variant::fromInt64Checked(int64_t v)
{
    if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int32_t>(v));
    return Variant(static_cast<double>(v));
}

Variant Variant::fromInt64Exact(int64_t v)
{
    constexpr int64_t kExactDouble = int64_t(1) << 53;
    if (v < -kExactDouble || v > kExactDouble)
        return Variant(QString::number(v));
    return fromInt64Checked(v);
}

VarType Variant::type() const
{
    switch (m_value.index()) {
    case 0: return VarType::Empty;
    case 1: return VarType::Null;
    case 2: return VarType::Integer;
    case 3: return VarType::Long;
    case 4: return VarType::Double;
    case 5: return VarType::Currency;
    case 6: return VarType::Date;
    case 7: return VarType::Boolean;
    case 8: return VarType::String;
    default: return VarType::Object;
    }
}

QString Variant::typeName() const
{
    switch (type()) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::Null: return QStringLiteral("Null");
    case VarType::Integer: return QStringLiteral("Integer");
    case VarType::Long: return QStringLiteral("Long");
    case VarType::Double: return QStringLiteral("Double");
    case VarType::Currency: return QStringLiteral("Currency");
    case VarType::Date: return QStringLiteral("Date");
    case VarType::Boolean: return QStringLiteral("Boolean");
    case VarType::String: return QStringLiteral("String");
    case VarType::Object: return std::get<ObjectRef>(m_value) ? QStringLiteral("Object") : QStringLiteral("Nothing");
    }
    return {};
}

bool Variant::isNumber() const
{
    const auto t = type();
    return t == VarType::Integer || t == VarType::Long || t == VarType::Double || t == VarType::Currency;
}

bool Variant::isNumeric() const
{
    if (isNumber() || isBool() || isEmpty())
        return true;
    if (isString())
        return ParseNumericText(std::get<QString>(m_value)).has_value();
    return false;
}

static QString formatDouble(double d)
{
    if (d == 0)
        return QStringLiteral("0");
    // A whole number below 10^15 is written with all its digits either way; the
    // 15-digit conversion is much the slower (list fills write many numbers).
    if (std::fabs(d) < 1e15 && std::trunc(d) == d)
        return QString::number(static_cast<qlonglong>(d));
    QString s = QString::number(d, 'g', 15);
    if (s.contains(QLatin1Char('e'))) {
        // The runtime writes 1E+20 and 1E-05.
        s = s.toUpper();
        const int e = s.indexOf(QLatin1Char('E'));
        QString mant = s.left(e);
        QString exp = s.mid(e + 1);
        QChar sign = QLatin1Char('+');
        if (exp.startsWith(QLatin1Char('-')) || exp.startsWith(QLatin1Char('+'))) {
            sign = exp[0];
            exp = exp.mid(1);
        }
        while (exp.size() < 2)
            exp.prepend(QLatin1Char('0'));
        s = mant + QLatin1Char('E') + sign + exp;
    }
    return s;
}

QString Variant::toString() const
{
    switch (type()) {
    case VarType::Empty: return QString(QStringLiteral(""));
    case VarType::Null: RaiseError(vberr::InvalidUseOfNull);
    case VarType::Integer: return QString::number(std::get<int16_t>(m_value));
    case VarType::Long: return QString::number(std::get<int32_t>(m_value));
    case VarType::Double: return formatDouble(std::get<double>(m_value));
    case VarType::Currency: {
        const int64_t s = std::get<Currency>(m_value).scaled;
        QString text = QString::number(static_cast<qlonglong>(s / 10000));
        int64_t frac = s % 10000;
        if (frac != 0) {
            if (s < 0 && s / 10000 == 0)
                text = QStringLiteral("-0");
            QString f = QString::number(static_cast<qlonglong>(frac < 0 ? -frac : frac)).rightJustified(4, QLatin1Char('0'));
            while (f.endsWith(QLatin1Char('0')))
                f.chop(1);
            text += QLatin1Char('.') + f;
        }
        return text;
    }
    case VarType::Date: {
        const QDateTime& dt = std::get<QDateTime>(m_value);
        if (dt.time() == QTime(0, 0))
            return dt.toString(QStringLiteral("yyyy-MM-dd"));
        return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    case VarType::Boolean: return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::String: return std::get<QString>(m_value);
    case VarType::Object: RaiseError(vberr::TypeMismatch);
    }
    return {};
}

double Variant::toDouble() const
{
    switch (type()) {
    case VarType::Empty: return 0;
    case VarType::Null: RaiseError(vberr::InvalidUseOfNull);
    case VarType::Integer: return std::get<int16_t>(m_value);
    case VarType::Long: return std::get<int32_t>(m_value);
    case VarType::Double: return std::get<double>(m_value);
    case VarType::Currency: return std::get<Currency>(m_value).toDouble();
    case VarType::Date: {
        // Days since 1899-12-30, as the runtime keeps dates.
        const QDateTime& dt = std::get<QDateTime>(m_value);
        const QDate base(1899, 12, 30);
        const double days = base.daysTo(dt.date());
        const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
        return days >= 0 ? days + frac : days - frac;
    }
    case VarType::Boolean: return std::get<bool>(m_value) ? -1 : 0;
    case VarType::String: {
        const auto d = ParseNumericText(std::get<QString>(m_value));
        if (!d)
            RaiseError(vberr::TypeMismatch);
        return *d;
    }
    case VarType::Object: RaiseError(vberr::TypeMismatch);
    }
    return 0;
}

int32_t Variant::toInt32() const
{
    if (type() == VarType::Long)
        return std::get<int32_t>(m_value);
    if (type() == VarType::Integer)
        return std::get<int16_t>(m_value);
    const double r = RoundHalfEven(toDouble());
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        RaiseError(vberr::Overflow);
    return static_cast<int32_t>(r);
}

int16_t Variant::toInt16() const
{
    if (type() == VarType::Integer)
        return std::get<int16_t>(m_value);
    const double r = RoundHalfEven(toDouble());
    if (!(r >= -32768.0 && r <= 32767.0))
        RaiseError(vberr::Overflow);
    return static_cast<int16_t>(r);
}

Currency Variant::toCurrency() const
{
    if (type() == VarType::Currency)
        return std::get<Currency>(m_value);
    return Currency::fromDouble(toDouble());
}

bool Variant::toBool() const
{
    switch (type()) {
    case VarType::Boolean: return std::get<bool>(m_value);
    case VarType::String: {
        const QString t = std::get<QString>(m_value).trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        const auto d = ParseNumericText(t);
        if (!d)
            RaiseError(vberr::TypeMismatch);
        return *d != 0;
    }
    default: return toDouble() != 0;
    }
}

QDateTime Variant::toDate() const
{
    switch (type()) {
    case VarType::Date: return std::get<QDateTime>(m_value);
    case VarType::Null: RaiseError(vberr::InvalidUseOfNull);
    case VarType::String: {
        const QString t = std::get<QString>(m_value).trimmed();
        for (const char* fmt : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd",
                                "M/d/yyyy h:mm:ss AP", "M/d/yyyy"}) {
            const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(fmt));
            if (dt.isValid())
                return dt;
        }
        RaiseError(vberr::TypeMismatch);
    }
    case VarType::Object: RaiseError(vberr::TypeMismatch);
    default: {
        const double d = toDouble();
        const double days = std::floor(d);
        QDateTime dt(QDate(1899, 12, 30).addDays(static_cast<qint64>(days)), QTime(0, 0));
        return dt.addMSecs(static_cast<qint64>(std::llround(std::fabs(d - days) * 86400000.0)));
    }
    }
}

ObjectRef Variant::toObject() const
{
    if (type() != VarType::Object)
        RaiseError(vberr::ObjectRequired);
    return std::get<ObjectRef>(m_value);
}

std::optional<int> Variant::compare(const Variant& other) const
{
    if (isNull() || other.isNull())
        return std::nullopt;
    auto sign = [](double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); };
    const bool lText = isString(), rText = other.isString();
    if (lText && rText)
        return QString::compare(std::get<QString>(m_value), std::get<QString>(other.m_value), Qt::CaseSensitive) < 0
                   ? -1
                   : (std::get<QString>(m_value) == std::get<QString>(other.m_value) ? 0 : 1);
    if (isEmpty() && rText)
        return other.toString().isEmpty() ? 0 : -1;
    if (lText && other.isEmpty())
        return toString().isEmpty() ? 0 : 1;
    if (isObject() || other.isObject())
        RaiseError(vberr::TypeMismatch);
    if (lText || rText) {
        // A number against a text: the text must read as a number.
        const Variant& t = lText ? *this : other;
        const auto d = ParseNumericText(t.toString());
        if (!d)
            RaiseError(vberr::TypeMismatch);
        return lText ? sign(*d, other.toDouble()) : sign(toDouble(), *d);
    }
    return sign(toDouble(), other.toDouble());
}

std::optional<bool> Variant::equals(const Variant& other) const
{
    const auto c = compare(other);
    if (!c)
        return std::nullopt;
    return *c == 0;
}

bool Variant::identical(const Variant& other) const
{
    return m_value == other.m_value;
}
