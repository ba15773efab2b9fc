// quillon-db: the administration command of the embedded ERP server.

#include "base/AppError.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "db/HbServer.h"
#include "db/SqlServerScripts.h"
#include "logon/DemoLogonProfile.h"
#include "platform/hbclient/HbProtocol.h"
#include "platform/settings/RegistryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStringList>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <functional>
#include <map>

namespace {

const char* const kHelp =
    "Usage: quillon-db COMMAND [OPTIONS]\n"
    "\n"
    "Administers the embedded ERP database servers of this user. A server is a folder of\n"
    "SQLite files under $QUILLON_SERVERS_DIR, or $XDG_DATA_HOME/Harbrook Inc/Pelmora/servers\n"
    "(~/.local/share/...). Its client configuration (the SQL login passwords, enciphered)\n"
    "goes to $QUILLON_CLIENT_CONFIG_DIR, or $XDG_CONFIG_HOME/Harbrook Inc/Pelmora/servers.\n"
    "\"(LOCAL)\" names the server of this computer. Names compare without regard to case.\n"
    "\n"
    "Commands:\n"
    "  create-server NAME [--exec-password PW] [--read-password PW]\n"
    "        Creates a server with its system database CoSystem and the SQL logins\n"
    "        coexecutive and coreadonly (random passwords unless given, printed once).\n"
    "  create-company --server NAME COMPANYID DBNAME COMPANYNAME\n"
    "        Creates a company database (file DBNAME.sqlite) and its CoCompanies row.\n"
    "        COMPANYID may not hold \"[~]\", \"[^]\" or control characters: a logon\n"
    "        profile could not hold it.\n"
    "  add-user --server NAME --company COMPANYID USERID FULLNAME PASSWORD\n"
    "        Adds a user of a company (the password is stored enciphered).\n"
    "  set-password --server NAME --company COMPANYID USERID PASSWORD\n"
    "        Sets a user's password.\n"
    "  set-login-password --server NAME LOGIN [PASSWORD]\n"
    "        Sets the password of a SQL login (coexecutive or coreadonly), on the server\n"
    "        and in its client configuration; for a SQL Server reached through ODBC\n"
    "        (an [Odbc] group in its client configuration) in the client configuration.\n"
    "        Without PASSWORD (which every local user could read in the process list) it\n"
    "        asks for it without echo, or reads the first line of standard input.\n"
    "  create-demo [--server NAME] [--large] [--order-lines N] [--replace | --if-missing]\n"
    "        Creates the demo company DEMO (making the server when it does not exist;\n"
    "        default server: this computer's, \"(LOCAL)\"). --large makes a million order\n"
    "        lines; --replace makes an existing demo company anew; --if-missing does\n"
    "        nothing when it exists.\n"
    "  add-demo-profile [--server NAME]\n"
    "        Adds a logon profile \"Demo Company\" for the demo company on the server\n"
    "        (default \"(LOCAL)\") to this user's stored logon profiles, next to the\n"
    "        ones there; it becomes the profile the logon window selects only when\n"
    "        none is set.\n"
    "  print-sqlserver-script system | company DBNAME | logins DBNAME | demo DBNAME\n"
    "        Prints the T-SQL that sets up a SQL Server for a trial, each script safe to\n"
    "        run again: system: the system database CoSystem; company: a company\n"
    "        database (tables, indexes, catalogue views, lookup sources and the stored\n"
    "        procedures); logins: the logins coexecutive and coreadonly with their users\n"
    "        and rights in CoSystem and the company database (passwords from the sqlcmd\n"
    "        variables CoExecutivePassword and CoReadOnlyPassword); demo: the demo\n"
    "        company's rows in the company database and its CoCompanies row. Run them\n"
    "        in that order.\n"
    "  serve-hb [--server NAME]... | --all-servers  [--port N] [--address IP]\n"
    "        Runs the HBServer, which tells the profile wizard the companies and branches\n"
    "        of the servers it serves: each server named with --server (default: this\n"
    "        computer's, \"(LOCAL)\"), or with --all-servers every server of this user.\n"
    "        It listens on 127.0.0.1 port 1331 unless told otherwise; an address beyond\n"
    "        this computer (e.g. 0.0.0.0) lets anyone who reaches it read those lists, and\n"
    "        it warns so at start. It logs one line per request to standard error and\n"
    "        stops on Ctrl+C.\n"
    "  list [--server NAME]\n"
    "        Lists the servers, or the databases and companies of one server.\n"
    "  --help\n"
    "        Shows this text.\n";

struct UsageError {
    QString message;
};

// The arguments of a command: options (--name value, or flags) and the rest in order.
struct Args {
    std::map<QString, QString> options;
    std::map<QString, QStringList> repeated;  // every value of an option given more than once
    QStringList flags;
    QStringList positional;

