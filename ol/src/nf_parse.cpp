// Parsing of number-format codes into the compiled form of nf_internal.h.

#include "nf_internal.h"
#include "nf_text.h"

#include "ol/NumberFormat.h"

#include <charconv>
#include <utility>

namespace ol::nf {

namespace {

using namespace text;

constexpr int kMaxDecimals = 30;         // the host refuses more decimal places
constexpr int kMaxDenominatorDigits = 9; // keeps continued fractions in 64-bit range
constexpr int kMaxSubSecondDigits = 3;

class SectionParser {
public:
    SectionParser(std::string_view src, bool textMode) : m_src(src), m_textMode(textMode) {}

    bool run(Section& sec, std::string& err) {
        if (!lex(sec)) {
            err = m_err;
            return false;
        }
        const bool ok = m_textMode ? finishText(sec) : finishNumeric(sec);
        if (!ok)
            err = m_err;
        return ok;
    }

private:
    bool fail(std::string message) {
        m_err = std::move(message);
        return false;
    }

    bool lexBracket(std::string_view content, Section& sec) {
        const std::string low = toLower(content);
        if (low.empty())
            return fail("empty brackets");
        if (const int color = colorIndexOf(low)) {
            sec.color = color;
            return true;
        }
        if (low[0] == '$') {
            // Currency and locale tag: [$€-407] shows "€", [$-409] nothing.
            const std::size_t dash = content.find('-');
            pushLiteral(m_toks, content.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1));
            return true;
        }
        if (m_textMode)
            return fail("brackets not allowed in the text section: [" + std::string(content) + "]");
        if (low[0] == '<' || low[0] == '>' || low[0] == '=') {
            if (sec.cond.present())
                return fail("two conditions in one section");
            if (!parseCondition(low, sec.cond))
                return fail("bad condition: [" + std::string(content) + "]");
            return true;
        }
        const char unit = low[0];
        if ((unit == 'h' || unit == 'm' || unit == 's') && low.find_first_not_of(unit) == std::string::npos) {
            pushToken(m_toks,
                      unit == 'h'   ? Tok::ElapsedHour
                      : unit == 'm' ? Tok::ElapsedMinute
                                    : Tok::ElapsedSecond,
                      unit, static_cast<int>(low.size()));
            return true;
        }
        return fail("unknown bracket code: [" + std::string(content) + "]");
    }

    bool lex(Section& sec) {
        const std::string_view s = m_src;
        std::size_t i = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (c == '"') {
                const std::size_t end = s.find('"', i + 1);
                if (end == std::string_view::npos)
                    return fail("unterminated quoted text");
                pushLiteral(m_toks, s.substr(i + 1, end - i - 1));
                i = end + 1;
                continue;
            }
            if (c == '\\' || c == '_' || c == '*') {
                if (i + 1 >= s.size())
                    return fail("escape character at the end of a section");
                const std::size_t len = codePointAt(s, i + 1);
                if (c == '\\')
                    pushLiteral(m_toks, s.substr(i + 1, len));
                else if (c == '_')
                    pushLiteral(m_toks, " ");
                i += 1 + len;
                continue;
            }
            if (c == '[') {
                const std::size_t end = s.find(']', i + 1);
                if (end == std::string_view::npos)
                    return fail("unterminated bracket");
                if (!lexBracket(s.substr(i + 1, end - i - 1), sec))
                    return false;
                i = end + 1;
                continue;
            }
            if (c == '@') {
                pushToken(m_toks, Tok::Text);
                ++i;
                continue;
            }
            if (m_textMode) {
                const std::size_t len = codePointAt(s, i);
                pushLiteral(m_toks, s.substr(i, len));
                i += len;
                continue;
            }
            if (!lexNumericChar(s, i))
                return false;
        }
        return true;
    }

