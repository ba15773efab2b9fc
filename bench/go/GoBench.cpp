// quillon-go-bench: Go as the user sees it on an X display. Logs on to a company,
// opens a view in a list window on the display (Qt's xcb platform), and for each
// run empties the list (Clear), then presses Go through the X server's test
// extension, as a keyboard or a mouse does, and polls the screen's pixels of the
// list's first rows until they change: the rows are on the screen. Beside that
// figure it prints the program's own view of the same run, from the key to Go's
// click handler and from the click to the rows painted, on the same clock.
//
//   quillon-go-bench --server NAME [--company ID] [--user ID --password PW]
//                    [--view VIEWNAME] [--runs N]
//
// One line a run: method, key_to_click_ms, click_to_painted_ms, key_to_screen_ms.
// Methods: "alt+g" (Go's key), "click" (a mouse click on Go), "enter" (Enter in a
// filter value, the row "Line >= 1").

#include "bench/BenchSupport.h"
#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "listwindow/frmList.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/eListView.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/forms/FormsRuntime.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void Idle(int ms)
{
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 120000)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

// A region of the screen as the X server holds it.
std::vector<char> Grab(Display* dpy, const QRect& r)
{
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), r.x(), r.y(), static_cast<unsigned>(r.width()),
                              static_cast<unsigned>(r.height()), AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::vector<char> bytes(image->data, image->data + static_cast<size_t>(image->bytes_per_line) * image->height);
    XDestroyImage(image);
    return bytes;
}

// The end of the first paint of the grid's viewport with the first row in memory
// (taken once the paint has returned to the event loop).
class PaintWatch : public QObject {
public:
    PaintWatch(QTableView* grid, eListView* list) : m_grid(grid), m_list(list) { grid->viewport()->installEventFilter(this); }
    void arm()
    {
        m_painted = false;
        m_armed = true;
    }
    bool painted() const { return m_painted; }
    Clock::time_point paintedAt() const { return m_paintedAt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_armed && event->type() == QEvent::Paint && watched == m_grid->viewport() && m_list->RowID(0) != 0) {
            m_armed = false;
            QTimer::singleShot(0, this, [this] {
                m_paintedAt = Clock::now();
                m_painted = true;
            });
        }
        return false;
    }

