#include "ol/TextUtils.h"

#include <cmath>

namespace ol {

QString shortenText(const QString& text, int maxChars) {
    if (maxChars <= 0)
        return QString();
    if (text.size() <= maxChars)
        return text;
    const bool withDots = maxChars > kEllipsis.size();
    qsizetype keep = withDots ? maxChars - kEllipsis.size() : maxChars;
    // Cutting between the halves of a surrogate pair would leave half a character.
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    QString result = text.left(keep);
    if (!withDots)
        return result;
    while (!result.isEmpty() && result.back().isSpace())
        result.chop(1);
    return result + kEllipsis;
}

QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

bool sameTextIgnoringCase(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<double> parseNumber(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = locale.toDouble(t, &ok);
    if (!ok)
        value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isNumberInRange(const QString& text, double min, double max, const QLocale& locale) {
    const std::optional<double> value = parseNumber(text, locale);
    return value && *value >= min && *value <= max;
}

} // namespace ol
