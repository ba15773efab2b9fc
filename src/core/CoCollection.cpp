#include "core/CoCollection.h"

#include "base/AppError.h"

#include <QHash>
#include <list>
#include <vector>

// The key list: keyvalue records in order, found by key without regard to case.
// Its errors are those of the platform's keyed list: 457 for a key already held,
// 5 for a key that is not held.
class CoCollectionKeyList : public VObject {
public:
    bool Contains(const QString& key) const { return m_byKey.contains(Fold(key)); }

    void Add(const keyvalue& record)
    {
        const QString folded = Fold(record.sKey);
        if (m_byKey.contains(folded))
            RaiseError(vberr::KeyAlreadyAssociated);
        m_records.push_back(record);
        m_byKey.insert(folded, std::prev(m_records.end()));
    }

    const keyvalue& Item(const QString& key) const
    {
        auto found = m_byKey.constFind(Fold(key));
        if (found == m_byKey.constEnd())
            RaiseError(vberr::InvalidProcedureCall);
        return *found.value();
    }

    void Remove(const QString& key)
    {
        auto found = m_byKey.find(Fold(key));
        if (found == m_byKey.end())
            RaiseError(vberr::InvalidProcedureCall);
        m_records.erase(found.value());
        m_byKey.erase(found);
    }

    // The item at position removed has gone: its record goes, and every record of a
    // later item is taken out and added again at the end with its new position.
    // Walks the records from the last to the first.
    void ItemRemoved(int32_t removed)
    {
        std::vector<std::list<keyvalue>::iterator> order;
        order.reserve(m_records.size());
        for (auto it = m_records.begin(); it != m_records.end(); ++it)
            order.push_back(it);
        for (auto walk = order.rbegin(); walk != order.rend(); ++walk) {
            auto record = *walk;
            if (record->lIndex == removed) {
                m_byKey.remove(Fold(record->sKey));
                m_records.erase(record);
            } else if (record->lIndex > removed) {
                record->lIndex -= 1;
                m_records.splice(m_records.end(), m_records, record);
            }
        }
    }

    std::shared_ptr<CoCollectionKeyList> Copy() const
    {
        auto copy = std::make_shared<CoCollectionKeyList>();
        for (const keyvalue& record : m_records)
            copy->Add(record);
        return copy;
    }

private:
    static QString Fold(const QString& key) { return key.toCaseFolded(); }

    std::list<keyvalue> m_records;
    QHash<QString, std::list<keyvalue>::iterator> m_byKey;
};

namespace {

const QString kSource = QStringLiteral("CoCollection");

}  // namespace

ObjectRef CoCollection::CloneOf(const ObjectRef& item)
{
    if (!item)
        RaiseError(vberr::ObjectNotSet);
    auto* cloneable = dynamic_cast<CloneableItem*>(item.get());
    if (!cloneable)
        RaiseError(vberr::ObjectDoesntSupport);
    return cloneable->Clone();
}

CoCollection::CoCollection() = default;

CoCollection::~CoCollection()
{
    try {
        m_colStates.reset();
        m_colKeyStates.reset();
        m_colIndexStates.reset();
        m_colCountStates.reset();
        Clear();
    } catch (...) {
        // Nothing may leave a destructor; releasing the nodes cannot fail in practice.
    }
}

void CoCollection::RequireKeyed(const char* description) const
{
    if (!m_bKeyed)
        RaiseError(vberr::ProgramDefined, QString::fromLatin1(description), kSource);
}

void CoCollection::EnableKeyedAccess()
{
    if (m_lCount > 0)
        RaiseError(vberr::ProgramDefined,
                   QStringLiteral("Keyed Access can't be turned on after cocollection is populated."), kSource);
    m_bKeyed = true;
    m_colKeys = std::make_shared<CoCollectionKeyList>();
}

void CoCollection::Add(const ObjectRef& oObject, const QString& sKey)
{
    bool keyEntered = false;
    if (!sKey.isEmpty()) {
        RequireKeyed("Keyed access has not been enabled.  You can't supply a key without enabling it.");
        m_colKeys->Add({m_lCount + 1, sKey});
        keyEntered = true;
    }
    try {
        auto node = std::make_shared<CoCollectionNode>();
        node->oData = oObject;
        if (!m_oLast) {
            m_oFirst = node;
            m_oLast = node;
            m_oLastJump = node;
            m_lCount += 1;
        } else {
            m_oLast->oNext = node;
            node->oPrev = m_oLast;
            m_oLast = node;
            m_lCount += 1;
            if (m_lCount % 1000 == 0) {
                m_oLastJump->oJumpNext = node;
                node->oJumpPrev = m_oLastJump;
                m_oLastJump = node;
            }
        }
    } catch (...) {
        if (keyEntered)
            m_colKeys->Remove(sKey);
        throw;
    }
}

CoCollectionNodeRef CoCollection::FindNode(int32_t lIndex)
{
    if (lIndex > m_lCount || lIndex < 1)
        return {};
    if (lIndex == m_lLastIndex)
        return m_oLastNode;
    if (lIndex == m_lLastIndex + 1 && lIndex > 1) {
        m_oLastNode = m_oLastNode->oNext;
        m_lLastIndex = lIndex;
        return m_oLastNode;
    }
    CoCollectionNodeRef node = m_oFirst;
    const int32_t rest = lIndex % 1000;
    const int32_t jumps = (lIndex - rest) / 1000;
    if (jumps >= 1) {
        for (int32_t i = 0; i < jumps; ++i)
            node = node->oJumpNext;
        for (int32_t i = 0; i < rest; ++i)
            node = node->oNext;
    } else {
        for (int32_t i = 1; i < lIndex; ++i)
            node = node->oNext;
    }
    m_oLastNode = node;
    m_lLastIndex = lIndex;
    return node;
}

