#include "base/AppError.h"


#include <new>
#include <stdexcept>

QString StandardErrorDescription(int32_t number)
{
    switch (number) {
    case 3: return QStringLiteral("Return without GoSub");
    case 5: return QStringLiteral("Invalid procedure call or argument");
    case 6: return QStringLiteral("Overflow");
    case 7: return QStringLiteral("Out of memory");
    case 9: return QStringLiteral("Subscript out of range");
    case 10: return QStringLiteral("This array is fixed or temporarily locked");
    case 11: return QStringLiteral("Division by zero");
    case 13: return QStringLiteral("Type mismatch");
    case 14: return QStringLiteral("Out of string space");
    case 28: return QStringLiteral("Out of stack space");
    case 35: return QStringLiteral("Sub or Function not defined");
    case 48: return QStringLiteral("Error in loading DLL");
    case 51: return QStringLiteral("Internal error");
    case 52: return QStringLiteral("Bad file name or number");
    case 53: return QStringLiteral("File not found");
    case 54: return QStringLiteral("Bad file mode");
    case 55: return QStringLiteral("File already open");
    case 57: return QStringLiteral("Device I/O error");
    case 58: return QStringLiteral("File already exists");
    case 61: return QStringLiteral("Disk full");
    case 62: return QStringLiteral("Input past end of file");
    case 70: return QStringLiteral("Permission denied");
    case 75: return QStringLiteral("Path/File access error");
    case 76: return QStringLiteral("Path not found");
    case 91: return QStringLiteral("Object variable or With block variable not set");
    case 92: return QStringLiteral("For loop not initialized");
    case 94: return QStringLiteral("Invalid use of Null");
    case 380: return QStringLiteral("Invalid property value");
    case 424: return QStringLiteral("Object required");
    case 429: return QStringLiteral("ActiveX component can't create object");
    case 438: return QStringLiteral("Object doesn't support this property or method");
    case 440: return QStringLiteral("Automation error");
    case 450: return QStringLiteral("Wrong number of arguments or invalid property assignment");
    case 457: return QStringLiteral("This key is already associated with an element of this collection");
    case 481: return QStringLiteral("Invalid picture");
    default: break;
    }
    if (number > 0 && number < 65536)
        return QStringLiteral("Application-defined or object-defined error");
    return QStringLiteral("Automation error");
}

AppError::AppError(int32_t number, QString description, QString source)
    : m_number(number),
      m_description(description.isNull() ? StandardErrorDescription(number) : std::move(description)),
      m_source(std::move(source))
{
    m_what = QStringLiteral("(%1) -- %2").arg(m_number).arg(m_description).toUtf8();
}

void RaiseError(int32_t number, const QString& description, const QString& source)
{
    throw AppError(number, description.isEmpty() ? QString() : description, source);
}

namespace {
CurrentErrorInfo& currentError()
{
    static CurrentErrorInfo info;
    return info;
}
}  // namespace

const CurrentErrorInfo& CurrentError() { return currentError(); }

void SetCurrentError(const AppError& e)
{
    currentError() = {e.number(), e.description(), e.source()};
}

void ClearCurrentError() { currentError() = {}; }

AppError ToAppError(std::exception_ptr p)
{
    try {
        std::rethrow_exception(p);
    } catch (const AppError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return AppError(vberr::OutOfMemory);
    } catch (const std::exception& e) {
        return AppError(vberr::InvalidProcedureCall, QString::fromLocal8Bit(e.what()));
    }
}

void TraceProc(const QString&, const QString&) {}

void ReRaiseError()
{
    const auto& e = CurrentError();
    throw AppError(e.number, e.description, QString());
}

void ReRaiseError(int32_t number)
{
    throw AppError(number, CurrentError().description, QString());
}

void ReRaiseError(int32_t number, const QString& description)
{
    throw AppError(number, description, QString());
}
