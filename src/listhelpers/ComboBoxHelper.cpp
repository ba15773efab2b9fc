#include "listhelpers/ComboBoxHelper.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSet>
#include <cmath>

// ---------------------------------------------------------------- keys

int VbKeyAscii(const QKeyEvent* e)
{
    if (e->key() == Qt::Key_Delete || e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)
        return 0;
    const QString text = e->text();
    if (text.isEmpty())
        return 0;
    const char16_t c = text.at(0).unicode();
    return c == 0x7f ? 0 : int(c);
}

namespace {

// Records which keys are down, from the presses and releases the program sees.
class KeyStateTracker : public QObject {
public:
    static KeyStateTracker& instance()
    {
        static KeyStateTracker* tracker = [] {
            auto* t = new KeyStateTracker;
            if (QCoreApplication* app = QCoreApplication::instance()) {
                t->setParent(app);
                app->installEventFilter(t);
            }
            return t;
        }();
        return *tracker;
    }
    bool isDown(int code) const { return m_down.contains(code); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* e = static_cast<QKeyEvent*>(event);
            // An event travelling to several receivers is seen again each time; the set
            // does not mind.
            if (!e->isAutoRepeat()) {
                if (const int code = VbKeyCode(e->key())) {
                    if (event->type() == QEvent::KeyPress)
                        m_down.insert(code);
                    else
                        m_down.remove(code);
                }
            }
        } else if (event->type() == QEvent::ApplicationDeactivate) {
            m_down.clear();
        }
        return false;
    }

private:
    QSet<int> m_down;
};

std::function<QDateTime()> g_clock;
std::function<void()> g_beeper;

// Now, as a day count with the time of day as its fraction, to the whole second.
double Now()
{
    const QDateTime now = g_clock ? g_clock() : QDateTime::currentDateTime();
    const qint64 days = QDate(1899, 12, 30).daysTo(now.date());
    const int seconds = now.time().msecsSinceStartOfDay() / 1000;
    return double(days) + double(seconds) / 86400.0;
}

void Beep()
{
    if (g_beeper)
        g_beeper();
    else
        QApplication::beep();
}

const char* const kObjectName = "ComboBoxHelper";

}  // namespace

bool AsyncKeyDown(int vbKeyCode) { return KeyStateTracker::instance().isDown(vbKeyCode); }

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    setInsertPolicy(QComboBox::NoInsert);
    KeyStateTracker::instance();
    // A selection by the user: picked from the list, or moved to with the keys.
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { emit Click(); });
}

void ComboBox::SetListIndex(int32_t index)
{
    if (index < -1 || index >= count())
        RaiseError(380, QStringLiteral("Invalid property value"));
    setCurrentIndex(index);
    if (DroppedState() && index >= 0)
        view()->setCurrentIndex(model()->index(index, modelColumn(), rootModelIndex()));
    if (lineEdit()) {
        m_selStart = int(currentText().size());
        m_selLength = 0;
    }
    emit Click();
}

void ComboBox::AddItem(const QString& text) { addItem(text, QVariant(int32_t(0))); }

int32_t ComboBox::ItemData(int32_t index) const
{
    if (index < 0 || index >= count())
        RaiseError(381, QStringLiteral("Invalid property array index"));
    return itemData(index).toInt();
}

void ComboBox::SetItemData(int32_t index, int32_t data)
{
    if (index < 0 || index >= count())
        RaiseError(381, QStringLiteral("Invalid property array index"));
    setItemData(index, QVariant(data));
}

int ComboBox::SelStart() const
{
    if (QLineEdit* edit = lineEdit())
        return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    return m_selStart;
}

int ComboBox::SelLength() const
{
    if (QLineEdit* edit = lineEdit())
        return int(edit->selectedText().size());
    return m_selLength;
}

void ComboBox::SetSelStart(int start)
{
    const int length = int(currentText().size());
    m_selStart = std::clamp(start, 0, lineEdit() ? length : std::max(start, 0));
    m_selLength = 0;
    if (QLineEdit* edit = lineEdit())
        edit->setCursorPosition(m_selStart);
}

void ComboBox::SetSelLength(int length)
{
    m_selLength = std::max(length, 0);
    if (QLineEdit* edit = lineEdit()) {
        m_selLength = std::min(m_selLength, int(edit->text().size()) - m_selStart);
        edit->setSelection(m_selStart, m_selLength);
    }
}

