#pragma once
// What the SQL Server tests send, for the T-SQL grammar's check (tests/tsql-grammar):
// with QUILLON_TSQL_RECORD naming a file, each text is appended to it, batches
// parted by "GO".

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

inline void RecordTsql(const QStringList& texts)
{
    const QString file = qEnvironmentVariable("QUILLON_TSQL_RECORD");
    if (file.isEmpty())
        return;
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::Append | QIODevice::Text));
    for (const QString& t : texts)
        f.write((t + QStringLiteral("\nGO\n")).toUtf8());
}
