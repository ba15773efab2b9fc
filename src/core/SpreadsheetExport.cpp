#include "core/SpreadsheetExport.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SecurityRights.h"
#include "core/SessionValues.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/OdbcServers.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/spreadsheet/SpreadsheetWorkbook.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kAttention = QStringLiteral("Attention Required");
const QString kRefusal = QStringLiteral("You have insufficient security rights to perform the requested operation.");
// What the workbook keeps as its connection without the right to keep the real one.
const QString kBlankConnection =
    QStringLiteral("ODBC;DRIVER=SQL Server;SERVER=;UID=;PWD=;APP=Microsoft") + QChar(0x00AE) +
    QStringLiteral("Query;DATABASE=");
constexpr char kReadOnlyLogin[] = "coreadonly";
constexpr int kFetchRows = 2000;
// The progress dialog appears when the export lasts longer than this.
constexpr int kProgressDelayMs = 300;

SpreadsheetOpener& Opener()
{
    static SpreadsheetOpener opener;
    return opener;
}

bool OpenWithDesktop(const QString& path)
{
    if (Opener())
        return Opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

SpreadsheetWorkbook::Kind KindOfDataType(const QString& dataType)
{
    const QString t = dataType.trimmed().toLower();
    using Kind = SpreadsheetWorkbook::Kind;
    if (t.isEmpty())
        return Kind::Auto;
    if (t.contains(QLatin1String("money")) || t == QLatin1String("currency"))
        return Kind::Money;
    if (t.contains(QLatin1String("date")) || t.contains(QLatin1String("time")))
        return Kind::Date;
    if (t == QLatin1String("bit") || t.startsWith(QLatin1String("bool")))
        return Kind::Boolean;
    if (t.contains(QLatin1String("char")) || t.contains(QLatin1String("text")))
        return Kind::Text;
    return Kind::Number;
}

SpreadsheetWorkbook::Kind KindOfAdoType(int32_t type)
{
    using Kind = SpreadsheetWorkbook::Kind;
    switch (type) {
    case adCurrency:
        return Kind::Money;
    case adDate:
        return Kind::Date;
    case adBoolean:
        return Kind::Boolean;
    default:
        return Kind::Auto;
    }
}

// What the name of an export adds to its stem: " yyyy-MM-dd HH.mm.ss", at most
// " (1000)" and ".xlsx", in bytes.
constexpr int kNameSuffixBytes = 20 + 7 + 5;
// The longest file name the file systems take, in bytes.
constexpr int kMaxFileNameBytes = 255;

// A name the file system takes: no path separators, control characters or
// lone surrogates (which have no bytes of their own), cut to whole characters
// so that the file's name stays within kMaxFileNameBytes.
QString FileStem(const QString& name)
{
    QString stem;
    const QString trimmed = name.trimmed();
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar ch = trimmed.at(i);
        if (ch.isHighSurrogate() && i + 1 < trimmed.size() && trimmed.at(i + 1).isLowSurrogate()) {
            stem += ch;
            stem += trimmed.at(++i);
        } else if (ch.isSurrogate() || ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch == QLatin1Char(':') ||
                   ch.category() == QChar::Other_Control) {
            stem += QLatin1Char('_');
        } else {
            stem += ch;
        }
    }
    while (stem.startsWith(QLatin1Char('.')))
        stem.remove(0, 1);
    qsizetype keep = 0;
    int bytes = 0;
    while (keep < stem.size()) {
        const qsizetype width = stem.at(keep).isHighSurrogate() ? 2 : 1;
        const int b = static_cast<int>(stem.mid(keep, width).toUtf8().size());
        if (bytes + b > kMaxFileNameBytes - kNameSuffixBytes)
            break;
        bytes += b;
        keep += width;
    }
    stem.truncate(keep);
    return stem.trimmed().isEmpty() ? QStringLiteral("Export") : stem;
}

// The export folder, made when missing, and its folders below the cache for
// the user alone: a workbook may hold the read-only login's password.
QString MakeExportFolder()
{
    const QString folder = SpreadsheetExportFolder();
    if (!QDir().mkpath(folder))
        throw AppError(vberr::PathNotFound, QStringLiteral("The export folder '%1' cannot be created.").arg(folder));
    QString path = folder;
    for (int level = 0; level < 3; ++level) {
        chmod(QFile::encodeName(path).constData(), S_IRWXU);
        path = QFileInfo(path).absolutePath();
    }
    return folder;
}

