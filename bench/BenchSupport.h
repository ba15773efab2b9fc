// What the benchmark programs share: their "--name value" options, a message
// box that writes its text to the error output instead of waiting for a user,
// and the logon to a company on the embedded server.
#pragma once

#include "core/StartUp.h"
#include "db/DemoCompany.h"
#include "core/clsLogonProfile.h"
#include "platform/forms/FormsRuntime.h"

#include <QEvent>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <cstdio>

namespace bench {

// "--name value" pairs of a command line; a name without a value is ignored.
class Options {
public:
    explicit Options(const QStringList& args)
    {
        for (int k = 0; k + 1 < args.size(); k += 2)
            m_values.insert(args[k], args[k + 1]);
    }
    QString Value(const char* name, const QString& fallback) const
    {
        return m_values.value(QLatin1String(name), fallback);
    }

private:
    QMap<QString, QString> m_values;
};

// One line of a message's text (a benchmark's output is one line a record).
inline QString OneLine(QString s)
{
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

// A message box would wait for a user: its text goes to the error output and
// a question is answered No.
inline void AnswerMessagesOnErrorOutput(const char* program)
{
    SetMessageBoxAnswerer([program](const MessageBoxRequest& r) {
        std::fprintf(stderr, "%s: message: %s\n", program, OneLine(r.prompt).toUtf8().constData());
        return r.buttons() == vbYesNo ? static_cast<int>(vbNo) : static_cast<int>(vbOK);
    });
}

// Counts the paints of a viewport (installed as its event filter).
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Logs on as `user` to `company` on `server`; false when refused (the
// refusal's message has gone to the error output).
inline bool LogOnTo(const QString& server, const QString& company, const QString& user, const QString& password)
{
    clsLogonProfile profile;
    profile.SQLServer = server;
    profile.Company = company;
    profile.HBServer = QStringLiteral("hbhost");
    profile.HBServerPort = 1331;
    profile.CurrentUser = user;
    profile.CurrentUserPwd = password;
    return LogOn(profile, false);
}

// Logs on with the options --server (default BENCH), --company (the demo
// company), --user and --password (admin, admin).
inline bool LogOnAsOptionsSay(const Options& options)
{
    return LogOnTo(options.Value("--server", QStringLiteral("BENCH")),
                   options.Value("--company", QString::fromLatin1(erpdb::kDemoCompanyID)),
                   options.Value("--user", QStringLiteral("admin")), options.Value("--password", QStringLiteral("admin")));
}

}  // namespace bench
