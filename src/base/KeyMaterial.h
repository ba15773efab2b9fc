#pragma once
// The key material the session cipher key is derived from (DeriveCipherKey).
// Texts enciphered under the session key (the SQL login passwords the session
// holds, and what the database administration command writes for them) depend
// on it: changing it makes every such stored text unreadable.

inline constexpr char kCipherKeyMaterial[] = "Harbrook.Quillon.Pelmora.Session.Key";
