// Rendering of fixed-point, scientific, fraction and general displays.

#include "nf_internal.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace ol::nf {

Decimal toDecimal15(double a) {
    Decimal d;
    if (!(a > 0) || !std::isfinite(a))
        return d;
    // "d.dddddddddddddde+XXX": the host keeps 15 significant digits, so a
    // value such as 1.005 (binary 1.00499999...) is 1.00500000000000 here
    // and then rounds half away from zero like the host does.
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
    const char* p = buf;
    d.digits[0] = *p++;
    ++p; // '.'
    for (int k = 1; k < 15; ++k)
        d.digits[k] = *p++;
    ++p; // 'e'
    const bool negExp = *p == '-';
    ++p;
    int e = 0;
    for (; p < r.ptr; ++p)
        e = e * 10 + (*p - '0');
    d.point = (negExp ? -e : e) + 1;
    d.n = 15;
    while (d.n > 0 && d.digits[d.n - 1] == '0')
        --d.n;
    return d;
}

void roundToDecimals(Decimal& d, int decimals) {
    const long cut = static_cast<long>(d.point) + decimals; // digits kept
    if (cut >= d.n)
        return;
    if (cut < 0) {
        d.n = 0;
        return;
    }
    const bool up = d.digits[cut] >= '5';
    d.n = static_cast<int>(cut);
    if (up) {
        int i = d.n - 1;
        while (i >= 0 && d.digits[i] == '9')
            --i;
        if (i < 0) {
            d.digits[0] = '1';
            d.n = 1;
            d.point += 1;
        } else {
            ++d.digits[i];
            d.n = i + 1;
        }
    }
    while (d.n > 0 && d.digits[d.n - 1] == '0')
        --d.n;
}

namespace {

// A digit string as seen by a region renderer: `len` digits, the first `n`
// taken from `d`, the rest zeros (large numbers beyond 15 digits).
struct Digits {
    const char* d = nullptr;
    int n = 0;
    int len = 0;

