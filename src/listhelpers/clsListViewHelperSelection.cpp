// clsListViewHelper: selection counters and commands, the list's key, check-box
// and double-click events, the clipboard copy, row bands and removal.

#include "listhelpers/clsListViewHelper.h"

#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/ReportListView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <exception>

namespace {

const char kObject[] = "clsListViewHelper";

ReportListView& Need(ReportListView* list)
{
    if (!list)
        RaiseError(vberr::ObjectNotSet);
    return *list;
}

QColor ColorOf(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

}  // namespace

// ---------------------------------------------------------------- counters

int32_t clsListViewHelper::NumberSelected(ReportListView* list) const
{
    return Traced(kObject, "NumberSelected", [&] { return Need(GetListView(list)).SelectedCount(); });
}

int32_t clsListViewHelper::NumberChecked(ReportListView* list) const
{
    return Traced(kObject, "NumberChecked", [&] { return Need(GetListView(list)).CheckedCount(); });
}

int32_t clsListViewHelper::NumberSelectedAndChecked(ReportListView* list) const
{
    return Traced(kObject, "NumberSelectedAndChecked", [&] {
        ReportListView& l = Need(GetListView(list));
        int32_t n = 0;
        for (int i = 1; i <= l.ItemCount(); ++i) {
            const ListItem* item = l.Item(i);
            n += item->Selected() && item->Checked() ? 1 : 0;
        }
        return n;
    });
}

bool clsListViewHelper::ManySelected(ReportListView* list) const
{
    return Traced(kObject, "ManySelected", [&] { return NumberSelected(list) > 1; });
}

bool clsListViewHelper::OnlyOneSelected(ReportListView* list) const
{
    return Traced(kObject, "OnlyOneSelected", [&] { return NumberSelected(list) == 1; });
}

// ---------------------------------------------------------------- commands

void clsListViewHelper::SelectAll()
{
    Traced(kObject, "SelectAll", [&] {
        boundList().SelectAll();
    });
}

void clsListViewHelper::UnSelectAll()
{
    Traced(kObject, "UnSelectAll", [&] { boundList().UnSelectAll(); });
}

void clsListViewHelper::SelectByItem(ListItem* item)
{
    Traced(kObject, "SelectByItem", [&] {
        boundList();
        if (!item)
            RaiseError(vberr::ObjectNotSet);
        UnSelectAll();
        item->SetSelected(true);
        item->EnsureVisible();
    });
}

void clsListViewHelper::KeyDown(int16_t keyCode, int16_t shift)
{
    Traced(kObject, "KeyDown", [&] {
        int code = keyCode;
        onKeyDown(code, shift);
    });
}

// ---------------------------------------------------------------- events of the list

void clsListViewHelper::onItemCheck(ListItem* item)
{
    RunEventHandler(kObject, "", [&] {
        if (m_bOnItemCheckSelectLine && item) {
            UnSelectAll();
            item->SetSelected(true);
        }
    });
}

void clsListViewHelper::onKeyDown(int& keyCode, int shift)
{
    RunEventHandler(kObject, "m_lstView_KeyDown", [&] {
        if (!(shift & 2))
            return;
        if (keyCode == 65)
            SelectAll();
        else if (keyCode == 67)
            copySelectedToClipboard();
    });
}

void clsListViewHelper::onDblClick()
{
    RunEventHandler(kObject, "m_lstView_DblClick", [&] {
        if (boundList().ItemCount() > 0)
            emit DblClick();
    });
}

// ---------------------------------------------------------------- clipboard

void clsListViewHelper::copySelectedToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    try {
        clipboard->clear();
        SetScreenMousePointer(vbHourglass);
        ReportListView& list = boundList();
        if (list.ItemCount() > 0) {
            const int columns = list.ColumnCount();
            QStringList captions;
            for (int c = 1; c <= columns; ++c)
                captions << list.Column(c)->Text();
            QString text = captions.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
            for (int i = 1; i <= list.ItemCount(); ++i) {
                const ListItem* item = list.Item(i);
                if (!item->Selected())
                    continue;
                QStringList fields{item->Text()};
                for (int c = 1; c < columns; ++c)
                    fields << item->SubItem(c);
                text += fields.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
            }
            clipboard->clear();
            clipboard->setText(text);
        }
    } catch (...) {
        clipboard->clear();
    }
    SetScreenMousePointer(vbDefault);
}

