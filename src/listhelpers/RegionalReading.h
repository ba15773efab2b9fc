#pragma once
// Reading a list cell's text as a number or as a date and time, for the typed
// sorts of the list helpers: first as the user's locale writes them (its decimal
// and group separators, currency sign and minus sign; its order of day, month and
// year, its separators, month and day names and AM/PM texts), then in the forms
// the program itself writes ("1234.5"; "2024-03-01 10:00:00", "3/1/2024 10:00 PM",
// "01.03.2024 22:00"). A reader takes what it needs of the locale once, so that
// one reader serves a whole column quickly.

#include <QChar>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>
#include <utility>

struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class RegionalReader {
public:
    // The default is the user's locale (QLocale(): the system's unless the program set another).
    explicit RegionalReader(const QLocale& locale = QLocale());

    // Thousands separators only between groups of three digits; parentheses or a
    // minus sign for a negative amount; a currency sign before or after.
    std::optional<double> Number(QStringView text) const;
    // A date, a date and a time, or a time alone (on the day before 1900-01-01, as
    // the runtime counts it). Two-digit years lie in 1930 to 2029.
    std::optional<DateTimeParts> Date(QStringView text) const;

    // The user's decimal separator, as the number keys carry it.
    const QString& DecimalPoint() const { return m_decimal; }

private:
    enum class Order { DMY, MDY, YMD };
    // Words a date may hold: a month name, an AM or PM text, or one passed over (a
    // day name, a word of the locale's long format, the "T" of an ISO date).
    enum class Word { Unknown, Month, Ignored, Am, Pm };
    struct Group;
    std::optional<double> LocaleNumber(QStringView t) const;
    Word Classify(QStringView word, int& month) const;
    bool DateOfGroup(const Group& g, DateTimeParts& out) const;

    QString m_decimal;
    QString m_group;
    QString m_minus;
    QString m_plus;
    QString m_currency;
    Order m_order = Order::MDY;
    QChar m_dateSeparator;
    QChar m_timeSeparator = QLatin1Char(':');
    bool m_dayBeforeYear = true;  // in dates with a month name
    QHash<QString, std::pair<Word, int>> m_words;  // folded, without points; the month's number
};

// The date written as "YYYYMMDDHhNnSs" (14 digits).
QString DateSortKey(const DateTimeParts& d);
// A value >= 0 with at least 30 integer digits (leading zeros), the separator and
// that many decimals, as a number pattern of zeros writes it.
QString PaddedNumber(double value, int decimals, const QString& separator);
