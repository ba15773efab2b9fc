#include "core/clsLogonProfile.h"

bool clsLogonProfile::FilledOut() const
{
    if (HBServer.isEmpty() || Company.isEmpty() || SQLServer.isEmpty() || ProfileName.isEmpty())
        return false;
    if (HBServerPort < 1)
        return false;
    return BranchID <= 1 || !Branch.isEmpty();
}
