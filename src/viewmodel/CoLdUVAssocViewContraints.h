#pragma once
// The allowed values of one relation column of a linked view.

#include "viewmodel/CoLdUVAssocViewContraint.h"
#include "viewmodel/CoLdUVItemList.h"

class CoLdUVAssocViewContraints : public CoLdUVItemList<CoLdUVAssocViewContraint> {
public:
    // A new, empty value; not added to the list.
    CoLdUVAssocViewContraintRef Create() const { return std::make_shared<CoLdUVAssocViewContraint>(); }
};
using CoLdUVAssocViewContraintsRef = std::shared_ptr<CoLdUVAssocViewContraints>;