    char at(int i) const { return i < n ? d[i] : '0'; }
};

Digits integerDigits(const Decimal& dec) {
    Digits g;
    g.d = dec.digits;
    g.n = dec.n;
    g.len = dec.n > 0 && dec.point > 0 ? dec.point : 0;
    return g;
}

struct IntText {
    char buf[24];
    Digits digits;
};

// Digits of a non-negative whole number (no digits for zero).
void setInteger(IntText& t, std::int64_t v) {
    int n = 0;
    if (v > 0) {
        const auto r = std::to_chars(t.buf, t.buf + sizeof t.buf, v);
        n = static_cast<int>(r.ptr - t.buf);
    }
    t.digits.d = t.buf;
    t.digits.n = n;
    t.digits.len = n;
}

void emitDigit(char c, int pos, bool group, std::string& out) {
    out += c;
    if (group && pos > 0 && pos % 3 == 0)
        out += ',';
}

// Shows the digits right-aligned in the placeholders of tokens [b, e): the
// leftmost placeholder takes any digits that have no placeholder of their
// own; missing digits show as '0' for '0', a space for '?', nothing for '#'.
void renderRight(const std::vector<Token>& toks, int b, int e, int places, const Digits& dg, bool group,
                 std::string& out) {
    int k = 0;
    for (int i = b; i < e; ++i) {
        const Token& t = toks[static_cast<std::size_t>(i)];
        if (t.kind != Tok::Digit) {
            if (t.kind == Tok::Literal)
                out += t.text;
            continue;
        }
        const int r = places - 1 - k; // position counted from the right
        if (k == 0)
            for (int pos = dg.len - 1; pos > r; --pos)
                emitDigit(dg.at(dg.len - 1 - pos), pos, group, out);
        if (r < dg.len) {
            emitDigit(dg.at(dg.len - 1 - r), r, group, out);
        } else if (t.ch == '0') {
            emitDigit('0', r, group, out);
        } else if (t.ch == '?') {
            out += ' ';
            if (group && r > 0 && r % 3 == 0)
                out += ' ';
        }
        ++k;
    }
}

// Decimal places after the point: digit j of the value for placeholder j;
// trailing zeros show as '0', a space or nothing as the placeholder says.
void renderFractionDigits(const std::vector<Token>& toks, int b, int e, const Decimal& dec, int places,
                          std::string& out) {
    int lastNonZero = -1;
    for (int j = 0; j < places; ++j)
        if (dec.at(dec.point + j) != '0')
            lastNonZero = j;
    int j = 0;
    for (int i = b; i < e; ++i) {
        const Token& t = toks[static_cast<std::size_t>(i)];
        if (t.kind == Tok::Literal) {
            out += t.text;
        } else if (t.kind == Tok::Digit) {
            if (j <= lastNonZero)
                out += dec.at(dec.point + j);
            else if (t.ch == '0')
                out += '0';
            else if (t.ch == '?')
                out += ' ';
            ++j;
        }
    }
}

void renderLiteralsOnly(const std::vector<Token>& toks, int b, int e, std::string& out) {
    for (int i = b; i < e; ++i)
        if (toks[static_cast<std::size_t>(i)].kind == Tok::Literal)
            out += toks[static_cast<std::size_t>(i)].text;
}

// The value as n / den with den = 10^k the unit of its 15th significant
// digit (k at most 18: digits further down cannot change a shown fraction).
void exactRatio(const Decimal& d, std::int64_t& n, std::int64_t& den) {
    int k = 15 - d.point;
    k = k < 0 ? 0 : (k > 18 ? 18 : k);
    n = 0;
    for (int i = 0; i < d.point + k; ++i)
        n = n * 10 + (d.at(i) - '0');
    den = 1;
    for (int i = 0; i < k; ++i)
        den *= 10;
}

// The fraction shown for n/den (0 <= n/den, den = 10^k): the last
// continued-fraction convergent with q <= maxDen of the simplest fraction
// within half a unit of the 15th digit. The 15 digits of 4/11 are
// 0.363636363636364, whose own convergents include 3/8; the fraction they
// stand for is 4/11, and the host shows its convergent 1/3 for "?/?".
// Integer arithmetic throughout: floating point drifts onto neighbours.
void convergent(std::int64_t n, std::int64_t den, std::int64_t maxDen, std::int64_t& p, std::int64_t& q) {
    p = 0;
    q = 1;
    if (n == 0)
        return;
    // Interval [lo, hi] = [(2n - 1) / 2den, (2n + 1) / 2den].
    std::int64_t ln = 2 * n - 1, ld = 2 * den, hn = 2 * n + 1, hd = 2 * den;
    std::int64_t p0 = 0, p1 = 1, q0 = 1, q1 = 0;
    for (int iter = 0; iter < 100; ++iter) {
        std::int64_t a = ln / ld;
        const std::int64_t restLo = ln - a * ld;
        bool last = false;
        if (restLo == 0) {
            last = true; // lo itself is whole
        } else if (static_cast<__int128>(a + 1) * hd <= hn) {
            ++a; // a whole number lies inside: it is the simplest
            last = true;
        }
        if (q1 > 0 && a > (maxDen - q0) / q1)
            break; // the next denominator would not fit
        const __int128 p2 = static_cast<__int128>(a) * p1 + p0;
        const std::int64_t q2 = a * q1 + q0;
        if (q2 > maxDen || p2 > static_cast<__int128>(INT64_MAX))
            break;
        p0 = p1, p1 = static_cast<std::int64_t>(p2), q0 = q1, q1 = q2;
        if (last)
            break;
        // Continue with 1 / (interval - a), which swaps the ends.
        const std::int64_t nextLn = hd, nextLd = hn - a * hd;
        hn = ld;
        hd = restLo;
        ln = nextLn;
        ld = nextLd;
    }
    p = p1;
    q = q1;
}

// round(n * mul / den), halves away from zero, without overflow.
std::int64_t scaledRound(std::int64_t n, std::int64_t mul, std::int64_t den) {
    const __int128 x = static_cast<__int128>(n) * mul * 2 + den;
    return static_cast<std::int64_t>(x / (static_cast<__int128>(den) * 2));
}

void appendExponent(int e, int minDigits, std::string& out) {
    char buf[8];
    const auto r = std::to_chars(buf, buf + sizeof buf, e < 0 ? -e : e);
    for (int k = static_cast<int>(r.ptr - buf); k < minDigits; ++k)
        out += '0';
    out.append(buf, r.ptr);
}

} // namespace

