#include "core/Windows.h"

#include "base/AppError.h"

#include <cstring>

Variant RegQueryValueVariant(HKEY hKey, const QString& strValueName)
{
    return Traced("Windows", "RegQueryValueVariant", [&]() -> Variant {
        uint32_t type = 0;
        uint32_t count = 0;
        if (RegQueryValueEx(hKey, strValueName, &type, &count) != ERROR_SUCCESS)
            return Null;
        if (type == REG_SZ) {
            QString data(static_cast<qsizetype>(count), QLatin1Char(' '));
            type = REG_SZ;
            if (RegQueryValueEx(hKey, strValueName, &type, &data, &count) != ERROR_SUCCESS)
                return Null;
            if (count == 0)
                return Null;
            // The reported size counts one terminating NUL.
            return data.left(static_cast<qsizetype>(count) - 1);
        }
        if (type == REG_DWORD) {
            QByteArray data(4, '\0');
            type = REG_DWORD;
            count = 4;
            if (RegQueryValueEx(hKey, strValueName, &type, &data, &count) != ERROR_SUCCESS)
                return Null;
            int32_t value = 0;  // fewer than 4 bytes leave the rest zero
            std::memcpy(&value, data.constData(), std::min<size_t>(4, static_cast<size_t>(data.size())));
            return value;
        }
        return Null;
    });
}

void RegSetValueVariant(HKEY hKey, const QString& strValueName, const Variant& vntValue)
{
    Traced("Windows", "RegSetValueVariant", [&] {
        switch (vntValue.type()) {
        case VarType::Integer:
        case VarType::Long: {
            const int32_t value = vntValue.toInt32();
            RegSetValueEx(hKey, strValueName, REG_DWORD, QByteArray(reinterpret_cast<const char*>(&value), 4), 4);
            break;
        }
        case VarType::String: {
            const QString text = vntValue.toString();
            RegSetValueEx(hKey, strValueName, REG_SZ, text, static_cast<uint32_t>(text.size()));
            break;
        }
        default:  // empty, null and every other kind
            RegSetValueEx(hKey, strValueName, REG_NONE, QByteArray(), 0);
            break;
        }
    });
}
