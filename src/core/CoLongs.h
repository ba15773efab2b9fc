#pragma once
// An ordered list of 32-bit integers with 1-based positions that can copy
// itself and later tell whether it has changed since the copy. Quillon only.

#ifndef QUILLON_WITH_LONGS
#define QUILLON_WITH_LONGS 0
#endif

#if QUILLON_WITH_LONGS

#include "base/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class CoLongs;
using CoLongsRef = std::shared_ptr<CoLongs>;

class CoLongs : public VObject {
public:
    CoLongs();
    ~CoLongs() override;

    // Number of values; more than 32,767 fail with 6 (Overflow).
    int16_t Count() const;
    // The value at a 1-based position; a position outside 1..Count fails with 9,
    // a text (the values have no keys) with 5.
    int32_t Item(const Variant& vIndex) const;
    // Appends a value and returns the new number of values.
    int32_t Add(int32_t l);
    // Removes the value at a position (errors as Item); later values move up.
    void Remove(const Variant& vIndex);
    void Clear();
    // The values in decimal, separated by ", ".
    QString ToString() const;
    // A new list with the same values, remembered as this list's clone.
    CoLongsRef CreateClone();
    // Whether this list differs from its remembered clone (True without one).
    bool IsDirty();
    // Releases the values and the remembered clone.
    void Dispose();

    // Appends every value of the source, in order.
    void CloneOf(const CoLongs& source);

private:
    size_t PositionOf(const Variant& vIndex) const;

    std::vector<int32_t> m_colValues;
    CoLongsRef m_oClone;
};

#endif  // QUILLON_WITH_LONGS
