// The help access class's operations on the machine rather than on one help
// window: registering help files in the machine-wide store, looking
// registrations up, and checking the versions of the viewer's parts.
#include "shell/HTMLHelp.h"

#include "platform/settings/RegistryStore.h"
#include "platform/help/HtmlHelpApi.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <utility>

namespace {

const std::pair<int32_t, const char*> kRequiredHH[] = {
    {16, "4.72.7290"}, {17, "4.72.7323"}, {18, "4.72.7325"}, {19, "4.72.8164.0"},
    {20, "4.73.8252"}, {21, "4.73.8412"}, {22, "4.73.8474"}, {23, "4.73.8561"},
};
const std::pair<int32_t, const char*> kRequiredIE[] = {
    {256, "4.70.1155"},      {257, "4.70.1158"},     {258, "4.70.1215"},      {259, "4.70.1300"},
    {260, "4.71.1008.3"},    {261, "4.71.1712.5"},   {262, "4.72.2106.7"},    {263, "4.72.3110.03"},
    {264, "4.72.3612.1707"}, {265, "5.00.0518.5"},   {266, "5.00.0910.1308"}, {267, "5.00.2014.213"},
    {268, "5.00.2314.1000"}, {269, "5.00.2614.3500"}, {270, "5.0.2717.2000"},
};
const std::pair<const char*, const char*> kHHNames[] = {
    {"4.72.7290.00", "1.0"},  {"4.72.7323.00", "1.1"},  {"4.72.7325.00", "1.1a"},
    {"4.72.8164.00", "1.1b"}, {"4.73.8252.00", "1.2"},  {"4.73.8412.00", "1.21"},
    {"4.73.8474.00", "1.21a"}, {"4.73.8561.00", "1.22"}, {"4.74.8566.00", "1.3"},
};
const std::pair<const char*, const char*> kIENames[] = {
    {"4.70.1155.0000", "3.0"},
    {"4.70.1158.0000", "3.0 OSR2"},
    {"4.70.1215.0000", "3.02"},
    {"4.70.1300.0000", "3.02"},
    {"4.71.1008.3000", "4.0 PP2"},
    {"4.71.1712.5000", "4.0"},
    {"4.72.2106.7000", "4.01"},
    {"4.72.3110.0300", "4.0 SP1"},
    {"4.72.3612.1707", "4.0 SP2"},
    {"5.00.0518.5000", "5.0 beta 1"},
    {"5.00.0910.1308", "5.0 beta 2"},
    {"5.00.2014.2130", "5.0"},
    {"5.00.2314.1000", "5.0a (Office 2000)"},
    {"5.00.2614.3500", "5.0b (Windows 98 SE)"},
    {"5.00.2717.2000", "5.0c (Icon Security Issue Update)"},
};

template <size_t N>
QString releaseName(const std::pair<const char*, const char*> (&table)[N], const QString& version)
{
    for (const auto& [text, name] : table)
        if (version.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(name);
    return QStringLiteral("unknown");
}

template <size_t N>
const char* required(const std::pair<int32_t, const char*> (&table)[N], int32_t code)
{
    for (const auto& [c, text] : table)
        if (c == code)
            return text;
    return nullptr;
}

QString fileNameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

// %NAME% references to the environment, as the system expands them (an unknown
// name stays as written), in at most 2047 characters.
QString expandEnvironment(const QString& text)
{
    static const QRegularExpression reference(QStringLiteral("%([^%]+)%"));
    QString out;
    qsizetype at = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(at, m.capturedStart() - at);
        const QByteArray value = qgetenv(m.captured(1).toLocal8Bit().constData());
        out += value.isNull() ? m.captured(0) : QString::fromLocal8Bit(value);
        at = m.capturedEnd();
    }
    out += text.mid(at);
    return out.left(2047);
}

}  // namespace

