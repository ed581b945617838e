#include "base/text_values.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace kiruvan {
namespace {

// The program's texts use the plain space as their only blank.
constexpr bool isBlank(char c)
{
    return c == ' ';
}
constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A cursor over a text for the small hand-written readers below.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    std::size_t position() const { return pos_; }

    void skipBlanks()
    {
        while (!atEnd() && isBlank(text_[pos_]))
            ++pos_;
    }

    bool accept(char c)
    {
        if (atEnd() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }

    // Consumes at most maxDigits digits; returns how many were consumed.
    std::size_t skipDigits(std::size_t maxDigits = std::numeric_limits<std::size_t>::max())
    {
        std::size_t count = 0;
        while (count < maxDigits && !atEnd() && isDigit(text_[pos_])) {
            ++pos_;
            ++count;
        }
        return count;
    }

    std::string_view slice(std::size_t from, std::size_t to) const { return text_.substr(from, to - from); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// One number of a date: blanks, then up to four digits. Digits beyond the fourth stay unread
// and make the text fail at the next expected separator.
struct DateNumber {
    int value = 0;
    std::size_t digits = 0;
};

std::optional<DateNumber> scanDateNumber(Scanner& in)
{
    in.skipBlanks();
    const std::size_t start = in.position();
    const std::size_t count = in.skipDigits(4);
    if (count == 0)
        return std::nullopt;
    DateNumber n;
    n.digits = count;
    for (char c : in.slice(start, in.position()))
        n.value = n.value * 10 + (c - '0');
    return n;
}

// A year of one or two digits lies in the hundred years starting 50 years before this year.
int expandShortYear(int year, int currentYear)
{
    const int windowStart = currentYear - 50;
    year += windowStart / 100 * 100;
    if (year < windowStart)
        year += 100;
    return year;
}

// The number grammar: blanks, sign, digits with at most one ".", exponent, blanks. Returns the
// text without blanks and without a leading "+", ready for a strict converter, or nullopt.
std::optional<std::string_view> numberCore(std::string_view text, bool& negative)
{
    Scanner in(text);
    in.skipBlanks();
    negative = false;
    if (in.accept('-'))
        negative = true;
    else
        in.accept('+');
    const std::size_t start = in.position();
    std::size_t digits = in.skipDigits();
    if (in.accept('.'))
        digits += in.skipDigits();
    if (digits == 0)
        return std::nullopt;
    if (in.accept('E') || in.accept('e')) {
        if (!in.accept('+'))
            in.accept('-');
        if (in.skipDigits() == 0)
            return std::nullopt;
    }
    const std::size_t end = in.position();
    in.skipBlanks();
    if (!in.atEnd())
        return std::nullopt;
    return in.slice(start, end);
}

// The power of ten of the first significant digit of a number text that passed the grammar
// (saturated, so that absurd exponents stay comparable). Only called for non-zero texts.
long long decimalMagnitude(std::string_view core)
{
    long long integerDigits = 0;
    long long leadingZeros = 0;
    bool inFraction = false;
    bool significant = false;
    std::size_t i = 0;
    for (; i < core.size() && core[i] != 'e' && core[i] != 'E'; ++i) {
        const char c = core[i];
        if (c == '.') {
            inFraction = true;
            continue;
        }
        if (!inFraction)
            ++integerDigits;
        if (!significant && c == '0')
            ++leadingZeros;
        else
            significant = true;
    }
    long long exponent = 0;
    if (i < core.size()) {
        bool negative = false;
        for (++i; i < core.size(); ++i) {
            if (core[i] == '-')
                negative = true;
            else if (isDigit(core[i]) && exponent < 1'000'000'000)
                exponent = exponent * 10 + (core[i] - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return integerDigits - leadingZeros - 1 + exponent;
}

template <typename Real>
std::optional<Real> parseReal(std::string_view text)
{
    bool negative = false;
    const auto core = numberCore(text, negative);
    if (!core)
        return std::nullopt;
    Real value{};
    const char* first = core->data();
    const char* last = first + core->size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ptr != last)
        return std::nullopt;
    // Out of range is either beyond the largest finite value, no number the program can hold,
    // or below the smallest subnormal, which reads as zero.
    if (ec == std::errc::result_out_of_range) {
        if (decimalMagnitude(*core) > 0)
            return std::nullopt;
        value = 0;
    } else if (ec != std::errc{}) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

// Decimal digits and exponent of a value rounded to 15 significant digits, without trailing
// zeros: value = 0.d1d2d3... * 10^(exponent + 1).
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

Decimal toDecimal15(long double value)
{
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    if (ec != std::errc{})
        throw std::runtime_error("number text conversion failed");
    Decimal d;
    std::string_view text(buf, static_cast<std::size_t>(end - buf));
    if (text.front() == '-') {
        d.negative = true;
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    for (char c : text.substr(0, e))
        if (isDigit(c))
            d.digits += c;
    const std::string_view exponentText = text.substr(e + 1);
    const char* first = exponentText.data();
    if (*first == '+')
        ++first;
    std::from_chars(first, exponentText.data() + exponentText.size(), d.exponent);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

std::string exponentForm(const Decimal& d)
{
    std::string text = d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        text += '.';
        text.append(d.digits, 1);
    }
    text += 'E';
    text += std::to_string(d.exponent);
    return text;
}

std::string fixedForm(const Decimal& d)
{
    if (d.exponent < 0)
        return "0." + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    const std::size_t integerDigits = static_cast<std::size_t>(d.exponent) + 1;
    if (d.digits.size() <= integerDigits)
        return d.digits + std::string(integerDigits - d.digits.size(), '0');
    return d.digits.substr(0, integerDigits) + "." + d.digits.substr(integerDigits);
}

// Digits after the decimal separator of a general-format text, 0 without one.
std::size_t decimalsAfterSeparator(const std::string& text)
{
    const std::size_t separator = text.find('.');
    return separator == std::string::npos ? 0 : text.size() - separator - 1;
}

}  // namespace

std::optional<Date> parseDate(std::string_view text, const Clock& clock)
{
    Scanner in(text);
    const auto day = scanDateNumber(in);
    if (!day || !in.accept('/'))
        return std::nullopt;
    const auto month = scanDateNumber(in);
    if (!month)
        return std::nullopt;
    int year = 0;
    if (in.accept('/')) {
        const auto written = scanDateNumber(in);
        if (!written)
            return std::nullopt;
        year = written->digits <= 2 ? expandShortYear(written->value, clock.currentYear()) : written->value;
        in.accept('/');
    } else {
        year = clock.currentYear();
    }
    in.skipBlanks();
    if (!in.atEnd())
        return std::nullopt;
    return Date::tryFromYmd(year, month->value, day->value);
}

std::optional<double> parseFloat(std::string_view text)
{
    return parseReal<double>(text);
}

std::optional<long double> parseLongDouble(std::string_view text)
{
    return parseReal<long double>(text);
}

// Like a classic general float format: fixed notation while the decimal exponent lies in
// -4..14 (0.0001 up to 15 integer digits), exponent notation outside that range. Zero of either
// sign prints "0": a price never shows a sign on nothing.
std::string formatGeneral(long double value)
{
    if (!std::isfinite(value))
        throw std::domain_error("a number that is not finite cannot be written as text");
    if (value == 0)
        return "0";
    const Decimal d = toDecimal15(value);
    const std::string body = d.exponent >= 15 || d.exponent < -4 ? exponentForm(d) : fixedForm(d);
    return d.negative ? "-" + body : body;
}

bool Date_Valide(std::string_view text, const Clock& clock)
{
    return parseDate(text, clock).has_value();
}

bool Prix_Valide(std::string_view text)
{
    const auto value = parseFloat(text);
    return value && *value >= 0;
}

bool Volume_Valide(std::string_view text)
{
    return Prix_Valide(text.empty() ? std::string_view("0") : text);
}

std::string Format_Prix(double value)
{
    // Scaling in extended precision keeps 0.125 * 100 exactly 12.5, so the half goes to even.
    const long double cents = std::nearbyint(static_cast<long double>(value) * 100.0L);
    std::string text = formatGeneral(cents / 100.0L);
    switch (decimalsAfterSeparator(text)) {
    case 0:
        text += ".00";
        break;
    case 1:
        text += "0";
        break;
    default:
        break;
    }
    return text;
}

}  // namespace kiruvan
