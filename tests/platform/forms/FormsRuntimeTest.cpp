#include "base/AppError.h"
#include "core/CoreTestSupport.h"
#include "platform/forms/FormsRuntime.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <ctime>
#include <memory>

namespace {

// A form that records its events and can be told to cancel or fail in them.
class TestForm : public Form {
public:
    explicit TestForm(const QString& name, std::vector<QString>* log = nullptr) : Form(name), m_log(log) {}

    bool cancelQueryUnload = false;
    bool cancelUnload = false;
    bool failLoad = false;
    bool failUnload = false;
    std::vector<int> queryUnloadModes;
    int loads = 0;
    int unloads = 0;

protected:
    void Form_Load() override
    {
        ++loads;
        note("Load");
        if (failLoad)
            RaiseError(vberr::InvalidProcedureCall);
    }
    bool Form_QueryUnload(int unloadMode) override
    {
        queryUnloadModes.push_back(unloadMode);
        note("QueryUnload");
        return cancelQueryUnload;
    }
    bool Form_Unload() override
    {
        ++unloads;
        note("Unload");
        if (failUnload)
            RaiseError(vberr::ObjectNotSet);
        return cancelUnload;
    }

private:
    void note(const char* what)
    {
        if (m_log)
            m_log->push_back(Name() + QLatin1Char('.') + QLatin1String(what));
    }
    std::vector<QString>* m_log;
};

// Every test starts and ends with no form loaded and real boxes answered by a recorder.
class FormsRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadedForms().empty());
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return answer;
        });
    }
    void TearDown() override
    {
        for (Form* f : LoadedForms())
            Unload(f);
        SetMessageBoxAnswerer(nullptr);
        SetProgramEndHandler(nullptr);
        SetScreenMousePointer(vbDefault);
        CollectUnloadedForms();
    }
    // A form the test owns (the runtime does not delete it).
    TestForm* make(const QString& name)
    {
        m_forms.push_back(std::make_unique<TestForm>(name, &log));
        KeepAfterUnload(m_forms.back().get());
        return m_forms.back().get();
    }

    std::vector<MessageBoxRequest> boxes;
    int answer = vbOK;
    std::vector<QString> log;

private:
    std::vector<std::unique_ptr<TestForm>> m_forms;
};

TEST_F(FormsRuntimeTest, LoadedFormsAreKeptInLoadOrder)
{
    TestForm* a = make("frmA");
    TestForm* b = make("frmB");
    TestForm* c = make("frmC");
    Load(b);
    Load(a);
    Show(c);
    Load(a);  // loading a loaded form does nothing
    EXPECT_EQ(a->loads, 1);
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{b, a, c}));
    EXPECT_FALSE(a->IsVisible());
    EXPECT_TRUE(c->IsVisible());

    EXPECT_TRUE(Unload(a));
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{b, c}));
    Load(a);
    EXPECT_EQ(a->loads, 2);
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{b, c, a}));

    EXPECT_EQ(c->Name(), QString("frmC"));
    c->SetCaption("Orders");
    EXPECT_EQ(c->Caption(), QString("Orders"));
}

TEST_F(FormsRuntimeTest, ModalShowReturnsWhenTheFormHidesOrUnloads)
{
    struct Case { const char* what; bool unload; bool loadedAfter; };
    for (const Case c : {Case{"OK hides", false, true}, {"Cancel unloads", true, false}}) {
        SCOPED_TRACE(c.what);
        TestForm* owner = make("frmOwner");
        Show(owner);
        TestForm* dialog = make("frmDialog");
        bool ran = false;
        QTimer::singleShot(20, dialog, [&] {
            ran = true;
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_TRUE(dialog->isModal());
            c.unload ? (void)Unload(dialog) : Hide(dialog);
        });
        ShowModal(dialog);
        EXPECT_TRUE(ran);  // it waited for the form
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(IsFormLoaded(dialog), c.loadedAfter);
        EXPECT_EQ(IsFormLoaded(owner), true);
        Unload(dialog);
        Unload(owner);
    }
}

TEST_F(FormsRuntimeTest, ModalFormOpensCentredOverTheWindowItComesFromAndStaysAboveIt)
{
    TestForm* owner = make("frmOwner");
    owner->setGeometry(200, 150, 800, 600);
    Show(owner);
    owner->activateWindow();
    QCoreApplication::processEvents();

    struct Case { const char* what; bool placed; };
    for (const Case c : {Case{"never placed: centred on its owner", false}, {"placed by its form: kept", true}}) {
        SCOPED_TRACE(c.what);
        TestForm* dialog = make("frmDialog");
        dialog->resize(300, 200);
        if (c.placed)
            dialog->move(40, 30);
        QRect seen;
        QWindow* transient = nullptr;
        QTimer::singleShot(20, dialog, [&] {
            seen = dialog->frameGeometry();
            transient = dialog->windowHandle() ? dialog->windowHandle()->transientParent() : nullptr;
            Hide(dialog);
        });
        ShowModal(dialog);
        if (c.placed)
            EXPECT_EQ(seen.topLeft(), QPoint(40, 30));
        else
            EXPECT_LE((seen.center() - owner->frameGeometry().center()).manhattanLength(), 4);
        EXPECT_EQ(transient, owner->windowHandle());
        Unload(dialog);
    }
    Unload(owner);
}

