#include "database/field_values.h"

namespace kiruvan {
namespace {

void withdrawLastRow(Table& table)
{
    if (!table.isOpen())
        return;
    if (table.isEditing()) {
        table.cancel();
        return;
    }
    table.last();
    if (!table.isEmpty())
        table.remove();
}

}  // namespace

void appendAndSave(Table& table, const std::filesystem::path& file, const std::function<void()>& setFields)
{
    try {
        table.append();
        setFields();
        table.post();
        table.saveToFile(file);
    } catch (...) {
        try {
            withdrawLastRow(table);
        } catch (...) {
            // The first failure is the one worth reporting.
        }
        throw;
    }
}

}  // namespace kiruvan
