#include "core/CoLongs.h"

#if QUILLON_WITH_LONGS

#include "base/AppError.h"

#include <QStringList>

CoLongs::CoLongs()
{
    Traced("CoLongs", "Class_Initialize", [] {});
}

CoLongs::~CoLongs()
{
    try {
        Traced("CoLongs", "Class_Terminate", [&] { Dispose(); });
    } catch (...) {
        // Nothing may leave a destructor; Dispose cannot fail in practice.
    }
}

int16_t CoLongs::Count() const
{
    if (m_colValues.size() > 32767)
        RaiseError(vberr::Overflow);
    return static_cast<int16_t>(m_colValues.size());
}

size_t CoLongs::PositionOf(const Variant& vIndex) const
{
    // The values carry no keys, so a text index finds nothing.
    if (vIndex.isString())
        RaiseError(vberr::InvalidProcedureCall);
    const int32_t index = vIndex.toInt32();
    if (index < 1 || static_cast<size_t>(index) > m_colValues.size())
        RaiseError(vberr::SubscriptOutOfRange);
    return static_cast<size_t>(index - 1);
}

int32_t CoLongs::Item(const Variant& vIndex) const
{
    return m_colValues[PositionOf(vIndex)];
}

int32_t CoLongs::Add(int32_t l)
{
    m_colValues.push_back(l);
    return static_cast<int32_t>(m_colValues.size());
}

void CoLongs::Remove(const Variant& vIndex)
{
    m_colValues.erase(m_colValues.begin() + static_cast<std::ptrdiff_t>(PositionOf(vIndex)));
}

void CoLongs::Clear()
{
    m_colValues.clear();
}

QString CoLongs::ToString() const
{
    QStringList parts;
    parts.reserve(static_cast<qsizetype>(m_colValues.size()));
    for (int32_t v : m_colValues)
        parts << QString::number(v);
    return parts.join(QStringLiteral(", "));
}

void CoLongs::CloneOf(const CoLongs& source)
{
    Traced("CoLongs", "CloneOf", [&] {
        // The copy counts with 16 bits, so a list above 32,767 values overflows here.
        const int16_t count = source.Count();
        for (int32_t i = 1; i <= count; ++i)
            Add(source.Item(Variant(i)));
    });
}

CoLongsRef CoLongs::CreateClone()
{
    return Traced("CoLongs", "CreateClone", [&] {
        m_oClone = std::make_shared<CoLongs>();
        m_oClone->CloneOf(*this);
        return m_oClone;
    });
}

bool CoLongs::IsDirty()
{
    return Traced("CoLongs", "IsDirty", [&] {
        if (!m_oClone)
            return true;
        // Compared with the clone object itself: changes its holder made count too.
        if (static_cast<int32_t>(m_colValues.size()) != m_oClone->Count())
            return true;
        for (size_t i = 0; i < m_colValues.size(); ++i) {
            if (m_colValues[i] != m_oClone->m_colValues[i])
                return true;
        }
        return false;
    });
}

void CoLongs::Dispose()
{
    Traced("CoLongs", "Dispose", [&] {
        m_colValues.clear();
        m_colValues.shrink_to_fit();
        m_oClone.reset();
    });
}

#endif  // QUILLON_WITH_LONGS
