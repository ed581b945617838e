#include "database/table_filter.h"

#include <cctype>

#include "base/ascii_text.h"
#include "database/field_text.h"

namespace kiruvan {
namespace {

class FilterParser {
public:
    FilterParser(const Table& table, const std::string& text, const Clock* clock)
        : table_(table), text_(text), clock_(clock)
    {
    }

    std::vector<std::pair<int, Value>> parse()
    {
        std::vector<std::pair<int, Value>> tests;
        skipBlanks();
        if (at_ >= text_.size())
            return tests;
        for (;;) {
            tests.push_back(test());
            skipBlanks();
            if (at_ >= text_.size())
                return tests;
            if (!takeWord("and"))
                fail("'and' expected");
        }
    }

private:
    std::pair<int, Value> test()
    {
        skipBlanks();
        const size_t start = at_;
        while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
            ++at_;
        const std::string name = text_.substr(start, at_ - start);
        if (name.empty())
            fail("a field name expected");
        const int field = table_.fieldIndex(name);
        if (field < 0)
            fail("field '" + name + "' not found");
        skipBlanks();
        if (at_ >= text_.size() || text_[at_] != '=')
            fail("'=' expected after " + name);
        ++at_;
        skipBlanks();
        const FieldDef& def = table_.fields()[static_cast<size_t>(field)];
        const bool quoted = at_ < text_.size() && text_[at_] == '\'';
        const std::string literal = quoted ? quotedText() : number();
        if (!quoted && def.type == FieldType::Date)
            fail("a date must be written in quotes");
        try {
            Value v = valueFromText(def, literal, clock_);
            if (std::holds_alternative<std::monostate>(v) && def.type == FieldType::String)
                v = std::string();
            return {field, v};
        } catch (const TableError&) {
            fail("'" + literal + "' does not fit field " + def.name);
        }
    }

    std::string quotedText()
    {
        std::string out;
        for (++at_; at_ < text_.size(); ++at_) {
            if (text_[at_] == '\'') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
                    out += '\'';
                    ++at_;
                    continue;
                }
                ++at_;
                return out;
            }
            out += text_[at_];
        }
        fail("a quote is not closed");
    }

    std::string number()
    {
        const size_t start = at_;
        if (at_ < text_.size() && (text_[at_] == '-' || text_[at_] == '+'))
            ++at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
            ++at_;
        std::string out = text_.substr(start, at_ - start);
        if (out.empty() || out == "-" || out == "+")
            fail("a number or a quoted text expected");
        return out;
    }

    bool takeWord(const char* word)
    {
        const size_t n = std::char_traits<char>::length(word);
        if (!sameIgnoringAsciiCase(std::string_view(text_).substr(at_, n), word))
            return false;
        if (at_ + n < text_.size() && text_[at_ + n] != ' ')
            return false;
        at_ += n;
        return true;
    }

    void skipBlanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
            ++at_;
    }

    [[noreturn]] void fail(const std::string& why) const
    {
        throw TableError("Cannot read the filter \"" + text_ + "\": " + why + ".");
    }

    const Table& table_;
    const std::string& text_;
    const Clock* clock_;
    size_t at_ = 0;
};

}  // namespace

std::vector<std::pair<int, Value>> parseFilter(const Table& table, const std::string& text, const Clock* clock)
{
    return FilterParser(table, text, clock).parse();
}

std::string quotedForFilter(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string fieldIs(std::string_view field, std::int64_t value)
{
    return std::string(field) + "=" + std::to_string(value);
}

std::string fieldIs(std::string_view field, std::string_view text)
{
    return std::string(field) + "=" + quotedForFilter(text);
}

std::string bothOf(std::string_view first, std::string_view second)
{
    return std::string(first) + " and " + std::string(second);
}

}  // namespace kiruvan
