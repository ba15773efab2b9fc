#pragma once
// A small parent form for CoLVCollection's tests: a real list view on a form
// that answers the callbacks for a keyed collection of named things, records
// every call with the context it saw, and can refuse removals.

#include "listhelpers/CoLVCollection.h"

#include "ErrorOf.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/FormsRuntime.h"

#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <functional>
#include <optional>
#include <vector>

namespace lvctest {

// An item of the collection: a name (the row's text), an application ID, a deleted mark.
struct Thing : VObject, LVCollectionComparable, LVCollectionDebugItem {
    Thing(QString n, int32_t i) : name(std::move(n)), id(i) {}
    bool Equal(const ObjectRef& obj) override
    {
        auto other = std::dynamic_pointer_cast<Thing>(obj);
        return other && other->name == name;
    }
    bool deleted() override { return isDeleted; }
    QString DebugDisplay() override { return name; }
    QString name;
    int32_t id;
    bool isDeleted = false;
};
using ThingRef = std::shared_ptr<Thing>;

inline ThingRef Make(const QString& name, int32_t id) { return std::make_shared<Thing>(name, id); }
inline QString NameOf(const ObjectRef& obj)
{
    auto t = std::dynamic_pointer_cast<Thing>(obj);
    return t ? t->name : QStringLiteral("<none>");
}

// What the parent saw in one call.
struct Call {
    COLVC_MSG msg;
    QString key;
    int32_t colIndex;
    int32_t lvIndex;
    QString curObj;
    QString curObjColKey;
    Variant varID;
};

class ParentForm : public Form, public LVCollectionParent {
public:
    ParentForm() : Form(QStringLiteral("frmLVCollectionTest"))
    {
        KeepAfterUnload(this);
        lv = new ReportListView(this);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(lv);
        col = std::make_shared<CoCollection>();
        col->EnableKeyedAccess();
        resize(400, 300);
    }

    // Binds, builds the list and loads it with things named by `names` (IDs 101, 102, ...).
    void Start(const QStringList& names, bool useHelper = true)
    {
        for (const QString& n : names)
            col->Add(Make(n, 100 + col->Count() + 1), n);
        lvc.Init(this, lv, col, useHelper);
        lvc.InitView();
        lvc.LoadView();
        calls.clear();
    }

    Variant LVCollectionCallBack(COLVC_MSG lvcMsg, CoLVCollection& o) override
    {
        EXPECT_EQ(&o, &lvc);
        calls.push_back({lvcMsg, o.Key(), o.ColIndex(), o.LVIndex(), NameOf(o.CurObj()), o.CurObjColKey(), o.varID()});
        if (failWith)
            RaiseError(failWith, QStringLiteral("The parent failed."));
        switch (lvcMsg) {
        case lvcLoadHeaderRow:
            o.ListView()->AddColumn(0, QString(), QStringLiteral("Name"));
            o.ListView()->AddColumn(0, QString(), QStringLiteral("ID"));
            return {};
        case lvcLoadRow: {
            auto thing = std::dynamic_pointer_cast<Thing>(o.CurObj());
            ListItem* row = o.ListView()->AddItem(0, o.Key(), thing->name);
            row->SetSubItem(1, QString::number(thing->id));
            return {};
        }
        case lvcAdd: {
            if (addAnswer)
                return *addAnswer;
            auto thing = std::dynamic_pointer_cast<Thing>(o.CurObj());
            for (int32_t i = 1; i <= o.col()->Count(); ++i)
                if (NameOf(o.col()->Item(i)) == thing->name)
                    return i;
            o.col()->Add(o.CurObj(), o.CurObjColKey());
            return int32_t(-1);
        }
        case lvcUpdate:
            o.ListView()->Item(o.Key())->SetText(NameOf(o.CurObj()));
            return {};
        case lvcRemove:
            if (removeAnswer)
                return *removeAnswer;
            o.col()->Remove(o.ColIndex());
            o.ListView()->RemoveItem(o.LVIndex());
            return int32_t(1);
        case lvcIndexByID:
            if (!o.col())
                return int32_t(0);
            for (int32_t i = 1; i <= o.col()->Count(); ++i)
                if (std::dynamic_pointer_cast<Thing>(o.col()->Item(i))->id == o.varID().toInt32())
                    return i;
            return int32_t(0);
        case lvcGetID:
            return std::dynamic_pointer_cast<Thing>(o.col()->Item(o.ColIndex()))->id;
        }
        return {};
    }

    std::vector<COLVC_MSG> Messages() const
    {
        std::vector<COLVC_MSG> out;
        for (const Call& c : calls)
            out.push_back(c.msg);
        return out;
    }
    // The rows' keys and texts in list order.
    QStringList RowKeys() const
    {
        QStringList out;
        for (int i = 1; i <= lv->ItemCount(); ++i)
            out << lv->Item(i)->Key();
        return out;
    }
    QStringList RowTexts() const
    {
        QStringList out;
        for (int i = 1; i <= lv->ItemCount(); ++i)
            out << lv->Item(i)->Text();
        return out;
    }
    QStringList Names() const
    {
        QStringList out;
        for (int32_t i = 1; i <= col->Count(); ++i)
            out << NameOf(col->Item(i));
        return out;
    }
    void Select(std::initializer_list<int> positions)
    {
        lv->UnSelectAll();
        for (int p : positions)
            lv->Item(p)->SetSelected(true);
    }
    QList<int> SelectedPositions() const
    {
        QList<int> out;
        for (int i = 1; i <= lv->ItemCount(); ++i)
            if (lv->Item(i)->Selected())
                out << i;
        return out;
    }

    ReportListView* lv;
    CoCollectionRef col;
    CoLVCollection lvc;
    std::vector<Call> calls;
    std::optional<Variant> addAnswer;
    std::optional<Variant> removeAnswer;
    int32_t failWith = 0;
};

using Map = std::vector<std::pair<int32_t, int32_t>>;

}  // namespace lvctest
