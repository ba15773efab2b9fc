#include "CoreTestSupport.h"

#include "base/AnsiCodePage.h"
#include "base/CoBase64.h"
#include "core/CoProcess.h"
#include "core/CoQuillonSystemEngine.h"
#include "platform/settings/Pmcrp.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

namespace {

QString L(const char* s) { return QString::fromLatin1(s); }
const QChar kZero(u'\0');

TEST(ProcessPmcrp, SubstitutesOneToOneAndInverts)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    for (auto undo : {&pmDeProcess, &pmSfDeProcess}) {
        QByteArray buffer = all;
        pmProcess(buffer);
        ASSERT_EQ(buffer.size(), 256);
        EXPECT_EQ(buffer.at(0), '\0');
        EXPECT_EQ(std::set<char>(buffer.begin(), buffer.end()).size(), 256u);
        EXPECT_NE(buffer, all);
        undo(buffer);
        EXPECT_EQ(buffer, all);
    }
}

TEST(ProcessBytes, StringToBytesAndBack)
{
    CoProcess p;
    EXPECT_EQ(p.StringToBytes(QString(), true), QByteArray(1, '\0'));
    EXPECT_EQ(p.StringToBytes(QString(), false), QByteArray(1, '\0'));
    EXPECT_EQ(p.StringToBytes(L("ab"), true), QByteArray("ab"));
    EXPECT_EQ(p.StringToBytes(L("ab"), false), QByteArray("ab", 3));
    EXPECT_EQ(p.StringToBytes(QString(QChar(0x20AC)), true), QByteArray("\x80"));
    EXPECT_EQ(ErrorNumberOf([&] { p.StringToBytes(QString(QChar(0x0141)), true); }), 6);
    EXPECT_EQ(p.BytesToString(QByteArray("a\0\x9f", 3)), L("a") + kZero + QChar(0x0178));
}

TEST(ProcessHex, StringToHexString)
{
    struct Case { QString in; const char* out; };
    const Case cases[] = {{QString(), "0x"},  {L("AB"), "0x4142"},  {L("a"), "0x61"},
                          {QString(QChar(0x20AC)) + QChar(0xFF) + kZero, "0x80FF00"}};
    CoProcess p;
    for (Case c : cases)
        EXPECT_EQ(p.StringToHexString(c.in), L(c.out));
    QString outside(QChar(0x0141));
    EXPECT_EQ(ErrorNumberOf([&] { p.StringToHexString(outside); }), 6);
}

TEST(ProcessBinary, SaveBinaryReplacesTheVariableAndIgnoresTheMissingEngine)
{
    ASSERT_FALSE(g_oSystemEngine);
    CoProcess p;
    QString table = L("Docs"), column = L("Body"), where = L("ID=1"), binary = L("AB");
    EXPECT_NO_THROW(p.SaveBinary(table, column, where, binary));
    EXPECT_EQ(binary, L("0x4142"));
    EXPECT_EQ(p.lastSaveStatement(), L("UPDATE Docs SET Body=0x4142 WHERE ID=1"));
    // The conversion itself still fails.
    QString outside = L("x") + QChar(0x0141);
    EXPECT_EQ(ErrorNumberOf([&] { p.SaveBinary(table, column, where, outside); }), 6);
}

TEST(ProcessBinary, LoadBinaryWithoutEngineFailsWithObjectNotSet)
{
    ASSERT_FALSE(g_oSystemEngine);
    CoProcess p;
    QString sql = L("SELECT Body FROM Docs");
    EXPECT_EQ(ErrorNumberOf([&] { p.LoadBinary(sql); }), 91);
}

TEST(ProcessBinary, WithASessionEngineTheStatementsGoToIt)
{
    struct Restore {
        CoQuillonSystemEnginePtr saved = g_oSystemEngine;
        ~Restore() { g_oSystemEngine = saved; }
    } restore;
    g_oSystemEngine = CoQuillonSystemEngine::Create();
    CoProcess p;
    QString sql = L("SELECT Body FROM Docs");
    EXPECT_EQ(p.LoadBinary(sql), QString());
    QString table = L("Docs"), column = L("Body"), where = L("ID=2"), binary = L("a");
    EXPECT_NO_THROW(p.SaveBinary(table, column, where, binary));
    EXPECT_EQ(p.lastSaveStatement(), L("UPDATE Docs SET Body=0x61 WHERE ID=2"));
}

TEST(ProcessCipher, ProcessTrimsAndAppendsTheBufferEnd)
{
    CoProcess p;
    QString input = L("  secret text  ");
    const QString processed = p.process(input);
    EXPECT_EQ(input, L("secret text"));
    ASSERT_EQ(processed.size(), input.size() + 1);
    EXPECT_EQ(processed.back(), kZero);
    EXPECT_NE(processed.left(input.size()), input);

    QString blanks = L("    ");
    EXPECT_EQ(p.process(blanks), QString());
    EXPECT_EQ(blanks, QString());
}

TEST(ProcessCipher, DeProcessInvertsProcess)
{
    CoProcess p;
    for (const QString& text : {L("a"), L("secret text"), QString(QChar(0x20AC)) + QChar(0xFF) + L("x")}) {
        QString input = text;
        QString processed = p.process(input);
        const QString copy = processed;
        // Each pass keeps the whole buffer: the text, the processed zero, and a new zero.
        EXPECT_EQ(p.DeProcess(processed), text + kZero + kZero);
        EXPECT_EQ(p.SfDeProcess(processed), text + kZero + kZero);
        EXPECT_EQ(processed, copy);  // the caller's variable stays
    }
    QString padded = L(" x ");
    QString processed = p.process(padded);
    EXPECT_EQ(p.DeProcess(processed), L("x") + kZero + kZero);
    QString empty;
    EXPECT_EQ(p.DeProcess(empty), QString());
    EXPECT_EQ(p.SfDeProcess(empty), QString());
}

TEST(ProcessDirectory, ProgramFolderIsCurrentWhileAnObjectExists)
{
    const QString before = QDir::currentPath();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    ASSERT_TRUE(QDir::setCurrent(temp.path()));
    const QString start = QDir::currentPath();
    {
        CoProcess p;
        EXPECT_EQ(QDir::currentPath(), QDir(QCoreApplication::applicationDirPath()).canonicalPath());
        {
            CoProcess nested;
        }
        EXPECT_EQ(QDir::currentPath(), QDir(QCoreApplication::applicationDirPath()).canonicalPath());
    }
    EXPECT_EQ(QDir::currentPath(), start);
    // Base64 works through such objects and leaves the directory as it was, also on failure.
    CoBase64 b64;
    EXPECT_EQ(b64.Encode(L("foo")), L("Zm9v"));
    EXPECT_EQ(ErrorNumberOf([&] { b64.Decode(L("Z")); }), 9);
    EXPECT_EQ(QDir::currentPath(), start);
    QDir::setCurrent(before);
}

}  // namespace
