#include "database/table.h"
#include "database/table_rows.h"

namespace kiruvan {

void Table::append()
{
    requireOpen("append a row");
    checkBrowseMode();
    fire(beforeScroll);
    d_->buffer.assign(fields_.size(), std::monostate{});
    state_ = TableState::Insert;
    eof_ = bof_ = false;
    fire(afterInsert);
    fire(afterScroll);
    notify(TableChange::Current, d_->pos);
}

void Table::edit()
{
    requireOpen("edit a row");
    if (isEditing())
        return;
    if (!d_->hasCurrent()) {
        append();  // editing an empty table starts a new row
        return;
    }
    d_->buffer = d_->current().values;
    state_ = TableState::Edit;
    fire(afterEdit);
}

void Table::post()
{
    requireEditing("post");
    Impl& d = *d_;
    std::int64_t id = 0;
    if (state_ == TableState::Insert) {
        id = d.nextId++;
        d.rows.push_back({std::move(d.buffer), 0, id, false});
        d.markDirty(d.rows.size() - 1);
    } else {
        Impl::Row& row = d.current();
        row.values = std::move(d.buffer);
        d.markDirty(static_cast<size_t>(d.view[static_cast<size_t>(d.pos)]));
        id = row.id;
    }
    const bool wasInsert = state_ == TableState::Insert;
    state_ = TableState::Browse;
    d.buffer.clear();
    // Plain tables keep the cheap path: an appended row goes last, an edited row stays put.
    if (d.sortFields.empty() && d.tests.empty()) {
        if (wasInsert) {
            d.view.push_back(static_cast<int>(d.rows.size()) - 1);
            d.pos = static_cast<int>(d.view.size()) - 1;
        }
    } else {
        rebuildView(id, d.pos);
    }
    eof_ = bof_ = false;
    notify(TableChange::Reset, -1);
}

void Table::cancel()
{
    if (!isEditing())
        return;
    state_ = TableState::Browse;
    d_->buffer.clear();
    notify(TableChange::Current, d_->pos);
}

void Table::remove()
{
    requireOpen("delete a row");
    if (state_ == TableState::Insert) {
        cancel();
        return;
    }
    Impl& d = *d_;
    if (!d.hasCurrent())
        throw TableError("Cannot delete a row: the table is empty.");
    state_ = TableState::Browse;
    d.buffer.clear();
    fire(beforeScroll);
    const int pos = d.pos;
    const auto index = static_cast<size_t>(d.view[static_cast<size_t>(pos)]);
    if (d.rows[index].key != 0)
        d.deletedKeys.push_back(d.rows[index].key);
    d.forgetDirty(index);
    d.rows.erase(d.rows.begin() + static_cast<std::ptrdiff_t>(index));
    rebuildView(0, pos);
    eof_ = d.view.empty();
    bof_ = d.view.empty();
    fire(afterScroll);
    notify(TableChange::Reset, -1);
}

void Table::disableControls()
{
    ++suspended_;
}

void Table::enableControls()
{
    if (suspended_ > 0 && --suspended_ == 0 && d_->pendingNotify) {
        d_->pendingNotify = false;
        notify(TableChange::Reset, -1);
    }
}

int Table::subscribe(Listener listener)
{
    const int id = d_->nextListener++;
    d_->listeners.emplace(id, std::move(listener));
    return id;
}

void Table::unsubscribe(int id)
{
    d_->listeners.erase(id);
}

void Table::notify(TableChange change, int row)
{
    if (suspended_ > 0) {
        d_->pendingNotify = true;
        return;
    }
    if (d_->listeners.empty())
        return;
    const auto listeners = d_->listeners;  // a listener may unsubscribe itself
    for (const auto& [id, listener] : listeners)
        listener(change, row);
}

void Table::fire(const std::function<void(Table&)>& handler)
{
    // Events fire even while display updates are suspended: handlers keep state, not pixels.
    if (handler)
        handler(*this);
}

}  // namespace kiruvan
