#pragma once
// The ordered, keyless list of items that every collection of the view model
// holds: 1-based positions, items kept in the order they were added.

#include "base/AppError.h"
#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"
#include "viewmodel/ViewModelSupport.h"

#include <memory>
#include <vector>

template <class T>
class CoLdUVItemList : public VObject {
public:
    using ItemRef = std::shared_ptr<T>;

    // An empty reference is refused here rather than met later by Store.
    void Add(ItemRef vntItem)
    {
        if (!vntItem)
            RaiseError(vberr::ObjectNotSet);
        m_items.push_back(std::move(vntItem));
    }
    void Clear()
    {
        while (Count() != 0)
            Remove(Variant(int32_t(1)));
    }
    // A 16-bit count: more than 32767 items overflow.
    int16_t Count() const
    {
        if (m_items.size() > 32767)
            RaiseError(vberr::Overflow);
        return static_cast<int16_t>(m_items.size());
    }
    ItemRef Item(const Variant& vntIndex) const { return m_items[position(vntIndex)]; }
    void Remove(const Variant& vntIndex) { m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(position(vntIndex))); }

    // For range loops of the program's own code.
    const std::vector<ItemRef>& Items() const { return m_items; }
    typename std::vector<ItemRef>::const_iterator begin() const { return m_items.begin(); }
    typename std::vector<ItemRef>::const_iterator end() const { return m_items.end(); }

protected:
    // Replaces the list by a new one filled from the rows of a statement; load
    // reads one row into a new item. An item that fails to load ends the load
    // with its error; the items read before it stay in the list.
    template <class Load>
    void loadRows(const QString& sql, Load&& load)
    {
        m_items = std::vector<ItemRef>();
        if (sql.isEmpty())
            return;
        BrandleDatabase& dbi = viewmodel::DBI();
        BrandleRecordsetPtr rs;
        if (dbi.OpenRecordset(sql, rs, 0, 1)) {
            while (rs->HasRecord()) {
                auto item = std::make_shared<T>();
                load(*item, rs);
                m_items.push_back(std::move(item));
                rs->MoveNext();
            }
        }
        dbi.CloseRecordset(rs);
    }

private:
    // A keyless list: a text index is a key, which it cannot hold (5); a number
    // outside 1..Count is out of range (9).
    size_t position(const Variant& index) const
    {
        if (index.isString())
            RaiseError(vberr::InvalidProcedureCall);
        const int32_t i = index.toInt32();
        if (i < 1 || static_cast<size_t>(i) > m_items.size())
            RaiseError(vberr::SubscriptOutOfRange);
        return static_cast<size_t>(i - 1);
    }

    std::vector<ItemRef> m_items;
};
