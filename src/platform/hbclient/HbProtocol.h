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

}  // namespace hbprotocol
