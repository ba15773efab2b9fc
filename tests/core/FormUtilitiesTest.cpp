// CloseAllWindows: every form but the main and the logon window, last first.

#include "core/FormUtilities.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

std::vector<QString> g_unloadOrder;

class RecordingForm : public Form {
public:
    explicit RecordingForm(const QString& name, bool fails = false) : Form(name), failing(fails) {}
    bool failing;

protected:
    bool Form_Unload() override
    {
        if (failing)
            RaiseError(5, QStringLiteral("cannot close"));
        g_unloadOrder.push_back(objectName());
        return false;
    }
};

class FormUtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override { g_unloadOrder.clear(); }
    void TearDown() override
    {
        for (Form* f : LoadedForms()) {
            if (auto* r = dynamic_cast<RecordingForm*>(f))
                r->failing = false;
            Unload(f);
        }
        for (auto& f : m_forms)
            delete f.data();
    }
    Form* Make(const QString& formName, const QString& objectName, bool failing = false)
    {
        auto* f = new RecordingForm(formName, failing);
        f->setObjectName(objectName);
        KeepAfterUnload(f);
        Load(f);
        m_forms.push_back(f);
        return f;
    }
    std::vector<QPointer<Form>> m_forms;
};

}  // namespace

TEST_F(FormUtilitiesTest, UnloadsOtherFormsFromTheLastToTheFirst)
{
    Form* main = Make(QStringLiteral("frmMDIFrame"), QStringLiteral("main"));
    Form* list1 = Make(QStringLiteral("frmListView"), QStringLiteral("list1"));
    Form* logon = Make(QStringLiteral("frmLogonNew"), QStringLiteral("logon"));
    Form* list2 = Make(QStringLiteral("frmListView"), QStringLiteral("list2"));
    Form* logo = Make(QStringLiteral("frmQuillonLogo"), QStringLiteral("logo"));
    CloseAllWindows();
    EXPECT_EQ(g_unloadOrder, (std::vector<QString>{QStringLiteral("logo"), QStringLiteral("list2"), QStringLiteral("list1")}));
    EXPECT_TRUE(IsFormLoaded(main));
    EXPECT_TRUE(IsFormLoaded(logon));
    EXPECT_FALSE(IsFormLoaded(list1));
    EXPECT_FALSE(IsFormLoaded(list2));
    EXPECT_FALSE(IsFormLoaded(logo));

    // Nothing else loaded: nothing happens.
    g_unloadOrder.clear();
    CloseAllWindows();
    EXPECT_TRUE(g_unloadOrder.empty());
    EXPECT_EQ(LoadedForms().size(), 2u);
}

TEST_F(FormUtilitiesTest, AnUnloadErrorEndsItAndReachesTheCaller)
{
    Form* first = Make(QStringLiteral("frmListView"), QStringLiteral("first"));
    Form* failing = Make(QStringLiteral("frmListView"), QStringLiteral("failing"), true);
    Form* last = Make(QStringLiteral("frmListView"), QStringLiteral("last"));
    EXPECT_THROW(CloseAllWindows(), AppError);
    EXPECT_FALSE(IsFormLoaded(last));
    EXPECT_TRUE(IsFormLoaded(failing));
    EXPECT_TRUE(IsFormLoaded(first));
    EXPECT_EQ(g_unloadOrder, std::vector<QString>{QStringLiteral("last")});
}
