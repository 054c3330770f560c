#pragma once

#include <QLocale>
#include <QSizeF>
#include <QString>

#include "TaggedValue.h"
#include "ol/ResourceServer.h"
#include "ol/WindowRef.h"

namespace engine {

// Values as the windows show them. Special doubles of the shared library
// (the no-value double, the error value -1.001E+300 and the two limits) are
// shown as common strings 1, 13 and 14; everything else through the shared
// library's number-format engine, which formats as the host shows a cell.

// General display of a number: "0" for zero, "0.0000E+000" for magnitudes
// of 1E7 and more or below 0.0001, "0" for whole numbers, else "0.0000".
QString FormatNumberGeneral(double value);

// Where a value's number format comes from: a cell of the host, or anything
// that stands for one.
class CellNumberFormat {
public:
    virtual ~CellNumberFormat() = default;
    // The cell's number-format code ("General", "0.00%", "m/d/yyyy", ...).
    virtual QString numberFormat() const = 0;
};

// A value in the number format of its cell: special values and values that
// are not numbers (the host's error values, texts that are not numbers) as
// common strings; dates with FormatDateValue(withTime); without a cell, or
// with a cell in "General", FormatNumberGeneral; otherwise the cell's format.
QString FormatValueForDisplay(const TaggedValue& value, bool isDate, bool withTime,
                              const CellNumberFormat* cell = nullptr);
QString FormatValueForDisplay(double value, bool isDate, bool withTime, const CellNumberFormat* cell = nullptr);

// A serial date as "m/d/yyyy h:mm AM/PM" (withTime) or "m/d/yyyy", with the
// same special cases.
QString FormatDateValue(const TaggedValue& value, bool withTime);
QString FormatDateValue(double value, bool withTime);

// An elapsed time in milliseconds: "hh:mm:ss" below 23 hours; from there on
// whole hours (not limited to 24), minutes and seconds joined by the
// locale's time separator.
QString FormatElapsedTime(double milliseconds);
QString FormatElapsedTime(double milliseconds, QChar timeSeparator);
// The separator between hours and minutes in the locale's time format; ':'
// when the format does not show one.
QChar TimeSeparator(const QLocale& locale = QLocale::system());

// x rounded up at its leading digit (1200 -> 2000, 3000 -> 3000), the round
// axis maximum of the progress graphs; a tagged double.
TaggedValue RoundUpAtLeadingDigit(double x);

// The objective value of a constraint-solver run, which counts the violated
// constraints: special values as common string 1; else the count n (the
// value cut towards zero), verbose as resource 4508 for one and 4509 with n
// otherwise, plain as the number.
QString FormatConstraintViolations(double v, bool verbose);

// The few operations the report-placement selector needs, so that filling it
// needs no widgets here.
class ComboItems {
public:
    virtual ~ComboItems() = default;
    virtual void clear() = 0;
    virtual void addItem(const QString& text) = 0;
    virtual void setCurrentIndex(int index) = 0;
};

// Resource strings 4308 and 4309, the first selected.
void FillReportPlacementCombo(ComboItems& combo);

// The user-interface font of the resource server's language (name, size and
// character set), which every control of a window but the combo boxes gets.
// Raises 0x8004000A "Missing resource server." when there is no server.
ol::UiFont LanguageFont();

// A control's size with width and/or height multiplied by the scale factor.
QSizeF ScaledControlSize(QSizeF size, double scaleFactor, bool scaleWidth, bool scaleHeight);
// The same with the scale factor of `window` from the shared library's screen
// service; the size unchanged when that fails.
QSizeF ScaleControlSize(QSizeF size, ol::WindowRef window, bool scaleWidth, bool scaleHeight);

} // namespace engine
