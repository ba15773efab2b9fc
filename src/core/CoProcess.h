#pragma once
// Text transformations of the ERP's byte cipher, the hexadecimal binary literal
// of a text, and two operations that hand SQL text to a system engine.
// While an object exists, the program's folder is the process's current directory;
// the directory that was current before comes back when the object ends.

#include "base/Variant.h"

#include <QByteArray>
#include <QString>

class CoProcess : public VObject {
public:
    CoProcess();
    ~CoProcess() override;
    CoProcess(const CoProcess&) = delete;
    CoProcess& operator=(const CoProcess&) = delete;

    // Trims blanks from strInput (in the caller's variable); empty gives "".
    // Otherwise the text's buffer (with its terminating zero) through pmProcess, as text.
    QString process(QString& strInput);
    // strInput empty gives ""; otherwise its buffer through pmDeProcess, as text trimmed of blanks.
    QString DeProcess(QString& strInput);
    QString SfDeProcess(QString& strInput);
    // Passes strSQL to the system engine's LoadBinary.
    QString LoadBinary(QString& strSQL);
    // strBinary becomes its hexadecimal literal; the UPDATE statement goes to the
    // system engine's Execute. Errors after the conversion are ignored.
    void SaveBinary(QString& strUpdateTable, QString& strUpdateColumn, QString& strWhere, QString& strBinary);
    // "0x" and two upper-case hexadecimal digits per character's ANSI code.
    QString StringToHexString(QString& strBinary);

    // Byte conversions shared with CoBase64.
    // One byte per character (its ANSI code), plus a zero byte when exact is false;
    // an empty text gives a single zero byte. Outside the code page: overflow (6).
    QByteArray StringToBytes(const QString& text, bool exact);
    // One character per byte of the whole array.
    QString BytesToString(const QByteArray& bytes);

    // The last statement SaveBinary built (what it passed, or tried to pass, on).
    const QString& lastSaveStatement() const { return m_lastSaveStatement; }

private:
    QString BytesToHexString(const QByteArray& bytes);

    QString m_rememberedDirectory;
    bool m_switched = false;
    QString m_lastSaveStatement;
};
