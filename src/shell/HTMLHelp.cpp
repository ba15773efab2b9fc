#include "shell/HTMLHelp.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/Resources.h"
#include "platform/help/HtmlHelpApi.h"

#include <QCursor>
#include <QFileInfo>

namespace {

const QString kNoFormMessage = QStringLiteral(
    "The HHDisplayContents method was called without a form being specified, while HHShowOnTop was set to True.");
constexpr int32_t kContentsContextId = 17130;

OptionalText nullWhenEmpty(const QString& text)
{
    return text.isEmpty() ? OptionalText() : OptionalText(text);
}

// The calling form is missing where the help window needs an owner.
struct NoCallingForm {};

}  // namespace

void HTMLHelp::ErrorBox(const QString& text)
{
    MsgBox(text, vbOKOnly | vbCritical, QString::fromLatin1(kCaption));
}

void HTMLHelp::NoticeBox(const QString& text)
{
    MsgBox(text, vbOKOnly | vbInformation, QString::fromLatin1(kCaption));
}

bool HTMLHelp::CheckCHMExtension(const QString& fileName)
{
    if (fileName.right(3).compare(QLatin1String("chm"), Qt::CaseInsensitive) == 0)
        return true;
    ErrorBox(fileName + QStringLiteral(" is not a valid HTML Help file."));
    return false;
}

bool HTMLHelp::CheckPopupExtension(const QString& fileName)
{
    if (fileName.right(3).compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
        return true;
    ErrorBox(QStringLiteral("The file specified as the text popup source, '") + fileName +
             QStringLiteral("', is not a valid popup file."));
    return false;
}

bool HTMLHelp::EnsureFileExists(QString& fileToFind)
{
    if (!fileToFind.contains(QLatin1Char('/'))) {
        HHCheckRegistry(fileToFind);
        if (!m_HHRegFileName.isEmpty())
            fileToFind = m_HHRegFilePath + m_HHRegFileName;
        else
            fileToFind = App().path + QLatin1Char('/') + fileToFind;
    }
    if (QFileInfo::exists(fileToFind))
        return true;
    ErrorBox(QStringLiteral("The file ") + fileToFind + QStringLiteral(" does not exist.") + QChar(10) +
             QStringLiteral("Please make sure the correct path and file name have been specified."));
    return false;
}

bool HTMLHelp::Prepare(QWidget* callingForm, QString* target, QWidget** owner, bool windowInTarget)
{
    // A check that fails, by its answer or by an error, ends the operation.
    try {
        if (!CheckCHMExtension(m_CHMFile) || !EnsureFileExists(m_CHMFile))
            return false;
    } catch (...) {
        return false;
    }
    bool withWindow = false;
    try {
        withWindow = windowInTarget && HasWindowType();
    } catch (...) {
    }
    *target = withWindow ? m_CHMFile + QLatin1Char('>') + m_HHWindow : m_CHMFile;
    if (m_HHShowOnTop && !callingForm)
        throw NoCallingForm{};
    *owner = m_HHShowOnTop ? callingForm : nullptr;
    return true;
}

// Runs a display operation: a missing calling form ends it with its message,
// any other error is passed over.
template <class F>
static void RunDisplay(HTMLHelp* help, F&& operation)
{
    try {
        operation();
    } catch (const NoCallingForm&) {
        MsgBox(kNoFormMessage, vbOKOnly | vbCritical, QString::fromLatin1(HTMLHelp::kCaption));
    } catch (...) {
    }
}

void HTMLHelp::HHDisplayTopicURL(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (Prepare(callingForm, &target, &owner))
            HtmlHelp(owner, target, HH_DISPLAY_TOPIC, m_HHTopicURL);
    });
}

void HTMLHelp::HHDisplayTopicID(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (Prepare(callingForm, &target, &owner))
            HtmlHelp(owner, target, HH_HELP_CONTEXT, static_cast<uintptr_t>(static_cast<uint32_t>(m_HHTopicID)));
    });
}

void HTMLHelp::HHDisplaySearch(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (!Prepare(callingForm, &target, &owner))
            return;
        HH_FTS_QUERY query;
        query.fUniCodeStrings = false;
        query.pszSearchQuery = QString();
        query.iProximity = 0;
        query.fStemmedSearch = false;
        query.fTitleOnly = false;
        query.fExecute = true;
        query.pszWindow = QString();
        HtmlHelp(owner, target, HH_DISPLAY_SEARCH, query);
    });
}

void HTMLHelp::HHDisplayIndex(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (Prepare(callingForm, &target, &owner))
            HtmlHelp(owner, target, HH_DISPLAY_INDEX, uintptr_t(0));
    });
}

void HTMLHelp::HHDisplayContents(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (!Prepare(callingForm, &target, &owner))
            return;
        // A window type with an owner opens the program's own first topic there.
        if (HasWindowType() && m_HHShowOnTop)
            HtmlHelp(owner, target, HH_HELP_CONTEXT, uintptr_t(kContentsContextId));
        else
            HtmlHelp(owner, target, HH_DISPLAY_TOC, uintptr_t(0));
    });
}

