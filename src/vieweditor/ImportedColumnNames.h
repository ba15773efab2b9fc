#pragma once
// The rules both column dialogs apply to the names of an imported column: the
// SQL name must be usable as a column name of an SQL view, the display name must
// fit the list's comma-separated column string, and neither may be used by
// another column of the view's base.

#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QWidget;

namespace importednames {

// The characters an SQL column name may not hold (besides a blank), in the order
// the message lists them.
inline constexpr const char* kSQLNameCharacters = "'!`~%^&*()-+=[]{}\\/|:;,.<>?\"";

// The two rule messages, word for word.
QString SQLNameMessage();
QString DisplayNameMessage();
inline constexpr const char* kSQLNameNotUnique = "The SQL Column Name is not unique.";
inline constexpr const char* kDisplayNameNotUnique = "The Column Name is not unique.";
// A name holding half of a surrogate pair would reach the database changed.
inline constexpr const char* kIncompleteCharacter =
    "The Column Name holds an incomplete character that cannot be stored. Please type it again.";

// True when the SQL name begins with a digit or holds anything but letters,
// digits and "_" (a blank and the listed characters among them): the import
// procedure's rule. An empty name is left to the required-field test.
bool SQLNameRefused(const QString& name);
// True when the display name holds "," or "'".
bool DisplayNameRefused(const QString& name);

// Counts the columns of the view's base with that SQL name / display name, leaving
// out the column lExceptColumnID when it is not 0 (its id compared as quoted text).
// The SQL name "ID" counts as taken: the SQL view's row id has it.
int32_t CountSQLName(int32_t lViewID, const QString& sqlName, int32_t lExceptColumnID = 0);
int32_t CountDisplayName(int32_t lViewID, const QString& displayName, int32_t lExceptColumnID = 0);

// Runs the two rules and the two uniqueness tests in this order; the first that
// fails shows its message ("Attention Required", exclamation) and gives false.
bool CheckNames(int32_t lViewID, const QString& displayName, const QString& sqlName, int32_t lExceptColumnID = 0);

// The two required name boxes both dialogs show, with their labels (the boxes as
// their buddies), maximum length, required tip and the tags the required-field
// message names them by.
struct NameBoxes {
    QLabel* lblColumnName;
    QLineEdit* txtColumnName;
    QLabel* lblSQLColumnName;
    QLineEdit* txtSQLColumnName;
};
NameBoxes MakeNameBoxes(QWidget* parent, int maxLength);
// The "*" beside a required box.
QLabel* RequiredAsterisk(QWidget* parent);

}  // namespace importednames
