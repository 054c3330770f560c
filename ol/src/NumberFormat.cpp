#include "ol/NumberFormat.h"

#include <cmath>
#include <utility>

#include <QByteArray>

#include "nf_internal.h"
#include "ol/NumberFormatCache.h"

namespace ol {

namespace {

using nf::Condition;
using nf::Kind;
using nf::Program;
using nf::Section;

struct Choice {
    const Section* section = nullptr;
    bool dropMinus = false; // the section itself says the value is negative
};

// Picks the section for a number. Without conditions: one section for all
// numbers; two for >= 0 and < 0; three for > 0, < 0 and zero. With
// conditions the first two sections are tried in order (their default
// conditions being "> 0" (">= 0" with two sections) and "< 0"), the third
// takes everything else; with two sections of which only the first has a
// condition, the second takes everything else.
bool chooseSection(const Program& p, double v, Choice& c) {
    const auto& s = p.numeric;
    const std::size_t n = s.size();
    if (!p.anyCondition) {
        if (n == 1 || (n >= 2 && v > 0) || (n == 2 && v == 0)) {
            c.section = &s[0];
        } else if (v < 0) {
            c.section = &s[1];
            c.dropMinus = true;
        } else {
            c.section = &s[2];
        }
        return true;
    }
    Condition c0 = s[0].cond;
    if (!c0.present())
        c0 = Condition{n == 3 ? Condition::Op::Gt : Condition::Op::Ge, 0.0};
    if (c0.test(v)) {
        c.section = &s[0];
        c.dropMinus = c0.negativeOnly();
        return true;
    }
    if (n >= 2) {
        if (n == 2 && !s[1].cond.present() && s[0].cond.present()) {
            c.section = &s[1];
            return true;
        }
        Condition c1 = s[1].cond;
        if (!c1.present())
            c1 = Condition{Condition::Op::Lt, 0.0};
        if (c1.test(v)) {
            c.section = &s[1];
            c.dropMinus = c1.negativeOnly();
            return true;
        }
    }
    if (n == 3) {
        c.section = &s[2];
        return true;
    }
    return false;
}

void renderTextSection(const Section& s, std::string_view text, std::string& out) {
    for (const nf::Token& t : s.tokens) {
        if (t.kind == nf::Tok::Text)
            out += text;
        else if (t.kind == nf::Tok::Literal)
            out += t.text;
    }
}

// The host's default 56-colour palette, as selected by [ColorN]; the eight
// named colours are its first eight entries.
constexpr std::int32_t kPalette[56] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
                                       0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
                                       0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
                                       0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
                                       0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
                                       0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
                                       0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

} // namespace

NumberFormat::NumberFormat(std::string code, std::unique_ptr<nf::Program> program)
    : m_code(std::move(code)), m_program(std::move(program)) {}

NumberFormat::~NumberFormat() = default;

std::shared_ptr<const NumberFormat> NumberFormat::compile(std::string_view code) {
    auto program = std::make_unique<nf::Program>(nf::parseProgram(code));
    return std::shared_ptr<const NumberFormat>(new NumberFormat(std::string(code), std::move(program)));
}

bool NumberFormat::valid() const {
    return m_program->valid;
}

const std::string& NumberFormat::error() const {
    return m_program->error;
}

bool NumberFormat::isDate() const {
    return !m_program->numeric.empty() && m_program->numeric.front().kind == Kind::Date;
}

int NumberFormat::format(double v, std::string& out) const {
    out.clear();
    if (!std::isfinite(v)) {
        out = NotANumberText;
        return 0;
    }
    const Program& p = *m_program;
    if (p.numeric.empty()) {
        // A code with only a text section ("@") shows numbers as General.
        std::string general;
        if (v < 0)
            general += '-';
        nf::appendGeneral(std::fabs(v), general);
        renderTextSection(p.text, general, out);
        return p.text.color;
    }
    Choice c;
    if (!chooseSection(p, v, c)) {
        out = OverflowText;
        return 0;
    }
    const Section& s = *c.section;
    if (s.kind == Kind::Date) {
        if (!nf::renderDate(s, v, out))
            out = OverflowText;
        return s.color;
    }
    if (v < 0 && !c.dropMinus)
        out += '-';
    const double a = std::fabs(v);
    switch (s.kind) {
    case Kind::Number:
        nf::renderNumber(s, a, out);
        break;
    case Kind::Scientific:
        nf::renderScientific(s, a, out);
        break;
    case Kind::Fraction:
        nf::renderFraction(s, a, out);
        break;
    case Kind::General:
        nf::renderGeneralSection(s, a, out);
        break;
    default:
        nf::renderLiteral(s, out);
        break;
    }
    return s.color;
}

int NumberFormat::formatText(std::string_view text, std::string& out) const {
    out.clear();
    const Program& p = *m_program;
    if (!p.hasText) {
        out.assign(text);
        return 0;
    }
    renderTextSection(p.text, text, out);
    return p.text.color;
}

std::int32_t NumberFormat::paletteRgb(int colorIndex) {
    if (colorIndex < 1 || colorIndex > 56)
        return -1;
    return kPalette[colorIndex - 1];
}

NumberFormatResult formatNumberEx(double v, const QString& code) {
    const QByteArray utf8 = code.toUtf8();
    const auto f = NumberFormatCache::global().get(std::string_view(utf8.constData(), utf8.size()));
    std::string out;
    NumberFormatResult r;
    r.colorIndex = f->format(v, out);
    r.codeValid = f->valid();
    r.text = QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
    return r;
}

QString formatNumber(double v, const QString& code, bool* codeValid) {
    NumberFormatResult r = formatNumberEx(v, code);
    if (codeValid)
        *codeValid = r.codeValid;
    return std::move(r.text);
}

QString formatText(const QString& text, const QString& code, bool* codeValid) {
    const QByteArray utf8 = code.toUtf8();
    const auto f = NumberFormatCache::global().get(std::string_view(utf8.constData(), utf8.size()));
    const QByteArray textUtf8 = text.toUtf8();
    std::string out;
    f->formatText(std::string_view(textUtf8.constData(), static_cast<std::size_t>(textUtf8.size())), out);
    if (codeValid)
        *codeValid = f->valid();
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace ol
