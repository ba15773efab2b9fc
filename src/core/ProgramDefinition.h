#pragma once
// The one place where the two programs built from these sources differ.
// Quillon and QuillonAnalytics share every source file; a build of
// QuillonAnalytics defines QUILLON_ANALYTICS and gets the values below.

#include <QString>

#if defined(QUILLON_ANALYTICS)
#define QUILLON_WITH_LONGS 0
#else
// CoLongs and the three _ByIndexes state operations of CoCollection exist only in Quillon.
#define QUILLON_WITH_LONGS 1
#endif

struct ProgramDefinition {
    const char* productName;     // App.ProductName / product description
    const char* title;           // App.Title: the default message-box title
    const char* exeName;         // the program file's name
    int major;
    int minor;
    int revision;
    bool withLongs;              // CoLongs and CoCollection's _ByIndexes operations
    const char* functionColumnField;  // field of Ld_GetViewColumnFunctions naming the column
};

#if defined(QUILLON_ANALYTICS)
inline constexpr ProgramDefinition kProgram{
    "QuillonAnalytics", "Quillon", "quillon-analytics", 7, 6, 0, false, "ColumnName"};
#else
inline constexpr ProgramDefinition kProgram{
    "Quillon", "Quillon", "quillon", 7, 6, 5, true, "FunctionColumnDisplayName"};
#endif

// The program's version as "major.minor.revision", as the logon's version check wants it.
inline QString ProgramVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(kProgram.major).arg(kProgram.minor).arg(kProgram.revision);
}
