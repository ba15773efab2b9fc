#include "core/CoProcess.h"

#include "base/AnsiCodePage.h"
#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "platform/settings/Pmcrp.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// Blanks only, as the runtime's Trim.
QString trimBlanks(const QString& s)
{
    qsizetype from = 0, to = s.size();
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    return s.mid(from, to - from);
}

// The session engine, when there is one, takes the statements (its operations do
// nothing); without a session the engine reference is unset (91).
CoQuillonSystemEngine& engine()
{
    if (!g_oSystemEngine)
        RaiseError(vberr::ObjectNotSet);
    return *g_oSystemEngine;
}

}  // namespace

CoProcess::CoProcess()
{
    // Drive letters have no counterpart here: only the directory is switched.
    if (!QCoreApplication::instance())
        return;
    m_rememberedDirectory = QDir::currentPath();
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!QDir::setCurrent(programFolder))
        RaiseError(vberr::PathNotFound);
    m_switched = true;
}

CoProcess::~CoProcess()
{
    // A directory that has gone away since cannot be made current again; an
    // object's end cannot fail, so that is left as it is.
    if (m_switched && !m_rememberedDirectory.isEmpty())
        QDir::setCurrent(m_rememberedDirectory);
}

QString CoProcess::process(QString& strInput)
{
    strInput = trimBlanks(strInput);
    if (strInput.isEmpty())
        return QString(QLatin1String(""));
    QByteArray buffer = StringToBytes(strInput, false);
    pmProcess(buffer);
    return BytesToString(buffer);
}

QString CoProcess::DeProcess(QString& strInput)
{
    if (strInput.isEmpty())
        return QString(QLatin1String(""));
    QByteArray buffer = StringToBytes(strInput, false);
    pmDeProcess(buffer);
    return trimBlanks(BytesToString(buffer));
}

QString CoProcess::SfDeProcess(QString& strInput)
{
    if (strInput.isEmpty())
        return QString(QLatin1String(""));
    QByteArray buffer = StringToBytes(strInput, false);
    pmSfDeProcess(buffer);
    return trimBlanks(BytesToString(buffer));
}

QString CoProcess::LoadBinary(QString& strSQL)
{
    return engine().LoadBinary(strSQL);
}

void CoProcess::SaveBinary(QString& strUpdateTable, QString& strUpdateColumn, QString& strWhere, QString& strBinary)
{
    strBinary = StringToHexString(strBinary);
    try {
        m_lastSaveStatement = QStringLiteral("UPDATE ") + strUpdateTable + QStringLiteral(" SET ") + strUpdateColumn
                              + QStringLiteral("=") + strBinary + QStringLiteral(" WHERE ") + strWhere;
        engine().Execute(m_lastSaveStatement);
    } catch (const AppError&) {
        // Ignored by design: the operation ends normally.
    }
}

QString CoProcess::StringToHexString(QString& strBinary)
{
    if (strBinary.isEmpty())
        return QStringLiteral("0x");
    return BytesToHexString(StringToBytes(strBinary, true));
}

QByteArray CoProcess::StringToBytes(const QString& text, bool exact)
{
    if (text.isEmpty())
        return QByteArray(1, '\0');
    QByteArray bytes = AnsiBytesFromText(text);
    if (!exact)
        bytes.append('\0');
    return bytes;
}

QString CoProcess::BytesToString(const QByteArray& bytes)
{
    return AnsiTextFromBytes(bytes);
}

QString CoProcess::BytesToHexString(const QByteArray& bytes)
{
    return QStringLiteral("0x") + QString::fromLatin1(bytes.toHex().toUpper());
}
