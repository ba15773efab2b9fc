// The program's text cipher and the derivation of the session cipher key.

#include "base/AnsiCodePage.h"
#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "base/CoBase64.h"
#include "base/KeyMaterial.h"
#include "base/Variant.h"

#include <array>

QString DeriveCipherKey(const QString& material)
{
    QString key(material.size(), Qt::Uninitialized);
    for (qsizetype k = 0; k < material.size(); ++k) {
        const char16_t unit = material.at(k).unicode();
        uint8_t low = uint8_t(unit & 0xFF);
        const uint8_t high = uint8_t(unit >> 8);
        // The low byte's number is 2k: divisible by 4 for every other character.
        if (low != 46) {
            if (k % 2 == 0)
                low &= 127;
            else
                low = uint8_t(int(RoundHalfEven(low / 2.0)) & 127);
        }
        key[k] = QChar(char16_t((high << 8) | low));
    }
    return key;
}

QString CryptText(int32_t useBase64, const QString& text, const QString& key, bool encipher)
{
    std::array<uint8_t, 256> keyTable{};  // positions 1..255
    for (qsizetype n = 1; n <= key.size(); ++n) {
        if (n > 255)
            RaiseError(vberr::SubscriptOutOfRange);
        keyTable[n] = AnsiCode(key.at(n - 1));
    }

    QString input = text;
    if (useBase64 != 0 && !encipher)
        input = CoBase64().Decode(input);

    QString out(input.size(), Qt::Uninitialized);
    uint8_t previous = 42;
    qsizetype keyPosition = 1;
    for (qsizetype j = 1; j <= input.size(); ++j) {
        const uint8_t d = AnsiCode(input.at(j - 1));
        const uint8_t p = uint8_t(((j + 1) / 3) % 255);
        const uint8_t f = uint8_t(p ^ keyTable[keyPosition] ^ previous ^ d);
        out[j - 1] = AnsiChar(f);
        previous = encipher ? d : f;
        if (++keyPosition > key.size())
            keyPosition = 1;
    }

    if (useBase64 != 0 && encipher)
        out = CoBase64().Encode(out);
    return out;
}

QString SessionCipherKey()
{
    return DeriveCipherKey(QString::fromLatin1(kCipherKeyMaterial));
}
