#pragma once
// Incremental, time-limited type-ahead over the entries of one combo box, and the
// combo box it works with.
//
// ComboBox is the program's combo box: a QComboBox with the members the forms use
// (ListIndex, Text, SelStart/SelLength, Tag, item data) and the list operations
// the type-ahead needs (find by prefix, open/close the list). Its Click is raised
// for every selection, by the user or by code.
//
// ComboBoxHelper serves one ComboBox given as its Client: it receives the combo
// box's key presses, clicks and focus loss itself. Every typed character extends a
// search text; the first entry beginning with it is selected, the untyped rest of
// that entry selected in the edit field and the list opened. The search text is
// forgotten after a pause longer than TimeLimit, a navigation key, Enter and a
// lost focus.

#include "platform/forms/VbKeys.h"

#include <QComboBox>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

class QKeyEvent;

// The character code a key press delivers (0 for none: navigation and function
// keys, Delete).
int VbKeyAscii(const QKeyEvent* e);
// Whether a key (by key code) is down now, as far as the program's windows have
// seen its presses and releases.
bool AsyncKeyDown(int vbKeyCode);

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    // The selected entry, -1 for none. Setting it selects the entry (the text
    // follows) and raises Click; an index outside -1..ListCount-1 fails with 380.
    int32_t ListIndex() const { return currentIndex(); }
    void SetListIndex(int32_t index);
    QString Text() const { return currentText(); }
    int32_t ListCount() const { return count(); }
    QString List(int32_t index) const { return itemText(index); }
    // Appends an entry; its item data starts at 0.
    void AddItem(const QString& text);
    void Clear() { clear(); }
    int32_t ItemData(int32_t index) const;
    void SetItemData(int32_t index, int32_t data);

    // The selected range of the edit text. Without an edit field (a drop-down
    // list) the values are kept and change nothing on screen.
    int SelStart() const;
    int SelLength() const;
    void SetSelStart(int start);
    void SetSelLength(int length);

    QString Tag;

    // The first entry after start (wrapping around to the top) whose text begins
    // with prefix, compared without regard to case; start -1 searches the whole
    // list from the top. -1 when none matches.
    int32_t FindString(int32_t start, const QString& prefix) const;
    // Opens or closes the drop-down list.
    void ShowDropdown(bool open);
    bool DroppedState() const;

    // The list drops down below the box (above it when the screen ends first).
    void showPopup() override;

signals:
    void Click();

private:
    int m_selStart = 0;
    int m_selLength = 0;
};

class ComboBoxHelper : public QObject {
    Q_OBJECT
public:
    ComboBoxHelper();
    ~ComboBoxHelper() override;

    // nullptr detaches. Anything but a ComboBox fails with kObjectErrorBase + 1
    // "Client property must be of type ComboBox." and keeps the previous client.
    void SetClient(QWidget* control);
    ComboBox* Client() const;

    // Milliseconds; a value of 0 or below is kept as 0.
    void SetTimeLimit(int32_t milliseconds);
    int32_t TimeLimit() const;
    void SetAudibleError(bool value);
    bool AudibleError() const;
    void SetAutoDropdown(bool value);
    bool AutoDropdown() const;
    void SetDisableSearching(bool value);
    bool DisableSearching() const;
    void SetAllowTypeOnNoMatch(bool value);
    bool AllowTypeOnNoMatch() const;

    // One search step for a typed character; the result is the code the combo box
    // is to receive (0 swallows the key). The client's key presses come here by
    // themselves.
    int16_t KeyPress(int16_t keyAscii);

    // The clock the time limit reads (the local time to the whole second); and the
    // beep of a character that matches nothing. Tests replace them; nullptr restores.
    static void SetClock(std::function<QDateTime()> clock);
    static void SetBeeper(std::function<void()> beeper);

signals:
    // A selection of the client's, by the user or by a search step; not while Tab is down.
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HighlightGuess(int start);
    void Dropdown();
    void m_List_Click();
    void m_List_KeyDown(int keyCode);
    void m_List_LostFocus();
    void Attach(ComboBox* combo);
    void Detach();

    bool m_AutoDropdown = true;
    bool m_AudibleError = false;
    int32_t m_LastIndex = -1;
    double m_LastKeyTime = 0;
    bool m_SearchPending = false;
    int32_t m_TimeLimit = 20000;
    bool m_DisableSearching = false;
    bool m_AllowTypeOnNoMatch = false;
    QPointer<ComboBox> m_List;
    QMetaObject::Connection m_clickConnection;
    QString m_SearchText;
    bool m_SearchActive = false;
};