private:
    QTableView* m_grid;
    eListView* m_list;
    bool m_armed = false;
    bool m_painted = false;
    Clock::time_point m_paintedAt;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    erpdb::InstallEmbeddedServer();
    const bench::Options options(app.arguments().mid(1));
    const QString viewName = options.Value("--view", QStringLiteral("ORDERLINES_1"));
    const int runs = std::max(1, options.Value("--runs", QStringLiteral("5")).toInt());
    bench::AnswerMessagesOnErrorOutput("quillon-go-bench");

    Display* dpy = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!dpy || !XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "quillon-go-bench: an X display with the XTEST extension is needed\n");
        return 1;
    }
    try {
        if (!bench::LogOnAsOptionsSay(options))
            return 1;
        BrandleDatabase& dbi = SessionEngine().DBI();
        BrandleRecordsetPtr rs;
        if (!dbi.OpenRecordset(QStringLiteral("SELECT ViewID FROM LdViews WHERE ViewName = ") + QuoteSQLString(viewName), rs)) {
            std::fprintf(stderr, "quillon-go-bench: no view %s\n", viewName.toUtf8().constData());
            return 1;
        }
        const int32_t viewId = rs->Item(0).toInt32();
        dbi.CloseRecordset(rs);

        auto* window = new frmList;
        window->Init(viewId, QString(), nullptr, false);
        window->setGeometry(0, 0, 1400, 900);
        Show(window);
        if (!IsFormLoaded(window)) {
            std::fprintf(stderr, "quillon-go-bench: the list window did not open\n");
            return 1;
        }
        window->activateWindow();
        Idle(300);
        XSetInputFocus(dpy, static_cast<Window>(window->winId()), RevertToParent, CurrentTime);
        XSync(dpy, False);
        Idle(200);

        eListView& list = *window->ListView();
        QTableView* grid = list.Grid();
        PaintWatch paint(grid, &list);
        Clock::time_point clickedAt;
        bool clicked = false;
        // Go's handler starts at the button's click, or at Enter in a value.
        const auto onClick = [&] {
            clickedAt = Clock::now();
            clicked = true;
        };
        QObject::connect(window->cmdGo(), &QPushButton::clicked, onClick);
        QObject::connect(window->pmFilter(), &FILTERLib::Filter::EnterPressed, onClick);

        // Warm: the first Go reads the file into the cache, as any earlier use would.
        paint.arm();
        window->cmdGo_Click();
        WaitFor([&] { return paint.painted() && !list.IsLoading(); });
        Idle(300);

        const KeyCode alt = XKeysymToKeycode(dpy, XK_Alt_L);
        const KeyCode g = XKeysymToKeycode(dpy, XK_g);
        const KeyCode enter = XKeysymToKeycode(dpy, XK_Return);
        const char* methods[] = {"alt+g", "click", "enter"};
        for (int run = 0; run < runs; ++run) {
            for (const char* method : methods) {
                const bool byEnter = std::strcmp(method, "enter") == 0;
                window->cmdClear_Click();
                QLineEdit* value = nullptr;
                if (byEnter) {
                    window->pmFilter()->SetRow(0, 1, FILTERLib::Filter::Op::GreaterOrEqual, QStringLiteral("1"));
                    for (QLineEdit* e : window->pmFilter()->findChildren<QLineEdit*>())
                        if (!value && e->isVisible() && e->text() == QLatin1String("1"))
                            value = e;
                    if (!value) {
                        std::fprintf(stderr, "quillon-go-bench: no value box for Enter\n");
                        return 1;
                    }
                    value->setFocus();
                } else {
                    window->cmdClear()->setFocus();
                }
                Idle(300);
                // The list's first rows on the screen, empty now.
                const QPoint origin = grid->viewport()->mapToGlobal(QPoint(0, 0));
                const QRect rows(origin, QSize(grid->viewport()->width(), grid->verticalHeader()->defaultSectionSize() * 3));
                const QPoint go = window->cmdGo()->mapToGlobal(window->cmdGo()->rect().center());
                const std::vector<char> empty = Grab(dpy, rows);
                clicked = false;
                paint.arm();

                // The press and the polling on a thread of their own, beside the event loop.
                std::atomic<bool> done{false};
                Clock::time_point pressedAt, onScreenAt;
                std::thread presser([&] {
                    if (std::strcmp(method, "click") == 0) {
                        XTestFakeMotionEvent(dpy, -1, go.x(), go.y(), CurrentTime);
                        XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
                        XSync(dpy, False);
                        pressedAt = Clock::now();
                        XTestFakeButtonEvent(dpy, 1, False, CurrentTime);  // the click happens at the release
                    } else if (byEnter) {
                        pressedAt = Clock::now();
                        XTestFakeKeyEvent(dpy, enter, True, CurrentTime);
                        XTestFakeKeyEvent(dpy, enter, False, CurrentTime);
                    } else {
                        XTestFakeKeyEvent(dpy, alt, True, CurrentTime);
                        XSync(dpy, False);
                        pressedAt = Clock::now();
                        XTestFakeKeyEvent(dpy, g, True, CurrentTime);
                        XTestFakeKeyEvent(dpy, g, False, CurrentTime);
                        XTestFakeKeyEvent(dpy, alt, False, CurrentTime);
                    }
                    XFlush(dpy);
                    const auto giveUp = Clock::now() + std::chrono::seconds(60);
                    while (Clock::now() < giveUp) {
                        if (Grab(dpy, rows) != empty) {
                            onScreenAt = Clock::now();
                            break;
                        }
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    }
                    done = true;
                });
                WaitFor([&] { return done.load() && paint.painted(); }, 70000);
                presser.join();
                if (!clicked || !paint.painted() || onScreenAt == Clock::time_point()) {
                    std::fprintf(stderr, "quillon-go-bench: %s did not list the rows (clicked %d, painted %d)\n", method,
                                 clicked, paint.painted());
                    return 1;
                }
                std::printf("%s\t%.1f\t%.1f\t%.1f\n", method, Ms(pressedAt, clickedAt), Ms(clickedAt, paint.paintedAt()),
                            Ms(pressedAt, onScreenAt));
                std::fflush(stdout);
                WaitFor([&] { return !list.IsLoading() && !window->StatisticsPending(); });
                if (byEnter)
                    window->pmFilter()->ClearRows();
                Idle(200);
            }
        }
        Unload(window);
    } catch (const AppError& e) {
        std::fprintf(stderr, "quillon-go-bench: %s\n", e.description().toUtf8().constData());
        return 1;
    }
    XCloseDisplay(dpy);
    return 0;
}
