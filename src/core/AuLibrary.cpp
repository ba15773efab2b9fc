#include "core/AuLibrary.h"

Variant NullToEmpty(const Variant& value)
{
    return value.isNull() ? Variant() : value;
}

Variant EmptyToNull(const Variant& value)
{
    // "Equals Empty" in the runtime's comparison: Empty itself, "", 0 and False.
    if (value.isEmpty())
        return Variant(Null);
    if (value.isNull() || value.isObject() || value.isDate())
        return value;
    if (value.isString())
        return value.toString().isEmpty() ? Variant(Null) : value;
    if (value.isBool())
        return value.toBool() ? value : Variant(Null);
    return value.toDouble() == 0 ? Variant(Null) : value;
}

QString SpaceToEmpty(const QString& text)
{
    return text == QLatin1String(" ") ? QString(QLatin1String("")) : text;
}

Variant NegOneToZero(int32_t value)
{
    return value == -1 ? Variant(int32_t(0)) : Variant(value);
}

int16_t BoolToCheckValue(bool value) { return value ? 1 : 0; }

bool CheckValueToBool(int16_t value) { return value != 0; }
