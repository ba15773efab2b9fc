#include "platform/controls/eListViewModel.h"

#include "base/SqlLex.h"

#include "base/AuUtilities.h"
#include "platform/forms/FormsRuntime.h"

#include <QTableView>

#include <algorithm>

namespace elistview {

std::vector<ColumnDef> ParseColumnString(const QString& text)
{
    std::vector<ColumnDef> columns;
    int pos = 0;
    while (pos < text.size()) {
        const int comma = text.indexOf(u',', pos);
        if (comma < 0)
            break;
        ColumnDef c;
        c.caption = text.mid(pos, comma - pos);
        const QChar a = comma + 1 < text.size() ? text[comma + 1] : QChar(u'0');
        c.alignment = a == u'1' ? 1 : a == u'2' ? 2 : 0;
        columns.push_back(c);
        const int next = text.indexOf(u',', comma + 1);
        if (next < 0)
            break;
        pos = next + 1;
    }
    return columns;
}

QString DisplayText(const Variant& v)
{
    if (v.isNull() || v.isEmpty())
        return QString();
    try {
        return v.toString();
    } catch (...) {
        return QString();
    }
}

int64_t RowIdOf(const BrandleRow& row)
{
    if (row.empty() || row[0].isNull() || row[0].isEmpty())
        return 0;
    try {
        return static_cast<int64_t>(row[0].toDouble());
    } catch (...) {
        return 0;
    }
}

qsizetype TopLevelWords(const QString& s, QLatin1String first, QLatin1String second)
{
    return SqlFindTopLevelWords(s, first, second);
}

}  // namespace elistview

qsizetype OwnOrderByPosition(const QString& s)
{
    return TopLevelWords(s, QLatin1String("ORDER"), QLatin1String("BY"));
}

bool ListQueryModel::pageVisible(int64_t page) const
{
    QTableView* grid = m_owner->Grid();
    if (!grid || rows == 0)
        return false;
    int first = grid->rowAt(0);
    int last = grid->rowAt(grid->viewport()->height() - 1);
    if (first < 0)
        first = 0;
    if (last < 0)
        last = rows - 1;
    const int64_t start = page * batch;
    const int64_t end = start + batch - 1;
    return end >= base + first - batch && start <= base + last + batch;
}

void ListQueryModel::setResultRows(int64_t n)
{
    resultRows = std::max<int64_t>(0, n);
    if (base > 0 && base >= resultRows) {
        moveWindow(std::max<int64_t>(0, resultRows - windowRows));
        return;
    }
    setRows(static_cast<int>(std::min<int64_t>(resultRows - base, windowRows)));
    m_owner->updateScrollBar();
}

void ListQueryModel::moveWindow(int64_t newBase)
{
    beginResetModel();
    base = std::max<int64_t>(0, newBase);
    rows = static_cast<int>(std::clamp<int64_t>(resultRows - base, 0, windowRows));
    endResetModel();
    m_owner->updateScrollBar();
}

void ListQueryModel::requestPage(int64_t page, bool forced)
{
    if (!job || page < 0 || pages.count(page) || inFlight.count(page))
        return;
    for (auto& w : wanted) {
        if (w.first == page) {
            w.second = w.second || forced;
            return;
        }
    }
    wanted.emplace_back(page, forced);
    pump();
}