CoCollectionNodeRef CoCollection::Node(int32_t lIndex)
{
    return FindNode(lIndex);
}

ObjectRef CoCollection::Item(int32_t lIndex)
{
    CoCollectionNodeRef node = FindNode(lIndex);
    return node ? node->oData : ObjectRef();
}

ObjectRef CoCollection::ItemByKey(const QString& sKey)
{
    RequireKeyed("Keyed access has not been enabled.  You can't request an item by key without enabling it.");
    return Item(m_colKeys->Item(sKey).lIndex);
}

int32_t CoCollection::IndexByKey(const QString& sKey)
{
    RequireKeyed("Keyed access has not been enabled.  You can't request an item by key without enabling it.");
    return m_colKeys->Item(sKey).lIndex;
}

bool CoCollection::HasKey(const QString& sKey) const { return m_colKeys && m_colKeys->Contains(sKey); }

void CoCollection::ChangeKey(const QString& sOldKey, const QString& sNewKey)
{
    RequireKeyed("Keyed access has not been enabled.  You can't change an item key without enabling it.");
    const int32_t index = m_colKeys->Item(sOldKey).lIndex;
    // A key held by another item fails before the old key is taken out.
    if (m_colKeys->Contains(sNewKey) && sNewKey.toCaseFolded() != sOldKey.toCaseFolded())
        RaiseError(vberr::KeyAlreadyAssociated);
    m_colKeys->Remove(sOldKey);
    m_colKeys->Add({index, sNewKey});
}

void CoCollection::Clear()
{
    for (int32_t i = m_lCount; i > 0; --i) {
        if (m_oLast) {
            CoCollectionNodeRef previous = m_oLast->oPrev;
            m_oLast->Remove();
            m_oLast = previous;
        }
    }
    m_oLast.reset();
    m_oFirst.reset();
    m_oLastNode.reset();
    m_oLastJump.reset();
    m_lLastIndex = 0;
    m_lCount = 0;
}

void CoCollection::Remove(int32_t lIndex)
{
    if (lIndex > m_lCount || lIndex < 1)
        RaiseError(vberr::ProgramDefined, QStringLiteral("Index not in collection."));

    CoCollectionNodeRef node;
    if (lIndex == m_lLastIndex) {
        node = m_oLastNode;
    } else {
        node = m_oFirst;
        for (int32_t i = 1; i < lIndex; ++i)
            node = node->oNext;
    }

    m_lLastIndex = lIndex - 1;
    m_oLastNode = node->oPrev;

    if (lIndex == m_lCount)
        m_oLast = node->oPrev;
    else if (lIndex == 1)
        m_oFirst = node->oNext;

    const CoCollectionNodeRef previousJump = node->IsJumpNode() ? node->oJumpPrev : CoCollectionNodeRef();
    CoCollectionNodeRef lastJump = node->Remove();
    if (lastJump)
        m_oLastJump = lastJump;
    else if (previousJump)
        m_oLastJump = previousJump;
    else
        m_oLastJump = m_oFirst;

    m_lCount -= 1;
    if (m_lCount == 0) {
        // The only node has gone: nothing is left to point at.
        m_oFirst.reset();
        m_oLast.reset();
        m_oLastJump.reset();
    }

    if (m_bKeyed)
        m_colKeys->ItemRemoved(lIndex);
}

void CoCollection::EnsureStateStacks()
{
    if (!m_colStates) {
        m_colStates = std::make_shared<CoCollection>();
        m_colKeyStates = std::make_shared<CoCollection>();
    }
}

void CoCollection::PushState(const CoCollectionRef& items)
{
    m_colStates->Push(items);
    m_colKeyStates->Push(m_bKeyed ? m_colKeys->Copy() : ObjectRef());
}

bool CoCollection::PopState(CoCollectionRef& items, std::shared_ptr<CoCollectionKeyList>& keys)
{
    if (!m_colStates || m_colStates->Count() < 1)
        return false;
    items = std::dynamic_pointer_cast<CoCollection>(m_colStates->pop());
    keys = std::dynamic_pointer_cast<CoCollectionKeyList>(m_colKeyStates->pop());
    return true;
}

void CoCollection::BeginStateRef()
{
    EnsureStateStacks();
    auto snapshot = std::make_shared<CoCollection>();
    for (int32_t i = 1; i <= m_lCount; ++i)
        snapshot->Add(Item(i));
    PushState(snapshot);
}

void CoCollection::BeginState()
{
    EnsureStateStacks();
    auto snapshot = std::make_shared<CoCollection>();
    for (int32_t i = 1; i <= m_lCount; ++i)
        snapshot->Add(CloneOf(Item(i)));
    PushState(snapshot);
}

void CoCollection::CommitState()
{
    CoCollectionRef items;
    std::shared_ptr<CoCollectionKeyList> keys;
    if (PopState(items, keys) && items)
        items->Clear();
}

void CoCollection::RollbackState()
{
    CoCollectionRef items;
    std::shared_ptr<CoCollectionKeyList> keys;
    if (!PopState(items, keys) || !items)
        return;
    Clear();
    for (int32_t i = 1; i <= items->Count(); ++i)
        Add(items->Item(i));
    items->Clear();
    if (m_bKeyed) {
        // A snapshot taken before keyed access was on had no keyed items.
        m_colKeys = keys ? keys : std::make_shared<CoCollectionKeyList>();
    }
}

void CoCollection::Push(const ObjectRef& oObject)
{
    Add(oObject);
}

ObjectRef CoCollection::pop()
{
    if (m_lCount < 1)
        return {};
    ObjectRef item = Item(m_lCount);
    Remove(m_lCount);
    return item;
}
