#pragma once

// Compiled form of a spreadsheet number-format code, shared by the parser
// (nf_parse.cpp), the number renderers (nf_number.cpp) and the date renderer
// (nf_date.cpp). Nothing here is part of the library's public interface.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ol::nf {

enum class Tok : std::uint8_t {
    Literal,     // text
    Digit,       // ch: '0', '#' or '?'
    Point,       // decimal point
    Exponent,    // ch: '+' (sign always shown) or '-' (only a minus shown)
    Slash,       // fraction bar
    FixedDen,    // fixed fraction denominator, value in num
    General,     // the host's general number display
    Text,        // '@': the formatted text
    Year,        // width 2 or 4
    Month,       // width 1, 2 (number), 3 (Jan), 4 (January), 5 (J)
    Day,         // width 1, 2 (number), 3 (Mon), 4 (Monday)
    Hour,        // width 1 or 2
    Minute,      // width 1 or 2
    Second,      // width 1 or 2
    ElapsedHour, // [h]: total hours, zero-padded to width
    ElapsedMinute,
    ElapsedSecond,
    SubSecond, // width: 1..3 digits of fractional seconds
    AmPm,      // text: morning marker, text2: afternoon marker
    // Only seen while parsing; resolved before a section is finished.
    Comma,
    Percent,
};

struct Token {
    Tok kind = Tok::Literal;
    char ch = 0;
    std::uint8_t width = 0;
    std::int64_t num = 0;
    std::string text;
    std::string text2;
};

enum class Kind : std::uint8_t {
    Literal,    // no placeholders: the section's text only
    Number,     // fixed-point digits
    Scientific, // mantissa and exponent
    Fraction,   // whole part and/or numerator/denominator
    Date,       // date and time codes on the 1900 serial-date system
    General,    // general display inside literals
    Text,       // text section ('@')
};

struct Condition {
    enum class Op : std::uint8_t { None, Lt, Le, Gt, Ge, Eq, Ne };
    Op op = Op::None;
    double value = 0;

    bool present() const { return op != Op::None; }
    bool test(double v) const;
    // True when no positive number satisfies the condition: a section kept for
    // such values shows them without a minus sign, like the negative section.
    bool negativeOnly() const;
};

struct Section {
    Kind kind = Kind::Literal;
    std::vector<Token> tokens;
    int color = 0; // palette index 1..56, 0 = none
    Condition cond;
    int scale10 = 0; // power of ten applied before display: +2 per '%', -3 per scaling comma
    bool grouping = false;

    // Number and Scientific: tokens [0, pointAt) are the integer region (or
    // [0, expAt) / [0, size) without a point), (pointAt, expAt or size) the
    // fraction region, (expAt, size) the exponent region.
    int pointAt = -1;
    int expAt = -1;
    int intPlaces = 0;
    int fracPlaces = 0;
    int expPlaces = 0;
    bool engineering = false; // exponent kept a multiple of intPlaces

    // Fraction: tokens [0, numBegin) hold the whole part and its literals,
    // [numBegin, slashAt) the numerator, (slashAt, denEnd) the denominator.
    int numBegin = 0;
    int slashAt = 0;
    int denEnd = 0;
    int wholePlaces = 0;
    int numPlaces = 0;
    int denPlaces = 0;       // variable denominator: digit count
    std::int64_t maxDen = 0; // largest denominator allowed (variable)
    std::int64_t fixedDen = 0;

    // Date
    int subSecondDigits = 0;
    bool hour12 = false;
};

struct Program {
    bool valid = true;
    std::string error;
    std::vector<Section> numeric; // 0..3 sections used for numbers
    bool hasText = false;
    Section text; // used for text values (and numbers when numeric is empty)
    bool anyCondition = false;
};

// Digits of a non-negative value: 0.d1 d2 ... dn x 10^point, at most 15
// significant digits, no trailing zeros; n == 0 means zero.
struct Decimal {
    char digits[18];
    int n = 0;
    int point = 0;

    char at(int i) const { return (i >= 0 && i < n) ? digits[i] : '0'; }
};

// Parses `code`; never throws. An unusable code gives valid == false.
Program parseProgram(std::string_view code);

// Conversion to the 15 significant digits the host keeps, then decimal
// rounding half away from zero, the way the host rounds a displayed value.
Decimal toDecimal15(double a);
void roundToDecimals(Decimal& d, int decimals);

// Renders a section for |v| = a into out (out already holds any minus sign).
void renderNumber(const Section& s, double a, std::string& out);
void renderScientific(const Section& s, double a, std::string& out);
void renderFraction(const Section& s, double a, std::string& out);
void renderGeneralSection(const Section& s, double a, std::string& out);
void renderLiteral(const Section& s, std::string& out);
// Returns false when the serial is not a displayable date (negative or past 9999-12-31).
bool renderDate(const Section& s, double serial, std::string& out);
void appendGeneral(double a, std::string& out);

} // namespace ol::nf
