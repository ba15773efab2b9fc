#pragma once
// A value of variable type, as the original's runtime had it: Empty (never
// assigned) and Null (no value, as a database NULL) are distinct; numbers are
// 16-bit or 32-bit integers, doubles or currency; plain values are copied and
// object references shared.

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

// Base of everything a Variant can hold by reference.
class VObject {
public:
    virtual ~VObject() = default;
};
using ObjectRef = std::shared_ptr<VObject>;

// Type codes, as VarType reports them.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,   // 16-bit
    Long = 3,      // 32-bit
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Boolean = 11,
};

// A currency amount: a 64-bit integer scaled by 10,000.
struct Currency {
    int64_t scaled = 0;
    static Currency fromDouble(double d);
    double toDouble() const { return static_cast<double>(scaled) / 10000.0; }
    bool operator==(const Currency&) const = default;
};

struct NullValue {};
inline constexpr NullValue Null{};

class Variant {
public:
    Variant() = default;  // Empty
    Variant(NullValue) : m_value(NullTag{}) {}
    Variant(int16_t v) : m_value(v) {}
    Variant(int32_t v) : m_value(v) {}
    Variant(double v) : m_value(v) {}
    Variant(Currency v) : m_value(v) {}
    Variant(const QDateTime& v) : m_value(v) {}
    Variant(bool v) : m_value(v) {}
    Variant(const QString& v) : m_value(v) {}
    Variant(QString&& v) : m_value(std::move(v)) {}
    Variant(const char* v) : m_value(QString::fromUtf8(v)) {}
    Variant(ObjectRef v) : m_value(std::move(v)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<VObject, T>>>
    Variant(std::shared_ptr<T> v) : m_value(ObjectRef(std::move(v))) {}

    static Variant fromInt64Checked(int64_t v);  // Long when it fits, else Double
    // A database's integer: Long when it fits, Double while a double holds it
    // exactly (to 2^53), else its decimal text, so that no digit is lost.
    static Variant fromInt64Exact(int64_t v);

    VarType type() const;
    QString typeName() const;  // TypeName: "Empty", "Null", "Integer", "Long", ...

    bool isEmpty() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isNull() const { return std::holds_alternative<NullTag>(m_value); }
    bool isObject() const { return std::holds_alternative<ObjectRef>(m_value); }
    bool isString() const { return std::holds_alternative<QString>(m_value); }
    bool isBool() const { return std::holds_alternative<bool>(m_value); }
    bool isDate() const { return std::holds_alternative<QDateTime>(m_value); }
    // Integer, Long, Double or Currency (Boolean is not counted).
    bool isNumber() const;
    // IsNumeric: a number, a Boolean, Empty, or a text that reads as a number.
    bool isNumeric() const;

    // Conversions as the runtime does them. Null fails with 94 "Invalid use of Null";
    // a text that is not a number fails with 13 "Type mismatch"; a value outside the
    // target's range fails with 6 "Overflow". Integers round half to even.
    QString toString() const;
    int16_t toInt16() const;
    int32_t toInt32() const;
    double toDouble() const;
    Currency toCurrency() const;
    bool toBool() const;
    QDateTime toDate() const;
    ObjectRef toObject() const;  // 424 "Object required" when it holds no object

    template <class T>
    std::shared_ptr<T> as() const { return std::dynamic_pointer_cast<T>(toObject()); }

    // The runtime's comparison: numbers as numbers, texts as case-sensitive texts,
    // a number against a text that reads as a number compares numerically. Empty
    // counts as 0 or "". Null on either side gives no answer (std::nullopt).
    std::optional<int> compare(const Variant& other) const;
    std::optional<bool> equals(const Variant& other) const;

    // Same type and same plain value, or the same object (identity). For tests and
    // look-ups; Null is identical to Null here.
    bool identical(const Variant& other) const;

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    std::variant<std::monostate, NullTag, int16_t, int32_t, double, Currency, QDateTime, bool, QString, ObjectRef>
        m_value;

    friend class VariantAccess;
};

// Round half to even, as the runtime's integer conversions do.
double RoundHalfEven(double d);

// Parses a text as a number the way the runtime's conversions accept it
// (blanks around it, sign, decimal point, exponent, &H / &O prefixes). nullopt when not a number.
std::optional<double> ParseNumericText(const QString& text);
