#pragma once
// The one place where the two programs built from these sources differ. The
// shared code reads the values through Program(); each program links its own
// definition (base/ProgramDefinition.cpp, compiled once per program).

#include <QString>

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

// The definition of the program being run.
const ProgramDefinition& Program();

// The program's version as "major.minor.revision", as the logon's version check wants it.
QString ProgramVersionText();