TEST_F(FormsRuntimeTest, ModalShowStillWaitsAfterTheLastFormUnloaded)
{
    // A splash window alone, unloaded before the logon window is shown modally.
    TestForm* splash = make("frmSplash");
    Show(splash);
    Unload(splash);
    ASSERT_TRUE(LoadedForms().empty());

    TestForm* logon = make("frmLogon");
    bool ran = false;
    QTimer::singleShot(20, logon, [&] {
        ran = true;
        Unload(logon);  // the last form again, inside the modal loop
    });
    ShowModal(logon);
    EXPECT_TRUE(ran);

    TestForm* next = make("frmNext");
    ran = false;
    QTimer::singleShot(20, next, [&] {
        ran = true;
        Hide(next);
    });
    ShowModal(next);
    EXPECT_TRUE(ran);
}

TEST_F(FormsRuntimeTest, UnloadedFormsWaitForModalLoopsWithoutKeepingTheEventLoopBusy)
{
    auto* owned = make(QStringLiteral("Owner"));
    Load(owned);  // keeps the program's loop alive while the other form goes
    QPointer<TestForm> form(new TestForm(QStringLiteral("Passing"), &log));
    Load(form);
    {
        ModalLoopScope modal;
        Unload(form);
        const std::clock_t start = std::clock();
        QTest::qWait(300);
        const double cpuSeconds = double(std::clock() - start) / CLOCKS_PER_SEC;
        EXPECT_FALSE(form.isNull()) << "deleted under a modal loop";
        // Waiting for the loop to end must let the event loop sleep.
        EXPECT_LT(cpuSeconds, 0.15);
    }
    QTest::qWait(20);
    EXPECT_TRUE(form.isNull());
}

TEST_F(FormsRuntimeTest, ProgramLoopEndsWhenTheLastFormUnloads)
{
    TestForm* a = make("frmMain");
    TestForm* b = make("frmList");
    QTimer::singleShot(0, a, [&] {
        Show(a);
        Show(b);
        Unload(a);
        QTimer::singleShot(10, b, [&] {
            EXPECT_TRUE(IsFormLoaded(b));  // still running with one form
            Unload(b);
        });
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(LoadedForms().empty());
}

TEST_F(FormsRuntimeTest, QueryUnloadAndUnloadCanCancel)
{
    TestForm* f = make("frmEdit");
    Show(f);
    f->cancelQueryUnload = true;
    EXPECT_FALSE(Unload(f));
    EXPECT_TRUE(IsFormLoaded(f));
    EXPECT_EQ(f->unloads, 0);  // Unload does not run when QueryUnload cancels

    f->cancelQueryUnload = false;
    f->cancelUnload = true;
    EXPECT_FALSE(Unload(f));
    EXPECT_TRUE(IsFormLoaded(f));
    EXPECT_TRUE(f->IsVisible());

    // The window's close box asks with its own unload mode.
    f->cancelUnload = false;
    f->cancelQueryUnload = true;
    f->close();
    EXPECT_TRUE(IsFormLoaded(f));
    f->cancelQueryUnload = false;
    f->close();
    EXPECT_FALSE(IsFormLoaded(f));
    EXPECT_EQ(f->queryUnloadModes,
              (std::vector<int>{Form::vbFormCode, Form::vbFormCode, Form::vbFormControlMenu, Form::vbFormControlMenu}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FormsRuntimeTest, AnErrorInAFormEventEndsInTheErrorBoxAndTheProgramGoesOn)
{
    // An error in the load event reaches the code that showed the form, which does
    // not stay loaded half set up; inside an event boundary it ends in the error box.
    TestForm* failing = make("frmFailing");
    failing->failLoad = true;
    EXPECT_EQ(ErrorNumberOf([&] { Show(failing); }), 5);
    EXPECT_FALSE(IsFormLoaded(failing));
    EXPECT_FALSE(failing->isVisible());
    EXPECT_TRUE(boxes.empty());
    TestForm* failingToo = make("frmFailingToo");
    failingToo->failLoad = true;
    RunEventHandler("frmMain", "mnuOpen_Click", [&] { Show(failingToo); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QString("(5) -- Invalid procedure call or argument"));
    EXPECT_EQ(boxes[0].buttons(), vbOKOnly);
    EXPECT_EQ(boxes[0].icon(), 0);
    EXPECT_EQ(boxes[0].title, QString("Quillon"));
    EXPECT_FALSE(IsFormLoaded(failingToo));

    // The next event runs normally.
    TestForm* fine = make("frmFine");
    Show(fine);
    EXPECT_EQ(fine->loads, 1);
    EXPECT_EQ(boxes.size(), 1u);

    // An error in the unload event: through the close box it ends in the error box,
    // through Unload it reaches the caller; either way the form stays loaded.
    TestForm* broken = make("frmBroken");
    Show(broken);
    broken->failUnload = true;
    broken->close();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].prompt, QString("(91) -- Object variable or With block variable not set"));
    EXPECT_TRUE(IsFormLoaded(broken));
    EXPECT_EQ(ErrorNumberOf([&] { Unload(broken); }), 91);
    EXPECT_TRUE(IsFormLoaded(broken));
    broken->failUnload = false;
    EXPECT_TRUE(Unload(broken));  // nothing left half-unloaded
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{fine}));
}

TEST_F(FormsRuntimeTest, MessageBoxesGoThroughTheAnswerer)
{
    answer = vbNo;
    const QString prompt = "Line one\r\nLine two\n\tindented ";
    EXPECT_EQ(MsgBox(prompt, vbYesNo | vbQuestion | vbDefaultButton2, "Attention Required"), vbNo);
    answer = vbOK;
    EXPECT_EQ(MsgBox("Done"), vbOK);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].prompt, prompt);  // kept exactly
    EXPECT_EQ(boxes[0].buttons(), vbYesNo);
    EXPECT_EQ(boxes[0].icon(), vbQuestion);
    EXPECT_EQ(boxes[0].style & vbDefaultButton2, vbDefaultButton2);
    EXPECT_EQ(boxes[0].title, QString("Attention Required"));
    EXPECT_EQ(boxes[1].buttons(), vbOKOnly);
    EXPECT_EQ(boxes[1].title, QString("Quillon"));
    EXPECT_EQ(App().title, QString("Quillon"));
}

