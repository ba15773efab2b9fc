#pragma once
// One allowed value of a linked view's relation column.

#include "base/Variant.h"

#include <QString>
#include <memory>

class CoLdUVAssocViewContraint : public VObject {
public:
    QString Value;
};
using CoLdUVAssocViewContraintRef = std::shared_ptr<CoLdUVAssocViewContraint>;
