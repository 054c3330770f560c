// Text-level helpers of the number-format parser; see nf_text.h.

#include "nf_text.h"

#include <charconv>

namespace ol::nf::text {

int utf8Length(unsigned char c) {
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0)
        return 2;
    if ((c & 0xF0) == 0xE0)
        return 3;
    if ((c & 0xF8) == 0xF0)
        return 4;
    return 1;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool startsWithNoCase(std::string_view s, std::size_t at, std::string_view word) {
    if (s.size() - at < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (lower(s[at + k]) != word[k])
            return false;
    return true;
}

std::string toLower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = lower(c);
    return r;
}

// Length of the code point starting at s[i], never past the end.
std::size_t codePointAt(std::string_view s, std::size_t i) {
    const std::size_t len = static_cast<std::size_t>(utf8Length(static_cast<unsigned char>(s[i])));
    return std::min(len, s.size() - i);
}

bool isCodeToken(Tok k) {
    switch (k) {
    case Tok::Year:
    case Tok::Month:
    case Tok::Day:
    case Tok::Hour:
    case Tok::Minute:
    case Tok::Second:
    case Tok::ElapsedHour:
    case Tok::ElapsedMinute:
    case Tok::ElapsedSecond:
    case Tok::AmPm:
        return true;
    default:
        return false;
    }
}

bool isBareDigitLiteral(const Token& t) {
    return t.kind == Tok::Literal && t.ch >= '1' && t.ch <= '9';
}

// Appends literal text, joining it to a preceding plain literal.
void pushLiteral(std::vector<Token>& toks, std::string_view text) {
    if (!toks.empty() && toks.back().kind == Tok::Literal && toks.back().ch == 0) {
        toks.back().text.append(text);
        return;
    }
    Token t;
    t.kind = Tok::Literal;
    t.text.assign(text);
    toks.push_back(std::move(t));
}

void pushToken(std::vector<Token>& toks, Tok kind, char ch, int width) {
    Token t;
    t.kind = kind;
    t.ch = ch;
    t.width = static_cast<std::uint8_t>(std::min(width, 255));
    toks.push_back(std::move(t));
}

// Finds the end of a quoted literal, bracket or escaped character so that a
// ';' inside them does not split sections. Returns npos on a broken code.
std::size_t skipSpecial(std::string_view s, std::size_t i) {
    const char c = s[i];
    if (c == '"') {
        const std::size_t end = s.find('"', i + 1);
        return end == std::string_view::npos ? end : end + 1;
    }
    if (c == '[') {
        const std::size_t end = s.find(']', i + 1);
        return end == std::string_view::npos ? end : end + 1;
    }
    if (c == '\\' || c == '_' || c == '*') {
        if (i + 1 >= s.size())
            return std::string_view::npos;
        return i + 1 + codePointAt(s, i + 1);
    }
    return i + 1;
}

bool splitSections(std::string_view code, std::vector<std::string_view>& out, std::string& err) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < code.size()) {
        if (code[i] == ';') {
            out.push_back(code.substr(start, i - start));
            start = ++i;
            continue;
        }
        const std::size_t next = skipSpecial(code, i);
        if (next == std::string_view::npos) {
            err = code[i] == '"'   ? "unterminated quoted text"
                  : code[i] == '[' ? "unterminated bracket"
                                   : "escape character at the end of the code";
            return false;
        }
        i = next;
    }
    out.push_back(code.substr(start));
    if (out.size() > kMaxSections) {
        err = "more than four sections";
        return false;
    }
    return true;
}

bool containsUnquoted(std::string_view s, char wanted) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == wanted)
            return true;
        i = skipSpecial(s, i);
        if (i == std::string_view::npos)
            return false;
    }
    return false;
}

int colorIndexOf(std::string_view lowered) {
    static constexpr std::string_view names[] = {"black", "white", "red", "green", "blue", "yellow", "magenta", "cyan"};
    for (std::size_t k = 0; k < std::size(names); ++k)
        if (lowered == names[k])
            return static_cast<int>(k) + 1;
    if (lowered.size() > 5 && lowered.substr(0, 5) == "color") {
        int n = 0;
        const auto digits = lowered.substr(5);
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (r.ec == std::errc() && r.ptr == digits.data() + digits.size() && n >= 1 && n <= 56)
            return n;
    }
    return 0;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

bool parseCondition(std::string_view c, Condition& cond) {
    using Op = Condition::Op;
    std::size_t len = 1;
    if (c.substr(0, 2) == "<=") {
        cond.op = Op::Le, len = 2;
    } else if (c.substr(0, 2) == ">=") {
        cond.op = Op::Ge, len = 2;
    } else if (c.substr(0, 2) == "<>") {
        cond.op = Op::Ne, len = 2;
    } else if (c[0] == '<') {
        cond.op = Op::Lt;
    } else if (c[0] == '>') {
        cond.op = Op::Gt;
    } else {
        cond.op = Op::Eq;
    }
    std::string_view num = trim(c.substr(len));
    if (!num.empty() && num.front() == '+')
        num.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(num.data(), num.data() + num.size(), v);
    if (num.empty() || r.ec != std::errc() || r.ptr != num.data() + num.size()) {
        cond.op = Op::None;
        return false;
    }
    cond.value = v;
    return true;
}

} // namespace ol::nf::text
