// Every view of the demo company loads in each open mode with all its children,
// and a copy stored as a new view opens again with the same children and SQL that runs.

#include "ViewModelFixture.h"

#include "db/DemoCompany.h"

#include <set>

using namespace vmtest;

namespace {

class DemoCompanyViews : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
        erpdb::RegisterProcedures();
        erpdb::DemoOptions options;
        options.server = QStringLiteral("VMDEMO");
        options.orderLines = 200;
        erpdb::CreateDemoCompany(options);
        m_db = std::make_shared<BrandleDatabase>();
        int32_t flag = 0;
        m_db->OpenConnection(options.server, QLatin1String(erpdb::kDemoDatabaseName),
                             QLatin1String(erpdb::kExecutiveLogin), QLatin1String(erpdb::kDemoExecutivePassword), 0,
                             flag);
        CoQuillonSystemEngine::Create()->ShareConnection(std::make_shared<ConnectionHolder>(m_db));
        g_sUserID = QStringLiteral("jdoe");
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            m_boxes << r.prompt;
            return static_cast<int>(vbOK);
        });
    }
    void TearDown() override
    {
        SetMessageBoxAnswerer(nullptr);
        if (g_oSystemEngine)
            g_oSystemEngine->CloseConnection();
        g_oSystemEngine.reset();
        g_sUserID.clear();
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }

    std::vector<int32_t> ViewIds(const QString& where)
    {
        std::vector<int32_t> ids;
        BrandleRecordsetPtr rs;
        if (m_db->OpenRecordset(QStringLiteral("SELECT ViewID FROM LdViews ") + where + QStringLiteral(" ORDER BY ViewID"),
                                rs, 0, 1))
            for (; rs->HasRecord(); rs->MoveNext())
                ids.push_back(rs->Item(0).toInt32());
        m_db->CloseRecordset(rs);
        return ids;
    }

    QTemporaryDir m_dir;
    BrandleDatabasePtr m_db;
    QStringList m_boxes;
};

}  // namespace

TEST_F(DemoCompanyViews, EveryViewLoadsWithAllItsChildrenInEachMode)
{
    const std::vector<int32_t> ids = ViewIds(QString());
    ASSERT_GE(ids.size(), 8u);
    int functions = 0, links = 0, valueLists = 0, twoColumnLinks = 0, searches = 0, complex = 0, privateSearches = 0;
    std::set<int> columnTypes, constraintKinds, extraFilterKinds;
    for (int32_t id : ids) {
        for (int16_t mode : {int16_t(0), int16_t(1), int16_t(4)}) {
            SCOPED_TRACE(QStringLiteral("view %1 mode %2").arg(id).arg(mode).toStdString());
            CoLdUVRef view;
            ASSERT_NO_THROW(view = GetView(id, mode));
            ASSERT_EQ(view->ViewID(), id);
            ASSERT_NO_THROW(view->Columns());
            ASSERT_NO_THROW(view->ColumnFunctions());
            ASSERT_NO_THROW(view->AssocViews());
            ASSERT_NO_THROW(view->Filters());
            EXPECT_GT(view->Columns()->Count(), 0);
            if (mode != 4)
                continue;
            for (const auto& c : *view->Columns())
                columnTypes.insert(c->DataTypeSubType);
            functions += view->ColumnFunctions()->Count();
            links += view->AssocViews()->Count();
            for (const auto& l : *view->AssocViews()) {
                valueLists += l->Contraints1()->Count() + l->Contraints2()->Count();
                twoColumnLinks += l->ColumnID2 != 0;
                for (const auto& [filter, kind] : {std::pair{l->Column1Filter, l->Column1FilterTypeID},
                                                   std::pair{l->Column2Filter, l->Column2FilterTypeID}})
                    if (!filter.isEmpty())
                        constraintKinds.insert(kind);
                if (!l->MiscFilter.isEmpty())
                    extraFilterKinds.insert(l->MiscFilterTypeID);
            }
            for (const auto& f : *view->Filters()) {
                ++searches;
                complex += f->Complex();
                privateSearches += !f->bShared;
            }
        }
    }
    // The demo has every kind of child.
    EXPECT_GT(functions, 2);
    EXPECT_GT(links, 0);
    EXPECT_GT(searches, 1);
    EXPECT_GT(complex, 0);
    EXPECT_GT(privateSearches, 0);
    EXPECT_GT(searches - privateSearches, 0);
    EXPECT_EQ(columnTypes, (std::set<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(constraintKinds, (std::set<int>{1, 2, 4, 5}));
    EXPECT_EQ(extraFilterKinds, (std::set<int>{3, 99}));
    EXPECT_GT(valueLists, 0);
    EXPECT_GT(twoColumnLinks, 0);
}

TEST_F(DemoCompanyViews, ACopyOfEachViewOpensWithTheSameChildren)
{
    for (int32_t id : ViewIds(QStringLiteral("WHERE ViewName NOT IN ('LdViews', 'LdMyViews')"))) {
        SCOPED_TRACE(id);
        CoLdUVRef view = GetView(id, 4);
        view->ViewName = view->ViewName + QStringLiteral("_COPY");
        const int columns = view->Columns()->Count();
        const int functions = view->ColumnFunctions()->Count();
        const int links = view->AssocViews()->Count();
        const int searches = view->Filters()->Count();
        ASSERT_TRUE(view->Store(true)) << m_boxes.join(QStringLiteral("; ")).toStdString();
        CoLdUVRef copy = GetView(view->ViewID(), 4);
        EXPECT_EQ(copy->Columns()->Count(), columns);
        EXPECT_EQ(copy->ColumnFunctions()->Count(), functions);
        EXPECT_GE(copy->AssocViews()->Count(), links);
        EXPECT_EQ(copy->Filters()->Count(), searches);
        BrandleRecordsetPtr rs;
        EXPECT_NO_THROW(m_db->OpenRecordset(copy->SQLSelect + QStringLiteral(" ") + copy->SQLFrom, rs, 0, 1));
        m_db->CloseRecordset(rs);
    }
}
