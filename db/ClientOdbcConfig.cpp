#include "db/ClientOdbcConfig.h"

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "platform/database/BrandleDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace erpdb {

namespace {

// The server's client file, found without regard to case; "" when none.
QString ClientFile(const QString& server, bool create)
{
    const QString name = ResolveServerName(server) + QStringLiteral(".ini");
    QDir dir(ClientConfigRoot());
    if (dir.exists()) {
        for (const QString& e : dir.entryList(QDir::Files)) {
            if (e.compare(name, Qt::CaseInsensitive) == 0)
                return dir.filePath(e);
        }
    }
    return create ? dir.filePath(name) : QString();
}

}  // namespace

void PrepareClientFile(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    const QByteArray dir = QFile::encodeName(folder);
    ::chmod(dir.constData(), S_IRWXU);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno != EEXIST)
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The file '%1' could not be written: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))),
                       QStringLiteral("BrandleDatabase"));
    ::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR);
}

std::optional<OdbcServerConfig> ClientOdbcServer(const QString& server)
{
    const QString path = ClientFile(server, false);
    if (path.isEmpty())
        return std::nullopt;
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Odbc"));
    if (ini.childKeys().isEmpty())
        return std::nullopt;
    OdbcServerConfig c;
    c.driver = ini.value(QStringLiteral("Driver"), c.driver).toString().trimmed();
    c.host = ini.value(QStringLiteral("Server"), server.trimmed()).toString().trimmed();
    // QSettings splits an unquoted value at commas; the pieces are one option text.
    const QVariant options = ini.value(QStringLiteral("Options"));
    c.options = options.typeId() == QMetaType::QStringList ? options.toStringList().join(QLatin1Char(','))
                                                           : options.toString();
    const QVariant host = ini.value(QStringLiteral("Server"));
    if (host.typeId() == QMetaType::QStringList)
        c.host = host.toStringList().join(QLatin1Char(','));
    const QString dialect = ini.value(QStringLiteral("Dialect")).toString().trimmed();
    if (dialect.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) {
        c.dialect = OdbcServerConfig::Dialect::SqliteFiles;
        c.filesServer = ini.value(QStringLiteral("Files"), server.trimmed()).toString().trimmed();
    } else if (!dialect.isEmpty() && dialect.compare(QLatin1String("SqlServer"), Qt::CaseInsensitive) != 0) {
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The client configuration of '%1' names an unknown dialect '%2'.")
                           .arg(server.trimmed(), dialect),
                       QStringLiteral("BrandleDatabase"));
    }
    return c;
}

void WriteClientOdbcServer(const QString& server, const OdbcServerConfig& config)
{
    const QString path = ClientFile(server, true);
    PrepareClientFile(path);
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Server/Name"), ResolveServerName(server));
    ini.beginGroup(QStringLiteral("Odbc"));
    ini.setValue(QStringLiteral("Driver"), config.driver);
    ini.setValue(QStringLiteral("Server"), config.host.isEmpty() ? server.trimmed() : config.host);
    if (!config.options.isEmpty())
        ini.setValue(QStringLiteral("Options"), config.options);
    if (config.dialect == OdbcServerConfig::Dialect::SqliteFiles) {
        ini.setValue(QStringLiteral("Dialect"), QStringLiteral("SQLite"));
        ini.setValue(QStringLiteral("Files"), config.filesServer);
    }
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw AppError(kDatabaseErrorNumber, QStringLiteral("The file '%1' could not be written.").arg(path),
                       QStringLiteral("BrandleDatabase"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace erpdb
