#pragma once
// The users' rights on the secured objects of the company database, and the
// two checks that guard actions and views and explain a refusal to the user.

#include <QString>
#include <QStringList>
#include <cstdint>

// The bits of a rights mask.
enum SecurityRight : int32_t { kRightView = 1, kRightCreate = 2, kRightEdit = 4, kRightDelete = 8 };

// The user's rights mask on a secured object (Co_GetRights). An empty user id
// means the current user and is replaced by it in the caller's variable. The user
// "admin" holds every right without asking the database; 0 when the procedure did not run.
int32_t GetRights(const QString& securedObjectId, QString& userId);
int32_t GetRights(const QString& securedObjectId, const QString& userId = QString());

// The object's description; fails when the object has no row.
QString GetSecuredObjectDescription(const QString& securedObjectId);

// True when the current user holds at least one of the requested rights;
// otherwise shows which are missing and returns false.
bool CheckRights(const QString& securedObjectId, int16_t rights);

// True when the user may open the view: the View right on the catalogue object
// (My Views or All Views) and on every secured object of the view's base, which
// must have at least one. Otherwise shows what is missing and returns false.
bool CheckViewRights(int32_t viewId, const QString& userId);

// The refusal text: the heading, then one line per missing right ("View rights
// to '<description>'"), each after a line break.
QString RightsRefusalText(const QStringList& entries);
// "View rights to '<description>'", "Create rights to '...'", ... for one right bit.
QString RightsEntry(int32_t right, const QString& description);
