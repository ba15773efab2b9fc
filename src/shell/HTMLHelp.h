#pragma once
// Puts the help viewer at the disposal of the program's forms. Holds the help
// file's name and the display settings as properties, checks the file before it
// shows anything and opens the viewer in one of its modes: a topic by path or by
// context id, the full-text search, a keyword or associative-link lookup, the
// index, the contents, a text popup, What's This? mode, or closing every help
// window. It also registers help files in the machine-wide store, so that a bare
// file name finds its folder, and checks the versions of the viewer's parts.
// Its own problems are message boxes captioned "HTML Help Class".
//
// Folders are written with "/" on this system; where a Windows help class looked
// for "\" this one looks for "/".

#include <QString>
#include <QVariant>
#include <cstdint>

class QWidget;

class HTMLHelp {
public:
    // ---- Display operations. callingForm: the calling form's window (nullptr
    // with HHShowOnTop True is refused with a message).
    void HHDisplayTopicURL(QWidget* callingForm);
    void HHDisplayTopicID(QWidget* callingForm);
    void HHDisplaySearch(QWidget* callingForm);
    void HHDisplayKeyword(QWidget* callingForm);
    void HHDisplayIndex(QWidget* callingForm);
    void HHDisplayContents(QWidget* callingForm);
    void HHDisplayALink(QWidget* callingForm);

    // ---- Registration (the machine-wide store, "Software\Microsoft\Windows\HTML Help").
    void HHRegister(QString& fileToRegister);
    void HHUnRegister(QString& fileToUnRegister);
    // Sets HHRegFileName, HHRegFilePath, HHRegFileExists; returns False, or an
    // empty value for an empty name.
    QVariant HHCheckRegistry(QString& fileToCheck);

    // Closes every help window.
    void HHClose();
    // 1: the program's folder and "/Library.chm"; 2: "Library.txt"; otherwise empty.
    QString HHSetHelpFile(int16_t intSelHelpFile);
    void HHDisplayPopup(QWidget* callingForm);
    void HHInvokeWhatsThisHelp(QWidget* callingForm);
    bool HHVerifyMinConfig(int32_t& minHHVersion, int32_t& minIEVersion);
    // A bare name is resolved (registered folder, else the program's folder) and
    // written back; False after the missing-file message.
    bool EnsureFileExists(QString& fileToFind);
    bool GetKeyInfo(const QString& keyName, int indent);
    int32_t GetWindowsVersion();

