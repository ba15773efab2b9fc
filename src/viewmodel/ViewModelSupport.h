#pragma once
// What the classes of the view definition model share: the session's database
// interface, the literal forms their statements use, and the read-back of a
// new row's identity.

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <QStringList>
#include <initializer_list>

namespace viewmodel {

// The session engine's database interface; raises 91 when there is no session.
BrandleDatabase& DBI();

// Lines of a statement, joined by CR LF.
QString JoinLines(std::initializer_list<QString> lines);
// A Boolean as the statements write it: -1 for True, 0 for False.
QString SqlBool(bool value);
// A number with a blank in front when it is not negative (" 17", "-3").
QString StrNumber(int32_t value);

// Runs an insert in one batch with "SELECT SCOPE_IDENTITY()" and returns the
// identity of that insert, read on the same connection.
int32_t InsertReturningID(BrandleDatabase& dbi, const QString& insertSql);

// Begins a named transaction, runs f and commits; when f (or the commit) fails,
// rolls that transaction back and raises the error again. A failure to begin
// goes to the caller as it is.
template <class F>
void InNamedTransaction(BrandleDatabase& dbi, const QString& name, F&& f)
{
    int32_t flag = 0;
    dbi.BeginTrans(name, flag);
    try {
        f();
        flag = 0;
        dbi.CommitTrans(name, flag);
    } catch (...) {
        try {
            flag = 0;
            dbi.RollbackTrans(name, flag);
        } catch (...) {
            // The original error is the one the caller must see.
        }
        throw;
    }
}

}  // namespace viewmodel