void renderNumber(const Section& s, double a, std::string& out) {
    Decimal dec = toDecimal15(a);
    dec.point += s.scale10;
    roundToDecimals(dec, s.fracPlaces);
    const int end = static_cast<int>(s.tokens.size());
    const int intEnd = s.pointAt >= 0 ? s.pointAt : end;
    const Digits ig = integerDigits(dec);
    renderRight(s.tokens, 0, intEnd, s.intPlaces, ig, s.grouping, out);
    if (s.intPlaces == 0)
        for (int k = 0; k < ig.len; ++k) // ".00" still shows the whole part
            out += ig.at(k);
    if (s.pointAt >= 0) {
        out += '.';
        renderFractionDigits(s.tokens, s.pointAt + 1, end, dec, s.fracPlaces, out);
    }
}

void renderScientific(const Section& s, double a, std::string& out) {
    const Decimal dec = toDecimal15(a);
    Decimal m = dec;
    int exp10 = 0;
    if (dec.n > 0) {
        const int point = dec.point + s.scale10; // value = 0.ddd x 10^point
        int e = point - 1;                       // exponent of the leading digit
        for (int attempt = 0; attempt < 2; ++attempt) {
            int shown;
            if (s.engineering) {
                // "##0.0E+0": the exponent stays a multiple of the integer
                // placeholders and the mantissa takes 1..3 integer digits.
                const int step = s.intPlaces;
                shown = (e >= 0 ? e / step : -((-e + step - 1) / step)) * step;
            } else {
                shown = e - (s.intPlaces - 1);
            }
            m = dec;
            m.point = point - shown;
            const int wanted = m.point;
            roundToDecimals(m, s.fracPlaces);
            exp10 = shown;
            // 9.99 with "0.0E+0" rounds to 10.0: show 1.0E+1 instead.
            const bool carried = m.n > 0 && m.point > wanted;
            if (carried && !(s.engineering && m.point <= s.intPlaces)) {
                ++e;
                continue;
            }
            break;
        }
    }
    const int end = static_cast<int>(s.tokens.size());
    const int intEnd = s.pointAt >= 0 ? s.pointAt : s.expAt;
    renderRight(s.tokens, 0, intEnd, s.intPlaces, integerDigits(m), false, out);
    if (s.pointAt >= 0) {
        out += '.';
        renderFractionDigits(s.tokens, s.pointAt + 1, s.expAt, m, s.fracPlaces, out);
    }
    const Token& et = s.tokens[static_cast<std::size_t>(s.expAt)];
    out += 'E';
    if (exp10 < 0)
        out += '-';
    else if (et.ch == '+')
        out += '+';
    IntText ex;
    setInteger(ex, exp10 < 0 ? -static_cast<std::int64_t>(exp10) : exp10);
    renderRight(s.tokens, s.expAt + 1, end, s.expPlaces, ex.digits, false, out);
}

