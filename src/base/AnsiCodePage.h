#pragma once
// The ANSI code page of the program's texts: Windows-1252, as a fixed table that
// maps all 256 byte values one to one. The five codes Windows leaves undefined
// map to the C1 control characters of the same value.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdint>

// The character a byte stands for.
QChar AnsiChar(uint8_t code);
// The byte a character stands as; -1 for a character outside the table.
int AnsiCodeOf(QChar ch);
// As AnsiCodeOf, failing with the overflow error (6) for a character outside the table.
uint8_t AnsiCode(QChar ch);

// Upper case one character for one: a character whose capital has no code in the
// table (or is more than one character, as for "ß") stays as it is.
QString AnsiUpperCase(const QString& text);
// True when every character of the text has a code in the table.
bool IsAnsiText(const QString& text);

// One byte per character; a character outside the table fails with the overflow error (6).
QByteArray AnsiBytesFromText(const QString& text);
// One character per byte.
QString AnsiTextFromBytes(const QByteArray& bytes);