    // One code character of a number or date section at s[i]; advances i.
    bool lexNumericChar(std::string_view s, std::size_t& i) {
        const char c = s[i];
        switch (c) {
        case '0':
        case '#':
        case '?':
            pushToken(m_toks, Tok::Digit, c);
            ++i;
            return true;
        case '.':
            pushToken(m_toks, Tok::Point);
            ++i;
            return true;
        case ',':
            pushToken(m_toks, Tok::Comma);
            ++i;
            return true;
        case '%':
            pushToken(m_toks, Tok::Percent);
            ++i;
            return true;
        case '/':
            pushToken(m_toks, Tok::Slash);
            ++i;
            return true;
        default:
            break;
        }
        if (c >= '1' && c <= '9') {
            Token t;
            t.kind = Tok::Literal;
            t.ch = c;
            t.text.assign(1, c);
            m_toks.push_back(std::move(t));
            ++i;
            return true;
        }
        const char lc = lower(c);
        if (lc == 'e') {
            if (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
                pushToken(m_toks, Tok::Exponent, s[i + 1]);
                i += 2;
                return true;
            }
            return fail("'E' without '+' or '-'");
        }
        if (lc == 'g') {
            if (startsWithNoCase(s, i, "general")) {
                pushToken(m_toks, Tok::General);
                i += 7;
                return true;
            }
            return fail("unexpected letter 'g'");
        }
        if (lc == 'y' || lc == 'm' || lc == 'd' || lc == 'h' || lc == 's') {
            std::size_t j = i;
            while (j < s.size() && lower(s[j]) == lc)
                ++j;
            const Tok kind = lc == 'y'   ? Tok::Year
                             : lc == 'm' ? Tok::Month
                             : lc == 'd' ? Tok::Day
                             : lc == 'h' ? Tok::Hour
                                         : Tok::Second;
            pushToken(m_toks, kind, lc, static_cast<int>(j - i));
            i = j;
            return true;
        }
        if (lc == 'a') {
            Token t;
            t.kind = Tok::AmPm;
            if (startsWithNoCase(s, i, "am/pm")) {
                t.text.assign(s.substr(i, 2));
                t.text2.assign(s.substr(i + 3, 2));
                i += 5;
            } else if (startsWithNoCase(s, i, "a/p")) {
                t.text.assign(s.substr(i, 1));
                t.text2.assign(s.substr(i + 2, 1));
                i += 3;
            } else {
                return fail("unexpected letter 'a'");
            }
            m_toks.push_back(std::move(t));
            return true;
        }
        if (isAsciiLetter(c))
            return fail(std::string("unexpected letter '") + c + "'");
        // Everything else ($ - + ( ) : space ! ^ & ' ~ { } < > = and any
        // non-ASCII character) shows as itself.
        const std::size_t len = codePointAt(s, i);
        pushLiteral(m_toks, s.substr(i, len));
        i += len;
        return true;
    }

    bool finishText(Section& sec) {
        sec.kind = Kind::Text;
        sec.tokens = std::move(m_toks);
        return true;
    }

    bool finishNumeric(Section& sec) {
        bool date = false;
        bool general = false;
        bool digits = false;
        bool exponent = false;
        bool fraction = false;
        for (std::size_t k = 0; k < m_toks.size(); ++k) {
            const Token& t = m_toks[k];
            if (isCodeToken(t.kind))
                date = true;
            else if (t.kind == Tok::General)
                general = true;
            else if (t.kind == Tok::Digit)
                digits = true;
            else if (t.kind == Tok::Exponent)
                exponent = true;
            else if (t.kind == Tok::Text)
                return fail("'@' in a number section");
            else if (t.kind == Tok::Slash && k > 0 && m_toks[k - 1].kind == Tok::Digit && k + 1 < m_toks.size() &&
                     (m_toks[k + 1].kind == Tok::Digit || isBareDigitLiteral(m_toks[k + 1])))
                fraction = true;
        }
        if (date)
            return finishDate(sec);
        if (general) {
            if (digits || exponent)
                return fail("'General' mixed with digit placeholders");
            return finishGeneral(sec);
        }
        if (exponent)
            return finishScientific(sec);
        if (fraction)
            return finishFraction(sec);
        if (digits)
            return finishNumber(sec);
        return finishGeneralLike(sec, Kind::Literal);
    }

    // Appends a parse-only token in its shown form; percent also scales.
    void pushAsLiteral(std::vector<Token>& out, const Token& t, Section& sec) {
        switch (t.kind) {
        case Tok::Point:
            pushLiteral(out, ".");
            break;
        case Tok::Comma:
            pushLiteral(out, ",");
            break;
        case Tok::Slash:
            pushLiteral(out, "/");
            break;
        case Tok::Percent:
            pushLiteral(out, "%");
            sec.scale10 += 2;
            break;
        default:
            pushLiteral(out, t.text);
            break;
        }
    }

    bool finishGeneralLike(Section& sec, Kind kind) {
        std::vector<Token> out;
        for (const Token& t : m_toks) {
            if (t.kind == Tok::General)
                out.push_back(t);
            else
                pushAsLiteral(out, t, sec);
        }
        sec.kind = kind;
        sec.tokens = std::move(out);
        return true;
    }

