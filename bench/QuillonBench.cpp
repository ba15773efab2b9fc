// quillon-bench: runs statements through the database interface on a company
// database of the embedded server and prints, for each, the best time of several
// runs and the rows it returned. bench/run-bench.sh compares it with the sqlite3 shell.

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "platform/database/BrandleDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    erpdb::InstallEmbeddedServer();
    QStringList args = app.arguments().mid(1);
    QString server = QStringLiteral("BENCH");
    QString database = QStringLiteral("DEMO");
    int runs = 3;
    QStringList statements;
    for (int k = 0; k < args.size(); ++k) {
        if (args[k] == QLatin1String("--server") && k + 1 < args.size())
            server = args[++k];
        else if (args[k] == QLatin1String("--database") && k + 1 < args.size())
            database = args[++k];
        else if (args[k] == QLatin1String("--runs") && k + 1 < args.size())
            runs = std::max(1, args[++k].toInt());
        else
            statements << args[k];
    }
    if (statements.isEmpty()) {
        std::fputs("Usage: quillon-bench [--server NAME] [--database DB] [--runs N] SQL...\n", stderr);
        return 2;
    }
    try {
        BrandleDatabase dbi;
        int32_t flag = 0;
        dbi.OpenConnection(server, database, QLatin1String(erpdb::kExecutiveLogin),
                           QLatin1String(erpdb::kDemoExecutivePassword), 0, flag);
        dbi.SetCommandTimeout(0);
        for (const QString& sql : statements) {
            double best = 1e30;
            int rows = 0;
            for (int r = 0; r < runs; ++r) {
                QElapsedTimer timer;
                timer.start();
                BrandleRecordsetPtr rs;
                dbi.OpenRecordset(sql, rs);
                rows = rs->RecordCount();
                dbi.CloseRecordset(rs);
                best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
            }
            std::printf("%.4f %d\n", best, rows);
        }
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-bench: %s\n", e.description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
