// The analytics build has the collection without the by-index snapshots and
// without the integer list, and keeps everything else.
#include "core/CoCollection.h"
#include "core/CoLongs.h"
#include "base/AppError.h"

#include <gtest/gtest.h>

namespace {

template <class T>
concept HasByIndexSnapshots = requires { &T::BeginState_ByIndexes; } || requires { &T::CommitState_ByIndexes; } ||
                              requires { &T::RollbackState_ByIndexes; };

template <class T>
concept HasCommonOperations = requires(T& c, const ObjectRef& o, const QString& k) {
    c.EnableKeyedAccess();
    c.Add(o, k);
    c.Add(o);
    { c.Count() } -> std::same_as<int32_t>;
    { c.Node(1) } -> std::same_as<CoCollectionNodeRef>;
    { c.Item(1) } -> std::same_as<ObjectRef>;
    { c.ItemByKey(k) } -> std::same_as<ObjectRef>;
    { c.IndexByKey(k) } -> std::same_as<int32_t>;
    c.ChangeKey(k, k);
    c.Clear();
    c.Remove(1);
    c.BeginStateRef();
    c.BeginState();
    c.CommitState();
    c.RollbackState();
    c.Push(o);
    { c.pop() } -> std::same_as<ObjectRef>;
};

static_assert(!QUILLON_WITH_LONGS);
static_assert(!HasByIndexSnapshots<CoCollection>);
static_assert(HasCommonOperations<CoCollection>);

class Named : public VObject, public CloneableItem {
public:
    explicit Named(QString n) : name(std::move(n)) {}
    ObjectRef Clone() override { return std::make_shared<Named>(name); }
    QString name;
};

}  // namespace

// The integer list header declares nothing here: this definition would clash with it otherwise.
class CoLongs {};

TEST(AnalyticsCollection, CommonOperationsWork)
{
    CoCollection c;
    c.EnableKeyedAccess();
    auto a = std::make_shared<Named>("a");
    c.Add(a, "ka");
    for (int i = 0; i < 1500; ++i)
        c.Add(std::make_shared<Named>(QString::number(i)));
    c.BeginState();
    c.Remove(1);
    EXPECT_EQ(std::dynamic_pointer_cast<Named>(c.Item(1000))->name, "999");
    c.RollbackState();
    EXPECT_EQ(c.Count(), 1501);
    EXPECT_EQ(c.IndexByKey("KA"), 1);
    EXPECT_NE(c.ItemByKey("ka"), a);  // a copy came back
    try {
        c.Add(a, "Ka");
        ADD_FAILURE() << "duplicate key accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), vberr::KeyAlreadyAssociated);
    }
}
