#include "core/AuProperties.h"

#include "base/AppError.h"

namespace {
bool sameName(const QString& a, const QString& b) { return a.toUpper() == b.toUpper(); }
}  // namespace

int16_t AuProperties::Count() const
{
    return Traced("AuProperties", "Count", [&] {
        if (m_colProperties.size() > 32767)
            RaiseError(vberr::Overflow);
        return static_cast<int16_t>(m_colProperties.size());
    });
}

AuPropertyRef AuProperties::Add(const QString& strName, const Variant& vntValue)
{
    return Traced("AuProperties", "Add", [&] {
        auto property = std::make_shared<AuProperty>();
        property->SetName(strName);
        if (vntValue.isObject())
            property->SetValue(vntValue.toObject());
        else
            property->LetValue(vntValue);
        m_colProperties.push_back(property);
        return property;
    });
}

size_t AuProperties::PositionOf(const Variant& vntIndex) const
{
    const int32_t index = vntIndex.toInt32();
    if (index < 1 || static_cast<size_t>(index) > m_colProperties.size())
        RaiseError(vberr::SubscriptOutOfRange);
    return static_cast<size_t>(index - 1);
}

AuPropertyRef AuProperties::Item(const Variant& vntIndex) const
{
    return Traced("AuProperties", "Item", [&]() -> AuPropertyRef {
        if (vntIndex.isString()) {
            const QString name = vntIndex.toString();
            for (const auto& p : m_colProperties)
                if (sameName(p->Name(), name))
                    return p;
            return nullptr;
        }
        return m_colProperties[PositionOf(vntIndex)];
    });
}

void AuProperties::Remove(const Variant& vntIndex)
{
    Traced("AuProperties", "Remove", [&] {
        if (vntIndex.isString()) {
            const QString name = vntIndex.toString();
            for (auto it = m_colProperties.begin(); it != m_colProperties.end(); ++it)
                if (sameName((*it)->Name(), name)) {
                    m_colProperties.erase(it);
                    return;
                }
            return;
        }
        m_colProperties.erase(m_colProperties.begin() + static_cast<std::ptrdiff_t>(PositionOf(vntIndex)));
    });
}

bool AuProperties::Equals(const AuProperties& rhs) const
{
    return Traced("AuProperties", "Equals", [&] {
        const int16_t count = Count();
        for (int16_t i = 1; i <= count; ++i) {
            const AuPropertyRef mine = Item(Variant(i));
            const AuPropertyRef theirs = rhs.Item(Variant(mine->Name()));
            // The look-up gives no property for a name rhs lacks; its value cannot be read.
            if (!theirs)
                RaiseError(vberr::ObjectNotSet);
            // The runtime's inequality: no answer (a null on either side) is not a difference.
            // Numbers compare as numbers, texts as case-sensitive texts, a number and a text differ.
            const Variant a = mine->Value();
            const Variant b = theirs->Value();
            if (a.isNull() || b.isNull())
                continue;
            const bool aText = a.isString();
            const bool bText = b.isString();
            if (aText != bText && (a.isNumber() || b.isNumber()))
                return false;
            const auto equal = a.equals(b);
            if (equal.has_value() && !*equal)
                return false;
        }
        return true;
    });
}
