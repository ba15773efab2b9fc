#pragma once
// Errors of the program: a number, a description and a source, as the
// platform's error object carries them. Failures travel as AppError
// exceptions; "trace and raise again" is catch, TraceProc, rethrow unchanged.

#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <utility>

namespace vberr {
inline constexpr int32_t kObjectErrorBase = static_cast<int32_t>(0x80040000u);  // vbObjectError
inline constexpr int32_t ProgramDefined = 32768;  // &H8000, with a readable description
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t FileAlreadyOpen = 55;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccessError = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t CannotCreateObject = 429;
inline constexpr int32_t ObjectDoesntSupport = 438;
inline constexpr int32_t KeyAlreadyAssociated = 457;
}  // namespace vberr

// The runtime's standard description of a runtime error number ("" when it has none).
QString StandardErrorDescription(int32_t number);

class AppError : public std::exception {
public:
    // An empty description takes the runtime's standard text for the number.
    explicit AppError(int32_t number, QString description = {}, QString source = {});

    int32_t number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const QString& source() const noexcept { return m_source; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int32_t m_number;
    QString m_description;
    QString m_source;
    QByteArray m_what;
};

// Raise an error; an empty description takes the standard one.
[[noreturn]] void RaiseError(int32_t number, const QString& description = {}, const QString& source = {});

// The current error (the platform's Err object): the last error that a handler caught.
struct CurrentErrorInfo {
    int32_t number = 0;
    QString description;
    QString source;
};
const CurrentErrorInfo& CurrentError();
void SetCurrentError(const AppError& e);
void ClearCurrentError();

// Turns any exception that escaped into an AppError (number 5 or 7 for foreign ones).
AppError ToAppError(std::exception_ptr p);

// The single place where a trace of failing procedures could be recorded. Has no effect.
void TraceProc(const QString& objectName, const QString& procedureName);

// Raises the current error again, with the given number and/or description in
// place of the current ones.
[[noreturn]] void ReRaiseError();
[[noreturn]] void ReRaiseError(int32_t number);
[[noreturn]] void ReRaiseError(int32_t number, const QString& description);

// Runs f; an AppError that escapes it is made the current error, traced with
// the object and procedure names and raised again unchanged.
//   return Traced("Windows", "RegQueryValueVariant", [&] { ... });
template <class F>
decltype(auto) Traced(const char* objectName, const char* procedureName, F&& f)
{
    try {
        return std::forward<F>(f)();
    } catch (const AppError& e) {
        SetCurrentError(e);
        TraceProc(QString::fromLatin1(objectName), QString::fromLatin1(procedureName));
        throw;
    }
}
