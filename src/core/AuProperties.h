#pragma once
// A property bag: named values in the order they were added. Names need not be
// unique; look-ups by name take the first match and ignore letter case.

#include "core/AuProperty.h"
#include "base/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class AuProperties;
using AuPropertiesRef = std::shared_ptr<AuProperties>;

class AuProperties : public VObject {
public:
    // Number of properties; more than 32,767 fail with 6 (Overflow).
    int16_t Count() const;
    // Appends a new property; an object reference is stored by reference, anything else by copy.
    AuPropertyRef Add(const QString& strName, const Variant& vntValue);
    // A text index: the first property of that name (any letter case), nullptr when none.
    // Any other index: the property at that 1-based position; outside 1..Count fails with 9.
    AuPropertyRef Item(const Variant& vntIndex) const;
    // As Item; a name that no property has does nothing.
    void Remove(const Variant& vntIndex);
    // True unless some property of this bag has a different value under its name in rhs.
    // A name of this bag that rhs lacks fails with 91 (no property to read a value from).
    bool Equals(const AuProperties& rhs) const;

private:
    size_t PositionOf(const Variant& vntIndex) const;  // 0-based; fails with 9
    std::vector<AuPropertyRef> m_colProperties;
};
