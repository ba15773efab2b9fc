#pragma once
// One place to log on to: an SQL server, a company on it, an optional branch
// and the HBServer of that installation, plus the user fields of one attempt
// (never stored).

#include "base/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>

class clsLogonProfile;
using clsLogonProfileRef = std::shared_ptr<clsLogonProfile>;

class clsLogonProfile : public VObject {
public:
    QString Company;
    int32_t BranchID = 0;  // 0 and 1 need no branch name
    QString Branch;
    QString SQLServer;  // optionally "server\instance"
    QString HBServer;
    int16_t HBServerPort = 0;
    QString ProfileName;  // also the key in the profile collection
    bool ShowOnlyLoggedInBranch = false;
    QString CurrentUser;
    QString CurrentUserPwd;  // held in memory only
    QString CurrentApplication;

    // Complete enough to log on with: HBServer, Company, SQLServer and ProfileName
    // not empty (a blank counts), a port of at least 1, and a branch name unless
    // the branch id is 0 or 1.
    bool FilledOut() const;
};
