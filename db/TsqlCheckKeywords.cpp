// The reserved keywords of T-SQL (SQL Server 2017 and later): SQL Server takes
// none of them as a name unless it is bracketed or in double quotes, and a
// script that names a table or column so fails at that statement.
#include "db/SqlServerScripts.h"
#include "db/TsqlTokens.h"

#include <QSet>

namespace erpdb {

bool IsTsqlReservedKeyword(const QString& word)
{
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const char* w :
             {"ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN", "BETWEEN",
              "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHECK", "CHECKPOINT", "CLOSE", "CLUSTERED",
              "COALESCE", "COLLATE", "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT", "CONTAINS", "CONTAINSTABLE",
              "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
              "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DBCC", "DEALLOCATE", "DECLARE",
              "DEFAULT", "DELETE", "DENY", "DESC", "DISK", "DISTINCT", "DISTRIBUTED", "DOUBLE", "DROP", "DUMP",
              "ELSE", "END", "ERRLVL", "ESCAPE", "EXCEPT", "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL",
              "FETCH", "FILE", "FILLFACTOR", "FOR", "FOREIGN", "FREETEXT", "FREETEXTTABLE", "FROM", "FULL",
              "FUNCTION", "GOTO", "GRANT", "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITY_INSERT",
              "IDENTITYCOL", "IF", "IN", "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY",
              "KILL", "LEFT", "LIKE", "LINENO", "LOAD", "MERGE", "NATIONAL", "NOCHECK", "NONCLUSTERED", "NOT",
              "NULL", "NULLIF", "OF", "OFF", "OFFSETS", "ON", "OPEN", "OPENDATASOURCE", "OPENQUERY",
              "OPENROWSET", "OPENXML", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT", "PIVOT", "PLAN",
              "PRECISION", "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR", "READ", "READTEXT",
              "RECONFIGURE", "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT", "RETURN", "REVERT", "REVOKE",
              "RIGHT", "ROLLBACK", "ROWCOUNT", "ROWGUIDCOL", "RULE", "SAVE", "SCHEMA", "SECURITYAUDIT", "SELECT",
              "SEMANTICKEYPHRASETABLE", "SEMANTICSIMILARITYDETAILSTABLE", "SEMANTICSIMILARITYTABLE",
              "SESSION_USER", "SET", "SETUSER", "SHUTDOWN", "SOME", "STATISTICS", "SYSTEM_USER", "TABLE",
              "TABLESAMPLE", "TEXTSIZE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE",
              "TRY_CONVERT", "TSEQUAL", "UNION", "UNIQUE", "UNPIVOT", "UPDATE", "UPDATETEXT", "USE", "USER",
              "VALUES", "VARYING", "VIEW", "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH", "WITHIN", "WRITETEXT"})
            set.insert(QString::fromLatin1(w));
        return set;
    }();
    return words.contains(word.toUpper());
}

QStringList TsqlReservedNames(const QString& sql)
{
    using namespace tsql;
    const std::vector<Token> t = Tokenise(sql, 1, nullptr);
    QStringList names;
    for (size_t i = 1; i < t.size(); ++i) {
        if (t[i].kind != Token::Word || !IsTsqlReservedKeyword(t[i].text))
            continue;
        const bool qualified = IsSymbol(t, i - 1, ".") && i >= 2 &&
                               (t[i - 2].kind == Token::Word || t[i - 2].kind == Token::Name);
        // AS followed by a keyword that may follow AS in T-SQL itself is no alias
        static const QSet<QString> afterAs = {QStringLiteral("SELECT"), QStringLiteral("BEGIN"), QStringLiteral("RETURN"),
                                              QStringLiteral("DOUBLE"), QStringLiteral("WITH")};
        const bool alias = IsWord(t, i - 1, "AS") && !afterAs.contains(t[i].text);
        if (qualified || alias)
            names << t[i].text;
    }
    return names;
}

}  // namespace erpdb