    QString option(const char* name) const
    {
        auto it = options.find(QLatin1String(name));
        return it == options.end() ? QString() : it->second;
    }
    bool has(const char* name) const { return options.count(QLatin1String(name)) || flags.contains(QLatin1String(name)); }
    QString required(const char* name) const
    {
        const QString v = option(name);
        if (v.trimmed().isEmpty())
            throw UsageError{QStringLiteral("The option --%1 is needed.").arg(QLatin1String(name))};
        return v;
    }
};

// positionalCount arguments besides the options, or up to maxPositional when given.
Args Parse(const QStringList& raw, const QStringList& valueOptions, const QStringList& flagOptions, int positionalCount,
           int maxPositional = -1)
{
    Args a;
    for (int k = 0; k < raw.size(); ++k) {
        const QString& s = raw[k];
        if (s.startsWith(QLatin1String("--"))) {
            const QString name = s.mid(2);
            if (valueOptions.contains(name)) {
                if (k + 1 >= raw.size())
                    throw UsageError{QStringLiteral("The option %1 needs a value.").arg(s)};
                a.options[name] = raw[++k];
                a.repeated[name] << a.options[name];
            } else if (flagOptions.contains(name)) {
                a.flags << name;
            } else {
                throw UsageError{QStringLiteral("Unknown option %1.").arg(s)};
            }
        } else {
            a.positional << s;
        }
    }
    if (maxPositional > positionalCount && a.positional.size() >= positionalCount && a.positional.size() <= maxPositional)
        return a;
    if (a.positional.size() != positionalCount)
        throw UsageError{QStringLiteral("%1 argument(s) expected, %2 given.").arg(positionalCount).arg(a.positional.size())};
    return a;
}

void Print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

QString RandomPassword()
{
    static const char alphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString pw;
    for (int k = 0; k < 14; ++k)
        pw += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(static_cast<int>(sizeof alphabet - 1))]);
    return pw;
}

void CreateServerCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("exec-password"), QStringLiteral("read-password")}, {}, 1);
    const QString exec = a.has("exec-password") ? a.option("exec-password") : RandomPassword();
    const QString read = a.has("read-password") ? a.option("read-password") : RandomPassword();
    erpdb::CreateServer(a.positional[0], exec, read);
    const QString name = erpdb::ResolveServerName(a.positional[0]);
    Print(QStringLiteral("Server '%1' created in %2.").arg(name, erpdb::FindServerDirectory(name)));
    if (!a.has("exec-password"))
        Print(QStringLiteral("  coexecutive password: %1").arg(exec));
    if (!a.has("read-password"))
        Print(QStringLiteral("  coreadonly password:  %1").arg(read));
}

void CreateCompanyCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server")}, {}, 3);
    // The HBServer would not offer a company whose id a logon profile cannot hold.
    const QString problem = hbprotocol::CompanyNameProblem(a.positional[0].trimmed());
    if (!problem.isEmpty())
        throw UsageError{QStringLiteral("The company id '%1' cannot be used, as a logon profile cannot hold it: %2.")
                             .arg(hbprotocol::Printable(a.positional[0]), problem)};
    erpdb::CreateCompany(a.required("server"), a.positional[0], a.positional[2], a.positional[1]);
    Print(QStringLiteral("Company '%1' created in database '%2'.").arg(a.positional[0].trimmed(), a.positional[1].trimmed()));
}

void AddUserCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server"), QStringLiteral("company")}, {}, 3);
    erpdb::AddUser(a.required("server"), a.required("company"), a.positional[0], a.positional[1], a.positional[2]);
    Print(QStringLiteral("User '%1' added.").arg(a.positional[0].trimmed()));
}

void SetPasswordCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server"), QStringLiteral("company")}, {}, 2);
    erpdb::SetUserPassword(a.required("server"), a.required("company"), a.positional[0], a.positional[1]);
    Print(QStringLiteral("Password of user '%1' set.").arg(a.positional[0].trimmed()));
}

// A password not given on the command line (where every local user sees it in the
// process list and the shell keeps it): asked for without echo at a terminal, else
// the first line of standard input.
QString ReadPassword(const QString& prompt)
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved {};
    if (terminal) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        if (::tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios quiet = saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
    }
    std::string line;
    for (int ch; (ch = std::fgetc(stdin)) != EOF && ch != '\n';)
        line += static_cast<char>(ch);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    QString password = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
    std::fill(line.begin(), line.end(), '\0');
    return password;
}

void SetLoginPasswordCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server")}, {}, 1, 2);
    const QString server = a.required("server");
    const QString password = a.positional.size() > 1
                                 ? a.positional[1]
                                 : ReadPassword(QStringLiteral("Password of login '%1': ").arg(a.positional[0].trimmed()));
    erpdb::SetLoginPassword(server, a.positional[0], password);
    Print(QStringLiteral("Password of login '%1' set.").arg(a.positional[0].trimmed()));
}

void CreateDemoCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server"), QStringLiteral("order-lines")},
                         {QStringLiteral("large"), QStringLiteral("replace"), QStringLiteral("if-missing")}, 0);
    erpdb::DemoOptions options;
    options.server = a.option("server");
    if (a.has("large"))
        options.orderLines = erpdb::kLargeDemoOrderLines;
    if (a.has("order-lines")) {
        bool ok = false;
        options.orderLines = a.option("order-lines").toLongLong(&ok);
        if (!ok || options.orderLines < 1)
            throw UsageError{QStringLiteral("--order-lines needs a whole number above 0.")};
    }
    options.replace = a.has("replace");
    if (options.replace && a.has("if-missing"))
        throw UsageError{QStringLiteral("--replace and --if-missing exclude each other.")};
    const QString server =
        erpdb::ResolveServerName(options.server.trimmed().isEmpty() ? erpdb::DefaultDemoServer() : options.server);
    if (a.has("if-missing") && erpdb::ServerExists(server) &&
        !erpdb::CompanyDatabaseName(server, QLatin1String(erpdb::kDemoCompanyID)).isEmpty()) {
        // A demo made before the HBServer existed gets its branches and second company.
        erpdb::EnsureDemoBranchesAndCompanies(server);
        Print(QStringLiteral("The demo company exists on server '%1'; nothing to do.").arg(server));
        return;
    }
    const erpdb::DemoSummary s = erpdb::CreateDemoCompany(options);
    Print(QStringLiteral("Demo company '%1' created on server '%2' in %3 s:")
              .arg(QLatin1String(erpdb::kDemoCompanyID), s.server)
              .arg(s.seconds, 0, 'f', 2));
    Print(QStringLiteral("  %1 customers, %2 products, %3 orders, %4 order lines, %5 invoices, %6 views")
              .arg(s.customers)
              .arg(s.products)
              .arg(s.orders)
              .arg(s.orderLines)
              .arg(s.invoices)
              .arg(s.views));
    Print(QStringLiteral("  file: %1").arg(erpdb::FindDatabaseFile(s.server, s.database)));
    Print(QStringLiteral("  users (user id / password):"));
    for (const erpdb::DemoUser& u : erpdb::DemoUsers())
        Print(QStringLiteral("    %1 / %2  (%3)").arg(QLatin1String(u.userId), QLatin1String(u.password),
                                                    QLatin1String(u.kind)));
}

void AddDemoProfileCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server")}, {}, 0);
    const QString server = a.option("server").trimmed().isEmpty() ? QStringLiteral("(LOCAL)") : a.option("server").trimmed();
    const DemoProfileOutcome outcome = AddDemoLogonProfile(server);
    if (!outcome.stored)
        RaiseError(vberr::ProgramDefined,
                   QStringLiteral("The logon settings could not be written: %1.").arg(RegistryStore::LastWriteFailure()));
    Print(outcome.added ? QStringLiteral("Logon profile '%1' added for server '%2'.").arg(outcome.profileName, server)
                        : QStringLiteral("Logon profile '%1' is stored already; left as it is.").arg(outcome.profileName));
    if (outcome.madeCurrent)
        Print(QStringLiteral("The logon window selects it; log on as admin / admin (or jdoe / secret)."));
}

// The write end of the pipe through which SIGINT and SIGTERM reach the event loop.
int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_stopPipe[1], &c, 1);
}

void ServeHbCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server"), QStringLiteral("port"), QStringLiteral("address")},
                         {QStringLiteral("all-servers")}, 0);
    erpdb::HbServer::Options options;
    if (a.has("port")) {
        bool ok = false;
        const int port = a.option("port").toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            throw UsageError{QStringLiteral("--port needs a port number from 1 to 65535.")};
        options.port = static_cast<quint16>(port);
    }
    if (a.has("address") && !options.address.setAddress(a.option("address").trimmed()))
        throw UsageError{QStringLiteral("--address needs an IP address, e.g. 127.0.0.1.")};
    options.allServers = a.has("all-servers");
    if (options.allServers && a.has("server"))
        throw UsageError{QStringLiteral("--server and --all-servers exclude each other.")};
    // What is served is said, never assumed: this computer's server unless named.
    const auto named = a.repeated.find(QStringLiteral("server"));
    const QStringList servers = named != a.repeated.end() ? named->second : QStringList{QStringLiteral("(LOCAL)")};
    if (!options.allServers) {
        for (const QString& server : servers) {
            const QString name = erpdb::ResolveServerName(server);
            if (!erpdb::ServerExists(name))
                throw UsageError{QStringLiteral("The server '%1' does not exist.").arg(name)};
            options.servers << name;
        }
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_stopPipe) != 0)
        RaiseError(vberr::ProgramDefined, QStringLiteral("The HBServer cannot set up its stop signal."));
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    QSocketNotifier stop(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });

    erpdb::HbServer server([](const QString& line) {
        std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    });
    QString error;
    if (!server.Listen(options, &error))
        RaiseError(vberr::ProgramDefined, error);
    QCoreApplication::exec();
    server.Close();
}

void ListCommand(const QStringList& raw)
{
    const Args a = Parse(raw, {QStringLiteral("server")}, {}, 0);
    if (!a.has("server")) {
        Print(QStringLiteral("Servers in %1:").arg(erpdb::ServersRoot()));
        const QDir root(erpdb::ServersRoot());
        for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            if (erpdb::ServerExists(name))
                Print(QStringLiteral("  ") + name);
        }
        return;
    }
    const QString server = a.option("server");
    if (!erpdb::ServerExists(server))
        throw UsageError{QStringLiteral("The server '%1' does not exist.").arg(erpdb::ResolveServerName(server))};
    Print(QStringLiteral("Server '%1' (%2):").arg(erpdb::ResolveServerName(server), erpdb::FindServerDirectory(server)));
    for (const QString& db : erpdb::DatabaseNames(server))
        Print(QStringLiteral("  database ") + db);
}

void PrintSqlServerScriptCommand(const QStringList& args)
{
    if (args.size() == 1 && args[0] == QLatin1String("system"))
        return Print(erpdb::SqlServerSystemScript());
    const std::map<QString, QString (*)(const QString&)> perCompany = {
        {QStringLiteral("company"), erpdb::SqlServerCompanyScript},
        {QStringLiteral("logins"), erpdb::SqlServerLoginsScript},
        {QStringLiteral("demo"), erpdb::SqlServerDemoScript},
    };
    const auto it = args.size() == 2 ? perCompany.find(args[0]) : perCompany.end();
    if (it == perCompany.end())
        throw UsageError{QStringLiteral("Say which script: system, or company, logins or demo with the database's name.")};
    // The name goes into the script between brackets and quotes: only a plain name.
    static const QRegularExpression name(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,63}$"));
    if (!name.match(args[1]).hasMatch() || args[1].compare(QLatin1String(erpdb::kSystemDatabase), Qt::CaseInsensitive) == 0)
        throw UsageError{QStringLiteral("'%1' is not a usable company database name: use letters, digits and '_', "
                                        "beginning with a letter, at most 64, and not CoSystem.")
                             .arg(args[1])};
    Print(it->second(args[1]));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    erpdb::InstallEmbeddedServer();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h") ||
        args[0] == QLatin1String("help")) {
        std::fputs(kHelp, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const std::map<QString, std::function<void(const QStringList&)>> commands = {
        {QStringLiteral("create-server"), CreateServerCommand},
        {QStringLiteral("create-company"), CreateCompanyCommand},
        {QStringLiteral("add-user"), AddUserCommand},
        {QStringLiteral("set-password"), SetPasswordCommand},
        {QStringLiteral("set-login-password"), SetLoginPasswordCommand},
        {QStringLiteral("create-demo"), CreateDemoCommand},
        {QStringLiteral("add-demo-profile"), AddDemoProfileCommand},
        {QStringLiteral("serve-hb"), ServeHbCommand},
        {QStringLiteral("list"), ListCommand},
        {QStringLiteral("print-sqlserver-script"), PrintSqlServerScriptCommand},
    };
    const QString command = args.takeFirst();
    auto it = commands.find(command);
    if (it == commands.end()) {
        std::fprintf(stderr, "quillon-db: unknown command '%s'. Run 'quillon-db --help' for the commands.\n",
                     command.toLocal8Bit().constData());
        return 2;
    }
    if (args.contains(QLatin1String("--help"))) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    try {
        it->second(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillon-db %s: %s\nRun 'quillon-db --help' for the commands.\n",
                     command.toLocal8Bit().constData(), e.message.toLocal8Bit().constData());
        return 2;
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-db %s: %s\n", command.toLocal8Bit().constData(),
                     e.description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
