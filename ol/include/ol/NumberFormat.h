#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <QString>

namespace ol {

namespace nf {
struct Program;
}

// A spreadsheet number-format code ("#,##0.00;(#,##0.00)", "m/d/yyyy",
// "0.00E+00", "# ?/?", "General", ...) compiled once and then applied to
// many values. Output is what the host spreadsheet shows in a cell wide
// enough for it, in the en-US locale ('.' decimal point, ',' thousands
// separator, English month and day names, AM/PM).
//
// Choices where a cell's display has no single text:
// - "*x" (repeat x to fill the cell) renders nothing: a cell exactly wide
//   enough has no room left to fill. "_x" renders one space.
// - A value no section can show (a negative or too large date, a value that
//   matches none of the conditional sections) renders as OverflowText, the
//   row of '#' the host fills such a cell with.
// - NaN and infinities, which the host never stores, render as "#NUM!".
// - A value below zero keeps its minus sign even when it rounds to zero in the
//   shown precision (-0.001 with "0.00" shows "-0.00"): the host chooses the
//   section and the sign from the stored value, not the rounded one.
// - Fractions use the last continued-fraction convergent whose denominator
//   fits the denominator's digits, taken from the simplest fraction the
//   value's 15 significant digits stand for: 0.23 with "# ??/??" shows 3/13
//   and 4/11 with "# ?/?" shows 1/3, as the host does, rather than the
//   closest fractions 20/87 and 3/8.
// - "General" fits 11 characters, a minus sign not counted: -2/3 shows
//   "-0.666666667" rather than losing a digit to the sign.
//
// Immutable after compile(): one object may be used from several threads.
class NumberFormat {
public:
    static constexpr std::string_view OverflowText = "########";
    static constexpr std::string_view NotANumberText = "#NUM!";
    // Codes longer than this (bytes) are refused; the host's limit is 255 characters.
    static constexpr std::size_t MaxCodeLength = 1024;

    ~NumberFormat();
    NumberFormat(const NumberFormat&) = delete;
    NumberFormat& operator=(const NumberFormat&) = delete;

    // Never returns null and never throws. A code that cannot be parsed gives
    // an object with valid() == false that formats like "General".
    static std::shared_ptr<const NumberFormat> compile(std::string_view code);

    bool valid() const;
    // Why the code was refused (empty when valid).
    const std::string& error() const;
    const std::string& code() const { return m_code; }
    // True when numbers are shown as dates or times (first section).
    bool isDate() const;

    // Replaces out with the display of v; returns the colour index of the
    // section used (1..56 in the host's default palette, 0 when none).
    int format(double v, std::string& out) const;
    // The display of a text value: the text section with '@' replaced by the
    // text, or the text itself when the code has no text section.
    int formatText(std::string_view text, std::string& out) const;

    // RGB (0xRRGGBB) of a palette index of the host's default palette, or -1.
    static std::int32_t paletteRgb(int colorIndex);

private:
    NumberFormat(std::string code, std::unique_ptr<nf::Program> program);

    std::string m_code;
    std::unique_ptr<const nf::Program> m_program;
};

struct NumberFormatResult {
    QString text;
    int colorIndex = 0;
    bool codeValid = true; // false: the code was refused and General was used
};

// Formats through the process-wide cache of compiled codes. When the code is
// refused the value is shown as with "General" and *codeValid (if given) is
// set to false, so that the caller can log it.
QString formatNumber(double v, const QString& code, bool* codeValid = nullptr);
QString formatText(const QString& text, const QString& code, bool* codeValid = nullptr);
NumberFormatResult formatNumberEx(double v, const QString& code);

} // namespace ol
