#include "platform/settings/Pmcrp.h"

#include <array>
#include <cstdint>

namespace {

struct Tables {
    std::array<uint8_t, 256> forward{};
    std::array<uint8_t, 256> backward{};
};

// A permutation of 1..255 shuffled by a generator seeded from a fixed key text.
Tables buildTables()
{
    Tables t;
    for (int i = 0; i < 256; ++i)
        t.forward[i] = uint8_t(i);
    uint32_t state = 2166136261u;
    for (const char c : "Harbrook pmcrp substitution")
        state = (state ^ uint8_t(c)) * 16777619u;
    for (int i = 255; i > 1; --i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const int j = 1 + int(state % uint32_t(i));  // 1..i
        std::swap(t.forward[i], t.forward[j]);
    }
    for (int i = 0; i < 256; ++i)
        t.backward[t.forward[i]] = uint8_t(i);
    return t;
}

const Tables& tables()
{
    static const Tables t = buildTables();
    return t;
}

void substitute(QByteArray& buffer, const std::array<uint8_t, 256>& table)
{
    for (char& b : buffer)
        b = char(table[uint8_t(b)]);
}

}  // namespace

void pmProcess(QByteArray& buffer) { substitute(buffer, tables().forward); }

void pmDeProcess(QByteArray& buffer) { substitute(buffer, tables().backward); }

void pmSfDeProcess(QByteArray& buffer) { substitute(buffer, tables().backward); }
