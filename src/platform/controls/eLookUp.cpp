#include "platform/controls/eLookUp.h"

#include "base/AppError.h"
#include "platform/database/BrandleCursor.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QAbstractListModel>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>
#include <QThread>

#include <thread>

// The entries of one read: the fields of the lookup and each entry's id, text
// and whole row (ColumnValue reads any column).
struct eLookUp::Entries {
    QStringList fields;
    std::vector<int32_t> ids;
    std::vector<QString> texts;
    std::vector<std::vector<Variant>> rows;

    void Take(const QStringList& names, std::vector<std::vector<Variant>>&& read)
    {
        fields = names;
        const int idField = std::max<int>(0, static_cast<int>(names.indexOf(QStringLiteral("ID"), 0)));
        int textField = -1;
        for (int i = 0; i < names.size(); ++i) {
            if (names[i].compare(QStringLiteral("DisplayText"), Qt::CaseInsensitive) == 0)
                textField = i;
        }
        if (textField < 0)
            textField = names.size() > 1 ? 1 : 0;
        rows = std::move(read);
        ids.reserve(rows.size());
        texts.reserve(rows.size());
        for (const auto& r : rows) {
            ids.push_back(r.empty() ? -1 : r[static_cast<size_t>(idField)].toInt32());
            texts.push_back(static_cast<size_t>(textField) < r.size() ? r[static_cast<size_t>(textField)].toString()
                                                                       : QString());
        }
    }
};

// A read of the entries running on its own thread.
struct eLookUp::Worker {
    uint64_t generation = 0;
    BrandleCancelToken token;
    std::thread thread;
    std::shared_ptr<Entries> result;  // written by the thread before it ends
};

// The entries as the drop-down and the type-ahead see them.
class LookUpModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    void Set(std::shared_ptr<const eLookUp::Entries> entries)
    {
        beginResetModel();
        m_entries = std::move(entries);
        endResetModel();
    }
    const std::shared_ptr<const eLookUp::Entries>& Get() const { return m_entries; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() || !m_entries ? 0 : static_cast<int>(m_entries->texts.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!m_entries || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        return m_entries->texts[static_cast<size_t>(index.row())];
    }

private:
    std::shared_ptr<const eLookUp::Entries> m_entries;
};

namespace {

std::vector<std::vector<Variant>> ReadAll(BrandleQueryCursor& cursor)
{
    std::vector<std::vector<Variant>> rows;
    for (;;) {
        std::vector<BrandleRow> batch = cursor.Fetch(4096);
        for (BrandleRow& r : batch)
            rows.push_back(std::move(r));
        if (cursor.AtEnd() || batch.empty())
            return rows;
    }
}

}  // namespace

eLookUp::eLookUp(QWidget* parent) : QWidget(parent)
{
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("combo"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    // Sizing by the contents would measure every entry of a large lookup.
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combo->setMinimumContentsLength(12);
    m_combo->setMaxVisibleItems(16);
    m_model = new LookUpModel(this);
    m_combo->setModel(m_model);
    if (auto* list = qobject_cast<QListView*>(m_combo->view()))
        list->setUniformItemSizes(true);
    auto* completer = new QCompleter(m_model, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setMaxVisibleItems(16);
    if (auto* list = qobject_cast<QListView*>(completer->popup()))
        list->setUniformItemSizes(true);
    m_combo->setCompleter(completer);
    m_combo->setCurrentIndex(-1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_combo);
    setFocusProxy(m_combo);
    m_combo->lineEdit()->installEventFilter(this);

    connect(m_combo, qOverload<int>(&QComboBox::activated), this, [this](int row) {
        const auto& entries = m_model->Get();
        if (entries && row >= 0 && static_cast<size_t>(row) < entries->ids.size())
            choose(entries->ids[static_cast<size_t>(row)], true);
    });
    connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), this, [this](const QModelIndex& index) {
        // The completer's rows stand for rows of the whole model.
        auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model());
        const QModelIndex source = proxy ? proxy->mapToSource(index) : index;
        const auto& entries = m_model->Get();
        if (entries && source.isValid() && static_cast<size_t>(source.row()) < entries->ids.size())
            choose(entries->ids[static_cast<size_t>(source.row())], true);
    });
    connect(m_combo->lineEdit(), &QLineEdit::returnPressed, this, [this] { commitTypedText(); });
}