    // ---- Properties.
    QString HHWindow() const { return m_HHWindow; }
    void SetHHWindow(const QString& v) { m_HHWindow = v; }
    QString HHTopicURL() const { return m_HHTopicURL; }
    void SetHHTopicURL(const QString& v) { m_HHTopicURL = v; }
    int32_t HHTopicID() const { return m_HHTopicID; }
    void SetHHTopicID(int32_t v) { m_HHTopicID = v; }
    QString HHMsgTitle() const { return m_HHMsgTitle; }
    void SetHHMsgTitle(const QString& v) { m_HHMsgTitle = v; }
    QString HHMsgText() const { return m_HHMsgText; }
    void SetHHMsgText(const QString& v) { m_HHMsgText = v; }
    QString HHKeyword() const { return m_HHKeyword; }
    void SetHHKeyword(const QString& v) { m_HHKeyword = v; }
    QString HHDefaultURL() const { return m_HHDefaultURL; }
    void SetHHDefaultURL(const QString& v) { m_HHDefaultURL = v; }
    QString HHALink() const { return m_HHALink; }
    void SetHHALink(const QString& v) { m_HHALink = v; }
    QString CHMFile() const { return m_CHMFile; }
    void SetCHMFile(const QString& v) { m_CHMFile = v; }
    bool HHShowOnTop() const { return m_HHShowOnTop; }
    void SetHHShowOnTop(bool v) { m_HHShowOnTop = v; }
    QString HHRegFileName() const { return m_HHRegFileName; }
    QString HHRegFilePath() const { return m_HHRegFilePath; }
    bool HHRegFileExists() const { return m_HHRegFileExists; }
    void SetHHPopupFile(const QString& v) { m_HHPopupFile = v; }
    void SetHHPopupID(int32_t v) { m_HHPopupID = v; }
    void SetHHPopupText(const QString& v) { m_HHPopupText = v; }
    void SetHHPopupType(int32_t v) { m_HHPopupType = v; }
    void SetHHPopupTextColor(int32_t v) { m_HHPopupTextColor = v; }
    void SetHHPopupBackColor(int32_t v) { m_HHPopupBackColor = v; }
    void SetHHPopupCustomTextColor(int32_t v) { m_HHPopupCustomTextColor = v; }
    void SetHHPopupCustomBackColor(int32_t v) { m_HHPopupCustomBackColor = v; }
    bool HHPopupCustomColors() const { return m_HHPopupCustomColors; }
    void SetHHPopupCustomColors(bool v) { m_HHPopupCustomColors = v; }
    void SetHHPopupTextFont(const QString& v) { m_HHPopupTextFont = v; }
    void SetHHPopupTextSize(const QString& v) { m_HHPopupTextSize = v; }
    void SetHHPopupTextBold(bool v) { m_HHPopupTextBold = v; }
    void SetHHPopupTextItalic(bool v) { m_HHPopupTextItalic = v; }
    void SetHHPopupTextUnderline(bool v) { m_HHPopupTextUnderline = v; }
    // The viewer is present (its part is registered).
    bool HHInstalled();
    QString HHVersion();
    QString IEVersion();
    QString HHFriendlyName();
    QString IEFriendlyName();

    // The popup settings as they stand (written only, as a rule; the tests read them).
    struct PopupSettings {
        int32_t type, id, textColor, backColor, customTextColor, customBackColor;
        QString file, text, font, size;
        bool bold, italic, underline;
    };
    PopupSettings PopupState() const;

    // The text of a version file number as the version readers write it.
    static QString VersionText(const uint16_t version[4]);
    static QString FriendlyHHName(const QString& versionText);
    static QString FriendlyIEName(const QString& versionText);

    static constexpr const char* kCaption = "HTML Help Class";
    static constexpr const char* kRegistrationKey = "Software\\Microsoft\\Windows\\HTML Help";

private:
    // The shared steps of the display operations: the checks, the target, the owner.
    bool Prepare(QWidget* callingForm, QString* target, QWidget** owner, bool windowInTarget = true);
    bool CheckCHMExtension(const QString& fileName);
    bool CheckPopupExtension(const QString& fileName);
    void ErrorBox(const QString& text);
    void NoticeBox(const QString& text);
    bool ReadRegistryValue(const QString& root, const QString& keyPath, const QString& valueName, QString* data);
    QString GetLongPath(const QString& path);
    void ReadHHVersion();
    void ReadIEVersion();
    bool HasWindowType() const { return !m_HHWindow.trimmed().isEmpty(); }

    QString m_HHWindow, m_HHTopicURL, m_HHMsgTitle, m_HHMsgText, m_HHKeyword, m_HHDefaultURL, m_HHALink, m_CHMFile;
    int32_t m_HHTopicID = 0;
    bool m_HHShowOnTop = false;
    QString m_HHRegFileName, m_HHRegFilePath;
    bool m_HHRegFileExists = false;
    QString m_HHPopupFile, m_HHPopupText;
    int32_t m_HHPopupID = 0, m_HHPopupType = 0;
    int32_t m_HHPopupTextColor = 0, m_HHPopupBackColor = 0, m_HHPopupCustomTextColor = 0, m_HHPopupCustomBackColor = 0;
    bool m_HHPopupCustomColors = false;
    QString m_HHPopupTextFont, m_HHPopupTextSize;
    bool m_HHPopupTextBold = false, m_HHPopupTextItalic = false, m_HHPopupTextUnderline = false;
    QString m_HHVersion, m_IEVersion, m_HHFriendlyName, m_IEFriendlyName;
};
