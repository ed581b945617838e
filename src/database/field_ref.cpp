#include <cmath>

#include "base/text_values.h"
#include "database/field_text.h"
#include "database/table.h"
#include "database/table_rows.h"

namespace kiruvan {

const FieldDef& FieldRef::def() const
{
    return table_->fields_[static_cast<size_t>(index_)];
}
bool FieldRef::isNull() const
{
    return std::holds_alternative<std::monostate>(value());
}

const Value& FieldRef::value() const
{
    Table::Impl& d = *table_->d_;
    if (table_->isEditing())
        return d.buffer[static_cast<size_t>(index_)];
    return d.hasCurrent() ? d.current().values[static_cast<size_t>(index_)] : kNullValue;
}

std::string FieldRef::asString() const
{
    struct Text {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return formatGeneral(v); }
        std::string operator()(Date v) const { return v.toText(); }
    };
    return std::visit(Text{}, value());
}

double FieldRef::asFloat() const
{
    const Value& v = value();
    if (auto f = std::get_if<double>(&v))
        return *f;
    if (auto i = std::get_if<std::int32_t>(&v))
        return *i;
    if (std::holds_alternative<std::monostate>(v))
        return 0.0;
    if (auto s = std::get_if<std::string>(&v))
        if (auto f = parseFloat(*s))
            return *f;
    throw TableError("Field '" + def().name + "' cannot be read as a floating point value.");
}

std::int32_t FieldRef::asInteger() const
{
    const Value& v = value();
    if (auto i = std::get_if<std::int32_t>(&v))
        return *i;
    if (std::holds_alternative<std::monostate>(v))
        return 0;
    if (auto f = std::get_if<double>(&v); f && std::fabs(*f) < 2147483647.5)
        return static_cast<std::int32_t>(std::nearbyint(*f));
    if (auto s = std::get_if<std::string>(&v))
        if (auto i = parseInteger(*s))
            return *i;
    throw TableError("Field '" + def().name + "' cannot be read as an integer value.");
}

Date FieldRef::asDate() const
{
    const Value& v = value();
    if (auto d = std::get_if<Date>(&v))
        return *d;
    if (std::holds_alternative<std::monostate>(v))
        return Date{};
    if (auto s = std::get_if<std::string>(&v))
        if (auto d = dateFromText(*s, table_->clock_))
            return *d;
    throw TableError("Field '" + def().name + "' cannot be read as a date.");
}

void FieldRef::setValue(const Value& v)
{
    struct Writer {
        FieldRef* f;
        void operator()(std::monostate) const { f->clear(); }
        void operator()(const std::string& s) const { f->setAsString(s); }
        void operator()(std::int32_t i) const { f->setAsInteger(i); }
        void operator()(double x) const { f->setAsFloat(x); }
        void operator()(Date d) const { f->setAsDate(d); }
    };
    std::visit(Writer{this}, v);
}

void FieldRef::setAsString(std::string_view text)
{
    table_->requireEditing("write a field");
    table_->d_->buffer[static_cast<size_t>(index_)] = valueFromText(def(), text, table_->clock_);
}

void FieldRef::setAsFloat(double v)
{
    table_->requireEditing("write a field");
    if (!std::isfinite(v))
        throw TableError("A value that is not a finite number cannot be written to field '" + def().name + "'.");
    switch (def().type) {
    case FieldType::Float:
        table_->d_->buffer[static_cast<size_t>(index_)] = v;
        return;
    case FieldType::Integer:
        if (std::fabs(v) >= 2147483647.5)
            throw TableError("The value " + formatGeneral(v) + " does not fit integer field '" + def().name + "'.");
        table_->d_->buffer[static_cast<size_t>(index_)] = static_cast<std::int32_t>(std::nearbyint(v));
        return;
    default:
        setAsString(formatGeneral(v));
    }
}

void FieldRef::setAsInteger(std::int32_t v)
{
    table_->requireEditing("write a field");
    switch (def().type) {
    case FieldType::Integer:
        table_->d_->buffer[static_cast<size_t>(index_)] = v;
        return;
    case FieldType::Float:
        table_->d_->buffer[static_cast<size_t>(index_)] = static_cast<double>(v);
        return;
    default:
        setAsString(std::to_string(v));
    }
}

void FieldRef::setAsDate(Date v)
{
    table_->requireEditing("write a field");
    if (def().type == FieldType::Date)
        table_->d_->buffer[static_cast<size_t>(index_)] = v;
    else if (def().type == FieldType::String)
        setAsString(v.toText());
    else
        throw TableError("A date cannot be written to field '" + def().name + "'.");
}

void FieldRef::clear()
{
    table_->requireEditing("write a field");
    table_->d_->buffer[static_cast<size_t>(index_)] = std::monostate{};
}

FieldRef Table::field(std::string_view name)
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw TableError("Field '" + std::string(name) + "' not found.");
    return FieldRef(*this, i);
}

FieldRef Table::field(int index)
{
    if (index < 0 || index >= fieldCount())
        throw TableError("Field number " + std::to_string(index) + " does not exist.");
    return FieldRef(*this, index);
}

const Value& Table::valueAt(int row, int fieldIndex) const
{
    const Impl& d = *d_;
    if (row < 0 || row >= static_cast<int>(d.view.size()) || fieldIndex < 0 || fieldIndex >= this->fieldCount())
        return kNullValue;
    if (state_ == TableState::Edit && row == d.pos)
        return d.buffer[static_cast<size_t>(fieldIndex)];
    return d.rows[static_cast<size_t>(d.view[static_cast<size_t>(row)])].values[static_cast<size_t>(fieldIndex)];
}

std::string Table::textAt(int row, int fieldIndex) const
{
    const Value& v = valueAt(row, fieldIndex);
    if (auto d = std::get_if<double>(&v))
        return formatGeneral(*d);
    if (auto i = std::get_if<std::int32_t>(&v))
        return std::to_string(*i);
    if (auto s = std::get_if<std::string>(&v))
        return *s;
    if (auto dt = std::get_if<Date>(&v))
        return dt->toText();
    return {};
}

}  // namespace kiruvan
