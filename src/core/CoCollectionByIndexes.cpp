// The by-index snapshots of CoCollection exist only in Quillon: this file is
// compiled into Quillon's own part and not into QuillonAnalytics'.
#include "core/CoCollection.h"

#include "base/AppError.h"

#if !QUILLON_WITH_LONGS
#error "CoCollection's by-index snapshots belong to Quillon only"
#endif

void CoCollection::BeginState_ByIndexes(const CoLongsRef& oIndexes)
{
    EnsureStateStacks();
    if (!m_colIndexStates)
        m_colIndexStates = std::make_shared<CoCollection>();
    if (!m_colCountStates)
        m_colCountStates = std::make_shared<CoCollection>();

    if (!oIndexes)
        RaiseError(vberr::ObjectNotSet);
    auto snapshot = std::make_shared<CoCollection>();
    const int16_t count = oIndexes->Count();
    for (int32_t i = 1; i <= count; ++i)
        snapshot->Add(CloneOf(Item(oIndexes->Item(Variant(i)))));

    m_colStates->Push(snapshot);
    m_colKeyStates->Push(ObjectRef());
    m_colIndexStates->Push(oIndexes);
    auto savedCount = std::make_shared<CoLongs>();
    savedCount->Add(m_lCount);
    m_colCountStates->Push(savedCount);

    if (m_bKeyed)
        RaiseError(vberr::ProgramDefined, QStringLiteral("BeginState_ByIndexes: This does not support keyed access."));
}

namespace {

struct ByIndexState {
    CoCollectionRef snapshot;
    CoLongsRef indexes;
    CoLongsRef counts;
};

}  // namespace

// Pops one entry from each by-index stack; all three must give one.
static bool PopByIndexState(CoCollection* states, CoCollection* keyStates, CoCollection* indexStates,
                            CoCollection* countStates, ByIndexState& out)
{
    bool complete = true;
    if (states && states->Count() > 0) {
        out.snapshot = std::dynamic_pointer_cast<CoCollection>(states->pop());
        keyStates->pop();
    } else {
        complete = false;
    }
    if (indexStates && indexStates->Count() > 0)
        out.indexes = std::dynamic_pointer_cast<CoLongs>(indexStates->pop());
    else
        complete = false;
    if (countStates && countStates->Count() > 0)
        out.counts = std::dynamic_pointer_cast<CoLongs>(countStates->pop());
    else
        complete = false;
    return complete && out.snapshot && out.indexes && out.counts;
}

void CoCollection::CommitState_ByIndexes()
{
    ByIndexState state;
    if (!PopByIndexState(m_colStates.get(), m_colKeyStates.get(), m_colIndexStates.get(), m_colCountStates.get(),
                         state))
        return;
    if (state.snapshot->Count() != state.indexes->Count())
        RaiseError(vberr::ProgramDefined, QStringLiteral("CommitState_ByIndexes: Collection Copy and Indexes don't match"));
    state.snapshot->Clear();
    state.indexes->Clear();
    state.counts->Clear();
    if (m_bKeyed)
        RaiseError(vberr::ProgramDefined, QStringLiteral("CommitState_ByIndexes: This does not support keyed access."));
}

void CoCollection::RollbackState_ByIndexes()
{
    ByIndexState state;
    if (!PopByIndexState(m_colStates.get(), m_colKeyStates.get(), m_colIndexStates.get(), m_colCountStates.get(),
                         state))
        return;
    if (state.snapshot->Count() != state.indexes->Count())
        RaiseError(vberr::ProgramDefined,
                   QStringLiteral("RollbackState_ByIndexes: Collection Copy and Indexes don't match"));
    const int16_t count = state.indexes->Count();
    for (int32_t i = 1; i <= count; ++i) {
        CoCollectionNodeRef node = Node(state.indexes->Item(Variant(i)));
        if (!node)
            RaiseError(vberr::ObjectNotSet);
        node->oData = state.snapshot->Item(i);
    }
    const int32_t savedCount = state.counts->Item(Variant(int32_t(1)));
    while (m_lCount > savedCount)
        Remove(m_lCount);
    state.snapshot->Clear();
    state.indexes->Clear();
    state.counts->Clear();
    if (m_bKeyed)
        RaiseError(vberr::ProgramDefined, QStringLiteral("RollbackState_ByIndexes: This does not support keyed access."));
}