    bool finishGeneral(Section& sec) { return finishGeneralLike(sec, Kind::General); }

    // Comma handling shared by number and fraction sections: a comma between
    // integer placeholders turns on grouping, commas right after the last
    // placeholder of the number each divide by 1000, any other is shown.
    // Returns the number of tokens consumed from k.
    std::size_t resolveCommas(std::size_t k, std::size_t integerEnd, std::vector<Token>& out, Section& sec) {
        std::size_t run = 0;
        while (k + run < m_toks.size() && m_toks[k + run].kind == Tok::Comma)
            ++run;
        const bool afterDigit = k > 0 && m_toks[k - 1].kind == Tok::Digit;
        const std::size_t next = k + run;
        const bool beforeIntDigit = next < integerEnd && m_toks[next].kind == Tok::Digit;
        if (afterDigit && beforeIntDigit && k < integerEnd) {
            sec.grouping = true;
        } else if (afterDigit && (next >= m_toks.size() || m_toks[next].kind != Tok::Digit)) {
            sec.scale10 -= 3 * static_cast<int>(run);
        } else {
            for (std::size_t r = 0; r < run; ++r)
                pushLiteral(out, ",");
        }
        return run;
    }

    bool finishNumber(Section& sec) {
        std::size_t pointIdx = m_toks.size();
        for (std::size_t k = 0; k < m_toks.size(); ++k)
            if (m_toks[k].kind == Tok::Point) {
                pointIdx = k;
                break;
            }
        std::vector<Token> out;
        for (std::size_t k = 0; k < m_toks.size();) {
            const Token& t = m_toks[k];
            if (t.kind == Tok::Comma) {
                k += resolveCommas(k, pointIdx, out, sec);
                continue;
            }
            if (t.kind == Tok::Digit || (t.kind == Tok::Point && k == pointIdx))
                out.push_back(t);
            else
                pushAsLiteral(out, t, sec);
            ++k;
        }
        sec.kind = Kind::Number;
        sec.tokens = std::move(out);
        bool afterPoint = false;
        for (std::size_t k = 0; k < sec.tokens.size(); ++k) {
            const Token& t = sec.tokens[k];
            if (t.kind == Tok::Point) {
                sec.pointAt = static_cast<int>(k);
                afterPoint = true;
            } else if (t.kind == Tok::Digit) {
                ++(afterPoint ? sec.fracPlaces : sec.intPlaces);
            }
        }
        if (sec.fracPlaces > kMaxDecimals)
            return fail("more than 30 decimal places");
        return true;
    }

    bool finishScientific(Section& sec) {
        std::size_t expIdx = 0;
        int exponents = 0;
        for (std::size_t k = 0; k < m_toks.size(); ++k)
            if (m_toks[k].kind == Tok::Exponent) {
                if (exponents++ == 0)
                    expIdx = k;
            }
        if (exponents > 1)
            return fail("more than one exponent");
        std::vector<Token> out;
        bool seenPoint = false;
        for (std::size_t k = 0; k < m_toks.size(); ++k) {
            const Token& t = m_toks[k];
            if (t.kind == Tok::Comma && k < expIdx)
                continue; // grouping and scaling mean nothing to a mantissa
            if (t.kind == Tok::Digit || t.kind == Tok::Exponent) {
                out.push_back(t);
            } else if (t.kind == Tok::Point && k < expIdx && !seenPoint) {
                seenPoint = true;
                out.push_back(t);
            } else {
                pushAsLiteral(out, t, sec);
            }
        }
        sec.kind = Kind::Scientific;
        sec.tokens = std::move(out);
        int region = 0; // 0 integer, 1 fraction, 2 exponent
        bool hashInInteger = false;
        for (std::size_t k = 0; k < sec.tokens.size(); ++k) {
            const Token& t = sec.tokens[k];
            if (t.kind == Tok::Point) {
                sec.pointAt = static_cast<int>(k);
                region = 1;
            } else if (t.kind == Tok::Exponent) {
                sec.expAt = static_cast<int>(k);
                region = 2;
            } else if (t.kind == Tok::Digit) {
                if (region == 0) {
                    ++sec.intPlaces;
                    hashInInteger = hashInInteger || t.ch != '0';
                } else if (region == 1) {
                    ++sec.fracPlaces;
                } else {
                    ++sec.expPlaces;
                }
            }
        }
        if (sec.expPlaces == 0)
            return fail("exponent without digits");
        if (sec.intPlaces + sec.fracPlaces == 0)
            return fail("exponent without a mantissa");
        if (sec.fracPlaces > kMaxDecimals)
            return fail("more than 30 decimal places");
        sec.engineering = sec.intPlaces > 1 && hashInInteger;
        return true;
    }

