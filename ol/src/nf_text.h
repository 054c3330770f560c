#pragma once

// Text-level helpers of the number-format parser (nf_parse.cpp): code points,
// case-insensitive matching, token appending, splitting a code into its
// sections, colour names and conditions.

#include "nf_internal.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ol::nf::text {

// A code has at most four sections: positive; negative; zero; text.
inline constexpr std::size_t kMaxSections = 4;

// Length in bytes of the UTF-8 sequence that starts with c.
int utf8Length(unsigned char c);
char lower(char c);
bool isAsciiLetter(char c);
// Whether s holds word at position at, ignoring ASCII case.
bool startsWithNoCase(std::string_view s, std::size_t at, std::string_view word);
std::string toLower(std::string_view s);
// Length of the code point starting at s[i], never past the end.
std::size_t codePointAt(std::string_view s, std::size_t i);
// Whether a token is a date or time part.
bool isCodeToken(Tok k);
bool isBareDigitLiteral(const Token& t);
// Appends literal text, joining it to a preceding plain literal.
void pushLiteral(std::vector<Token>& toks, std::string_view text);
void pushToken(std::vector<Token>& toks, Tok kind, char ch = 0, int width = 0);
// Finds the end of a quoted literal, bracket or escaped character so that a
// ';' inside them does not split sections. Returns npos on a broken code.
std::size_t skipSpecial(std::string_view s, std::size_t i);
// Splits a code at its unquoted ';' into at most kMaxSections sections; err
// says what is wrong when it returns false.
bool splitSections(std::string_view code, std::vector<std::string_view>& out, std::string& err);
bool containsUnquoted(std::string_view s, char wanted);
// Palette number (1-based) of a lower-cased colour name ("red", "color12"),
// or 0 when it names no colour.
int colorIndexOf(std::string_view lowered);
std::string_view trim(std::string_view s);
// A section condition such as "[>=100]" without its brackets.
bool parseCondition(std::string_view c, Condition& cond);

} // namespace ol::nf::text
