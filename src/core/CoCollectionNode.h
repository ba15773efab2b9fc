#pragma once
// One link of a CoCollection: the item, its neighbours, and, on every 1000th
// node, the links of the sparse jump chain that speeds up look-ups by position.

#include "base/Variant.h"

#include <QString>
#include <memory>

class CoCollectionNode;
using CoCollectionNodeRef = std::shared_ptr<CoCollectionNode>;

class CoCollectionNode : public VObject {
public:
    CoCollectionNodeRef oNext;      // none after the last node
    CoCollectionNodeRef oPrev;      // none before the first node
    CoCollectionNodeRef oJumpNext;  // next jump node; only on jump nodes with a successor in the chain
    CoCollectionNodeRef oJumpPrev;  // previous jump node; only on jump nodes after the first
    ObjectRef oData;                // the item

    // A node is a jump node when it has either jump link.
    bool IsJumpNode();
    // The nearest jump node before this one (walking back through oPrev); none at the start.
    CoCollectionNodeRef GetPreviousJumpNode();
    // Unlinks this node, moves the jump markers after it one node forward and
    // returns the last node of the repaired jump chain (none when there was nothing to repair).
    // All of this node's links and its item are released.
    CoCollectionNodeRef Remove();
    // Diagnostic text built from the Model of this node's item and of its neighbours' items.
    QString DebugDisplay();

private:
    static CoCollectionNodeRef FixShortJumps(CoCollectionNodeRef& start);
};

// Items that DebugDisplay can describe. A diagnostic listing reads Model from each item;
// an item without it fails with 438, as a call by name would.
class ModelItem {
public:
    virtual ~ModelItem() = default;
    virtual QString Model() = 0;
};