eLookUp::~eLookUp() { cancelLoad(); }

void eLookUp::Init(const BrandleDatabasePtr& connection, const QString& lookupName)
{
    // The name is put into the statement as it is: it must be a plain name.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!connection || !plainName.match(lookupName).hasMatch())
        RaiseError(vberr::InvalidProcedureCall);
    cancelLoad();
    m_connection = connection;
    m_lookupName = lookupName;
    m_filter.clear();
    m_selectedID = -1;
    m_reader = BrandleReadConnection::OpenBeside(*connection);
    load();
}

void eLookUp::SetFilter(const QString& whereText)
{
    if (!m_connection)
        RaiseError(vberr::ObjectNotSet);
    m_filter = whereText;
    load();
}

QString eLookUp::statement() const
{
    QString sql = QStringLiteral("SELECT * FROM ") + m_lookupName;
    // On lines of its own, so that a comment closing the text cannot swallow the bracket.
    if (!m_filter.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE (\n") + m_filter + QStringLiteral("\n)");
    return sql;
}

void eLookUp::load()
{
    cancelLoad();
    const uint64_t generation = ++m_generation;
    const QString sql = statement();
    if (!m_reader) {
        // No connection of our own: read on this thread, as one read-only query.
        auto entries = std::make_shared<Entries>();
        try {
            BrandleRecordsetPtr rs;
            m_connection->OpenReadOnlyRecordset(sql, rs);
            QStringList names;
            for (int i = 0; i < rs->FieldCount(); ++i)
                names << rs->FieldName(i);
            std::vector<std::vector<Variant>> rows;
            for (rs->MoveFirst(); rs->HasRecord(); rs->MoveNext()) {
                std::vector<Variant> r;
                for (int i = 0; i < rs->FieldCount(); ++i)
                    r.push_back(rs->Item(i));
                rows.push_back(std::move(r));
            }
            m_connection->CloseRecordset(rs);
            entries->Take(names, std::move(rows));
        } catch (const AppError&) {
            m_model->Set(std::make_shared<Entries>());
            choose(-1, false);
            emit Loaded();
            throw;
        }
        m_model->Set(entries);
        showChoice();
        emit Loaded();
        return;
    }

    // The statement is checked here, before anything runs; the rows are read on a thread.
    BrandleCancelToken token = MakeCancelToken();
    std::unique_ptr<BrandleQueryCursor> cursor;
    try {
        cursor = m_reader->OpenCursor(sql, {}, token);
    } catch (const AppError&) {
        m_model->Set(std::make_shared<Entries>());
        choose(-1, false);
        emit Loaded();
        throw;
    }
    m_loading = true;
    m_worker = std::make_unique<Worker>();
    m_worker->generation = generation;
    m_worker->token = token;
    Worker* worker = m_worker.get();
    m_worker->thread = std::thread([this, worker, generation, c = std::shared_ptr<BrandleQueryCursor>(std::move(cursor))] {
        auto entries = std::make_shared<Entries>();
        try {
            entries->Take(c->FieldNames(), ReadAll(*c));
        } catch (...) {
            // A cancelled or failed read offers nothing.
            entries = std::make_shared<Entries>();
        }
        worker->result = std::move(entries);
        QMetaObject::invokeMethod(this, [this, generation] { finishLoad(generation, nullptr); }, Qt::QueuedConnection);
    });
}

void eLookUp::cancelLoad()
{
    if (!m_worker)
        return;
    if (m_reader)
        m_reader->Cancel(m_worker->token);
    if (m_worker->thread.joinable())
        m_worker->thread.join();
    m_worker.reset();
    m_loading = false;
}

void eLookUp::finishLoad(uint64_t generation, std::shared_ptr<Entries>)
{
    if (!m_worker || m_worker->generation != generation)
        return;
    if (m_worker->thread.joinable())
        m_worker->thread.join();
    std::shared_ptr<Entries> entries = std::move(m_worker->result);
    m_worker.reset();
    m_loading = false;
    m_model->Set(entries ? entries : std::make_shared<Entries>());
    showChoice();
    emit Loaded();
}

void eLookUp::waitForRead() const
{
    if (m_worker)
        const_cast<eLookUp*>(this)->finishLoad(m_worker->generation, nullptr);
}

bool eLookUp::WaitUntilLoaded(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (m_loading && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return !m_loading;
}

int eLookUp::entryIndex(int32_t id) const
{
    const auto& entries = m_model->Get();
    if (!entries || id == -1)
        return -1;
    for (size_t i = 0; i < entries->ids.size(); ++i)
        if (entries->ids[i] == id)
            return static_cast<int>(i);
    return -1;
}

void eLookUp::SetSelectedID(int32_t id)
{
    if (m_loading) {
        // Checked against the entries when they have been read.
        m_selectedID = id < 0 ? -1 : id;
        return;
    }
    m_selectedID = entryIndex(id) >= 0 ? id : -1;
    showChoice();
}

void eLookUp::choose(int32_t id, bool raise)
{
    const int32_t before = m_selectedID;
    m_selectedID = entryIndex(id) >= 0 ? id : -1;
    showChoice();
    if (raise && m_selectedID != before)
        emit Changed(m_selectedID);
}

void eLookUp::showChoice()
{
    if (!m_loading && entryIndex(m_selectedID) < 0)
        m_selectedID = -1;
    m_showing = true;
    const int row = entryIndex(m_selectedID);
    m_combo->setCurrentIndex(row);
    m_combo->setEditText(row >= 0 ? m_model->Get()->texts[static_cast<size_t>(row)] : QString());
    m_showing = false;
}

QString eLookUp::ColumnValue(const QString& columnName) const
{
    waitForRead();
    const auto& entries = m_model->Get();
    int field = -1;
    if (entries) {
        for (int i = 0; i < entries->fields.size(); ++i)
            if (entries->fields[i].compare(columnName, Qt::CaseInsensitive) == 0)
                field = i;
    }
    const int row = entryIndex(m_selectedID);
    if (row < 0)
        return QString();
    if (field < 0)
        RaiseError(vberr::InvalidProcedureCall);
    const Variant& v = entries->rows[static_cast<size_t>(row)][static_cast<size_t>(field)];
    return v.isNull() ? QString() : v.toString();
}

QString eLookUp::DisplayText() const
{
    waitForRead();
    const int row = entryIndex(m_selectedID);
    return row < 0 ? QString() : m_model->Get()->texts[static_cast<size_t>(row)];
}

int eLookUp::EntryCount() const
{
    const auto& entries = m_model->Get();
    return entries ? static_cast<int>(entries->ids.size()) : 0;
}

void eLookUp::applyTypeAhead(const QString& text)
{
    QCompleter* completer = m_combo->completer();
    completer->setCompletionPrefix(text);
    if (!text.isEmpty() && isVisible())
        completer->complete();
}

void eLookUp::TypeText(const QString& text)
{
    m_combo->lineEdit()->setText(text);
    applyTypeAhead(text);
}

int eLookUp::OfferedCount() const { return m_combo->completer()->completionCount(); }

QString eLookUp::OfferedText(int row) const
{
    QAbstractItemModel* offered = m_combo->completer()->completionModel();
    return offered->data(offered->index(row, 0)).toString();
}

void eLookUp::ChooseOffered(int row)
{
    QAbstractItemModel* offered = m_combo->completer()->completionModel();
    const QModelIndex index = offered->index(row, 0);
    if (!index.isValid())
        RaiseError(vberr::InvalidProcedureCall);
    emit m_combo->completer()->activated(index);
}

void eLookUp::commitTypedText()
{
    if (m_showing)
        return;
    const QString text = m_combo->lineEdit()->text();
    if (text.trimmed().isEmpty()) {
        choose(-1, true);
        return;
    }
    const auto& entries = m_model->Get();
    if (entries) {
        if (m_selectedID != -1 && entryIndex(m_selectedID) >= 0 &&
            entries->texts[static_cast<size_t>(entryIndex(m_selectedID))].compare(text, Qt::CaseInsensitive) == 0) {
            showChoice();
            return;
        }
        for (size_t i = 0; i < entries->texts.size(); ++i) {
            if (entries->texts[i].compare(text, Qt::CaseInsensitive) == 0) {
                choose(entries->ids[i], true);
                return;
            }
        }
    }
    // A text that names no entry: the choice stays.
    showChoice();
}

bool eLookUp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_combo->lineEdit()) {
        if (event->type() == QEvent::FocusOut && !m_combo->completer()->popup()->isVisible())
            commitTypedText();
    }
    return QWidget::eventFilter(watched, event);
}