    bool finishFraction(Section& sec) {
        std::size_t slash = 0;
        for (std::size_t k = 1; k + 1 < m_toks.size(); ++k)
            if (m_toks[k].kind == Tok::Slash && m_toks[k - 1].kind == Tok::Digit &&
                (m_toks[k + 1].kind == Tok::Digit || isBareDigitLiteral(m_toks[k + 1]))) {
                slash = k;
                break;
            }
        std::size_t numBegin = slash;
        while (numBegin > 0 && m_toks[numBegin - 1].kind == Tok::Digit)
            --numBegin;

        std::vector<Token> out;
        for (std::size_t k = 0; k < numBegin;) {
            const Token& t = m_toks[k];
            if (t.kind == Tok::Comma) {
                k += resolveCommas(k, numBegin, out, sec);
                continue;
            }
            if (t.kind == Tok::Digit)
                out.push_back(t);
            else
                pushAsLiteral(out, t, sec);
            ++k;
        }
        sec.numBegin = static_cast<int>(out.size());
        for (std::size_t k = numBegin; k < slash; ++k)
            out.push_back(m_toks[k]);
        sec.slashAt = static_cast<int>(out.size());
        out.push_back(m_toks[slash]);

        std::size_t k = slash + 1;
        if (isBareDigitLiteral(m_toks[k])) {
            std::int64_t den = 0;
            int count = 0;
            while (k < m_toks.size() &&
                   (isBareDigitLiteral(m_toks[k]) || (m_toks[k].kind == Tok::Digit && m_toks[k].ch == '0'))) {
                if (++count > kMaxDenominatorDigits)
                    return fail("fixed denominator too large");
                den = den * 10 + (m_toks[k].kind == Tok::Digit ? 0 : m_toks[k].ch - '0');
                ++k;
            }
            Token t;
            t.kind = Tok::FixedDen;
            t.num = den;
            t.text = std::to_string(den);
            out.push_back(std::move(t));
            sec.fixedDen = den;
        } else {
            while (k < m_toks.size() && m_toks[k].kind == Tok::Digit) {
                out.push_back(m_toks[k]);
                ++sec.denPlaces;
                ++k;
            }
            std::int64_t maxDen = 1;
            for (int d = 0; d < std::min(sec.denPlaces, kMaxDenominatorDigits); ++d)
                maxDen *= 10;
            sec.maxDen = maxDen - 1;
        }
        sec.denEnd = static_cast<int>(out.size());
        for (; k < m_toks.size(); ++k) {
            const Token& t = m_toks[k];
            if (t.kind == Tok::Digit)
                return fail("digit placeholder after a fraction's denominator");
            pushAsLiteral(out, t, sec);
        }
        sec.kind = Kind::Fraction;
        sec.tokens = std::move(out);
        for (int j = 0; j < sec.numBegin; ++j)
            if (sec.tokens[static_cast<std::size_t>(j)].kind == Tok::Digit)
                ++sec.wholePlaces;
        sec.numPlaces = sec.slashAt - sec.numBegin;
        return true;
    }