// A new file in the export folder, created empty (for the user alone) so that
// no other export takes its name; an existing file is never replaced.
QString ReserveExportFile(const QString& name)
{
    const QString folder = MakeExportFolder();
    const QString base = folder + QLatin1Char('/') + FileStem(name) + QLatin1Char(' ') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    for (int n = 1;; ++n) {
        const QString path = base + (n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)) + QStringLiteral(".xlsx");
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        const int err = errno;
        if (err != EEXIST || n >= 1000)
            throw AppError(vberr::PathFileAccessError, QStringLiteral("The workbook '%1' cannot be created: %2")
                                                           .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
}

// One export: the query and the workbook, run on a thread of its own.
struct ExportJob {
    QString server, database, login, password;  // password in plain, wiped once used
    QString sql, path, connectionText, title;
    int boldColumns = 0;
    QStringList fieldDataTypes;

    BrandleCancelToken token = MakeCancelToken();
    std::atomic<int64_t> rows{0};
    int64_t textsCut = 0;
    std::atomic<bool> finishing{false};
    std::optional<AppError> error;
    bool cancelled = false;

    std::mutex mutex;  // guards connection against Cancel from the window's thread
    BrandleReadConnection* connection = nullptr;

    void Cancel()
    {
        token->store(true);
        std::lock_guard<std::mutex> lock(mutex);
        if (connection)
            connection->Cancel(token);
    }

    void Run()
    {
        std::unique_ptr<BrandleReadConnection> conn;
        try {
            try {
                conn = BrandleReadConnection::Open(server, database, login, password);
            } catch (...) {
                password.fill(QChar(u'\0'));
                throw;
            }
            password.fill(QChar(u'\0'));
            {
                std::lock_guard<std::mutex> lock(mutex);
                connection = conn.get();
            }
            std::unique_ptr<BrandleQueryCursor> cursor = conn->OpenReader(sql, token);
            SpreadsheetWorkbook book(path);
            book.SetDocumentProperty(QStringLiteral("Connection"), connectionText);
            book.SetDocumentProperty(QStringLiteral("CommandText"), sql);
            book.SetTitle(title);
            const QStringList names = cursor->FieldNames();
            const std::vector<int32_t> types = cursor->FieldTypes();
            std::vector<SpreadsheetWorkbook::Kind> kinds;
            for (int i = 0; i < names.size(); ++i) {
                SpreadsheetWorkbook::Kind kind =
                    i < fieldDataTypes.size() ? KindOfDataType(fieldDataTypes.at(i)) : SpreadsheetWorkbook::Kind::Auto;
                if (kind == SpreadsheetWorkbook::Kind::Auto && i < static_cast<int>(types.size()))
                    kind = KindOfAdoType(types[static_cast<size_t>(i)]);
                kinds.push_back(kind);
            }
            // One bold cell per visible column, as the list asks, would leave the last
            // heading plain: the first field is the row id. Every heading is bold.
            const int bold = boldColumns > 0 ? std::max(boldColumns, static_cast<int>(names.size())) : 0;
            book.SetHeader(names, bold, std::move(kinds));
            for (;;) {
                const std::vector<BrandleRow> batch = cursor->Fetch(kFetchRows);
                for (const BrandleRow& row : batch)
                    book.AppendRow(row);
                rows.store(book.RowsWritten());
                if (token->load())
                    throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"));
                if (static_cast<int>(batch.size()) < kFetchRows)
                    break;
            }
            cursor.reset();
            finishing.store(true);
            book.Close();
            textsCut = book.TextsCut();
            // A Cancel while the file was being finished still leaves no file.
            if (token->load())
                cancelled = true;
        } catch (const AppError& e) {
            if (e.number() == kQueryCancelledNumber || token->load())
                cancelled = true;
            else
                error = e;
        } catch (...) {
            error = ToAppError(std::current_exception());
        }
        std::lock_guard<std::mutex> lock(mutex);
        connection = nullptr;
        // conn closes as it leaves scope, after no one can reach it any more.
    }
};

// The progress dialog: rows written so far and Cancel.
class ExportProgressDialog : public QDialog {
public:
    explicit ExportProgressDialog(ExportJob& job) : QDialog(QApplication::activeWindow()), m_job(job)
    {
        setObjectName(QString::fromLatin1(kExportProgressName));
        setWindowTitle(QStringLiteral("Export"));
        setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(this);
        m_label = new QLabel(QStringLiteral("Running the query..."), this);
        m_label->setObjectName(QStringLiteral("lblProgress"));
        m_label->setMinimumWidth(320);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        auto* buttons = new QHBoxLayout;
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setObjectName(QStringLiteral("cmdCancel"));
        buttons->addStretch(1);
        buttons->addWidget(cancel);
        layout->addWidget(m_label);
        layout->addWidget(bar);
        layout->addLayout(buttons);
        connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
        connect(this, &QDialog::rejected, this, [this] {
            m_job.Cancel();
            m_label->setText(QStringLiteral("Cancelling..."));
        });
    }

    void Refresh()
    {
        if (m_job.token->load())
            return;
        const int64_t rows = m_job.rows.load();
        if (m_job.finishing.load())
            m_label->setText(QStringLiteral("Finishing the workbook (%1 rows)...").arg(QLocale().toString(rows)));
        else if (rows > 0)
            m_label->setText(QStringLiteral("%1 rows written").arg(QLocale().toString(rows)));
    }

private:
    ExportJob& m_job;
    QLabel* m_label = nullptr;
};

// Runs the job on a thread of its own; the window keeps painting meanwhile.
void RunWithProgress(ExportJob& job)
{
    ModalLoopScope modal;
    QEventLoop loop;
    ExportProgressDialog dialog(job);
    std::unique_ptr<QThread> thread(QThread::create([&job] { job.Run(); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &dialog, [&dialog] { dialog.Refresh(); });
    refresh.start(100);
    QTimer::singleShot(kProgressDelayMs, &dialog, [&dialog, &thread] {
        if (!thread->isFinished())
            dialog.show();
    });
    thread->start();
    loop.exec();
    thread->wait();
    refresh.stop();
    dialog.hide();
}

void ShowFailure(const AppError& e)
{
    SetCurrentError(e);
    TraceProc(QStringLiteral("g_cn"), QStringLiteral("ExportToExcel"));
    SetScreenMousePointer(vbDefault);
    ShowErrorMessage();
}

}  // namespace

QString SpreadsheetExportFolder()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || QDir::isRelativePath(cache))  // the XDG rule: relative paths are ignored
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/Harbrook Inc/Pelmora/exports");
}

