#pragma once
// The C library's numbers with a decimal point, whatever the user's locale.
//
// Qt sets the C library's locale from the environment when the application
// object is made, and the libraries that print or read numbers through the C
// library (the workbook writer, the ODBC drivers) then write "1234,5" under a
// decimal-comma locale, which a workbook or a driver's text conversion must not
// hold. The user still sees numbers in their own format: what the program shows
// goes through QLocale, which this leaves alone.

#include <locale.h>

// Sets the process's LC_NUMERIC to "C" (the other categories stay as they are);
// called right after the application object is made.
void HoldCNumericLocale();

// For the life of the object, the calling thread formats and reads numbers in
// the C library as the "C" locale does; its other categories stay as the
// process has them. Scopes nest; each restores what the thread had.
class CNumericLocaleScope {
public:
    CNumericLocaleScope();
    ~CNumericLocaleScope();
    CNumericLocaleScope(const CNumericLocaleScope&) = delete;
    CNumericLocaleScope& operator=(const CNumericLocaleScope&) = delete;

private:
    locale_t m_previous = static_cast<locale_t>(nullptr);
};
