#pragma once
// The help viewer's programming interface: one call, HtmlHelp, with the commands
// and records the help access class was written against, and the viewer's parts
// (the viewer, its HTML engine) with their versions.
//
// The help file is a Qt compressed help file (built from the HTML pages in help/
// at build time), opened by QHelpEngine; the viewer is HelpWindow. A target text
// names the file and, after ">", a window type ("quillon.chm>quillon"); a popup's
// text file inside the help file follows "::/" ("quillon.chm::/popups.txt").

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

class QWidget;

// Commands (the viewer's numbers).
enum HtmlHelpCommand : uint32_t {
    HH_DISPLAY_TOPIC = 0,
    HH_DISPLAY_TOC = 1,
    HH_DISPLAY_INDEX = 2,
    HH_DISPLAY_SEARCH = 3,
    HH_KEYWORD_LOOKUP = 13,
    HH_DISPLAY_TEXT_POPUP = 14,
    HH_HELP_CONTEXT = 15,
    HH_CLOSE_ALL = 18,
    HH_ALINK_LOOKUP = 19,
};

// A text the caller may pass as a null pointer.
using OptionalText = std::optional<QString>;

// The full-text search record.
struct HH_FTS_QUERY {
    int32_t cbStruct = 32;
    bool fUniCodeStrings = false;
    OptionalText pszSearchQuery;
    int32_t iProximity = 0;
    bool fStemmedSearch = false;
    bool fTitleOnly = false;
    bool fExecute = false;
    OptionalText pszWindow;
};

// The keyword and associative-link lookup record. Keywords are separated by ";".
struct HH_AKLINK {
    int32_t cbStruct = 32;
    bool fReserved = false;
    OptionalText pszKeywords;
    OptionalText pszUrl;       // shown when nothing is found
    OptionalText pszMsgText;   // or this message, when nothing is found
    OptionalText pszMsgTitle;
    OptionalText pszWindow;
    bool fIndexOnFail = false;
};

// The text popup record. Colours are red in the low byte; -1 margins take the viewer's own.
struct HH_POPUP {
    int32_t cbStruct = 52;
    uintptr_t hinst = 0;
    uint32_t idString = 0;
    OptionalText pszText;
    QPoint pt;
    int32_t clrForeground = -1;
    int32_t clrBackground = -1;
    QRect rcMargins{QPoint(-1, -1), QPoint(-1, -1)};
    OptionalText pszFont;  // "face, size, charset, styles"
};

using HtmlHelpData = std::variant<std::monostate, uintptr_t, QString, HH_FTS_QUERY, HH_AKLINK, HH_POPUP>;

// One call as the viewer received it.
struct HtmlHelpCall {
    QWidget* owner = nullptr;
    OptionalText file;
    uint32_t command = 0;
    HtmlHelpData data;
};

// Asks the viewer to do something; returns the help window that shows the
// result, or nullptr (a popup, a close, a failure the viewer reported itself).
QWidget* HtmlHelp(QWidget* owner, const OptionalText& file, uint32_t command, const HtmlHelpData& data = {});

// Tests see every call; the observer returns true to let the viewer carry it out.
using HtmlHelpObserver = std::function<bool(const HtmlHelpCall&)>;
void SetHtmlHelpObserver(HtmlHelpObserver observer);

// Puts the window's application into What's This? mode (the next click on a
// control shows its What's This? text).
void EnterWhatsThisMode(QWidget* window);

// ---- The viewer's parts, as an installer would register them.
enum class HelpComponent { Viewer, HtmlEngine };
struct HelpComponentInfo {
    QString file;          // where its code lives
    uint16_t version[4]{}; // the file version: major, minor, third, fourth
};
// The registered part; nothing when it is not registered.
std::optional<HelpComponentInfo> HelpComponentRegistration(HelpComponent component);
// Tests replace the registrations; nullptr restores the real ones.
void SetHelpComponentRegistration(std::function<std::optional<HelpComponentInfo>(HelpComponent)> lookup);