void SetSpreadsheetOpener(SpreadsheetOpener opener) { Opener() = std::move(opener); }

QString GetExportConnectionString(bool integratedSecurity)
{
    try {
        // The server's name is the program's own; a workbook's connection must name the
        // host that the server's client configuration gives for a SQL Server.
        QString server = g_sServer;
        const std::optional<OdbcServerConfig> odbc = FindOdbcServer(g_sServer);
        if (odbc && odbc->dialect == OdbcServerConfig::Dialect::SqlServer && !odbc->host.isEmpty())
            server = odbc->host;
        QString text = QStringLiteral("ODBC;DRIVER=SQL Server;SERVER=") + server + QStringLiteral(";DATABASE=") +
                       g_sDatabase;
        if (integratedSecurity)
            return text + QStringLiteral(";TRUSTED CONNECTION=YES;INTEGRATED SECURITY=SSPI;");
        const QString enciphered = SessionEngine().EnvironmentSettings().SqlReadPassword();
        return text + QStringLiteral(";UID=coreadonly;PWD=") + CryptText(1, enciphered, SessionCipherKey(), false) +
               QStringLiteral(";");
    } catch (...) {
        return QString();
    }
}

void ExportToExcel(const QString& sql, const QString& title, const QStringList* columns, const ExportHints& hints)
{
    SetScreenMousePointer(vbHourglass);
    QCoreApplication::processEvents();

    ExportJob job;
    try {
        if ((GetRights(QStringLiteral("CoExportLists"), g_sUserID) & kRightView) == 0) {
            MsgBox(kRefusal, vbCritical, kAttention);
            SetScreenMousePointer(vbDefault);
            return;
        }
        const bool keepConnection = (GetRights(QStringLiteral("CoExportListsPassSQLConnection"), g_sUserID) & kRightView) != 0;
        const Variant method = GetRegValue(0, QStringLiteral("Config"), QStringLiteral("ExcelExportAuthMethod"));
        // Empty (the procedure did not run) counts as 0.
        const bool integrated = method.isEmpty() || (method.isNumeric() && !method.isNull() && method.toDouble() == 0);
        const QString connection = GetExportConnectionString(integrated);

        CoEnvironmentSettings& settings = SessionEngine().EnvironmentSettings();
        job.server = g_sServer;
        job.database = g_sDatabase;
        // The user's query runs as the read-only login in both cases: without
        // Windows logins the integrated case has no login of the user's own, and the
        // application login would read past the read-only login's denials.
        job.login = QString::fromLatin1(kReadOnlyLogin);
        job.password = CryptText(1, settings.SqlReadPassword(), SessionCipherKey(), false);
        job.sql = sql;
        job.title = title;
        job.connectionText = keepConnection ? connection : kBlankConnection;
        job.boldColumns = columns ? static_cast<int>(columns->size()) : 0;
        job.fieldDataTypes = hints.fieldDataTypes;
        job.path = ReserveExportFile(hints.name);
    } catch (const AppError& e) {
        job.password.fill(QChar(u'\0'));
        ShowFailure(e);
        return;
    }

    RunWithProgress(job);
    if (job.cancelled || job.error) {
        QFile::remove(job.path);
        if (job.error)
            ShowFailure(*job.error);
        SetScreenMousePointer(vbDefault);
        return;
    }

    SetScreenMousePointer(vbDefault);
    if (!OpenWithDesktop(job.path))
        MsgBox(QStringLiteral("The list was exported to the workbook\n") + QDir::toNativeSeparators(job.path) +
                   QStringLiteral("\nbut no program to open it could be started."),
               vbExclamation, kAttention);
    if (job.textsCut > 0)
        MsgBox(QStringLiteral("%1 of the exported cells held more than %2 characters, as many as a cell can hold: "
                              "their texts were cut to that length.")
                   .arg(QLocale().toString(job.textsCut), QLocale().toString(SpreadsheetWorkbook::kMaxTextLength)),
               vbExclamation, kAttention);
}
