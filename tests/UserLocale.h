#pragma once
// A test about one locale runs under it: the C library's locale of the whole
// process (as Qt sets it from the environment at start) and the user's locale
// of QLocale, both put back at the end. The locales the tests use are made by
// scripts/setup-deps.sh; a machine without one fails the test that needs it.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <gtest/gtest.h>

#include <clocale>

class UserLocale {
public:
    explicit UserLocale(const char* name)
        : m_before(std::setlocale(LC_ALL, nullptr)), m_qtBefore(QLocale())
    {
        m_set = std::setlocale(LC_ALL, name) != nullptr;
        EXPECT_TRUE(m_set) << "the locale " << name << " is not installed (scripts/setup-deps.sh makes it)";
        QLocale::setDefault(QLocale(QString::fromLatin1(name).section(QLatin1Char('.'), 0, 0)));
    }
    ~UserLocale()
    {
        std::setlocale(LC_ALL, m_before.constData());
        QLocale::setDefault(m_qtBefore);
    }
    UserLocale(const UserLocale&) = delete;
    UserLocale& operator=(const UserLocale&) = delete;

    // False when the locale could not be set (the test has failed already).
    bool IsSet() const { return m_set; }

private:
    QByteArray m_before;
    QLocale m_qtBefore;
    bool m_set = false;
};

// The decimal-comma locales of the sites the program is run at.
inline constexpr const char* kDecimalCommaLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "sv_SE.UTF-8"};