int32_t ComboBox::FindString(int32_t start, const QString& prefix) const
{
    const int32_t n = count();
    if (n == 0)
        return -1;
    const int32_t from = (start < 0 || start >= n) ? -1 : start;
    for (int32_t k = 1; k <= n; ++k) {
        const int32_t i = (from + k) % n;
        if (itemText(i).startsWith(prefix, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

void ComboBox::ShowDropdown(bool open)
{
    if (open && !DroppedState())
        showPopup();
    else if (!open && DroppedState())
        hidePopup();
}

void ComboBox::showPopup()
{
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (!popup || popup == window())
        return;
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        if (at.y() + popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - popup->height());
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - popup->width())));
    }
    popup->move(at);
}

bool ComboBox::DroppedState() const { return view() && view()->isVisible(); }

// ---------------------------------------------------------------- ComboBoxHelper

ComboBoxHelper::ComboBoxHelper() = default;

ComboBoxHelper::~ComboBoxHelper() { Detach(); }

void ComboBoxHelper::SetClient(QWidget* control)
{
    if (control && QString::fromLatin1(control->metaObject()->className()) != QLatin1String("ComboBox"))
        RaiseError(vberr::kObjectErrorBase + 1, QStringLiteral("Client property must be of type ComboBox."),
                   QStringLiteral("ClsCoreComboExtend.Client"));
    Detach();
    if (control)
        Attach(static_cast<ComboBox*>(control));
    m_LastKeyTime = Now();
}

ComboBox* ComboBoxHelper::Client() const
{
    return Traced(kObjectName, "Client", [&] { return m_List.data(); });
}

void ComboBoxHelper::Attach(ComboBox* combo)
{
    m_List = combo;
    combo->installEventFilter(this);
    combo->view()->installEventFilter(this);
    m_clickConnection = connect(combo, &ComboBox::Click, this, [this] {
        RunEventHandler(kObjectName, "m_List_Click", [this] { m_List_Click(); });
    });
}

void ComboBoxHelper::Detach()
{
    if (m_List) {
        m_List->removeEventFilter(this);
        if (m_List->view())
            m_List->view()->removeEventFilter(this);
    }
    disconnect(m_clickConnection);
    m_List = nullptr;
}

void ComboBoxHelper::SetTimeLimit(int32_t milliseconds)
{
    Traced(kObjectName, "TimeLimit", [&] { m_TimeLimit = milliseconds > 0 ? milliseconds : 0; });
}
int32_t ComboBoxHelper::TimeLimit() const { return m_TimeLimit; }
void ComboBoxHelper::SetAudibleError(bool value) { m_AudibleError = value; }
bool ComboBoxHelper::AudibleError() const { return m_AudibleError; }
void ComboBoxHelper::SetAutoDropdown(bool value) { m_AutoDropdown = value; }
bool ComboBoxHelper::AutoDropdown() const { return m_AutoDropdown; }
void ComboBoxHelper::SetDisableSearching(bool value) { m_DisableSearching = value; }
bool ComboBoxHelper::DisableSearching() const { return m_DisableSearching; }
void ComboBoxHelper::SetAllowTypeOnNoMatch(bool value) { m_AllowTypeOnNoMatch = value; }
bool ComboBoxHelper::AllowTypeOnNoMatch() const { return m_AllowTypeOnNoMatch; }

void ComboBoxHelper::SetClock(std::function<QDateTime()> clock) { g_clock = std::move(clock); }
void ComboBoxHelper::SetBeeper(std::function<void()> beeper) { g_beeper = std::move(beeper); }

