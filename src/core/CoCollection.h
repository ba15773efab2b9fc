#pragma once
// An ordered list of object references with 1-based positions, built for fast
// access by position in long lists (a jump link every 1000 nodes and a
// remembered last position), with optional case-insensitive text keys and a
// stack of snapshots to commit or roll back.

#include "core/CoCollectionNode.h"
#include "base/Variant.h"

// Quillon's own part defines QUILLON_WITH_LONGS=1 for itself and its users; the
// code both programs share, and QuillonAnalytics, see only the common operations.
#ifndef QUILLON_WITH_LONGS
#define QUILLON_WITH_LONGS 0
#endif

#if QUILLON_WITH_LONGS
#include "core/CoLongs.h"
#else
class CoLongs;
#endif

#include <QString>
#include <cstdint>
#include <memory>

// An entry of the key list: the position of a keyed item and its key.
struct keyvalue {
    int32_t lIndex = 0;
    QString sKey;
};

// Items that BeginState and BeginState_ByIndexes can copy. A snapshot of copies
// calls Clone on each item; an item without it fails with 438, as a call by name would.
class CloneableItem {
public:
    virtual ~CloneableItem() = default;
    virtual ObjectRef Clone() = 0;
};

class CoCollectionKeyList;

class CoCollection;
using CoCollectionRef = std::shared_ptr<CoCollection>;

class CoCollection : public VObject {
public:
    CoCollection();
    ~CoCollection() override;
    CoCollection(const CoCollection&) = delete;
    CoCollection& operator=(const CoCollection&) = delete;

    // Turns keyed access on with an empty key list; only while the collection is empty.
    void EnableKeyedAccess();
    // Appends the object; a non-empty key is recorded too (keyed access must be on).
    // A failed Add changes nothing.
    void Add(const ObjectRef& oObject, const QString& sKey = QString());
    int32_t Count() const { return m_lCount; }
    // The node / item at a position; none outside 1..Count (no error).
    CoCollectionNodeRef Node(int32_t lIndex);
    ObjectRef Item(int32_t lIndex);
    // Keyed look-ups; they need keyed access. A key that is not held fails with 5.
    ObjectRef ItemByKey(const QString& sKey);
    int32_t IndexByKey(const QString& sKey);
    // True when an item holds the key (letter case ignored); false without keyed access.
    bool HasKey(const QString& sKey) const;
    // Gives the item keyed sOldKey the key sNewKey. A new key that another item
    // holds fails with 457 before anything changes, so the item keeps its key.
    void ChangeKey(const QString& sOldKey, const QString& sNewKey);
    // Removes every item, last first. Keyed access, the key list and the snapshots stay.
    void Clear();
    // Removes the item at a position; later items (and their keys) move up one position.
    void Remove(int32_t lIndex);

    // Snapshots: the item references (BeginStateRef) or copies of the items made with
    // Clone (BeginState), with the key list; CommitState drops the newest snapshot,
    // RollbackState restores it. Without a snapshot both do nothing.
    void BeginStateRef();
    void BeginState();
    void CommitState();
    void RollbackState();

#if QUILLON_WITH_LONGS
    // Snapshots of copies of the items at the given positions; the rollback puts the
    // copies back and cuts the collection back to its earlier count. Without keys.
    void BeginState_ByIndexes(const CoLongsRef& oIndexes);
    void CommitState_ByIndexes();
    void RollbackState_ByIndexes();
#endif

    // Add without a key; pop removes and returns the last item (none when empty).
    void Push(const ObjectRef& oObject);
    ObjectRef pop();

private:
    CoCollectionNodeRef FindNode(int32_t lIndex);
    void RequireKeyed(const char* description) const;
    void EnsureStateStacks();
    // A copy made by the item's Clone: 91 without an item, 438 when it cannot copy itself.
    static ObjectRef CloneOf(const ObjectRef& item);
    void PushState(const CoCollectionRef& items);
    // Pops the newest snapshot and its key snapshot; false when there is none.
    bool PopState(CoCollectionRef& items, std::shared_ptr<CoCollectionKeyList>& keys);

    CoCollectionNodeRef m_oFirst;
    CoCollectionNodeRef m_oLast;
    int32_t m_lCount = 0;
    int32_t m_lLastIndex = 0;
    CoCollectionNodeRef m_oLastNode;
    CoCollectionNodeRef m_oLastJump;
    CoCollectionRef m_colStates;
    // One entry per entry of m_colStates: the key list of that snapshot, or no object
    // when keyed access was off when it was taken (or for a by-index snapshot).
    CoCollectionRef m_colKeyStates;
    // By-index snapshots (Quillon only); kept in both programs so that the
    // object is laid out alike wherever the header is read.
    CoCollectionRef m_colIndexStates;
    CoCollectionRef m_colCountStates;
    bool m_bKeyed = false;
    std::shared_ptr<CoCollectionKeyList> m_colKeys;
};
