#pragma once
// One named setting of a property bag: a name and a value, which is either a
// plain value (copied) or an object reference (shared).

#include "base/Variant.h"

#include <QString>
#include <memory>

class AuProperty;
using AuPropertyRef = std::shared_ptr<AuProperty>;

class AuProperty : public VObject {
public:
    QString Name() const;
    void SetName(const QString& strName);
    // The object reference when the value holds one, otherwise a copy of the value.
    Variant Value() const;
    // Value let: stores a copy of the value.
    void LetValue(const Variant& vntValue);
    // Value set: stores the object reference.
    void SetValue(const ObjectRef& oValue);

private:
    QString m_strName;
    Variant m_vntValue;
};
