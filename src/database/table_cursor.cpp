#include <algorithm>

#include "base/ascii_text.h"
#include "database/table.h"
#include "database/table_filter.h"
#include "database/table_rows.h"

namespace kiruvan {
namespace {

// Splits "a;b" into field positions.
std::vector<int> fieldPositions(const Table& table, const std::string& list, const char* what)
{
    std::vector<int> out;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(';', start), list.size());
        const std::string_view name = trimmed(std::string_view(list).substr(start, end - start));
        if (!name.empty()) {
            const int i = table.fieldIndex(name);
            if (i < 0)
                throw TableError(std::string(what) + " \"" + list + "\": field '" + std::string(name) + "' not found.");
            out.push_back(i);
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

void Table::setFilter(std::string expression)
{
    filterText_ = std::move(expression);
    if (isOpen())
        rebuildView(d_->hasCurrent() ? d_->current().id : 0, 0);
}

void Table::setFiltered(bool on)
{
    filtered_ = on;
    if (isOpen()) {
        rebuildView(d_->hasCurrent() ? d_->current().id : 0, 0);
        first();
    }
}

void Table::setSortOrder(std::string fieldList)
{
    sortText_ = std::move(fieldList);
    if (isOpen()) {
        rebuildView(d_->hasCurrent() ? d_->current().id : 0, 0);
        notify(TableChange::Reset, -1);
    }
}

void Table::rebuildView(std::int64_t keepRowId, int fallbackPos)
{
    Impl& d = *d_;
    d.tests.clear();
    if (filtered_)
        for (auto& [field, value] : parseFilter(*this, filterText_, clock_))
            d.tests.push_back({field, std::move(value)});
    d.sortFields = fieldPositions(*this, sortText_, "Cannot sort on");
    d.view.clear();
    for (size_t i = 0; i < d.rows.size(); ++i)
        if (d.visible(d.rows[i]))
            d.view.push_back(static_cast<int>(i));
    if (!d.sortFields.empty())
        std::stable_sort(d.view.begin(), d.view.end(), [&](int a, int b) { return d.sortedBefore(a, b); });
    d.pos = -1;
    if (keepRowId != 0)
        for (size_t i = 0; i < d.view.size(); ++i)
            if (d.rows[static_cast<size_t>(d.view[i])].id == keepRowId)
                d.pos = static_cast<int>(i);
    if (d.pos < 0 && !d.view.empty())
        d.pos = std::clamp(fallbackPos, 0, static_cast<int>(d.view.size()) - 1);
}

void Table::checkBrowseMode()
{
    if (isEditing())
        post();
}

void Table::scroll(int viewPos, bool atEnd, bool atStart)
{
    fire(beforeScroll);
    d_->pos = viewPos;
    eof_ = atEnd;
    bof_ = atStart;
    fire(afterScroll);
    notify(TableChange::Current, d_->pos);
}

void Table::first()
{
    requireOpen("move");
    checkBrowseMode();
    const bool empty = d_->view.empty();
    scroll(empty ? -1 : 0, empty, true);
}

void Table::last()
{
    requireOpen("move");
    checkBrowseMode();
    const int n = static_cast<int>(d_->view.size());
    scroll(n - 1, true, n == 0);
}

void Table::next()
{
    moveBy(1);
}
void Table::prior()
{
    moveBy(-1);
}

void Table::moveBy(int n)
{
    requireOpen("move");
    checkBrowseMode();  // posting may re-sort: count from where the row is now
    moveToPosition(static_cast<long>(d_->pos) + n, true);
}
void Table::moveTo(int recNo)
{
    moveToPosition(static_cast<long>(recNo) - 1, false);
}

// Moves to a 0-based position clipped to the rows; a relative move that ran past an end
// raises that end's flag.
void Table::moveToPosition(long target, bool flagClipping)
{
    requireOpen("move");
    checkBrowseMode();
    const int count = static_cast<int>(d_->view.size());
    if (count == 0) {
        scroll(-1, true, true);
        return;
    }
    scroll(static_cast<int>(std::clamp<long>(target, 0, count - 1)), flagClipping && target > count - 1,
           flagClipping && target < 0);
}

int Table::recNo() const
{
    return d_->hasCurrent() ? d_->pos + 1 : 0;
}
int Table::recordCount() const
{
    return static_cast<int>(d_->view.size());
}

}  // namespace kiruvan
