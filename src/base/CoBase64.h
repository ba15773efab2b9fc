#pragma once
// Base64 (the standard alphabet, "=" padding, no line breaks) of texts taken as
// their ANSI bytes. Positions in the buffer are 16-bit numbers: at most 32,767
// input bytes to Encode and 32,767 characters (without "=") to Decode.

#include "base/Variant.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class CoBase64 : public VObject {
public:
    // Base64 text of the ANSI bytes of szEncoding.
    QString Encode(QString szEncoding);
    // The decoded bytes, one character per byte. Every "=" is dropped first; a
    // character outside the alphabet gives an empty text; fewer than 8 bits of
    // data fail with subscript out of range (9).
    QString Decode(QString szDecoding);

private:
    void Reset();
    int16_t ReadBitsAsInt();
    void WriteBitsAsInt(int16_t value);
    uint8_t LShift(uint8_t value, int16_t bits);
    uint8_t RShift(uint8_t value, int16_t bits);
    int16_t Floor(double value);

    QByteArray m_buffer;
    int16_t m_symbolBits = 6;
    int32_t m_bitPosition = 0;
    int16_t m_lastBitsRead = 0;
};
