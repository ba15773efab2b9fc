#include "core/AuProperty.h"

QString AuProperty::Name() const { return m_strName; }

void AuProperty::SetName(const QString& strName) { m_strName = strName; }

Variant AuProperty::Value() const { return m_vntValue; }

void AuProperty::LetValue(const Variant& vntValue) { m_vntValue = vntValue; }

void AuProperty::SetValue(const ObjectRef& oValue) { m_vntValue = Variant(oValue); }
