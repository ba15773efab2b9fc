#include "core/CoCollectionNode.h"

#include "base/AppError.h"

namespace {

QString ModelOf(const ObjectRef& item)
{
    if (!item)
        RaiseError(vberr::ObjectNotSet);
    auto* described = dynamic_cast<ModelItem*>(item.get());
    if (!described)
        RaiseError(vberr::ObjectDoesntSupport);
    return described->Model();
}

}  // namespace

bool CoCollectionNode::IsJumpNode()
{
    return Traced("CoCollectionNode", "IsJumpNode", [&] { return oJumpNext != nullptr || oJumpPrev != nullptr; });
}

CoCollectionNodeRef CoCollectionNode::GetPreviousJumpNode()
{
    return Traced("CoCollectionNode", "GetPreviousJumpNode", [&] {
        CoCollectionNodeRef node = oPrev;
        while (node && !node->IsJumpNode())
            node = node->oPrev;
        return node;
    });
}

CoCollectionNodeRef CoCollectionNode::Remove()
{
    return Traced("CoCollectionNode", "Remove", [&] {
        const bool wasJump = IsJumpNode();

        if (oNext)
            oNext->oPrev = oPrev;
        if (oPrev)
            oPrev->oNext = oNext;

        CoCollectionNodeRef start;
        if (wasJump) {
            // The successor takes this node's place in the jump chain.
            CoCollectionNodeRef successor = oNext;
            if (oJumpPrev)
                oJumpPrev->oJumpNext = successor;
            if (successor) {
                successor->oJumpPrev = oJumpPrev;
                successor->oJumpNext = oJumpNext;
                if (oJumpNext)
                    oJumpNext->oJumpPrev = successor;
            }
            start = successor;
        } else {
            start = GetPreviousJumpNode();
        }

        CoCollectionNodeRef lastJump = FixShortJumps(start);

        oPrev.reset();
        oNext.reset();
        oData.reset();
        oJumpNext.reset();
        oJumpPrev.reset();
        return lastJump;
    });
}

CoCollectionNodeRef CoCollectionNode::FixShortJumps(CoCollectionNodeRef& start)
{
    return Traced("CoCollectionNode", "FixShortJumps", [&] {
        // Every node after the removed one moved one position forward, so every
        // jump marker after the start node moves on to its node's successor.
        CoCollectionNodeRef result;
        CoCollectionNodeRef jump = start;
        while (jump) {
            result = jump;
            CoCollectionNodeRef marked = jump->oJumpNext;
            if (marked) {
                if (!marked->oNext)
                    marked->oJumpPrev.reset();
                jump->oJumpNext = marked->oNext;
                if (CoCollectionNodeRef moved = jump->oJumpNext) {
                    moved->oJumpPrev = jump;
                    moved->oJumpNext = marked->oJumpNext;
                    if (moved->oJumpNext)
                        moved->oJumpNext->oJumpPrev = moved;
                    marked->oJumpNext.reset();
                    marked->oJumpPrev.reset();
                }
            }
            jump = jump->oJumpNext;
        }
        return result;
    });
}

QString CoCollectionNode::DebugDisplay()
{
    QString text;
    if (oData)
        text += QStringLiteral("oData:") + ModelOf(oData) + QStringLiteral(" - ");
    if (oNext) {
        if (oNext->oData)
            text += QStringLiteral("oNext:") + ModelOf(oNext->oData) + QStringLiteral(" - ");
        else
            text += QStringLiteral("oNext:Missing oData - ");
    }
    if (oJumpNext) {
        if (oJumpNext->oData)
            text += QStringLiteral("oJumpNext:") + ModelOf(oJumpNext->oData) + QStringLiteral(" ");
        else
            text += QStringLiteral("oJumpNext:Missing oData ");
    }
    if (oJumpPrev) {
        if (oJumpPrev->oData)
            text += QStringLiteral("oJumpPrev:") + ModelOf(oJumpPrev->oData) + QStringLiteral(" ");
        else
            text += QStringLiteral("oJumpPrev:Missing oData ");
    }
    return text;
}