void ListQueryModel::pump()
{
    // One batch at a time on each cursor, the latest wish first, so that a fast
    // scroll does not leave a queue of batches nobody looks at any more. A page
    // nearer the end than the start is read from the end, backwards, on a cursor
    // and thread of its own, so that the last rows cost what the first ones do and
    // need not wait for a forward read still running (a sorted result's next batch).
    for (size_t i = wanted.size(); i-- > 0 && job;) {
        const auto [page, forced] = wanted[i];
        if (pages.count(page) || (!forced && !pageVisible(page))) {
            wanted.erase(wanted.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        const int64_t first = page * batch;
        const bool backwards = !job->reverseOrder.empty() && total > 0 && first < total && first > total - (first + batch);
        if (busy[backwards ? 1 : 0] != -1)
            continue;
        wanted.erase(wanted.begin() + static_cast<std::ptrdiff_t>(i));
        busy[backwards ? 1 : 0] = page;
        inFlight.insert(page);
        readPage(page, backwards);
    }
}

void ListQueryModel::readPage(int64_t page, bool backwards)
{
    JobPtr j = job;
    QueryWorker* worker = backwards ? m_owner->workers().reverse : m_owner->workers().cursor;
    QPointer<ListQueryModel> self(this);
    const int64_t known = total;
    QMetaObject::invokeMethod(worker, [worker, j, page, self, backwards, known] {
        if (j->cursorToken->load())
            return;
        try {
            RunQueryThreadFault();
            const int64_t start = page * j->batch;
            std::vector<BrandleRow> got;
            if (backwards) {
                const int64_t end = std::min<int64_t>(known, start + j->batch);
                const int64_t from = known - end;  // rows after this page
                BrandleQueryCursor& c = worker->cursor(j, true);
                if (c.Position() > from)
                    c.Rewind();
                if (c.Position() < from)
                    c.Skip(from - c.Position());
                if (c.Position() == from)
                    got = c.Fetch(static_cast<int>(end - start));
                std::reverse(got.begin(), got.end());
            } else {
                BrandleQueryCursor& c = worker->cursor(j);
                if (c.Position() > start)
                    c.Rewind();
                if (c.Position() < start)
                    c.Skip(start - c.Position());
                if (c.Position() == start)
                    got = c.Fetch(j->batch);
            }
            QMetaObject::invokeMethod(self.data(), [self, j, page, got = std::move(got)]() mutable {
                if (self)
                    self->pageArrived(j, page, std::move(got));
            }, Qt::QueuedConnection);
        } catch (...) {
            // Any failure, not only a database error, is a failed query.
            worker->dropCursor(j);
            const AppError e = QueryFailure(std::current_exception());
            if (IsCancelled(e))
                return;
            const QString message = e.description();
            QMetaObject::invokeMethod(self.data(), [self, j, message] {
                if (self && self->job == j)
                    self->m_owner->onLoadFailed(message);
            }, Qt::QueuedConnection);
        }
    }, Qt::QueuedConnection);
}

void ListQueryModel::pageArrived(const JobPtr& j, int64_t page, std::vector<BrandleRow> got)
{
    if (j != job)
        return;
    inFlight.erase(page);
    for (int64_t& b : busy)
        if (b == page)
            b = -1;
    const int64_t start = page * batch;
    const bool isEnd = static_cast<int>(got.size()) < batch;
    const int64_t endRow = start + static_cast<int64_t>(got.size());
    Page p;
    p.rows = std::move(got);
    p.used = ++clock;
    pages[page] = std::move(p);
    if (isEnd) {
        endKnown = true;
        // The end of the result: the count is known without waiting for it.
        if (total < 0 || endRow < total) {
            total = endRow;
            setResultRows(endRow);
            m_owner->onCountKnown(endRow);
        }
    } else if (total < 0 && endRow > resultRows) {
        setResultRows(endRow);
    }
    const int first = static_cast<int>(std::clamp<int64_t>(start - base, 0, rows));
    const int last = static_cast<int>(std::clamp<int64_t>(endRow - base, 0, rows)) - 1;
    if (last >= first && !columns.empty())
        emit dataChanged(index(first, 0), index(last, static_cast<int>(columns.size()) - 1));
    evict();
    if (page == 0 && !firstShown) {
        firstShown = true;
        // The next batch is read ahead: a sorted result then sorts while the user looks.
        if (!isEnd)
            requestPage(1, true);
        m_owner->applyColumns();
        emit m_owner->FirstRowsShown();
        if (m_owner->m_pendingSelectId > 0)
            m_owner->selectById(m_owner->m_pendingSelectId);
    }
    pump();
}

void ListQueryModel::evict()
{
    const size_t maxPages = static_cast<size_t>(std::max(4, kMaxRowsInMemory / std::max(1, batch)));
    if (pages.size() <= maxPages)
        return;
    QTableView* grid = m_owner->Grid();
    const int currentInGrid = grid && grid->selectionModel() ? grid->selectionModel()->currentIndex().row() : -1;
    const int64_t current = currentInGrid >= 0 ? base + currentInGrid : -1;
    std::vector<std::pair<uint64_t, int64_t>> candidates;
    for (const auto& [page, p] : pages) {
        if (pageVisible(page) || (current >= 0 && current / batch == page) || (heldRow >= 0 && heldRow / batch == page))
            continue;
        candidates.emplace_back(p.used, page);
    }
    std::sort(candidates.begin(), candidates.end());
    for (const auto& c : candidates) {
        if (pages.size() <= maxPages)
            break;
        pages.erase(c.second);
    }
}