// ---------------------------------------------------------------- colours

void clsListViewHelper::SetListViewColor(ReportListView* list, uint32_t color1, uint32_t color2)
{
    if (!list)
        return;
    // Bands belong to the report view; every other view shows a plain background.
    if (list->View() != 3) {
        list->SetBandColors(QColor(), QColor());
        return;
    }
    list->SetBandColors(ColorOf(color1), ColorOf(color2));
}

// ---------------------------------------------------------------- removal

bool clsListViewHelper::RemoveSelected(ReportListView* oLsv, const std::function<void(int32_t)>& obj,
                                       bool /*bMarkedDeleteFlag*/, bool bOnlyRemoveFromObj, bool bAsk)
{
    try {
        ReportListView& list = Need(GetListView(oLsv));
        if (bAsk) {
            const bool many = ManySelected(&list);
            QString question = QStringLiteral("Do you want to remove the selected item") +
                               (many ? QStringLiteral("s") : QString()) + QStringLiteral("?");
            if (!many) {
                const ListItem& item = *[&] {
                    ListItem* current = list.SelectedItem();
                    if (!current)
                        RaiseError(vberr::ObjectNotSet);
                    return current;
                }();
                question += QStringLiteral("\r\n\r\n   - ") + item.Text() + QStringLiteral(" - ") + item.SubItem(1);
            }
            if (MsgBox(question, vbYesNo | vbExclamation, QStringLiteral("Attention")) == vbNo)
                return false;
        }
        if (!obj)
            RaiseError(vberr::ObjectNotSet);
        const int n = list.ItemCount();
        if (bOnlyRemoveFromObj) {
            std::vector<int32_t> ids;
            for (int p = 1; p <= n; ++p)
                if (list.Item(p)->Selected())
                    ids.push_back(ListKeyToID(list.Item(p)->Key()));
            if (ids.empty())
                RaiseError(vberr::SubscriptOutOfRange);
            std::sort(ids.begin(), ids.end());
            for (auto it = ids.rbegin(); it != ids.rend(); ++it)
                obj(*it);
            return true;
        }
        // The ids must be exactly 1 to the row count; all of them are read and checked
        // before anything changes, so that a list that does not qualify stays as it was.
        std::vector<ListItem*> rowOfId(static_cast<size_t>(n) + 1, nullptr);
        std::vector<int32_t> idAt(static_cast<size_t>(n) + 1, 0);
        for (int p = 1; p <= n; ++p) {
            ListItem* item = list.Item(p);
            const int32_t id = ListKeyToID(item->Key());
            if (id < 1 || id > n || rowOfId[static_cast<size_t>(id)])
                RaiseError(vberr::SubscriptOutOfRange);
            rowOfId[static_cast<size_t>(id)] = item;
            idAt[static_cast<size_t>(p)] = id;
        }
        ListRedrawLock lock(&list);
        // The collection first, highest index down; the list then loses exactly the rows
        // the collection lost and the others are renumbered to match, also when a removal
        // from the collection fails part-way.
        std::vector<char> removed(static_cast<size_t>(n) + 1, 0);
        std::exception_ptr failure;
        try {
            for (int id = n; id >= 1; --id) {
                if (!rowOfId[static_cast<size_t>(id)]->Selected())
                    continue;
                obj(id);
                removed[static_cast<size_t>(id)] = 1;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        for (int p = n; p >= 1; --p)
            if (removed[static_cast<size_t>(idAt[static_cast<size_t>(p)])])
                list.RemoveItem(p);
        // In ascending order of the former ids each new key is below every key still to
        // be renamed and above every key already given, so no two rows ever share one.
        int gone = 0;
        for (int id = 1; id <= n; ++id) {
            if (removed[static_cast<size_t>(id)])
                ++gone;
            else if (gone > 0)
                rowOfId[static_cast<size_t>(id)]->SetKey(IDToListKey(id - gone));
        }
        if (failure)
            std::rethrow_exception(failure);
        return true;
    } catch (...) {
        const AppError e = ToAppError(std::current_exception());
        SetCurrentError(e);
        TraceProc(QString::fromLatin1(kObject), QStringLiteral("RemoveSelected"));
        MsgBox(QStringLiteral("An error occured while trying to remove items from the list.") +
                   QStringLiteral("\r\nThis error may have unexpected side effects."),
               vbOKOnly);
        return false;
    }
}
