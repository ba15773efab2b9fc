// Compiled once per program: QUILLON_ANALYTICS picks QuillonAnalytics' values.
#include "base/ProgramDefinition.h"

namespace {

#if defined(QUILLON_ANALYTICS)
constexpr ProgramDefinition kProgram{
    "QuillonAnalytics", "Quillon", "quillon-analytics", 7, 6, 0, false, "ColumnName"};
#else
constexpr ProgramDefinition kProgram{
    "Quillon", "Quillon", "quillon", 7, 6, 5, true, "FunctionColumnDisplayName"};
#endif

}  // namespace

const ProgramDefinition& Program() { return kProgram; }

QString ProgramVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(kProgram.major).arg(kProgram.minor).arg(kProgram.revision);
}
