#pragma once
// The per-user settings registry: keys by path under a root (HKEY_CURRENT_USER),
// each holding typed values, kept in one human-readable file (JSON, UTF-8) under
// the XDG config directory, "$XDG_CONFIG_HOME/Harbrook Inc/Pelmora/registry.json".
//
// The calls follow the registry calls the settings code was written against:
// open a key (without creating it), create a key (with its parents), close it,
// ask a value's type and size, read its data, write a value. Results are the
// registry's numbers (0 success).
//
// - Key and value names compare without regard to case; a name keeps the
//   spelling of the call that created it.
// - A key path is a backslash-separated list of names; a single trailing
//   backslash is ignored, an empty name anywhere else is refused.
// - A text value (REG_SZ written as text) reports its size as its characters
//   plus one terminating NUL, also when the writer passed none; the data read
//   back carries that NUL. Texts are Unicode: no code page limits them.
// - Values of any other type are kept as the bytes the writer passed (a DWORD
//   as its 4 bytes, little-endian); a REG_SZ written as bytes reads back as one
//   character per byte (Windows-1252) with exactly the size written.
//
// The machine-wide keys (HKEY_LOCAL_MACHINE) are kept in a file of the same kind
// in the system's configuration folder, "<first of $XDG_CONFIG_DIRS, default
// /etc/xdg>/Harbrook Inc/Pelmora/registry.json"; a user who may not write there
// gets ERROR_ACCESS_DENIED from every write, as a restricted user would.
//
// Every call re-reads the file, so another program's writes are seen at once.
// Every write holds an exclusive lock on "registry.lock" across read, change
// and write, and replaces the file atomically (a new file renamed over the old),
// so two running programs never lose each other's values and a crash never
// leaves a half-written store. A file that cannot be read is renamed aside
// (".damaged-<time>") with a note beside it, and a fresh store is started; the
// user is to be told (TakeDamagedNotices).

#include <QByteArray>
#include <QString>
#include <cstdint>

using HKEY = uintptr_t;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;       // no such key or value
inline constexpr long ERROR_ACCESS_DENIED = 5;        // the store file cannot be written
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_BAD_PATHNAME = 161;       // an empty key name inside a path
inline constexpr long ERROR_MORE_DATA = 234;          // the buffer is smaller than the value
inline constexpr long ERROR_NO_MORE_ITEMS = 259;      // an enumeration went past the last value
inline constexpr long ERROR_LOCK_FAILED = 167;        // the store lock could not be taken
inline constexpr long ERROR_KEY_DELETED = 1018;       // an open key no longer in the store
inline constexpr long ERROR_INVALID_DATATYPE = 1804;  // a text value asked for as bytes, or the reverse

// Access asked for by RegOpenKeyEx.
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

// Where the store lives. Order: SetDirectory, then QUILLON_REGISTRY_DIR, then
// $XDG_CONFIG_HOME/Harbrook Inc/Pelmora (XDG_CONFIG_HOME defaulting to ~/.config).
class RegistryStore {
public:
    static QString Directory();
    static QString FilePath();  // Directory() + "/registry.json"
    // An empty text goes back to the environment's choice.
    static void SetDirectory(const QString& directory);
    // The machine-wide store: SetMachineDirectory, then the first absolute folder of
    // $XDG_CONFIG_DIRS (default /etc/xdg) + "/Harbrook Inc/Pelmora".
    static QString MachineDirectory();
    static QString MachineFilePath();
    static void SetMachineDirectory(const QString& directory);

    // A damaged file set aside, or a store that cannot be read at all (a folder where
    // the file should be), is to be told to the user once: the texts saying where each
    // damaged file went, or why the store cannot be read, for the per-user and the
    // machine-wide store in use, are handed out once and forgotten.
    static QStringList TakeDamagedNotices();
    // The writes that did not reach their file so far in this process, and why the
    // last of them failed (a folder where the file should be, no right to write, ...).
    static quint64 FailedWrites();
    static QString LastWriteFailure();
};

// Opens an existing key below hKey (a root or an open key); an empty subKey opens hKey itself.
long RegOpenKey(HKEY hKey, const QString& subKey, HKEY* result);
// Opens the key below hKey, creating it and any missing parents.
long RegCreateKey(HKEY hKey, const QString& subKey, HKEY* result);
// RegOpenKey with the access asked for: write access (KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
// KEY_ALL_ACCESS) is refused with ERROR_ACCESS_DENIED when the user may not write the store.
long RegOpenKeyEx(HKEY hKey, const QString& subKey, uint32_t samDesired, HKEY* result);
long RegCloseKey(HKEY hKey);

// The value at index (from 0, in the order written): its name, type and size as
// RegQueryValueEx reports them; ERROR_NO_MORE_ITEMS past the last one.
long RegEnumValue(HKEY hKey, uint32_t index, QString* valueName, uint32_t* type, uint32_t* count);
// Removes a value; ERROR_FILE_NOT_FOUND when the key holds none of that name.
long RegDeleteValue(HKEY hKey, const QString& valueName);

// The value's type and size, without data: the size of a text value in characters
// (terminating NUL included), of any other value in bytes.
long RegQueryValueEx(HKEY hKey, const QString& valueName, uint32_t* type, uint32_t* count);
// A REG_SZ value's characters. *count is the room in characters; when it is smaller
// than the value the result is ERROR_MORE_DATA and *count tells the size needed.
// On success *text holds the *count characters read (with the terminating NUL).
long RegQueryValueEx(HKEY hKey, const QString& valueName, uint32_t* type, QString* text, uint32_t* count);
// Any other value's bytes (room, size and result as above). A text value gives ERROR_INVALID_DATATYPE.
long RegQueryValueEx(HKEY hKey, const QString& valueName, uint32_t* type, QByteArray* data, uint32_t* count);

// Writes a text value (type REG_SZ only): the first count characters of text
// (a count beyond the text is refused). One trailing NUL among them is not kept
// as part of the text: the size reported stays characters plus one.
long RegSetValueEx(HKEY hKey, const QString& valueName, uint32_t type, const QString& text, uint32_t count);
// Writes a value of any type as raw bytes: the first count bytes of data.
long RegSetValueEx(HKEY hKey, const QString& valueName, uint32_t type, const QByteArray& data, uint32_t count);