namespace {
HH_AKLINK linkRecord(const QString& keywords, const QString& url, const QString& msgText, const QString& msgTitle,
                     const QString& window)
{
    HH_AKLINK link;
    link.fReserved = false;
    link.pszKeywords = keywords;
    link.pszUrl = nullWhenEmpty(url);
    link.pszMsgText = nullWhenEmpty(msgText);
    link.pszMsgTitle = nullWhenEmpty(msgTitle);
    link.pszWindow = window.trimmed().isEmpty() ? OptionalText() : OptionalText(window);
    link.fIndexOnFail = false;
    return link;
}
}  // namespace

void HTMLHelp::HHDisplayKeyword(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (!Prepare(callingForm, &target, &owner))
            return;
        // The file opens at its default topic first, then the lookup runs on the file alone.
        HtmlHelp(owner, target, HH_DISPLAY_TOPIC, uintptr_t(0));
        HtmlHelp(owner, m_CHMFile, HH_KEYWORD_LOOKUP,
                 linkRecord(m_HHKeyword, m_HHDefaultURL, m_HHMsgText, m_HHMsgTitle, m_HHWindow));
    });
}

void HTMLHelp::HHDisplayALink(QWidget* callingForm)
{
    RunDisplay(this, [&] {
        QString target;
        QWidget* owner = nullptr;
        if (!Prepare(callingForm, &target, &owner, false))
            return;
        HtmlHelp(owner, m_CHMFile, HH_ALINK_LOOKUP,
                 linkRecord(m_HHALink, m_HHDefaultURL, m_HHMsgText, m_HHMsgTitle, m_HHWindow));
    });
}

void HTMLHelp::HHClose()
{
    try {
        HtmlHelp(nullptr, m_CHMFile, HH_CLOSE_ALL, uintptr_t(0));
    } catch (...) {
    }
}

QString HTMLHelp::HHSetHelpFile(int16_t intSelHelpFile)
{
    switch (intSelHelpFile) {
    case 1: return App().path + QStringLiteral("/Library.chm");
    case 2: return QStringLiteral("Library.txt");
    default: return QString();
    }
}

void HTMLHelp::HHDisplayPopup(QWidget* callingForm)
{
    if (m_HHPopupType == 0)
        return;
    if (m_HHPopupType == 1 && (!CheckCHMExtension(m_CHMFile) || !EnsureFileExists(m_CHMFile)))
        return;

    HH_POPUP popup;
    popup.hinst = 0;
    popup.pt = QCursor::pos();
    if (m_HHPopupType == 2) {
        popup.pszText = LoadResString(m_HHPopupID);
        popup.idString = 0;
    } else if (m_HHPopupType == 4) {
        if (m_HHPopupText.isEmpty())
            return;
        popup.pszText = m_HHPopupText;
        popup.idString = 0;
    } else {
        popup.idString = static_cast<uint32_t>(m_HHPopupID);
        popup.pszText = std::nullopt;
    }
    popup.clrForeground = m_HHPopupCustomColors ? m_HHPopupCustomTextColor : m_HHPopupTextColor;
    popup.clrBackground = m_HHPopupCustomColors ? m_HHPopupCustomBackColor : m_HHPopupBackColor;
    popup.rcMargins = QRect(QPoint(-1, -1), QPoint(-1, -1));
    if (m_HHPopupTextFont.isEmpty())
        m_HHPopupTextFont = QStringLiteral("Arial");
    if (m_HHPopupTextSize.isEmpty())
        m_HHPopupTextSize = QStringLiteral("10");
    QString font = m_HHPopupTextFont + QStringLiteral(", ") + m_HHPopupTextSize + QStringLiteral(", ascii, ");
    if (m_HHPopupTextBold)
        font += QStringLiteral("Bold ");
    if (m_HHPopupTextItalic)
        font += QStringLiteral("Italic ");
    if (m_HHPopupTextUnderline)
        font += QStringLiteral("Underline");
    popup.pszFont = font;

    switch (m_HHPopupType) {
    case 1:
        if (!CheckPopupExtension(m_HHPopupFile))
            return;
        HtmlHelp(callingForm, m_CHMFile + QStringLiteral("::/") + m_HHPopupFile, HH_DISPLAY_TEXT_POPUP, popup);
        break;
    case 2:
    case 4: HtmlHelp(callingForm, std::nullopt, HH_DISPLAY_TEXT_POPUP, popup); break;
    default: return;
    }
    // The formatting goes back to its defaults after every popup shown.
    m_HHPopupTextColor = m_HHPopupBackColor = m_HHPopupCustomTextColor = m_HHPopupCustomBackColor = 0;
    m_HHPopupTextFont = QStringLiteral("Arial");
    m_HHPopupTextSize = QStringLiteral("10");
    m_HHPopupTextBold = m_HHPopupTextItalic = m_HHPopupTextUnderline = false;
}

void HTMLHelp::HHInvokeWhatsThisHelp(QWidget* callingForm) { EnterWhatsThisMode(callingForm); }

HTMLHelp::PopupSettings HTMLHelp::PopupState() const
{
    return PopupSettings{m_HHPopupType,        m_HHPopupID,         m_HHPopupTextColor,
                         m_HHPopupBackColor,   m_HHPopupCustomTextColor, m_HHPopupCustomBackColor,
                         m_HHPopupFile,        m_HHPopupText,       m_HHPopupTextFont,
                         m_HHPopupTextSize,    m_HHPopupTextBold,   m_HHPopupTextItalic,
                         m_HHPopupTextUnderline};
}
