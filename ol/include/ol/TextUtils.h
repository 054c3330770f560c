#pragma once

#include <optional>

#include <QLocale>
#include <QString>

namespace ol {

// The marker that ends a shortened text.
inline constexpr QLatin1StringView kEllipsis("...");

// Shortens text to at most maxChars characters (UTF-16 code units, as the
// grids count them). A text that fits is returned as it is. A longer one is
// cut and ends in "...", the three dots counting towards maxChars; blanks
// before the dots are dropped ("Total cost  of" -> "Total cost..."), and a
// surrogate pair is never split. When maxChars is 3 or less there is no room
// for the dots and the text is simply cut; maxChars <= 0 gives "".
QString shortenText(const QString& text, int maxChars);

// The text without leading and trailing blanks (spaces only, as names typed
// into a spreadsheet are trimmed; tabs and line breaks stay).
QString trimBlanks(const QString& text);

// Compares two texts ignoring case (format codes such as "General" are
// compared this way).
bool sameTextIgnoringCase(const QString& a, const QString& b);

// The number written in text: leading and trailing blanks are ignored, the
// locale's decimal and group separators are accepted, and so is the C form
// ("0.5") as a fallback. Empty text, words, NaN and infinities give nothing.
std::optional<double> parseNumber(const QString& text, const QLocale& locale = QLocale());

// The number-validation service: true when text is a number from min to max
// inclusive (a rate typed by the user, for example).
bool isNumberInRange(const QString& text, double min, double max, const QLocale& locale = QLocale());

} // namespace ol
