#pragma once
// Text replacement and list-item keys.

#include <QString>
#include <cstdint>

// Replaces every occurrence of the one-character search text, left to right.
// Works on texts of any length.
QString StrReplace(const QString& text, const QString& search, const QString& replacement);
// "ID" followed by the id in decimal.
QString IDToListKey(int32_t id);
// The text from the third character on as a 32-bit integer; a key shorter than 3 gives 0.
int32_t ListKeyToID(const QString& key);

// ---- Text cipher (implemented in AuCipher.cpp) ----
// Builds the session cipher key from the key material; as many characters as the material.
QString DeriveCipherKey(const QString& material);
// Enciphers (encipher True) or deciphers text with a key of at most 255 characters;
// useBase64 other than 0 passes the cipher text through Base64.
QString CryptText(int32_t useBase64, const QString& text, const QString& key, bool encipher);
// DeriveCipherKey over the program's key material (src/base/KeyMaterial.h), built each time.
QString SessionCipherKey();