    bool finishDate(Section& sec) {
        std::vector<Token> out;
        for (std::size_t k = 0; k < m_toks.size(); ++k) {
            const Token& t = m_toks[k];
            switch (t.kind) {
            case Tok::Point: {
                // "ss.00": fractional seconds right after a seconds code.
                std::size_t zeros = 0;
                while (k + 1 + zeros < m_toks.size() && m_toks[k + 1 + zeros].kind == Tok::Digit &&
                       m_toks[k + 1 + zeros].ch == '0')
                    ++zeros;
                const bool afterSeconds =
                    !out.empty() && (out.back().kind == Tok::Second || out.back().kind == Tok::ElapsedSecond);
                if (afterSeconds && zeros > 0) {
                    if (zeros > kMaxSubSecondDigits)
                        return fail("more than three digits of fractional seconds");
                    pushToken(out, Tok::SubSecond, 0, static_cast<int>(zeros));
                    sec.subSecondDigits = std::max(sec.subSecondDigits, static_cast<int>(zeros));
                    k += zeros;
                } else {
                    pushLiteral(out, ".");
                }
                break;
            }
            case Tok::Digit:
            case Tok::Exponent:
            case Tok::General:
                return fail("number codes mixed with date codes");
            case Tok::Comma:
            case Tok::Slash:
                pushAsLiteral(out, t, sec);
                break;
            case Tok::Percent:
                pushLiteral(out, "%");
                break;
            case Tok::Literal:
                pushLiteral(out, t.text);
                break;
            default: {
                Token c = t;
                const int w = t.width;
                switch (t.kind) {
                case Tok::Year:
                    c.width = w <= 2 ? 2 : 4;
                    break;
                case Tok::Month:
                    c.width = static_cast<std::uint8_t>(w > 5 ? 4 : w);
                    break;
                case Tok::Day:
                    c.width = static_cast<std::uint8_t>(w > 4 ? 4 : w);
                    break;
                case Tok::Hour:
                case Tok::Second:
                    c.width = static_cast<std::uint8_t>(w > 2 ? 2 : w);
                    break;
                case Tok::AmPm:
                    sec.hour12 = true;
                    break;
                default:
                    break;
                }
                out.push_back(std::move(c));
                break;
            }
            }
        }
        resolveMinutes(out);
        sec.kind = Kind::Date;
        sec.tokens = std::move(out);
        return true;
    }

    // "m" and "mm" mean minutes right after an hour code or right before a
    // seconds code (literals between them do not count), months otherwise.
    static void resolveMinutes(std::vector<Token>& toks) {
        std::vector<std::size_t> codes;
        for (std::size_t k = 0; k < toks.size(); ++k)
            if (isCodeToken(toks[k].kind))
                codes.push_back(k);
        for (std::size_t c = 0; c < codes.size(); ++c) {
            Token& t = toks[codes[c]];
            if (t.kind != Tok::Month || t.width > 2)
                continue;
            const Tok prev = c > 0 ? toks[codes[c - 1]].kind : Tok::Literal;
            const Tok next = c + 1 < codes.size() ? toks[codes[c + 1]].kind : Tok::Literal;
            if (prev == Tok::Hour || prev == Tok::ElapsedHour || next == Tok::Second || next == Tok::ElapsedSecond)
                t.kind = Tok::Minute;
        }
    }

    std::string_view m_src;
    bool m_textMode;
    std::vector<Token> m_toks;
    std::string m_err;
};

Section generalSection() {
    Section s;
    s.kind = Kind::General;
    Token t;
    t.kind = Tok::General;
    s.tokens.push_back(std::move(t));
    return s;
}

} // namespace

bool Condition::test(double v) const {
    switch (op) {
    case Op::Lt:
        return v < value;
    case Op::Le:
        return v <= value;
    case Op::Gt:
        return v > value;
    case Op::Ge:
        return v >= value;
    case Op::Eq:
        return v == value;
    case Op::Ne:
        return v != value;
    case Op::None:
        break;
    }
    return true;
}

bool Condition::negativeOnly() const {
    switch (op) {
    case Op::Lt:
    case Op::Le:
        return value <= 0;
    case Op::Eq:
        return value < 0;
    default:
        return false;
    }
}

Program parseProgram(std::string_view code) {
    Program p;
    auto refuse = [](std::string why) {
        Program bad;
        bad.valid = false;
        bad.error = std::move(why);
        bad.numeric.push_back(generalSection());
        return bad;
    };
    if (code.size() > NumberFormat::MaxCodeLength)
        return refuse("code longer than " + std::to_string(NumberFormat::MaxCodeLength) + " bytes");
    if (code.empty()) {
        p.numeric.push_back(generalSection());
        return p;
    }
    std::vector<std::string_view> parts;
    std::string err;
    if (!splitSections(code, parts, err))
        return refuse(err);

    std::size_t numericCount = parts.size();
    if (parts.size() == kMaxSections || containsUnquoted(parts.back(), '@')) {
        SectionParser tp(parts.back(), true);
        if (!tp.run(p.text, err))
            return refuse(err);
        p.hasText = true;
        --numericCount;
    }
    for (std::size_t k = 0; k < numericCount; ++k) {
        Section sec;
        SectionParser sp(parts[k], false);
        if (!sp.run(sec, err))
            return refuse("section " + std::to_string(k + 1) + ": " + err);
        if (sec.cond.present()) {
            if (k >= 2)
                return refuse("a condition is only allowed in the first two sections");
            p.anyCondition = true;
        }
        p.numeric.push_back(std::move(sec));
    }
    return p;
}

} // namespace ol::nf
