#include "base/CoBase64.h"

#include "base/AnsiCodePage.h"
#include "base/AppError.h"

#include <array>
#include <cmath>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int16_t kSkip = -1;
constexpr int16_t kInvalid = -2;
constexpr qsizetype kMaxLength = 32767;

// Value of each 7-bit code: 0..63 for the alphabet, kSkip for "=", kInvalid otherwise.
const std::array<int16_t, 128>& lookupTable()
{
    static const std::array<int16_t, 128> table = [] {
        std::array<int16_t, 128> t;
        t.fill(kInvalid);
        for (int16_t v = 0; v < 64; ++v)
            t[uint8_t(kAlphabet[v])] = v;
        t[uint8_t('=')] = kSkip;
        return t;
    }();
    return table;
}

}  // namespace

QString CoBase64::Encode(QString szEncoding)
{
    return Traced("CoBase64", "Encode", [&]() -> QString {
        Reset();
        if (szEncoding.isEmpty())
            return QString(QLatin1String(""));
        m_buffer = AnsiBytesFromText(szEncoding);
        if (m_buffer.size() > kMaxLength)
            RaiseError(vberr::Overflow);
        QString out;
        out.reserve((m_buffer.size() + 2) / 3 * 4);
        for (;;) {
            const int16_t value = ReadBitsAsInt();
            if (m_lastBitsRead < 1)
                break;
            out += QLatin1Char(kAlphabet[value]);
        }
        while (out.size() % 4 != 0)
            out += QLatin1Char('=');
        return out;
    });
}

QString CoBase64::Decode(QString szDecoding)
{
    return Traced("CoBase64", "Decode", [&]() -> QString {
        if (szDecoding.isEmpty())
            return QString(QLatin1String(""));
        szDecoding.remove(QLatin1Char('='));
        Reset();
        if (szDecoding.size() > kMaxLength)
            RaiseError(vberr::Overflow);
        const auto& table = lookupTable();
        m_buffer = QByteArray(szDecoding.size() * 3 / 4 + 1, '\0');
        for (const QChar ch : std::as_const(szDecoding)) {
            // A character outside the code page is no alphabet character either.
            const int code = AnsiCodeOf(ch);
            const int16_t value = code < 0 ? kInvalid : table[code & 0x7F];
            if (value == kInvalid)
                return QString(QLatin1String(""));
            if (value == kSkip)
                continue;
            WriteBitsAsInt(value);
            m_bitPosition += m_symbolBits;
        }
        const qsizetype wholeBytes = m_bitPosition / 8;
        if (wholeBytes < 1)
            RaiseError(vberr::SubscriptOutOfRange);  // no whole byte to keep
        m_buffer.truncate(wholeBytes);
        return AnsiTextFromBytes(m_buffer);
    });
}

void CoBase64::Reset()
{
    Traced("CoBase64", "Reset", [&] {
        m_buffer = QByteArray(1, '\0');
        m_symbolBits = 6;
        m_bitPosition = 0;
        m_lastBitsRead = 0;
    });
}

int16_t CoBase64::ReadBitsAsInt()
{
    return Traced("CoBase64", "ReadBitsAsInt", [&]() -> int16_t {
        const int32_t index = Floor(m_bitPosition / 8.0);
        if (index >= m_buffer.size()) {
            m_lastBitsRead = 0;
            return 0;
        }
        const int16_t offset = int16_t(m_bitPosition % 8);
        const int16_t inThisByte = int16_t(8 - offset);
        const uint8_t current = uint8_t(m_buffer.at(index));
        int16_t value;
        int16_t bits;
        if (inThisByte >= m_symbolBits) {
            value = int16_t(RShift(LShift(current, offset), int16_t(8 - m_symbolBits)));
            bits = m_symbolBits;
        } else {
            const int16_t fromNext = int16_t(m_symbolBits - inThisByte);
            const int16_t high = int16_t(RShift(LShift(current, offset), offset));
            if (index + 1 < m_buffer.size()) {
                const uint8_t next = uint8_t(m_buffer.at(index + 1));
                value = int16_t((high << fromNext) | RShift(next, int16_t(8 - fromNext)));
                bits = m_symbolBits;
            } else {
                value = int16_t(high << fromNext);
                bits = inThisByte;
            }
        }
        m_lastBitsRead = bits;
        m_bitPosition += bits;
        return value;
    });
}

void CoBase64::WriteBitsAsInt(int16_t value)
{
    Traced("CoBase64", "WriteBitsAsInt", [&] {
        const int32_t index = Floor(m_bitPosition / 8.0);
        const int16_t offset = int16_t(m_bitPosition % 8);
        if (index + 1 >= m_buffer.size())
            m_buffer.resize(std::max<qsizetype>(index + 2, m_buffer.size() * 2), '\0');
        const uint8_t v = uint8_t(value);
        // Place the 6 bits just below the top of the byte, shifted right by the offset.
        const int16_t room = int16_t(8 - offset);
        if (room >= m_symbolBits) {
            m_buffer[index] = char(uint8_t(m_buffer.at(index)) | LShift(v, int16_t(room - m_symbolBits)));
        } else {
            const int16_t spill = int16_t(m_symbolBits - room);
            m_buffer[index] = char(uint8_t(m_buffer.at(index)) | RShift(v, spill));
            m_buffer[index + 1] = char(uint8_t(m_buffer.at(index + 1)) | LShift(v, int16_t(8 - spill)));
        }
    });
}

uint8_t CoBase64::LShift(uint8_t value, int16_t bits)
{
    return Traced("CoBase64", "LShift", [&] { return uint8_t((unsigned(value) << bits) & 0xFF); });
}

uint8_t CoBase64::RShift(uint8_t value, int16_t bits)
{
    return Traced("CoBase64", "RShift", [&] { return uint8_t(unsigned(value) >> bits); });
}

int16_t CoBase64::Floor(double value)
{
    return Traced("CoBase64", "Floor", [&]() -> int16_t {
        const double whole = std::floor(value);
        if (whole > 32767.0)
            RaiseError(vberr::Overflow);
        return int16_t(whole);
    });
}
