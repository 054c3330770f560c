#include "Formatting.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "ProcessState.h"
#include "ResourceStrings.h"
#include "ol/NumberFormat.h"
#include "ol/OLError.h"
#include "ol/ScreenService.h"
#include "ol/SpecialValues.h"
#include "ol/TextUtils.h"
#include "ol/VisualServices.h"

namespace engine {

namespace {

constexpr double kMillisecondsPerDay = 8.64e7;
constexpr double kElapsedHoursFrom = 8.28e7; // 23 hours
constexpr double kMillisecondsPerHour = 3.6e6;
constexpr double kMillisecondsPerMinute = 6.0e4;
constexpr double kMillisecondsPerSecond = 1.0e3;
constexpr double kScientificFrom = 1.0e7;
constexpr double kScientificBelow = 1.0e-4;

constexpr int kResourceOneViolation = 4508;
constexpr int kResourceViolations = 4509;
constexpr int kResourcePlacementFirst = 4308;
constexpr int kResourcePlacementSecond = 4309;

// The fixed formats are compiled once; formatting a number is then one pass
// of the compiled program into a reused buffer.
struct FixedFormats {
    std::shared_ptr<const ol::NumberFormat> scientific = ol::NumberFormat::compile("0.0000E+000");
    std::shared_ptr<const ol::NumberFormat> whole = ol::NumberFormat::compile("0");
    std::shared_ptr<const ol::NumberFormat> fourDecimals = ol::NumberFormat::compile("0.0000");
    std::shared_ptr<const ol::NumberFormat> date = ol::NumberFormat::compile("m/d/yyyy");
    std::shared_ptr<const ol::NumberFormat> dateTime = ol::NumberFormat::compile("m/d/yyyy h:mm AM/PM");
    std::shared_ptr<const ol::NumberFormat> clock = ol::NumberFormat::compile("hh:mm:ss");
};

const FixedFormats& fixed() {
    static const FixedFormats formats;
    return formats;
}

QString apply(const ol::NumberFormat& format, double value) {
    thread_local std::string buffer;
    format.format(value, buffer);
    return QString::fromUtf8(buffer.data(), static_cast<qsizetype>(buffer.size()));
}

// The number a tagged value stands for, as the host's numeric test sees it:
// numbers, dates and Booleans; an empty value is 0; a text only when it is a
// number. Nothing for the host's error values, objects and arrays.
std::optional<double> numberOf(const TaggedValue& value) {
    switch (value.tag()) {
    case TaggedValue::Empty:
        return 0.0;
    case TaggedValue::Integer:
    case TaggedValue::Long:
    case TaggedValue::Double:
    case TaggedValue::Date:
    case TaggedValue::Boolean:
        return value.toDouble();
    case TaggedValue::String:
        return ol::parseNumber(value.toString());
    default:
        return std::nullopt;
    }
}

// Common string 1, 13 or 14 for a value that cannot be shown as a number.
std::optional<QString> specialText(double value) {
    if (ol::isNoValue(value) || !ol::isNumeric(value))
        return GetCommonString(kCommonMissingValue);
    if (ol::isUpperLimit(value))
        return GetCommonString(kCommonAboveUpperLimit);
    if (ol::isLowerLimit(value))
        return GetCommonString(kCommonBelowLowerLimit);
    return std::nullopt;
}

std::optional<QString> specialText(const TaggedValue& value, double& number) {
    const std::optional<double> n = numberOf(value);
    if (!n)
        return GetCommonString(kCommonMissingValue);
    number = *n;
    return specialText(number);
}

QString dateText(double value, bool withTime) {
    return apply(withTime ? *fixed().dateTime : *fixed().date, value);
}

QString twoDigits(int64_t n) {
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

QString FormatNumberGeneral(double value) {
    if (ol::isNoValue(value))
        return GetCommonString(kCommonMissingValue);
    if (ol::isUpperLimit(value))
        return GetCommonString(kCommonAboveUpperLimit);
    if (ol::isLowerLimit(value))
        return GetCommonString(kCommonBelowLowerLimit);
    if (value == 0.0)
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    if (magnitude >= kScientificFrom || magnitude < kScientificBelow)
        return apply(*fixed().scientific, value);
    if (value == std::trunc(value))
        return apply(*fixed().whole, value);
    return apply(*fixed().fourDecimals, value);
}

QString FormatValueForDisplay(const TaggedValue& value, bool isDate, bool withTime, const CellNumberFormat* cell) {
    double number = 0.0;
    if (std::optional<QString> special = specialText(value, number))
        return *special;
    if (isDate)
        return dateText(number, withTime);
    if (!cell)
        return FormatNumberGeneral(number);
    const QString code = cell->numberFormat();
    if (ol::sameTextIgnoringCase(code, QStringLiteral("General")))
        return FormatNumberGeneral(number);
    return ol::formatNumber(number, code);
}

QString FormatValueForDisplay(double value, bool isDate, bool withTime, const CellNumberFormat* cell) {
    return FormatValueForDisplay(TaggedValue::fromDouble(value), isDate, withTime, cell);
}

QString FormatDateValue(const TaggedValue& value, bool withTime) {
    double number = 0.0;
    if (std::optional<QString> special = specialText(value, number))
        return *special;
    return dateText(number, withTime);
}

QString FormatDateValue(double value, bool withTime) {
    return FormatDateValue(TaggedValue::fromDouble(value), withTime);
}

QChar TimeSeparator(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    qsizetype i = format.indexOf(u'h', 0, Qt::CaseInsensitive);
    if (i < 0)
        return u':';
    while (i < format.size() && (format.at(i) == u'h' || format.at(i) == u'H'))
        ++i;
    if (i < format.size() && !format.at(i).isLetterOrNumber() && format.at(i) != u'\'' && !format.at(i).isSpace())
        return format.at(i);
    return u':';
}

QString FormatElapsedTime(double milliseconds) {
    return FormatElapsedTime(milliseconds, TimeSeparator());
}

QString FormatElapsedTime(double milliseconds, QChar timeSeparator) {
    const auto clockForm = [&] { return apply(*fixed().clock, milliseconds / kMillisecondsPerDay); };
    if (milliseconds < kElapsedHoursFrom)
        return clockForm();
    // Hours beyond what a whole number holds exactly cannot be shown this
    // way; the clock form shows what it can of them.
    const double hours = std::floor(milliseconds / kMillisecondsPerHour);
    if (!std::isfinite(hours) || hours > 9.0e15)
        return clockForm();
    const double rest = milliseconds - hours * kMillisecondsPerHour;
    const double minutes = std::floor(rest / kMillisecondsPerMinute);
    const double seconds = std::floor((rest - minutes * kMillisecondsPerMinute) / kMillisecondsPerSecond);
    return QString::number(static_cast<int64_t>(hours)) + timeSeparator + twoDigits(static_cast<int64_t>(minutes)) +
           timeSeparator + twoDigits(static_cast<int64_t>(seconds));
}

TaggedValue RoundUpAtLeadingDigit(double x) {
    const int e = ol::orderOfMagnitude(x);
    const double power = std::pow(10.0, std::abs(e));
    double q = e >= 0 ? x / power : x * power;
    // 0.3 * 10 is 3.0000000000000004 in doubles; a quotient that is a whole
    // number but for the last bits is taken as that number, or the axis
    // would end one step too far.
    const double nearest = std::nearbyint(q);
    if (std::fabs(q - nearest) <= 1e-9 * std::fabs(q))
        q = nearest;
    const double up = -std::floor(-q);
    return TaggedValue::fromDouble(e >= 0 ? up * power : up / power);
}

QString FormatConstraintViolations(double v, bool verbose) {
    if (ol::isSpecial(v) || !ol::isNumeric(v))
        return GetCommonString(kCommonMissingValue);
    const double n = std::trunc(v);
    // Counts are small; a huge value still gets its digits, not an overflow.
    const QString count = std::fabs(n) < 9.0e15 ? QString::number(static_cast<int64_t>(n)) : QString::number(n, 'f', 0);
    if (!verbose)
        return count;
    if (n == 1.0)
        return GetResourceString(kResourceOneViolation);
    return GetResourceString(kResourceViolations, count);
}

void FillReportPlacementCombo(ComboItems& combo) {
    const QString first = GetResourceString(kResourcePlacementFirst);
    const QString second = GetResourceString(kResourcePlacementSecond);
    combo.clear();
    combo.addItem(first);
    combo.addItem(second);
    combo.setCurrentIndex(0);
}

ol::UiFont LanguageFont() {
    const auto server = ProcessState::resourceServer();
    if (!server)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("ApplyLanguageFont"),
                       QStringLiteral("Missing resource server."));
    return server->uiFont();
}

QSizeF ScaledControlSize(QSizeF size, double scaleFactor, bool scaleWidth, bool scaleHeight) {
    if (scaleWidth)
        size.setWidth(size.width() * scaleFactor);
    if (scaleHeight)
        size.setHeight(size.height() * scaleFactor);
    return size;
}

QSizeF ScaleControlSize(QSizeF size, ol::WindowRef window, bool scaleWidth, bool scaleHeight) {
    try {
        return ScaledControlSize(size, ol::screenService().scaleFactor(window), scaleWidth, scaleHeight);
    } catch (...) {
        return size;
    }
}

} // namespace engine