TEST_F(FormsRuntimeTest, RealBoxShowsThePromptAsPlainText)
{
    SetMessageBoxAnswerer(nullptr);
    QString shownText, shownTitle;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
                box = b;
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        shownTitle = box->windowTitle();
        format = box->textFormat();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MsgBox("Column <b>Name</b>\r\nis missing\rfrom\nthe view", vbYesNo), vbNo);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shownText, QString("Column <b>Name</b>\nis missing\nfrom\nthe view"));
    EXPECT_EQ(shownTitle, QString("Quillon"));
}

TEST_F(FormsRuntimeTest, RealBoxOpensCentredOnItsWindowWithoutMinimiseOrMaximise)
{
    SetMessageBoxAnswerer(nullptr);
    TestForm* owner = make("frmOwner");
    owner->setGeometry(300, 200, 700, 500);
    Show(owner);
    owner->activateWindow();
    QCoreApplication::processEvents();

    QRect seen;
    Qt::WindowFlags flags;
    QWidget* parent = nullptr;
    QTimer::singleShot(20, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->frameGeometry();
        flags = box->windowFlags();
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MsgBox("No web browser could be started to open https://www.harbrook.example/quillon.", vbInformation), vbOK);
    EXPECT_EQ(parent, owner);
    EXPECT_LE((seen.center() - owner->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    Unload(owner);
}

TEST_F(FormsRuntimeTest, HourglassIsOneSettingNotAStack)
{
    SetScreenMousePointer(vbHourglass);
    SetScreenMousePointer(vbHourglass);
    EXPECT_EQ(ScreenMousePointer(), vbHourglass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetScreenMousePointer(vbDefault);  // once is enough
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FormsRuntimeTest, TwipsFollowTheScreensLogicalDpi)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const double dpi = screen->logicalDotsPerInchX();
    if (dpi == 96.0)
        EXPECT_EQ(TwipsPerPixelX(), 15);
    EXPECT_EQ(TwipsPerPixelX(), qRound(1440.0 / dpi));
    EXPECT_EQ(TwipsPerPixelY(), qRound(1440.0 / screen->logicalDotsPerInchY()));
    EXPECT_EQ(TwipsToPixelsX(1440), 1440 / TwipsPerPixelX());
}

TEST_F(FormsRuntimeTest, EndLeavesAtOnceWithoutUnloadSteps)
{
    TestForm* f = make("frmMain");
    Show(f);
    int ended = 0;
    SetProgramEndHandler([&] { ++ended; });
    bool after = false;
    try {
        EndProgram();
        after = true;
    } catch (const ProgramEnded&) {
    }
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(after);
    EXPECT_EQ(f->queryUnloadModes.size(), 0u);
    EXPECT_EQ(f->unloads, 0);

    // The end passes through an event boundary: no error box.
    EXPECT_THROW(RunEventHandler("frmMain", "mnuExit_Click", [] { EndProgram(); }), ProgramEnded);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ended, 2);
}

}  // namespace
