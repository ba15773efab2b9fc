#include "platform/settings/RegistryStore.h"

#include "platform/settings/RegistryStoreJson.h"

#include "base/AnsiCodePage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

using namespace registrystore;

namespace {

constexpr int kLockTimeoutMs = 10000;

bool sameName(const QString& a, const QString& b) { return a.toUpper() == b.toUpper(); }

bool samePath(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!sameName(a[i], b[i]))
            return false;
    return true;
}

bool startsWith(const QStringList& path, const QStringList& prefix)
{
    if (prefix.size() > path.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (!sameName(path[i], prefix[i]))
            return false;
    return true;
}

StoredKey* findKey(Store& s, const QStringList& path)
{
    for (auto& k : s.keys)
        if (samePath(k.path, path))
            return &k;
    return nullptr;
}

// A key exists when it was stored itself or as the parent of a stored key.
bool keyExists(const Store& s, const QStringList& path)
{
    if (path.size() == 1)
        return true;  // a root
    return std::any_of(s.keys.begin(), s.keys.end(), [&](const StoredKey& k) { return startsWith(k.path, path); });
}

StoredKey& findOrAddKey(Store& s, const QStringList& path)
{
    if (auto* k = findKey(s, path))
        return *k;
    s.keys.push_back(StoredKey{path, {}});
    return s.keys.back();
}

StoredValue* findValue(StoredKey& k, const QString& name)
{
    for (auto& v : k.values)
        if (sameName(v.name, name))
            return &v;
    return nullptr;
}


struct Handles {
    std::map<HKEY, QStringList> open;
    HKEY next = 0x1000;
};

Handles& handles()
{
    static Handles h;
    return h;
}

std::optional<QStringList> pathOfHandle(HKEY hKey)
{
    if (auto r = roots().find(hKey); r != roots().end())
        return QStringList{r->second};
    if (auto o = handles().open.find(hKey); o != handles().open.end())
        return o->second;
    return std::nullopt;
}

long resolve(HKEY hKey, const QString& subKey, QStringList* out)
{
    auto base = pathOfHandle(hKey);
    if (!base)
        return ERROR_INVALID_HANDLE;
    QStringList path = *base;
    if (!subKey.isEmpty()) {
        QStringList parts = subKey.split(QLatin1Char('\\'));
        if (parts.size() > 1 && parts.last().isEmpty())
            parts.removeLast();
        for (const auto& p : parts)
            if (p.isEmpty())
                return ERROR_BAD_PATHNAME;
        path += parts;
    }
    *out = path;
    return ERROR_SUCCESS;
}

HKEY newHandle(const QStringList& path)
{
    auto& h = handles();
    const HKEY id = h.next++;
    h.open[id] = path;
    return id;
}

// ---------------------------------------------------------------- the file
QString& directoryOverride()
{
    static QString d;
    return d;
}

QString& machineDirectoryOverride()
{
    static QString d;
    return d;
}

// The machine-wide keys live in a file of their own, the per-user ones in the user's.
QString directoryOf(const QStringList& path)
{
    return path.first() == QLatin1String("HKEY_LOCAL_MACHINE") ? RegistryStore::MachineDirectory()
                                                                : RegistryStore::Directory();
}

QString fileIn(const QString& dir) { return dir + QStringLiteral("/registry.json"); }

QString lockPath(const QString& dir) { return dir + QStringLiteral("/registry.lock"); }

// An exclusive lock between processes, held while a write reads, changes and
// replaces the store. flock: the kernel releases it when a holder dies.
class StoreLock {
public:
    explicit StoreLock(const QString& dir)
    {
        QDir().mkpath(dir);
        m_fd = ::open(QFile::encodeName(lockPath(dir)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            // A folder the user may not write (the machine-wide one, as a rule) refuses access.
            m_denied = errno == EACCES || errno == EROFS || errno == EPERM || errno == ENOENT || errno == ENOTDIR;
            return;
        }
        for (int waited = 0;; ++waited) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
                m_locked = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                break;
            if (waited >= kLockTimeoutMs)
                break;
            QThread::msleep(1);
        }
    }
    ~StoreLock()
    {
        if (m_fd >= 0) {
            if (m_locked)
                ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    bool locked() const { return m_locked; }
    long failure() const { return m_denied ? ERROR_ACCESS_DENIED : ERROR_LOCK_FAILED; }

private:
    int m_fd = -1;
    bool m_locked = false;
    bool m_denied = false;
};


// ---------------------------------------------------------------- what the user is to be told
struct DamagedNotice {
    QString dir;
    QString text;
};

struct Notices {
    QMutex mutex;
    std::vector<DamagedNotice> damaged;
    QStringList toldUnreadable;  // each store that cannot be read is told of once
    quint64 failedWrites = 0;
    QString lastWriteFailure;
};

Notices& notices()
{
    static Notices n;
    return n;
}

// A write that did not reach the file, and why; the result to return.
long writeFailed(long rc, const QString& why)
{
    Notices& n = notices();
    QMutexLocker lock(&n.mutex);
    ++n.failedWrites;
    n.lastWriteFailure = why;
    return rc;
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

// A store that cannot be read at all leaves every setting at its default: said once.
long unreadable(const QString& dir, const QString& reason)
{
    // The machine-wide store is the administrator's: a user is told of his own.
    if (dir != RegistryStore::Directory())
        return ERROR_ACCESS_DENIED;
    Notices& n = notices();
    QMutexLocker lock(&n.mutex);
    if (!n.toldUnreadable.contains(dir)) {
        n.toldUnreadable << dir;
        n.damaged.push_back({dir, QStringLiteral("Your settings cannot be read, because %1.\n\nThe program goes on "
                                                 "without them (the logon profiles included), and no setting can be "
                                                 "saved until this is put right.")
                                      .arg(reason)});
    }
    return ERROR_ACCESS_DENIED;
}

enum class ReadResult { Ok, Damaged, Unreadable };

ReadResult readFile(const QString& dir, Store* out, QString* reason)
{
    QFile f(fileIn(dir));
    if (!f.exists()) {
        *out = Store{};
        return ReadResult::Ok;
    }
    if (QFileInfo(f.fileName()).isDir()) {
        *reason = QStringLiteral("%1 is a folder, not a file").arg(shown(f.fileName()));
        return ReadResult::Unreadable;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("%1 cannot be read: %2").arg(shown(f.fileName()), f.errorString());
        return ReadResult::Unreadable;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        *reason = QStringLiteral("%1 cannot be read: %2").arg(shown(f.fileName()), f.errorString());
        return ReadResult::Unreadable;
    }
    return parse(data, out, reason) ? ReadResult::Ok : ReadResult::Damaged;
}

bool writeFile(const QString& dir, const Store& s, QString* reason)
{
    QDir().mkpath(dir);
    QSaveFile f(fileIn(dir));
    const QByteArray data = serialise(s);
    const bool written = f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    if (written && f.commit())
        return true;
    *reason = QStringLiteral("%1 cannot be written: %2").arg(shown(fileIn(dir)), f.errorString());
    if (written)
        return false;
    f.cancelWriting();
    return false;
}

// Renames the damaged file aside, writes a note beside it and starts a fresh store.
// Called with the lock held.
bool setAside(const QString& dir, const QString& reason)
{
    const QString file = fileIn(dir);
    const QDateTime now = QDateTime::currentDateTime();
    const QString stem = file + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral(".txt")); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(file, aside)) {
        writeFailed(ERROR_ACCESS_DENIED,
                    QStringLiteral("the damaged %1 could not be moved aside").arg(shown(file)));
        return false;
    }
    QFile note(aside + QStringLiteral(".txt"));
    if (note.open(QIODevice::WriteOnly | QIODevice::Text)) {
        const QString text = QStringLiteral(
                                 "Quillon could not read its settings store\n"
                                 "  %1\n"
                                 "on %2, because %3.\n\n"
                                 "The file was kept unchanged as\n"
                                 "  %4\n"
                                 "and a fresh, empty store was started in its place. Settings the kept\n"
                                 "file still holds can be copied back into the new store by hand.\n")
                                 .arg(QDir::toNativeSeparators(file), now.toString(Qt::ISODate), reason,
                                      QDir::toNativeSeparators(aside));
        note.write(text.toUtf8());
    }
    {
        Notices& n = notices();
        QMutexLocker lock(&n.mutex);
        n.damaged.push_back(
            {dir, QStringLiteral("Your settings could not be read from\n  %1\nbecause %2.\n\n"
                                 "The file was kept unchanged as\n  %3\nwith a note beside it, and your settings "
                                 "start afresh: the logon profiles and window settings kept in it are no longer "
                                 "used. They can be copied back from the kept file by hand.")
                      .arg(shown(file), reason, shown(aside))});
    }
    QString why;
    if (!writeFile(dir, Store{}, &why)) {
        writeFailed(ERROR_ACCESS_DENIED, why);
        return false;
    }
    return true;
}

// Reads the store for a call that does not write. A damaged file is set aside
// (under the lock, after a second look: another program may have done it already).
long readStore(const QString& dir, Store* out)
{
    QString reason;
    switch (readFile(dir, out, &reason)) {
    case ReadResult::Ok: return ERROR_SUCCESS;
    case ReadResult::Unreadable: return unreadable(dir, reason);
    case ReadResult::Damaged: break;
    }
    StoreLock lock(dir);
    if (!lock.locked())
        return lock.failure();
    switch (readFile(dir, out, &reason)) {
    case ReadResult::Ok: return ERROR_SUCCESS;
    case ReadResult::Unreadable: return unreadable(dir, reason);
    case ReadResult::Damaged: break;
    }
    *out = Store{};
    return setAside(dir, reason) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Runs change on the store under the lock and writes the result when change says so.
template <class F>
long modifyStore(const QString& dir, F&& change)
{
    StoreLock lock(dir);
    if (!lock.locked())
        return writeFailed(lock.failure(), lock.failure() == ERROR_ACCESS_DENIED
                                               ? QStringLiteral("the folder %1 may not be written").arg(shown(dir))
                                               : QStringLiteral("%1 stayed locked by another program")
                                                     .arg(shown(lockPath(dir))));
    Store s;
    QString reason;
    switch (readFile(dir, &s, &reason)) {
    case ReadResult::Ok: break;
    case ReadResult::Unreadable: return writeFailed(ERROR_ACCESS_DENIED, reason);
    case ReadResult::Damaged:
        if (!setAside(dir, reason))
            return ERROR_ACCESS_DENIED;
        s = Store{};
        break;
    }
    bool changed = false;
    const long rc = change(s, changed);
    if (rc != ERROR_SUCCESS || !changed)
        return rc;
    return writeFile(dir, s, &reason) ? ERROR_SUCCESS : writeFailed(ERROR_ACCESS_DENIED, reason);
}

// The value an open key holds under a name.
long lookUp(HKEY hKey, const QString& valueName, StoredValue* out)
{
    auto path = pathOfHandle(hKey);
    if (!path)
        return ERROR_INVALID_HANDLE;
    Store s;
    if (const long rc = readStore(directoryOf(*path), &s); rc != ERROR_SUCCESS)
        return rc;
    StoredKey* k = findKey(s, *path);
    if (!k)
        return keyExists(s, *path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    StoredValue* v = findValue(*k, valueName);
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    *out = *v;
    return ERROR_SUCCESS;
}

uint32_t sizeOf(const StoredValue& v)
{
    return v.isText ? static_cast<uint32_t>(v.text.size() + 1) : static_cast<uint32_t>(v.bytes.size());
}

bool isTextType(uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

long storeValue(HKEY hKey, const QString& valueName, StoredValue value)
{
    auto path = pathOfHandle(hKey);
    if (!path)
        return ERROR_INVALID_HANDLE;
    if (path->size() == 1)
        return ERROR_ACCESS_DENIED;  // no values directly under a root
    return modifyStore(directoryOf(*path), [&](Store& s, bool& changed) {
        // A key that vanished with a damaged store is made again rather than losing the value.
        StoredKey& k = findOrAddKey(s, *path);
        if (StoredValue* v = findValue(k, valueName)) {
            value.name = v->name;
            *v = std::move(value);
        } else {
            value.name = valueName;
            k.values.push_back(std::move(value));
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

}  // namespace

// ---------------------------------------------------------------- public
QString RegistryStore::Directory()
{
    if (!directoryOverride().isEmpty())
        return directoryOverride();
    const QString env = qEnvironmentVariable("QUILLON_REGISTRY_DIR");
    if (!env.isEmpty())
        return env;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))  // the XDG rule: relative paths are ignored
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Harbrook Inc/Pelmora");
}

QString RegistryStore::FilePath() { return fileIn(Directory()); }

QStringList RegistryStore::TakeDamagedNotices()
{
    const QString users = Directory();
    const QString machine = MachineDirectory();
    Notices& n = notices();
    QMutexLocker lock(&n.mutex);
    QStringList taken;
    std::vector<DamagedNotice> kept;
    for (DamagedNotice& notice : n.damaged) {
        if (notice.dir == users || notice.dir == machine)
            taken << notice.text;
        else
            kept.push_back(std::move(notice));
    }
    n.damaged = std::move(kept);
    return taken;
}

quint64 RegistryStore::FailedWrites()
{
    Notices& n = notices();
    QMutexLocker lock(&n.mutex);
    return n.failedWrites;
}

QString RegistryStore::LastWriteFailure()
{
    Notices& n = notices();
    QMutexLocker lock(&n.mutex);
    return n.lastWriteFailure;
}

void RegistryStore::SetDirectory(const QString& directory) { directoryOverride() = directory; }

QString RegistryStore::MachineDirectory()
{
    if (!machineDirectoryOverride().isEmpty())
        return machineDirectoryOverride();
    // The first absolute folder of XDG_CONFIG_DIRS; relative entries are ignored.
    QString config;
    for (const QString& dir : qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (!QDir::isRelativePath(dir)) {
            config = dir;
            break;
        }
    if (config.isEmpty())
        config = QStringLiteral("/etc/xdg");
    return config + QStringLiteral("/Harbrook Inc/Pelmora");
}

QString RegistryStore::MachineFilePath() { return fileIn(MachineDirectory()); }

void RegistryStore::SetMachineDirectory(const QString& directory) { machineDirectoryOverride() = directory; }

long RegOpenKey(HKEY hKey, const QString& subKey, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    QStringList path;
    if (const long rc = resolve(hKey, subKey, &path); rc != ERROR_SUCCESS)
        return rc;
    if (path.size() == 1) {
        *result = hKey;
        return ERROR_SUCCESS;
    }
    Store s;
    if (const long rc = readStore(directoryOf(path), &s); rc != ERROR_SUCCESS)
        return rc;
    if (!keyExists(s, path))
        return ERROR_FILE_NOT_FOUND;
    *result = newHandle(path);
    return ERROR_SUCCESS;
}

long RegCreateKey(HKEY hKey, const QString& subKey, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    QStringList path;
    if (const long rc = resolve(hKey, subKey, &path); rc != ERROR_SUCCESS)
        return rc;
    if (path.size() == 1) {
        *result = hKey;
        return ERROR_SUCCESS;
    }
    // Parents exist through their children: storing the key itself makes them.
    const long rc = modifyStore(directoryOf(path), [&](Store& s, bool& changed) {
        if (!keyExists(s, path)) {
            s.keys.push_back(StoredKey{path, {}});
            changed = true;
        }
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = newHandle(path);
    return ERROR_SUCCESS;
}

long RegCloseKey(HKEY hKey)
{
    if (roots().count(hKey))
        return ERROR_SUCCESS;
    return handles().open.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

long RegQueryValueEx(HKEY hKey, const QString& valueName, uint32_t* type, uint32_t* count)
{
    StoredValue v;
    if (const long rc = lookUp(hKey, valueName, &v); rc != ERROR_SUCCESS)
        return rc;
    if (type)
        *type = v.type;
    if (count)
        *count = sizeOf(v);
    return ERROR_SUCCESS;
}

namespace {

// A value read into a caller's buffer of *count bytes, as text or as bytes. Its
// type is reported even when it does not suit the buffer or does not fit (then
// *count says the size it needs).
long readValue(HKEY hKey, const QString& valueName, uint32_t* type, uint32_t* count, bool asText, StoredValue* v)
{
    if (const long rc = lookUp(hKey, valueName, v); rc != ERROR_SUCCESS)
        return rc;
    if (type)
        *type = v->type;
    if (asText ? !v->isText && !isTextType(v->type) : v->isText)
        return ERROR_INVALID_DATATYPE;
    const uint32_t size = sizeOf(*v);
    const bool fits = size <= *count;
    *count = size;
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

}  // namespace

long RegQueryValueEx(HKEY hKey, const QString& valueName, uint32_t* type, QString* text, uint32_t* count)
{
    if (!text || !count)
        return ERROR_INVALID_PARAMETER;
    StoredValue v;
    if (const long rc = readValue(hKey, valueName, type, count, true, &v); rc != ERROR_SUCCESS)
        return rc;
    // A text value carries the NUL the store reports; text written as bytes is what was written.
    *text = v.isText ? v.text + QChar(0) : AnsiTextFromBytes(v.bytes);
    return ERROR_SUCCESS;
}

long RegQueryValueEx(HKEY hKey, const QString& valueName, uint32_t* type, QByteArray* data, uint32_t* count)
{
    if (!data || !count)
        return ERROR_INVALID_PARAMETER;
    StoredValue v;
    if (const long rc = readValue(hKey, valueName, type, count, false, &v); rc != ERROR_SUCCESS)
        return rc;
    *data = v.bytes;
    return ERROR_SUCCESS;
}

long RegSetValueEx(HKEY hKey, const QString& valueName, uint32_t type, const QString& text, uint32_t count)
{
    if (type != REG_SZ || count > static_cast<uint64_t>(text.size()))
        return ERROR_INVALID_PARAMETER;
    StoredValue v;
    v.type = REG_SZ;
    v.isText = true;
    v.text = text.left(count);
    if (v.text.endsWith(QChar(0)))
        v.text.chop(1);
    return storeValue(hKey, valueName, std::move(v));
}

long RegSetValueEx(HKEY hKey, const QString& valueName, uint32_t type, const QByteArray& data, uint32_t count)
{
    if (count > static_cast<uint64_t>(data.size()))
        return ERROR_INVALID_PARAMETER;
    StoredValue v;
    v.type = type;
    v.bytes = data.left(count);
    return storeValue(hKey, valueName, std::move(v));
}

long RegOpenKeyEx(HKEY hKey, const QString& subKey, uint32_t samDesired, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    QStringList path;
    if (const long rc = resolve(hKey, subKey, &path); rc != ERROR_SUCCESS)
        return rc;
    HKEY opened = 0;
    if (const long rc = RegOpenKey(hKey, subKey, &opened); rc != ERROR_SUCCESS)
        return rc;
    // Write access is what the store's folder allows this user.
    if (samDesired & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) {
        const QString dir = directoryOf(path);
        const QFileInfo file(fileIn(dir));
        const bool writable = file.exists() ? file.isWritable() : QFileInfo(dir).isWritable();
        if (!writable) {
            RegCloseKey(opened);
            return ERROR_ACCESS_DENIED;
        }
    }
    *result = opened;
    return ERROR_SUCCESS;
}

long RegEnumValue(HKEY hKey, uint32_t index, QString* valueName, uint32_t* type, uint32_t* count)
{
    auto path = pathOfHandle(hKey);
    if (!path)
        return ERROR_INVALID_HANDLE;
    Store s;
    if (const long rc = readStore(directoryOf(*path), &s); rc != ERROR_SUCCESS)
        return rc;
    StoredKey* k = findKey(s, *path);
    if (!k)
        return keyExists(s, *path) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
    if (index >= k->values.size())
        return ERROR_NO_MORE_ITEMS;
    const StoredValue& v = k->values[index];
    if (valueName)
        *valueName = v.name;
    if (type)
        *type = v.type;
    if (count)
        *count = sizeOf(v);
    return ERROR_SUCCESS;
}

long RegDeleteValue(HKEY hKey, const QString& valueName)
{
    auto path = pathOfHandle(hKey);
    if (!path)
        return ERROR_INVALID_HANDLE;
    return modifyStore(directoryOf(*path), [&](Store& s, bool& changed) {
        StoredKey* k = findKey(s, *path);
        if (!k)
            return keyExists(s, *path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        for (auto it = k->values.begin(); it != k->values.end(); ++it)
            if (sameName(it->name, valueName)) {
                k->values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        return ERROR_FILE_NOT_FOUND;
    });
}