void renderFraction(const Section& s, double a, std::string& out) {
    Decimal d = toDecimal15(a);
    d.point += s.scale10;
    const bool mixed = s.wholePlaces > 0;
    const std::int64_t limit = s.fixedDen > 0 ? s.fixedDen : s.maxDen;
    // Past 64-bit range the value has no fraction left to show: the digits
    // come from the decimal form instead.
    const double approx = d.n > 0 ? std::pow(10.0, d.point) : 0.0; // within a factor of 10
    const bool huge = approx > 1e15 || (!mixed && approx * static_cast<double>(limit) > 1e17);
    std::int64_t num = 0;
    std::int64_t den = s.fixedDen > 0 ? s.fixedDen : 1;
    std::int64_t whole = 0;
    Decimal big;
    if (huge) {
        big = d;
        if (!mixed && s.fixedDen > 0) {
            // Numerator of a fixed denominator: the value times it.
            big = toDecimal15(a * static_cast<double>(s.fixedDen));
            big.point += s.scale10;
        }
        roundToDecimals(big, 0);
    } else {
        std::int64_t n = 0, unit = 1;
        exactRatio(d, n, unit);
        if (mixed) {
            whole = n / unit;
            const std::int64_t rest = n % unit;
            if (s.fixedDen > 0)
                num = scaledRound(rest, s.fixedDen, unit);
            else
                convergent(rest, unit, s.maxDen, num, den);
            if (num >= den && num > 0) { // the fraction rounded up to a whole
                ++whole;
                num = 0;
            }
        } else if (s.fixedDen > 0) {
            num = scaledRound(n, s.fixedDen, unit);
        } else {
            convergent(n, unit, s.maxDen, num, den);
        }
    }

    // Whole part, or only the literals before the numerator for "?/?".
    if (mixed) {
        IntText wt;
        setInteger(wt, whole);
        Digits wd = wt.digits;
        if (huge) {
            wd = integerDigits(big);
        } else if (whole == 0 && num == 0) { // zero shows as "0", not as blanks
            wt.buf[0] = '0';
            wd = Digits{wt.buf, 1, 1};
        }
        renderRight(s.tokens, 0, s.numBegin, s.wholePlaces, wd, s.grouping, out);
    } else {
        renderLiteralsOnly(s.tokens, 0, s.numBegin, out);
    }

    const int end = static_cast<int>(s.tokens.size());
    const std::string& fixedText = s.tokens[static_cast<std::size_t>(s.slashAt + 1)].text;
    if (mixed && num == 0) {
        // A whole number keeps the fraction's width as blanks so that
        // fractions in a column stay aligned.
        const int width = s.numPlaces + 1 + (s.fixedDen > 0 ? static_cast<int>(fixedText.size()) : s.denPlaces);
        out.append(static_cast<std::size_t>(width), ' ');
        renderLiteralsOnly(s.tokens, s.denEnd, end, out);
        return;
    }

    IntText nt;
    setInteger(nt, num);
    Digits nd = nt.digits;
    if (huge) {
        nd = integerDigits(big);
    } else if (num == 0) {
        nt.buf[0] = '0';
        nd = Digits{nt.buf, 1, 1};
    }
    renderRight(s.tokens, s.numBegin, s.slashAt, s.numPlaces, nd, false, out);
    out += '/';
    if (s.fixedDen > 0) {
        out += fixedText;
    } else {
        // Denominators are left-aligned: digits first, then the padding.
        IntText dt;
        setInteger(dt, den);
        int k = 0;
        for (int i = s.slashAt + 1; i < s.denEnd; ++i, ++k) {
            const char ch = s.tokens[static_cast<std::size_t>(i)].ch;
            if (k < dt.digits.len) {
                if (i + 1 == s.denEnd)
                    out.append(dt.buf + k, dt.buf + dt.digits.len);
                else
                    out += dt.buf[k];
            } else if (ch == '0') {
                out += '0';
            } else if (ch == '?') {
                out += ' ';
            }
        }
    }
    renderLiteralsOnly(s.tokens, s.denEnd, end, out);
}

void appendGeneral(double a, std::string& out) {
    if (a == 0) {
        out += '0';
        return;
    }
    // The host's general display fits 11 characters (the minus sign not
    // counted): up to 99999999999 whole, fixed-point down to 0.0001 with as
    // many decimals as fit, scientific with up to 6 significant digits outside.
    const Decimal dec = toDecimal15(a);
    const int e = dec.point - 1;
    if (e >= -4 && e <= 10) {
        Decimal f = dec;
        const int intDigits = e >= 0 ? e + 1 : 1;
        roundToDecimals(f, intDigits >= 10 ? 0 : 10 - intDigits);
        if (f.point <= 11) {
            if (f.point <= 0) {
                out += '0';
            } else {
                for (int k = 0; k < f.point; ++k)
                    out += f.at(k);
            }
            if (f.n > f.point) {
                out += '.';
                for (int k = f.point; k < f.n; ++k)
                    out += f.at(k);
            }
            return;
        }
    }
    Decimal m = dec;
    int exp10 = e;
    const int expDigits = (exp10 >= 100 || exp10 <= -100) ? 3 : 2;
    m.point = 1;
    roundToDecimals(m, expDigits == 3 ? 4 : 5);
    if (m.point > 1) { // 9.999999 rounded to 10.00000
        ++exp10;
        m.point = 1;
    }
    out += m.at(0);
    if (m.n > 1) {
        out += '.';
        for (int k = 1; k < m.n; ++k)
            out += m.digits[k];
    }
    out += exp10 < 0 ? "E-" : "E+";
    appendExponent(exp10, 2, out);
}

void renderGeneralSection(const Section& s, double a, std::string& out) {
    const double v = s.scale10 != 0 ? a * std::pow(10.0, s.scale10) : a;
    for (const Token& t : s.tokens) {
        if (t.kind == Tok::General)
            appendGeneral(std::isfinite(v) ? v : a, out);
        else if (t.kind == Tok::Literal)
            out += t.text;
    }
}

void renderLiteral(const Section& s, std::string& out) {
    for (const Token& t : s.tokens)
        if (t.kind == Tok::Literal)
            out += t.text;
}

} // namespace ol::nf
