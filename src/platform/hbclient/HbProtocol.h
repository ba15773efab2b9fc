#pragma once
// The line protocol between the HBServer client and the HBServer: a request is a
// verb and its fields separated by tabs, an answer "OK" or "ERR" and one field;
// each line ends with LF. Backslash, tab, CR and LF inside a field are written as
// \\ \t \r \n.

#include <QString>
#include <QStringList>

namespace hbprotocol {

inline constexpr const char* kHello = "HELLO";
inline constexpr const char* kCompanies = "COMPANIES";
inline constexpr const char* kBranches = "BRANCHES";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kError = "ERR";

QString EscapeField(const QString& field);
// The fields of a line (without its LF), unescaped.
QStringList SplitLine(const QString& line);
// Fields escaped and joined by tabs, without the LF.
QString JoinLine(const QStringList& fields);

// A text as it may go into a log line or a message: escaped as a field is, and the
// other control characters as \xHH, so that it can never start a line of its own.
QString Printable(const QString& text);
// At most maxChars characters of a text, "..." after a cut.
QString Bounded(const QString& text, int maxChars);

// The names a logon profile can hold. A company id and a branch name travel in the
// lists the HBServer sends ("[^]" between entries, a branch entry "name:id") and are
// kept in the stored profile list ("[~]" between fields, "[^]" after records), which
// has no escaping: a name holding a separator would break both apart. Names of
// blanks only cannot be chosen, and control characters cannot be shown.
// Why the name cannot be held ("" when it can).
QString CompanyNameProblem(const QString& name);
QString BranchNameProblem(const QString& name);

}  // namespace hbprotocol