int16_t ComboBoxHelper::KeyPress(int16_t keyAscii)
{
    return Traced(kObjectName, "KeyPress", [&]() -> int16_t {
        if (!m_List)
            RaiseError(vberr::ObjectNotSet);
        ComboBox& list = *m_List;
        int32_t start = 0;
        bool changed = false;

        // Whole seconds between two readings of the clock (each taken to the second).
        const double elapsed = std::round((Now() - m_LastKeyTime) * 86400.0);
        if (m_SearchActive && elapsed > double(m_TimeLimit) / 1000.0)
            m_SearchActive = false;

        if (m_SearchActive && m_SearchPending && !m_DisableSearching) {
            start = -1;
            m_LastIndex = -1;
        } else {
            m_SearchText.clear();
            m_SearchActive = true;
            start = list.ListIndex();
        }

        if (keyAscii == vbkey::Back) {
            if (!m_SearchText.isEmpty()) {
                m_SearchText.chop(1);
                changed = true;
            }
        } else if (keyAscii == vbkey::Return) {
            // The entry the running search found (or the selection as it is) stays chosen.
            const int32_t index = list.ListIndex();
            list.SetListIndex(index);
            list.SetSelStart(int(list.Text().size()));
            list.SetSelLength(0);
            list.ShowDropdown(false);
            m_SearchActive = false;
            changed = false;
            m_SearchPending = false;
        } else if (keyAscii >= 32) {
            m_SearchText += QChar(char16_t(keyAscii));
            changed = true;
        }

        m_SearchPending = changed;

        int16_t result = keyAscii;
        if (!m_SearchText.isEmpty() && changed) {
            Dropdown();
            const int32_t found = list.FindString(start, m_SearchText);
            if (found == -1 && m_AllowTypeOnNoMatch) {
                m_LastKeyTime = Now();
                return keyAscii;
            }
            if (found == -1) {
                m_SearchText.chop(1);
                if (m_AudibleError)
                    Beep();
            } else {
                list.Tag = QStringLiteral("0");
                list.SetListIndex(found);
                list.Tag = QStringLiteral("1");
            }
            HighlightGuess(int(m_SearchText.size()));
            m_LastKeyTime = Now();
            result = 0;
        }

        if (!m_AllowTypeOnNoMatch)
            m_LastIndex = list.ListIndex();
        return result;
    });
}

void ComboBoxHelper::HighlightGuess(int start)
{
    try {
        if (!m_List)
            return;
        const int length = int(m_List->Text().size());
        if (length > start) {
            m_List->SetSelStart(start);
            m_List->SetSelLength(length - start);
        }
    } catch (const AppError&) {
        // The guess is only a help for the eye.
    }
}

void ComboBoxHelper::Dropdown()
{
    Traced(kObjectName, "Dropdown", [&] {
        if (m_AutoDropdown && m_List && !m_List->DroppedState())
            m_List->ShowDropdown(true);
    });
}

void ComboBoxHelper::m_List_Click()
{
    if (AsyncKeyDown(vbkey::Tab))
        return;
    if (AsyncKeyDown(vbkey::Return)) {
        m_SearchPending = false;
        return;
    }
    if (m_List && m_List->ListIndex() >= 0)
        m_LastIndex = m_List->ListIndex();
    emit Click();
}

void ComboBoxHelper::m_List_KeyDown(int keyCode)
{
    switch (keyCode) {
    case vbkey::Up:
    case vbkey::Down:
    case vbkey::Left:
    case vbkey::Right:
    case vbkey::Home:
    case vbkey::End:
    case vbkey::Delete:
        m_SearchPending = false;
        break;
    default:
        break;
    }
}

void ComboBoxHelper::m_List_LostFocus()
{
    if (m_SearchPending && m_List) {
        if (!m_AllowTypeOnNoMatch)
            m_List->SetListIndex(m_LastIndex);
        else if (m_LastIndex != -1)
            m_List->SetListIndex(m_LastIndex);
    }
    m_SearchPending = false;
}

bool ComboBoxHelper::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_List || (watched != m_List && watched != m_List->view()))
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        RunEventHandler(kObjectName, "m_List_KeyDown", [&] { m_List_KeyDown(VbKeyCode(e->key())); });
        const int keyAscii = VbKeyAscii(e);
        if (keyAscii == 0 || keyAscii > 0x7fff)
            return false;
        int16_t result = int16_t(keyAscii);
        RunEventHandler(kObjectName, "m_List_KeyPress", [&] { result = KeyPress(int16_t(keyAscii)); });
        return result == 0;
    }
    case QEvent::FocusOut: {
        // Opening the list moves the focus into it; that is no loss of the focus.
        auto* e = static_cast<QFocusEvent*>(event);
        if (watched == m_List && e->reason() != Qt::PopupFocusReason)
            RunEventHandler(kObjectName, "m_List_LostFocus", [this] { m_List_LostFocus(); });
        return false;
    }
    default:
        return false;
    }
}