QString HTMLHelp::VersionText(const uint16_t v[4])
{
    const auto pad = [](uint16_t n, int width) { return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')); };
    if (static_cast<int16_t>(v[2]) > 0)
        return QString::number(v[0]) + QLatin1Char('.') + pad(v[1], 2) + QLatin1Char('.') + pad(v[2], 2) +
               QLatin1Char('.') + pad(v[3], 2);
    return QString::number(v[0]) + QLatin1Char('.') + pad(v[1], 2) + QLatin1Char('.') + pad(v[3], 4);
}

QString HTMLHelp::FriendlyHHName(const QString& versionText) { return releaseName(kHHNames, versionText); }
QString HTMLHelp::FriendlyIEName(const QString& versionText) { return releaseName(kIENames, versionText); }

bool HTMLHelp::ReadRegistryValue(const QString& root, const QString& keyPath, const QString& valueName, QString* data)
{
    // The settings store keeps the user's and the machine's keys; the other roots hold nothing here.
    const QString r = root.toUpper();
    HKEY rootKey = 0;
    if (r == QLatin1String("HKCU"))
        rootKey = HKEY_CURRENT_USER;
    else if (r == QLatin1String("HKLM"))
        rootKey = HKEY_LOCAL_MACHINE;
    else
        return false;
    HKEY key = 0;
    if (RegOpenKeyEx(rootKey, keyPath, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool found = false;
    try {
        QString name;
        uint32_t type = 0, size = 0;
        for (uint32_t index = 0; RegEnumValue(key, index, &name, &type, &size) == ERROR_SUCCESS; ++index) {
            if ((type != REG_SZ && type != REG_EXPAND_SZ) || name.compare(valueName, Qt::CaseInsensitive) != 0)
                continue;
            QString text;
            if (RegQueryValueEx(key, name, &type, &text, &size) == ERROR_SUCCESS) {
                text = text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
                *data = type == REG_EXPAND_SZ ? expandEnvironment(text) : text;
                found = true;
            }
            break;
        }
    } catch (...) {
    }
    RegCloseKey(key);
    return found;
}

int32_t HTMLHelp::GetWindowsVersion()
{
    // None of the Windows families this code knows: the system is not Windows.
    return 0;
}

QString HTMLHelp::GetLongPath(const QString& path)
{
    // Names have no short forms on this system: the long form is the path itself,
    // without the double quotes around it.
    QString p = path;
    if (p.startsWith(QLatin1Char('"')))
        p.remove(0, 1);
    if (p.endsWith(QLatin1Char('"')))
        p.chop(1);
    return p;
}

QVariant HTMLHelp::HHCheckRegistry(QString& fileToCheck)
{
    if (fileToCheck.isEmpty())
        return QVariant();
    m_HHRegFileExists = false;
    if (!CheckCHMExtension(fileToCheck))
        return false;
    const QString name = fileNameOf(fileToCheck);
    QString folder;
    if (!ReadRegistryValue(QStringLiteral("HKLM"), QString::fromLatin1(kRegistrationKey), name, &folder)) {
        m_HHRegFileName.clear();
        m_HHRegFilePath.clear();
        return false;
    }
    m_HHRegFileName = name;
    m_HHRegFilePath = GetLongPath(folder);
    QString file = m_HHRegFilePath + QLatin1Char('/') + m_HHRegFileName;
    m_HHRegFileExists = EnsureFileExists(file);
    return false;
}

void HTMLHelp::HHRegister(QString& fileToRegister)
{
    if (fileToRegister.isEmpty() || !CheckCHMExtension(fileToRegister))
        return;
    fileToRegister = GetLongPath(fileToRegister);
    HHCheckRegistry(fileToRegister);
    if (!m_HHRegFileName.isEmpty()) {
        NoticeBox(QStringLiteral("The file ") + fileToRegister + QStringLiteral(" is already registered.  ") +
                  QStringLiteral("HHRegister will not be run as no action need be taken."));
        return;
    }
    const QString given = fileToRegister;
    if (!EnsureFileExists(fileToRegister))
        return;
    if (!given.contains(QLatin1Char('/'))) {
        ErrorBox(QStringLiteral("Cannot register ") + given + QStringLiteral(" without having a supplied path.") +
                 QLatin1Char('"'));
        return;
    }
    const QString name = fileNameOf(fileToRegister);
    const QString folder = given.left(given.size() - name.size());
    HKEY key = 0;
    if (RegCreateKey(HKEY_LOCAL_MACHINE, QString::fromLatin1(kRegistrationKey), &key) != ERROR_SUCCESS) {
        ErrorBox(QStringLiteral("HTML Help Class: HHRegister Error"));
        return;
    }
    const QString data = folder + QChar(0);
    const long written = RegSetValueEx(key, name, REG_SZ, data, static_cast<uint32_t>(folder.size() + 1));
    RegCloseKey(key);
    if (written != ERROR_SUCCESS) {
        QString bare = name;
        HHCheckRegistry(bare);
    }
}

void HTMLHelp::HHUnRegister(QString& fileToUnRegister)
{
    if (fileToUnRegister.isEmpty() || !CheckCHMExtension(fileToUnRegister))
        return;
    fileToUnRegister = GetLongPath(fileToUnRegister);
    HHCheckRegistry(fileToUnRegister);
    if (m_HHRegFileName.isEmpty()) {
        NoticeBox(QStringLiteral("The file ") + fileToUnRegister + QStringLiteral(" is not registered.  ") +
                  QStringLiteral("HHUnRegister will not be run as no action need be taken."));
        return;
    }
    QString name = fileNameOf(fileToUnRegister);
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, QString::fromLatin1(kRegistrationKey), KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValue(key, name);
        RegCloseKey(key);
    }
    HHCheckRegistry(name);
}

bool HTMLHelp::GetKeyInfo(const QString& keyName, int)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyName, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    return RegCloseKey(key) == ERROR_SUCCESS;
}

bool HTMLHelp::HHInstalled()
{
    // The viewer is a part of the program, registered as present when it is.
    return HelpComponentRegistration(HelpComponent::Viewer).has_value();
}

namespace {
// Reads a part's version text into *version; shows the two failures.
void readVersion(HelpComponent component, QString* version, const QString& notRegistered, const QString& notFound,
                 const std::function<void(const QString&)>& errorBox)
{
    const auto part = HelpComponentRegistration(component);
    if (!part) {
        errorBox(notRegistered);
        return;
    }
    if (!QFileInfo::exists(part->file)) {
        errorBox(notFound);
        return;
    }
    *version = HTMLHelp::VersionText(part->version);
}
}  // namespace

void HTMLHelp::ReadHHVersion()
{
    readVersion(HelpComponent::Viewer, &m_HHVersion,
                QStringLiteral("Hhctrl.ocx is not registered.  Please install HTML Help."),
                QStringLiteral("Hhctrl.ocx is not in its registered location.  Please reinstall HTML Help."),
                [this](const QString& t) { ErrorBox(t); });
}

void HTMLHelp::ReadIEVersion()
{
    readVersion(HelpComponent::HtmlEngine, &m_IEVersion,
                QStringLiteral("Shdocvw.dll is not registered.  Please install Internet Explorer."),
                QStringLiteral("Internet Explorer is not in its registered location.  Please reinstall Internet Explorer."),
                [this](const QString& t) { ErrorBox(t); });
}

QString HTMLHelp::HHVersion()
{
    try {
        ReadHHVersion();
    } catch (...) {
    }
    return m_HHVersion;
}

QString HTMLHelp::IEVersion()
{
    try {
        ReadIEVersion();
    } catch (...) {
    }
    return m_IEVersion;
}

QString HTMLHelp::HHFriendlyName()
{
    try {
        if (m_HHVersion.isEmpty())
            ReadHHVersion();
        m_HHFriendlyName = FriendlyHHName(m_HHVersion);
    } catch (...) {
    }
    return m_HHFriendlyName;
}

QString HTMLHelp::IEFriendlyName()
{
    try {
        if (m_IEVersion.isEmpty())
            ReadIEVersion();
        m_IEFriendlyName = FriendlyIEName(m_IEVersion);
    } catch (...) {
    }
    return m_IEFriendlyName;
}

bool HTMLHelp::HHVerifyMinConfig(int32_t& minHHVersion, int32_t& minIEVersion)
{
    ReadHHVersion();
    ReadIEVersion();
    bool hhPasses = false, iePasses = false;
    // A comparison of texts, not of numbers, as the version readers write them.
    if (const char* need = required(kRequiredHH, minHHVersion))
        hhPasses = m_HHVersion.compare(QLatin1String(need), Qt::CaseInsensitive) >= 0;
    else
        m_HHVersion = QStringLiteral("unknown");
    if (const char* need = required(kRequiredIE, minIEVersion))
        iePasses = m_IEVersion.compare(QLatin1String(need), Qt::CaseInsensitive) >= 0;
    else
        m_IEVersion = QStringLiteral("unknown");
    HHFriendlyName();
    IEFriendlyName();
    return hhPasses && iePasses;
}
